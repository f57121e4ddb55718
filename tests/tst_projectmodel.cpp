#include "support/features.h"
#include "support/testfiles.h"

#include "core/formats/annotationsfile.h"
#include "core/formats/annotationsreader.h"
#include "core/model/featurematcher.h"
#include "core/model/largepages.h"
#include "core/model/projectmodel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

#include <malloc.h>
#include <unistd.h>

using namespace TestSupport;

// The project model and its reader, without any widget or application
// object: what the structure trees show is computed here.
class TestProjectModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void expressionsNameWordsOnly_data();
    void expressionsNameWordsOnly();
    void namesFoundAmongMany_data();
    void namesFoundAmongMany();
    void namesTold_data();
    void namesTold();
    void totalsOfThePrunedTree();
    void linesCountedAhead_data();
    void linesCountedAhead();
    void recordsGatheredAsCopied();
    void nodesMadeWhileReading_data();
    void nodesMadeWhileReading();
    void featureLinesKeptSparse();
    void listViewFollowsLaterAdditions();
    void heapOnLargePages_data();
    void heapOnLargePages(); // last: it changes how this process allocates

private:
    bool read(const QByteArray &xml, bool copyRecordsUp = true);

    std::unique_ptr<QTemporaryDir> m_dir;
    FeatureList m_features;
    std::unique_ptr<ProjectModel> m_model;
};

void TestProjectModel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_model = std::make_unique<ProjectModel>();
}

void TestProjectModel::cleanup()
{
    m_model.reset();
    m_dir.reset();
}

bool TestProjectModel::read(const QByteArray &xml, bool copyRecordsUp)
{
    const QString path = m_dir->filePath(QStringLiteral("annotations.xml"));
    if (!writeFile(path, xml))
        return false;
    AnnotationsReader reader(m_model.get(), &m_features);
    reader.setCopyRecordsUp(copyRecordsUp);
    return reader.readProjectFile(path);
}

// The matcher looks only at names the expression's words can stand for; the
// rows are cases where a name matches without being a whole word, which a
// lookup of whole words alone would miss, and cases that must not match.
void TestProjectModel::expressionsNameWordsOnly_data()
{
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("start of the first word, followed by a non-word elsewhere")
        << QStringList{"A", "AB", "C", "X"} << QStringLiteral("AB && xA || C")
        << QStringList{"A", "AB", "C"};
    QTest::newRow("end of the last word, preceded by a non-word elsewhere")
        << QStringList{"B", "q"} << QStringLiteral("yB || Bq && xB")
        << QStringList{"B"};
    QTest::newRow("inside a word only: no match")
        << QStringList{"ell", "H"} << QStringLiteral("!Hello || x")
        << QStringList{};
    QTest::newRow("a name equal to the whole expression ends the list")
        << QStringList{"B", "A", "A && B", "C"} << QStringLiteral("A && B")
        << QStringList{"B", "A", "A && B"};
    QTest::newRow("words of other scripts are words")
        << QStringList{"Gr", "Größe", "Maß"} << QStringLiteral("Größe && !Maß")
        << QStringList{"Größe", "Maß"};
    QTest::newRow("same name twice: both")
        << QStringList{"A", "B", "A"} << QStringLiteral("!A") << QStringList{"A", "A"};
    QTest::newRow("name that is no plain word, beside words")
        << QStringList{"x-y", "x", "y"} << QStringLiteral("(x-y) && z")
        << QStringList{"x-y", "x", "y"};
    QTest::newRow("underscores and digits belong to the word")
        << QStringList{"F_1", "F", "1", "G2"} << QStringLiteral("F_1 && !G2")
        << QStringList{"F_1", "G2"};
    QTest::newRow("a word at either end of the expression")
        << QStringList{"A9", "b_", "A", "_"} << QStringLiteral("A9||b_")
        << QStringList{"A9", "b_"};
    QTest::newRow("a word of another script in an expression of ASCII words")
        << QStringList{"x", "é", "xé"} << QStringLiteral("xé && x")
        << QStringList{"x", "xé"};
}

