#include "core/formats/logrecord.h"
#include "core/formats/viewfile.h"
#include "replay/replayfiles.h"
#include "replay/replaysources.h"
#include "replay/replaytimeline.h"

#include "support/sittingfiles.h"
#include "support/testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

namespace {

// "-10,50": sitting starts in seconds after SittingBase.
QList<QDateTime> sittingsOf(const QString &starts)
{
    QList<QDateTime> times;
    for (const QString &start : starts.split(QLatin1Char(','), Qt::SkipEmptyParts))
        times.append(QDateTime::fromSecsSinceEpoch(SittingBase + start.toLongLong(), Qt::UTC));
    return times;
}

ReplayTimeline timelineOf(const QStringList &log, const QStringList &view,
                          const QString &sittings = QString(), int taskCount = 0)
{
    QList<Diagnostic> warnings;
    const QList<LogRecord> records = log.isEmpty()
        ? QList<LogRecord>()
        : LogRecord::parseLog(QString::fromUtf8(logOf(log)), QStringLiteral("log"), &warnings);
    const QList<ViewFile::Row> rows =
        view.isEmpty() ? QList<ViewFile::Row>() : ViewFile::read(viewOf(view), QStringLiteral("view")).rows;
    Q_ASSERT(warnings.isEmpty());
    ReplayTimeline::Settings settings;
    settings.taskCount = taskCount;
    settings.sittingStarts = sittingsOf(sittings);
    return ReplayTimeline(records, rows, settings);
}

// The state as scripts get it, and what else of it the window shows.
QJsonObject observed(const ReplayState &state)
{
    QJsonObject json = state.toJson();
    const ReplayTab *front = state.frontTab();
    json.insert(QStringLiteral("frontOpacity"), front ? QJsonValue(front->opacity) : QJsonValue());
    json.insert(QStringLiteral("marks"), state.marks);
    json.insert(QStringLiteral("finderText"), state.finderText);
    json.insert(QStringLiteral("featureView"), state.featureView);
    json.insert(QStringLiteral("focus"), state.focus);
    json.insert(QStringLiteral("closed"), state.closed);
    json.insert(QStringLiteral("finished"), state.finished);
    return json;
}

QString segmentsText(const ReplayTimeline &timeline)
{
    QStringList parts;
    for (const ReplayTimeline::Segment &segment : timeline.segments())
        parts << QStringLiteral("%1:%2-%3").arg(segment.task).arg(segment.start).arg(segment.end);
    return parts.join(QLatin1Char(' '));
}

QString gapsText(const ReplayTimeline &timeline)
{
    QStringList parts;
    for (const ReplayTimeline::Gap &gap : timeline.gaps())
        parts << QStringLiteral("%1-%2").arg(gap.start).arg(gap.end);
    return parts.join(QLatin1Char(' '));
}

const QString signIn = QStringLiteral("0|code||code||");

} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stateAt_data();
    void stateAt();
    void segmentsAndGaps_data();
    void segmentsAndGaps();
    void steps();
    void clock_data();
    void clock();
    void locate_data();
    void locate();
    void usersOf_data();
    void usersOf();
    void sourcesSayWhatIsMissing();
    void pagesFollowTheTaskOrder_data();
    void pagesFollowTheTaskOrder();
};

