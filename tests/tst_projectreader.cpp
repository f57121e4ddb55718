#include "support/features.h"
#include "support/outputcapture.h"
#include "support/testfiles.h"

#include "core/model/bytecount.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestSupport;

class TestProjectReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void fragmentRecords_data();
    void fragmentRecords();
    void ancestorsGetCopiesWithoutExpression();
    void rowsAfterPruning_data();
    void rowsAfterPruning();
    void featureOutsideFragmentIsReported_data();
    void featureOutsideFragmentIsReported();
    void unannotatedLinesOfFiles_data();
    void unannotatedLinesOfFiles();
    void unreadableProjectFile_data();
    void unreadableProjectFile();
    void featureByNameFindsTheFirst();
    void countFileLines_data();
    void countFileLines();
    void bytesCounted_data();
    void bytesCounted();
    void lineCountsAddUp_data();
    void lineCountsAddUp();

private:
    // Reads a project file with the given text; the rows land in m_packageView.
    bool read(const QByteArray &xml, const QStringList &featureNames);
    STNode *row(const QString &path) const;
    static QString outline(const QTreeWidgetItem *item);
    static QString describe(const Fragment &fragment, const FeatureList &features);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SMVTreeWidget> m_packageView;
    std::unique_ptr<SMVTreeWidget> m_featureView;
    FeatureList m_features;
    std::unique_ptr<ProjectReader> m_reader;
};

void TestProjectReader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_packageView = std::make_unique<SMVTreeWidget>();
    m_featureView = std::make_unique<SMVTreeWidget>();
    m_features.clear();
    m_reader = std::make_unique<ProjectReader>(m_packageView.get(), m_featureView.get(),
                                               &m_features);
}

void TestProjectReader::cleanup()
{
    m_reader.reset();
    m_featureView.reset();
    m_packageView.reset();
    m_dir.reset();
}

bool TestProjectReader::read(const QByteArray &xml, const QStringList &featureNames)
{
    m_features = makeFeatures(featureNames);
    const QString path = m_dir->filePath(QStringLiteral("annotations.xml"));
    if (!writeFile(path, xml))
        return false;
    return m_reader->readProjectFile(path);
}

// The row reached by following labels from the top, e.g. "P/src/A.java".
STNode *TestProjectReader::row(const QString &path) const
{
    const QStringList labels = path.split(QLatin1Char('/'));
    QTreeWidgetItem *item = nullptr;
    for (int i = 0; i < m_packageView->topLevelItemCount(); ++i)
        if (m_packageView->topLevelItem(i)->text(0) == labels.first())
            item = m_packageView->topLevelItem(i);
    for (int l = 1; item && l < labels.size(); ++l) {
        QTreeWidgetItem *next = nullptr;
        for (int c = 0; c < item->childCount() && !next; ++c)
            if (item->child(c)->text(0) == labels.at(l))
                next = item->child(c);
        item = next;
    }
    return dynamic_cast<STNode *>(item);
}

QString TestProjectReader::outline(const QTreeWidgetItem *item)
{
    QStringList children;
    for (int c = 0; c < item->childCount(); ++c)
        children.append(outline(item->child(c)));
    return children.isEmpty() ? item->text(0)
                              : item->text(0) + QLatin1Char('(') + children.join(QLatin1Char(','))
            + QLatin1Char(')');
}

QString TestProjectReader::describe(const Fragment &fragment, const FeatureList &features)
{
    const qsizetype index = fragment.feature - features.constData();
    return QStringLiteral("%1#%2 %3%4%5/%6 [%7]")
        .arg(fragment.feature->name())
        .arg(index)
        .arg(fragment.startLine)
        .arg(fragment.lineSpan < 0 ? QString() : QStringLiteral("+"))
        .arg(fragment.lineSpan)
        .arg(fragment.featureCount)
        .arg(fragment.expression);
}

static QByteArray projectWithFile(const QByteArray &fileContent)
{
    return "<?xml version=\"1.0\"?>\n<project name=\"P\">\n <folder name=\"src\">\n"
           "  <file name=\"A.java\" length=\"100\">\n"
        + fileContent + "\n  </file>\n </folder>\n</project>\n";
}