// Whether a feature text is a plain name (a record of the one feature of
// that name) or an expression, and whether it is named like a source file
// (it keeps a node of its own in the tree).
void TestProjectModel::namesTold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<bool>("source");

    QTest::newRow("name") << QStringLiteral("G12_F3") << true << false;
    QTest::newRow("empty") << QString() << true << false;
    QTest::newRow("expression") << QStringLiteral("A && B") << false << false;
    QTest::newRow("hyphen") << QStringLiteral("a-b") << false << false;
    QTest::newRow("other script") << QStringLiteral("Größe") << true << false;
    QTest::newRow("other script, then a space") << QStringLiteral("Größe x") << false << false;
    QTest::newRow("no-break space") << QStringLiteral("a\u00a0b") << false << false;
    QTest::newRow("Java source") << QStringLiteral("Main.java") << false << true;
    QTest::newRow("C source") << QStringLiteral("x.c") << false << true;
    QTest::newRow("header") << QStringLiteral("x.h") << false << true;
    QTest::newRow("extension alone") << QStringLiteral(".c") << false << true;
    QTest::newRow("letter alone") << QStringLiteral("c") << true << false;
    QTest::newRow("no dot before java") << QStringLiteral("xjava") << true << false;
    QTest::newRow("longer extension") << QStringLiteral("x.ch") << false << false;
    QTest::newRow("other case") << QStringLiteral("X.JAVA") << false << false;
    QTest::newRow("java beside the extension") << QStringLiteral("x.jav") << false << false;
    QTest::newRow("header of another script") << QStringLiteral("Größe.h") << false << true;
}

void TestProjectModel::namesTold()
{
    QFETCH(QString, text);
    QFETCH(bool, plain);
    QFETCH(bool, source);

    QCOMPARE(FeatureMatcher::isPlainName(text), plain);
    QCOMPARE(ProjectModel::isSourceName(text), source);
}

void TestProjectModel::expressionsNameWordsOnly()
{
    QFETCH(QStringList, features);
    QFETCH(QString, expression);
    QFETCH(QStringList, expected);

    m_features = makeFeatures(features);
    FeatureMatcher matcher(&m_features);
    QStringList found;
    for (const Feature *feature : matcher.featuresInExpression(expression))
        found.append(feature->name());
    QCOMPARE(found, expected);
}

// Every name of a long list is found as its first feature, and what only
// looks like one is not: a lookup must step past the names of the same hash
// slot and over the end of the table.
void TestProjectModel::namesFoundAmongMany_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("every"); // each name this often, one after the other

    QTest::newRow("one") << 1 << 1;
    QTest::newRow("a few, twice each") << 7 << 2;
    QTest::newRow("a power of two") << 1024 << 1;
    QTest::newRow("thousands, three times each") << 5000 << 3;
}

void TestProjectModel::namesFoundAmongMany()
{
    QFETCH(int, count);
    QFETCH(int, every);

    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("N%1_x").arg(i / every);
    m_features = makeFeatures(names);
    FeatureMatcher matcher(&m_features);
    for (int i = 0; i < count; i += every) {
        const QString name = names.at(i);
        QCOMPARE(matcher.featureByName(name), &m_features[i]);
        QCOMPARE(matcher.featureByName(name + QLatin1Char('y')), nullptr);
        QCOMPARE(matcher.featureByName(name.chopped(1)), nullptr);
        // In expressions: every feature of that name, and only the first
        // when the name is all of it.
        QList<Feature *> expected;
        for (int k = i; k < i + every && k < count; ++k)
            expected << &m_features[k];
        QCOMPARE(matcher.featuresInExpression(QStringLiteral("!%1 && z").arg(name)), expected);
        QCOMPARE(matcher.featuresInExpression(QStringLiteral("z || %1").arg(name)), expected);
        QCOMPARE(matcher.featuresInExpression(QStringLiteral("z || %1q").arg(name)),
                 QList<Feature *>());
        QCOMPARE(matcher.featuresInExpression(name), QList<Feature *>{&m_features[i]});
    }
    QCOMPARE(matcher.featureByName(QString()), nullptr);
    QCOMPARE(matcher.featureByName(QStringLiteral("N")), nullptr);
}

