#include "support/testfiles.h"

#include "check/projectcheck.h"
#include "core/formats/diagnostics.h"
#include "core/model/featuremodel.h"
#include "import/projectimport.h"
#include "subset/featuretable.h"
#include "subset/projectcontents.h"
#include "subset/projectsubset.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QDirIterator>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <QXmlStreamReader>

#include <memory>

using namespace TestSupport;

class TestProjectSubset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void subsetKeepsTheChosenSlice_data();
    void subsetKeepsTheChosenSlice();
    void viewerShowsOnlyTheChosenFeatures();
    void severalFeaturesOfOneFragmentStayTogether_data();
    void severalFeaturesOfOneFragmentStayTogether();
    void studyFilesComeAlong();
    void pathsOutOfTheFolderAreNotFollowed();
    void projectFolderIsNeverWritten();
    void importedModelGroupsInTheSlice();
    void modelLosesWhatHasNoLeaves_data();
    void modelLosesWhatHasNoLeaves();
    void featureTableCountsByHand();
    void featureTableSortsAndQuotes_data();
    void featureTableSortsAndQuotes();

private:
    ProjectSubset::Summary subset(const QStringList &arguments, QStringList *lines = nullptr);
    QString chat() const { return m_dir->filePath(QStringLiteral("chat")); }
    QString out() const { return m_dir->filePath(QStringLiteral("out")); }
    static bool copyFolder(const QString &from, const QString &to);
    static QStringList leavesOf(const QString &folder);
    static int checkErrors(const QString &folder);
    // The feature texts of every fragment of a file in annotations.xml, "start:text|text".
    static QStringList fragmentsOf(const QString &folder, const QString &file);
    // A made-up project whose feature table is worked out by hand.
    void writeCountedProject(const QString &folder);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProjectSubset::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(copyFolder(QStringLiteral(FEATUREHUE_EXAMPLES_DIR "/chat"), chat()));
}

void TestProjectSubset::cleanup()
{
    m_dir.reset();
}

bool TestProjectSubset::copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)
            || !writeFile(to + path.mid(from.size()), file.readAll()))
            return false;
    }
    return true;
}

ProjectSubset::Summary TestProjectSubset::subset(const QStringList &arguments, QStringList *lines)
{
    using Kind = ProjectFilter::Step::Kind;
    const QHash<QString, Kind> kinds = {{"--include", Kind::Include},
                                        {"--exclude", Kind::Exclude},
                                        {"--features", Kind::Features},
                                        {"--ignore", Kind::Ignore},
                                        {"--min-fragments", Kind::MinFragments}};
    ProjectSubset::Options options;
    for (qsizetype i = 0; i + 1 < arguments.size(); i += 2) {
        ProjectFilter::Step step;
        QString error;
        if (!ProjectFilter::makeStep(kinds.value(arguments.at(i)), arguments.at(i + 1), &step,
                                     &error))
            qWarning() << error;
        options.filters.append(step);
    }
    Diagnostics diagnostics([lines](const QString &line) {
        if (lines)
            lines->append(line);
    });
    return ProjectSubset::run(chat(), out(), options, diagnostics);
}

QStringList TestProjectSubset::leavesOf(const QString &folder)
{
    QFile file(folder + QStringLiteral("/model.m"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const FeatureTree tree = buildFeatureTree(parseFeatureModel(QString::fromUtf8(file.readAll())));
    QStringList leaves;
    for (int item : tree.preOrder()) {
        if (tree.items.at(item).children.isEmpty())
            leaves.append(tree.items.at(item).name);
    }
    leaves.sort();
    return leaves;
}

int TestProjectSubset::checkErrors(const QString &folder)
{
    Diagnostics diagnostics([](const QString &) {});
    ProjectCheck check(folder, diagnostics);
    check.run();
    return diagnostics.errors();
}

QStringList TestProjectSubset::fragmentsOf(const QString &folder, const QString &file)
{
    QFile annotations(folder + QStringLiteral("/annotations.xml"));
    if (!annotations.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&annotations);
    QStringList fragments;
    bool inFile = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("file"))
            inFile = xml.attributes().value(QLatin1String("name")) == file;
        else if (inFile && xml.isStartElement() && xml.name() == QLatin1String("fragment"))
            fragments.append(xml.attributes().value(QLatin1String("startline")).toString()
                             + QLatin1Char(':'));
        else if (inFile && xml.isStartElement() && xml.name() == QLatin1String("feature"))
            fragments.last() += (fragments.last().endsWith(QLatin1Char(':')) ? QString()
                                                                              : QStringLiteral("|"))
                                + xml.readElementText();
    }
    return fragments;
}

