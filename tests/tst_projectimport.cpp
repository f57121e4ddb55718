#include "support/testfiles.h"

#include "check/projectcheck.h"
#include "core/formats/diagnostics.h"
#include "core/formats/textdecoding.h"
#include "core/model/featuremodel.h"
#include "import/filteroptions.h"
#include "ui/featuretree/featuretreewidget.h"
#include "import/projectimport.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QCommandLineParser>
#include <QDirIterator>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <QXmlStreamReader>

#include <memory>

using namespace TestSupport;

class TestProjectImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void namesSurviveTheViewersReaders_data();
    void namesSurviveTheViewersReaders();
    void importedTreeChecksWithoutFindings();
    void existingProjectFilesNeedForce();
    void linksAreFollowedOnlyInsideTheSourceFolder();
    void filtersTakeASlice_data();
    void filtersTakeASlice();
    void groupedModelFoldsByPrefix();
    void probeMacroOfAnotherFile();

private:
    ProjectImport::Summary import(QStringList *lines = nullptr, bool overwrite = false,
                                  const QStringList &filterArguments = QStringList());
    // The files annotations.xml lists, and the leaves and inner features of model.m.
    QStringList listedFiles() const;
    FeatureTree importedModel() const;
    QString source(const QString &relative) const { return m_dir->filePath("src/" + relative); }
    QString project() const { return m_dir->filePath(QStringLiteral("study")); }
    static QMap<QString, QByteArray> filesBelow(const QString &folder);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProjectImport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProjectImport::cleanup()
{
    m_dir.reset();
}

ProjectImport::Summary TestProjectImport::import(QStringList *lines, bool overwrite,
                                                 const QStringList &filterArguments)
{
    Diagnostics diagnostics([lines](const QString &line) {
        if (lines)
            lines->append(line);
    });
    ProjectImport::Options options;
    options.overwrite = overwrite;
    // The filters as the command line gives them, through its own options.
    QCommandLineParser parser;
    const FilterOptions filterOptions;
    filterOptions.addTo(parser);
    if (!parser.parse(QStringList{QStringLiteral("featurehue")} + filterArguments))
        qWarning() << parser.errorText();
    QString error;
    if (!filterOptions.read(parser, &options.filters, &error))
        qWarning() << error;
    options.groupByPrefix = filterOptions.groupByPrefix(parser);
    return ProjectImport::run(m_dir->filePath(QStringLiteral("src")), project(), options,
                              diagnostics);
}

QStringList TestProjectImport::listedFiles() const
{
    QFile file(project() + QStringLiteral("/annotations.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList files;
    QStringList folders;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("folder"))
            folders.append(xml.attributes().value(QLatin1String("name")).toString());
        else if (xml.isEndElement() && xml.name() == QLatin1String("folder"))
            folders.removeLast();
        else if (xml.isStartElement() && xml.name() == QLatin1String("file"))
            files.append((folders + QStringList{xml.attributes().value(QLatin1String("name"))
                                                    .toString()})
                             .join(QLatin1Char('/')));
    }
    files.sort();
    return files;
}

FeatureTree TestProjectImport::importedModel() const
{
    return buildFeatureTree(parseFeatureModel(
        readTextFile(project() + QStringLiteral("/model.m"), NulCharacters::EndText)));
}

QMap<QString, QByteArray> TestProjectImport::filesBelow(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(it.filePath().mid(folder.size()), file.readAll());
    }
    return files;
}

void TestProjectImport::namesSurviveTheViewersReaders_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("features");

    // Another file makes the names that could be found by mistake features.
    QTest::newRow("name that begins another")
        << "a.c" << QByteArray("#ifdef A_B\n#endif\n") << QStringList{"A_B"};
    QTest::newRow("dollar sign") << "a.c" << QByteArray("#if defined(A$B)\n#endif\n")
                                 << QStringList{"A_B"};
    QTest::newRow("non-ASCII letters")
        << "a.c" << QByteArray("#if Gr\xc3\xb6\xc3\x9f" "e && A\n#endif\n")
        << QStringList{"A", "Größe"};
    QTest::newRow("the project folder's name") << "a.c" << QByteArray("#ifdef study\n#endif\n")
                                               << QStringList{"study"};
    QTest::newRow("probe naming a feature")
        << "a.c" << QByteArray("#if __has_include(<A.h>) && B\n#endif\n") << QStringList{"B"};
    QTest::newRow("Java dotted symbol")
        << "A.java" << QByteArray("//#if polish.A\n//#endif\n") << QStringList{"polish_A"};
    QTest::newRow("negated name") << "a.c" << QByteArray("#ifndef __cplusplus\n#endif\nint x;\n")
                                  << QStringList{"__cplusplus"};
    QTest::newRow("dead code is the feature if_0")
        << "a.c" << QByteArray("#if 0\nold();\n#endif\n") << QStringList{"if_0"};
}

