#include "core/study/resumeposition.h"

#include "support/studyfixture.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QTest>

using TestSupport::StudyFixture;

// Seven tasks with one answer box each: eight pages with the account page.
static const QByteArray sevenTasks = "Frage 1|1;Frage 2|1;Frage 3|1;Frage 4|1;Frage 5|1;"
                                     "Frage 6|1;Frage 7|1;";

class TestResume : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // Reading the log.
    void lastCompleteRecord_data();
    void lastCompleteRecord();
    void taskNumber_data();
    void taskNumber();
    void targetPage_data();
    void targetPage();
    void randomLogsGiveAPageInRange();

    // Signing in again.
    void signInContinues_data();
    void signInContinues();
    void answersComeBackWithUmlauts();
    void oldLatin1AnswersAreRead();
    void surplusPiecesStayInTheLastBox();
    void answersWithoutLogAreNotOverwritten();
    void newParticipantIsNotResumed();

private:
    std::unique_ptr<StudyFixture> f;
};

void TestResume::init()
{
    f = std::make_unique<StudyFixture>();
    QVERIFY(f->dir.isValid());
}

void TestResume::cleanup()
{
    f.reset();
}

void TestResume::lastCompleteRecord_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("action");

    QTest::newRow("only the sign-in") << "code$$code$($)$1$1$0\r\n\n" << true << "code" << "code";
    QTest::newRow("second record starts with the line feed")
        << "code$$code$($)$1$1$0\r\n\ntask3$/A.java$taskCompleted$(1$9)$1$6$5\r\n\n" << true
        << "\ntask3" << "taskCompleted";
    QTest::newRow("record cut off by a crash is skipped")
        << "task2$$fileOpened$($)$1$1$0\r\n\ntask3$/A.ja" << true << "task2" << "fileOpened";
    QTest::newRow("crash before the final line feed")
        << "task2$$fileOpened$($)$1$1$0\r\n" << true << "task2" << "fileOpened";
    QTest::newRow("dollar in the file name")
        << "task3$/Outer$Inner.java$taskCompleted$(1$9)$1$6$5\r\n\n" << true << "task3"
        << "taskCompleted";
    QTest::newRow("dollar in a searched text")
        << "task3$/A.java$search<current>(a$b)$(1$9)$1$6$5\r\n\n" << true << "task3" << "b)";
    QTest::newRow("short record with three fields")
        << "task4$/A.java$taskCompleted\r\n\n" << true << "task4" << "taskCompleted";
    QTest::newRow("empty log") << "" << false << "" << "";
    QTest::newRow("no complete record") << "task3$$taskCompl" << false << "" << "";
    QTest::newRow("last record with two fields")
        << "code$$code$($)$1$1$0\r\n\ntask3$x\r\n\n" << false << "" << "";
}

void TestResume::lastCompleteRecord()
{
    QFETCH(QString, log);
    QFETCH(bool, found);
    QFETCH(QString, task);
    QFETCH(QString, action);

    const std::optional<ResumePosition::LastRecord> record =
        ResumePosition::lastCompleteRecord(log);
    QCOMPARE(record.has_value(), found);
    if (found) {
        QCOMPARE(record->task, task);
        QCOMPARE(record->action, action);
    }
}

void TestResume::taskNumber_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("number");

    QTest::newRow("task3") << "task3" << 3;
    QTest::newRow("line feed before the field") << "\ntask3" << 3;
    QTest::newRow("two digits") << "task12" << 12;
    QTest::newRow("account page") << "code" << 0;
    QTest::newRow("account page after line feed") << "\ncode" << 0;
    QTest::newRow("task without number") << "task" << 0;
    QTest::newRow("task with letters") << "taskx" << 0;
}

void TestResume::taskNumber()
{
    QFETCH(QString, field);
    QFETCH(int, number);
    QCOMPARE(ResumePosition::taskNumber(field), number);
}

