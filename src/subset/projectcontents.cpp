#include "projectcontents.h"

#include "core/formats/annotationsreader.h"
#include "core/formats/textdecoding.h"
#include "import/conditionalscanner.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The viewer's reader of annotations.xml writes notes for the viewer's own
// console on standard output, which the tools keep for what they print
// (the feature table): they are dropped while it reads.
class StandardOutputDropped
{
public:
    StandardOutputDropped()
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDOUT_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~StandardOutputDropped()
    {
        std::fflush(stdout);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDOUT_FILENO);
            ::close(m_saved);
        }
    }
    StandardOutputDropped(const StandardOutputDropped &) = delete;
    StandardOutputDropped &operator=(const StandardOutputDropped &) = delete;

private:
    int m_saved = -1;
};

} // namespace

QStringList ProjectContents::Fragment::features() const
{
    QStringList all;
    for (const FeatureText &text : texts) {
        for (const QString &feature : text.features) {
            if (!all.contains(feature))
                all.append(feature);
        }
    }
    return all;
}

ProjectContents::ProjectContents() = default;
ProjectContents::~ProjectContents() = default;

bool ProjectContents::read(const QString &folder, QString *error)
{
    m_folder = folder;
    readFeatureModel();
    const QString path = folder + QStringLiteral("/annotations.xml");
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("annotations.xml is missing");
        return false;
    }
    AnnotationsReader reader(&m_model, &m_leaves);
    bool read = false;
    {
        const StandardOutputDropped quiet;
        read = reader.readProjectFile(path);
    }
    if (!read) {
        *error = QStringLiteral("annotations.xml cannot be read as the viewer reads it; "
                                "featurehue check tells why");
        return false;
    }
    collectFiles();
    return true;
}

QString ProjectContents::projectName() const
{
    if (!m_model.topLevelNodes().isEmpty())
        return m_model.topLevelNodes().constFirst()->name;
    return QFileInfo(m_folder).fileName();
}

bool ProjectContents::isInsideFolder(const QString &relative)
{
    if (relative.isEmpty() || relative.startsWith(QLatin1Char('/')))
        return false;
    for (const QString &part : relative.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

QHash<QPair<int, int>, QString> ProjectContents::defaultMacroFragments(const QString &sourcePath)
{
    QHash<QPair<int, int>, QString> defaults;
    ConditionalScanner::Language language;
    if (!ConditionalScanner::languageOf(sourcePath, &language))
        return defaults;
    QFile file(sourcePath);
    if (!file.open(QIODevice::ReadOnly))
        return defaults;
    const ConditionalScanner::Result scan = ConditionalScanner::scan(file.readAll(), language);
    for (const ConditionalScanner::Fragment &fragment : scan.fragments) {
        if (fragment.defaultMacro)
            defaults.insert({fragment.startLine, fragment.endLine}, fragment.names.constFirst());
    }
    return defaults;
}

void ProjectContents::readFeatureModel()
{
    const QString text =
        readTextFile(m_folder + QStringLiteral("/model.m"), NulCharacters::EndText);
    m_tree = buildFeatureTree(parseFeatureModel(text));
    if (m_tree.items.isEmpty()) {
        // As the feature tree shows a model without features.
        m_tree.items.append({QStringLiteral("empty"), -1, {}, 0, -1});
        m_tree.topLevel.append(0);
    }
    for (int item : m_tree.preOrder()) {
        const FeatureTree::Item &entry = m_tree.items.at(item);
        if (entry.children.isEmpty())
            m_leaves.append(Feature(qint32(m_leaves.size()), entry.name));
    }
}

void ProjectContents::collectFiles()
{
    for (const ProjectNode *node : m_model.preOrder()) {
        if (node->kind != ProjectNode::File)
            continue;
        m_files.append({node, ProjectModel::relativePath(node), node->length, fragmentsOf(*node)});
    }
}

// The fragment elements, told apart in the file's records: the records of one
// element follow each other with the same lines and the same count of
// features, and an expression gives one record per feature it names.
QList<ProjectContents::Fragment> ProjectContents::fragmentsOf(const ProjectNode &file)
{
    QList<Fragment> fragments;
    const QList<::Fragment> &records = file.fragments;
    int perElement = 0; // feature elements left in the element being filled
    for (qsizetype i = 0; i < records.size(); ++i) {
        const ::Fragment &record = records.at(i);
        const QString text = record.expression.isEmpty() && record.feature
            ? record.feature->name()
            : record.expression;
        const QString feature = record.feature ? record.feature->name() : QString();
        const ::Fragment *before = i > 0 ? &records.at(i - 1) : nullptr;
        const bool sameLines = before && before->startLine == record.startLine
            && before->lineSpan == record.lineSpan && before->featureCount == record.featureCount;
        if (sameLines && !record.expression.isEmpty()
            && fragments.last().texts.last().text == record.expression) {
            fragments.last().texts.last().features.append(feature);
            continue;
        }
        if (!sameLines || perElement <= 0) {
            fragments.append({record.startLine, record.startLine + record.lineSpan, {}});
            perElement = std::max(1, record.featureCount);
        }
        fragments.last().texts.append({text, {feature}});
        --perElement;
    }
    return fragments;
}
