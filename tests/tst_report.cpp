#include "core/formats/diagnostics.h"
#include "report/csvwriter.h"
#include "report/exposure.h"
#include "core/formats/logrecord.h"
#include "report/reportdatabase.h"
#include "report/reporttable.h"
#include "report/studyfolder.h"
#include "report/studyreport.h"
#include "support/readonlyfolder.h"
#include "support/testfiles.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>


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

    // Writing.
    void csvQuoting_data();
    void csvQuoting();
    void databaseHoldsTheCells_data();
    void databaseHoldsTheCells();
    void isoTimeAgreesWithQDateTime();

    // The command on whole folders.
    void emptyFolderGivesHeaderOnlyTables();
    void unreadableFolderExitsWithOneLine_data();
    void unreadableFolderExitsWithOneLine();
    void damagedFilesAreReportedAndTheRestUsed();

private:
    static StudyReport reportOf(const QString &log, StudyFolder *study = nullptr);
    // Runs "featurehue report"; withoutRoot: as "nobody" when this runs as root.
    static int run(const QStringList &arguments, QString *errors, bool withoutRoot = false);
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

StudyReport TestReport::reportOf(const QString &log, StudyFolder *given)
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
    participant.records = LogRecord::parseLog(log, QStringLiteral("log"), quiet);
    study.participants = {participant};
    StudyFolder::mergePreSignIn(study.participants, QStringLiteral("bernd"), {});
    return StudyReport(study);
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
    QTest::addColumn<int>("task");
    QTest::addColumn<qint64>("seconds"); // -1: the task has no row
    QTest::addColumn<int>("resumed");
    QTest::addColumn<qint64>("lost");

    QTest::newRow("the sign-in opens the first task")
        << QStringList{"c||code|||0", "0|/src/X.java|fileOpened|1|4|10", "0|/src/X.java|x|1|4|30"}
        << 0 << qint64(30) << 0 << qint64(0);
    QTest::newRow("the seconds after taskCompleted belong to the next task")
        << QStringList{"1||taskCompleted|||100", "2||fileOpened|||130", "2||taskCompleted|||160"}
        << 2 << qint64(60) << 0 << qint64(0);
    QTest::newRow("leaving the first task page is not logged: task 0 keeps the time")
        << QStringList{"c||code|||0", "0||x|||10", "1||taskCompleted|||50"} << 0 << qint64(50)
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
    QTest::newRow("the sign-in opens task 0 although the next record is of task 1")
        << QStringList{"c||code|||0", "1||taskCompleted|||30"} << 0 << qint64(30) << 0
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
    for (qsizetype row = 0; row < tasks.rowCount(); ++row) {
        if (tasks.isNull(row, taskColumn) || tasks.number(row, taskColumn) != task)
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
    const QStringList tables{"events", "tasks", "answers", "exposure"};
    for (const QString &table : tables) {
        QFile csv(dir.filePath(QStringLiteral("report/") + table + QStringLiteral(".csv")));
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(csv.fileName()));
        const QByteArray text = csv.readAll();
        QCOMPARE(text.count("\r\n"), 1);
        QVERIFY(text.startsWith("participant,user,"));
    }
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                          QStringLiteral("empty"));
        database.setDatabaseName(dir.filePath(QStringLiteral("report/study.sqlite")));
        QVERIFY(database.open());
        for (const QString &table : tables) {
            QSqlQuery query(QStringLiteral("SELECT count(*) FROM ") + table, database);
            QVERIFY2(query.next(), qPrintable(table));
            QCOMPARE(query.value(0).toInt(), 0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("empty"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("report/report.html"))));
}

void TestReport::unreadableFolderExitsWithOneLine_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a file") << "file";
    QTest::newRow("no permission") << "locked";
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
    QCOMPARE(status, 1);
    QCOMPARE(errors.count(QLatin1Char('\n')), 1);
    QVERIFY2(errors.startsWith(folder + QStringLiteral(": error: ")), qPrintable(errors));
    if (locked)
        QVERIFY2(errors.contains(QStringLiteral("cannot read")), qPrintable(errors));
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
        QCOMPARE(rows, (QStringList{"anna/0/2:Server.java, \"Client\"\nline 2",
                                    "anna/1/1:costs $ 3 \\ 4", "otto/0/2:only answers",
                                    "otto/1/1:"}));
    }
    database.close();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("damaged"));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