void TestProjectImport::namesSurviveTheViewersReaders()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, features);

    QVERIFY(writeFile(source(file), text));
    QVERIFY(writeFile(source("other/names.h"),
                      "#if A || B || polish || study_ || __has_include || A_B_\n#endif\n"));
    const ProjectImport::Summary summary = import();
    QVERIFY(!summary.failed);

    // The feature tree and the project reader of the viewer.
    QListWidget palette;
    QFile model(project() + QStringLiteral("/model.m"));
    FeatureTreeWidget tree(nullptr, &model, &palette, nullptr);
    tree.buildFeatureList();
    QCOMPARE(tree.features()->size(), summary.features);
    SMVTreeWidget packageView;
    SMVTreeWidget featureView;
    ProjectReader reader(&packageView, &featureView, tree.features());
    QVERIFY(reader.readProjectFile(project() + QStringLiteral("/annotations.xml")));

    STNode *row = nullptr;
    for (QTreeWidgetItemIterator it(&packageView); *it; ++it) {
        if ((*it)->text(0) == file)
            row = dynamic_cast<STNode *>(*it);
    }
    QVERIFY(row);
    QStringList found;
    for (const Fragment &fragment : row->fragments()) {
        QCOMPARE(fragment.startLine, 1);
        found.append(fragment.feature->name());
    }
    found.sort();
    QCOMPARE(found, features);
}

void TestProjectImport::importedTreeChecksWithoutFindings()
{
    QVERIFY(writeFile(source("inc/guard.h"),
                      "#ifndef GUARD_H\n#define GUARD_H\n#ifdef __cplusplus\nextern \"C\" {\n"
                      "#endif\n#if 0\n#elif defined(A) && VERSION > 2\n#else\n#endif\n#endif\n"));
    QVERIFY(writeFile(source("latin1.c"), "/* caf\xe9 */\n#ifdef A\n#endif\n"));
    QVERIFY(writeFile(source("j/M.java"), "//#condition Sms\n//#if Copy\n//#endif\n"));
    QVERIFY(writeFile(source("open.c"), "#ifdef A\n#ifdef B\n#endif\n"));
    QVERIFY(writeFile(source("notes.txt"), "#ifdef NotAFeature\n"));
    const QMap<QString, QByteArray> before = filesBelow(m_dir->filePath(QStringLiteral("src")));

    QStringList lines;
    const ProjectImport::Summary summary = import(&lines);
    QVERIFY(!summary.failed);
    // Only the conditional left open is reported.
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().startsWith(m_dir->filePath("src/open.c") + ":1: warning: "));
    QCOMPARE(filesBelow(m_dir->filePath(QStringLiteral("src"))), before);
    QMap<QString, QByteArray> copied = filesBelow(project());
    QVERIFY(copied.remove(QStringLiteral("/model.m")));
    QVERIFY(copied.remove(QStringLiteral("/annotations.xml")));
    QMap<QString, QByteArray> sources = before;
    sources.remove(QStringLiteral("/notes.txt"));
    QCOMPARE(copied, sources);

    lines.clear();
    Diagnostics diagnostics([&lines](const QString &line) { lines.append(line); });
    ProjectCheck check(project(), diagnostics);
    check.run();
    QCOMPARE(check.fileCount(), 4);
    QCOMPARE(check.featureCount(), summary.features);
    // Only what a fresh import cannot have: tasks.
    QCOMPARE(lines, (QStringList{"latin1.c: note: not valid UTF-8; the viewer reads it as Latin-1",
                                 "questions.txt: note: missing; the questionnaire has no tasks"}));
}

void TestProjectImport::existingProjectFilesNeedForce()
{
    QVERIFY(writeFile(source("a.c"), "#ifdef A\n#endif\n"));
    QVERIFY(writeFile(project() + QStringLiteral("/model.m"), "Mine : X ;"));
    QStringList lines;
    QVERIFY(import(&lines).failed);
    QCOMPARE(lines.size(), 1);
    QFile model(project() + QStringLiteral("/model.m"));
    QVERIFY(model.open(QIODevice::ReadOnly));
    QCOMPARE(model.readAll(), QByteArray("Mine : X ;"));
    model.close();

    QVERIFY(!import(nullptr, true).failed);
    QVERIFY(model.open(QIODevice::ReadOnly));
    QVERIFY(model.readAll().contains("A"));
}

