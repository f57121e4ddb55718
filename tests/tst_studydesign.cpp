#include "core/formats/jsonlocations.h"
#include "core/formats/participantsfile.h"
#include "core/formats/studydesign.h"

#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// "line:column: severity" of every problem, in order.
QStringList places(const QList<Diagnostic> &problems)
{
    QStringList result;
    for (const Diagnostic &problem : problems) {
        result << QStringLiteral("%1:%2: %3")
                      .arg(problem.line)
                      .arg(problem.column)
                      .arg(problem.severity == Diagnostic::Severity::Error ? "error" : "warning");
    }
    return result;
}

QStringList conditionNames(const StudyDesign &design)
{
    QStringList names;
    for (const StudyCondition &condition : design.conditions)
        names << condition.name;
    return names;
}

const QByteArray twoConditions =
    R"({ "conditions": [ { "name": "colour", "colours": true },
                 { "name": "plain", "colours": false } ] })";

} // namespace

class TestStudyDesign : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jsonLocations_data();
    void jsonLocations();

    void studyJson_data();
    void studyJson();
    void conditionsAsWritten();
    void assignmentFileMustBeInTheFolder();
    void folderWithoutStudyJson();

    void participants_data();
    void participants();
    void participantsEntryByTrimmedAccount();
};

void TestStudyDesign::jsonLocations_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<int>("keyLine");
    QTest::addColumn<int>("keyColumn");
    QTest::addColumn<int>("valueLine");
    QTest::addColumn<int>("valueColumn");

    QTest::newRow("top-level key") << QByteArray(R"({"a": 1})") << QStringList{"a"} << 1 << 2
                                   << 1 << 7;
    QTest::newRow("key on a later line")
        << QByteArray("{\n  \"a\": 1,\n  \"b\": true\n}") << QStringList{"b"} << 3 << 3 << 3 << 8;
    QTest::newRow("inside an array of objects")
        << QByteArray(R"({"c": [ {"n": 1}, {"n": 2, "m": "x"} ]})") << QStringList{"c", "1", "m"}
        << 1 << 28 << 1 << 33;
    QTest::newRow("columns count characters, not bytes")
        << QByteArray("{\"\xc3\xa4\xc3\xb6\": 1, \"k\": 2}") << QStringList{"k"} << 1 << 11
        << 1 << 16;
    QTest::newRow("escaped key") << QByteArray(R"({"a\"b": 1, "\u00e4": 2})")
                                 << QStringList{QStringLiteral("\u00e4")} << 1 << 13 << 1 << 23;
    QTest::newRow("commas and braces inside strings are text")
        << QByteArray(R"({"a": "x,}]{", "b": 1})") << QStringList{"b"} << 1 << 16 << 1 << 21;
    QTest::newRow("an array's element")
        << QByteArray("[1,\n 2]") << QStringList{"1"} << 1 << 1 << 2 << 2;
    QTest::newRow("a path that is not there gives the place around it")
        << QByteArray("{\"a\": {\n \"b\": 1}}") << QStringList{"a", "c"} << 1 << 7 << 1 << 7;
    QTest::newRow("no value at all") << QByteArray(" ") << QStringList{} << 0 << 0 << 0 << 0;
}

void TestStudyDesign::jsonLocations()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, path);
    const JsonLocations locations(json);
    QTEST(locations.key(path).line, "keyLine");
    QTEST(locations.key(path).column, "keyColumn");
    QTEST(locations.value(path).line, "valueLine");
    QTEST(locations.value(path).column, "valueColumn");
}

