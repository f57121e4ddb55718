#include "core/formats/actionlog.h"

#include "ui/codeview/codeview.h"
#include "ui/questionnaire/studyviewer.h"

#include "support/studyfixture.h"

#include <QDir>
#include <QGraphicsView>
#include <QScrollBar>
#include <QTest>

using TestSupport::StudyFixture;

class TestActionLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // The record on its own.
    void format_data();
    void format();
    void appendAddsUtf8Records();
    void appendToMissingFolderFails();

    // Records written by the questionnaire.
    void firstRecordHasEqualStampsAndNoDifference();
    void differenceToThePreviousRecord_data();
    void differenceToThePreviousRecord();
    void withoutCodeViewFileAndRangeAreRepeated_data();
    void withoutCodeViewFileAndRangeAreRepeated();
    void codeViewGivesFileAndVisibleLines();
    void codeViewWithoutLineNumbersKeepsTheRange();
    void signInIsLoggedAsCodeInTheParticipantsLog();
    void taskPagesLogTheirCompletion();
    void umlautsAreWrittenAsUtf8();
    void lostRecordStillAdvancesTheTime();
    void finishedWritesNothing();
    void cursorsAreReset_data();
    void cursorsAreReset();
    void viewerDecidesFileAndLines_data();
    void viewerDecidesFileAndLines();

private:
    // Opens a file of the project in a real code view as the current tab.
    CodeView *openCodeView(const QString &relativePath, int lines, bool withLineNumbers);

    std::unique_ptr<StudyFixture> f;
    QString preSignInLog() const { return QStringLiteral("_bernd_log.txt"); }
};

void TestActionLog::init()
{
    f = std::make_unique<StudyFixture>();
    QVERIFY(f->dir.isValid());
}

void TestActionLog::cleanup()
{
    f.reset();
}

void TestActionLog::format_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<qint64>("previous");
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<QString>("record");

    QTest::newRow("sign-in's taskCompleted is logged as code")
        << 0 << "" << "taskCompleted" << -1 << -1 << qint64(1000) << qint64(1000)
        << "code$$code$($)$1000$1000$0\r\n\n";
    QTest::newRow("other actions on the account page keep their text")
        << 0 << "/src/A.java" << "fileOpened" << 1 << 30 << qint64(1000) << qint64(1003)
        << "code$/src/A.java$fileOpened$(1$30)$1000$1003$3\r\n\n";
    QTest::newRow("first task page is task0")
        << 1 << "/A.java" << "selectionChanged" << 5 << 42 << qint64(1000) << qint64(1012)
        << "task0$/A.java$selectionChanged$(5$42)$1000$1012$12\r\n\n";
    QTest::newRow("taskCompleted kept on a task page")
        << 4 << "" << "taskCompleted" << -1 << -1 << qint64(5) << qint64(65)
        << "task3$$taskCompleted$($)$5$65$60\r\n\n";
    QTest::newRow("line zero is a line") << 2 << "/B.c" << "fileClosed" << 0 << 0 << qint64(7)
                                         << qint64(7) << "task1$/B.c$fileClosed$(0$0)$7$7$0\r\n\n";
    QTest::newRow("only the start line known")
        << 2 << "/B.c" << "fileClosed" << 3 << -1 << qint64(7) << qint64(8)
        << "task1$/B.c$fileClosed$(3$)$7$8$1\r\n\n";
    QTest::newRow("clock set back gives a negative difference")
        << 2 << "" << "search<project>(x)" << -1 << -1 << qint64(2000) << qint64(1990)
        << "task1$$search<project>(x)$($)$2000$1990$-10\r\n\n";
    QTest::newRow("time stamps beyond 32 bits")
        << 3 << "" << "deleteColor<1>" << -1 << -1 << qint64(4294967296) << qint64(4294967300)
        << "task2$$deleteColor<1>$($)$4294967296$4294967300$4\r\n\n";
}

void TestActionLog::format()
{
    QFETCH(int, page);
    QFETCH(QString, file);
    QFETCH(QString, action);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(qint64, previous);
    QFETCH(qint64, stamp);
    QFETCH(QString, record);

    ActionLog::Entry entry;
    entry.pageIndex = page;
    entry.fileName = file;
    entry.action = action;
    entry.startLine = start;
    entry.endLine = end;
    entry.previousStamp = previous;
    entry.stamp = stamp;
    QCOMPARE(ActionLog::format(entry), record);
}