void TestReplay::stateAt_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("view");
    QTest::addColumn<QString>("sittings");
    QTest::addColumn<int>("tasks");
    QTest::addColumn<double>("at");
    QTest::addColumn<QString>("expected"); // the keys to compare, as JSON

    const QString openA = QStringLiteral("1|task0|/A.java|fileOpened|1|40");
    const QString openB = QStringLiteral("2|task0|/B.java|fileOpened|1|30");
    const QStringList opened{signIn, QStringLiteral("3|task0|/A.java|fileOpened|1|40")};
    const QStringList none;

    QTest::newRow("a sign-in starts the first task")
        << QStringList{signIn} << none << QString() << 0 << 0.0
        << R"({"task":"task0","tabs":[],"front":null,"file":null,"first":null})";
    QTest::newRow("an opened file is in front with the lines it logged")
        << opened << none << QString() << 0 << 3.0
        << R"({"task":"task0","file":"/A.java","first":1,"last":40,"tabs":["/A.java"],
              "front":"/A.java"})";
    QTest::newRow("before its record a file is not open yet")
        << opened << none << QString() << 0 << 2.999 << R"({"tabs":[],"file":null})";
    const QStringList oneSecond{signIn, QStringLiteral("5|task0|/A.java|fileOpened|1|40"),
                                QStringLiteral("5|task0|/B.java|fileOpened|1|30"),
                                QStringLiteral("5|task0|/A.java|selectionChanged|10|50")};
    QTest::newRow("the second of three records in one second has the second third")
        << oneSecond << none << QString() << 0 << 5.4
        << R"({"file":"/B.java","first":1,"last":30,"tabs":["/A.java","/B.java"],"front":"/B.java"})";
    QTest::newRow("the third of three records in one second has the last third")
        << oneSecond << none << QString() << 0 << 5.7
        << R"({"file":"/A.java","first":10,"last":50,"front":"/A.java"})";
    QTest::newRow("closing the tab in front brings the one right of it forward")
        << QStringList{signIn, openA, openB, QStringLiteral("3|task0|/C.java|fileOpened|1|9"),
                       QStringLiteral("4|task0|/B.java|selectionChanged|1|30"),
                       QStringLiteral("5|task0|/B.java|fileClosed|1|30")}
        << none << QString() << 0 << 5.0
        << R"({"tabs":["/A.java","/C.java"],"front":"/C.java","file":"/B.java"})";
    QTest::newRow("closing the last tab in front brings the one left of it forward")
        << QStringList{signIn, openA, openB, QStringLiteral("3|task0|/B.java|fileClosed|1|30")}
        << none << QString() << 0 << 3.0 << R"({"tabs":["/A.java"],"front":"/A.java"})";
    QTest::newRow("closing a tab behind keeps the one in front")
        << QStringList{signIn, openA, openB, QStringLiteral("3|task0|/A.java|fileClosed|1|30")}
        << none << QString() << 0 << 3.0
        << R"({"tabs":["/B.java"],"front":"/B.java","file":"/A.java"})";
    QTest::newRow("closing the only tab leaves none in front")
        << QStringList{signIn, openA, QStringLiteral("2|task0|/A.java|fileClosed|1|40")}
        << none << QString() << 0 << 2.0 << R"({"tabs":[],"front":null,"file":"/A.java"})";
    const QStringList tasks{signIn, openA, QStringLiteral("15|task1|/A.java|selectionChanged|1|40"),
                            QStringLiteral("20|task1|/A.java|taskCompleted|1|40")};
    QTest::newRow("leaving the first task page is seen at the next record")
        << tasks << none << QString() << 3 << 14.9 << R"({"task":"task0"})";
    QTest::newRow("a completed task turns to the next page")
        << tasks << none << QString() << 3 << 20.0 << R"({"task":"task2","finished":false})";
    QTest::newRow("the last completed task stays the task shown")
        << tasks << none << QString() << 2 << 20.0 << R"({"task":"task1","finished":true})";
    const QStringList slider{signIn, openA,
                             QStringLiteral("2|task0|/A.java|saturationChanged(48)|1|40")};
    QTest::newRow("a released slider sets the opacity of the tab in front")
        << slider << none << QString() << 0 << 2.0 << R"({"opacity":48,"frontOpacity":48})";
    QTest::newRow("a tab opened later starts at the slider's opacity")
        << slider + QStringList{QStringLiteral("3|task0|/B.java|fileOpened|1|30")} << none
        << QString() << 0 << 3.0 << R"({"opacity":48,"frontOpacity":48})";
    QTest::newRow("a tab keeps its own opacity")
        << QStringList{signIn, openA, openB,
                       QStringLiteral("3|task0|/B.java|saturationChanged(48)|1|30"),
                       QStringLiteral("4|task0|/A.java|selectionChanged|1|40")}
        << none << QString() << 0 << 4.0 << R"({"opacity":48,"frontOpacity":170})";
    const QStringList searched{signIn, openA,
                               QStringLiteral("2|task0|/A.java|search<current>(History)|1|40")};
    QTest::newRow("a search in the current file marks the tab in front")
        << searched << none << QString() << 0 << 2.0
        << R"({"search":{"kind":"current","text":"History"},"marks":true,"finderText":"History"})";
    QTest::newRow("another tab in front has no marks, the search stays")
        << searched + QStringList{QStringLiteral("3|task0|/B.java|fileOpened|1|30")} << none
        << QString() << 0 << 3.0
        << R"({"search":{"kind":"current","text":"History"},"marks":false})";
    QTest::newRow("a project search leaves the marks")
        << searched + QStringList{QStringLiteral("3|task0|/A.java|search<project>(Tcp)|1|40")}
        << none << QString() << 0 << 3.0
        << R"({"search":{"kind":"project","text":"Tcp"},"marks":true,"finderText":"Tcp"})";
    QTest::newRow("a searched text keeps its brackets and dollar signs")
        << QStringList{signIn, openA, QStringLiteral("2|task0|/A.java|search<current>(a$(b))|1|40")}
        << none << QString() << 0 << 2.0 << R"json({"search":{"kind":"current","text":"a$(b)"}})json";
    QTest::newRow("a feature search keeps the finder's text")
        << searched + QStringList{QStringLiteral("3|task0|/A.java|search<feature>(spam)|1|40")}
        << none << QString() << 0 << 3.0
        << R"({"search":{"kind":"feature","text":"spam"},"finderText":"History"})";
    QTest::newRow("the explorer shows the feature view")
        << QStringList{signIn, QStringLiteral("2|task0||select<FeatureView>||")} << none
        << QString() << 0 << 2.0 << R"({"featureView":true})";
    const QStringList resumed{signIn, QStringLiteral("10|task0|/A.java|fileOpened|1|40"),
                              QStringLiteral("+100|code||code||")};
    QTest::newRow("between two runs the screen stays as it was left")
        << resumed << none << QString() << 0 << 50.0
        << R"({"interrupted":true,"tabs":["/A.java"],"file":"/A.java"})";
    QTest::newRow("a new run of the viewer starts with nothing open")
        << resumed << none << QString() << 0 << 100.0
        << R"({"interrupted":false,"tabs":[],"task":"task0","opacity":170})";
    QTest::newRow("after the last record the sitting stays as it ended")
        << resumed << none << QString() << 0 << 500.0 << R"({"interrupted":false,"tabs":[]})";

    QTest::newRow("colours come from the view file")
        << QStringList{signIn} << QStringList{QStringLiteral("2.5|colour|task0||||Tcp=#FF5555")}
        << QString() << 0 << 2.5 << R"({"colours":{"Tcp":"#ff5555"}})";
    QTest::newRow("before a colour is given the feature has none")
        << QStringList{signIn} << QStringList{QStringLiteral("2.5|colour|task0||||Tcp=#ff5555")}
        << QString() << 0 << 2.499 << R"({"colours":{}})";
    QTest::newRow("a colour taken away is gone")
        << QStringList{signIn}
        << QStringList{QStringLiteral("2|colour|task0||||Tcp=#ff5555"),
                       QStringLiteral("2|colour|task0||||Local=#00ff00"),
                       QStringLiteral("4|colour|task0||||Tcp=")}
        << QString() << 0 << 4.0 << R"({"colours":{"Local":"#00ff00"}})";
    QTest::newRow("without a view file no colours are known")
        << opened << none << QString() << 0 << 3.0 << R"({"colours":null})";
    QTest::newRow("a colour that is no #rrggbb is left out")
        << QStringList{signIn} << QStringList{QStringLiteral("2|colour|task0||||Tcp=red")}
        << QString() << 0 << 2.0 << R"({"colours":{}})";
    QTest::newRow("a feature's name ends at the last equals sign")
        << QStringList{signIn} << QStringList{QStringLiteral("2|colour|task0||||a=b=#00ff00")}
        << QString() << 0 << 2.0 << R"({"colours":{"a=b":"#00ff00"}})";
    const QStringList scrolled{QStringLiteral("4.5|view|task0|/A.java|20|60|170")};
    QTest::newRow("a scroll between records moves the lines")
        << opened << scrolled << QString() << 0 << 4.5
        << R"({"file":"/A.java","first":20,"last":60})";
    QTest::newRow("before the scroll the lines are the record's")
        << opened << scrolled << QString() << 0 << 4.499 << R"({"first":1,"last":40})";
    QTest::newRow("a record comes after the view rows of its moment")
        << opened << QStringList{QStringLiteral("3|view|task0|/A.java|20|60|170")} << QString()
        << 0 << 3.0 << R"({"first":1,"last":40})";
    QTest::newRow("a view row without a file closes every tab")
        << opened << QStringList{QStringLiteral("4|view|task0|||||")} << QString() << 0 << 4.0
        << R"({"tabs":[],"front":null,"file":null})";
    QTest::newRow("a view row of a tab the log never opened opens it")
        << QStringList{signIn} << QStringList{QStringLiteral("4|view|task0|/B.java|5|9|170")}
        << QString() << 0 << 4.0 << R"({"tabs":["/B.java"],"front":"/B.java","first":5})";
    QTest::newRow("a page row says the task at once")
        << opened << QStringList{QStringLiteral("20.5|page|task1||||2")} << QString() << 0
        << 20.5 << R"({"task":"task1"})";
    QTest::newRow("the opacity row moves the slider and the tab in front")
        << opened << QStringList{QStringLiteral("4|opacity|task0||||30")} << QString() << 0
        << 4.0 << R"({"opacity":30,"frontOpacity":30})";
    QTest::newRow("a view row gives its tab its opacity")
        << opened << QStringList{QStringLiteral("4|view|task0|/A.java|1|40|99")} << QString()
        << 0 << 4.0 << R"({"opacity":170,"frontOpacity":99})";
    QTest::newRow("a search row's text may hold a colon")
        << opened << QStringList{QStringLiteral("4|search|task0||||feature:a:b")} << QString()
        << 0 << 4.0 << R"({"search":{"kind":"feature","text":"a:b"}})";
    QTest::newRow("the participant in another program")
        << opened << QStringList{QStringLiteral("4|focus-out|task0||||")} << QString() << 0
        << 4.0 << R"({"focus":false})";
    QTest::newRow("back in the viewer")
        << opened
        << QStringList{QStringLiteral("4|focus-out|task0||||"), QStringLiteral("5|focus-in|task0||||")}
        << QString() << 0 << 5.0 << R"({"focus":true})";
    QTest::newRow("a new run forgets the colours")
        << resumed << QStringList{QStringLiteral("11|colour|task0||||Tcp=#ff5555")} << QString()
        << 0 << 100.0 << R"({"colours":{}})";
    const QStringList viewAlone{QStringLiteral("0|page|task0||||1"),
                                QStringLiteral("2|view|task0|/A.java|1|30|170"),
                                QStringLiteral("5|close|task0||||"),
                                QStringLiteral("50|page|task1||||2")};
    QTest::newRow("a view file alone is replayed")
        << none << viewAlone << QString() << 0 << 2.0
        << R"({"task":"task0","file":"/A.java","tabs":["/A.java"],"colours":{}})";
    QTest::newRow("the viewer closed")
        << none << viewAlone << QString() << 0 << 5.0 << R"({"closed":true,"interrupted":false})";
    QTest::newRow("without a log a row after a close starts a new run")
        << none << viewAlone << QString() << 0 << 50.0
        << R"({"tabs":[],"task":"task1","closed":false})";
    QTest::newRow("the first sitting's start is second 0")
        << QStringList{signIn} << none << QStringLiteral("-10") << 0 << 9.999
        << R"({"task":"code"})";
    QTest::newRow("the sign-in ten seconds into the sitting")
        << QStringList{signIn} << none << QStringLiteral("-10") << 0 << 10.0
        << R"({"task":"task0"})";
    const QStringList twoSittings{signIn, QStringLiteral("5|task0|/A.java|fileOpened|1|40"),
                                  QStringLiteral("+60|code||code||")};
    QTest::newRow("a sitting's start begins a new run")
        << twoSittings << none << QStringLiteral("-10,50") << 0 << 65.0
        << R"({"tabs":[],"task":"code","interrupted":false})";
    QTest::newRow("up to a sitting's start the viewer was not running")
        << twoSittings << none << QStringLiteral("-10,50") << 0 << 59.0
        << R"({"tabs":["/A.java"],"interrupted":true})";
}

