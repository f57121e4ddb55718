#include "projectimport.h"

#include "import/conditionalscanner.h"
#include "core/formats/diagnostics.h"
#include "core/model/projectmodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QXmlStreamWriter>

#include <algorithm>
#include <memory>
#include <vector>

namespace ProjectImport {

namespace {

bool hasUnicodeMark(const QByteArray &bytes)
{
    // UTF-16 and UTF-32 text cannot be scanned byte by byte; the viewer
    // decodes it by its mark.
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")
        || bytes.startsWith(QByteArray("\x00\x00\xFE\xFF", 4));
}

bool hasControlCharacter(const QString &name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
}

class Importer
{
public:
    Importer(const QString &sourceDir, const QString &projectFolder, const Options &options,
             Diagnostics &diagnostics)
        : m_sourceDir(QDir::cleanPath(sourceDir)), m_projectFolder(QDir::cleanPath(projectFolder)),
          m_options(options), m_diagnostics(diagnostics)
    {
    }

    Summary run();

private:
    // A source file read: where it goes and, once scanned, its fragments.
    struct ReadFile
    {
        QString relative;
        ConditionalScanner::Language language = ConditionalScanner::Language::C;
        ConditionalScanner::Directives directives;
        bool scanned = false; // false for UTF-16 and UTF-32 text
        Folder *folder = nullptr; // null: read only for the filters' counts
        size_t index = 0;         // in folder->files
        QList<ConditionalScanner::Fragment> fragments;
    };

    bool prepare();
    void walk(const QString &path, const QString &relative, Folder &folder);
    void importFile(const QString &path, const QString &relative, Folder &folder);
    bool copyFile(const QByteArray &bytes, const QString &relative);
    void scanFiles();
    void applyFilters();
    bool inside(const QString &canonical) const
    {
        return canonical == m_sourceRoot || canonical.startsWith(m_sourceRoot + QLatin1Char('/'));
    }
    void fail(const QString &path, const QString &text)
    {
        m_diagnostics.error(path, 0, 0, text);
        m_summary.failed = true;
    }
    QString shown(const QString &relative) const
    {
        return m_sourceDir + QLatin1Char('/') + relative;
    }
    bool writeProjectFile(const Folder &root);
    bool writeFeatureModel();