// Unannotated lines and lines per feature add up over the rows that stay
// after pruning; a pruned folder takes nothing with it, and a feature named
// twice counts for both entries.
namespace {

// Every node in pre-order with what the trees show of it: kind, path,
// lengths and lines, and its own records.
QStringList describe(const ProjectModel &model)
{
    QStringList nodes;
    for (const ProjectNode *node : model.preOrder()) {
        QStringList records;
        for (const Fragment &record : node->fragments)
            records.append(QStringLiteral("%1+%2:%3:%4:%5")
                               .arg(record.startLine)
                               .arg(record.lineSpan)
                               .arg(record.feature ? record.feature->name() : QString())
                               .arg(record.expression)
                               .arg(record.featureCount));
        nodes.append(QStringLiteral("%1 %2 length %3 unannotated %4 [%5]")
                         .arg(node->kind)
                         .arg(ProjectModel::relativePath(node))
                         .arg(node->length)
                         .arg(node->unannotatedLines)
                         .arg(records.join(QLatin1Char(' '))));
    }
    return nodes;
}

} // namespace

// The nodes are made while annotations.xml is read from its bytes on another
// thread: the same nodes as made from the file once read, also when the
// bytes give up late (what was made by then is dropped) or the file is no
// project at all.
void TestProjectModel::nodesMadeWhileReading_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("nodes");

    const QByteArray files =
        "<folder name=\"src\"><folder name=\"deep\"><file name=\"A.java\" length=\"30\">"
        "<fragment startline=\"2\" endline=\"9\"><feature>A</feature></fragment>"
        "<fragment startline=\"5\" endline=\"12\"><feature>A &amp;&amp; !B</feature>"
        "<feature>Other.java</feature></fragment>"
        "<feature>B</feature></file></folder>"
        "<feature>A</feature><note kind=\"x\"><folder name=\"inside\"/></note>"
        "<file name=\"notes.txt\"><fragment startline=\"1\" endline=\"2\"/></file>"
        "<file name=\"B.c\" length=\"7\"/></folder>"
        "<folder name=\"empty\"/>"
        "<file name=\"C.h\" length=\"12\"><fragment startline=\"12\" endline=\"3\">"
        "<feature>B</feature></fragment></file>";

    QTest::newRow("read from the bytes")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project name=\"P\">"
                      + files + "</project>\n")
        << true << 8;
    QTest::newRow("a comment at the end: read again by the stream")
        << QByteArray("<project name=\"P\">" + files + "<!-- late --></project>") << true << 8;
    QTest::newRow("line ends of two characters from the start")
        << QByteArray("<project name=\"P\">\r\n" + files + "</project>\r\n") << true << 8;
    QTest::newRow("an error at the end")
        << QByteArray("<project name=\"P\">" + files + "</projekt>") << false << 0;
    QTest::newRow("no project") << QByteArray("<folder name=\"P\">" + files + "</folder>")
                                << false << 0;
    QTest::newRow("nothing in it") << QByteArray("<project name=\"P\"/>") << true << 0;
    // Long enough for the nodes to be made while the rest is still read.
    QByteArray many = "<project name=\"P\">";
    for (int i = 0; i < 3000; ++i)
        many += "<folder name=\"f" + QByteArray::number(i % 7) + "\"><file name=\"F"
            + QByteArray::number(i) + ".java\" length=\"40\"><fragment startline=\"3\" "
            "endline=\"" + QByteArray::number(3 + i % 11) + "\"><feature>"
            + (i % 3 ? "A" : "B || A") + "</feature></fragment></file><feature>B</feature>"
            "</folder>";
    QTest::newRow("many folders") << QByteArray(many + "</project>") << true << 6001;
    QTest::newRow("many folders, a comment at the end")
        << QByteArray(many + "<!-- late --></project>") << true << 6001;
}

