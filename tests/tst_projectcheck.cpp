#include "support/readonlyfolder.h"
#include "support/testfiles.h"

#include "check/projectcheck.h"
#include "core/formats/diagnostics.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

namespace {

const QByteArray goodModel = "Root : A | B | Inner ;\nInner : C ;\n";
const QByteArray goodProjectFile = R"(<project name="p">
  <folder name="src">
    <file name="a.c" length="4">
      <fragment startline="1" endline="4">
        <feature>A</feature>
      </fragment>
      <fragment startline="2" endline="3">
        <feature>B &amp;&amp; !C</feature>
      </fragment>
    </file>
  </folder>
</project>
)";
const QByteArray goodSource = "l1\nl2\nl3\nl4\n";
const QByteArray goodQuestions = "Intro\n$Question|2\n;\n";

} // namespace

class TestProjectCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faultsAreReportedWithTheirLine_data();
    void faultsAreReportedWithTheirLine();
    void studyDesignFaults_data();
    void studyDesignFaults();
};

void TestProjectCheck::faultsAreReportedWithTheirLine_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("projectFile");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("questions");
    // "path:line: severity" of every finding, in order.
    QTest::addColumn<QStringList>("findings");
    // False: checked by a user who may not write into the folder.
    QTest::addColumn<bool>("writable");

    const auto projectFile = [](const char *from, const char *to) {
        return QByteArray(goodProjectFile).replace(from, to);
    };
    QTest::newRow("a good folder") << goodModel << goodProjectFile << goodSource
                                   << goodQuestions << QStringList{} << true;
    QTest::newRow("length differs from the file")
        << goodModel << projectFile("length=\"4\"", "length=\"5\"") << goodSource
        << goodQuestions << QStringList{"annotations.xml:3: error"} << true;
    QTest::newRow("fragment after the last line")
        << goodModel << projectFile("endline=\"4\"", "endline=\"9\"") << goodSource
        << goodQuestions << QStringList{"annotations.xml:4: error"} << true;
    QTest::newRow("fragment ends before it starts")
        << goodModel
        << projectFile("startline=\"2\" endline=\"3\"", "startline=\"3\" endline=\"2\"")
        << goodSource << goodQuestions << QStringList{"annotations.xml:7: error"} << true;
    QTest::newRow("fragments overlap without nesting")
        << goodModel << projectFile("endline=\"4\"", "endline=\"2\"") << goodSource
        << goodQuestions << QStringList{"annotations.xml:7: error"} << true;
    QTest::newRow("feature not in the model")
        << goodModel << projectFile(">A<", ">X<") << goodSource << goodQuestions
        << QStringList{"annotations.xml:5: error"} << true;
    QTest::newRow("feature that is no leaf")
        << goodModel << projectFile(">A<", ">Inner<") << goodSource << goodQuestions
        << QStringList{"annotations.xml:5: error"} << true;
    QTest::newRow("expression naming no feature")
        << goodModel << projectFile("B &amp;&amp; !C", "X || !Y") << goodSource << goodQuestions
        << QStringList{"annotations.xml:8: error"} << true;
    QTest::newRow("expression naming an unknown name beside a feature")
        << goodModel << projectFile("B &amp;&amp; !C", "B || Y") << goodSource << goodQuestions
        << QStringList{"annotations.xml:8: warning"} << true;
    QTest::newRow("character positions that miss the lines")
        << goodModel
        << projectFile("endline=\"4\">", "endline=\"4\" offset=\"0\" length=\"5\">")
        << goodSource << goodQuestions << QStringList{"annotations.xml:4: warning"} << true;
    QTest::newRow("a comment in a fragment keeps the lines of what follows")
        << goodModel << projectFile("<feature>A</feature>", "<!-- why -->\n<feature>X</feature>")
        << goodSource << goodQuestions << QStringList{"annotations.xml:6: error"} << true;
    QTest::newRow("an element with a prefix is ignored, as the viewer ignores it")
        << goodModel << projectFile("    </file>", "      <x:note/>\n    </file>") << goodSource
        << goodQuestions << QStringList{"annotations.xml:10: note"} << true;
    QTest::newRow("fragment without feature")
        << goodModel << projectFile("<feature>A</feature>", "") << goodSource << goodQuestions
        << QStringList{"annotations.xml:4: error"} << true;
    QTest::newRow("file listed twice")
        << goodModel
        << projectFile("  </folder>", "    <file name=\"a.c\" length=\"4\"/>\n  </folder>")
        << goodSource << goodQuestions << QStringList{"annotations.xml:11: error"} << true;
    QTest::newRow("listed file missing on disk")
        << goodModel << projectFile("a.c", "b.c") << goodSource << goodQuestions
        << QStringList{"annotations.xml:3: warning", "src/a.c: note"} << true;
    QTest::newRow("malformed project file")
        << goodModel << projectFile("</fragment>\n    </file>", "</file>") << goodSource
        << goodQuestions << QStringList{"annotations.xml:9: error"} << true;
    QTest::newRow("wrong document element")
        << goodModel << projectFile("project", "projekt") << goodSource << goodQuestions
        << QStringList{"annotations.xml:1: error"} << true;
    QTest::newRow("feature defined twice")
        << QByteArray("Root : A | B | Inner ;\nInner : C | A ;\n") << goodProjectFile
        << goodSource << goodQuestions << QStringList{"model.m:2: error"} << true;
    QTest::newRow("empty feature name")
        << QByteArray("Root : A | B | Inner ;\nInner : C | ;\n") << goodProjectFile
        << goodSource << goodQuestions << QStringList{"model.m:2: error"} << true;
    QTest::newRow("no feature model") << QByteArray() << goodProjectFile << goodSource
                                      << goodQuestions
                                      << QStringList{"model.m: error", "annotations.xml:5: error",
                                                     "annotations.xml:8: error"} << true;
    QTest::newRow("last task not closed")
        << goodModel << goodProjectFile << goodSource
        << QByteArray(goodQuestions + "\nLast task$Question|1\n")
        << QStringList{"questions.txt:5: error"} << true;
    QTest::newRow("HTML entity in a question")
        << goodModel << goodProjectFile << goodSource
        << QByteArray("Intro\n$Tom &amp; Jerry?|2\n;\n") << QStringList{"questions.txt:2: error"} << true;
    QTest::newRow("picture that does not exist")
        << goodModel << goodProjectFile << goodSource
        << QByteArray("Intro\n$<img src=\"pic.png\">|2\n;\n")
        << QStringList{"questions.txt:2: error"} << true;
    QTest::newRow("answer-line count that is no number")
        << goodModel << goodProjectFile << goodSource << QByteArray("Intro\n$Question|two\n;\n")
        << QStringList{"questions.txt:2: error"} << true;
    QTest::newRow("second bar in a question")
        << goodModel << goodProjectFile << goodSource
        << QByteArray("Intro\n$Question|2|3\n;\n") << QStringList{"questions.txt:2: error"} << true;
    QTest::newRow("head that is no feature yet")
        << QByteArray("Root : A | B | Inner ;\nInner : C ;\nOther : D ;\n") << goodProjectFile
        << goodSource << goodQuestions << QStringList{"model.m:3: warning"} << true;
    QTest::newRow("source that is not UTF-8")
        << goodModel << goodProjectFile << QByteArray("l1\nl\xe9\nl3\nl4\n") << goodQuestions
        << QStringList{"src/a.c: note"} << true;
    QTest::newRow("folder the viewer cannot write into")
        << goodModel << goodProjectFile << goodSource << goodQuestions
        << QStringList{".: warning"} << false;
}

