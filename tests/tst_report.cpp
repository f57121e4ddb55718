#include "app/reportcommand.h"
#include "core/formats/csvreader.h"
#include "core/formats/diagnostics.h"
#include "core/formats/sessionfile.h"
#include "core/formats/viewfile.h"
#include "report/csvwriter.h"
#include "report/exposure.h"
#include "report/featureexposure.h"
#include "core/formats/logrecord.h"
#include "report/reportdatabase.h"
#include "report/reporttable.h"
#include "report/reportwarnings.h"
#include "report/screentimeline.h"
#include "report/studyfolder.h"
#include "report/studyreport.h"
#include "report/summarystatistics.h"
#include "report/tasksummary.h"
#include "report/textids.h"
#include "report/timelinebins.h"
#include "support/diskfull.h"
#include "support/outputcapture.h"
#include "support/readonlyfolder.h"
#include "support/testfiles.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <optional>

// Log text from compact lines "task|file|action|first|last|stamp": task "c"
// is "code", empty line numbers stay empty, and a leading "!" starts a new
// run of the program (the record refers to itself, as after a restart).
static QString logText(const QStringList &lines)
{
    QString text;
    qint64 previous = -1;
    for (QString line : lines) {
        const bool restart = line.startsWith(QLatin1Char('!'));
        if (restart)
            line.remove(0, 1);
        const QStringList f = line.split(QLatin1Char('|'));
        const qint64 now = f.at(5).toLongLong();
        if (previous < 0 || restart)
            previous = now;
        const QString task = f.at(0) == QLatin1String("c") ? QStringLiteral("code")
                                                            : QStringLiteral("task") + f.at(0);
        text += QStringLiteral("%1$%2$%3$(%4$%5)$%6$%7$%8\r\n\n")
                    .arg(task, f.at(1), f.at(2), f.at(3), f.at(4))
                    .arg(previous)
                    .arg(now)
                    .arg(now - previous);
        previous = now;
    }
    return text;
}

// Feature A on lines 10-19 and, with B, on 15-30 of X.java; C only in Y.java.
static const QByteArray annotations =
    "<project name=\"p\"><folder name=\"src\">"
    "<file name=\"X.java\" length=\"100\">"
    "<fragment startline=\"10\" endline=\"19\"><feature>A</feature></fragment>"
    "<fragment startline=\"15\" endline=\"30\"><feature>A &amp;&amp; !B</feature></fragment>"
    "</file><file name=\"Y.java\" length=\"100\">"
    "<fragment startline=\"1\" endline=\"100\"><feature>C</feature></fragment>"
    "</file><file name=\"notes.txt\"><fragment startline=\"1\" endline=\"9\">"
    "<feature>A</feature></fragment></file></folder></project>";

class TestReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Reading the log.
    void parseRecord_data();
    void parseRecord();
    void splitAction_data();
    void splitAction();
    void damagedLogGivesWarnings_data();
    void damagedLogGivesWarnings();
    void splitPrefix_data();
    void splitPrefix();
    void preSignInGoesToTheNextSignIn();

    // The arithmetic.
    void mergedRanges_data();
    void mergedRanges();
    void visibleLines_data();
    void visibleLines();
    void exposureFollowsTheScreen_data();
    void exposureFollowsTheScreen();
    void secondsPerTask_data();
    void secondsPerTask();
    void featuresOfAnnotations();
    void sameNamedFeatures_data();
    void sameNamedFeatures();

    // Attribution of time and screen, warnings and the tables computed from them.
    void attribution_data();
    void attribution();
    void plausibilityWarnings_data();
    void plausibilityWarnings();
    void eventsShowTheFileInFront_data();
    void eventsShowTheFileInFront();
    void filesAndTransitions_data();
    void filesAndTransitions();
    void firstViews_data();
    void firstViews();
    void quartiles_data();
    void quartiles();
    void taskSummaryCountsParticipantsOfEachTask();
    void taskSummaryByCondition_data();
    void taskSummaryByCondition();
    void timelineBins_data();
    void timelineBins();
    void featuresRankedByExposure();
    void textIdsTellTextsApartByContent();

    // Writing.
    void csvQuoting_data();
    void csvQuoting();
    void databaseHoldsTheCells_data();
    void databaseHoldsTheCells();
    void databaseHoldsEveryRowOfALargeTable();
    void isoTimeAgreesWithQDateTime();

    // The command on whole folders.
    void emptyFolderGivesHeaderOnlyTables();
    void unreadableFolderExitsWithOneLine_data();
    void unreadableFolderExitsWithOneLine();
    void damagedFilesAreReportedAndTheRestUsed();
    void failedWriteLeavesNoReport_data();
    void failedWriteLeavesNoReport();
    void reportReplacesOnlyItsOwnFiles();
    // What the study design's files add.
    void answerKeyScoresTheAnswers_data();
    void answerKeyScoresTheAnswers();
    void unusableKeyWritesNoReport_data();
    void unusableKeyWritesNoReport();
    void participantsCarryTheirSession_data();
    void participantsCarryTheirSession();
    void materialsOfTheSittings_data();
    void materialsOfTheSittings();
    // Time and screen from the view file.
    void viewFileTimes_data();
    void viewFileTimes();

private:
    static StudyReport reportOf(const QString &log, StudyFolder *study = nullptr,
                                QStringList *warnings = nullptr);
    // A study of taskCount tasks with one answer box each.
    static StudyFolder studyOf(int taskCount);
    // The rows of a table as "cell cell ...", the named columns only.
    static QStringList rowsOf(const ReportTable &table, const QStringList &columns);
    // Runs "featurehue report"; withoutRoot: as "nobody" when this runs as root.
    static int run(const QStringList &arguments, QString *errors, bool withoutRoot = false);
    // The same in this process.
    static int runHere(const QStringList &arguments, QString *errors);
};

void TestReport::parseRecord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("task");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<qint64>("stamp");

    QTest::newRow("plain record") << "task2$/src/A.java$fileOpened$(3$40)$100$107$7" << true << 2
                                  << "/src/A.java" << "fileOpened" << 3 << 40 << qint64(107);
    QTest::newRow("sign-in without file or lines")
        << "code$$code$($)$5$5$0" << true << -1 << "" << "code" << -1 << -1 << qint64(5);
    QTest::newRow("dollar in the file name (inner class)")
        << "task0$/Outer$Inner.java$selectionChanged$(1$9)$1$6$5" << true << 0
        << "/Outer$Inner.java" << "selectionChanged" << 1 << 9 << qint64(6);
    QTest::newRow("dollar in the searched text")
        << "task1$/A.java$search<current>(a$b)$(1$9)$1$6$5" << true << 1 << "/A.java"
        << "search<current>(a$b)" << 1 << 9 << qint64(6);
    QTest::newRow("dollars in both")
        << "task1$/O$I.java$search<project>($x$)$(1$9)$1$6$5" << true << 1 << "/O$I.java"
        << "search<project>($x$)" << 1 << 9 << qint64(6);
    QTest::newRow("unknown action with a dollar: the last field is the action")
        << "task1$/A$B$zoom$(1$9)$1$6$5" << true << 1 << "/A$B" << "zoom" << 1 << 9 << qint64(6);
    QTest::newRow("clock set back: negative difference")
        << "task1$$x$($)$2000$1990$-10" << true << 1 << "" << "x" << -1 << -1 << qint64(1990);
    QTest::newRow("too few fields") << "task4$/A.java$taskCompleted" << false << 0 << "" << ""
                                    << 0 << 0 << qint64(0);
    QTest::newRow("unknown task field") << "tusk1$$x$($)$1$1$0" << false << 0 << "" << "" << 0
                                        << 0 << qint64(0);
    QTest::newRow("lines without parentheses") << "task1$$x$1$2$1$1$0" << false << 0 << "" << ""
                                               << 0 << 0 << qint64(0);
    QTest::newRow("time stamp no number") << "task1$$x$($)$1$later$0" << false << 0 << "" << ""
                                          << 0 << 0 << qint64(0);
    QTest::newRow("negative line number") << "task1$$x$(-3$4)$1$1$0" << false << 0 << "" << ""
                                          << 0 << 0 << qint64(0);
}

void TestReport::parseRecord()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QString error;
    const std::optional<LogRecord> record = LogRecord::parse(text, &error);
    QCOMPARE(record.has_value(), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QTEST(record->task, "task");
    QTEST(record->file, "file");
    QTEST(record->action, "action");
    QTEST(record->firstLine, "first");
    QTEST(record->lastLine, "last");
    QTEST(record->stamp, "stamp");
}

void TestReport::splitAction_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("argument");

    QTest::newRow("count in angle brackets") << "assignColor<3>" << "assignColor" << "3";
    QTest::newRow("scope and searched text") << "search<project>(History)" << "search<project>"
                                             << "History";
    QTest::newRow("value in parentheses") << "saturationChanged(48)" << "saturationChanged"
                                          << "48";
    QTest::newRow("path with parentheses")
        << "loadColorAssignment</p/saved(1)/a.txt>" << "loadColorAssignment" << "/p/saved(1)/a.txt";
    QTest::newRow("searched text with brackets")
        << "search<current>(f(x) > 0)" << "search<current>" << "f(x) > 0";
    QTest::newRow("empty search") << "search<feature>()" << "search<feature>" << "";
    QTest::newRow("no argument") << "taskCompleted" << "taskCompleted" << "";
    QTest::newRow("explorer switch") << "select<FeatureView>" << "select" << "FeatureView";
}

void TestReport::splitAction()
{
    QFETCH(QString, action);
    const ActionText parts = ActionText::split(action);
    QTEST(parts.name, "name");
    QTEST(parts.argument, "argument");
}

void TestReport::damagedLogGivesWarnings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint64>>("stamps");
    QTest::addColumn<QStringList>("warnings");

    const QString a = QStringLiteral("task0$$a$($)$1$1$0\r\n\n");
    const QString b = QStringLiteral("task0$$b$($)$1$2$1\r\n\n");
    QTest::newRow("torn last record") << a + b + QStringLiteral("task0$/A.ja")
                                      << QList<qint64>{1, 2} << QStringList{"log:5: warning:"};
    QTest::newRow("malformed record between good ones")
        << a + QStringLiteral("task0$junk\r\n\n") + b << QList<qint64>{1, 2}
        << QStringList{"log:3: warning:"};
    QTest::newRow("crash before the last line feed") << a + b.chopped(1) << QList<qint64>{1, 2}
                                                     << QStringList();
    QTest::newRow("empty log") << QString() << QList<qint64>() << QStringList();
    QTest::newRow("line break inside a record moves the next one down")
        << QStringLiteral("task0$/A\nB.java$a$($)$1$1$0\r\n\n") + b + QStringLiteral("x")
        << QList<qint64>{1, 2} << QStringList{"log:6: warning:"};
}

void TestReport::damagedLogGivesWarnings()
{
    QFETCH(QString, text);
    QFETCH(QList<qint64>, stamps);
    QFETCH(QStringList, warnings);
    QStringList lines;
    Diagnostics diagnostics([&lines](const QString &line) { lines.append(line); });
    const QList<LogRecord> records = LogRecord::parseLog(text, QStringLiteral("log"), diagnostics);
    QList<qint64> found;
    for (const LogRecord &record : records)
        found.append(record.stamp);
    QCOMPARE(found, stamps);
    QCOMPARE(lines.size(), warnings.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(warnings.at(i)), qPrintable(lines.at(i)));
}

void TestReport::splitPrefix_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("user");

    QTest::newRow("plain") << "anna_bernd" << QStringList{"bernd"} << "anna" << "bernd";
    QTest::newRow("user name with underscore known from its pre-sign-in log")
        << "anna_b_c" << QStringList{"c", "b_c"} << "anna" << "b_c";
    QTest::newRow("account with underscore, user unknown") << "anna_m_bernd" << QStringList()
                                                           << "anna_m" << "bernd";
    QTest::newRow("no user name set") << "anna_" << QStringList() << "anna" << "";
}

void TestReport::splitPrefix()
{
    QFETCH(QString, prefix);
    QFETCH(QStringList, users);
    const auto [account, user] = StudyFolder::splitPrefix(prefix, users);
    QTEST(account, "account");
    QTEST(user, "user");
}