void TestResume::targetPage_data()
{
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<int>("page");
    // The record is the "Fertig!" of the last task: the answers are final.
    QTest::addColumn<bool>("completes");

    QTest::newRow("task3 completed, 8 pages") << "task3" << "taskCompleted" << 8 << 4 << false;
    QTest::newRow("task5 completed") << "task5" << "taskCompleted" << 8 << 6 << false;
    QTest::newRow("task2 under way") << "\ntask2" << "fileOpened" << 8 << 2 << false;
    QTest::newRow("task6 under way, last page") << "task6" << "selectionChanged" << 8 << 6
                                                << false;
    QTest::newRow("task1 under way starts again") << "task1" << "fileOpened" << 8 << 0 << false;
    QTest::newRow("sign-in only starts again") << "code" << "code" << 8 << 0 << false;
    QTest::newRow("first task page completed starts again") << "task0" << "taskCompleted" << 8
                                                            << 0 << false;
    QTest::newRow("whole questionnaire completed starts again")
        << "task6" << "taskCompleted" << 8 << 0 << true;
    QTest::newRow("task beyond the pages") << "task9" << "fileOpened" << 8 << 0 << false;
    QTest::newRow("task on the account page's number") << "task7" << "fileOpened" << 8 << 0
                                                       << false;
    QTest::newRow("negative task") << "task-4" << "fileOpened" << 8 << 0 << false;
    QTest::newRow("no task pages") << "task0" << "taskCompleted" << 1 << 0 << false;
    QTest::newRow("last task completed, after a line feed")
        << "\ntask6" << "taskCompleted" << 8 << 0 << true;
    QTest::newRow("last task under way is not completed")
        << "task6" << "fileOpened" << 8 << 6 << false;
    QTest::newRow("a search for the word is no completion")
        << "task6" << "search<current>(taskCompleted)" << 8 << 0 << false;
    QTest::newRow("last task of a longer questionnaire")
        << "task6" << "taskCompleted" << 9 << 7 << false;
    QTest::newRow("one task: leaving it is never logged")
        << "task0" << "taskCompleted" << 2 << 0 << false;
    QTest::newRow("sign-in without tasks") << "code" << "code" << 1 << 0 << false;
}

void TestResume::targetPage()
{
    QFETCH(QString, task);
    QFETCH(QString, action);
    QFETCH(int, pageCount);
    QFETCH(int, page);
    QFETCH(bool, completes);
    QCOMPARE(ResumePosition::targetPage(ResumePosition::LastRecord{task, action}, pageCount),
             page);
    QCOMPARE(ResumePosition::completesQuestionnaire(ResumePosition::LastRecord{task, action},
                                                    pageCount),
             completes);
}

// Logs of arbitrary content never move the participant outside the task
// pages in which the questionnaire can continue.
void TestResume::randomLogsGiveAPageInRange()
{
    static const QStringList tokens{"task", "code", "$", "\r\n", "\n", "3", "1", "-", "9",
                                    "taskCompleted", "(", ")", " ", "ä"};
    QRandomGenerator random(42);
    for (int round = 0; round < 3000; ++round) {
        QString log;
        const int length = random.bounded(30);
        for (int i = 0; i < length; ++i)
            log += tokens.at(random.bounded(int(tokens.size())));
        const int pageCount = random.bounded(1, 12);
        const int page = ResumePosition::targetPage(log, pageCount);
        QVERIFY2(page == 0 || (page > 1 && page < pageCount - 1), qPrintable(log));
    }
}