void TestProjectCheck::faultsAreReportedWithTheirLine()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, projectFile);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, questions);
    QFETCH(QStringList, findings);
    QFETCH(bool, writable);

    QTemporaryDir dir;
    if (!model.isEmpty())
        QVERIFY(writeFile(dir.filePath(QStringLiteral("model.m")), model));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("annotations.xml")), projectFile));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("src/a.c")), source));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("questions.txt")), questions));

    QStringList reported;
    static const QRegularExpression location(
        QStringLiteral("^([^:]+)(:\\d+)?(:\\d+)?: (error|warning|note): "));
    Diagnostics diagnostics([&reported](const QString &line) {
        const QRegularExpressionMatch match = location.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        reported.append(match.captured(1) + match.captured(2) + QStringLiteral(": ")
                        + match.captured(4));
    });
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    ProjectCheck check(dir.path(), diagnostics);
    if (writable) {
        check.run();
    } else {
        // Also as root (CI): the guard gives up root's rights meanwhile.
        TestSupport::ReadOnlyFolder readOnly(dir.path());
        QVERIFY(readOnly.isActive());
        check.run();
    }
    QCOMPARE(reported, findings);
    // The check leaves nothing behind in the folder it tried.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             before);
}

void TestProjectCheck::studyDesignFaults_data()
{
    // Null: the file is not in the folder.
    QTest::addColumn<QByteArray>("studyJson");
    QTest::addColumn<QByteArray>("participants");
    QTest::addColumn<QByteArray>("answerKey");
    // "path:line:column: severity" of every finding, in order.
    QTest::addColumn<QStringList>("findings");

    const QByteArray design = "{ \"conditions\": [ { \"name\": \"colour\" },\n"
                              "  { \"name\": \"plain\", \"colours\": false } ],\n"
                              "  \"taskOrder\": \"shuffled\" }\n";
    const QByteArray listed = "account,condition,order\np01,plain,3 1 2\n";
    const QByteArray key = "task,question,match,expected\n1,1,exact,a\n2,2,number,4\n";
    const QString keyNote = QStringLiteral("answer-key.csv: note");
    QTest::newRow("a design that is right") << design << listed << key << QStringList{keyNote};
    QTest::newRow("no design files") << QByteArray() << QByteArray() << QByteArray()
                                     << QStringList{};
    QTest::newRow("conditions in turn and Latin-square rows in step")
        << QByteArray(design).replace("shuffled", "latin-square") << QByteArray() << QByteArray()
        << QStringList{"study.json:3:16: warning"};
    QTest::newRow("conditions in turn crossed by the orders of participants.csv")
        << QByteArray(design).replace("shuffled", "latin-square") << listed << QByteArray()
        << QStringList{};
    QTest::newRow("conditions in turn crossed with the rows of a square")
        << QByteArray(design).replace("shuffled", "latin-square")
               .replace("} ],", "}, { \"name\": \"c\" } ],")
               .replace("}\n", ", \"keepFirst\": 1 }\n")
        << QByteArray() << QByteArray() << QStringList{};
    QTest::newRow("an unknown key in study.json")
        << QByteArray("{\n  \"taskorder\": \"fixed\"\n}") << QByteArray() << QByteArray()
        << QStringList{"study.json:2:3: error"};
    QTest::newRow("a condition's assignment file missing")
        << QByteArray("{\"conditions\": [{\"name\": \"p\",\n \"assignment\": \"saved/p1.txt\"}]}")
        << QByteArray() << QByteArray() << QStringList{"study.json:2:16: error"};
    QTest::newRow("participants.csv names an unknown condition")
        << design << QByteArray("account,condition\np01,colours\n") << QByteArray()
        << QStringList{"participants.csv:2:5: error"};
    QTest::newRow("participants.csv without study.json")
        << QByteArray() << QByteArray("account,condition\np01,plain\n") << QByteArray()
        << QStringList{"participants.csv:2:5: error"};
    QTest::newRow("an order that leaves out a task")
        << design << QByteArray("account,condition,order\np01,plain,3 1\n") << QByteArray()
        << QStringList{"participants.csv:2:11: error"};
    QTest::newRow("a key naming a task that does not exist")
        << QByteArray() << QByteArray() << QByteArray(key + "4,1,exact,x\n")
        << QStringList{"answer-key.csv:4:1: error", keyNote};
    QTest::newRow("a key naming an answer box that does not exist")
        << QByteArray() << QByteArray() << QByteArray(key + "1,2,exact,x\n")
        << QStringList{"answer-key.csv:4:3: error", keyNote};
    QTest::newRow("a key with a pattern that does not compile")
        << QByteArray() << QByteArray() << QByteArray(key + "3,1,regex,a[b\n")
        << QStringList{"answer-key.csv:4:14: error", keyNote};
    QTest::newRow("a key with a number that does not parse")
        << QByteArray() << QByteArray() << QByteArray(key + "3,1,number,vier\n")
        << QStringList{"answer-key.csv:4:12: error", keyNote};
    QTest::newRow("keepFirst keeps every task in place")
        << QByteArray("{\"taskOrder\": \"shuffled\", \"keepFirst\": 3}") << QByteArray()
        << QByteArray() << QStringList{"study.json:1:40: warning"};
}

