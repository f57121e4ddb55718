#include "core/formats/textdecoding.h"
#include "ui/search/projectsearch.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>

class TestProjectSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void countsInText_data();
    void countsInText();
    void countsInFile_data();
    void countsInFile();
    void resultRowFormat();
    void leavesWithHitsInTreeOrder();
    void emptyPatternListsEveryLeaf();
    void invalidPatternListsNothing();

private:
    void writeFile(const QString &relativePath, const QByteArray &bytes);
    QString folder() const { return m_dir->path(); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProjectSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProjectSearch::cleanup()
{
    m_dir.reset();
}

void TestProjectSearch::writeFile(const QString &relativePath, const QByteArray &bytes)
{
    QVERIFY(TestSupport::writeFile(folder() + QLatin1Char('/') + relativePath, bytes));
}

void TestProjectSearch::countsInText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("content");
    QTest::addColumn<int>("count");

    QTest::newRow("every occurrence, also inside words")
        << "foo" << false << false << "foo foobar barfoo" << 3;
    QTest::newRow("whole words skip longer words")
        << "foo" << true << false << " foo foobar barfoo foo " << 2;
    QTest::newRow("whole-word hits one space apart overlap")
        << "foo" << true << false << " foo foo foo " << 3;
    QTest::newRow("plain hits may overlap") << "aa" << false << false << "aaaa" << 3;
    QTest::newRow("line breaks bound whole words")
        << "foo" << true << false << "\nfoo\r\nfoo\rfoo\n" << 3;
    QTest::newRow("dot is a pattern character") << "a.c" << false << false << "abc a.c axc" << 3;
    QTest::newRow("escaped dot is a dot") << "a\\.c" << false << false << "abc a.c axc" << 1;
    QTest::newRow("case ignored by default") << "foo" << false << false << "Foo FOO foo" << 3;
    QTest::newRow("case sensitive") << "foo" << false << true << "Foo FOO foo" << 1;
    QTest::newRow("case ignored beyond ASCII") << "ärger" << false << false << "ÄRGER" << 1;
    QTest::newRow("non-ASCII letters are word characters")
        << "stra" << true << false << " straße stra " << 1;
    QTest::newRow("whole words around an alternation")
        << "a|b" << true << false << " ab a b " << 2;
    QTest::newRow("invalid pattern finds nothing") << "(" << false << false << "( ( (" << 0;
    QTest::newRow("invalid pattern with whole words") << "(" << true << false << " ( " << 0;
    QTest::newRow("unbalanced text stays invalid with whole words")
        << ")(" << true << false << " )( " << 0;
    QTest::newRow("empty pattern matches at every position")
        << "" << false << false << " abc " << 6;
    QTest::newRow("empty whole-word pattern needs two separators")
        << "" << true << false << " a  b " << 1;
    QTest::newRow("characters beyond the BMP do not stop the count")
        << "x" << false << false << QString::fromUtf8("\xF0\x9F\x98\x80x\xF0\x9F\x98\x80x") << 2;
    QTest::newRow("empty pattern steps over a surrogate pair as one character")
        << "" << false << false << QString::fromUtf8(" \xF0\x9F\x98\x80 ") << 4;
}

void TestProjectSearch::countsInText()
{
    QFETCH(QString, text);
    QFETCH(bool, wholeWords);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, content);
    QFETCH(int, count);

    const QRegularExpression pattern = ProjectSearch::pattern(text, wholeWords, caseSensitive);
    QCOMPARE(ProjectSearch::countOverlapping(pattern, content), qsizetype(count));
}

void TestProjectSearch::countsInFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<int>("count");

    QTest::newRow("whole word at the very start") << QByteArray("foo bar") << "foo" << true << 1;
    QTest::newRow("whole word at the very end") << QByteArray("bar foo") << "foo" << true << 1;
    QTest::newRow("whole word is the whole file") << QByteArray("foo") << "foo" << true << 1;
    QTest::newRow("text after a NUL byte is searched, as the code view shows it")
        << QByteArray("foo\0foo foo", 11) << "foo" << false << 3;
    QTest::newRow("UTF-8 file") << QByteArray("gr\xC3\xB6\xC3\x9F" "e") << "größe" << true << 1;
    QTest::newRow("Latin-1 file") << QByteArray("gr\xF6\xDF" "e") << "größe" << true << 1;
    QTest::newRow("empty pattern counts the added spaces too")
        << QByteArray("ab\n") << "" << false << 6;
    // Files of ASCII characters are searched in their bytes for texts that
    // mean nothing to the pattern; the pattern's results must not change.
    QTest::newRow("plain hits overlap in the bytes too") << QByteArray("aaaa") << "aa" << false << 3;
    QTest::newRow("case ignored in the bytes")
        << QByteArray("COMPUTE Compute compute") << "compute" << false << 3;
    QTest::newRow("a leading space matches the space added before the file")
        << QByteArray("x y x") << " x" << false << 2;
    QTest::newRow("underscores and digits are word characters, a dash is none")
        << QByteArray("foo_1 foo1 foo-1 foo") << "foo" << true << 2;
    QTest::newRow("a NUL byte bounds a whole word")
        << QByteArray("foo\0bar", 7) << "foo" << true << 1;
    QTest::newRow("a text longer than the file") << QByteArray("ab") << "abcdef" << false << 0;
    QTest::newRow("a file beyond ASCII is searched as decoded text")
        << QByteArray("Gr\xC3\xB6\xC3\x9F" "e gr\xC3\xB6sse") << "gr" << false << 2;
}

