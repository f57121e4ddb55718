// A study folder whose model.m or annotations.xml is damaged, foreign or
// huge: the window still starts, shows what can be read, and says on the
// console why the rest is missing.

#include "support/outputcapture.h"
#include "support/testfiles.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include <memory>

namespace {

const QByteArray exampleModel = "Root : Base | Net | Crypt ;\nCrypt : Caesar | Reverse ;\n";

// One source file with one fragment of Net on lines 2 to 3.
const QByteArray exampleAnnotations =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<project name=\"p\">\n"
    "  <folder name=\"src\">\n"
    "    <file name=\"A.java\" length=\"4\">\n"
    "      <fragment startline=\"2\" endline=\"3\"><feature>Net</feature></fragment>\n"
    "    </file>\n"
    "  </folder>\n"
    "</project>\n";

const QByteArray exampleSource = "class A {\n  void send() {}\n  void receive() {}\n}\n";

QStringList texts(const QList<QTreeWidgetItem *> &items)
{
    QStringList result;
    for (const QTreeWidgetItem *item : items)
        result.append(item->text(0));
    return result;
}

QStringList topLevelTexts(const QTreeWidget *tree)
{
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        items.append(tree->topLevelItem(i));
    return texts(items);
}

QStringList featureNames(const FeatureList &features)
{
    QStringList names;
    for (const Feature &feature : features)
        names.append(feature.name());
    return names;
}

QByteArray utf16WithMark(const QString &text)
{
    return QByteArray("\xff\xfe", 2)
           + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// The rows of a tree in pre-order, as "label" or "parent/label" paths.
QStringList rowPaths(QTreeWidget *tree)
{
    QStringList paths;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QString path = (*it)->text(0);
        for (QTreeWidgetItem *up = (*it)->parent(); up; up = up->parent())
            path.prepend(up->text(0) + QLatin1Char('/'));
        paths.append(path);
    }
    return paths;
}

} // namespace

class TestBadInputProject : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void featureModel_data();
    void featureModel();
    void binaryFeatureModel();
    void tenThousandFeatures();
    void featureNamesWithPatternCharacters_data();
    void featureNamesWithPatternCharacters();

    void projectFile_data();
    void projectFile();
    void binaryProjectFile();
    void fragmentOutsideItsFile_data();
    void fragmentOutsideItsFile();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    MainWindow &openWindow();
    QTreeWidget *packageView() const;
    QTreeWidget *featureView() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
};

void TestBadInputProject::initTestCase()
{
    qputenv("USERNAME", "tester");
}

void TestBadInputProject::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("model.m")), exampleModel));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")), exampleAnnotations));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("src/A.java")), exampleSource));
}

void TestBadInputProject::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

MainWindow &TestBadInputProject::openWindow()
{
    m_window = std::make_unique<MainWindow>(m_dir->path());
    return *m_window;
}

QTreeWidget *TestBadInputProject::packageView() const
{
    return m_window->findChild<QTreeWidget *>(QStringLiteral("treeWidget_packageView"));
}

QTreeWidget *TestBadInputProject::featureView() const
{
    return m_window->findChild<QTreeWidget *>(QStringLiteral("treeWidget_featureView"));
}

// model.m -------------------------------------------------------------------

void TestBadInputProject::featureModel_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<missing>" and "<directory>" stand for those
    QTest::addColumn<QStringList>("topLevel");
    QTest::addColumn<QStringList>("features");

    const QStringList empty{QStringLiteral("empty")};
    QTest::newRow("missing: one row 'empty'") << QByteArray("<missing>") << empty << empty;
    QTest::newRow("empty: one row 'empty'") << QByteArray() << empty << empty;
    QTest::newRow("unreadable (a folder): one row 'empty'")
        << QByteArray("<directory>") << empty << empty;
    QTest::newRow("only separators: one row 'empty'") << QByteArray(" [ ] ;\n;\t;") << empty
                                                       << empty;
    // A:B:C|D keeps A:B, ":|" is a nameless head with two nameless children,
    // and B:X hangs X under the B found below A.
    QTest::newRow("malformed statements: rows as split, nothing rejected")
        << QByteArray("A:B:C|D;;:|;B:X;") << QStringList{"A", ""}
        << QStringList{"X", "", ""};
    QTest::newRow("no closing ';': one statement")
        << QByteArray("A:B|C") << QStringList{"A"} << QStringList{"B", "C"};
    QTest::newRow("Latin-1 names read as Latin-1")
        << QByteArray("Wurzel:Gr\xf6\xdf" "e|Ma\xdf" "e;") << QStringList{"Wurzel"}
        << QStringList{QStringLiteral("Größe"), QStringLiteral("Maße")};
    QTest::newRow("UTF-8 names read as UTF-8")
        << QStringLiteral("Wurzel:Größe|Maße;").toUtf8() << QStringList{"Wurzel"}
        << QStringList{QStringLiteral("Größe"), QStringLiteral("Maße")};
    QTest::newRow("NUL byte ends the model")
        << QByteArray("A:B|C\0D|E;Z:Y;", 14) << QStringList{"A"} << QStringList{"B", "C"};
    QTest::newRow("cycle of heads: each name once, no endless tree")
        << QByteArray("A:B;B:C;C:A;") << QStringList{"A"} << QStringList{"A"};
}