void TestReport::preSignInGoesToTheNextSignIn()
{
    Diagnostics quiet([](const QString &) {});
    const auto participant = [&](const QString &account, const QString &log) {
        Participant p;
        p.account = account;
        p.user = QStringLiteral("bernd");
        p.records = LogRecord::parseLog(log, account, quiet);
        return p;
    };
    // anna signs in at 100 and again (a new run) at 500; ben at 300.
    QList<Participant> participants = {
        participant(QStringLiteral("anna"),
                    logText({"c||code|||100", "0||a|||110", "!0||b|||500"})),
        participant(QStringLiteral("ben"), logText({"c||code|||300"}))};
    const QList<LogRecord> before =
        LogRecord::parseLog(logText({"c||x|||50", "c||x|||60", "c||y|||250", "c||z|||450",
                                     "c||late|||900"}),
                            QStringLiteral("pre"), quiet);
    const QList<LogRecord> left = StudyFolder::mergePreSignIn(participants,
                                                              QStringLiteral("bernd"), before);
    const auto stamps = [](const QList<LogRecord> &records) {
        QList<qint64> result;
        for (const LogRecord &record : records)
            result.append(record.stamp);
        return result;
    };
    QCOMPARE(stamps(participants.at(0).records), (QList<qint64>{50, 60, 100, 110, 450, 500}));
    QCOMPARE(participants.at(0).sessionStarts, (QList<int>{0, 4}));
    QCOMPARE(stamps(participants.at(1).records), (QList<qint64>{250, 300}));
    QCOMPARE(stamps(left), QList<qint64>{900});
}

void TestReport::mergedRanges_data()
{
    QTest::addColumn<QList<LineRange>>("ranges");
    QTest::addColumn<QList<LineRange>>("merged");

    QTest::newRow("nested fragment counts once")
        << QList<LineRange>{{10, 30}, {15, 20}} << QList<LineRange>{{10, 30}};
    QTest::newRow("overlapping, out of order")
        << QList<LineRange>{{15, 30}, {10, 19}} << QList<LineRange>{{10, 30}};
    QTest::newRow("neighbours join") << QList<LineRange>{{1, 4}, {5, 9}}
                                     << QList<LineRange>{{1, 9}};
    QTest::newRow("gap stays") << QList<LineRange>{{1, 4}, {6, 9}}
                               << QList<LineRange>{{1, 4}, {6, 9}};
    QTest::newRow("negative span covers nothing") << QList<LineRange>{{9, 3}, {20, 20}}
                                                  << QList<LineRange>{{20, 20}};
}

void TestReport::mergedRanges()
{
    QFETCH(QList<LineRange>, ranges);
    QTEST(Exposure::merged(ranges), "merged");
}

void TestReport::visibleLines_data()
{
    QTest::addColumn<QList<LineRange>>("merged");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("lines");

    const QList<LineRange> two{{10, 19}, {30, 39}};
    QTest::newRow("screen holds all") << two << 1 << 50 << 20;
    QTest::newRow("screen cuts both") << two << 15 << 34 << 10;
    QTest::newRow("screen between them") << two << 20 << 29 << 0;
    QTest::newRow("one line at the edge") << two << 19 << 19 << 1;
    QTest::newRow("fragment starting on the last line on screen") << two << 1 << 30 << 11;
    QTest::newRow("screen above") << two << 1 << 9 << 0;
    QTest::newRow("no fragments") << QList<LineRange>() << 1 << 50 << 0;
}

void TestReport::visibleLines()
{
    QFETCH(QList<LineRange>, merged);
    QFETCH(int, first);
    QFETCH(int, last);
    QTEST(Exposure::visibleLines(merged, first, last), "lines");
}

StudyReport TestReport::reportOf(const QString &log, StudyFolder *given, QStringList *found)
{
    StudyFolder local;
    StudyFolder &study = given ? *given : local;
    study.lines.setFeatures({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    study.lines.readAnnotations(annotations);
    Diagnostics quiet([](const QString &) {});
    Participant participant;
    participant.account = QStringLiteral("anna");
    participant.user = QStringLiteral("bernd");
    participant.hasLog = true;
    participant.logPath = QStringLiteral("log");
    participant.records = LogRecord::parseLog(log, QStringLiteral("log"), quiet);
    if (!given || study.participants.isEmpty())
        study.participants = {participant};
    StudyFolder::mergePreSignIn(study.participants, QStringLiteral("bernd"), {});
    ReportWarnings warnings(quiet);
    StudyReport report(study, warnings);
    if (found) {
        // "kind@line" for each warning, as a table row can name it.
        for (const ReportWarnings::Warning &warning : warnings.list())
            found->append(warning.kind + QLatin1Char('@') + QString::number(warning.line));
    }
    return report;
}

void TestReport::exposureFollowsTheScreen_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("feature");
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<qint64>("lineSeconds");

    // A covers X.java 10-30 (21 lines), B 15-30 (16 lines), C all of Y.java.
    const QStringList scrolled{"0|/src/X.java|fileOpened|1|40|10",
                               "0|/src/X.java|selectionChanged|50|60|40",
                               "0|/src/X.java|search<current>(x)|50|60|45"};
    QTest::newRow("the earlier record's screen counts until the next")
        << scrolled << "A" << qint64(30) << qint64(30 * 21);
    QTest::newRow("a feature named in an expression counts its own lines")
        << scrolled << "B" << qint64(30) << qint64(30 * 16);
    QTest::newRow("a feature whose code was never shown") << scrolled << "C" << qint64(0)
                                                          << qint64(0);
    QTest::newRow("part of the feature on screen")
        << QStringList{"0|/src/X.java|fileOpened|25|60|0", "0|/src/X.java|x|25|60|10"} << "A"
        << qint64(10) << qint64(10 * 6);
    QTest::newRow("the last record of a run has no seconds")
        << QStringList{"0|/src/X.java|fileOpened|1|40|10"} << "A" << qint64(0) << qint64(0);
    QTest::newRow("after its tab closed the repeated file counts nothing")
        << QStringList{"0|/src/X.java|fileOpened|1|40|10", "0|/src/X.java|fileClosed|1|40|20",
                       "0|/src/X.java|search<feature>(a)|1|40|50", "0|/src/X.java|x|1|40|60"}
        << "A" << qint64(10) << qint64(10 * 21);
    QTest::newRow("closing a tab behind keeps the one in front")
        << QStringList{"0|/src/X.java|fileOpened|1|40|10", "0|/src/Y.java|fileOpened|1|5|20",
                       "0|/src/X.java|selectionChanged|1|40|30", "0|/src/Y.java|fileClosed|1|40|40",
                       "0|/src/X.java|x|1|40|50"}
        << "A" << qint64(30) << qint64(30 * 21);
    QTest::newRow("the gap of an interruption counts nothing")
        << QStringList{"0|/src/X.java|fileOpened|1|40|10", "!0|/src/X.java|fileOpened|1|40|500",
                       "0|/src/X.java|x|1|40|510"}
        << "A" << qint64(10) << qint64(10 * 21);
    QTest::newRow("a file the project does not annotate")
        << QStringList{"0|/src/notes.txt|fileOpened|1|9|0", "0|/src/notes.txt|x|1|9|10"} << "A"
        << qint64(0) << qint64(0);
}

void TestReport::exposureFollowsTheScreen()
{
    QFETCH(QStringList, log);
    QFETCH(QString, feature);
    const StudyReport report = reportOf(logText(log));
    const ReportTable &exposure = report.exposure();
    qint64 seconds = 0;
    qint64 lineSeconds = 0;
    int rows = 0;
    for (qsizetype row = 0; row < exposure.rowCount(); ++row) {
        if (exposure.text(row, exposure.column(QStringLiteral("feature"))) != feature)
            continue;
        ++rows;
        seconds += exposure.number(row, exposure.column(QStringLiteral("seconds")));
        lineSeconds += exposure.number(row, exposure.column(QStringLiteral("line_seconds")));
    }
    QCOMPARE(rows, 1); // every feature has its row in the one task, zero or not
    QTEST(seconds, "seconds");
    QTEST(lineSeconds, "lineSeconds");
}

void TestReport::secondsPerTask_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("task"); // as the log numbers it: "task0" is task 1 of the tables
    QTest::addColumn<qint64>("seconds"); // -1: the task has no row
    QTest::addColumn<int>("resumed");
    QTest::addColumn<qint64>("lost");

    QTest::newRow("the sign-in opens the first task")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|4|10", "0|/src/X.java|x|1|4|30"}
        << 0 << qint64(30) << 0 << qint64(0);
    QTest::newRow("the seconds after taskCompleted belong to the next task")
        << QStringList{"1||taskCompleted|||100", "2||fileOpened|||130", "2||taskCompleted|||160"}
        << 2 << qint64(60) << 0 << qint64(0);
    // Leaving the first task page is not logged: the 40 s until the next
    // page's record are unattributed (they were given to task 0 before).
    QTest::newRow("leaving the first task page is not logged: task 0 keeps its own time")
        << QStringList{"c||code|||0", "0||x|||10", "1||taskCompleted|||50"} << 0 << qint64(10)
        << 0 << qint64(0);
    QTest::newRow("a resumed task: the gap is lost, not spent")
        << QStringList{"2||x|||10", "2||y|||20", "!2||z|||200", "2||taskCompleted|||230"} << 2
        << qint64(40) << 1 << qint64(180);
    QTest::newRow("a run that reached no task charges the task it interrupted")
        << QStringList{"1||x|||10", "1||y|||20", "!c||z|||200"} << 1 << qint64(10) << 1
        << qint64(180);
    QTest::newRow("the last taskCompleted opens no task")
        << QStringList{"1||taskCompleted|||100", "2||x|||130", "2||taskCompleted|||160"} << 3
        << qint64(-1) << 0 << qint64(0);
    // The sign-in opens task 0, but the next record is of task 1: when the
    // page changed, the log does not say, so task 0 gets none of the 30 s.
    QTest::newRow("the sign-in opens task 0 although the next record is of task 1")
        << QStringList{"c||code|||0", "1||taskCompleted|||30"} << 0 << qint64(0) << 0
        << qint64(0);
    QTest::newRow("a clock set back counts no negative time")
        << QStringList{"0||x|||100", "0||y|||90", "0||z|||95"} << 0 << qint64(5) << 0
        << qint64(0);
}

void TestReport::secondsPerTask()
{
    QFETCH(QStringList, log);
    QFETCH(int, task);
    QFETCH(qint64, seconds);
    const StudyReport report = reportOf(logText(log));
    const ReportTable &tasks = report.tasks();
    const int taskColumn = tasks.column(QStringLiteral("task"));
    const int phaseColumn = tasks.column(QStringLiteral("phase"));
    for (qsizetype row = 0; row < tasks.rowCount(); ++row) {
        if (tasks.string(row, phaseColumn) != QLatin1String("task")
            || tasks.number(row, taskColumn) != task + 1)
            continue;
        QVERIFY2(seconds >= 0, "a row for a task that was never on screen");
        QTEST(tasks.number(row, tasks.column(QStringLiteral("seconds"))), "seconds");
        QTEST(int(tasks.number(row, tasks.column(QStringLiteral("resumed")))), "resumed");
        QTEST(tasks.number(row, tasks.column(QStringLiteral("seconds_lost"))), "lost");
        return;
    }
    QVERIFY2(seconds < 0, "no row for the task");
}

void TestReport::featuresOfAnnotations()
{
    // The tree of model.m decides which names are features (its leaves).
    QCOMPARE(FeatureLines::leafFeatures(parseFeatureModel(
                 QStringLiteral("R : A | B ; B : C | D ; A : E ; X ;"))),
             (QStringList{"E", "C", "D", "X"}));
    QCOMPARE(FeatureLines::leafFeatures({}), QStringList{"empty"});

    FeatureLines lines;
    lines.setFeatures({QStringLiteral("A"), QStringLiteral("A_B"), QStringLiteral("X"),
                       QStringLiteral("c*")});
    QCOMPARE(lines.featuresOf(QStringLiteral("A_B || X")), (QList<int>{1, 2}));
    QCOMPARE(lines.featuresOf(QStringLiteral("A")), QList<int>{0});
    QCOMPARE(lines.featuresOf(QStringLiteral("!c* && A")), (QList<int>{0, 3}));
    QCOMPARE(lines.featuresOf(QStringLiteral("cc && Y")), QList<int>());

    QVERIFY(lines.readAnnotations(annotations));
    QVERIFY(lines.fileFeatures(QStringLiteral("/src/notes.txt")).isEmpty());
    QString error;
    QVERIFY(!lines.readAnnotations("<projekt/>", &error));
    QVERIFY(!lines.readAnnotations("<project><file name=\"A.java\">", &error));
}

void TestReport::sameNamedFeatures_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("text");     // a fragment's feature text
    QTest::addColumn<QStringList>("features");
    QTest::addColumn<QList<int>>("counted"); // the features its lines count for

    // B's children follow its row: the leaves are A, then B's A and C.
    const QString twice = QStringLiteral("R : A | B ; B : A | C ;");
    const QStringList leaves{"A", "A", "C"};
    QTest::newRow("a name that is two leaves is two features, as in the feature tree")
        << twice << "C" << leaves << QList<int>{2};
    QTest::newRow("a plain name counts for every feature of that name")
        << twice << "A" << leaves << QList<int>{0, 1};
    QTest::newRow("an expression counts for every feature of the names it uses")
        << twice << "!A || C" << leaves << QList<int>{0, 1, 2};
    QTest::newRow("a name that is no leaf counts for nothing")
        << twice << "B" << leaves << QList<int>();
}