void TestProjectModel::nodesMadeWhileReading()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, read);
    QFETCH(int, nodes);

    m_features = makeFeatures({"A", "B", "A"});
    const QString path = m_dir->filePath(QStringLiteral("annotations.xml"));
    QVERIFY(writeFile(path, xml));

    ProjectModel afterwards;
    AnnotationsReader once(&afterwards, &m_features);
    QCOMPARE(once.readProject(AnnotationsFile::read(path)), read);

    QVERIFY(m_model->isEmpty());
    AnnotationsReader reader(m_model.get(), &m_features);
    QList<AnnotationsFile::Status> told;
    reader.setWhenRead([&told](const AnnotationsFile &file) { told.append(file.status); });
    QCOMPARE(reader.readProjectFile(path), read);
    QCOMPARE(told.size(), 1);
    QCOMPARE(told.first() == AnnotationsFile::Status::Read, read);

    QCOMPARE(describe(*m_model), describe(afterwards));
    QCOMPARE(m_model->preOrder().size(), nodes);
}

void TestProjectModel::totalsOfThePrunedTree()
{
    m_features = makeFeatures({"A", "B", "A"});
    QVERIFY(read("<project name=\"P\">"
                 "<folder name=\"src\">"
                 " <file name=\"X.java\" length=\"20\">"
                 "  <fragment startline=\"2\" endline=\"5\"><feature>A</feature></fragment>"
                 "  <fragment startline=\"8\" endline=\"9\"><feature>A &amp;&amp; B</feature>"
                 "  </fragment>"
                 " </file>"
                 " <folder name=\"empty\"><file name=\"notes.txt\"/></folder>"
                 "</folder>"
                 "<file name=\"Y.c\" length=\"7\"/>"
                 "</project>"));
    QCOMPARE(m_model->topLevelNodes().size(), 1);
    ProjectNode *project = m_model->topLevelNodes().first();
    QCOMPARE(project->children.size(), 2);
    ProjectNode *src = project->children.at(0);
    QCOMPARE(src->children.size(), 1); // the folder without a source file is gone
    ProjectNode *x = src->children.first();
    QCOMPARE(ProjectModel::relativePath(x), QStringLiteral("src/X.java"));
    QCOMPARE(x->fragments.size(), 4); // A; both As and B for the expression
    QCOMPARE(project->fragments.size(), 4);

    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/X.java")), QByteArray(20, '\n')));
    m_model->computeLineCounts(m_dir->path());
    m_model->computeTotals(m_features);
    QCOMPARE(x->lineCount, 20);
    QCOMPARE(project->lineCount, 20); // Y.c is missing on disk
    QCOMPARE(x->unannotatedLines, 1 + 2 + 11); // lines 1, 6-7 and 10-20
    QCOMPARE(project->unannotatedLines, 14 + 7);
    // Lines of the records of either feature named A: 4 + 2 + 2.
    QCOMPARE(x->featureLines.value(0), 8);
    QCOMPARE(x->featureLines.value(1), 2);
    QCOMPARE(x->featureLines.value(2), 8);
    QCOMPARE(project->featureLines.value(0), 8);
    QCOMPARE(project->featureLines.value(1), 2);
}

// Lines counted while the tree is built are the lines of the folder the
// counts are asked for, of every file, listed ahead or not.
void TestProjectModel::linesCountedAhead_data()
{
    QTest::addColumn<QStringList>("ahead"); // files counted ahead
    QTest::addColumn<bool>("elsewhere");    // counted ahead in another folder

    QTest::newRow("every file") << QStringList{"src/X.java", "Y.c"} << false;
    QTest::newRow("one file left out") << QStringList{"Y.c"} << false;
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("a file that is not there") << QStringList{"Z.c", "src/X.java", "Y.c"} << false;
    QTest::newRow("in another folder") << QStringList{"src/X.java", "Y.c"} << true;
}