void TestBadInputProject::featureModel()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, topLevel);
    QFETCH(QStringList, features);

    const QString model = path(QStringLiteral("model.m"));
    QFile::remove(model);
    if (bytes == "<directory>")
        QVERIFY(QDir().mkdir(model));
    else if (bytes != "<missing>")
        QVERIFY(TestSupport::writeFile(model, bytes));

    MainWindow &window = openWindow();
    QCOMPARE(topLevelTexts(window.featureTree()), topLevel);
    QCOMPARE(featureNames(*window.featureTree()->features()), features);
    // Every feature is paired with a colour, and the project is still read.
    QCOMPARE(window.colorManager()->FCPList.size(), features.size());
    QCOMPARE(topLevelTexts(packageView()), QStringList{"p"});
}

void TestBadInputProject::binaryFeatureModel()
{
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("model.m")),
                                   TestSupport::binaryBytes(64 * 1024)));
    MainWindow &window = openWindow();

    // Whatever the bytes give, every leaf is a feature, each with a colour.
    FeatureTreeWidget *tree = window.featureTree();
    int leaves = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        leaves += (*it)->childCount() == 0 ? 1 : 0;
    QVERIFY(leaves > 0);
    QCOMPARE(tree->features()->size(), leaves);
    QCOMPARE(window.colorManager()->FCPList.size(), leaves);
    QCOMPARE(topLevelTexts(packageView()), QStringList{"p"});
}

// Ten thousand features, every tenth of them annotated in one of ten files:
// the window starts with all of them in the feature tree, the palette, the
// pairs and the feature view.
void TestBadInputProject::tenThousandFeatures()
{
    QByteArray model = "Root : ";
    QByteArray files;
    for (int i = 0; i < 10000; ++i) {
        model += (i ? "|F" : "F") + QByteArray::number(i);
        if (i % 10 != 0)
            continue;
        if (i % 1000 == 0)
            files += QByteArray(i ? "</file>" : "") + "<file name=\"S"
                     + QByteArray::number(i / 1000) + ".java\" length=\"100\">";
        const QByteArray line = QByteArray::number(i / 10 % 100 + 1);
        files += "<fragment startline=\"" + line + "\" endline=\"" + line + "\"><feature>F"
                 + QByteArray::number(i) + "</feature></fragment>";
    }
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("model.m")), model + ";"));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   "<project name=\"p\">" + files + "</file></project>"));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("S0.java")), QByteArray(100, '\n')));

    MainWindow &window = openWindow();
    const FeatureList *features = window.featureTree()->features();
    QCOMPARE(features->size(), 10000);
    QCOMPARE(features->last().name(), QStringLiteral("F9999"));
    // The palette stops at 200 colours; every feature starts grey.
    QCOMPARE(window.colorManager()->ColorArray.size(), 200);
    QCOMPARE(window.findChild<QListWidget *>(QStringLiteral("listWidget"))->count(), 200);
    QCOMPARE(window.colorManager()->FCPList.size(), 10000);

    QCOMPARE(packageView()->topLevelItem(0)->childCount(), 10);
    auto *first = dynamic_cast<STNode *>(packageView()->topLevelItem(0)->child(0));
    QVERIFY(first);
    QCOMPARE(first->fragments().size(), 100);
    QCOMPARE(first->lineCount(), 100);
    // One feature-view row per feature.
    QCOMPARE(featureView()->topLevelItemCount(), 10000);
    QCOMPARE(featureView()->topLevelItem(9999)->text(0), QStringLiteral("F9999"));
}