    QString m_sourceDir;
    QString m_projectFolder;
    const Options &m_options;
    Diagnostics &m_diagnostics;
    QString m_sourceRoot;     // canonical
    QString m_projectRoot;    // canonical
    QStringList m_activePath; // canonical folders being walked, against link cycles
    QSet<QString> m_madeFolders;
    std::vector<ReadFile> m_read;
    QSet<QString> m_probeMacros; // of all files: a header may define one that others use
    QStringList m_features;
    Summary m_summary;
};

Summary Importer::run()
{
    if (!prepare())
        return m_summary;
    Folder root;
    m_summary.started = true;
    walk(m_sourceRoot, QString(), root);
    scanFiles();
    applyFilters();

    std::sort(m_features.begin(), m_features.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    m_summary.features = int(m_features.size());
    if (!writeFeatureModel())
        fail(m_projectFolder + QStringLiteral("/model.m"), QStringLiteral("cannot be written"));
    if (!writeProjectFile(root))
        fail(m_projectFolder + QStringLiteral("/annotations.xml"),
             QStringLiteral("cannot be written"));
    return m_summary;
}

bool Importer::prepare()
{
    m_sourceRoot = QFileInfo(m_sourceDir).canonicalFilePath();
    if (m_sourceRoot.isEmpty() || !QFileInfo(m_sourceRoot).isDir()) {
        fail(m_sourceDir, QStringLiteral("not a folder that can be read"));
        return false;
    }
    if (!m_options.overwrite) {
        for (const QString &name : {QStringLiteral("model.m"), QStringLiteral("annotations.xml")}) {
            const QString path = m_projectFolder + QLatin1Char('/') + name;
            if (QFileInfo::exists(path)) {
                fail(path, QStringLiteral("exists already; --force replaces it"));
                return false;
            }
        }
    }
    if (!QDir().mkpath(m_projectFolder)) {
        fail(m_projectFolder, QStringLiteral("cannot make this folder"));
        return false;
    }
    m_projectRoot = QFileInfo(m_projectFolder).canonicalFilePath();
    if (m_projectRoot == m_sourceRoot) {
        fail(m_projectFolder,
             QStringLiteral("is the source folder itself, which is never written"));
        return false;
    }
    m_madeFolders.insert(m_projectFolder);
    return true;
}

void Importer::walk(const QString &path, const QString &relative, Folder &folder)
{
    m_activePath.append(path);
    const QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                          QDir::Name | QDir::DirsFirst);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        const QString entryRelative =
            relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        ConditionalScanner::Language language;
        const bool source = ConditionalScanner::languageOf(name, &language);
        QString canonical = entry.absoluteFilePath();
        if (entry.isSymLink()) {
            canonical = entry.canonicalFilePath();
            if (canonical.isEmpty() || !inside(canonical)) {
                if (source || entry.isDir())
                    m_diagnostics.warning(shown(entryRelative), 0, 0,
                                          canonical.isEmpty()
                                              ? QStringLiteral("broken symbolic link; skipped")
                                              : QStringLiteral("symbolic link leads out of the "
                                                               "source folder; not followed"));
                continue;
            }
        }
        if (hasControlCharacter(name)) {
            if (source || entry.isDir())
                m_diagnostics.warning(shown(entryRelative), 0, 0,
                                      QStringLiteral("name holds control characters; skipped"));
            continue;
        }
        if (entry.isDir()) {
            // The project folder may lie inside the source folder; a link may
            // lead back to a folder being walked.
            if (canonical == m_projectRoot || m_activePath.contains(canonical))
                continue;
            auto sub = std::make_unique<Folder>();
            sub->name = name;
            walk(canonical, entryRelative, *sub);
            if (!sub->folders.empty() || !sub->files.empty())
                folder.folders.push_back(std::move(sub));
        } else if (source && entry.isFile()) {
            importFile(canonical, entryRelative, folder);
        }
    }
    m_activePath.removeLast();
}

void Importer::importFile(const QString &path, const QString &relative, Folder &folder)
{
    ReadFile read;
    read.relative = relative;
    const bool kept = ProjectFilter::keepsPath(m_options.filters, relative);
    // A file the filters neither keep nor count is not read, but counts as
    // one they removed.
    if (!kept && !ProjectFilter::needsPath(m_options.filters, relative)) {
        m_read.push_back(std::move(read));
        return;
    }
    // Unbuffered: the bytes go straight from one file into the other.
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fail(shown(relative), QStringLiteral("cannot be read: ") + in.errorString());
        return;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        fail(shown(relative), QStringLiteral("cannot be read: ") + in.errorString());
        return;
    }
    in.close();
    if (kept && !copyFile(bytes, relative))
        return;

    ConditionalScanner::languageOf(relative, &read.language);
    read.scanned = !hasUnicodeMark(bytes);
    File file;
    file.name = relative.section(QLatin1Char('/'), -1);
    if (read.scanned) {
        read.directives = ConditionalScanner::findDirectives(bytes, read.language);
        for (const QString &macro : std::as_const(read.directives.probeMacros))
            m_probeMacros.insert(macro);
        file.length = read.directives.lineCount;
    } else if (kept) {
        file.length = ProjectModel::countFileLines(m_projectFolder + QLatin1Char('/') + relative);
    }
    if (kept) {
        read.folder = &folder;
        read.index = folder.files.size();
        ++m_summary.files;
        m_summary.lines += file.length;
        folder.files.push_back(std::move(file));
    }
    m_read.push_back(std::move(read));
    if (kept && m_options.progress)
        m_options.progress(m_summary.files);
}