void TestReplay::stateAt()
{
    QFETCH(QStringList, log);
    QFETCH(QStringList, view);
    QFETCH(QString, sittings);
    QFETCH(int, tasks);
    QFETCH(double, at);
    QFETCH(QString, expected);

    const ReplayTimeline timeline = timelineOf(log, view, sittings, tasks);
    const QJsonObject actual = observed(timeline.stateAt(qRound64(at * 1000)));
    QJsonParseError error;
    const QJsonObject wanted = QJsonDocument::fromJson(expected.toUtf8(), &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    for (auto it = wanted.begin(); it != wanted.end(); ++it) {
        const QJsonValue value = actual.value(it.key());
        QVERIFY2(value == it.value(),
                 qPrintable(QStringLiteral("%1 is %2")
                                .arg(it.key(), QString::fromUtf8(QJsonDocument(
                                                   QJsonArray{value}).toJson(QJsonDocument::Compact)))));
    }
}

void TestReplay::segmentsAndGaps_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("view");
    QTest::addColumn<QString>("sittings");
    QTest::addColumn<QString>("segments");
    QTest::addColumn<QString>("gaps");

    QTest::newRow("tasks, an interruption and the last task completed")
        << QStringList{signIn, QStringLiteral("10|task0|/A.java|fileOpened|1|40"),
                       QStringLiteral("20|task1|/A.java|selectionChanged|1|40"),
                       QStringLiteral("30|task1||taskCompleted||"),
                       QStringLiteral("+100|task2|/A.java|fileOpened|1|40"),
                       QStringLiteral("110|task2||taskCompleted||")}
        << QStringList() << QString() << QStringLiteral("0:0-20000 1:20000-30000 2:100000-110000")
        << QStringLiteral("30000-100000");
    QTest::newRow("the time before the sign-in")
        << QStringList{signIn, QStringLiteral("5|task0|/A.java|fileOpened|1|40")} << QStringList()
        << QStringLiteral("-10") << QStringLiteral("-1:0-10000 0:10000-15000") << QString();
    QTest::newRow("page rows cut tasks to the millisecond")
        << QStringList{signIn, QStringLiteral("10|task0|/A.java|fileOpened|1|40"),
                       QStringLiteral("15|task1|/B.java|fileOpened|1|40")}
        << QStringList{QStringLiteral("12.5|page|task1||||2")} << QString()
        << QStringLiteral("0:0-12500 1:12500-15000") << QString();
    QTest::newRow("nothing to replay") << QStringList() << QStringList() << QString() << QString()
                                       << QString();
}

