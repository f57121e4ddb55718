#include "projectsubset.h"

#include "core/formats/diagnostics.h"
#include "core/formats/textdecoding.h"
#include "core/model/featuremodel.h"
#include "import/projectimport.h"
#include "subset/projectcontents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <memory>

namespace ProjectSubset {

namespace {

const QStringList &studyFileNames()
{
    static const QStringList names = {QStringLiteral("questions.txt"), QStringLiteral("study.json"),
                                      QStringLiteral("participants.csv"),
                                      QStringLiteral("answer-key.csv")};
    return names;
}

// A path as the folder's own files name it, relative to the folder; empty
// when it lies outside it.
QString insidePath(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return ProjectContents::isInsideFolder(clean) ? clean : QString();
}

// The pictures of the questions that lie in the folder (as the checker finds them).
QStringList pictureFiles(const QString &folder)
{
    static const QRegularExpression picture(
        QStringLiteral("<img\\b[^>]*\\bsrc\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text =
        readTextFile(folder + QStringLiteral("/questions.txt"), NulCharacters::EndText);
    QStringList files;
    for (auto match = picture.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        const QString source = found.captured(2) + found.captured(3) + found.captured(4);
        const QUrl url(source);
        if (url.scheme() == QLatin1String("data") || url.scheme() == QLatin1String("qrc"))
            continue;
        const QString relative = insidePath(url.isLocalFile() ? url.toLocalFile() : url.path());
        if (!relative.isEmpty() && !files.contains(relative))
            files.append(relative);
    }
    return files;
}

// The colour assignments that the conditions of study.json preload.
QStringList assignmentFiles(const QString &folder)
{
    QFile file(folder + QStringLiteral("/study.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray conditions =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("conditions")).toArray();
    QStringList files;
    for (const QJsonValue &condition : conditions) {
        const QString relative =
            insidePath(condition.toObject().value(QLatin1String("assignment")).toString());
        if (!relative.isEmpty() && !files.contains(relative))
            files.append(relative);
    }
    return files;
}

bool copyFile(const QString &from, const QString &to, QString *error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: ") + in.errorString();
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        *error = QStringLiteral("its folder cannot be made");
        return false;
    }
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        *error = QStringLiteral("cannot be written: ") + out.errorString();
        return false;
    }
    return true;
}

FeatureNode reducedItem(const FeatureTree &tree, int item, const QSet<QString> &removed)
{
    const FeatureTree::Item &entry = tree.items.at(item);
    FeatureNode node{entry.name, {}};
    for (int child : entry.children) {
        const FeatureTree::Item &childEntry = tree.items.at(child);
        if (childEntry.children.isEmpty()) {
            if (!removed.contains(childEntry.name))
                node.children.push_back({childEntry.name, {}});
            continue;
        }
        FeatureNode inner = reducedItem(tree, child, removed);
        if (!inner.isLeaf())
            node.children.push_back(std::move(inner));
    }
    return node;
}

class Subset
{
public:
    Subset(const QString &projectFolder, const QString &outFolder, const Options &options,
           Diagnostics &diagnostics)
        : m_folder(QDir::cleanPath(projectFolder)), m_out(QDir::cleanPath(outFolder)),
          m_options(options), m_diagnostics(diagnostics)
    {
    }

    Summary run();

private:
    bool prepare();
    QList<ProjectFilter::File> filterInput();
    void addFiles(const ProjectNode *node, ProjectImport::Folder &folder);
    ProjectImport::File reducedFile(const ProjectContents::File &file);
    bool writeFeatureModel();
    bool writeProjectFile(const ProjectImport::Folder &root);
    void copyStudyFiles();
    void fail(const QString &path, const QString &text)
    {
        m_diagnostics.error(path, 0, 0, text);
        m_summary.failed = true;
    }

    QString m_folder;
    QString m_out;
    const Options &m_options;
    Diagnostics &m_diagnostics;
    ProjectContents m_project;
    QHash<const ProjectNode *, qsizetype> m_fileIndex; // into m_project.files()
    ProjectFilter::Outcome m_outcome;
    Summary m_summary;
};

Summary Subset::run()
{
    if (!prepare())
        return m_summary;
    const QList<ProjectFilter::File> files = filterInput();
    QStringList declared;
    for (const Feature &leaf : m_project.leaves())
        declared.append(leaf.name());
    m_outcome = ProjectFilter::apply(m_options.filters, files, declared);
    m_summary.filterResults = m_outcome.steps;

    ProjectImport::Folder root;
    for (const ProjectNode *top : m_project.model().topLevelNodes())
        addFiles(top, root);
    if (!writeFeatureModel())
        fail(m_out + QStringLiteral("/model.m"), QStringLiteral("cannot be written"));
    if (!writeProjectFile(root))
        fail(m_out + QStringLiteral("/annotations.xml"), QStringLiteral("cannot be written"));
    copyStudyFiles();
    return m_summary;
}

bool Subset::prepare()
{
    QString error;
    if (!m_project.read(m_folder, &error)) {
        fail(m_folder, error);
        return false;
    }
    if (!m_options.overwrite) {
        QStringList written = studyFileNames();
        written << QStringLiteral("model.m") << QStringLiteral("annotations.xml");
        for (const QString &name : std::as_const(written)) {
            const QString path = m_out + QLatin1Char('/') + name;
            if (QFileInfo::exists(path)) {
                fail(path, QStringLiteral("exists already; --force replaces it"));
                return false;
            }
        }
    }
    if (!QDir().mkpath(m_out)) {
        fail(m_out, QStringLiteral("cannot make this folder"));
        return false;
    }
    // Writing into the project folder, or above it, could replace what is read.
    const QString project = QFileInfo(m_folder).canonicalFilePath();
    const QString out = QFileInfo(m_out).canonicalFilePath();
    if (out == project || project.startsWith(out + QLatin1Char('/')) || out == QLatin1String("/")) {
        fail(m_out, QStringLiteral("is the project folder or holds it; the slice needs a folder "
                                   "of its own"));
        return false;
    }
    return true;
}

QList<ProjectFilter::File> Subset::filterInput()
{
    const bool defaultsAsked =
        std::any_of(m_options.filters.begin(), m_options.filters.end(), [](const auto &step) {
            return step.kind == ProjectFilter::Step::Kind::NoDefaultMacros;
        });
    QList<ProjectFilter::File> files;
    for (const ProjectContents::File &file : m_project.files()) {
        m_fileIndex.insert(file.node, files.size());
        ProjectFilter::File filtered{file.path, {}};
        QHash<QPair<int, int>, QString> defaults;
        if (defaultsAsked && ProjectContents::isInsideFolder(file.path))
            defaults = ProjectContents::defaultMacroFragments(m_folder + QLatin1Char('/')
                                                              + file.path);
        for (const ProjectContents::Fragment &fragment : file.fragments) {
            const QStringList features = fragment.features();
            const QString macro = defaults.value({fragment.startLine, fragment.endLine});
            filtered.fragments.append({features, features == QStringList{macro}});
        }
        files.append(filtered);
    }
    return files;
}

// The files kept below a node of the project, in the order of annotations.xml.
void Subset::addFiles(const ProjectNode *node, ProjectImport::Folder &folder)
{
    for (const ProjectNode *child : node->children) {
        if (child->kind == ProjectNode::File) {
            const qsizetype index = m_fileIndex.value(child, -1);
            if (index < 0 || !m_outcome.keptFiles.at(index))
                continue;
            const ProjectContents::File &file = m_project.files().at(index);
            if (!ProjectContents::isInsideFolder(file.path)) {
                m_diagnostics.warning(QStringLiteral("annotations.xml"), 0, 0,
                                      QStringLiteral("\"%1\" lies outside the project folder; "
                                                     "left out").arg(file.path));
                continue;
            }
            folder.files.push_back(reducedFile(file));
            folder.order.push_back(true);
            continue;
        }
        auto sub = std::make_unique<ProjectImport::Folder>();
        sub->name = child->name;
        addFiles(child, *sub);
        if (sub->files.empty() && sub->folders.empty())
            continue;
        folder.folders.push_back(std::move(sub));
        folder.order.push_back(false);
    }
}

// A file's fragments and feature texts that name a feature left; its source copied.
ProjectImport::File Subset::reducedFile(const ProjectContents::File &file)
{
    ProjectImport::File reduced;
    reduced.name = file.node->name;
    reduced.length = file.length;
    for (const ProjectContents::Fragment &fragment : file.fragments) {
        QStringList texts;
        for (const ProjectContents::FeatureText &text : fragment.texts) {
            if (ProjectFilter::keeps({text.features, false}, m_outcome.removedFeatures))
                texts.append(text.text);
        }
        if (texts.isEmpty())
            continue;
        reduced.fragments.append({fragment.startLine, fragment.endLine, texts.takeFirst()});
        reduced.moreFeatures.append(texts);
    }
    m_summary.fragments += int(reduced.fragments.size());
    ++m_summary.files;

    const QString source = m_folder + QLatin1Char('/') + file.path;
    QString error;
    if (!QFileInfo(source).isFile())
        m_diagnostics.warning(source, 0, 0,
                              QStringLiteral("does not exist; listed without its source"));
    else if (!copyFile(source, m_out + QLatin1Char('/') + file.path, &error))
        fail(source, error);
    return reduced;
}

bool Subset::writeFeatureModel()
{
    std::vector<FeatureNode> trees =
        reducedModel(m_project.featureTree(), m_outcome.removedFeatures);
    if (m_options.groupByPrefix) {
        QSet<QString> taken;
        for (const FeatureTree::Item &item : m_project.featureTree().items)
            taken.insert(item.name);
        for (FeatureNode &tree : trees)
            FeatureGroups::groupTree(&tree, &taken);
    }
    for (const FeatureNode &tree : trees)
        m_summary.features += int(tree.leaves().size());
    QSaveFile file(m_out + QStringLiteral("/model.m"));
    return file.open(QIODevice::WriteOnly)
        && file.write(ProjectImport::featureModelText(trees)) >= 0 && file.commit();
}

bool Subset::writeProjectFile(const ProjectImport::Folder &root)
{
    QSaveFile file(m_out + QStringLiteral("/annotations.xml"));
    return file.open(QIODevice::WriteOnly)
        && ProjectImport::writeProjectFile(&file, m_project.projectName(), root) && file.commit();
}

void Subset::copyStudyFiles()
{
    for (const QString &relative : studyFiles(m_folder)) {
        QString error;
        if (copyFile(m_folder + QLatin1Char('/') + relative, m_out + QLatin1Char('/') + relative,
                     &error))
            ++m_summary.studyFiles;
        else
            fail(m_folder + QLatin1Char('/') + relative, error);
    }
}

} // namespace

Summary run(const QString &projectFolder, const QString &outFolder, const Options &options,
            Diagnostics &diagnostics)
{
    return Subset(projectFolder, outFolder, options, diagnostics).run();
}

std::vector<FeatureNode> reducedModel(const FeatureTree &tree, const QSet<QString> &removed)
{
    std::vector<FeatureNode> trees;
    for (int top : tree.topLevel) {
        const FeatureTree::Item &entry = tree.items.at(top);
        FeatureNode node = reducedItem(tree, top, removed);
        const bool first = trees.empty();
        // A leaf at the top is a feature of its own; an inner feature left
        // empty goes, but the root stays.
        if (entry.children.isEmpty() ? !removed.contains(entry.name) || first
                                     : !node.isLeaf() || first)
            trees.push_back(std::move(node));
    }
    return trees;
}

QStringList studyFiles(const QString &folder)
{
    QStringList files;
    for (const QString &name : studyFileNames()) {
        if (QFileInfo(folder + QLatin1Char('/') + name).isFile())
            files.append(name);
    }
    for (const QString &relative : pictureFiles(folder) + assignmentFiles(folder)) {
        if (!files.contains(relative) && QFileInfo(folder + QLatin1Char('/') + relative).isFile())
            files.append(relative);
    }
    return files;
}

} // namespace ProjectSubset