void TestProjectSubset::subsetKeepsTheChosenSlice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("leaves");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("fragments");
    QTest::addColumn<int>("sources");

    // Counted by hand in examples/chat/annotations.xml: 20 source files (of
    // which src/chat/ui/GuiView.java is missing on disk), 56 fragments in
    // them; 12 name Caesar or Reverse; Base has 2, every other feature at
    // least 4.
    const QStringList all{"Authentication", "Base", "Caesar", "Color", "Emoticons",
                          "History", "Local", "Reverse", "Spamfilter", "Tcp"};
    QTest::newRow("two features")
        << QStringList{"--features", "Caesar|Reverse"} << QStringList{"Caesar", "Reverse"} << 20
        << 12 << 19;
    QTest::newRow("a folder's files keep the whole model")
        << QStringList{"--include", "src/chat/crypto/**"} << all << 4 << 7 << 4;
    QTest::newRow("features of few fragments go")
        << QStringList{"--min-fragments", "3"}
        << QStringList{"Authentication", "Caesar", "Color", "Emoticons", "History", "Local",
                       "Reverse", "Spamfilter", "Tcp"}
        << 20 << 54 << 19;
    QTest::newRow("a folder left out")
        << QStringList{"--exclude", "src"} << all << 2 << 4 << 2;
}

void TestProjectSubset::subsetKeepsTheChosenSlice()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, leaves);
    QFETCH(int, files);
    QFETCH(int, fragments);
    QFETCH(int, sources);

    QCOMPARE(checkErrors(chat()), 0);
    const ProjectSubset::Summary summary = subset(arguments);
    QVERIFY(!summary.failed);
    QCOMPARE(leavesOf(out()), leaves);
    QCOMPARE(summary.features, int(leaves.size()));
    QCOMPARE(summary.files, files);
    QCOMPARE(summary.fragments, fragments);
    QCOMPARE(checkErrors(out()), 0);
    // The sources copied are those listed that exist.
    int copied = 0;
    QDirIterator it(out(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        copied += ProjectModel::isSourceName(it.next()) ? 1 : 0;
    QCOMPARE(copied, sources);
}

void TestProjectSubset::viewerShowsOnlyTheChosenFeatures()
{
    QVERIFY(!subset({QStringLiteral("--features"), QStringLiteral("Caesar|Reverse")}).failed);

    // Every record the viewer's reader makes of the slice is one it made of
    // the whole project for Caesar or Reverse, and the other way round.
    const auto records = [](const QString &folder, const QStringList &features) {
        QListWidget palette;
        QFile model(folder + QStringLiteral("/model.m"));
        FeatureTreeWidget tree(nullptr, &model, &palette, nullptr);
        tree.buildFeatureList();
        SMVTreeWidget packageView;
        SMVTreeWidget featureView;
        ProjectReader reader(&packageView, &featureView, tree.features());
        reader.readProjectFile(folder + QStringLiteral("/annotations.xml"));
        QStringList found;
        for (QTreeWidgetItemIterator it(&packageView); *it; ++it) {
            auto *row = dynamic_cast<STNode *>(*it);
            if (!row || (*it)->childCount() > 0)
                continue;
            for (const Fragment &fragment : row->fragments()) {
                if (features.contains(fragment.feature->name()))
                    found.append(QStringLiteral("%1:%2+%3 %4")
                                     .arg((*it)->text(0))
                                     .arg(fragment.startLine)
                                     .arg(fragment.lineSpan)
                                     .arg(fragment.feature->name()));
            }
        }
        found.sort();
        return found;
    };
    const QStringList chosen{"Caesar", "Reverse"};
    const QStringList inSlice = records(out(), leavesOf(out()));
    QCOMPARE(inSlice, records(chat(), chosen));
    QCOMPARE(inSlice.size(), 19); // 12 fragments; 7 of them are expressions naming both
}

void TestProjectSubset::severalFeaturesOfOneFragmentStayTogether_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fragment");

    // Server.java line 61 is one fragment of Spamfilter and History.
    QTest::newRow("both kept") << QStringList{"--ignore", "Color"} << "61:Spamfilter|History";
    QTest::newRow("one of them goes") << QStringList{"--ignore", "History"} << "61:Spamfilter";
}