void TestReplay::segmentsAndGaps()
{
    QFETCH(QStringList, log);
    QFETCH(QStringList, view);
    QFETCH(QString, sittings);
    QFETCH(QString, segments);
    QFETCH(QString, gaps);

    const ReplayTimeline timeline = timelineOf(log, view, sittings, 3);
    QCOMPARE(segmentsText(timeline), segments);
    QCOMPARE(gapsText(timeline), gaps);
}

void TestReplay::steps()
{
    const ReplayTimeline timeline =
        timelineOf({signIn, QStringLiteral("5|task0|/A.java|fileOpened|1|40"),
                    QStringLiteral("5|task0|/B.java|fileOpened|1|30")},
                   {QStringLiteral("6|view|task0|/B.java|3|33|170")});
    // A tick per record, none for the view row.
    QCOMPARE(timeline.ticks().size(), 3);
    QCOMPARE(timeline.ticks().at(1).ms, 5000);
    QCOMPARE(timeline.ticks().at(2).ms, 5500);
    QCOMPARE(timeline.durationMs(), 6000);
    QCOMPARE(timeline.tickAt(-1), -1);
    QCOMPARE(timeline.tickAt(5499), 1);
    QCOMPARE(timeline.nextTick(0), 1);
    QCOMPARE(timeline.nextTick(5000), 2);
    QCOMPARE(timeline.nextTick(5500), -1);
    QCOMPARE(timeline.previousTick(5000), 0);
    QCOMPARE(timeline.previousTick(0), -1);
    QCOMPARE(timeline.stateAt(5000).record, 1);
    // The bar names the record's action and file.
    QVERIFY(timeline.ticks().at(1).text.contains(QLatin1String("fileOpened")));
    QVERIFY(timeline.ticks().at(1).text.contains(QLatin1String("/A.java")));
    QVERIFY(timeline.taskStart(0) == 0);
    QVERIFY(!timeline.taskStart(1));
}