void TestProjectSearch::countsInFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, wholeWords);
    QFETCH(int, count);

    writeFile(QStringLiteral("f.java"), bytes);
    const QRegularExpression pattern = ProjectSearch::pattern(text, wholeWords, false);
    QCOMPARE(ProjectSearch::countInFile(pattern, folder() + QStringLiteral("/f.java")),
             qsizetype(count));
    // The same as the pattern finds in the text the code view shows.
    QCOMPARE(ProjectSearch::countInFile(pattern, folder() + QStringLiteral("/f.java")),
             ProjectSearch::countOverlapping(pattern, QLatin1Char(' ') + decodeText(bytes)
                                                          + QLatin1Char(' ')));
}

void TestProjectSearch::resultRowFormat()
{
    QCOMPARE(ProjectSearch::resultRow(12, QStringLiteral("/src/A.java")),
             QStringLiteral("12x at .../src/A.java"));
    QCOMPARE(ProjectSearch::resultRow(1, QStringLiteral("/b.c")), QStringLiteral("1x at .../b.c"));
}

namespace {

// P / src / { A.java, sub / B.java, Missing.java } ; P / main.c ; P / empty
struct Tree
{
    QTreeWidgetItem project{QStringList{QStringLiteral("P")}};
    QTreeWidgetItem *a;
    QTreeWidgetItem *b;
    QTreeWidgetItem *missing;
    QTreeWidgetItem *mainC;
    QTreeWidgetItem *empty;

    Tree()
    {
        auto *src = new QTreeWidgetItem(&project, {QStringLiteral("src")});
        a = new QTreeWidgetItem(src, {QStringLiteral("A.java")});
        auto *sub = new QTreeWidgetItem(src, {QStringLiteral("sub")});
        b = new QTreeWidgetItem(sub, {QStringLiteral("B.java")});
        missing = new QTreeWidgetItem(src, {QStringLiteral("Missing.java")});
        mainC = new QTreeWidgetItem(&project, {QStringLiteral("main.c")});
        empty = new QTreeWidgetItem(&project, {QStringLiteral("empty")});
    }

    QList<QTreeWidgetItem *> topLevel() { return {&project}; }
};

QList<QTreeWidgetItem *> leavesOf(const QList<ProjectSearch::Hit> &hits)
{
    QList<QTreeWidgetItem *> leaves;
    for (const ProjectSearch::Hit &hit : hits)
        leaves.append(hit.leaf);
    return leaves;
}

QStringList rowsOf(const QList<ProjectSearch::Hit> &hits)
{
    QStringList rows;
    for (const ProjectSearch::Hit &hit : hits)
        rows.append(hit.row);
    return rows;
}

} // namespace

void TestProjectSearch::leavesWithHitsInTreeOrder()
{
    writeFile(QStringLiteral("src/A.java"), "int count; count++; count--;");
    writeFile(QStringLiteral("src/sub/B.java"), "no hit here");
    writeFile(QStringLiteral("main.c"), "return count;");
    QVERIFY(QDir(folder()).mkdir(QStringLiteral("empty")));
    Tree tree;

    const QList<ProjectSearch::Hit> hits = ProjectSearch::searchLeaves(
        tree.topLevel(), folder(), ProjectSearch::pattern(QStringLiteral("count"), true, false));
    QCOMPARE(rowsOf(hits), QStringList({QStringLiteral("3x at .../src/A.java"),
                                        QStringLiteral("1x at .../main.c")}));
    QCOMPARE(leavesOf(hits), QList<QTreeWidgetItem *>({tree.a, tree.mainC}));
}

void TestProjectSearch::emptyPatternListsEveryLeaf()
{
    writeFile(QStringLiteral("src/A.java"), "abc");
    writeFile(QStringLiteral("src/sub/B.java"), "");
    writeFile(QStringLiteral("main.c"), "x\n");
    QVERIFY(QDir(folder()).mkdir(QStringLiteral("empty")));
    Tree tree;

    // Every position of " " + content + " ", both ends included.
    const QList<ProjectSearch::Hit> hits =
        ProjectSearch::searchLeaves(tree.topLevel(), folder(), ProjectSearch::pattern({}, false, false));
    QCOMPARE(rowsOf(hits), QStringList({QStringLiteral("6x at .../src/A.java"),
                                        QStringLiteral("3x at .../src/sub/B.java"),
                                        QStringLiteral("3x at .../src/Missing.java"),
                                        QStringLiteral("5x at .../main.c"),
                                        QStringLiteral("3x at .../empty")}));
    QCOMPARE(leavesOf(hits), QList<QTreeWidgetItem *>(
                                 {tree.a, tree.b, tree.missing, tree.mainC, tree.empty}));
}

void TestProjectSearch::invalidPatternListsNothing()
{
    writeFile(QStringLiteral("src/A.java"), "f(x) ( (");
    Tree tree;
    QVERIFY(ProjectSearch::searchLeaves(tree.topLevel(), folder(),
                                        ProjectSearch::pattern(QStringLiteral("("), false, true))
                .isEmpty());
    QVERIFY(ProjectSearch::searchLeaves(tree.topLevel(), folder(),
                                        ProjectSearch::pattern(QStringLiteral("(x"), true, false))
                .isEmpty());
}

QTEST_APPLESS_MAIN(TestProjectSearch)
#include "tst_projectsearch.moc"