void TestReport::sameNamedFeatures()
{
    QFETCH(QString, model);
    QFETCH(QString, text);
    const QStringList features = FeatureLines::leafFeatures(parseFeatureModel(model));
    QTEST(features, "features");
    FeatureLines lines;
    lines.setFeatures(features);
    QTEST(lines.featuresOf(text), "counted");
}

StudyFolder TestReport::studyOf(int taskCount)
{
    StudyFolder study;
    for (int t = 0; t < taskCount; ++t)
        study.tasks.append({{QStringLiteral("Frage %1").arg(t + 1), 2}});
    return study;
}

QStringList TestReport::rowsOf(const ReportTable &table, const QStringList &columns)
{
    QStringList rows;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (const QString &column : columns) {
            const int c = table.column(column);
            Q_ASSERT(c >= 0);
            cells.append(table.text(row, c));
        }
        rows.append(cells.join(QLatin1Char(' ')));
    }
    return rows;
}

// The tasks table as "phase task seconds unattributed" per row, for logs
// whose right answer is worked out in each row's comment.
//
// The sign-in record is logged on the account page: the sign-in phase has a
// row with that one action and no seconds.
void TestReport::attribution_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("taskCount");
    QTest::addColumn<QStringList>("rows");

    // The sitting of the issue: 18, 20 and 14 s on three tasks, the first
    // page left at 118 without a record. Task 1 has 100-115 (the sign-in
    // opens it), 115-125 lie between a record of task 1 and one of task 2,
    // task 2 has 125-138 and task 3 138-152. So task 1 took 15 to 25 s (true:
    // 18), task 2 13 to 23 s (true: 20), task 3 14 s.
    QTest::newRow("leaving the first page unlogged: the time between is unattributed")
        << QStringList{"c||code|||100", "0|/src/X.java|fileOpened|1|40|105",
                       "0|/src/X.java|x|1|40|115", "1|/src/X.java|y|1|40|125",
                       "1|/src/X.java|taskCompleted|1|40|138", "2|/src/X.java|z|1|40|145",
                       "2|/src/X.java|taskCompleted|1|40|152"}
        << 3
        << QStringList{"sign-in 0 0 0", "task 1 15 10", "task 2 13 10", "task 3 14 0",
                       "unattributed 0 10 0"};
    // 90-100 on the account page, the rest on task 1.
    QTest::newRow("records before the sign-in are the sign-in phase, task 0")
        << QStringList{"c|/src/X.java|fileOpened|1|40|90", "c||code|||100",
                       "0|/src/X.java|x|1|40|130"}
        << 3 << QStringList{"sign-in 0 10 0", "task 1 30 0"};
    // Two tasks: 0-10 task 1, 10-20 unsure, 20-30 task 2; the records of a
    // third page (30-50) belong to no task: no phantom task 3.
    QTest::newRow("a page beyond the questionnaire is no task")
        << QStringList{"c||code|||0", "0||a|||10", "1||b|||20", "1||taskCompleted|||30",
                       "2||c|||40", "2||d|||50"}
        << 2
        << QStringList{"sign-in 0 0 0", "task 1 10 10", "task 2 10 10", "unattributed 0 30 0"};
    // The page changed between two records of the same second: nothing unsure.
    QTest::newRow("an unlogged page change within one second")
        << QStringList{"c||code|||0", "0||a|||10", "1||b|||10", "1||taskCompleted|||25"} << 3
        << QStringList{"sign-in 0 0 0", "task 1 10 0", "task 2 15 0"};
    // Run 1: 0-10 task 1. Run 2 (resumed on task 3, so no sign-in logged):
    // 100-120 from the account page to task 3, unsure; 120-130 task 3.
    QTest::newRow("a resumed participant's sign-in is not logged")
        << QStringList{"c||code|||0", "0||a|||10", "!c|/src/X.java|fileOpened|1|40|100",
                       "2||b|||120", "2||taskCompleted|||130"}
        << 3
        << QStringList{"sign-in 0 0 0", "task 1 10 0", "task 3 10 20", "unattributed 0 20 0"};
    // One task, completed at 20; a record at 30 after the finish.
    QTest::newRow("the time after the finish is unattributed")
        << QStringList{"c||code|||0", "0||taskCompleted|||20", "0||x|||30"} << 1
        << QStringList{"sign-in 0 0 0", "task 1 20 10", "unattributed 0 10 0"};
    // Without questions.txt every logged task is taken as it is.
    QTest::newRow("without a questionnaire every logged task counts")
        << QStringList{"c||code|||0", "0||a|||10", "6||b|||10", "6||c|||40"} << 0
        << QStringList{"sign-in 0 0 0", "task 1 10 0", "task 7 30 0"};
}

void TestReport::attribution()
{
    QFETCH(QStringList, log);
    QFETCH(int, taskCount);
    StudyFolder study = studyOf(taskCount);
    const StudyReport report = reportOf(logText(log), &study);
    QTEST(rowsOf(report.tasks(), {"phase", "task", "seconds", "seconds_unattributed"}), "rows");
    // Every second from the first record to the last is in exactly one row.
    qint64 total = 0;
    for (qsizetype row = 0; row < report.tasks().rowCount(); ++row)
        total += report.tasks().number(row, report.tasks().column(QStringLiteral("seconds")))
                 + report.tasks().number(row, report.tasks().column(QStringLiteral("seconds_lost")));
    Diagnostics quiet([](const QString &) {});
    const QList<LogRecord> records = LogRecord::parseLog(logText(log), QStringLiteral("log"), quiet);
    QCOMPARE(total, records.last().stamp - records.first().stamp);
}

// "kind@line" of every warning, in the order they are given, worked out by
// hand from the rules of each warning; a record of these logs starts on line
// 2k + 1 for k from 0.
void TestReport::plausibilityWarnings_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("taskCount");
    QTest::addColumn<QStringList>("answers"); // none: no answers file
    QTest::addColumn<QStringList>("warnings");
    // The materials hash of the participant's session file and the folder's
    // now, then that of each sitting; none: no session file.
    QTest::addColumn<QStringList>("materials");

    QTest::newRow("a clean sitting gives none")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|40|10",
                       "0|/src/X.java|taskCompleted|1|40|20"}
        << 1 << QStringList{"x"} << QStringList()
        << QStringList();
    QTest::newRow("time the log cannot give to a task")
        << QStringList{"c||code|||0", "0||a|||10", "1||b|||20"} << 2 << QStringList()
        << QStringList{"unattributed@3"}
        << QStringList();
    QTest::newRow("records of a task beyond the questionnaire, after its finish")
        << QStringList{"c||code|||0", "0||taskCompleted|||10", "1||x|||20"} << 1
        << QStringList() << QStringList{"beyond-questionnaire@5", "after-finish@5"}
        << QStringList();
    QTest::newRow("a time stamp earlier than the one before")
        << QStringList{"c||code|||100", "0||a|||110", "0||b|||105"} << 1 << QStringList()
        << QStringList{"time-goes-back@5"}
        << QStringList();
    // Task 1 is logged at 10 and again at 30, task 2 at 20.
    QTest::newRow("a task that begins before the one before ends")
        << QStringList{"c||code|||0", "0||a|||10", "1||b|||20", "0||c|||30"} << 3
        << QStringList() << QStringList{"unattributed@3", "overlap@5"}
        << QStringList();
    QTest::newRow("records after the last task was completed")
        << QStringList{"c||code|||0", "0||a|||10", "1||taskCompleted|||20", "1||x|||30"} << 2
        << QStringList() << QStringList{"unattributed@3", "after-finish@7"}
        << QStringList();
    QTest::newRow("a file that annotations.xml does not list")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|40|10",
                       "0|/src/Y.java|fileOpened|1|40|20", "0|/src/Z.java|fileOpened|1|9|30"}
        << 1 << QStringList() << QStringList{"unknown-files@7"}
        << QStringList();
    QTest::newRow("a log of another project: most files unknown")
        << QStringList{"c||code|||0", "0|/other/A.java|fileOpened|1|40|10",
                       "0|/other/B.java|fileOpened|1|40|20", "0|/src/X.java|fileOpened|1|9|30"}
        << 1 << QStringList() << QStringList{"foreign-log@3"}
        << QStringList();
    QTest::newRow("more answers than answer boxes")
        << QStringList{"c||code|||0"} << 1 << QStringList{"a", "b"}
        << QStringList{"answer-boxes@0"}
        << QStringList();
    QTest::newRow("fewer answers than answer boxes")
        << QStringList{"c||code|||0"} << 2 << QStringList{"a"} << QStringList{"answer-boxes@0"}
        << QStringList();
    QTest::newRow("as many answers as boxes") << QStringList{"c||code|||0"} << 2
                                              << QStringList{"a", ""} << QStringList()
        << QStringList();
    // The log names files and lines of material the folder no longer holds.
    QTest::newRow("the material changed since the sitting")
        << QStringList{"c||code|||0"} << 1 << QStringList() << QStringList{"materials-changed@0"}
        << QStringList{"1a2b", "3c4d"};
    QTest::newRow("the material is the one the participant sat with")
        << QStringList{"c||code|||0"} << 1 << QStringList() << QStringList()
        << QStringList{"1a2b", "1a2b"};
    QTest::newRow("a session file without materials is not compared")
        << QStringList{"c||code|||0"} << 1 << QStringList() << QStringList()
        << QStringList{"", "1a2b"};
    // Resumed after the material changed: the first sitting was with the old.
    QTest::newRow("an earlier sitting with material since changed")
        << QStringList{"c||code|||0"} << 1 << QStringList() << QStringList{"materials-changed@0"}
        << QStringList{"1a2b", "1a2b", "0f0f", "1a2b"};
}

void TestReport::plausibilityWarnings()
{
    QFETCH(QStringList, log);
    QFETCH(int, taskCount);
    QFETCH(QStringList, answers);
    StudyFolder study = studyOf(taskCount);
    Diagnostics quiet([](const QString &) {});
    Participant participant;
    participant.account = QStringLiteral("anna");
    participant.user = QStringLiteral("bernd");
    participant.hasLog = true;
    participant.logPath = QStringLiteral("log");
    participant.records = LogRecord::parseLog(logText(log), QStringLiteral("log"), quiet);
    participant.hasAnswers = !answers.isEmpty();
    participant.answers = answers;
    QFETCH(QStringList, materials);
    if (!materials.isEmpty()) {
        participant.session.emplace();
        participant.session->materials = materials.at(0);
        participant.sessionPath = QStringLiteral("session");
        study.materials = materials.at(1);
        for (const QString &sat : materials.mid(2)) {
            participant.session->sittings.append(SessionFile::Sitting());
            participant.session->sittings.last().materials = sat;
        }
    }
    study.participants = {participant};
    QStringList warnings;
    const StudyReport report = reportOf(QString(), &study, &warnings);
    QTEST(warnings, "warnings");
    // The warnings table holds them too, counted for the participant.
    QCOMPARE(report.warnings().rowCount(), warnings.size());
    QCOMPARE(rowsOf(report.participants(), {"participant", "warnings"}),
             QStringList{QStringLiteral("anna_bernd %1").arg(warnings.size())});
}

// Per record: the file and lines in front after it, the file it logged, and
// the phase, task and seconds its time counts for, worked out by hand by
// following the tabs.
void TestReport::eventsShowTheFileInFront_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("events");

    // Y was in front when it was closed: no code until X's tab is selected.
    QTest::newRow("a closed tab is no longer in front")
        << QStringList{"0|/src/X.java|fileOpened|1|40|10", "0|/src/Y.java|fileOpened|1|5|20",
                       "0|/src/Y.java|fileClosed|1|5|30", "0|/src/X.java|selectionChanged|1|40|31"}
        << QStringList{"/src/X.java 1 40 /src/X.java task 1 10",
                       "/src/Y.java 1 5 /src/Y.java task 1 10", "   /src/Y.java task 1 1",
                       "/src/X.java 1 40 /src/X.java task 1 0"};
    QTest::newRow("closing a tab behind keeps the one in front")
        << QStringList{"0|/src/X.java|fileOpened|1|40|10", "0|/src/Y.java|fileOpened|1|5|20",
                       "0|/src/X.java|selectionChanged|1|40|30", "0|/src/Y.java|fileClosed|2|41|40"}
        << QStringList{"/src/X.java 1 40 /src/X.java task 1 10",
                       "/src/Y.java 1 5 /src/Y.java task 1 10",
                       "/src/X.java 1 40 /src/X.java task 1 10",
                       "/src/X.java 2 41 /src/Y.java task 1 0"};
    QTest::newRow("a record of a file without an open tab shows no code")
        << QStringList{"c||code|||0", "0|/src/X.java|search<feature>(a)|1|40|5"}
        << QStringList{"    task 1 5", "   /src/X.java task 1 0"};
}