bool Importer::copyFile(const QByteArray &bytes, const QString &relative)
{
    const QString target = m_projectFolder + QLatin1Char('/') + relative;
    const QString targetFolder = target.section(QLatin1Char('/'), 0, -2);
    if (!m_madeFolders.contains(targetFolder)) {
        if (!QDir().mkpath(targetFolder)) {
            fail(targetFolder, QStringLiteral("cannot make this folder"));
            return false;
        }
        m_madeFolders.insert(targetFolder);
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
        || out.write(bytes) != bytes.size()) {
        fail(target, QStringLiteral("cannot be written: ") + out.errorString());
        return false;
    }
    return true;
}

// The fragments of every file read, once the probe macros of all are known.
void Importer::scanFiles()
{
    ConditionalScanner::Options options;
    options.deadCodeAsFeature = m_options.deadCodeAsFeature;
    options.probeMacros = m_probeMacros;
    for (ReadFile &read : m_read) {
        if (!read.scanned)
            continue;
        ConditionalScanner::Result scan =
            ConditionalScanner::scan(read.directives, read.language, options);
        read.directives = ConditionalScanner::Directives();
        if (read.folder) {
            for (const ConditionalScanner::Warning &warning : std::as_const(scan.warnings))
                m_diagnostics.warning(shown(read.relative), warning.line, 0, warning.text);
        }
        read.fragments = std::move(scan.fragments);
    }
}

// Runs the filters and gives every file imported the fragments they leave.
void Importer::applyFilters()
{
    QList<ProjectFilter::File> files;
    files.reserve(qsizetype(m_read.size()));
    for (const ReadFile &read : m_read) {
        ProjectFilter::File file{read.relative, {}};
        for (const ConditionalScanner::Fragment &fragment : read.fragments)
            file.fragments.append({fragment.names, fragment.defaultMacro});
        files.append(file);
    }
    const ProjectFilter::Outcome outcome = ProjectFilter::apply(m_options.filters, files);
    m_summary.filterResults = outcome.steps;

    QSet<QString> features;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ReadFile &read = m_read.at(size_t(i));
        if (!read.folder)
            continue;
        File &file = read.folder->files.at(read.index);
        for (qsizetype f = 0; f < read.fragments.size(); ++f) {
            if (!ProjectFilter::keeps(files.at(i).fragments.at(f), outcome.removedFeatures))
                continue;
            const ConditionalScanner::Fragment &fragment = read.fragments.at(f);
            file.fragments.append(fragment);
            for (const QString &name : fragment.names) {
                if (!outcome.removedFeatures.contains(name) && !features.contains(name)) {
                    features.insert(name);
                    m_features.append(name);
                }
            }
        }
        m_summary.fragments += int(file.fragments.size());
    }
}