void TestProjectReader::fragmentRecords_data()
{
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<QByteArray>("fragments");
    QTest::addColumn<QStringList>("expected");

    const auto fragment = [](const QByteArray &attributes, const QByteArray &text) {
        return "<fragment " + attributes + "><feature>" + text + "</feature></fragment>";
    };
    const QByteArray lines10to12 = "startline=\"10\" endline=\"12\"";

    QTest::newRow("two feature elements give two records with count 2")
        << QStringList{"A", "B"}
        << QByteArray("<fragment startline=\"3\" endline=\"7\"><feature>A</feature>"
                      "<feature>B</feature></fragment>")
        << QStringList{"A#0 3+4/2 []", "B#1 3+4/2 []"};
    QTest::newRow("white space between feature elements is no child node")
        << QStringList{"A", "B"}
        << QByteArray("<fragment startline=\"3\" endline=\"7\">\n  <feature>A</feature>\n"
                      "  <feature>B</feature>\n</fragment>")
        << QStringList{"A#0 3+4/2 []", "B#1 3+4/2 []"};
    QTest::newRow("a comment in a fragment is a child node")
        << QStringList{"A"}
        << QByteArray("<fragment startline=\"3\" endline=\"7\"><!-- x --><feature>A</feature>"
                      "</fragment>")
        << QStringList{"A#0 3+4/2 []"};
    QTest::newRow("text beside the feature element is a child node")
        << QStringList{"A"}
        << QByteArray("<fragment startline=\"3\" endline=\"7\">x<feature>A</feature></fragment>")
        << QStringList{"A#0 3+4/2 []"};
    QTest::newRow("and-expression names A and B but not AB")
        << QStringList{"A", "B", "AB"} << fragment(lines10to12, "A &amp;&amp; B")
        << QStringList{"A#0 10+2/1 [A && B]", "B#1 10+2/1 [A && B]"};
    QTest::newRow("underscore belongs to the name")
        << QStringList{"A", "A_B", "X"} << fragment(lines10to12, "A_B || X")
        << QStringList{"A_B#1 10+2/1 [A_B || X]", "X#2 10+2/1 [A_B || X]"};
    QTest::newRow("negated name at the end")
        << QStringList{"A", "B"} << fragment(lines10to12, "!A")
        << QStringList{"A#0 10+2/1 [!A]"};
    QTest::newRow("name at the start followed by a non-word character")
        << QStringList{"B", "A"} << fragment(lines10to12, "A||B")
        << QStringList{"B#0 10+2/1 [A||B]", "A#1 10+2/1 [A||B]"};
    QTest::newRow("one-line fragment has span 0")
        << QStringList{"A"} << fragment("startline=\"5\" endline=\"5\"", "A")
        << QStringList{"A#0 5+0/1 []"};
    QTest::newRow("end before start keeps a negative span")
        << QStringList{"A"} << fragment("startline=\"9\" endline=\"4\"", "A")
        << QStringList{"A#0 9-5/1 []"};
    QTest::newRow("missing numbers count as 0")
        << QStringList{"A"} << fragment("", "A") << QStringList{"A#0 0+0/1 []"};
    QTest::newRow("malformed number counts as 0")
        << QStringList{"A"} << fragment("startline=\"x3\" endline=\"4\"", "A")
        << QStringList{"A#0 0+4/1 []"};
    QTest::newRow("duplicate names: a plain name finds the first")
        << QStringList{"A", "A"} << fragment(lines10to12, "A")
        << QStringList{"A#0 10+2/1 []"};
    QTest::newRow("duplicate names: an expression finds both")
        << QStringList{"A", "A", "B"} << fragment(lines10to12, "A || B")
        << QStringList{"A#0 10+2/1 [A || B]", "A#1 10+2/1 [A || B]", "B#2 10+2/1 [A || B]"};
    QTest::newRow("name with spaces around is an expression")
        << QStringList{"A"} << fragment(lines10to12, " A ")
        << QStringList{"A#0 10+2/1 [ A ]"};
    QTest::newRow("unknown plain name adds nothing")
        << QStringList{"A"} << fragment(lines10to12, "Z") << QStringList{};
    QTest::newRow("expression of unknown names adds nothing")
        << QStringList{"A"} << fragment(lines10to12, "Y &amp;&amp; Z") << QStringList{};
    QTest::newRow("a dot in a name is a dot")
        << QStringList{"A.B", "C"} << fragment(lines10to12, "!AxB || C")
        << QStringList{"C#1 10+2/1 [!AxB || C]"};
    QTest::newRow("a dotted name inside a longer first word is not found")
        << QStringList{"a.b", "c"} << fragment(lines10to12, "xa.b &amp;&amp; c")
        << QStringList{"c#1 10+2/1 [xa.b && c]"};
    QTest::newRow("a name ending a word that starts the text is not found")
        << QStringList{"b"} << fragment(lines10to12, "ab || xb") << QStringList{};
    QTest::newRow("a name with a parenthesis matches")
        << QStringList{"F(", "X"} << fragment(lines10to12, "F( &amp;&amp; X")
        << QStringList{"F(#0 10+2/1 [F( && X]", "X#1 10+2/1 [F( && X]"};
    QTest::newRow("a name equal to the whole text matches")
        << QStringList{"X", "F("} << fragment(lines10to12, "F(")
        << QStringList{"F(#1 10+2/1 [F(]"};
    QTest::newRow("whole-text match ends the search but keeps earlier finds")
        << QStringList{"A", "A && B", "B"} << fragment(lines10to12, "A &amp;&amp; B")
        << QStringList{"A#0 10+2/1 [A && B]", "A && B#1 10+2/1 [A && B]"};
    QTest::newRow("letters beyond ASCII are word characters")
        << QStringList{"e", "B"} << fragment(lines10to12, "Größe &amp;&amp; B")
        << QStringList{"B#1 10+2/1 [Größe && B]"};
    QTest::newRow("a name in another script is a plain name")
        << QStringList{"Größe"} << fragment(lines10to12, "Größe")
        << QStringList{"Größe#0 10+2/1 []"};
    QTest::newRow("an empty name matches no expression")
        << QStringList{"", "A"} << fragment(lines10to12, "A &amp;&amp; B")
        << QStringList{"A#1 10+2/1 [A && B]"};
    QTest::newRow("every child node of the fragment counts")
        << QStringList{"A"}
        << QByteArray("<fragment startline=\"1\" endline=\"2\"><!-- note -->"
                      "<feature>A</feature></fragment>")
        << QStringList{"A#0 1+1/2 []"};
    QTest::newRow("fragments keep document order")
        << QStringList{"A", "B"}
        << fragment("startline=\"30\" endline=\"31\"", "B")
            + fragment("startline=\"2\" endline=\"3\"", "A")
        << QStringList{"B#1 30+1/1 []", "A#0 2+1/1 []"};
}