// Feature names are names, not patterns: "a.b" is not found in "axb", "c*"
// not between any two operators, and "(x" is found at all.
void TestBadInputProject::featureNamesWithPatternCharacters_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("dot is no wildcard") << QStringLiteral("(axb) || plain")
                                         << QStringList{"axb", "plain"};
    QTest::newRow("star is no repetition") << QStringLiteral("plain && !axb")
                                           << QStringList{"axb", "plain"};
    QTest::newRow("parenthesis in a name") << QStringLiteral("(x || plain")
                                           << QStringList{"(x", "plain"};
    QTest::newRow("name with a dot named") << QStringLiteral("a.b || plain")
                                           << QStringList{"a.b", "plain"};
}

void TestBadInputProject::featureNamesWithPatternCharacters()
{
    QFETCH(QString, expression);
    QFETCH(QStringList, expected);

    FeatureList features;
    for (const char *name : {"a.b", "c*", "(x", "axb", "plain"})
        features.append(Feature(qint32(features.size()), QString::fromLatin1(name)));
    SMVTreeWidget packageView;
    SMVTreeWidget featureView;
    ProjectReader reader(&packageView, &featureView, &features);

    QStringList found;
    for (const Feature *feature : reader.featuresInExpression(expression))
        found.append(feature->name());
    QCOMPARE(found, expected);
}

// annotations.xml -------------------------------------------------------------

void TestBadInputProject::projectFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<missing>" and "<directory>" stand for those
    QTest::addColumn<QString>("message");  // start of the line on standard error
    QTest::addColumn<QStringList>("rows"); // the package view afterwards

    const QStringList none;
    const QString cannotRead = QStringLiteral("Error: Cannot read file : ");
    const QString parseError = QStringLiteral("Error: Parse error at line ");
    QTest::newRow("missing") << QByteArray("<missing>") << cannotRead << none;
    QTest::newRow("unreadable (a folder)") << QByteArray("<directory>") << cannotRead << none;
    QTest::newRow("empty") << QByteArray() << parseError << none;
    QTest::newRow("truncated") << exampleAnnotations.left(exampleAnnotations.size() / 2)
                               << parseError << none;
    QTest::newRow("wrong root element")
        << QByteArray("<savedColorAssignment><FCPList/></savedColorAssignment>")
        << QStringLiteral("Error: File is not a project file") << none;
    QTest::newRow("Latin-1 without declaration: not XML")
        << QByteArray("<project name=\"p\"><folder name=\"Gr\xf6\xdf" "e\"/></project>")
        << parseError << none;
    QTest::newRow("NUL byte: not XML") << QByteArray("<project name=\"p\">\0</project>", 29)
                                       << parseError << none;
    QTest::newRow("Latin-1 declared: read")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                      "<project name=\"p\"><folder name=\"Gr\xf6\xdf" "e\">"
                      "<file name=\"B.c\"/></folder></project>")
        << QString()
        << QStringList{"p", QStringLiteral("p/Größe"), QStringLiteral("p/Größe/B.c")};
    QTest::newRow("UTF-16 with byte order mark: read")
        << utf16WithMark(QStringLiteral("<project name=\"p\"><file name=\"B.c\"/></project>"))
        << QString() << QStringList{"p", "p/B.c"};
    QTest::newRow("unknown elements and non-source files: skipped")
        << QByteArray("<project name=\"p\"><x><file name=\"C.c\"/></x><file name=\"a.txt\"/>"
                      "<file name=\"M.JAVA\"/><file name=\"B.c\"/></project>")
        << QString() << QStringList{"p", "p/B.c"};
}

