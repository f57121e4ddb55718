#include "core/formats/sessionfile.h"
#include "core/formats/studydesign.h"
#include "core/study/studymaterials.h"

#include "support/readonlyfolder.h"
#include "support/testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

SessionFile sampleSession()
{
    SessionFile session;
    session.account = QStringLiteral("anna");
    session.user = QStringLiteral("bernd");
    session.condition = QStringLiteral("plain");
    session.taskOrder = {1, 3, 2};
    session.number = 4;
    session.materials = QString(64, QLatin1Char('a'));
    session.version = QStringLiteral("0.1.0");
    session.screen = {1920, 1080};
    SessionFile::Sitting first;
    first.start = QDateTime(QDate(2026, 12, 8), QTime(9, 14, 3), Qt::UTC);
    first.end = QDateTime(QDate(2026, 12, 8), QTime(9, 51, 40), Qt::UTC);
    first.materials = session.materials;
    first.version = session.version;
    first.screen = session.screen;
    SessionFile::Sitting second = first;
    second.start = QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0), Qt::UTC);
    second.end = QDateTime();
    session.sittings = {first, second};
    return session;
}

// The documented byte stream of the materials hash, written out by hand.
QString handHash(const QList<QPair<QString, QByteArray>> &files)
{
    QByteArray stream;
    for (const auto &file : files) {
        stream += file.first.toUtf8() + "\n";
        stream += file.second.isNull() ? QByteArray("missing\n")
                                       : QByteArray::number(file.second.size()) + "\n"
                                             + file.second;
    }
    return QString::fromLatin1(QCryptographicHash::hash(stream, QCryptographicHash::Sha256)
                                   .toHex());
}

} // namespace

class TestSessionFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writtenAndReadBack();
    void timesAreUtcIso();
    void reading_data();
    void reading();
    void unwritableFolderLeavesTheOldFile();
    void folderSessions();

    void materialFilesInTheirOrder();
    void materialsHashAsDocumented();
    void materialsHashSeesEveryChange_data();
    void materialsHashSeesEveryChange();
};

void TestSessionFile::writtenAndReadBack()
{
    QTemporaryDir dir;
    const QString path = dir.path() + '/' + SessionFile::fileName("anna", "bernd");
    QVERIFY(path.endsWith("/anna_bernd_session.json"));
    const SessionFile session = sampleSession();
    QVERIFY(session.write(path));
    const SessionFile::Reading reading = SessionFile::readFile(path, "anna_bernd_session.json");
    QVERIFY2(reading.problems.isEmpty(), qPrintable(places(reading.problems).join(' ')));
    const SessionFile &back = reading.session;
    QCOMPARE(back.account, session.account);
    QCOMPARE(back.user, session.user);
    QCOMPARE(back.condition, session.condition);
    QCOMPARE(back.taskOrder, session.taskOrder);
    QCOMPARE(back.number, 4);
    QCOMPARE(back.materials, session.materials);
    QCOMPARE(back.version, session.version);
    QCOMPARE(back.screen.width, 1920);
    QCOMPARE(back.screen.height, 1080);
    QCOMPARE(back.sittings.size(), 2);
    QCOMPARE(back.sittings.at(0).start, session.sittings.at(0).start);
    QCOMPARE(back.sittings.at(0).end, session.sittings.at(0).end);
    QCOMPARE(back.sittings.at(1).start, session.sittings.at(1).start);
    QVERIFY(!back.sittings.at(1).end.isValid());
    QCOMPARE(back.sittings.at(1).screen.height, 1080);
    // Nothing else is left in the folder: the file was written in one piece.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"anna_bernd_session.json"});
}

void TestSessionFile::timesAreUtcIso()
{
    const QByteArray json = sampleSession().toJson();
    QVERIFY(json.contains("\"start\": \"2026-12-08T09:14:03Z\""));
    QVERIFY(json.contains("\"end\": \"2026-12-08T09:51:40Z\""));
    // The sitting still running has no end.
    QVERIFY(json.contains("\"end\": null"));
}

void TestSessionFile::reading_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("problems");

    const QByteArray minimal = R"({"account": "a", "user": "u", "condition": "", "taskOrder": [2, 1]})";
    QTest::newRow("the keys that are needed") << minimal << QStringList{};
    QTest::newRow("an unknown key is read over")
        << QByteArray(R"({"account": "a", "user": "u", "condition": "", "taskOrder": [], "x": 1})")
        << QStringList{"1:65: warning"};
    QTest::newRow("no account") << QByteArray(R"({"user": "u", "condition": "", "taskOrder": []})")
                                << QStringList{"1:1: error"};
    QTest::newRow("a task order with 0")
        << QByteArray(R"({"account": "a", "user": "u", "condition": "", "taskOrder": [1, 0]})")
        << QStringList{"1:61: error"};
    QTest::newRow("a sitting without start")
        << QByteArray(R"({"account": "a", "user": "u", "condition": "", "taskOrder": [],
"sittings": [ {"end": null} ]})")
        << QStringList{"2:15: error"};
    QTest::newRow("a time that is no time")
        << QByteArray(R"({"account": "a", "user": "u", "condition": "", "taskOrder": [],
"sittings": [ {"start": "yesterday"} ]})")
        << QStringList{"2:25: error"};
    QTest::newRow("a screen that is no object")
        << QByteArray(R"({"account": "a", "user": "u", "condition": "", "taskOrder": [], "screen": 3})")
        << QStringList{"1:75: error"};
    QTest::newRow("cut off") << minimal.left(30) << QStringList{"1:31: error"};
    QTest::newRow("no object") << QByteArray("[]") << QStringList{"1:1: error"};
}