void TestProjectReader::fragmentRecords()
{
    QFETCH(QStringList, features);
    QFETCH(QByteArray, fragments);
    QFETCH(QStringList, expected);

    QVERIFY(read(projectWithFile(fragments), features));
    STNode *file = row(QStringLiteral("P/src/A.java"));
    QVERIFY(file);
    QCOMPARE(file->kind(), int(STNode::File));
    QStringList actual;
    for (const Fragment &fragment : file->fragments())
        actual.append(describe(fragment, m_features));
    QCOMPARE(actual, expected);
    QCOMPARE(file->sortedFragments().size(), expected.size());
    QCOMPARE(row(QStringLiteral("P"))->fragments().size(), expected.size());
}

void TestProjectReader::ancestorsGetCopiesWithoutExpression()
{
    QVERIFY(read(projectWithFile("<fragment startline=\"20\" endline=\"25\">"
                                 "<feature>A || B</feature></fragment>"
                                 "<fragment startline=\"4\" endline=\"6\">"
                                 "<feature>B</feature></fragment>"),
                 {"A", "B"}));
    STNode *file = row(QStringLiteral("P/src/A.java"));
    QVERIFY(file);
    QCOMPARE(file->fragments().at(0).expression, QStringLiteral("A || B"));
    for (const QString &path : {QStringLiteral("P/src"), QStringLiteral("P")}) {
        STNode *ancestor = row(path);
        QVERIFY(ancestor);
        QCOMPARE(ancestor->fragments().size(), 3);
        for (const Fragment &fragment : ancestor->fragments())
            QVERIFY2(fragment.expression.isEmpty(), qPrintable(path));
    }
    // The sorted list is in start-line order and carries no expression.
    const QList<Fragment> &sorted = file->sortedFragments();
    QCOMPARE(sorted.size(), 3);
    QCOMPARE(sorted.at(0).startLine, 4);
    QCOMPARE(sorted.at(1).startLine, 20);
    QVERIFY(sorted.at(1).expression.isEmpty());
}