void TestReport::eventsShowTheFileInFront()
{
    QFETCH(QStringList, log);
    const StudyReport report = reportOf(logText(log));
    QTEST(rowsOf(report.events(), {"file", "first_line", "last_line", "logged_file", "phase",
                                   "task", "seconds"}),
          "events");
}

// files.csv and transitions.csv: "phase task file seconds" and "phase task
// from to count", worked out by hand in each row's comment or from its log.
void TestReport::filesAndTransitions_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("transitions");

    // X 0-10 and 17-30 (23 s), Y 10-16 (6 s), 16-17 no code: Y was in front
    // when its tab was closed. Summing the logged file would give Y 7 s.
    QTest::newRow("time per file follows the tabs")
        << QStringList{"0|/src/X.java|fileOpened|1|40|0", "0|/src/Y.java|fileOpened|1|5|10",
                       "0|/src/Y.java|fileClosed|1|5|16", "0|/src/X.java|selectionChanged|1|40|17",
                       "0|/src/X.java|x|1|40|30"}
        << QStringList{"task 1 /src/X.java 23", "task 1 /src/Y.java 6"}
        << QStringList{"task 1 /src/X.java /src/Y.java 1", "task 1 /src/Y.java /src/X.java 1"};
    QTest::newRow("a transition passes over time without code")
        << QStringList{"0|/src/X.java|fileOpened|1|40|0", "0|/src/X.java|fileClosed|1|40|5",
                       "0|/src/Y.java|fileOpened|1|5|8", "0|/src/Y.java|y|1|5|10"}
        << QStringList{"task 1 /src/X.java 5", "task 1 /src/Y.java 2"}
        << QStringList{"task 1 /src/X.java /src/Y.java 1"};
    QTest::newRow("a new run of the program is no transition")
        << QStringList{"0|/src/X.java|fileOpened|1|40|0", "0|/src/X.java|x|1|40|5",
                       "!0|/src/Y.java|fileOpened|1|5|100", "0|/src/Y.java|y|1|5|110"}
        << QStringList{"task 1 /src/X.java 5", "task 1 /src/Y.java 10"} << QStringList();
    // X stays in front over the page turn at 20; Y comes to front at 30, in task 3.
    QTest::newRow("a transition belongs to the task it happens in")
        << QStringList{"1|/src/X.java|fileOpened|1|40|10", "1|/src/X.java|taskCompleted|1|40|20",
                       "2|/src/Y.java|fileOpened|1|5|30", "2|/src/Y.java|y|1|5|40"}
        << QStringList{"task 2 /src/X.java 10", "task 3 /src/X.java 10",
                       "task 3 /src/Y.java 10"}
        << QStringList{"task 3 /src/X.java /src/Y.java 1"};
    QTest::newRow("switching back and forth counts each way")
        << QStringList{"0|/src/X.java|fileOpened|1|40|0", "0|/src/Y.java|fileOpened|1|5|1",
                       "0|/src/X.java|selectionChanged|1|40|2",
                       "0|/src/Y.java|selectionChanged|1|5|3",
                       "0|/src/X.java|selectionChanged|1|40|4"}
        << QStringList{"task 1 /src/X.java 2", "task 1 /src/Y.java 2"}
        << QStringList{"task 1 /src/X.java /src/Y.java 2", "task 1 /src/Y.java /src/X.java 2"};
}

void TestReport::filesAndTransitions()
{
    QFETCH(QStringList, log);
    const StudyReport report = reportOf(logText(log));
    QTEST(rowsOf(report.files(), {"phase", "task", "file", "seconds"}), "files");
    QTEST(rowsOf(report.transitions(), {"phase", "task", "from_file", "to_file", "count"}),
          "transitions");
}

// first_views.csv as "task feature seconds", worked out by hand. A covers
// X.java 10-30, B 15-30, C all of Y.java.
void TestReport::firstViews_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("views");

    // Task 1 starts with the sign-in at 100; A's line 10 comes on screen at
    // 130; B (from line 15) and C never.
    QTest::newRow("seconds from the task's start")
        << QStringList{"c||code|||100", "0|/src/X.java|fileOpened|1|9|110",
                       "0|/src/X.java|selectionChanged|5|12|130", "0|/src/X.java|x|5|12|140"}
        << QStringList{"1 A 30", "1 B ", "1 C "};
    QTest::newRow("code on screen at the last record of a run was seen")
        << QStringList{"c||code|||0", "0|/src/Y.java|fileOpened|1|50|20"}
        << QStringList{"1 A ", "1 B ", "1 C 20"};
    // Task 3 opens at 100 with the completion of task 2; X comes at 150.
    QTest::newRow("each task counts from its own start")
        << QStringList{"1||taskCompleted|||100", "2|/src/X.java|fileOpened|10|20|150",
                       "2|/src/X.java|x|10|20|160"}
        << QStringList{"2 A ", "2 B ", "2 C ", "3 A 50", "3 B 50", "3 C "};
    QTest::newRow("a feature seen in one task is new in the next")
        << QStringList{"0|/src/Y.java|fileOpened|1|9|0", "0|/src/Y.java|taskCompleted|1|9|10",
                       "1|/src/Y.java|y|1|9|25"}
        << QStringList{"1 A ", "1 B ", "1 C 0", "2 A ", "2 B ", "2 C 0"};
}

void TestReport::firstViews()
{
    QFETCH(QStringList, log);
    const StudyReport report = reportOf(logText(log));
    QTEST(rowsOf(report.firstViews(), {"task", "feature", "seconds"}), "views");
}

// Quartiles as R's quantile() and pandas give them (linear between the
// order statistics), worked out by hand.
void TestReport::quartiles_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<double>>("summary"); // count, min, q1, median, q3, max

    // h = (n - 1) p + 1: for 1 2 3 4, q1 at h = 1.75 lies 0.75 of the way from 1 to 2.
    QTest::newRow("four values") << QList<double>{1, 2, 3, 4}
                                 << QList<double>{4, 1, 1.75, 2.5, 3.25, 4};
    QTest::newRow("odd count hits values") << QList<double>{50, 10, 40, 20, 30}
                                           << QList<double>{5, 10, 20, 30, 40, 50};
    QTest::newRow("unsorted, three values") << QList<double>{7, 1, 3}
                                            << QList<double>{3, 1, 2, 3, 5, 7};
    QTest::newRow("ties") << QList<double>{2, 2, 9, 2} << QList<double>{4, 2, 2, 2, 3.75, 9};
    QTest::newRow("one value") << QList<double>{5} << QList<double>{1, 5, 5, 5, 5, 5};
    QTest::newRow("no values") << QList<double>() << QList<double>{0, 0, 0, 0, 0, 0};
}

void TestReport::quartiles()
{
    QFETCH(QList<double>, values);
    const SummaryStatistics::Summary s =
        SummaryStatistics::of(std::vector<double>(values.cbegin(), values.cend()));
    QTEST((QList<double>{double(s.count), s.minimum, s.lowerQuartile, s.median,
                         s.upperQuartile, s.maximum}),
          "summary");
}

void TestReport::taskSummaryCountsParticipantsOfEachTask()
{
    ReportTable tasks(QStringLiteral("tasks"),
                      {{QStringLiteral("participant"), ReportTable::Type::Text},
                       {QStringLiteral("phase"), ReportTable::Type::Text},
                       {QStringLiteral("task"), ReportTable::Type::Integer},
                       {QStringLiteral("seconds"), ReportTable::Type::Integer},
                       {QStringLiteral("seconds_unattributed"), ReportTable::Type::Integer}});
    const QString task = QStringLiteral("task");
    tasks.addRow(QStringLiteral("a"), QStringLiteral("sign-in"), 0, 500, 0);
    tasks.addRow(QStringLiteral("a"), task, 1, 60, 10);
    tasks.addRow(QStringLiteral("a"), task, 2, 30, 0);
    tasks.addRow(QStringLiteral("a"), QStringLiteral("unattributed"), 0, 10, 0);
    tasks.addRow(QStringLiteral("b"), task, 1, 120, 0);
    tasks.addRow(QStringLiteral("c"), task, 1, 90, 0);
    const QList<TaskSummary> summaries = TaskSummary::of(tasks);
    QCOMPARE(summaries.size(), 2); // the sign-in and unattributed time are no task
    QCOMPARE(summaries.at(0).task, 1);
    QCOMPARE(summaries.at(0).participants, 3);
    QCOMPARE(summaries.at(0).seconds.median, 90.0);
    QCOMPARE(summaries.at(0).seconds.lowerQuartile, 75.0);
    QCOMPARE(summaries.at(0).uncertain, 1);
    QCOMPARE(summaries.at(1).task, 2);
    QCOMPARE(summaries.at(1).participants, 1);
    QCOMPARE(summaries.at(1).seconds.median, 30.0);
}

// Participants a and b saw colours, c did not, d has no condition known;
// "scored/correct" empty where the key scored none of the task's answers.
// The expected groups are worked out by hand from these rows.
void TestReport::taskSummaryByCondition_data()
{
    QTest::addColumn<QStringList>("rows");     // "participant task seconds scored correct"
    QTest::addColumn<QStringList>("expected"); // "task condition n median correct/scored"

    QTest::newRow("each condition of a task apart, conditions by name")
        << QStringList{"a 1 60 2 1", "b 1 100 2 2", "c 1 30 2 0", "a 2 10 - -"}
        << QStringList{"1 colour 2 80 3/4", "1 plain 1 30 0/2", "2 colour 1 10 0/0"};
    QTest::newRow("a participant without a condition is a group of its own")
        << QStringList{"d 1 40 1 1", "a 1 20 1 0"}
        << QStringList{"1  1 40 1/1", "1 colour 1 20 0/1"};
    QTest::newRow("tasks in their order before conditions")
        << QStringList{"c 2 5 - -", "b 1 7 1 1"}
        << QStringList{"1 colour 1 7 1/1", "2 plain 1 5 0/0"};
}

void TestReport::taskSummaryByCondition()
{
    QFETCH(QStringList, rows);
    ReportTable participants(QStringLiteral("participants"),
                             {{QStringLiteral("participant"), ReportTable::Type::Text},
                              {QStringLiteral("condition"), ReportTable::Type::Text}});
    participants.addRow(QStringLiteral("a"), QStringLiteral("colour"));
    participants.addRow(QStringLiteral("b"), QStringLiteral("colour"));
    participants.addRow(QStringLiteral("c"), QStringLiteral("plain"));
    participants.addRow(QStringLiteral("d"), QString());
    ReportTable tasks(QStringLiteral("tasks"),
                      {{QStringLiteral("participant"), ReportTable::Type::Text},
                       {QStringLiteral("phase"), ReportTable::Type::Text},
                       {QStringLiteral("task"), ReportTable::Type::Integer},
                       {QStringLiteral("seconds"), ReportTable::Type::Integer},
                       {QStringLiteral("seconds_unattributed"), ReportTable::Type::Integer},
                       {QStringLiteral("correct"), ReportTable::Type::Integer},
                       {QStringLiteral("scored"), ReportTable::Type::Integer}});
    const auto cell = [](const QString &text) {
        return text == QLatin1String("-") ? std::optional<qint64>()
                                          : std::optional<qint64>(text.toLongLong());
    };
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char(' '));
        tasks.addRow(f.at(0), QStringLiteral("task"), f.at(1).toLongLong(), f.at(2).toLongLong(),
                     qint64(0), cell(f.at(4)), cell(f.at(3)));
    }
    QStringList found;
    for (const TaskSummary &summary : TaskSummary::of(tasks, participants))
        found << QStringLiteral("%1 %2 %3 %4 %5/%6")
                     .arg(summary.task)
                     .arg(summary.condition)
                     .arg(summary.participants)
                     .arg(summary.seconds.median)
                     .arg(summary.correct)
                     .arg(summary.scored);
    QTEST(found, "expected");
}

// Slices as "lane:task", "-" where nothing was logged, worked out by hand
// from the seconds each span has in each slice.
void TestReport::timelineBins_data()
{
    QTest::addColumn<QStringList>("spans"); // "from until file task session"
    QTest::addColumn<int>("slices");
    QTest::addColumn<int>("namedLanes");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("expected");

    // Slices of 50 s: the first holds A 30 s and B 20 s.
    QTest::newRow("a slice shows what held most of it")
        << QStringList{"0 30 A 1 1", "30 100 B 1 1"} << 2 << 12 << QStringList{"A", "B"}
        << QStringList{"1:1", "2:1"};
    QTest::newRow("no code on screen is lane 0")
        << QStringList{"0 10 - 1 1", "10 20 A 2 1"} << 2 << 12 << QStringList{"A"}
        << QStringList{"0:1", "1:2"};
    QTest::newRow("an interruption leaves slices empty")
        << QStringList{"0 10 A 1 1", "30 40 A 1 2"} << 4 << 12 << QStringList{"A"}
        << QStringList{"1:1", "-", "-", "1:1"};
    // B 20 s, A 10 s, C 5 s: only B gets a lane, A and C share the last.
    QTest::newRow("files beyond the named lanes share one")
        << QStringList{"0 10 A 1 1", "10 30 B 1 1", "30 35 C 1 1"} << 7 << 1
        << QStringList{"B"} << QStringList{"2:1", "2:1", "1:1", "1:1", "1:1", "1:1", "2:1"};
    QTest::newRow("a tie goes to what came first")
        << QStringList{"0 5 A 1 1", "5 10 B 2 1"} << 1 << 12 << QStringList{"A", "B"}
        << QStringList{"1:1"};
    QTest::newRow("a short session keeps slices of one second")
        << QStringList{"0 2 A 1 1", "2 3 A 2 1"} << 5 << 12 << QStringList{"A"}
        << QStringList{"1:1", "1:1", "1:2", "-", "-"};
}