void TestStudyDesign::studyJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<QStringList>("conditions");

    const QStringList none;
    QTest::newRow("the example of the README")
        << QByteArray(R"({ "conditions": [ { "name": "colour", "colours": true },
                  { "name": "plain",  "colours": false },
                  { "name": "preset", "colours": true, "assignment": "savedColorAssignments/chat1.txt", "locked": true, "opacity": 60 } ],
  "assign": "balanced",
  "taskOrder": "latin-square",
  "keepFirst": 1 })")
        << none << QStringList{"colour", "plain", "preset"};
    QTest::newRow("an empty object: no conditions") << QByteArray("{}") << none << none;
    QTest::newRow("a byte order mark is allowed")
        << QByteArray("\xEF\xBB\xBF") + twoConditions << none << QStringList{"colour", "plain"};
    QTest::newRow("syntax error names its line and column")
        << QByteArray("{\n  \"conditions\": [\n    { \"name\": \"a\", }\n  ]\n}")
        << QStringList{"3:21: error"} << none;
    QTest::newRow("unknown key at the top")
        << QByteArray("{\n  \"taskorder\": \"fixed\"\n}") << QStringList{"2:3: error"} << none;
    QTest::newRow("unknown key in a condition")
        << QByteArray("{ \"conditions\": [\n  { \"name\": \"a\", \"opcity\": 3 } ] }")
        << QStringList{"2:18: error"} << QStringList{"a"};
    QTest::newRow("a key given twice")
        << QByteArray(R"({"keepFirst": 1, "keepFirst": 2})") << QStringList{"1:18: error"}
        << none;
    QTest::newRow("colours that are no boolean")
        << QByteArray(R"({"conditions": [{"name": "a", "colours": "no"}]})")
        << QStringList{"1:42: error"} << none;
    QTest::newRow("opacity above the slider's range")
        << QByteArray(R"({"conditions": [{"name": "a", "opacity": 256}]})")
        << QStringList{"1:42: error"} << none;
    QTest::newRow("opacity that is no whole number")
        << QByteArray(R"({"conditions": [{"name": "a", "opacity": 60.5}]})")
        << QStringList{"1:42: error"} << none;
    QTest::newRow("a negative keepFirst") << QByteArray(R"({"keepFirst": -1})")
                                          << QStringList{"1:15: error"} << none;
    QTest::newRow("an unknown task order") << QByteArray(R"({"taskOrder": "random"})")
                                           << QStringList{"1:15: error"} << none;
    QTest::newRow("an unknown assignment rule") << QByteArray(R"({"assign": "first"})")
                                                << QStringList{"1:12: error"} << none;
    QTest::newRow("a condition without a name")
        << QByteArray(R"({"conditions": [{"colours": false}]})") << QStringList{"1:17: error"}
        << none;
    QTest::newRow("a condition with an empty name")
        << QByteArray(R"({"conditions": [{"name": " "}]})") << QStringList{"1:26: error"}
        << none;
    QTest::newRow("two conditions of one name")
        << QByteArray(R"({"conditions": [{"name": "a"}, {"name": "a"}]})")
        << QStringList{"1:41: error"} << QStringList{"a"};
    QTest::newRow("conditions that are no list") << QByteArray(R"({"conditions": {}})")
                                                 << QStringList{"1:16: error"} << none;
    QTest::newRow("a list without conditions") << QByteArray(R"({"conditions": []})")
                                               << QStringList{"1:16: error"} << none;
    QTest::newRow("a condition that is no object") << QByteArray(R"({"conditions": ["a"]})")
                                                   << QStringList{"1:17: error"} << none;
    QTest::newRow("a list instead of an object") << QByteArray("[]")
                                                 << QStringList{"1:1: error"} << none;
    QTest::newRow("an empty file") << QByteArray() << QStringList{"1:1: error"} << none;
    QTest::newRow("an assignment outside the folder")
        << QByteArray(R"({"conditions": [{"name": "a", "assignment": "../x.txt"}]})")
        << QStringList{"1:45: error"} << none;
    QTest::newRow("an absolute assignment")
        << QByteArray(R"({"conditions": [{"name": "a", "assignment": "/tmp/x.txt"}]})")
        << QStringList{"1:45: error"} << none;
    QTest::newRow("settings of a condition without colours warn")
        << QByteArray(R"({"conditions": [{"name": "a", "colours": false, "locked": true}]})")
        << QStringList{"1:17: warning"} << QStringList{"a"};
}