void TestActionLog::appendAddsUtf8Records()
{
    const QString path = f->path("log.txt");
    QVERIFY(ActionLog::append(path, QStringLiteral("a\r\n\n")));
    QVERIFY(ActionLog::append(path, QStringLiteral("ö\r\n\n")));
    QCOMPARE(f->readFile("log.txt"), QByteArray("a\r\n\n\xc3\xb6\r\n\n"));
}

void TestActionLog::appendToMissingFolderFails()
{
    QVERIFY(!ActionLog::append(f->path("missing/log.txt"), QStringLiteral("a\r\n\n")));
}

void TestActionLog::firstRecordHasEqualStampsAndNoDifference()
{
    QuestionDialog &dialog = f->make();
    f->now = 1700000123;
    dialog.writeToLog(QStringLiteral("select<FeatureView>"));
    QCOMPARE(f->readFile(preSignInLog()),
             QByteArray("code$$select<FeatureView>$($)$1700000123$1700000123$0\r\n\n"));
}

void TestActionLog::differenceToThePreviousRecord_data()
{
    QTest::addColumn<qint64>("later");
    QTest::addColumn<QByteArray>("secondRecord");

    QTest::newRow("seven seconds later")
        << qint64(107) << QByteArray("code$$b$($)$100$107$7\r\n\n");
    QTest::newRow("within the same second") << qint64(100)
                                            << QByteArray("code$$b$($)$100$100$0\r\n\n");
}

void TestActionLog::differenceToThePreviousRecord()
{
    QFETCH(qint64, later);
    QFETCH(QByteArray, secondRecord);

    QuestionDialog &dialog = f->make();
    f->now = 100;
    dialog.writeToLog(QStringLiteral("a"), QString());
    f->now = later;
    dialog.writeToLog(QStringLiteral("b"), QString());
    QCOMPARE(f->readFile(preSignInLog()), "code$$a$($)$100$100$0\r\n\n" + secondRecord);
}

void TestActionLog::withoutCodeViewFileAndRangeAreRepeated_data()
{
    QTest::addColumn<bool>("plainTab");
    QTest::newRow("no tab open") << false;
    QTest::newRow("current tab is not a code view") << true;
}

// The file name passed by the caller is only used together with a code view;
// without one the record repeats what the previous one said.
void TestActionLog::withoutCodeViewFileAndRangeAreRepeated()
{
    QFETCH(bool, plainTab);
    if (plainTab)
        f->tabs.addTab(new QWidget, QStringLiteral("plain"));

    QuestionDialog &dialog = f->make();
    f->now = 50;
    dialog.setCurrentFile(QStringLiteral("/src/Chat.java"));
    dialog.setStartAndEndLine(3, 40);
    dialog.writeToLog(QStringLiteral("fileOpened"), QStringLiteral("/src/Chat.java"));
    dialog.writeToLog(QStringLiteral("fileClosed"), QStringLiteral("/src/Other.java"));
    QCOMPARE(f->readFile(preSignInLog()),
             QByteArray("code$/src/Chat.java$fileOpened$(3$40)$50$50$0\r\n\n"
                        "code$/src/Chat.java$fileClosed$(3$40)$50$50$0\r\n\n"));
}

CodeView *TestActionLog::openCodeView(const QString &relativePath, int lines,
                                     bool withLineNumbers)
{
    QByteArrayList sourceLines;
    for (int i = 1; i <= lines; ++i)
        sourceLines << "int line" + QByteArray::number(i) + ";";
    const QByteArray source = sourceLines.join('\n');
    QDir(f->dir.path()).mkpath(QStringLiteral("src"));
    if (!f->writeFile(relativePath.mid(1), source))
        return nullptr;
    auto *view = new CodeView(nullptr, nullptr, nullptr, new QFile(f->path(relativePath.mid(1))),
                              170);
    if (withLineNumbers)
        view->buildLineNumbers();
    f->tabs.addTab(view, relativePath);
    f->tabs.setCurrentWidget(view);
    f->tabs.resize(600, 300);
    f->tabs.show();
    return QTest::qWaitForWindowExposed(&f->tabs) ? view : nullptr;
}