void TestReport::timelineBins()
{
    QFETCH(QStringList, spans);
    QFETCH(int, slices);
    QFETCH(int, namedLanes);
    QList<ScreenTimeline::Span> list;
    for (const QString &text : std::as_const(spans)) {
        const QStringList f = text.split(QLatin1Char(' '));
        ScreenTimeline::Span span;
        span.from = 1000 + f.at(0).toLongLong();
        span.until = 1000 + f.at(1).toLongLong();
        span.file = f.at(2) == QLatin1String("-") ? QString() : f.at(2);
        span.task = f.at(3).toInt();
        span.session = f.at(4).toInt();
        list.append(span);
    }
    const TimelineBins bins = TimelineBins::of(list, slices, namedLanes);
    QTEST(bins.files, "files");
    QStringList found;
    for (const TimelineBins::Slice &slice : bins.slices)
        found.append(slice.lane < 0 ? QStringLiteral("-")
                                    : QStringLiteral("%1:%2").arg(slice.lane).arg(slice.task));
    QTEST(found, "expected");
}

void TestReport::featuresRankedByExposure()
{
    ReportTable exposure(QStringLiteral("exposure"),
                         {{QStringLiteral("participant"), ReportTable::Type::Text},
                          {QStringLiteral("phase"), ReportTable::Type::Text},
                          {QStringLiteral("task"), ReportTable::Type::Integer},
                          {QStringLiteral("feature"), ReportTable::Type::Text},
                          {QStringLiteral("seconds"), ReportTable::Type::Integer}});
    const QString task = QStringLiteral("task");
    const auto rows = [&](const char *participant, const QString &phase, int number,
                          QList<qint64> seconds) {
        const QStringList features{"A", "B", "C"};
        for (int f = 0; f < 3; ++f)
            exposure.addRow(QString::fromLatin1(participant), phase, number, features.at(f),
                            seconds.at(f));
    };
    // Task 1: a 10, 0, 30; b 20, 0, 0. Task 2: a 0, 5, 0. Before sign-in a long look at B.
    rows("a", QStringLiteral("sign-in"), 0, {0, 900, 0});
    rows("a", task, 1, {10, 0, 30});
    rows("a", task, 2, {0, 5, 0});
    rows("b", task, 1, {20, 0, 0});
    const QList<FeatureExposure> ranked =
        FeatureExposure::ranked(exposure, {QStringLiteral("A"), QStringLiteral("B"),
                                           QStringLiteral("C")});
    // C 30 s, A 30 s (a tie: model order), B 5 s; time outside tasks does not count.
    QCOMPARE(ranked.size(), 3);
    QCOMPARE(ranked.at(0).feature, 0);
    QCOMPARE(ranked.at(0).seconds, qint64(30));
    QCOMPARE(ranked.at(1).feature, 2);
    QCOMPARE(ranked.at(2).feature, 1);
    QCOMPARE(ranked.at(2).seconds, qint64(5));
    // Means over the participants with the task: A in task 1 (10 + 20) / 2,
    // C in task 1 30 / 2; B in task 2 5 / 1.
    QCOMPARE(ranked.at(0).meanSeconds.value(1), 15.0);
    QCOMPARE(ranked.at(1).meanSeconds.value(1), 15.0);
    QCOMPARE(ranked.at(2).meanSeconds.value(2), 5.0);
    QCOMPARE(ranked.at(0).seenBy.value(1), 2);
    QCOMPARE(ranked.at(1).seenBy.value(1), 1);
    QCOMPARE(ranked.at(2).seenBy.value(1), 0);
}

void TestReport::textIdsTellTextsApartByContent()
{
    TextIds ids;
    const QString a = QStringLiteral("/src/A.java");
    QCOMPARE(ids.id(a), 0);
    QCOMPARE(ids.id(QString(a)), 0);               // a copy
    QCOMPARE(ids.id(a.left(5) + a.mid(5)), 0);     // the same text elsewhere
    QCOMPARE(ids.id(a.left(5)), 1);                // part of it: another text
    // A copy of a known text that lived and died where another text of its
    // length is made now: the other text is told apart.
    for (int i = 0; i < 100; ++i) {
        {
            const QString same = a.left(5) + a.mid(5);
            QCOMPARE(ids.id(same), 0);
        }
        const QString other = QStringLiteral("/src/") + QChar(u'a' + i % 26)
                              + QStringLiteral(".java");
        QCOMPARE(ids.text(ids.id(other)), other);
    }
    QCOMPARE(ids.count(), 2 + 26);
    QCOMPARE(ids.id(QString()), ids.id(QStringLiteral(""))); // both the empty text
}

void TestReport::csvQuoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("plain") << "Server.java" << QByteArray("Server.java");
    QTest::newRow("comma") << "a, b" << QByteArray("\"a, b\"");
    QTest::newRow("quotes doubled") << "say \"hi\"" << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line break") << "one\ntwo" << QByteArray("\"one\ntwo\"");
    QTest::newRow("carriage return") << "one\r\ntwo" << QByteArray("\"one\r\ntwo\"");
    QTest::newRow("umlaut as UTF-8") << "Größe" << QByteArray("Gr\xc3\xb6\xc3\x9f" "e");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("no text") << QString() << QByteArray();
    QTest::newRow("quote last") << "say\"" << QByteArray("\"say\"\"\"");
    QTest::newRow("non-ASCII last") << "Preis \u20ac" << QByteArray("Preis \xe2\x82\xac");
    QTest::newRow("NUL character kept") << QString(QStringLiteral("a%1b").arg(QChar(0)))
                                        << QByteArray("a\0b", 3);
}

void TestReport::csvQuoting()
{
    QFETCH(QString, text);
    QTEST(CsvWriter::field(text), "field");

    ReportTable table(QStringLiteral("t"), {{QStringLiteral("text"), ReportTable::Type::Text},
                                            {QStringLiteral("n"), ReportTable::Type::Integer},
                                            {QStringLiteral("at"), ReportTable::Type::Time}});
    table.addRow(text, ReportTable::Null(), qint64(0));
    QFETCH(QByteArray, field);
    QCOMPARE(CsvWriter::encode(table),
             "text,n,at\r\n" + field + ",,1970-01-01T00:00:00Z\r\n");
}

void TestReport::databaseHoldsTheCells_data()
{
    csvQuoting_data();
}

void TestReport::databaseHoldsTheCells()
{
    QFETCH(QString, text);
    ReportTable table(QStringLiteral("t"), {{QStringLiteral("text"), ReportTable::Type::Text},
                                            {QStringLiteral("n"), ReportTable::Type::Integer},
                                            {QStringLiteral("from"), ReportTable::Type::Time},
                                            {QStringLiteral("until"), ReportTable::Type::Time}});
    table.addRow(text, ReportTable::Null(), qint64(0), qint64(0));
    table.addRow(text, qint64(-5000000000), qint64(1700000000), qint64(1700000060));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.sqlite"));
    QString error;
    QVERIFY2(ReportDatabase::write({&table}, path, &error), qPrintable(error));

    QStringList rows;
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cells"));
        database.setDatabaseName(path);
        QVERIFY(database.open());
        QSqlQuery query(QStringLiteral("SELECT typeof(text), text = ?, typeof(n), n, \"from\", "
                                       "until FROM t ORDER BY rowid"),
                        database);
        query.addBindValue(text.isNull() ? QStringLiteral("") : text);
        QVERIFY(query.exec());
        while (query.next()) {
            QStringList cells;
            for (int c = 0; c < 6; ++c)
                cells << query.value(c).toString();
            rows << cells.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cells"));
    // A missing text is NULL, as the driver stores a null QString.
    const QString stored = text.isNull() ? QStringLiteral("null||") : QStringLiteral("text|1|");
    QCOMPARE(rows, (QStringList{
                       stored + "null||1970-01-01T00:00:00Z|1970-01-01T00:00:00Z",
                       stored + "integer|-5000000000|2023-11-14T22:13:20Z|2023-11-14T22:14:20Z"}));
}

// Rows go into the database several at a time: every row comes out as it
// went in, whichever statement carried it, times shared between neighbours
// or not, empty cells and all.
void TestReport::databaseHoldsEveryRowOfALargeTable()
{
    ReportTable table(QStringLiteral("t"), {{QStringLiteral("who"), ReportTable::Type::Text},
                                            {QStringLiteral("n"), ReportTable::Type::Integer},
                                            {QStringLiteral("from"), ReportTable::Type::Time},
                                            {QStringLiteral("until"), ReportTable::Type::Time}});
    constexpr int rows = 1001;
    const auto stamp = [](int row) { return qint64(1700000000) + row / 3 * 7; };
    for (int row = 0; row < rows; ++row) {
        table.addRow(row % 5 == 0 ? QString() : QStringLiteral("p%1").arg(row % 7),
                     row % 11 == 0 ? std::nullopt : std::optional<qint64>(row),
                     stamp(row), stamp(row + 1));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.sqlite"));
    QString error;
    QVERIFY2(ReportDatabase::write({&table}, path, &error), qPrintable(error));
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("large"));
        database.setDatabaseName(path);
        QVERIFY(database.open());
        QSqlQuery query(QStringLiteral("SELECT ifnull(who, '-'), ifnull(n, -1), \"from\", until "
                                       "FROM t ORDER BY rowid"),
                        database);
        int row = 0;
        while (query.next()) {
            const QString expected =
                QStringLiteral("%1 %2 %3 %4")
                    .arg(row % 5 == 0 ? QStringLiteral("-") : QStringLiteral("p%1").arg(row % 7))
                    .arg(row % 11 == 0 ? -1 : row)
                    .arg(QDateTime::fromSecsSinceEpoch(stamp(row), Qt::UTC).toString(Qt::ISODate),
                         QDateTime::fromSecsSinceEpoch(stamp(row + 1), Qt::UTC)
                             .toString(Qt::ISODate));
            const QString found = QStringLiteral("%1 %2 %3 %4").arg(
                query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                query.value(3).toString());
            QCOMPARE(found, expected);
            ++row;
        }
        QCOMPARE(row, rows);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("large"));
}

void TestReport::isoTimeAgreesWithQDateTime()
{
    QList<qint64> stamps{0, -1, 951782400, 1700000000, 4102444800, 253402300799};
    for (int i = 0; i < 2000; ++i)
        stamps.append(qint64(QRandomGenerator::global()->generate64() % 253402300800));
    for (const qint64 stamp : stamps) {
        const QString expected =
            QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC).toString(Qt::ISODate);
        QCOMPARE(ReportTable::isoTime(stamp), expected);
    }
}

int TestReport::runHere(const QStringList &arguments, QString *errors)
{
    TestSupport::OutputCapture capture;
    const int status = runReportCommand(QStringList{QStringLiteral("featurehue"),
                                                    QStringLiteral("report")}
                                        + arguments);
    *errors = capture.text();
    return status;
}

int TestReport::run(const QStringList &arguments, QString *errors, bool withoutRoot)
{
    QProcess process;
    if (withoutRoot)
        TestSupport::startWithoutRootRights(process);
    process.start(QStringLiteral(FEATUREHUE_BINARY),
                  QStringList{QStringLiteral("report")} + arguments);
    if (!process.waitForFinished(60000))
        return -1;
    *errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void TestReport::emptyFolderGivesHeaderOnlyTables()
{
    QTemporaryDir dir;
    QString errors;
    QCOMPARE(run({dir.path()}, &errors), 0);
    const QStringList tables{"events",   "tasks",       "answers",     "exposure", "participants",
                             "files",    "transitions", "first_views", "warnings"};
    for (const QString &table : tables) {
        QFile csv(dir.filePath(QStringLiteral("report/") + table + QStringLiteral(".csv")));
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(csv.fileName()));
        const QByteArray text = csv.readAll();
        // Only the missing model.m and annotations.xml are worth a warning.
        QCOMPARE(text.count("\r\n"), table == QLatin1String("warnings") ? 3 : 1);
        // One key column names the participant in every table.
        QVERIFY(text.startsWith("participant,"));
    }
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                          QStringLiteral("empty"));
        database.setDatabaseName(dir.filePath(QStringLiteral("report/study.sqlite")));
        QVERIFY(database.open());
        for (const QString &table : tables) {
            QSqlQuery query(QStringLiteral("SELECT count(*) FROM ") + table, database);
            QVERIFY2(query.next(), qPrintable(table));
            QCOMPARE(query.value(0).toInt(), table == QLatin1String("warnings") ? 2 : 0);
            // An index on the participant key, with the task where there is one.
            QSqlQuery index(QStringLiteral("SELECT group_concat(info.name, ',') FROM "
                                           "pragma_index_list('%1') AS list, "
                                           "pragma_index_info(list.name) AS info "
                                           "GROUP BY list.name ORDER BY list.name")
                                .arg(table),
                            database);
            QStringList keys;
            while (index.next())
                keys << index.value(0).toString();
            const bool hasTask = table != QLatin1String("participants")
                                 && table != QLatin1String("warnings");
            QVERIFY2(keys.contains(hasTask ? QStringLiteral("participant,task")
                                           : QStringLiteral("participant")),
                     qPrintable(table + QLatin1Char(':') + keys.join(QLatin1Char(' '))));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("empty"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("report/report.html"))));
}