void TestStudyDesign::studyJson()
{
    QFETCH(QByteArray, json);
    const StudyDesign::Reading reading = StudyDesign::read(json);
    QTEST(places(reading.problems), "problems");
    QTEST(conditionNames(reading.design), "conditions");
    QCOMPARE(reading.usable(), !containsErrors(reading.problems));
    for (const Diagnostic &problem : reading.problems)
        QCOMPARE(problem.path, StudyDesign::FileName);
}

void TestStudyDesign::conditionsAsWritten()
{
    const StudyDesign::Reading reading = StudyDesign::read(R"({
  "conditions": [ { "name": "plain", "colours": false },
                  { "name": "preset", "assignment": "saved/./chat1.txt", "locked": true,
                    "opacity": 60 } ],
  "taskOrder": "shuffled", "keepFirst": 2 })");
    QVERIFY(reading.usable());
    const StudyDesign &design = reading.design;
    QCOMPARE(design.taskOrder, StudyDesign::TaskOrder::Shuffled);
    QCOMPARE(design.keepFirst, 2);
    QCOMPARE(design.conditions.size(), 2);
    const StudyCondition *plain = design.condition(QStringLiteral("plain"));
    QVERIFY(plain);
    QVERIFY(!plain->colours);
    QVERIFY(!plain->locked);
    QCOMPARE(plain->opacity, -1);
    QVERIFY(plain->assignment.isEmpty());
    const StudyCondition *preset = design.condition(QStringLiteral("preset"));
    QVERIFY(preset);
    QVERIFY(preset->colours);
    QVERIFY(preset->locked);
    QCOMPARE(preset->opacity, 60);
    QCOMPARE(preset->assignment, QStringLiteral("saved/chat1.txt"));
    QCOMPARE(preset->assignmentPosition.line, 3);
    QVERIFY(!design.condition(QStringLiteral("colour")));
}

void TestStudyDesign::assignmentFileMustBeInTheFolder()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeFile(dir.path() + "/savedColorAssignments/chat1.txt", "x"));
    const StudyDesign design = StudyDesign::read(R"({"conditions": [
  {"name": "there", "assignment": "savedColorAssignments/chat1.txt"},
  {"name": "missing", "assignment": "savedColorAssignments/chat2.txt"},
  {"name": "a folder", "assignment": "savedColorAssignments"}]})")
                                   .design;
    QCOMPARE(places(design.checkFiles(dir.path())),
             (QStringList{"3:37: error", "4:38: error"}));
}

void TestStudyDesign::folderWithoutStudyJson()
{
    QTemporaryDir dir;
    const StudyDesign::Reading reading = StudyDesign::readFolder(dir.path());
    QVERIFY(reading.problems.isEmpty());
    QVERIFY(!reading.design.present);
    QVERIFY(reading.design.conditions.isEmpty());
    QCOMPARE(reading.design.taskOrder, StudyDesign::TaskOrder::Fixed);

    QVERIFY(TestSupport::writeFile(dir.path() + "/study.json", "{\"conditions\": ["));
    QCOMPARE(places(StudyDesign::readFolder(dir.path()).problems), QStringList{"1:17: error"});
}