void TestProjectSubset::severalFeaturesOfOneFragmentStayTogether()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fragment);

    QVERIFY(fragmentsOf(chat(), QStringLiteral("Server.java"))
                .contains(QStringLiteral("61:Spamfilter|History")));
    QVERIFY(!subset(arguments).failed);
    const QStringList fragments = fragmentsOf(out(), QStringLiteral("Server.java"));
    QVERIFY2(fragments.contains(fragment), qPrintable(fragments.join(QLatin1Char(' '))));
    QCOMPARE(checkErrors(out()), 0);
}

void TestProjectSubset::studyFilesComeAlong()
{
    QVERIFY(writeFile(chat() + QStringLiteral("/questions.txt"),
                      "Look <img src=\"pics/arch.png\">.$Where?|2\n;\n"));
    QVERIFY(writeFile(chat() + QStringLiteral("/pics/arch.png"), "png"));
    QVERIFY(writeFile(chat() + QStringLiteral("/pics/unused.png"), "png"));
    QVERIFY(writeFile(chat() + QStringLiteral("/study.json"),
                      "{\"conditions\": [{\"name\": \"preset\", \"assignment\": "
                      "\"savedColorAssignments/chat1.txt\"}, {\"name\": \"out\", \"assignment\": "
                      "\"../elsewhere.txt\"}]}"));
    QVERIFY(writeFile(chat() + QStringLiteral("/savedColorAssignments/chat1.txt"), "<x/>"));
    QVERIFY(writeFile(chat() + QStringLiteral("/savedColorAssignments/chat2.txt"), "<x/>"));
    QVERIFY(writeFile(chat() + QStringLiteral("/answer-key.csv"), "task,question,match,expected\n"));
    QVERIFY(writeFile(chat() + QStringLiteral("/participants.csv"), "account,condition,order\n"));
    QVERIFY(writeFile(chat() + QStringLiteral("/p1_anna_log.txt"), "code$...\n"));

    const ProjectSubset::Summary summary = subset({QStringLiteral("--features"), QStringLiteral("Tcp")});
    QVERIFY(!summary.failed);
    QStringList copied;
    QDirIterator it(out(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(out().size() + 1);
        if (!ProjectModel::isSourceName(path))
            copied.append(path);
    }
    copied.sort();
    QCOMPARE(copied, (QStringList{"annotations.xml", "answer-key.csv", "model.m",
                                  "participants.csv", "pics/arch.png", "questions.txt",
                                  "savedColorAssignments/chat1.txt", "study.json"}));
    QCOMPARE(summary.studyFiles, 6);
    // The one error of both folders: the condition "out" names an assignment
    // outside the study folder, which the check refuses; the slice adds none.
    QCOMPARE(checkErrors(chat()), 1);
    QCOMPARE(checkErrors(out()), 1);

    // A second subset into the same folder replaces nothing without --force.
    QStringList lines;
    QVERIFY(subset({QStringLiteral("--features"), QStringLiteral("Local")}, &lines).failed);
    QCOMPARE(leavesOf(out()), QStringList{"Tcp"});
}

void TestProjectSubset::pathsOutOfTheFolderAreNotFollowed()
{
    const QString project = m_dir->filePath(QStringLiteral("deep/project"));
    QVERIFY(writeFile(project + QStringLiteral("/model.m"), "R : A ;"));
    QVERIFY(writeFile(project + QStringLiteral("/annotations.xml"),
                      "<project name=\"p\"><folder name=\"..\"><file name=\"evil.c\" length=\"1\">"
                      "<fragment startline=\"1\" endline=\"1\"><feature>A</feature></fragment>"
                      "</file></folder><file name=\"good.c\" length=\"1\"><fragment startline=\"1\" "
                      "endline=\"1\"><feature>A</feature></fragment></file></project>"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("deep/evil.c")), "x\n"));
    QVERIFY(writeFile(project + QStringLiteral("/good.c"), "y\n"));

    QStringList lines;
    Diagnostics diagnostics([&lines](const QString &line) { lines.append(line); });
    const QString target = m_dir->filePath(QStringLiteral("slices/one"));
    const ProjectSubset::Summary summary =
        ProjectSubset::run(project, target, ProjectSubset::Options(), diagnostics);
    QVERIFY(!summary.failed);
    QCOMPARE(summary.files, 1);
    QVERIFY(QFileInfo(target + QStringLiteral("/good.c")).isFile());
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("slices/evil.c"))));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains(QLatin1String("outside")), qPrintable(lines.first()));
    QVERIFY(!ProjectContents::isInsideFolder(QStringLiteral("a/../../b.c")));
    QVERIFY(!ProjectContents::isInsideFolder(QStringLiteral("/etc/passwd")));
}