// A folder others may list and enter (the group too: giving up root's user
// keeps its group).
static const QFileDevice::Permissions readableByAll = QFileDevice::ReadGroup
                                                      | QFileDevice::ExeGroup
                                                      | QFileDevice::ReadOther
                                                      | QFileDevice::ExeOther;

void TestReport::unreadableFolderExitsWithOneLine_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    // A path that is no folder is bad usage, as in "featurehue check" and "import".
    QTest::newRow("missing") << "missing" << 2;
    QTest::newRow("a file") << "file" << 2;
    QTest::newRow("no permission") << "locked" << 1;
}

void TestReport::unreadableFolderExitsWithOneLine()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("study"));
    const bool locked = kind == QLatin1String("locked");
    if (kind == QLatin1String("file")) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (locked) {
        QVERIFY(QDir().mkpath(folder));
        // The folder is there for everyone, but nobody may read it; root may
        // read any folder, so the report runs without root's rights.
        const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                          | QFileDevice::ExeOwner | QFileDevice::ReadOther
                          | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(dir.path(), open));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions()));
    }
    QString errors;
    const int status = run({folder}, &errors, locked);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner);
    QTEST(status, "status");
    QCOMPARE(errors.count(QLatin1Char('\n')), 1);
    QVERIFY2(errors.startsWith(folder + QStringLiteral(": error: ")), qPrintable(errors));
    if (locked)
        QVERIFY2(errors.contains(QStringLiteral("cannot read")), qPrintable(errors));
}

// A small study of one participant, for the tests of writing the report.
static bool writeSmallStudy(const QString &folder)
{
    return TestSupport::writeFile(folder + QStringLiteral("/questions.txt"), "Frage|2;")
           && TestSupport::writeFile(folder + QStringLiteral("/anna_bernd_log.txt"),
                                     logText({"c||code|||100", "0||taskCompleted|||160"}).toUtf8())
           && TestSupport::writeFile(folder + QStringLiteral("/anna_bernd_answers.txt"),
                                     "Server.java$\n");
}

void TestReport::failedWriteLeavesNoReport_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full disk") << "full" << QString::fromLocal8Bit(std::strerror(EFBIG));
    // The folders made for --out go again too.
    QTest::newRow("full disk, --out in folders still to be made")
        << "full-deep" << QString::fromLocal8Bit(std::strerror(EFBIG));
    QTest::newRow("unwritable folder") << "read-only"
                                       << QString::fromLocal8Bit(std::strerror(EACCES));
    QTest::newRow("--out names a file") << "file" << "not a folder";
}

void TestReport::failedWriteLeavesNoReport()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString study = dir.filePath(QStringLiteral("study"));
    QVERIFY(writeSmallStudy(study));
    const QString parent = dir.filePath(QStringLiteral("results"));
    QVERIFY(QDir().mkpath(parent));
    const QString out = parent
                        + (kind == QLatin1String("full-deep") ? QStringLiteral("/a/b/report")
                                                              : QStringLiteral("/report"));
    if (kind == QLatin1String("file"))
        QVERIFY(TestSupport::writeFile(out, "notes"));
    std::optional<TestSupport::ReadOnlyFolder> readOnly;
    std::optional<TestSupport::DiskFull> full;
    if (kind == QLatin1String("read-only")) {
        // The study must stay readable for the user the command runs as.
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | readableByAll);
        readOnly.emplace(parent);
        QVERIFY(readOnly->isActive());
    } else if (kind.startsWith(QLatin1String("full"))) {
        // The command inherits the limit: its charts and database do not fit.
        full.emplace(4096);
        QVERIFY(full->isActive());
    }
    QString errors;
    const QStringList arguments{study, QStringLiteral("--out"), out};
    const int status = readOnly ? runHere(arguments, &errors) : run(arguments, &errors);
    full.reset();
    readOnly.reset();
    QCOMPARE(status, 1);
    // One error naming the file or folder and the system's reason.
    QStringList failures;
    for (const QString &line : errors.split(QLatin1Char('\n'))) {
        if (line.contains(QStringLiteral(": error: ")))
            failures.append(line);
    }
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.constFirst().startsWith(parent), qPrintable(errors));
    QFETCH(QString, reason);
    QVERIFY2(failures.constFirst().contains(reason), qPrintable(errors));
    // No report folder, nothing half-written, nothing left beside it.
    const QStringList left =
        QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(left, kind == QLatin1String("file") ? QStringList{"report"} : QStringList());
}

void TestReport::reportReplacesOnlyItsOwnFiles()
{
    QTemporaryDir dir;
    const QString study = dir.filePath(QStringLiteral("study"));
    QVERIFY(writeSmallStudy(study));
    const QString out = dir.filePath(QStringLiteral("results/report"));
    QVERIFY(TestSupport::writeFile(out + QStringLiteral("/events.csv"), "an older report"));
    QVERIFY(TestSupport::writeFile(out + QStringLiteral("/notes.txt"), "the researcher's"));
    QString errors;
    QCOMPARE(run({study, QStringLiteral("--out"), out}, &errors), 0);
    QFile events(out + QStringLiteral("/events.csv"));
    QVERIFY(events.open(QIODevice::ReadOnly));
    QVERIFY(events.readAll().startsWith("participant,"));
    QFile notes(out + QStringLiteral("/notes.txt"));
    QVERIFY(notes.open(QIODevice::ReadOnly));
    QCOMPARE(notes.readAll(), QByteArray("the researcher's"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("results")))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"report"});
    // A missing --out folder is made, with the folders above it.
    const QString deeper = dir.filePath(QStringLiteral("a/b/report"));
    QCOMPARE(run({study, QStringLiteral("--out"), deeper}, &errors), 0);
    QVERIFY(QFile::exists(deeper + QStringLiteral("/report.html")));
}

void TestReport::damagedFilesAreReportedAndTheRestUsed()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &bytes) {
        return TestSupport::writeFile(dir.filePath(name), bytes);
    };
    QVERIFY(write(QStringLiteral("questions.txt"), "Intro$Frage 1|2;Frage 2|1;"));
    // A malformed record (line 5), zeros left by a crash, a torn last record.
    const QByteArray log = logText({"c||code|||100", "0||x|||110"}).toUtf8()
                           + "task0$junk\r\n\n" + QByteArray(64, '\0')
                           + logText({"!1||taskCompleted|||200"}).toUtf8() + "task1$$torn";
    QVERIFY(write(QStringLiteral("anna_bernd_log.txt"), log));
    const QByteArray answers = "Server.java, \"Client\"\nline 2$costs \\x24 3 \\\\ 4$\n";
    QVERIFY(write(QStringLiteral("anna_bernd_answers.txt"), answers));
    QVERIFY(write(QStringLiteral("otto_bernd_answers.txt"), "only answers$\n"));

    QString errors;
    QCOMPARE(run({dir.path(), QStringLiteral("--out"), dir.filePath(QStringLiteral("out"))},
                 &errors),
             0);
    const QString logPath = dir.filePath(QStringLiteral("anna_bernd_log.txt"));
    QVERIFY2(errors.contains(logPath + QStringLiteral(":5: warning: malformed record")),
             qPrintable(errors));
    QVERIFY2(errors.contains(logPath + QStringLiteral(":9: warning: incomplete last record")),
             qPrintable(errors));
    // The files read are left as they were.
    QFile logFile(logPath);
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    QCOMPARE(logFile.readAll(), log);

    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                      QStringLiteral("damaged"));
    database.setDatabaseName(dir.filePath(QStringLiteral("out/study.sqlite")));
    QVERIFY(database.open());
    {
        QSqlQuery events(QStringLiteral("SELECT action, session FROM events"), database);
        QStringList actions;
        while (events.next())
            actions << events.value(0).toString() + events.value(1).toString();
        QCOMPARE(actions, (QStringList{"code1", "x1", "taskCompleted2"}));
        QSqlQuery typed(QStringLiteral("SELECT participant, task, question, answer FROM answers "
                                       "ORDER BY participant, task, question"),
                        database);
        QStringList rows;
        while (typed.next()) {
            rows << QStringLiteral("%1/%2/%3:%4").arg(typed.value(0).toString(),
                                                       typed.value(1).toString(),
                                                       typed.value(2).toString(),
                                                       typed.value(3).toString());
        }
        // Tasks from 1 as in questions.txt, questions as the task's answer boxes from 1.
        QCOMPARE(rows, (QStringList{"anna_bernd/1/1:Server.java, \"Client\"\nline 2",
                                    "anna_bernd/2/1:costs $ 3 \\ 4",
                                    "otto_bernd/1/1:only answers", "otto_bernd/2/1:"}));

        // anna: two runs (a restart at 200), three records, 90 s lost between
        // 110 and 200, the two damaged records; otto: answers only, one
        // answer for two boxes.
        QSqlQuery people(QStringLiteral("SELECT participant, account, user, sittings, records, "
                                        "answers, seconds_lost, warnings FROM participants "
                                        "ORDER BY participant"),
                         database);
        QStringList found;
        while (people.next()) {
            QStringList cells;
            for (int c = 0; c < 8; ++c)
                cells << people.value(c).toString();
            found << cells.join(QLatin1Char(' '));
        }
        QCOMPARE(found, (QStringList{"anna_bernd anna bernd 2 3 2 90 2",
                                     "otto_bernd otto bernd 0 0 1 0 1"}));
        // Every warning is in the table too; model.m and annotations.xml are missing.
        QSqlQuery kinds(QStringLiteral("SELECT ifnull(participant, '-'), file, ifnull(line, 0), "
                                       "kind FROM warnings ORDER BY rowid"),
                        database);
        QStringList warnings;
        while (kinds.next())
            warnings << QStringLiteral("%1 %2:%3 %4").arg(kinds.value(0).toString(),
                                                         kinds.value(1).toString(),
                                                         kinds.value(2).toString(),
                                                         kinds.value(3).toString());
        QCOMPARE(warnings, (QStringList{"- model.m:0 model", "- annotations.xml:0 annotations",
                                        "anna_bernd anna_bernd_log.txt:5 log-record",
                                        "anna_bernd anna_bernd_log.txt:9 log-record",
                                        "otto_bernd otto_bernd_answers.txt:0 answer-boxes"}));
        QCOMPARE(errors.count(QStringLiteral(": warning: ")), warnings.size());
    }
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("damaged"));
}

// The named columns of a CSV file of the report, a row per record after the
// header, cells joined by " " and an empty cell shown as "-"; only the rows
// whose column `only` holds `value`, when one is given.
static QStringList csvRows(const QString &path, const QStringList &columns,
                           const QString &only = QString(), const QString &value = QString())
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read ") + path};
    const CsvReader::Result csv = CsvReader::parse(QString::fromUtf8(file.readAll()));
    if (csv.records.isEmpty() || !csv.problems.isEmpty())
        return {QStringLiteral("not CSV: ") + path};
    QStringList header;
    for (const CsvReader::Field &field : csv.records.constFirst().fields)
        header.append(field.text);
    QStringList rows;
    for (qsizetype r = 1; r < csv.records.size(); ++r) {
        const QList<CsvReader::Field> &fields = csv.records.at(r).fields;
        if (!only.isEmpty() && fields.value(header.indexOf(only)).text != value)
            continue;
        QStringList cells;
        for (const QString &column : columns) {
            const qsizetype c = header.indexOf(column);
            const QString text = c < 0 ? QStringLiteral("?") : fields.value(c).text;
            cells.append(text.isEmpty() ? QStringLiteral("-") : text);
        }
        rows.append(cells.join(QLatin1Char(' ')));
    }
    return rows;
}