void TestProjectReader::rowsAfterPruning_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("expected");

    QTest::newRow("source files of all three kinds stay, in document order")
        << QByteArray("<project name=\"P\"><folder name=\"src\"><file name=\"b.h\"/>"
                      "<file name=\"a.c\"/><file name=\"Z.java\"/></folder></project>")
        << QStringLiteral("P(src(b.h,a.c,Z.java))");
    QTest::newRow("extension test is case-sensitive: Main.JAVA is skipped")
        << QByteArray("<project name=\"P\"><file name=\"Main.JAVA\"/>"
                      "<file name=\"Main.java\"/></project>")
        << QStringLiteral("P(Main.java)");
    QTest::newRow("only a text file leaves the view empty")
        << QByteArray("<project name=\"P\"><folder name=\"doc\">"
                      "<file name=\"notes.txt\"/></folder></project>")
        << QString();
    QTest::newRow("fragment and feature rows go")
        << QByteArray("<project name=\"P\"><file name=\"A.java\"><fragment startline=\"1\" "
                      "endline=\"2\"><feature>X</feature></fragment></file></project>")
        << QStringLiteral("P(A.java)");
    QTest::newRow("feature element in a folder is pruned, and so is the folder")
        << QByteArray("<project name=\"P\"><folder name=\"f\"><feature>X</feature></folder>"
                      "<file name=\"A.java\"/></project>")
        << QStringLiteral("P(A.java)");
    QTest::newRow("empty folders nested deeply go")
        << QByteArray("<project name=\"P\"><folder name=\"a\"><folder name=\"b\"><folder "
                      "name=\"c\"/></folder></folder><folder name=\"d\"><file name=\"D.c\"/>"
                      "</folder></project>")
        << QStringLiteral("P(d(D.c))");
    QTest::newRow("unknown elements are skipped with their content")
        << QByteArray("<project name=\"P\"><group><file name=\"Z.java\"/></group>"
                      "<file name=\"A.java\"/></project>")
        << QStringLiteral("P(A.java)");
    QTest::newRow("feature text named like a source file survives with its fragment row")
        << QByteArray("<project name=\"P\"><file name=\"A.java\"><fragment startline=\"1\" "
                      "endline=\"2\"><feature>X.java</feature></fragment></file></project>")
        << QStringLiteral("P(A.java(fragment(X.java)))");
    QTest::newRow("element names are case-sensitive")
        << QByteArray("<project name=\"P\"><Folder name=\"x\"><file name=\"Y.java\"/></Folder>"
                      "<FILE name=\"Z.java\"/><file name=\"A.java\"/></project>")
        << QStringLiteral("P(A.java)");
}

void TestProjectReader::rowsAfterPruning()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, expected);

    OutputCapture out(STDOUT_FILENO);
    QVERIFY(read(xml, {"X"}));
    out.text();
    QString actual;
    if (m_packageView->topLevelItemCount() == 1)
        actual = outline(m_packageView->topLevelItem(0));
    QCOMPARE(m_packageView->topLevelItemCount(), expected.isEmpty() ? 0 : 1);
    QCOMPARE(actual, expected);
}

void TestProjectReader::featureOutsideFragmentIsReported_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("messages");

    QTest::newRow("in the project")
        << QByteArray("<project name=\"P\"><feature>A</feature><file name=\"A.java\"/>"
                      "</project>")
        << 1;
    QTest::newRow("in a folder, twice")
        << QByteArray("<project name=\"P\"><folder name=\"f\"><feature>A</feature>"
                      "<feature>B</feature><file name=\"A.java\"/></folder></project>")
        << 2;
    QTest::newRow("in a file")
        << QByteArray("<project name=\"P\"><file name=\"A.java\" length=\"9\">"
                      "<feature>A</feature></file></project>")
        << 1;
    QTest::newRow("inside a fragment is no message")
        << QByteArray("<project name=\"P\"><file name=\"A.java\"><fragment startline=\"1\" "
                      "endline=\"2\"><feature>A</feature></fragment></file></project>")
        << 0;
}

void TestProjectReader::featureOutsideFragmentIsReported()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, messages);

    OutputCapture out(STDOUT_FILENO);
    QVERIFY(read(xml, {"A", "B"}));
    const QString text = out.text();
    const QString line = QStringLiteral("TODO: Feature assigned to Project, File oder Folder\n");
    QCOMPARE(text, line.repeated(messages));
    // Such features give no record.
    STNode *top = dynamic_cast<STNode *>(m_packageView->topLevelItem(0));
    QVERIFY(top);
    QCOMPARE(top->fragments().size(), messages == 0 ? 1 : 0);
}