void TestProjectImport::linksAreFollowedOnlyInsideTheSourceFolder()
{
    QVERIFY(writeFile(source("real/a.h"), "#ifdef A\n#endif\n"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("outside/b.h")), "#ifdef B\n#endif\n"));
    QVERIFY(QFile::link(source("real/a.h"), source("inside.h")));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("outside")), source("out")));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("src")), source("real/loop")));

    QStringList lines;
    const ProjectImport::Summary summary = import(&lines);
    QVERIFY(!summary.failed);
    QCOMPARE(summary.files, 2); // real/a.h and inside.h; the loop is walked no further
    QVERIFY(QFileInfo(project() + QStringLiteral("/inside.h")).isFile());
    QVERIFY(!QFileInfo(project() + QStringLiteral("/inside.h")).isSymLink());
    QVERIFY(!QFileInfo::exists(project() + QStringLiteral("/out")));
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().startsWith(m_dir->filePath("src/out") + ": warning:"));
}

void TestProjectImport::filtersTakeASlice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<QString>("removed");

    // The fragments of the tree below, worked out by hand:
    //   lib/url.c           [BUFSIZE] (a default macro), [USE_OPENSSL]
    //   lib/vtls/gtls.c     [USE_GNUTLS, _WIN32], [if_0]
    //   lib/vtls/openssl.c  [USE_OPENSSL] holding [HAVE_X]
    //   src/tool.c          [_WIN32], [BUFSIZE]
    const QString gtls = QStringLiteral("lib/vtls/gtls.c");
    const QString openssl = QStringLiteral("lib/vtls/openssl.c");
    const QString url = QStringLiteral("lib/url.c");
    const QString tool = QStringLiteral("src/tool.c");
    QTest::newRow("a folder's files and the features of a prefix")
        << QStringList{"--include", "lib/vtls/**", "--features", "^USE_"}
        << QStringList{gtls, openssl} << QStringList{"USE_GNUTLS", "USE_OPENSSL"}
        << "--include 'lib/vtls/**' removed 2 files; --features '^USE_' removed 3 features "
           "and 2 fragments";
    QTest::newRow("compiler macros and dead code ignored")
        << QStringList{"--ignore", "^_", "--ignore", "^if_0$"} << QStringList{url, gtls, openssl, tool}
        << QStringList{"BUFSIZE", "HAVE_X", "USE_GNUTLS", "USE_OPENSSL"}
        << "--ignore '^_' removed 1 feature and 1 fragment; --ignore '^if_0$' removed 1 feature "
           "and 1 fragment";
    QTest::newRow("fragments counted in the files kept so far")
        << QStringList{"--include", "lib/**", "--min-fragments", "2"}
        << QStringList{url, gtls, openssl} << QStringList{"USE_OPENSSL"}
        << "--include 'lib/**' removed 1 file; --min-fragments 2 removed 5 features and 4 "
           "fragments";
    QTest::newRow("fragments counted before the files are chosen")
        << QStringList{"--min-fragments", "2", "--include", "lib/**"}
        << QStringList{url, gtls, openssl} << QStringList{"BUFSIZE", "USE_OPENSSL", "_WIN32"}
        << "--min-fragments 2 removed 3 features and 2 fragments; --include 'lib/**' removed 1 "
           "file";
    QTest::newRow("a feature only defaults use goes")
        << QStringList{"--exclude", "src/**", "--no-default-macros"} << QStringList{url, gtls, openssl}
        << QStringList{"HAVE_X", "USE_GNUTLS", "USE_OPENSSL", "_WIN32", "if_0"}
        << "--exclude 'src/**' removed 1 file; --no-default-macros removed 1 feature and 1 "
           "fragment";
    QTest::newRow("a feature used beyond its default stays")
        << QStringList{"--no-default-macros"} << QStringList{url, gtls, openssl, tool}
        << QStringList{"BUFSIZE", "HAVE_X", "USE_GNUTLS", "USE_OPENSSL", "_WIN32", "if_0"}
        << "--no-default-macros removed nothing";
    QTest::newRow("a later include adds its files")
        << QStringList{"--include", "lib/vtls/**", "--include=src/**"}
        << QStringList{gtls, openssl, tool}
        << QStringList{"BUFSIZE", "HAVE_X", "USE_GNUTLS", "USE_OPENSSL", "_WIN32", "if_0"}
        << "--include 'lib/vtls/**' removed 2 files; --include 'src/**' added 1 file";
    QTest::newRow("a folder excluded by its name")
        << QStringList{"--exclude", "lib"} << QStringList{tool}
        << QStringList{"BUFSIZE", "_WIN32"} << "--exclude 'lib' removed 3 files";
}