void TestBadInputProject::projectFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(QStringList, rows);

    const QString annotations = path(QStringLiteral("annotations.xml"));
    QFile::remove(annotations);
    if (bytes == "<directory>")
        QVERIFY(QDir().mkdir(annotations));
    else if (bytes != "<missing>")
        QVERIFY(TestSupport::writeFile(annotations, bytes));

    TestSupport::OutputCapture errors(STDERR_FILENO);
    MainWindow &window = openWindow();
    const QString printed = errors.text();

    QCOMPARE(rowPaths(packageView()), rows);
    if (message.isEmpty()) {
        QVERIFY2(!printed.contains(QLatin1String("Error:")), qPrintable(printed));
    } else {
        QVERIFY2(printed.startsWith(message), qPrintable(printed));
        QCOMPARE(printed.count(QLatin1String("Error:")), 1);
    }
    // The feature model is unharmed and the feature view has its rows.
    QCOMPARE(featureNames(*window.featureTree()->features()),
             (QStringList{"Base", "Net", "Caesar", "Reverse"}));
    QCOMPARE(topLevelTexts(featureView()), (QStringList{"Base", "Net", "Caesar", "Reverse"}));
}

void TestBadInputProject::binaryProjectFile()
{
    // Starts like XML, then turns into noise.
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   "<project name=\"p\">" + TestSupport::binaryBytes()));
    TestSupport::OutputCapture errors(STDERR_FILENO);
    MainWindow &window = openWindow();
    const QString printed = errors.text();
    QVERIFY2(printed.startsWith(QLatin1String("Error: Parse error at line 1, column ")),
             qPrintable(printed));
    QCOMPARE(packageView()->topLevelItemCount(), 0);
    QCOMPARE(window.featureTree()->features()->size(), 4);
}

// Fragments that do not fit their file are kept as written. The unannotated
// lines (the grey part of the file's bar) follow the tree's arithmetic, in
// which counting resumes at a fragment's last line; whatever the numbers, they
// stay within the file's length.
void TestBadInputProject::fragmentOutsideItsFile_data()
{
    QTest::addColumn<QByteArray>("fragment");
    QTest::addColumn<int>("startLine");
    QTest::addColumn<int>("lineSpan");
    QTest::addColumn<int>("unannotatedLines");

    // The file has 4 lines and the "length" attribute says 4.
    QTest::newRow("beyond the end") << QByteArray("startline=\"3\" endline=\"900\"") << 3 << 897
                                    << 2;
    QTest::newRow("entirely past the end")
        << QByteArray("startline=\"50\" endline=\"60\"") << 50 << 10 << 4;
    QTest::newRow("negative span") << QByteArray("startline=\"3\" endline=\"1\"") << 3 << -2
                                   << 3;
    QTest::newRow("line 0 and below") << QByteArray("startline=\"-5\" endline=\"0\"") << -5 << 5
                                      << 4;
    QTest::newRow("numbers beyond int")
        << QByteArray("startline=\"99999999999\" endline=\"2\"") << 0 << 2 << 2;
    QTest::newRow("largest span: clamped, not wrapped")
        << QByteArray("startline=\"-2147483648\" endline=\"2147483647\"") << INT_MIN << INT_MAX
        << 4;
}

void TestBadInputProject::fragmentOutsideItsFile()
{
    QFETCH(QByteArray, fragment);
    QFETCH(int, startLine);
    QFETCH(int, lineSpan);
    QFETCH(int, unannotatedLines);

    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   "<project name=\"p\"><file name=\"A.java\" length=\"4\">"
                                   "<fragment " + fragment + "><feature>Net</feature></fragment>"
                                   "</file></project>"));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("A.java")), exampleSource));
    openWindow();

    auto *file = dynamic_cast<STNode *>(packageView()->topLevelItem(0)->child(0));
    QVERIFY(file);
    QCOMPARE(file->fragments().size(), 1);
    QCOMPARE(file->fragments().first().startLine, startLine);
    QCOMPARE(file->fragments().first().lineSpan, lineSpan);
    QCOMPARE(file->lineCount(), 4);
    QCOMPARE(file->unannotatedLines(), unannotatedLines);
    // The file still opens, with one bar for the fragment.
    // Reported: the code view's pixel arithmetic overflows for line numbers
    // beyond about 10^8; the file is opened here once that is fixed.
    if (qAbs(qint64(startLine)) > 100000000 || qAbs(qint64(lineSpan)) > 100000000)
        return;
    m_window->openFile(file);
    QVERIFY(m_window->currentCodeView());
    QCOMPARE(m_window->currentCodeView()->sideBars().size(), 1);
}

QTEST_MAIN(TestBadInputProject)
#include "tst_badinput_project.moc"