void TestReplay::clock_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << qint64(0) << QStringLiteral("0:00");
    QTest::newRow("a second is whole only when it is over") << qint64(59999) << QStringLiteral("0:59");
    QTest::newRow("minutes") << qint64(75000) << QStringLiteral("1:15");
    QTest::newRow("hours") << qint64(3723000) << QStringLiteral("1:02:03");
    QTest::newRow("before the start") << qint64(-5000) << QStringLiteral("-0:05");
}

void TestReplay::clock()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(ReplayTimeline::clock(ms), text);
}

void TestReplay::locate_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<int>("place");
    using ReplayFiles::Place;
    QTest::newRow("a file of the folder") << QStringLiteral("/src/A.java") << int(Place::InFolder);
    QTest::newRow("without the leading slash") << QStringLiteral("src/A.java") << int(Place::InFolder);
    QTest::newRow("out and back in") << QStringLiteral("/src/../src/A.java") << int(Place::InFolder);
    QTest::newRow("not in the folder") << QStringLiteral("/src/Gone.java") << int(Place::Missing);
    QTest::newRow("out of the folder") << QStringLiteral("/../secret.txt") << int(Place::Outside);
    QTest::newRow("out of the folder further down") << QStringLiteral("/src/../../secret.txt")
                                                    << int(Place::Outside);
    QTest::newRow("a folder beside it whose name begins alike")
        << QStringLiteral("/../studyX/secret.txt") << int(Place::Outside);
    QTest::newRow("the folder itself") << QStringLiteral("/") << int(Place::Outside);
    QTest::newRow("no name") << QString() << int(Place::Outside);
}