// The record names the current file relative to the project folder and the
// first and last line numbers the participant can see.
void TestActionLog::codeViewGivesFileAndVisibleLines()
{
    QuestionDialog &dialog = f->make();
    CodeView *view = openCodeView(QStringLiteral("/src/Chat.java"), 200, true);
    QVERIFY(view);
    f->now = 10;

    const QPair<int, int> top = view->visibleLineRange();
    QCOMPARE(top.first, 1);
    QVERIFY(top.second > 1 && top.second < 200);
    dialog.writeToLog(QStringLiteral("fileOpened"), QString());

    QScrollBar *bar = view->lineNumberView()->verticalScrollBar();
    bar->setValue(bar->maximum());
    const QPair<int, int> bottom = view->visibleLineRange();
    QCOMPARE(bottom.second, 200);
    QVERIFY(bottom.first > 1);
    // A file name given by the caller wins over the view's.
    dialog.writeToLog(QStringLiteral("selectionChanged"), QStringLiteral("/given.java"));

    QCOMPARE(QString::fromUtf8(f->readFile("_bernd_log.txt")),
             QStringLiteral("code$/src/Chat.java$fileOpened$(1$%1)$10$10$0\r\n\n"
                            "code$/given.java$selectionChanged$(%2$200)$10$10$0\r\n\n")
                 .arg(top.second)
                 .arg(bottom.first));
}

void TestActionLog::codeViewWithoutLineNumbersKeepsTheRange()
{
    QuestionDialog &dialog = f->make();
    QVERIFY(openCodeView(QStringLiteral("/src/Empty.java"), 3, false));
    f->now = 10;
    dialog.setStartAndEndLine(4, 9);
    dialog.writeToLog(QStringLiteral("fileOpened"), QString());
    QCOMPARE(f->readFile("_bernd_log.txt"),
             QByteArray("code$/src/Empty.java$fileOpened$(4$9)$10$10$0\r\n\n"));
}

void TestActionLog::signInIsLoggedAsCodeInTheParticipantsLog()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    f->now = 200;
    dialog.writeToLog(QStringLiteral("fileOpened"));
    f->now = 230;
    f->signIn(QStringLiteral("anna"));

    QCOMPARE(dialog.logFilePath(), f->path("anna_bernd_log.txt"));
    QCOMPARE(f->readFile("anna_bernd_log.txt"), QByteArray("code$$code$($)$200$230$30\r\n\n"));
    // What happened before the sign-in stays in the file without account.
    QCOMPARE(f->readFile(preSignInLog()), QByteArray("code$$fileOpened$($)$200$200$0\r\n\n"));
}

void TestActionLog::taskPagesLogTheirCompletion()
{
    QVERIFY(f->writeFile("questions.txt", "Einleitung;a|1;b|1;"));
    f->make();
    f->now = 10;
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->stack()->currentIndex(), 1);
    f->now = 20;
    f->clickNext(); // leaving the first task page is not logged
    QCOMPARE(f->stack()->currentIndex(), 2);
    f->now = 35;
    f->clickNext();
    QCOMPARE(f->stack()->currentIndex(), 3);
    f->now = 36;
    f->clickNext();
    QCOMPARE(f->readFile("anna_bernd_log.txt"),
             QByteArray("code$$code$($)$10$10$0\r\n\n"
                        "task1$$taskCompleted$($)$10$35$25\r\n\n"
                        "task2$$taskCompleted$($)$35$36$1\r\n\n"));
}

void TestActionLog::umlautsAreWrittenAsUtf8()
{
    QuestionDialog &dialog = f->make();
    f->now = 1;
    dialog.setCurrentFile(QStringLiteral("/Größe.java"));
    dialog.writeToLog(QStringLiteral("search<current>(für)"));
    QCOMPARE(f->readFile(preSignInLog()),
             QByteArray("code$/Gr\xc3\xb6\xc3\x9f" "e.java$"
                        "search<current>(f\xc3\xbcr)$($)$1$1$0\r\n\n"));
}

// A record that cannot be written is lost, but the next one still measures
// the time from it.
void TestActionLog::lostRecordStillAdvancesTheTime()
{
    QuestionDialog &dialog = f->make();
    QVERIFY(QDir(f->dir.path()).mkdir(preSignInLog())); // a folder blocks the log file
    f->now = 100;
    dialog.writeToLog(QStringLiteral("lost"));
    QVERIFY(QDir(f->dir.path()).rmdir(preSignInLog()));
    f->now = 105;
    dialog.writeToLog(QStringLiteral("kept"));
    QCOMPARE(f->readFile(preSignInLog()), QByteArray("code$$kept$($)$100$105$5\r\n\n"));
}