// Two tasks: task 1 with two answer boxes, task 2 with one. anna's log
// leaves the first task page unlogged, but has records on both tasks, so
// that tasks.csv has a row for each.
static bool writeScoredStudy(const QString &folder, const QByteArray &answers)
{
    return TestSupport::writeFile(folder + QStringLiteral("/questions.txt"),
                                  "Frage 1|1$Frage 2|1;Frage 3|1;")
           && TestSupport::writeFile(folder + QStringLiteral("/anna_bernd_log.txt"),
                                     logText({"c||code|||100", "0||x|||110", "1||y|||120",
                                              "1||taskCompleted|||130"})
                                         .toUtf8())
           && TestSupport::writeFile(folder + QStringLiteral("/anna_bernd_answers.txt"), answers);
}

// Every verdict below is worked out by hand from the rules of the key: exact
// ignores case and runs of white space, any takes "|" alternatives, a regex
// must match the whole trimmed answer, a number may carry "±" and a decimal
// comma, a set wants the same items in any order, manual is never scored.
// answers.csv gives "task question correct", tasks.csv "task correct scored"
// for the task rows, "-" for an empty cell.
void TestReport::answerKeyScoresTheAnswers_data()
{
    QTest::addColumn<QByteArray>("key"); // rows after the header; null: no answer-key.csv
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QStringList>("verdicts");
    QTest::addColumn<QStringList>("tasks");

    const QStringList none{"1 1 -", "1 2 -", "2 1 -"};
    const QStringList unscored{"1 - -", "2 - -"};
    QTest::newRow("no key: nothing is scored")
        << QByteArray() << QByteArray("a$b$c$\n") << none << unscored;
    QTest::newRow("exact ignores case and runs of white space")
        << QByteArray("1,1,exact,Authenticator.java\n1,2,exact,send  History\n")
        << QByteArray("  authenticator.JAVA $Send History$x$\n")
        << QStringList{"1 1 1", "1 2 1", "2 1 -"} << QStringList{"1 2 2", "2 - -"};
    QTest::newRow("exact wants all of it")
        << QByteArray("1,1,exact,Authenticator.java\n") << QByteArray("Authenticator$$$\n")
        << QStringList{"1 1 0", "1 2 -", "2 1 -"} << QStringList{"1 0 1", "2 - -"};
    QTest::newRow("any takes one of the alternatives")
        << QByteArray("1,1,any,sendHistory|ClientHandler.sendHistory\n"
                      "1,2,any,sendHistory|ClientHandler.sendHistory\n")
        << QByteArray("clienthandler.SENDHISTORY$History$$\n")
        << QStringList{"1 1 1", "1 2 0", "2 1 -"} << QStringList{"1 1 2", "2 - -"};
    QTest::newRow("a regex must match the whole trimmed answer")
        << QByteArray("1,1,regex,(?i)(zeilen? )?20 *(-|bis) *24\n"
                      "1,2,regex,(?i)(zeilen? )?20 *(-|bis) *24\n"
                      "2,1,regex,(?i)(zeilen? )?20 *(-|bis) *24\n")
        << QByteArray(" Zeilen 20 bis 24 $ab 20-24$20-25$\n")
        << QStringList{"1 1 1", "1 2 0", "2 1 0"} << QStringList{"1 1 2", "2 0 1"};
    QTest::newRow("a number within its tolerance, a decimal comma in the answer")
        << QByteArray("1,1,number,42±0.5\n1,2,number,42±0.5\n2,1,number,42\n")
        << QByteArray("42,4$42.6$ 42 $\n") << QStringList{"1 1 1", "1 2 0", "2 1 1"}
        << QStringList{"1 1 2", "2 1 1"};
    QTest::newRow("a decimal comma in the key")
        << QByteArray("2,1,number,\"3,5\"\n") << QByteArray("$$3.5$\n")
        << QStringList{"1 1 -", "1 2 -", "2 1 1"} << QStringList{"1 - -", "2 1 1"};
    QTest::newRow("a set in any order, none missing and none more")
        << QByteArray("1,1,set,\"Encryption, Caesar\"\n1,2,set,\"Encryption, Caesar\"\n"
                      "2,1,set,\"Encryption, Caesar\"\n")
        << QByteArray("caesar encryption$Caesar$Caesar, Encryption, Reverse$\n")
        << QStringList{"1 1 1", "1 2 0", "2 1 0"} << QStringList{"1 1 2", "2 0 1"};
    QTest::newRow("manual rows and boxes without a row are not scored")
        << QByteArray("1,1,manual,\n2,1,exact,Caesar\n") << QByteArray("x$y$caesar$\n")
        << QStringList{"1 1 -", "1 2 -", "2 1 1"} << QStringList{"1 - -", "2 1 1"};
    // The answers file stores a typed "$" as "\x24": scored as typed.
    QTest::newRow("an answer with a dollar is scored as typed")
        << QByteArray("1,1,exact,a$b\n") << QByteArray("a\\x24b$$$\n")
        << QStringList{"1 1 1", "1 2 -", "2 1 -"} << QStringList{"1 1 1", "2 - -"};
    // A file that ends before the last box: that answer is not known, not wrong.
    QTest::newRow("an answer the file does not hold is not scored")
        << QByteArray("1,1,exact,a\n2,1,exact,c\n") << QByteArray("a$\n")
        << QStringList{"1 1 1", "1 2 -", "2 1 -"} << QStringList{"1 1 1", "2 - -"};
}

void TestReport::answerKeyScoresTheAnswers()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, answers);
    QTemporaryDir dir;
    QVERIFY(writeScoredStudy(dir.path(), answers));
    if (!key.isNull())
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("answer-key.csv")),
                                       "task,question,match,expected\n" + key));
    QString errors;
    QCOMPARE(runHere({dir.path()}, &errors), 0);
    const QString report = dir.filePath(QStringLiteral("report/"));
    QTEST(csvRows(report + QStringLiteral("answers.csv"), {"task", "question", "correct"}),
          "verdicts");
    QTEST(csvRows(report + QStringLiteral("tasks.csv"), {"task", "correct", "scored"},
                  QStringLiteral("phase"), QStringLiteral("task")),
          "tasks");
    // The database holds the same verdicts, empty ones as NULL.
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                      QStringLiteral("scored"));
    database.setDatabaseName(report + QStringLiteral("study.sqlite"));
    QVERIFY(database.open());
    QStringList verdicts;
    {
        QSqlQuery query(QStringLiteral("SELECT task, question, ifnull(correct, '-') FROM answers "
                                       "ORDER BY task, question"),
                        database);
        while (query.next())
            verdicts << QStringLiteral("%1 %2 %3").arg(query.value(0).toString(),
                                                     query.value(1).toString(),
                                                     query.value(2).toString());
    }
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("scored"));
    QTEST(verdicts, "verdicts");
}

// A key that cannot be used would score wrongly: no report is written, and
// the problem is named with its place in the key.
void TestReport::unusableKeyWritesNoReport_data()
{
    // "folder": answer-key.csv; "option": --key; "empty": an empty --key
    QTest::addColumn<QString>("where");
    QTest::addColumn<QByteArray>("key"); // null: the file --key names is missing
    QTest::addColumn<QString>("error");  // what follows the key's path in the error

    QTest::newRow("a pattern that does not compile")
        << "folder" << QByteArray("1,1,regex,(a\n") << ":2:";
    QTest::newRow("a task that questions.txt does not have")
        << "option" << QByteArray("3,1,exact,a\n") << ":2:1: error: task 3";
    QTest::newRow("an answer box that the task does not have")
        << "folder" << QByteArray("2,2,exact,a\n") << ":2:3: error: question 2";
    QTest::newRow("the key --key names is missing") << "option" << QByteArray() << ": error: ";
    // Not the folder's answer-key.csv instead: the researcher named another.
    QTest::newRow("--key names no file")
        << "empty" << QByteArray() << ": error: cannot be read";
}

void TestReport::unusableKeyWritesNoReport()
{
    QFETCH(QString, where);
    QFETCH(QByteArray, key);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString study = dir.filePath(QStringLiteral("study"));
    QVERIFY(writeScoredStudy(study, "a$b$c$\n"));
    const QString path = where == QLatin1String("folder")
                             ? study + QStringLiteral("/answer-key.csv")
                         : where == QLatin1String("option")
                             ? dir.filePath(QStringLiteral("elsewhere/key.csv"))
                             : QString();
    if (!path.isEmpty() && !key.isNull())
        QVERIFY(TestSupport::writeFile(path, "task,question,match,expected\n" + key));
    QStringList arguments{study};
    if (where == QLatin1String("option"))
        arguments << QStringLiteral("--key") << path;
    if (where == QLatin1String("empty")) {
        QVERIFY(TestSupport::writeFile(study + QStringLiteral("/answer-key.csv"),
                                       "task,question,match,expected\n1,1,exact,a\n"));
        arguments << QStringLiteral("--key") << QString();
    }
    QString errors;
    QCOMPARE(runHere(arguments, &errors), 1);
    QVERIFY2(errors.contains(path + error), qPrintable(errors));
    QVERIFY2(!QFileInfo::exists(study + QStringLiteral("/report")), qPrintable(errors));
}

// The participant's session file as the viewer writes it.
static bool writeSession(const QString &folder, const QString &account, const QString &condition,
                         const QList<int> &order, const QString &materials)
{
    SessionFile session;
    session.account = account;
    session.user = QStringLiteral("bernd");
    session.condition = condition;
    session.taskOrder = order;
    session.number = 1;
    session.materials = materials;
    return session.write(folder + QLatin1Char('/') + SessionFile::fileName(account,
                                                                           session.user));
}

void TestReport::participantsCarryTheirSession_data()
{
    QTest::addColumn<QByteArray>("session"); // "json": written by the viewer; null: none
    QTest::addColumn<QString>("row");        // "condition task_order materials"
    QTest::addColumn<QStringList>("warnings");

    const QString hash(64, QLatin1Char('a'));
    QTest::newRow("no session file: nothing known")
        << QByteArray() << "- - -" << QStringList();
    QTest::newRow("the condition, the order of the pages and the material")
        << QByteArray("json:plain:2 1") << "plain 2 1 " + hash << QStringList{"materials-changed"};
    QTest::newRow("a study without conditions")
        << QByteArray("json::1 2") << "- 1 2 " + hash << QStringList{"materials-changed"};
    QTest::newRow("a damaged session file is left out, with a warning")
        << QByteArray("{\"account\": ") << "- - -" << QStringList{"session"};
}

void TestReport::participantsCarryTheirSession()
{
    QFETCH(QByteArray, session);
    QTemporaryDir dir;
    QVERIFY(writeScoredStudy(dir.path(), "a$b$c$\n"));
    if (session.startsWith("json:")) {
        const QList<QByteArray> parts = session.split(':');
        QList<int> order;
        for (const QByteArray &task : parts.at(2).split(' '))
            order.append(task.toInt());
        QVERIFY(writeSession(dir.path(), QStringLiteral("anna"), QString::fromUtf8(parts.at(1)),
                             order, QString(64, QLatin1Char('a'))));
    } else if (!session.isNull()) {
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("anna_bernd_session.json")),
                                       session));
    }
    QString errors;
    QCOMPARE(runHere({dir.path()}, &errors), 0);
    const QString report = dir.filePath(QStringLiteral("report/"));
    QTEST(csvRows(report + QStringLiteral("participants.csv"),
                  {"condition", "task_order", "materials"})
              .value(0),
          "row");
    // Only the warnings of the session; the log leaves the first page unlogged
    // and model.m and annotations.xml are missing.
    QStringList kinds = csvRows(report + QStringLiteral("warnings.csv"), {"kind"});
    kinds.removeAll(QStringLiteral("unattributed"));
    kinds.removeAll(QStringLiteral("model"));
    kinds.removeAll(QStringLiteral("annotations"));
    QTEST(kinds, "warnings");
}

// The materials hash of a folder worked out as the README's recipe says,
// independently of the viewer's code: model.m, annotations.xml,
// questions.txt, study.json, then the listed sources by their UTF-8 bytes.
static QString materialsOf(const QString &folder, const QStringList &sources)
{
    QCryptographicHash sha(QCryptographicHash::Sha256);
    for (const QString &path : QStringList{"model.m", "annotations.xml", "questions.txt",
                                           "study.json"} + sources) {
        sha.addData(path.toUtf8() + "\n");
        QFile file(folder + QLatin1Char('/') + path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            sha.addData(QByteArray::number(bytes.size()) + "\n" + bytes);
        } else {
            sha.addData(QByteArrayView("missing\n"));
        }
    }
    return QString::fromLatin1(sha.result().toHex());
}