void TestReplay::locate()
{
    QFETCH(QString, relative);
    QFETCH(int, place);
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/study");
    QVERIFY(writeFile(folder + QStringLiteral("/src/A.java"), "class A {}\n"));
    QVERIFY(writeFile(dir.path() + QStringLiteral("/secret.txt"), "x"));
    QVERIFY(writeFile(dir.path() + QStringLiteral("/studyX/secret.txt"), "x"));
    const ReplayFiles::Location location = ReplayFiles::locate(folder, relative);
    QCOMPARE(int(location.place), place);
    QCOMPARE(location.path.isEmpty(), place == int(ReplayFiles::Place::Outside));
    if (!location.path.isEmpty())
        QVERIFY(location.path.startsWith(folder + QLatin1Char('/')));
}

void TestReplay::usersOf_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("users");
    QTest::newRow("one user") << QStringList{QStringLiteral("anna_bernd_log.txt"),
                                             QStringLiteral("anna_bernd_answers.txt")}
                              << QStringList{QStringLiteral("bernd")};
    QTest::newRow("the account twice") << QStringList{QStringLiteral("anna_bernd_log.txt"),
                                                      QStringLiteral("anna_carla_view.csv")}
                                       << QStringList{QStringLiteral("bernd"), QStringLiteral("carla")};
    QTest::newRow("no user part") << QStringList{QStringLiteral("anna__log.txt")}
                                  << QStringList{QString()};
    QTest::newRow("another account that begins alike")
        << QStringList{QStringLiteral("annabel_bernd_log.txt"), QStringLiteral("_bernd_log.txt")}
        << QStringList();
    QTest::newRow("other files") << QStringList{QStringLiteral("anna_bernd.txt"),
                                                QStringLiteral("anna_log.txt")}
                                 << QStringList();
}