void TestProjectReader::unannotatedLinesOfFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");

    QTest::newRow("file element without children: its length")
        << QByteArray("<file name=\"A.java\" length=\"42\"/>") << 42;
    QTest::newRow("pretty-printed empty file element: its length")
        << QByteArray("<file name=\"A.java\" length=\"42\">\n   \n</file>") << 42;
    QTest::newRow("fragments: the lines outside them")
        << QByteArray("<file name=\"A.java\" length=\"100\">"
                      "<fragment startline=\"10\" endline=\"15\"><feature>A</feature></fragment>"
                      "<fragment startline=\"12\" endline=\"22\"><feature>A</feature></fragment>"
                      "<fragment startline=\"50\" endline=\"50\"><feature>A</feature></fragment>"
                      "</file>")
        << 86; // lines 1-9, 23-49 and 51-100
    QTest::newRow("fragments of unknown features only: the whole file is unannotated")
        << QByteArray("<file name=\"A.java\" length=\"60\"><fragment startline=\"1\" "
                      "endline=\"30\"><feature>Nope</feature></fragment></file>")
        << 60;
}

void TestProjectReader::unannotatedLinesOfFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);

    QVERIFY(read("<project name=\"P\">" + file + "</project>", {"A"}));
    STNode *row = this->row(QStringLiteral("P/A.java"));
    QVERIFY(row);
    QCOMPARE(row->unannotatedLines(), expected);
}

void TestProjectReader::unreadableProjectFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("pattern");

    QTest::newRow("missing file")
        << QByteArray() << QStringLiteral("^Error: Cannot read file : %1\\n$");
    QTest::newRow("malformed XML")
        << QByteArray("<project name=\"P\">\n<folder name=\"a\">\n</project>\n")
        << QStringLiteral("^Error: Parse error at line 3, column \\d+: \\S.*\\n$");
    QTest::newRow("not XML at all")
        << QByteArray("just text")
        << QStringLiteral("^Error: Parse error at line 1, column \\d+: \\S.*\\n$");
    QTest::newRow("wrong document element")
        << QByteArray("<savedColorAssignment><file name=\"A.java\"/></savedColorAssignment>")
        << QStringLiteral("^Error: File is not a project file\\n$");
}

void TestProjectReader::unreadableProjectFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, pattern);

    const QString path = m_dir->filePath(QStringLiteral("annotations.xml"));
    if (!content.isEmpty()) {
        QVERIFY(writeFile(path, content));
    } else {
        QFile probe(path);
        QVERIFY(!probe.open(QIODevice::ReadOnly));
        pattern = pattern.arg(QRegularExpression::escape(probe.errorString()));
    }
    m_features = makeFeatures({"A"});

    OutputCapture err(STDERR_FILENO);
    const bool result = m_reader->readProjectFile(path);
    const QString text = err.text();
    QVERIFY(!result);
    QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text));
    QCOMPARE(m_packageView->topLevelItemCount(), 0);
}

void TestProjectReader::featureByNameFindsTheFirst()
{
    m_features = makeFeatures({"A", "B", "A"});
    QCOMPARE(m_reader->featureByName(QStringLiteral("A")), &m_features[0]);
    QCOMPARE(m_reader->featureByName(QStringLiteral("B")), &m_features[1]);
    QCOMPARE(m_reader->featureByName(QStringLiteral("a")), nullptr);
    QCOMPARE(m_reader->featureByName(QStringLiteral("A ")), nullptr);
    QCOMPARE(m_reader->featuresInExpression(QStringLiteral("!A")),
             (QList<Feature *>{&m_features[0], &m_features[2]}));
    QVERIFY(m_reader->featuresInExpression(QStringLiteral("C && D")).isEmpty());
}

void TestProjectReader::countFileLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("lines");

    QTest::newRow("empty file") << QByteArray("") << 0;
    QTest::newRow("one line without line end") << QByteArray("a") << 1;
    QTest::newRow("one line with line end") << QByteArray("a\n") << 1;
    QTest::newRow("last line without line end counts") << QByteArray("a\nb") << 2;
    QTest::newRow("empty lines count") << QByteArray("\n\n\n") << 3;
    QTest::newRow("CR LF is one line end") << QByteArray("a\r\nb\r\n") << 2;
    QTest::newRow("a lone CR is no line end") << QByteArray("a\rb\n") << 1;
    QTest::newRow("NUL bytes do not end the count") << QByteArray("a\n\0b\nc", 7) << 3;
    QTest::newRow("Latin-1 bytes") << QByteArray("\xe4\n\xf6\n") << 2;
    QTest::newRow("UTF-16 with byte order mark")
        << QByteArray("\xff\xfe" "a\0\n\0b\0\n\0c\0", 12) << 3;
    QTest::newRow("long file") << QByteArray("x\n").repeated(70000) << 70000;
}