void TestProjectSubset::projectFolderIsNeverWritten()
{
    const QByteArray model = [this] {
        QFile file(chat() + QStringLiteral("/model.m"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    for (const QString &target : {chat(), m_dir->path()}) {
        ProjectSubset::Options options;
        options.overwrite = true;
        ProjectFilter::Step step;
        QString error;
        QVERIFY(ProjectFilter::makeStep(ProjectFilter::Step::Kind::Features,
                                        QStringLiteral("Tcp"), &step, &error));
        options.filters.append(step);
        Diagnostics diagnostics([](const QString &) {});
        QVERIFY(ProjectSubset::run(chat(), target, options, diagnostics).failed);
        QFile file(chat() + QStringLiteral("/model.m"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), model);
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("model.m"))));
    }
}

void TestProjectSubset::importedModelGroupsInTheSlice()
{
    const QString sources = m_dir->filePath(QStringLiteral("sources"));
    const QString imported = m_dir->filePath(QStringLiteral("imported"));
    QVERIFY(writeFile(sources + QStringLiteral("/a.c"),
                      "#if HAVE_A || HAVE_B || HAVE_C || USE_X || Other\n#endif\n"));
    Diagnostics quiet([](const QString &) {});
    QVERIFY(!ProjectImport::run(sources, imported, ProjectImport::Options(), quiet).failed);

    ProjectSubset::Options options;
    options.groupByPrefix = true;
    ProjectFilter::Step step;
    QString error;
    QVERIFY(ProjectFilter::makeStep(ProjectFilter::Step::Kind::Ignore, QStringLiteral("^USE_"),
                                    &step, &error));
    options.filters.append(step);
    QVERIFY(!ProjectSubset::run(imported, out(), options, quiet).failed);
    QFile model(out() + QStringLiteral("/model.m"));
    QVERIFY(model.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(model.readAll()),
             QStringLiteral("imported :\n    HAVE_\n  | Other\n  ;\n"
                            "HAVE_ :\n    HAVE_A\n  | HAVE_B\n  | HAVE_C\n  ;\n"));
    QCOMPARE(checkErrors(out()), 0);
}

void TestProjectSubset::modelLosesWhatHasNoLeaves_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QString>("reduced"); // model.m as written

    QTest::newRow("a leaf goes, its parent stays")
        << "R : A | B ; B : C | D ;" << QStringList{"C"} << "R :\n    A\n  | B\n  ;\nB :\n    D\n  ;\n";
    QTest::newRow("a parent left without children goes")
        << "R : A | B ; B : C | D ;" << QStringList{"C", "D"} << "R :\n    A\n  ;\n";
    QTest::newRow("the root stays when all goes")
        << "R : A | B ;" << QStringList{"A", "B"} << "R ;\n";
    QTest::newRow("a second tree left empty goes")
        << "R : A ; S : B ;" << QStringList{"B"} << "R :\n    A\n  ;\n";
    QTest::newRow("brackets and line breaks carry no meaning")
        << "R : [A] |\n B ;" << QStringList{} << "R :\n    A\n  | B\n  ;\n";
}

void TestProjectSubset::modelLosesWhatHasNoLeaves()
{
    QFETCH(QString, model);
    QFETCH(QStringList, removed);
    QFETCH(QString, reduced);

    const FeatureTree tree = buildFeatureTree(parseFeatureModel(model));
    const QSet<QString> gone(removed.begin(), removed.end());
    QCOMPARE(QString::fromUtf8(ProjectImport::featureModelText(
                 ProjectSubset::reducedModel(tree, gone))),
             reduced);
}