void TestReplay::usersOf()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, users);
    QTemporaryDir dir;
    for (const QString &file : files)
        QVERIFY(writeFile(dir.path() + QLatin1Char('/') + file, "x"));
    QCOMPARE(ReplaySources::usersOf(dir.path(), QStringLiteral("anna")), users);
}

void TestReplay::sourcesSayWhatIsMissing()
{
    QTemporaryDir dir;
    // A log whose last record was cut off, and nothing else.
    QByteArray log = logOf({signIn, QStringLiteral("3|task0|/A.java|fileOpened|1|40")});
    log += "task0$/A.java$fileOp";
    QVERIFY(writeFile(dir.path() + QStringLiteral("/anna_bernd_log.txt"), log));
    const ReplaySources sources =
        ReplaySources::load(dir.path(), QStringLiteral("anna"), QStringLiteral("bernd"));
    QVERIFY(sources.replayable());
    QCOMPARE(sources.records.size(), 2);
    QVERIFY(sources.rows.isEmpty());
    QVERIFY(!sources.session);
    QVERIFY(!sources.answersFound);
    QStringList named;
    for (const Diagnostic &problem : sources.problems)
        named << problem.path.section(QLatin1Char('/'), -1);
    QVERIFY2(named.contains(QStringLiteral("anna_bernd_log.txt"))
                 && named.contains(QStringLiteral("anna_bernd_view.csv"))
                 && named.contains(QStringLiteral("anna_bernd_session.json"))
                 && named.contains(QStringLiteral("anna_bernd_answers.txt")),
             qPrintable(named.join(QLatin1Char(' '))));
    QCOMPARE(sources.notes.size(), sources.problems.size());

    const ReplaySources nobody =
        ReplaySources::load(dir.path(), QStringLiteral("carl"), QStringLiteral("bernd"));
    QVERIFY(!nobody.replayable());
}

void TestReplay::pagesFollowTheTaskOrder_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("pageAnswers"); // answers of pages 1, 2, 3, joined by ","
    // Task 1 has two boxes, task 2 one, task 3 none; the file keeps the
    // boxes page after page.
    QTest::newRow("the file's order")
        << QString() << QStringList{QStringLiteral("a,b"), QStringLiteral("c"), QString()};
    QTest::newRow("a task order")
        << QStringLiteral("[3, 1, 2]")
        << QStringList{QString(), QStringLiteral("a,b"), QStringLiteral("c")};
    QTest::newRow("an order that does not arrange every task is not used")
        << QStringLiteral("[1, 1, 2]")
        << QStringList{QStringLiteral("a,b"), QStringLiteral("c"), QString()};
}

void TestReplay::pagesFollowTheTaskOrder()
{
    QFETCH(QString, order);
    QFETCH(QStringList, pageAnswers);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.path() + QStringLiteral("/questions.txt"),
                      "one|2$two|1;three|1;four;"));
    QVERIFY(writeFile(dir.path() + QStringLiteral("/anna_bernd_answers.txt"), "a$b$c$\n"));
    if (!order.isEmpty()) {
        QVERIFY(writeFile(dir.path() + QStringLiteral("/anna_bernd_session.json"),
                          QStringLiteral(R"({"account": "anna", "user": "bernd", "condition": "",
                                             "taskOrder": %1})")
                              .arg(order)
                              .toUtf8()));
    }
    const ReplaySources sources =
        ReplaySources::load(dir.path(), QStringLiteral("anna"), QStringLiteral("bernd"));
    QStringList actual;
    for (int page = 1; page <= 3; ++page)
        actual << sources.answersOnPage(page).join(QLatin1Char(','));
    QCOMPARE(actual, pageAnswers);
    QCOMPARE(sources.taskOnPage(4), -1);
}

QTEST_APPLESS_MAIN(TestReplay)
#include "tst_replay.moc"