void TestSessionFile::reading()
{
    QFETCH(QByteArray, json);
    QTEST(places(SessionFile::read(json, "s_u_session.json").problems), "problems");
}

void TestSessionFile::unwritableFolderLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/anna_bernd_session.json";
    QVERIFY(TestSupport::writeFile(path, "old"));
    {
        TestSupport::ReadOnlyFolder readOnly(dir.path());
        QVERIFY(readOnly.isActive());
        QString error;
        QVERIFY(!sampleSession().write(path, &error));
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(TestSupport::readFile(path), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"anna_bernd_session.json"});
}

void TestSessionFile::folderSessions()
{
    QTemporaryDir dir;
    SessionFile session = sampleSession();
    QVERIFY(session.write(dir.path() + "/anna_bernd_session.json"));
    session.account = "ben";
    session.condition = "colour";
    QVERIFY(session.write(dir.path() + "/ben_bernd_session.json"));
    QVERIFY(TestSupport::writeFile(dir.path() + "/carla_bernd_session.json", "{broken"));
    QVERIFY(TestSupport::writeFile(dir.path() + "/anna_bernd_log.txt", "x"));

    QList<Diagnostic> problems;
    const QList<SessionFile::InFolder> all = SessionFile::readFolder(dir.path(), {}, &problems);
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).fileName, QStringLiteral("anna_bernd_session.json"));
    QCOMPARE(all.at(1).session.condition, QStringLiteral("colour"));
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.first().path, QStringLiteral("carla_bernd_session.json"));

    const QList<SessionFile::InFolder> others =
        SessionFile::readFolder(dir.path(), "anna_bernd_session.json");
    QCOMPARE(others.size(), 1);
    QCOMPARE(others.first().session.account, QStringLiteral("ben"));
}

void TestSessionFile::materialFilesInTheirOrder()
{
    const StudyDesign design = StudyDesign::read(R"({"conditions": [
        {"name": "a", "assignment": "saved/z.txt"}, {"name": "b", "assignment": "saved/a.txt"},
        {"name": "c", "assignment": "saved/z.txt"}]})")
                                   .design;
    // Sorted by their UTF-8 bytes: "Z" before "a", "ä" after "z".
    const QStringList sources{"src/b.c", "src/\u00e4.c", "src/Z.c", "src/a.c", "src/b.c"};
    QCOMPARE(StudyMaterials::files(design, sources),
             (QStringList{"model.m", "annotations.xml", "questions.txt", "study.json",
                          "saved/z.txt", "saved/a.txt", "src/Z.c", "src/a.c", "src/b.c",
                          "src/\u00e4.c"}));
}

void TestSessionFile::materialsHashAsDocumented()
{
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeFile(dir.path() + "/model.m", "Root : A ;\n"));
    QVERIFY(TestSupport::writeFile(dir.path() + "/annotations.xml", "<project/>"));
    QVERIFY(TestSupport::writeFile(dir.path() + "/questions.txt", ""));
    QVERIFY(TestSupport::writeFile(dir.path() + "/src/a.c", "int a;\n"));
    const QStringList files = StudyMaterials::files(StudyDesign(), {"src/a.c"});
    const QString expected = handHash({{"model.m", "Root : A ;\n"},
                                       {"annotations.xml", "<project/>"},
                                       {"questions.txt", QByteArray("")},
                                       {"study.json", QByteArray()},
                                       {"src/a.c", "int a;\n"}});
    QCOMPARE(StudyMaterials::hash(dir.path(), files), expected);
    QCOMPARE(expected.size(), 64);
}

void TestSessionFile::materialsHashSeesEveryChange_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // null: removed

    QTest::newRow("a source changed by one byte") << "src/a.c" << QByteArray("int b;\n");
    QTest::newRow("the questions changed") << "questions.txt" << QByteArray("t;");
    QTest::newRow("an empty file instead of none") << "study.json" << QByteArray("");
    QTest::newRow("a file removed") << "model.m" << QByteArray();
    QTest::newRow("a condition's assignment changed") << "saved/p.txt" << QByteArray("<x/>");
}

void TestSessionFile::materialsHashSeesEveryChange()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeFile(dir.path() + "/model.m", "Root : A ;\n"));
    QVERIFY(TestSupport::writeFile(dir.path() + "/questions.txt", ""));
    QVERIFY(TestSupport::writeFile(dir.path() + "/src/a.c", "int a;\n"));
    QVERIFY(TestSupport::writeFile(dir.path() + "/saved/p.txt", "<savedColorAssignment/>"));
    const StudyDesign design =
        StudyDesign::read(R"({"conditions": [{"name": "p", "assignment": "saved/p.txt"}]})")
            .design;
    const QStringList files = StudyMaterials::files(design, {"src/a.c"});
    const QString before = StudyMaterials::hash(dir.path(), files);
    QCOMPARE(StudyMaterials::hash(dir.path(), files), before);
    if (content.isNull())
        QVERIFY(QFile::remove(dir.path() + '/' + file));
    else
        QVERIFY(TestSupport::writeFile(dir.path() + '/' + file, content));
    QVERIFY(StudyMaterials::hash(dir.path(), files) != before);
}

QTEST_APPLESS_MAIN(TestSessionFile)
#include "tst_sessionfile.moc"