void TestProjectImport::filtersTakeASlice()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, files);
    QFETCH(QStringList, features);
    QFETCH(QString, removed);

    QVERIFY(writeFile(source("lib/url.c"), "#ifndef BUFSIZE\n#define BUFSIZE 16\n#endif\n"
                                           "#ifdef USE_OPENSSL\nz\n#endif\nint a;\n"));
    QVERIFY(writeFile(source("lib/vtls/gtls.c"),
                      "#if defined(USE_GNUTLS) && !defined(_WIN32)\nx\n#endif\n#if 0\nold\n"
                      "#endif\n"));
    QVERIFY(writeFile(source("lib/vtls/openssl.c"),
                      "#ifdef USE_OPENSSL\nx\n#ifdef HAVE_X\ny\n#endif\n#endif\n"));
    QVERIFY(writeFile(source("src/tool.c"), "#ifdef _WIN32\nw\n#endif\n#ifdef BUFSIZE\n#endif\n"));

    const ProjectImport::Summary summary = import(nullptr, false, arguments);
    QVERIFY(!summary.failed);
    QCOMPARE(ProjectFilter::describe(summary.filterResults), removed);
    QCOMPARE(listedFiles(), files);
    // Only the files listed are copied.
    QMap<QString, QByteArray> copied = filesBelow(project());
    copied.remove(QStringLiteral("/model.m"));
    copied.remove(QStringLiteral("/annotations.xml"));
    QStringList copiedFiles;
    for (const QString &path : copied.keys())
        copiedFiles.append(path.mid(1));
    QCOMPARE(copiedFiles, files);

    const FeatureTree model = importedModel();
    QStringList leaves;
    for (const FeatureTree::Item &item : model.items) {
        if (item.parent >= 0)
            leaves.append(item.name);
    }
    leaves.sort();
    features.sort();
    QCOMPARE(leaves, features);
    QCOMPARE(summary.features, int(features.size()));

    Diagnostics diagnostics([](const QString &) {});
    ProjectCheck check(project(), diagnostics);
    check.run();
    QCOMPARE(diagnostics.errors(), 0);
}

void TestProjectImport::groupedModelFoldsByPrefix()
{
    QVERIFY(writeFile(source("a.c"), "#if HAVE_A || HAVE_B || HAVE_C || USE_X || USE_Y\n#endif\n"
                                     "#if CURL_DISABLE_A || CURL_DISABLE_B || CURL_DISABLE_C\n"
                                     "#endif\n#if CURL_WIN32 && !CURL_STATICLIB\n#endif\n"));
    QVERIFY(!import(nullptr, false, {QStringLiteral("--group-by-prefix")}).failed);

    // Read back as the viewer reads model.m: the groups are inner features.
    const FeatureTree model = importedModel();
    QStringList shape;
    for (int item : model.preOrder()) {
        const FeatureTree::Item &entry = model.items.at(item);
        QStringList children;
        for (int child : entry.children)
            children.append(model.items.at(child).name);
        if (!children.isEmpty())
            shape.append(entry.name + QLatin1Char(':') + children.join(QLatin1Char('|')));
    }
    QCOMPARE(shape, (QStringList{"study:CURL_|HAVE_|USE_X|USE_Y",
                                 "CURL_:CURL_DISABLE_|CURL_STATICLIB|CURL_WIN32",
                                 "CURL_DISABLE_:CURL_DISABLE_A|CURL_DISABLE_B|CURL_DISABLE_C",
                                 "HAVE_:HAVE_A|HAVE_B|HAVE_C"}));
    Diagnostics diagnostics([](const QString &) {});
    ProjectCheck check(project(), diagnostics);
    check.run();
    QCOMPARE(diagnostics.errors(), 0);
    QCOMPARE(check.featureCount(), 10);
}

void TestProjectImport::probeMacroOfAnotherFile()
{
    // The macro is defined in a file read after the one that uses it.
    QVERIFY(writeFile(source("a_use.c"), "#if A && HAS_ATTRIBUTE(packed)\n#endif\n"));
    QVERIFY(writeFile(source("b_compat.h"), "#define HAS_ATTRIBUTE(x) __has_attribute(x)\n"));
    const ProjectImport::Summary summary = import();
    QVERIFY(!summary.failed);
    QCOMPARE(summary.features, 1);
    QFile annotations(project() + QStringLiteral("/annotations.xml"));
    QVERIFY(annotations.open(QIODevice::ReadOnly));
    QVERIFY(annotations.readAll().contains("<feature>A &amp;&amp; HAS_ATTRIBUTE(...)</feature>"));
}

QTEST_MAIN(TestProjectImport)
#include "tst_projectimport.moc"
