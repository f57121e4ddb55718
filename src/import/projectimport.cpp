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
    void walk(const QString &path, const QString &relative, Folder &folder);
    void importFile(const QString &path, const QString &relative, Folder &folder);
    bool inside(const QString &canonical) const
    {
        return canonical == m_sourceRoot || canonical.startsWith(m_sourceRoot + QLatin1Char('/'));
    }
    void fail(const QString &path, const QString &text)
    {
        m_diagnostics.error(path, 0, 0, text);
        m_summary.failed = true;
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
    QStringList m_features;
    QSet<QString> m_featureSet;
    Summary m_summary;
};

Summary Importer::run()
{
    const QString modelPath = m_projectFolder + QStringLiteral("/model.m");
    const QString projectFilePath = m_projectFolder + QStringLiteral("/annotations.xml");
    m_sourceRoot = QFileInfo(m_sourceDir).canonicalFilePath();
    if (m_sourceRoot.isEmpty() || !QFileInfo(m_sourceRoot).isDir()) {
        fail(m_sourceDir, QStringLiteral("not a folder that can be read"));
        return m_summary;
    }
    if (!m_options.overwrite) {
        for (const QString &path : {modelPath, projectFilePath}) {
            if (QFileInfo::exists(path)) {
                fail(path, QStringLiteral("exists already; --force replaces it"));
                return m_summary;
            }
        }
    }
    if (!QDir().mkpath(m_projectFolder)) {
        fail(m_projectFolder, QStringLiteral("cannot make this folder"));
        return m_summary;
    }
    m_projectRoot = QFileInfo(m_projectFolder).canonicalFilePath();
    if (m_projectRoot == m_sourceRoot) {
        fail(m_projectFolder,
             QStringLiteral("is the source folder itself, which is never written"));
        return m_summary;
    }
    m_madeFolders.insert(m_projectFolder);

    Folder root;
    m_summary.started = true;
    walk(m_sourceRoot, QString(), root);

    std::sort(m_features.begin(), m_features.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    m_summary.features = int(m_features.size());
    if (!writeFeatureModel())
        fail(modelPath, QStringLiteral("cannot be written"));
    if (!writeProjectFile(root))
        fail(projectFilePath, QStringLiteral("cannot be written"));
    return m_summary;
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
        const QString shownPath = m_sourceDir + QLatin1Char('/') + entryRelative;
        ConditionalScanner::Language language;
        const bool source = ConditionalScanner::languageOf(name, &language);
        QString canonical = entry.absoluteFilePath();
        if (entry.isSymLink()) {
            canonical = entry.canonicalFilePath();
            if (canonical.isEmpty() || !inside(canonical)) {
                if (source || entry.isDir())
                    m_diagnostics.warning(shownPath, 0, 0,
                                          canonical.isEmpty()
                                              ? QStringLiteral("broken symbolic link; skipped")
                                              : QStringLiteral("symbolic link leads out of the "
                                                               "source folder; not followed"));
                continue;
            }
        }
        if (hasControlCharacter(name)) {
            if (source || entry.isDir())
                m_diagnostics.warning(shownPath, 0, 0,
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
    const QString shownPath = m_sourceDir + QLatin1Char('/') + relative;
    // Unbuffered: the bytes go straight from one file into the other.
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fail(shownPath, QStringLiteral("cannot be read: ") + in.errorString());
        return;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        fail(shownPath, QStringLiteral("cannot be read: ") + in.errorString());
        return;
    }
    in.close();

    const QString target = m_projectFolder + QLatin1Char('/') + relative;
    const QString targetFolder = target.section(QLatin1Char('/'), 0, -2);
    if (!m_madeFolders.contains(targetFolder)) {
        if (!QDir().mkpath(targetFolder)) {
            fail(targetFolder, QStringLiteral("cannot make this folder"));
            return;
        }
        m_madeFolders.insert(targetFolder);
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
        || out.write(bytes) != bytes.size()) {
        fail(target, QStringLiteral("cannot be written: ") + out.errorString());
        return;
    }
    out.close();

    File file;
    file.name = relative.section(QLatin1Char('/'), -1);
    ConditionalScanner::Language language = ConditionalScanner::Language::C;
    ConditionalScanner::languageOf(file.name, &language);
    if (hasUnicodeMark(bytes)) {
        file.length = ProjectModel::countFileLines(target);
    } else {
        ConditionalScanner::Result scan = ConditionalScanner::scan(bytes, language);
        for (const ConditionalScanner::Warning &warning : std::as_const(scan.warnings))
            m_diagnostics.warning(shownPath, warning.line, 0, warning.text);
        for (const QString &name : std::as_const(scan.featureNames)) {
            if (!m_featureSet.contains(name)) {
                m_featureSet.insert(name);
                m_features.append(name);
            }
        }
        file.length = scan.lineCount;
        file.fragments = std::move(scan.fragments);
    }
    ++m_summary.files;
    m_summary.lines += file.length;
    m_summary.fragments += int(file.fragments.size());
    folder.files.push_back(std::move(file));
    if (m_options.progress)
        m_options.progress(m_summary.files);
}

bool Importer::writeFeatureModel()
{
    QSaveFile file(m_projectFolder + QStringLiteral("/model.m"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString root = rootFeatureName(m_projectFolder, m_features);
    file.write(featureModelText(root, m_features));
    return file.commit();
}

bool Importer::writeProjectFile(const Folder &root)
{
    QSaveFile file(m_projectFolder + QStringLiteral("/annotations.xml"));
    return file.open(QIODevice::WriteOnly)
           && ProjectImport::writeProjectFile(&file, QFileInfo(m_projectFolder).fileName(), root)
           && file.commit();
}

void writeFolder(QXmlStreamWriter &xml, const Folder &folder)
{
    for (const auto &sub : folder.folders) {
        xml.writeStartElement(QStringLiteral("folder"));
        xml.writeAttribute(QStringLiteral("name"), sub->name);
        writeFolder(xml, *sub);
        xml.writeEndElement();
    }
    for (const File &file : folder.files) {
        xml.writeStartElement(QStringLiteral("file"));
        xml.writeAttribute(QStringLiteral("name"), file.name);
        xml.writeAttribute(QStringLiteral("length"), QString::number(file.length));
        for (const ConditionalScanner::Fragment &fragment : file.fragments) {
            xml.writeStartElement(QStringLiteral("fragment"));
            xml.writeAttribute(QStringLiteral("startline"), QString::number(fragment.startLine));
            xml.writeAttribute(QStringLiteral("endline"), QString::number(fragment.endLine));
            xml.writeTextElement(QStringLiteral("feature"), fragment.expression);
            xml.writeEndElement();
        }
        xml.writeEndElement();
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
    if (features.isEmpty())
        return (root + QStringLiteral(" ;\n")).toUtf8();
    QString text = root + QStringLiteral(" :\n");
    for (qsizetype i = 0; i < features.size(); ++i)
        text += (i == 0 ? QStringLiteral("    ") : QStringLiteral("  | ")) + features.at(i)
                + QLatin1Char('\n');
    text += QStringLiteral("  ;\n");
    return text.toUtf8();
}

} // namespace ProjectImport
