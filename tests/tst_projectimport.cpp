#include "support/testfiles.h"

#include "check/projectcheck.h"
#include "core/formats/diagnostics.h"
#include "ui/featuretree/featuretreewidget.h"
#include "import/projectimport.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QDirIterator>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItemIterator>

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

private:
    ProjectImport::Summary import(QStringList *lines = nullptr, bool overwrite = false);
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

ProjectImport::Summary TestProjectImport::import(QStringList *lines, bool overwrite)
{
    Diagnostics diagnostics([lines](const QString &line) {
        if (lines)
            lines->append(line);
    });
    ProjectImport::Options options;
    options.overwrite = overwrite;
    return ProjectImport::run(m_dir->filePath(QStringLiteral("src")), project(), options,
                              diagnostics);
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

QTEST_MAIN(TestProjectImport)
#include "tst_projectimport.moc"