void TestProjectReader::countFileLines()
{
    QFETCH(QByteArray, content);
    QFETCH(int, lines);

    const QString path = m_dir->filePath(QStringLiteral("Source.java"));
    QVERIFY(writeFile(path, content));
    QCOMPARE(ProjectReader::countFileLines(path), lines);
    QCOMPARE(ProjectReader::countFileLines(path + QStringLiteral(".missing")), 0);
    QCOMPARE(ProjectReader::countFileLines(m_dir->path()), 0); // a folder
}

void TestProjectReader::bytesCounted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset"); // where the count starts in them
    QTest::addColumn<int>("less");   // '<' counted by hand
    QTest::addColumn<int>("equal");  // '='

    QTest::newRow("nothing") << QByteArray() << 0 << 0 << 0;
    QTest::newRow("fewer than sixteen") << QByteArray("<a b=\"1\"/>") << 0 << 1 << 1;
    QTest::newRow("sixteen exactly") << QByteArray("<a x=\"1\" y=\"2\"/>") << 0 << 1 << 2;
    QTest::newRow("one past sixteen, in the rest") << QByteArray("0123456789abcdef<") << 0 << 1
                                                   << 0;
    QTest::newRow("from an odd address")
        << QByteArray("<<====<<====<<====<<====<<====<<====") << 1 << 11 << 24;
    // Each column counts up to 255 rounds of sixteen bytes; one more would
    // wrap it to 0.
    QTest::newRow("every byte, past 255 rounds") << QByteArray(16 * 256 + 3, '<') << 0
                                                 << 16 * 256 + 3 << 0;
    QTest::newRow("both, 255 rounds exactly")
        << QByteArray("<=").repeated(8 * 255) << 0 << 8 * 255 << 8 * 255;
    QTest::newRow("bytes above 127 are not counted")
        << QByteArray("\xbc\xbd\x3c\x3d\xff\x80").repeated(20) << 0 << 20 << 20;
}

void TestProjectReader::bytesCounted()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    const char *data = bytes.constData() + offset;
    const std::size_t size = std::size_t(bytes.size() - offset);
    const ByteCounts counts = countBytes(data, size, '<', '=');
    QTEST(int(counts.first), "less");
    QTEST(int(counts.second), "equal");
    QTEST(int(countByte(data, size, '<')), "less");
    QTEST(int(countByte(data, size, '=')), "equal");
}

void TestProjectReader::lineCountsAddUp_data()
{
    QTest::addColumn<bool>("ahead");

    // Counted when asked for, the files are those on disk then.
    QTest::newRow("written after the project file was read") << false;
    QTest::newRow("counted while the trees are built") << true;
}

void TestProjectReader::lineCountsAddUp()
{
    QFETCH(bool, ahead);
    const auto writeSources = [this] {
        // The project's name is not part of the paths.
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/x/A.java")), "1\n2\n3\n"));
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/B.h")), "1\n2"));
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("C.java")), "1\n2\n3\n4\n5\n"));
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("Name/C.java")), "1\n"));
    };
    if (ahead)
        writeSources();
    m_reader->setCountLinesAhead(ahead);
    QVERIFY(read("<project name=\"Name\"><folder name=\"src\"><folder name=\"x\">"
                 "<file name=\"A.java\"/><file name=\"Gone.c\"/></folder>"
                 "<file name=\"B.h\"/></folder><file name=\"C.java\"/></project>",
                 {"A"}));
    if (!ahead)
        writeSources();

    m_reader->computeLineCounts(m_dir->path());
    QCOMPARE(row(QStringLiteral("Name/src/x/A.java"))->lineCount(), 3);
    QCOMPARE(row(QStringLiteral("Name/src/x/Gone.c"))->lineCount(), 0);
    QCOMPARE(row(QStringLiteral("Name/src/x"))->lineCount(), 3);
    QCOMPARE(row(QStringLiteral("Name/src/B.h"))->lineCount(), 2);
    QCOMPARE(row(QStringLiteral("Name/src"))->lineCount(), 5);
    QCOMPARE(row(QStringLiteral("Name/C.java"))->lineCount(), 5);
    QCOMPARE(row(QStringLiteral("Name"))->lineCount(), 10);
}

QTEST_MAIN(TestProjectReader)
#include "tst_projectreader.moc"