void TestReport::materialsOfTheSittings_data()
{
    // Per participant (anna, otto): "now" for the folder's material as it is,
    // "old" for another hash, "" for a session file without materials.
    QTest::addColumn<QStringList>("sessions");
    QTest::addColumn<QStringList>("warnings"); // "participant kind file", in order

    QTest::newRow("both sat with the material as it is")
        << QStringList{"now", "now"} << QStringList();
    QTest::newRow("the material changed after one sitting")
        << QStringList{"now", "old"}
        << QStringList{"anna_bernd materials-differ anna_bernd_session.json",
                       "otto_bernd materials-changed otto_bernd_session.json",
                       "otto_bernd materials-differ otto_bernd_session.json"};
    QTest::newRow("both sat with the same material, since changed")
        << QStringList{"old", "old"}
        << QStringList{"anna_bernd materials-changed anna_bernd_session.json",
                       "otto_bernd materials-changed otto_bernd_session.json"};
    QTest::newRow("a session without materials is compared with nothing")
        << QStringList{"", "old"}
        << QStringList{"otto_bernd materials-changed otto_bernd_session.json"};
}

void TestReport::materialsOfTheSittings()
{
    QFETCH(QStringList, sessions);
    QTemporaryDir dir;
    QVERIFY(writeScoredStudy(dir.path(), "a$b$c$\n"));
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("otto_bernd_answers.txt")),
                                   "d$e$f$\n"));
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("model.m")), "R : A | B ;"));
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("annotations.xml")), annotations));
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("src/X.java")), "class X {}\n"));
    // notes.txt is no source; Y.java is listed but missing.
    const QString now = materialsOf(dir.path(), {"src/X.java", "src/Y.java"});
    const QStringList accounts{"anna", "otto"};
    for (int p = 0; p < accounts.size(); ++p) {
        const QString &given = sessions.at(p);
        const QString materials = given == QLatin1String("now")   ? now
                                  : given == QLatin1String("old") ? QString(64, QLatin1Char('0'))
                                                                  : QString();
        QVERIFY(writeSession(dir.path(), accounts.at(p), QString(), {1, 2}, materials));
    }
    QString errors;
    QCOMPARE(runHere({dir.path()}, &errors), 0);
    QStringList found = csvRows(dir.filePath(QStringLiteral("report/warnings.csv")),
                                {"participant", "kind", "file"});
    found = found.filter(QStringLiteral(" materials-"));
    QTEST(found, "warnings");
    // On standard error too, with the session file's path.
    QCOMPARE(errors.count(QStringLiteral("_session.json: warning: ")), found.size());
}

// View file text from compact lines "seconds|event|task|file|first|last|detail":
// seconds since the epoch with a fraction ("100.3"), task "c" is "code" and
// a number n is "task<n>"; empty line numbers stay empty.
static QByteArray viewText(const QStringList &lines)
{
    QByteArray text = ViewFile::Header;
    for (const QString &line : lines) {
        const QStringList f = line.split(QLatin1Char('|'));
        ViewFile::Row row;
        row.time = QDateTime::fromMSecsSinceEpoch(qRound64(f.at(0).toDouble() * 1000),
                                                  Qt::UTC);
        row.event = f.at(1);
        row.task = f.at(2) == QLatin1String("c") ? QStringLiteral("code")
                                                 : QStringLiteral("task") + f.at(2);
        row.file = f.at(3);
        row.first = f.at(4).isEmpty() ? -1 : f.at(4).toInt();
        row.last = f.at(5).isEmpty() ? -1 : f.at(5).toInt();
        row.detail = f.at(6);
        text += ViewFile::format(row);
    }
    return text;
}

// Every number below is worked out by hand from the records and rows of its
// row: the records stamp whole seconds, a row's moment falls in the second
// it names, and a stretch runs from the second of one record or row to the
// second of the next. The tasks table gives "phase task seconds
// unattributed lost resumed", the files table "task file seconds".
void TestReport::viewFileTimes_data()
{
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QByteArray>("view"); // null: no view file
    QTest::addColumn<QList<int>>("order"); // the session's task order; empty: no session file
    QTest::addColumn<QStringList>("tasks");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("warnings"); // "kind@line"
    // first_views.csv: seconds from task 1's start until a line of A (X.java
    // 10-30) was on screen; empty when never.
    QTest::addColumn<QString>("firstA");

    // The sitting of the issue: true times 18, 20 and 14 s; the first page
    // is left at 118.0 without a record. Task 1: 100-118 (18 s, X.java in
    // front 105-118: 13 s); task 2: 118-138 (20 s, all X.java); task 3:
    // 138-152 (14 s). The account page is left within second 100.
    const QStringList sitting{"c||code|||100",
                              "0|/src/X.java|fileOpened|1|40|105",
                              "0|/src/X.java|x|1|40|115",
                              "1|/src/X.java|y|1|40|125",
                              "1|/src/X.java|taskCompleted|1|40|138",
                              "2|/src/X.java|z|1|40|145",
                              "2|/src/X.java|taskCompleted|1|40|152"};
    const QStringList pages{"100.3|page|0||||1", "105.3|view|0|/src/X.java|1|40|170",
                            "118.0|page|1||||2", "138.4|page|2||||3"};
    const QStringList issueTasks{"sign-in 0 0 0 0 0", "task 1 18 0 0 0", "task 2 20 0 0 0",
                                 "task 3 14 0 0 0"};
    const QStringList issueFiles{"1 /src/X.java 13", "2 /src/X.java 20", "3 /src/X.java 14"};
    QTest::newRow("the first task page left without a record is the first task's")
        << sitting << viewText(pages) << QList<int>() << issueTasks << issueFiles
        << QStringList() << "5";
    // From the log alone, as before: 100-115 task 1, 115-125 unsure, 125-138
    // task 2, 138-152 task 3.
    QTest::newRow("without a view file the log alone tells the time")
        << sitting << QByteArray() << QList<int>()
        << QStringList{"sign-in 0 0 0 0 0", "task 1 15 10 0 0", "task 2 13 10 0 0",
                       "task 3 14 0 0 0", "unattributed 0 10 0 0 0"}
        << QStringList{"1 /src/X.java 10", "2 /src/X.java 13", "3 /src/X.java 14",
                       "0 /src/X.java 10"}
        << QStringList{"unattributed@5"} << "5";
    // The rows that read are used; the one cut off (line 6) is warned about.
    QTest::newRow("a torn last row is left out with a warning")
        << sitting << viewText(pages) + "1970-01-01T00:02:31.000Z,vi" << QList<int>()
        << issueTasks << issueFiles << QStringList{"view-file@6"} << "5";
    QTest::newRow("a malformed row is left out with a warning")
        << sitting << viewText(pages.mid(0, 2)) + "not a row\n" + viewText(pages.mid(2)).mid(
               int(ViewFile::Header.size()))
        << QList<int>() << issueTasks << issueFiles << QStringList{"view-file@4"} << "5";
    // Task 1 from 0 to 60: away from 20 to 45 (25 s lost, not resumed), so
    // 35 s on the task, X.java in front 10-20 and 45-60.
    QTest::newRow("the time in another program is lost for the task")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|40|10",
                       "0|/src/X.java|taskCompleted|1|40|60"}
        << viewText({"0.2|page|0||||1", "10.3|view|0|/src/X.java|1|40|170",
                     "20.5|focus-out|0||||", "45.5|focus-in|0||||"})
        << QList<int>() << QStringList{"sign-in 0 0 0 0 0", "task 1 35 0 25 0"}
        << QStringList{"1 /src/X.java 25"} << QStringList() << "10";
    // X.java 10-20, Y.java 20-30, X.java again from 30 (no record) to 50.
    QTest::newRow("a change of the file in front without a record")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|40|10",
                       "0|/src/Y.java|fileOpened|1|20|20", "0|/src/Y.java|taskCompleted|1|20|50"}
        << viewText({"0.1|page|0||||1", "10.3|view|0|/src/X.java|1|40|170",
                     "20.3|view|0|/src/Y.java|1|20|170", "30.0|view|0|/src/X.java|1|40|170"})
        << QList<int>() << QStringList{"sign-in 0 0 0 0 0", "task 1 50 0 0 0"}
        << QStringList{"1 /src/X.java 30", "1 /src/Y.java 10"} << QStringList() << "10";
    // The first page shows task 2 (0-30), the second task 1 (30-45).
    QTest::newRow("the pages show the tasks of the session's order")
        << QStringList{"c||code|||0", "0||x|||10", "0||taskCompleted|||30",
                       "1||taskCompleted|||45"}
        << viewText({"0.5|page|0||||2", "30.2|page|1||||1"}) << QList<int>{2, 1}
        << QStringList{"sign-in 0 0 0 0 0", "task 1 15 0 0 0", "task 2 30 0 0 0"}
        << QStringList() << QStringList() << "";
    // Run 1: task 1 0-12, closed at 12; run 2 from 100: task 1 100-120. The
    // 88 s between the close and the next run are lost, the task resumed.
    QTest::newRow("a close ends the run's last span")
        << QStringList{"c||code|||0", "0||x|||10", "!0||y|||100", "0||taskCompleted|||120"}
        << viewText({"0.5|page|0||||1", "12.0|close|0||||", "100.5|page|0||||1"})
        << QList<int>() << QStringList{"sign-in 0 0 0 0 0", "task 1 32 0 88 1"}
        << QStringList() << QStringList() << "";
    // Run 1 was killed after a scroll at 13; run 2 signs in at 30.6, its
    // page shown before its first record at 40. Task 1: 0-13 and 30-50
    // (33 s, X.java 10-13), 13-30 lost.
    QTest::newRow("the rows of a sign-in before its first record begin the next run")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|40|10", "!0||x|||40",
                       "0||taskCompleted|||50"}
        << viewText({"0.2|page|0||||1", "10.5|view|0|/src/X.java|1|40|170",
                     "13.2|view|0|/src/X.java|5|44|170", "30.6|page|0||||1",
                     "30.6|view|0||||"})
        << QList<int>() << QStringList{"sign-in 0 0 0 0 0", "task 1 33 0 17 1"}
        << QStringList{"1 /src/X.java 3"} << QStringList() << "10";
    // Run 1 signs in at 0 (its page shown at 0.3, after its record in the
    // log's whole seconds) and is killed; run 2 signs in at 100. Run 1's
    // page is its own: task 1 is 100-120 (20 s), 0-100 lost, resumed.
    QTest::newRow("a sign-in's page shown after its record stays in its run")
        << QStringList{"c||code|||0", "!c||code|||100", "0||taskCompleted|||120"}
        << viewText({"0.3|page|0||||1", "100.4|page|0||||1"}) << QList<int>()
        << QStringList{"sign-in 0 0 0 0 0", "task 1 20 0 100 1"} << QStringList()
        << QStringList() << "";
    // X.java opened below A (lines 50-90) at 10, scrolled up to 1-40 at
    // 22.4 without a record: A is first on screen 22 s into task 1, and
    // X.java is in front 10-40.
    QTest::newRow("a scroll without a record shows a feature")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|50|90|10",
                       "0|/src/X.java|taskCompleted|1|40|40"}
        << viewText({"0.1|page|0||||1", "10.3|view|0|/src/X.java|50|90|170",
                     "22.4|view|0|/src/X.java|1|40|170"})
        << QList<int>() << QStringList{"sign-in 0 0 0 0 0", "task 1 40 0 0 0"}
        << QStringList{"1 /src/X.java 30"} << QStringList() << "22";
}

void TestReport::viewFileTimes()
{
    QFETCH(QStringList, log);
    QFETCH(QByteArray, view);
    QFETCH(QList<int>, order);
    QTemporaryDir dir;
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("anna_bernd_log.txt")),
                                   logText(log).toUtf8()));
    if (!view.isNull())
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("anna_bernd_view.csv")),
                                       view));
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("model.m")), "R : A | B | C ;"));
    QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("annotations.xml")), annotations));
    if (!order.isEmpty())
        QVERIFY(writeSession(dir.path(), QStringLiteral("anna"), QString(), order, QString()));
    Diagnostics quiet([](const QString &) {});
    ReportWarnings warnings(quiet);
    std::optional<StudyFolder> study = StudyFolder::read(dir.path(), warnings);
    QVERIFY(study);
    const StudyReport report(*study, warnings);
    QTEST(rowsOf(report.tasks(), {"phase", "task", "seconds", "seconds_unattributed",
                                  "seconds_lost", "resumed"}),
          "tasks");
    QTEST(rowsOf(report.files(), {"task", "file", "seconds"}), "files");
    QStringList found;
    for (const ReportWarnings::Warning &warning : warnings.list()) {
        if (warning.kind != QLatin1String("model") && warning.kind != QLatin1String("annotations"))
            found.append(warning.kind + QLatin1Char('@') + QString::number(warning.line));
    }
    QTEST(found, "warnings");
    QStringList firstA = rowsOf(report.firstViews(), {"task", "feature", "seconds"})
                             .filter(QRegularExpression(QStringLiteral("^1 A ")));
    QCOMPARE(firstA.size(), 1);
    QTEST(firstA.first().mid(4), "firstA");
    // One event per log record, whatever the view file holds.
    QCOMPARE(report.events().rowCount(), qsizetype(log.size()));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