void TestProjectModel::linesCountedAhead()
{
    QFETCH(QStringList, ahead);
    QFETCH(bool, elsewhere);

    QVERIFY(read("<project name=\"P\"><folder name=\"src\"><file name=\"X.java\"/></folder>"
                 "<file name=\"Y.c\"/><file name=\"Z.c\"/></project>"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/X.java")), QByteArray(20, '\n')));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("Y.c")), "a\nb\nc"));
    QTemporaryDir other;
    QVERIFY(writeFile(other.filePath(QStringLiteral("src/X.java")), QByteArray(5, '\n')));
    QVERIFY(writeFile(other.filePath(QStringLiteral("Y.c")), QByteArray(9, '\n')));

    m_model->countLinesAhead(elsewhere ? other.path() : m_dir->path(), ahead);
    m_model->computeLineCounts(m_dir->path());
    const ProjectNode *project = m_model->topLevelNodes().first();
    QCOMPARE(project->children.at(0)->children.at(0)->lineCount, 20);
    QCOMPARE(project->children.at(1)->lineCount, 3);
    QCOMPARE(project->children.at(2)->lineCount, 0);
    QCOMPARE(project->lineCount, 23);

    // Counted ahead, never asked for: the model waits for nothing it started.
    ProjectModel unused;
    unused.countLinesAhead(m_dir->path(), ahead);
}

// Records left for the nodes above the files to gather when asked are the
// records the reader would have copied to them: the same, in the same order.
void TestProjectModel::recordsGatheredAsCopied()
{
    m_features = makeFeatures({"A", "B", "C"});
    const QByteArray xml =
        "<project name=\"P\"><folder name=\"one\"><folder name=\"only\">"
        " <file name=\"X.java\"><fragment startline=\"3\" endline=\"4\"><feature>B</feature>"
        " </fragment><fragment startline=\"1\" endline=\"9\"><feature>A &amp;&amp; C</feature>"
        " </fragment></file></folder></folder>"
        "<folder name=\"two\"><file name=\"Y.c\"><fragment startline=\"2\" endline=\"2\">"
        " <feature>C</feature></fragment></file><file name=\"Z.h\"/>"
        " <file name=\"W.h\"><fragment startline=\"7\" endline=\"5\"><feature>A</feature>"
        " </fragment></file><folder name=\"empty\"><file name=\"n.txt\"/></folder></folder>"
        "</project>";
    const auto records = [](const ProjectModel &model) {
        QStringList all;
        for (ProjectNode *node : model.preOrder()) {
            node->gatherRecords();
            QStringList lines;
            for (const Fragment &record : std::as_const(node->fragments))
                lines.append(QStringLiteral("%1+%2:%3:%4")
                                 .arg(record.startLine)
                                 .arg(record.lineSpan)
                                 .arg(record.feature ? record.feature->name() : QString())
                                 .arg(record.expression));
            all.append(ProjectModel::relativePath(node) + QLatin1Char('=')
                       + lines.join(QLatin1Char(' ')));
        }
        return all;
    };
    QVERIFY(read(xml, true));
    const QStringList copied = records(*m_model);
    m_model = std::make_unique<ProjectModel>();
    QVERIFY(read(xml, false));
    const QStringList gathered = records(*m_model);
    QCOMPARE(gathered, copied);
    // Worked out by hand: the file's records, in document order, reach the
    // project; above a file the expressions are gone.
    QCOMPARE(copied.first(),
             QStringLiteral("P=3+1:B: 1+8:A: 1+8:C: 2+0:C: 7+-2:A:"));
    QVERIFY(copied.contains(QStringLiteral("one/only/X.java=3+1:B: 1+8:A:A && C 1+8:C:A && C")));
}

// Only features with code below a node take memory: a model of thousands of
// features with one annotated file stores a handful of entries.
void TestProjectModel::featureLinesKeptSparse()
{
    QStringList names;
    for (int i = 0; i < 5000; ++i)
        names.append(QStringLiteral("F%1").arg(i));
    m_features = makeFeatures(names);
    QVERIFY(read("<project name=\"P\"><folder name=\"a\"><folder name=\"b\">"
                 "<file name=\"Z.h\" length=\"50\">"
                 "<fragment startline=\"1\" endline=\"10\"><feature>F4999</feature></fragment>"
                 "</file></folder></folder></project>"));
    m_model->computeTotals(m_features);
    const ProjectNode *project = m_model->topLevelNodes().first();
    QCOMPARE(project->featureLines.size(), 5000);
    QCOMPARE(project->featureLines.value(4999), 10);
    QCOMPARE(project->featureLines.value(0), 0);
    // Four nodes with one entry each; a list per node would hold 80,000 bytes.
    QVERIFY(m_model->featureLinesMemory() < 4 * 64);
}

// Callers that index the counts as a list see what was added before, and
// what they and later additions change lands in the same place.
void TestProjectModel::listViewFollowsLaterAdditions()
{
    FeatureLineCounts counts;
    counts.grow(4);
    counts.add(2, 7);
    counts.add(0, -3);
    QList<int> &list = counts.dense();
    QCOMPARE(list, (QList<int>{-3, 0, 7, 0}));
    list[1] = 5;
    counts.add(1, 2);
    counts.add(9, 1); // beyond the entries: ignored
    QCOMPARE(counts.value(1), 7);
    QCOMPARE(&counts.dense(), &list);
    QStringList seen;
    counts.forEachNonZero([&seen](int id, int lines) {
        seen.append(QStringLiteral("%1:%2").arg(id).arg(lines));
    });
    QCOMPARE(seen, (QStringList{"0:-3", "1:7", "2:7"}));
}

QTEST_APPLESS_MAIN(TestProjectModel)
#include "tst_projectmodel.moc"

namespace {

// The flags the system gives the mapping that holds an address ("hg": large
// pages advised), from /proc/self/smaps; empty when no mapping holds it.
QByteArrayList mappingFlags(const void *address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return {};
    const auto at = quintptr(address);
    bool inside = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        // A mapping's line begins with its range, a field's with its name
        // and a colon.
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (dash > 0 && space > dash && line.at(space - 1) != ':') {
            bool ok = false;
            const quintptr start = line.left(dash).toULongLong(&ok, 16);
            const quintptr end = line.mid(dash + 1, space - dash - 1).toULongLong(&ok, 16);
            inside = ok && start <= at && at < end;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.mid(8).simplified().split(' ');
        }
    }
    return {};
}

} // namespace

// After the heap is given large pages, the blocks of a model lie in memory
// advised for them, blocks of megabytes too. Blocks that the memory freed before
// can hold are taken from there, and the room begins inside a large page
// that is left as it is: the blocks are larger than both, and their ends
// are looked at.
void TestProjectModel::heapOnLargePages_data()
{
    QTest::addColumn<qsizetype>("block");

    QTest::newRow("two megabytes") << qsizetype(2 * 1024 * 1024);
    QTest::newRow("sixteen megabytes") << qsizetype(16 * 1024 * 1024);
}

void TestProjectModel::heapOnLargePages()
{
    QFETCH(qsizetype, block);
    if (!QFile::exists(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")))
        QSKIP("This system has no large pages to give.");

    static std::size_t freeBefore = 0;
    static const bool advised = [] {
        freeBefore = mallinfo2().fordblks;
        return adviseLargePagesForHeap(qsizetype(256) * 1024 * 1024);
    }();
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator takes no advice: the heap is left as it is.
    QVERIFY(!advised);
#else
    QVERIFY(advised);
#endif
    const std::size_t size = freeBefore + std::size_t(block);
    void *memory = std::malloc(size);
    QVERIFY(memory);
    const QByteArrayList flags = mappingFlags(static_cast<const char *>(memory) + size - 1);
    std::free(memory);
    QVERIFY2(flags.contains("hg") == advised, flags.join(' ').constData());
}