void TestProjectSubset::writeCountedProject(const QString &folder)
{
    QVERIFY(writeFile(folder + QStringLiteral("/model.m"), "R : A | B | C | D | E ;"));
    QVERIFY(writeFile(folder + QStringLiteral("/a.c"),
                      "#ifndef A\n#define A 1\n#endif\nb\nb\nb\nbc\nb\nb\nz\n"));
    QVERIFY(writeFile(folder + QStringLiteral("/x,y/b.c"), "z\ncd\ncd\nz\n"));
    QVERIFY(writeFile(
        folder + QStringLiteral("/annotations.xml"),
        "<project name=\"p\"><file name=\"a.c\" length=\"10\">"
        "<fragment startline=\"1\" endline=\"3\"><feature>!A</feature></fragment>"
        "<fragment startline=\"4\" endline=\"9\"><feature>B</feature></fragment>"
        "<fragment startline=\"5\" endline=\"6\"><feature>B</feature></fragment>"
        "<fragment startline=\"7\" endline=\"7\"><feature>B || C</feature></fragment>"
        "</file><folder name=\"x,y\"><file name=\"b.c\" length=\"4\">"
        "<fragment startline=\"2\" endline=\"3\"><feature>C</feature><feature>D</feature>"
        "</fragment></file></folder></project>"));
}

void TestProjectSubset::featureTableCountsByHand()
{
    const QString folder = m_dir->filePath(QStringLiteral("counted"));
    writeCountedProject(folder);
    ProjectContents project;
    QString error;
    QVERIFY2(project.read(folder, &error), qPrintable(error));
    QStringList rows;
    for (const FeatureTable::Row &row : FeatureTable::rows(project))
        rows.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                        .arg(row.feature)
                        .arg(row.fragments)
                        .arg(row.lines)
                        .arg(row.files)
                        .arg(row.first())
                        .arg(row.defaultOnly ? 1 : 0));
    // B's nested fragment counts as a fragment, its lines once; C's lines in
    // two files; A only gives a default.
    QCOMPARE(rows, (QStringList{"A 1 3 1 a.c:1 1", "B 3 6 1 a.c:4 0", "C 2 3 2 a.c:7 0",
                                "D 1 2 1 x,y/b.c:2 0", "E 0 0 0  0"}));
}

void TestProjectSubset::featureTableSortsAndQuotes_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<QString>("order");

    QTest::newRow("most fragments first, ties by name") << "fragments" << false << "B C A D E";
    QTest::newRow("reversed") << "fragments" << true << "E D A C B";
    QTest::newRow("most lines first") << "lines" << false << "B A C D E";
    QTest::newRow("most files first") << "files" << false << "C A B D E";
    QTest::newRow("first place, by line number") << "first" << false << "A B C D E";
    QTest::newRow("defaults first") << "default_only" << false << "A B C D E";
    QTest::newRow("by name") << "feature" << true << "E D C B A";
}

void TestProjectSubset::featureTableSortsAndQuotes()
{
    QFETCH(QString, column);
    QFETCH(bool, reverse);
    QFETCH(QString, order);

    const QString folder = m_dir->filePath(QStringLiteral("counted"));
    writeCountedProject(folder);
    ProjectContents project;
    QString error;
    QVERIFY(project.read(folder, &error));
    QList<FeatureTable::Row> rows = FeatureTable::rows(project);
    FeatureTable::Column sortColumn;
    QVERIFY(FeatureTable::columnNamed(column, &sortColumn));
    FeatureTable::sort(rows, sortColumn, reverse);
    QStringList names;
    for (const FeatureTable::Row &row : std::as_const(rows))
        names.append(row.feature);
    QCOMPARE(names.join(QLatin1Char(' ')), order);

    // One CSV line per row after the header; a place with a comma is quoted.
    const QStringList lines = FeatureTable::csv(rows).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), rows.size() + 1);
    QVERIFY(lines.contains(QStringLiteral("D,1,2,1,\"x,y/b.c:2\",0")));
}

QTEST_MAIN(TestProjectSubset)
#include "tst_projectsubset.moc"