void TestResume::signInContinues_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("signInLogged");
    // The participant had finished: read-only boxes, nothing written.
    QTest::addColumn<bool>("final");

    const QByteArray signIn = "code$$code$($)$1$1$0\r\n\n";
    QTest::newRow("task3 completed continues on page 5")
        << signIn + "task3$$taskCompleted$($)$1$2$1\r\n\n" << 5 << false << false;
    QTest::newRow("task2 under way continues on its page")
        << signIn + "task2$/A.java$fileOpened$(1$30)$1$2$1\r\n\n" << 3 << false << false;
    QTest::newRow("task6 under way continues on the last page")
        << signIn + "task6$$fileClosed$($)$1$2$1\r\n\n" << 7 << false << false;
    QTest::newRow("task1 under way starts at page 1")
        << signIn + "task1$$fileOpened$($)$1$2$1\r\n\n" << 1 << true << false;
    QTest::newRow("sign-in only starts at page 1") << signIn << 1 << true << false;
    QTest::newRow("empty log starts fresh") << QByteArray() << 1 << true << false;
    QTest::newRow("log without complete record starts fresh")
        << QByteArray("task3$$taskComp") << 1 << true << false;
    QTest::newRow("record with two fields starts fresh")
        << QByteArray("task3$x\r\n\n") << 1 << true << false;
    QTest::newRow("binary garbage starts fresh") << QByteArray("\xff\x00\r\n\xfe", 5) << 1 << true
                                                 << false;
    QTest::newRow("finished participant sees the last page, read-only")
        << signIn + "task6$$taskCompleted$($)$1$2$1\r\n\n" << 7 << false << true;
}

void TestResume::signInContinues()
{
    QFETCH(QByteArray, log);
    QFETCH(int, page);
    QFETCH(bool, signInLogged);
    QFETCH(bool, final);

    QVERIFY(f->writeFile("questions.txt", sevenTasks));
    QVERIFY(f->writeFile("anna_bernd_log.txt", log));
    QuestionDialog &dialog = f->make();
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!dialog.resumed);
    f->now = 500;
    f->signIn(QStringLiteral("anna"));

    QCOMPARE(f->stack()->count(), 8);
    QCOMPARE(f->stack()->currentIndex(), page);
    QVERIFY(dialog.resumed);
    QVERIFY(dialog.isVisible());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(f->nextButton()->text(), page == 7 ? QStringLiteral("Fertig!")
                                                : QStringLiteral("Weiter"));
    const QByteArray expectedLog =
        signInLogged ? log + "code$$code$($)$500$500$0\r\n\n" : log;
    QCOMPARE(f->readFile("anna_bernd_log.txt"), expectedLog);

    // One answer box per page: the keyboard is in the page's box, so what
    // the participant types right after signing in is not lost. Final
    // answers take no typing, and no answers file is made for them.
    const QList<QTextEdit *> boxes = f->answerBoxes();
    QCOMPARE(boxes.size(), 7);
    QCOMPARE(dialog.answersFinal(), final);
    QCOMPARE(QFile::exists(f->path("anna_bernd_answers.txt")), !final);
    for (QTextEdit *box : boxes)
        QCOMPARE(box->isReadOnly(), final);
    if (final) {
        QVERIFY(dialog.finished);
        QVERIFY(!f->nextButton()->isVisible());
        auto *note = f->find<QLabel>("label_answersFinal");
        QVERIFY(note && note->isVisible());
        QVERIFY(f->stack()->currentWidget()->isAncestorOf(note));
        dialog.writeToLog(QStringLiteral("fileOpened"), QStringLiteral("/A.java"));
        QCOMPARE(f->readFile("anna_bernd_log.txt"), log);
    } else {
        QCOMPARE(dialog.focusWidget(), boxes.at(page - 1));
        StudyFixture::type(dialog.focusWidget(), QStringLiteral("x"));
        QCOMPARE(boxes.at(page - 1)->toPlainText(), QStringLiteral("x"));
    }
}