void TestStudyDesign::participants_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("taskCount");
    QTest::addColumn<QStringList>("problems");
    // "account:condition:order" of every entry read.
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("accounts with condition and order")
        << QByteArray("account,condition,order\np01,colour,1 3 2\np02,plain,\"2,1,3\"\n") << 3
        << QStringList{} << QStringList{"p01:colour:1,3,2", "p02:plain:2,1,3"};
    QTest::newRow("columns in another order, no order column, CRLF")
        << QByteArray("condition,account\r\nplain,p01\r\n") << 3 << QStringList{}
        << QStringList{"p01:plain:"};
    QTest::newRow("an empty condition leaves it to the design")
        << QByteArray("account,condition,order\np01,,3;2;1\n") << 3 << QStringList{}
        << QStringList{"p01::3,2,1"};
    QTest::newRow("an unknown condition")
        << QByteArray("account,condition\np01,colour\np02,colours\n") << 3
        << QStringList{"3:5: error"} << QStringList{"p01:colour:"};
    QTest::newRow("an account listed twice")
        << QByteArray("account,condition\np01,colour\np01,plain\n") << 3
        << QStringList{"3:1: error"} << QStringList{"p01:colour:"};
    QTest::newRow("an account that cannot name a file")
        << QByteArray("account,condition\n../p01,colour\n") << 3 << QStringList{"2:1: error"}
        << QStringList{};
    QTest::newRow("an order missing a task")
        << QByteArray("account,condition,order\np01,colour,1 2\n") << 3
        << QStringList{"2:12: error"} << QStringList{};
    QTest::newRow("an order naming a task twice")
        << QByteArray("account,condition,order\np01,colour,1 2 2\n") << 3
        << QStringList{"2:12: error"} << QStringList{};
    QTest::newRow("an order that is no list of numbers")
        << QByteArray("account,condition,order\np01,colour,first\n") << 3
        << QStringList{"2:12: error"} << QStringList{};
    QTest::newRow("orders are not checked without questions")
        << QByteArray("account,condition,order\np01,colour,1 2\n") << -1 << QStringList{}
        << QStringList{"p01:colour:1,2"};
    QTest::newRow("a row with too few fields")
        << QByteArray("account,condition\np01\np02,plain\n") << 3 << QStringList{"2:1: error"}
        << QStringList{"p02:plain:"};
    QTest::newRow("an unknown column") << QByteArray("account,condition,group\n") << 3
                                       << QStringList{"1:19: error"} << QStringList{};
    QTest::newRow("no header") << QByteArray("p01,colour\n") << 3
                               << QStringList{"1:1: error", "1:5: error"} << QStringList{};
    QTest::newRow("an empty file") << QByteArray() << 3 << QStringList{"1:1: error"}
                                   << QStringList{};
    QTest::newRow("a quote left open")
        << QByteArray("account,condition\np01,\"colour\np02,plain\n") << 3
        << QStringList{"2:5: error"} << QStringList{};
    QTest::newRow("text after a closing quote")
        << QByteArray("account,condition\np01,\"colour\"x\np02,plain\n") << 3
        << QStringList{"2:13: error"} << QStringList{"p02:plain:"};
    QTest::newRow("blank lines and a last line without line end")
        << QByteArray("account,condition\n\np01,plain") << 3 << QStringList{}
        << QStringList{"p01:plain:"};
}

void TestStudyDesign::participants()
{
    QFETCH(QByteArray, csv);
    QFETCH(int, taskCount);
    const StudyDesign design = StudyDesign::read(twoConditions).design;
    QCOMPARE(design.conditions.size(), 2);
    const ParticipantsFile::Reading reading = ParticipantsFile::read(csv, design, taskCount);
    QTEST(places(reading.problems), "problems");
    QStringList entries;
    for (const ParticipantsFile::Entry &entry : reading.file.entries) {
        QStringList order;
        for (int task : entry.order)
            order << QString::number(task);
        entries << entry.account + ':' + entry.condition + ':' + order.join(',');
    }
    QTEST(entries, "entries");
}

void TestStudyDesign::participantsEntryByTrimmedAccount()
{
    const StudyDesign design = StudyDesign::read(twoConditions).design;
    const ParticipantsFile file =
        ParticipantsFile::read("account,condition\n p01 ,plain\n", design, 3).file;
    QVERIFY(file.entry(QStringLiteral("p01")));
    QVERIFY(file.entry(QStringLiteral(" p01")));
    QVERIFY(!file.entry(QStringLiteral("P01")));
    QVERIFY(!file.entry(QStringLiteral("p02")));

    // Listing a condition needs a study.json with conditions.
    const ParticipantsFile::Reading without =
        ParticipantsFile::read("account,condition\np01,plain\n", StudyDesign(), 3);
    QCOMPARE(places(without.problems), QStringList{"2:5: error"});
    QVERIFY(!without.usable());
}

QTEST_APPLESS_MAIN(TestStudyDesign)
#include "tst_studydesign.moc"