void TestProjectCheck::studyDesignFaults()
{
    QFETCH(QByteArray, studyJson);
    QFETCH(QByteArray, participants);
    QFETCH(QByteArray, answerKey);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("model.m")), goodModel));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("annotations.xml")), goodProjectFile));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("src/a.c")), goodSource));
    // Three tasks with one, two and one answer boxes.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("questions.txt")),
                      "T1$Q|1;\nT2$Q|1$R|1;\nT3$Q|1;\n"));
    const auto put = [&dir](const char *name, const QByteArray &bytes) {
        return bytes.isNull() || writeFile(dir.filePath(QLatin1String(name)), bytes);
    };
    QVERIFY(put("study.json", studyJson));
    QVERIFY(put("participants.csv", participants));
    QVERIFY(put("answer-key.csv", answerKey));

    QStringList reported;
    static const QRegularExpression location(
        QStringLiteral("^([^:]+)(:\\d+)?(:\\d+)?: (error|warning|note): "));
    Diagnostics diagnostics([&reported](const QString &line) {
        const QRegularExpressionMatch match = location.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        reported.append(match.captured(1) + match.captured(2) + match.captured(3)
                        + QStringLiteral(": ") + match.captured(4));
    });
    ProjectCheck check(dir.path(), diagnostics);
    check.run();
    QTEST(reported, "findings");
}

QTEST_MAIN(TestProjectCheck)
#include "tst_projectcheck.moc"