void TestResume::answersComeBackWithUmlauts()
{
    QVERIFY(f->writeFile("questions.txt", sevenTasks));
    // Written by an earlier session: UTF-8 log and answers.
    f->make();
    f->signIn(QStringLiteral("anna"));
    QList<QTextEdit *> boxes = f->answerBoxes();
    QCOMPARE(boxes.size(), 7);
    StudyFixture::type(boxes.at(0), QStringLiteral("Größe"));
    f->clickNext();
    StudyFixture::type(boxes.at(1), QStringLiteral("zwei"));
    QTest::keyClick(boxes.at(1), Qt::Key_Return);
    StudyFixture::type(boxes.at(1), QStringLiteral("Zeilen: äü"));
    f->clickNext();
    QCOMPARE(f->stack()->currentIndex(), 3);
    const QByteArray answers = "Gr\xc3\xb6\xc3\x9f" "e$zwei\nZeilen: \xc3\xa4\xc3\xbc$$$$$$\n";
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), answers);

    // The program is started again and anna signs in.
    f->make();
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->stack()->currentIndex(), 3);
    boxes = f->answerBoxes();
    QCOMPARE(boxes.at(0)->toPlainText(), QStringLiteral("Größe"));
    QCOMPARE(boxes.at(1)->toPlainText(), QStringLiteral("zwei\nZeilen: äü"));
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), answers);
}

void TestResume::oldLatin1AnswersAreRead()
{
    QVERIFY(f->writeFile("questions.txt", sevenTasks));
    QVERIFY(f->writeFile("anna_bernd_log.txt", "task3$$taskCompleted$($)$1$2$1\r\n\n"));
    QVERIFY(f->writeFile("anna_bernd_answers.txt", "Gr\xf6\xdf" "e$\n"));
    f->make();
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->answerBoxes().at(0)->toPlainText(), QStringLiteral("Größe"));
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("Gr\xc3\xb6\xc3\x9f" "e$$$$$$$\n"));
}

// More pieces than boxes (an answer with "$" from before "$" was escaped, or
// a shorter questionnaire): the surplus stays in the last box and no
// character is lost.
void TestResume::surplusPiecesStayInTheLastBox()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;c|1;"));
    QVERIFY(f->writeFile("anna_bernd_log.txt", "task0$$fileOpened$($)$1$2$1\r\n\n"));
    const QByteArray answers = "eins$zwei$5$ Euro$ oder mehr$\n";
    QVERIFY(f->writeFile("anna_bernd_answers.txt", answers));
    f->make();
    f->signIn(QStringLiteral("anna"));
    const QList<QTextEdit *> boxes = f->answerBoxes();
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes.at(0)->toPlainText(), QStringLiteral("eins"));
    QCOMPARE(boxes.at(1)->toPlainText(), QStringLiteral("zwei"));
    QCOMPARE(boxes.at(2)->toPlainText(), QStringLiteral("5$ Euro$ oder mehr"));
    // Rewritten with the box's "$" escaped, so it stays in that box from now on.
    QCOMPARE(f->readFile("anna_bernd_answers.txt"),
             QByteArray("eins$zwei$5\\x24 Euro\\x24 oder mehr$\n"));
}

// Answers whose log is gone are shown again, not replaced by empty boxes.
void TestResume::answersWithoutLogAreNotOverwritten()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;"));
    QVERIFY(f->writeFile("anna_bernd_answers.txt", "erste$zweite$\n"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    QVERIFY(!dialog.resumed);
    QCOMPARE(f->stack()->currentIndex(), 1);
    QCOMPARE(f->answerBoxes().at(1)->toPlainText(), QStringLiteral("zweite"));
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("erste$zweite$\n"));
}

void TestResume::newParticipantIsNotResumed()
{
    QVERIFY(f->writeFile("questions.txt", sevenTasks));
    QVERIFY(f->writeFile("otto_bernd_log.txt", "task3$$taskCompleted$($)$1$2$1\r\n\n"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    QVERIFY(!dialog.resumed);
    QCOMPARE(f->stack()->currentIndex(), 1);
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("$$$$$$$\n"));
}

QTEST_MAIN(TestResume)
#include "tst_resume.moc"