void TestActionLog::finishedWritesNothing()
{
    QuestionDialog &dialog = f->make();
    f->now = 1;
    dialog.writeToLog(QStringLiteral("before"));
    dialog.finished = true;
    f->now = 2;
    dialog.writeToLog(QStringLiteral("after"), QString());
    dialog.writeToLog(QStringLiteral("after"));
    QCOMPARE(f->readFile(preSignInLog()), QByteArray("code$$before$($)$1$1$0\r\n\n"));
}

void TestActionLog::cursorsAreReset_data()
{
    QTest::addColumn<bool>("finished");
    QTest::newRow("while logging") << false;
    QTest::newRow("after the questionnaire finished") << true;
}

void TestActionLog::cursorsAreReset()
{
    QFETCH(bool, finished);
    QuestionDialog &dialog = f->make();
    dialog.finished = finished;
    const QList<QWidget *> widgets{&f->packageTree, &f->featureTree, &f->finderDock,
                                   &f->resultsList};
    for (QWidget *widget : widgets)
        widget->setCursor(Qt::WaitCursor);
    dialog.writeToLog(QStringLiteral("search<project>(x)"));
    for (QWidget *widget : widgets)
        QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);
}

namespace {

// Answers the questionnaire as a window would, from fixed values.
class FakeViewer : public StudyViewer
{
public:
    bool open = false;
    View view;
    int cursorResets = 0;

    bool currentView(View *out) const override
    {
        if (open)
            *out = view;
        return open;
    }
    void resetCursors() override { ++cursorResets; }
};

} // namespace

void TestActionLog::viewerDecidesFileAndLines_data()
{
    // The record before this one named /src/A.java, lines 3 to 40.
    QTest::addColumn<bool>("hasViewer");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("filePath"); // "<project>" stands for the project folder
    QTest::addColumn<int>("firstLine");
    QTest::addColumn<int>("lastLine");
    QTest::addColumn<QByteArray>("record");

    QTest::newRow("no viewer repeats the last record")
        << false << false << QString() << -1 << -1
        << QByteArray("code$/src/A.java$b$(3$40)$10$10$0");
    QTest::newRow("no tab open repeats the last record")
        << true << false << QString() << 7 << 9
        << QByteArray("code$/src/A.java$b$(3$40)$10$10$0");
    QTest::newRow("a file in the project is named from the project folder")
        << true << true << "<project>/src/B.java" << 5 << 60
        << QByteArray("code$/src/B.java$b$(5$60)$10$10$0");
    QTest::newRow("a file elsewhere keeps its whole path")
        << true << true << "/elsewhere/C.java" << 1 << 2
        << QByteArray("code$/elsewhere/C.java$b$(1$2)$10$10$0");
    QTest::newRow("unknown lines keep the last range")
        << true << true << "<project>/src/B.java" << -1 << -1
        << QByteArray("code$/src/B.java$b$(3$40)$10$10$0");
    QTest::newRow("a half-known range keeps the last range")
        << true << true << "<project>/src/B.java" << 8 << -1
        << QByteArray("code$/src/B.java$b$(3$40)$10$10$0");
}

void TestActionLog::viewerDecidesFileAndLines()
{
    QFETCH(bool, hasViewer);
    QFETCH(bool, open);
    QFETCH(QString, filePath);
    QFETCH(int, firstLine);
    QFETCH(int, lastLine);
    QFETCH(QByteArray, record);

    FakeViewer viewer;
    QuestionDialog dialog(f->dir.path(), hasViewer ? &viewer : nullptr);
    dialog.setClock([] { return qint64(10); });
    dialog.setCurrentFile(QStringLiteral("/src/A.java"));
    dialog.setStartAndEndLine(3, 40);
    dialog.writeToLog(QStringLiteral("a"));

    viewer.open = open;
    viewer.view.filePath = filePath.replace(QStringLiteral("<project>"), f->dir.path());
    viewer.view.firstLine = firstLine;
    viewer.view.lastLine = lastLine;
    dialog.writeToLog(QStringLiteral("b"));

    const QList<QByteArray> records = f->readFile(preSignInLog()).split('\n');
    QCOMPARE(records.size(), 5); // two records, each ended by "\r\n\n"
    QCOMPARE(records.at(2), record + '\r');
    // Every record ends a wait cursor, whether or not a tab is open.
    QCOMPARE(viewer.cursorResets, hasViewer ? 2 : 0);
}

QTEST_MAIN(TestActionLog)
#include "tst_actionlog.moc"
