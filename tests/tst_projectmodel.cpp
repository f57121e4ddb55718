#include "support/features.h"
#include "support/testfiles.h"

#include "core/formats/annotationsreader.h"
#include "core/formats/annotationsscanner.h"
#include "core/model/featurematcher.h"
#include "core/model/projectmodel.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
    void totalsOfThePrunedTree();
    void featureLinesKeptSparse();
    void listViewFollowsLaterAdditions();
    void scannerReadsAsTheXmlReader_data();
    void scannerReadsAsTheXmlReader();

private:
    bool read(const QByteArray &xml);

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

bool TestProjectModel::read(const QByteArray &xml)
{
    const QString path = m_dir->filePath(QStringLiteral("annotations.xml"));
    if (!writeFile(path, xml))
        return false;
    AnnotationsReader reader(m_model.get(), &m_features);
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

// Unannotated lines and lines per feature add up over the rows that stay
// after pruning; a pruned folder takes nothing with it, and a feature named
// twice counts for both entries.
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

namespace {

// Every node of a model in pre-order, with what the trees take from it.
QString describe(const ProjectModel &model)
{
    QStringList lines;
    for (const ProjectNode *node : model.preOrder()) {
        QString line = QStringLiteral("%1 %2 length %3 unannotated %4:")
                           .arg(node->kind)
                           .arg(ProjectModel::relativePath(node))
                           .arg(node->length)
                           .arg(node->unannotatedLines);
        for (const Fragment &record : node->fragments)
            line += QStringLiteral(" [%1+%2 %3 '%4' /%5]")
                        .arg(record.startLine)
                        .arg(record.lineSpan)
                        .arg(record.feature ? record.feature->name() : QStringLiteral("-"))
                        .arg(record.expression)
                        .arg(record.featureCount);
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// The scanner takes the form the import writes and must read it exactly as
// the XML reader does; a comment at the end leaves the same text to the XML
// reader, whose model is the expected one.
void TestProjectModel::scannerReadsAsTheXmlReader_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("scanned");

    const QByteArray file = "<file name=\"X.java\" length=\"20\">"
                            "<fragment startline=\"2\" endline=\"5\"><feature>A</feature></fragment>"
                            "</file>";
    QTest::newRow("as the import writes it")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project name=\"P\">\n"
                      "  <folder name=\"src\">\n    " + file + "\n  </folder>\n</project>\n")
        << true;
    QTest::newRow("entities, single quotes, expressions and shared fragments")
        << QByteArray("<project name='P &amp; Q'><folder name=\"a&lt;b\">"
                      "<file name=\"Y.c\" length=\"30\">"
                      "<fragment startline=\"3\" endline=\"9\"><feature>A &amp;&amp; !B</feature>"
                      "</fragment><fragment startline='7' endline='7'><feature>B</feature>"
                      "<feature>A</feature></fragment>"
                      "<fragment startline=\"12\" endline=\"10\"><feature>C || A</feature>"
                      "</fragment><fragment startline=\"1\" endline=\"2\"><feature/></fragment>"
                      "</file></folder></project>")
        << true;
    QTest::newRow("names beyond ASCII, unknown names, empty elements")
        << QByteArray("\xEF\xBB\xBF<project name=\"Gr\xC3\xB6\xC3\x9F" "e\">"
                      "<folder name=\"leer\"/><file name=\"Z.h\"/>"
                      "<file name=\"\xC3\xA4.java\" length=\"8\" extra=\"1\">"
                      "<fragment startline=\"1\" endline=\"3\"><feature>Unknown</feature>"
                      "</fragment><fragment startline=\"2\" endline=\"4\">"
                      "<feature>Gr\xC3\xB6\xC3\x9F" "e</feature></fragment></file></project>")
        << true;
    QTest::newRow("a file that is no source: left to the XML reader")
        << QByteArray("<project name=\"P\">" + file + "<file name=\"notes.txt\"/></project>") << false;
    QTest::newRow("a feature outside a fragment: left to the XML reader")
        << QByteArray("<project name=\"P\"><feature>A</feature>" + file + "</project>") << false;
    QTest::newRow("a character reference: left to the XML reader")
        << QByteArray("<project name=\"P&#65;\">" + file + "</project>") << false;
}

void TestProjectModel::scannerReadsAsTheXmlReader()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, scanned);

    m_features = makeFeatures({"A", "B", "C", QString::fromUtf8("Gr\xC3\xB6\xC3\x9F" "e")});
    ProjectModel direct;
    QCOMPARE(AnnotationsScanner(&direct, &m_features).read(xml), scanned);
    QVERIFY(read(xml));
    const QString fromScanner = describe(*m_model);
    if (scanned)
        QCOMPARE(describe(direct), fromScanner);

    m_model = std::make_unique<ProjectModel>();
    QVERIFY(read(xml + "<!-- read by the XML reader -->\n"));
    QCOMPARE(fromScanner, describe(*m_model));
    QVERIFY(!m_model->isEmpty());
}

QTEST_APPLESS_MAIN(TestProjectModel)
#include "tst_projectmodel.moc"