bool Importer::writeFeatureModel()
{
    QSaveFile file(m_projectFolder + QStringLiteral("/model.m"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(featureModelText(
        {importedFeatureTree(m_projectFolder, m_features, m_options.groupByPrefix)}));
    return file.commit();
}

bool Importer::writeProjectFile(const Folder &root)
{
    QSaveFile file(m_projectFolder + QStringLiteral("/annotations.xml"));
    return file.open(QIODevice::WriteOnly)
           && ProjectImport::writeProjectFile(&file, QFileInfo(m_projectFolder).fileName(), root)
           && file.commit();
}

void writeFile(QXmlStreamWriter &xml, const File &file)
{
    xml.writeStartElement(QStringLiteral("file"));
    xml.writeAttribute(QStringLiteral("name"), file.name);
    xml.writeAttribute(QStringLiteral("length"), QString::number(file.length));
    for (qsizetype f = 0; f < file.fragments.size(); ++f) {
        const ConditionalScanner::Fragment &fragment = file.fragments.at(f);
        xml.writeStartElement(QStringLiteral("fragment"));
        xml.writeAttribute(QStringLiteral("startline"), QString::number(fragment.startLine));
        xml.writeAttribute(QStringLiteral("endline"), QString::number(fragment.endLine));
        xml.writeTextElement(QStringLiteral("feature"), fragment.expression);
        for (const QString &more : file.moreFeatures.value(f))
            xml.writeTextElement(QStringLiteral("feature"), more);
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeFolder(QXmlStreamWriter &xml, const Folder &folder)
{
    const auto writeSub = [&xml](const Folder &sub) {
        xml.writeStartElement(QStringLiteral("folder"));
        xml.writeAttribute(QStringLiteral("name"), sub.name);
        writeFolder(xml, sub);
        xml.writeEndElement();
    };
    if (folder.order.empty()) {
        for (const auto &sub : folder.folders)
            writeSub(*sub);
        for (const File &file : folder.files)
            writeFile(xml, file);
        return;
    }
    size_t nextFolder = 0;
    size_t nextFile = 0;
    for (const bool isFile : folder.order) {
        if (isFile && nextFile < folder.files.size())
            writeFile(xml, folder.files.at(nextFile++));
        else if (!isFile && nextFolder < folder.folders.size())
            writeSub(*folder.folders.at(nextFolder++));
    }
}

} // namespace

bool writeProjectFile(QIODevice *device, const QString &projectName, const Folder &root)
{
    QXmlStreamWriter xml(device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("project"));
    xml.writeAttribute(QStringLiteral("name"), projectName);
    writeFolder(xml, root);
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError();
}

Summary run(const QString &sourceDir, const QString &projectFolder, const Options &options,
            Diagnostics &diagnostics)
{
    Importer importer(sourceDir, projectFolder, options, diagnostics);
    return importer.run();
}

QString rootFeatureName(const QString &projectFolder, const QStringList &features)
{
    QString name = QFileInfo(QDir::cleanPath(QFileInfo(projectFolder).absoluteFilePath()))
                       .fileName();
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    if (name.isEmpty())
        name = QStringLiteral("Features");
    // The root must not be found where a leaf is meant.
    const QSet<QString> taken(features.begin(), features.end());
    while (taken.contains(name))
        name += QLatin1Char('_');
    return name;
}

QByteArray featureModelText(const QString &root, const QStringList &features)
{
    FeatureNode tree{root, {}};
    for (const QString &feature : features)
        tree.children.push_back({feature, {}});
    return featureModelText({tree});
}

namespace {

// A feature's statement, then those of the inner features below it.
void writeStatements(const FeatureNode &node, bool topLevel, QString *text)
{
    if (node.isLeaf()) {
        if (topLevel)
            *text += node.name + QStringLiteral(" ;\n");
        return;
    }
    *text += node.name + QStringLiteral(" :\n");
    for (size_t i = 0; i < node.children.size(); ++i)
        *text += (i == 0 ? QStringLiteral("    ") : QStringLiteral("  | "))
                 + node.children.at(i).name + QLatin1Char('\n');
    *text += QStringLiteral("  ;\n");
    for (const FeatureNode &child : node.children)
        writeStatements(child, false, text);
}

} // namespace

QByteArray featureModelText(const std::vector<FeatureNode> &trees)
{
    QString text;
    for (const FeatureNode &tree : trees)
        writeStatements(tree, true, &text);
    return text.toUtf8();
}

FeatureNode importedFeatureTree(const QString &projectFolder, const QStringList &features,
                                bool groupByPrefix)
{
    FeatureNode tree{rootFeatureName(projectFolder, features), {}};
    for (const QString &feature : features)
        tree.children.push_back({feature, {}});
    if (groupByPrefix) {
        QSet<QString> taken(features.begin(), features.end());
        taken.insert(tree.name);
        FeatureGroups::groupTree(&tree, &taken);
    }
    return tree;
}

} // namespace ProjectImport
