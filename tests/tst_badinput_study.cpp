// questions.txt, the participant's log and answers file when they are
// damaged, foreign or cannot be written: the questionnaire still runs, a
// returning participant lands on a real page and no earlier record is lost.

#include "support/diskfull.h"
#include "support/readonlyfolder.h"
#include "support/studyfixture.h"
#include "support/testfiles.h"

#include "core/formats/answersfile.h"
#include "ui/questionnaire/questiondocument.h"

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QTextDocument>

using TestSupport::StudyFixture;

namespace {

// Eight tasks: one answer box on every page, two on the last two.
const QByteArray eightTasks =
    "t1$q|2;t2$q|1;t3$q|1;t4$q|1;t5$q|1;t6$q|1;t7$q|1$r|1;t8$q|1$r|1;";

QByteArray record(const QByteArray &task, const QByteArray &file, const QByteArray &action)
{
    return task + "$" + file + "$" + action + "$(1$20)$1700000000$1700000005$5\r\n\n";
}

QStringList boxTexts(const QList<QTextEdit *> &boxes)
{
    QStringList texts;
    for (const QTextEdit *box : boxes)
        texts.append(box->toPlainText());
    return texts;
}

QStringList questionTexts(QStackedWidget *stack, int page)
{
    QStringList texts;
    for (const QTextEdit *edit : stack->widget(page)->findChildren<QTextEdit *>())
        if (edit->isReadOnly())
            texts.append(edit->toPlainText());
    return texts;
}

} // namespace

class TestBadInputStudy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void questionsFile_data();
    void questionsFile();
    void questionPictures_data();
    void questionPictures();
    void binaryQuestionsFile();

    void logFile_data();
    void logFile();
    void logFileWithNulBytes();
    void answersFile_data();
    void answersFile();
    void answersFileWithNulByte();

    void unwritableProjectFolder();
    void fullDiskWhileLogging();
    void fullDiskInTheMiddleOfARecord();
    void fullDiskWhileSavingAnswers();

private:
    std::unique_ptr<StudyFixture> f;
};

void TestBadInputStudy::init()
{
    f = std::make_unique<StudyFixture>();
    QVERIFY(f->dir.isValid());
}

void TestBadInputStudy::cleanup()
{
    f.reset();
}

// questions.txt --------------------------------------------------------------

void TestBadInputStudy::questionsFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<missing>" and "<directory>" stand for those
    QTest::addColumn<int>("pages");        // with the account page
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QStringList>("firstPage"); // question texts of the first task page

    const QStringList none;
    QTest::newRow("missing: account page only") << QByteArray("<missing>") << 1 << 0 << none;
    QTest::newRow("unreadable (a folder): account page only")
        << QByteArray("<directory>") << 1 << 0 << none;
    QTest::newRow("empty: account page only") << QByteArray() << 1 << 0 << none;
    QTest::newRow("no final ';': last task dropped")
        << QByteArray("a|2;b|1") << 2 << 1 << QStringList{"a"};
    QTest::newRow("answer lines not a number: no box")
        << QByteArray("a|x$b|-3$c|2.5$d|99999999999$e| 4 ;") << 2 << 1
        << QStringList{"a", "b", "c", "d", "e"};
    QTest::newRow("huge answer line count: one box")
        << QByteArray("a|2000000000;") << 2 << 1 << QStringList{"a"};
    QTest::newRow("Latin-1 text read as Latin-1")
        << QByteArray("Gr\xf6\xdf" "e?|1;") << 2 << 1 << QStringList{QStringLiteral("Größe?")};
    QTest::newRow("UTF-8 text read as UTF-8")
        << QStringLiteral("Größe?|1;").toUtf8() << 2 << 1
        << QStringList{QStringLiteral("Größe?")};
    QTest::newRow("NUL byte ends the file")
        << QByteArray("a|1;\0b|1;", 9) << 2 << 1 << QStringList{"a"};
    QTest::newRow("broken HTML shown as text")
        << QByteArray("<b>a<i>b</table></x><p|1;") << 2 << 1 << QStringList{QStringLiteral("ab\n")};
}

void TestBadInputStudy::questionsFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, pages);
    QFETCH(int, boxes);
    QFETCH(QStringList, firstPage);

    if (bytes == "<directory>")
        QVERIFY(QDir().mkdir(f->path(QStringLiteral("questions.txt"))));
    else if (bytes != "<missing>")
        QVERIFY(f->writeFile(QStringLiteral("questions.txt"), bytes));

    QuestionDialog &dialog = f->make();
    QCOMPARE(f->stack()->count(), pages);
    QCOMPARE(f->answerBoxes().size(), boxes);
    if (pages > 1)
        QCOMPARE(questionTexts(f->stack(), 1), firstPage);

    // The participant gets through to the end, and every box is saved.
    for (QTextEdit *box : f->answerBoxes())
        box->setPlainText(QStringLiteral("x"));
    f->signIn(QStringLiteral("anna"));
    for (int i = 0; i < pages + 1 && !dialog.finished; ++i)
        f->clickNext();
    QVERIFY(dialog.finished);
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_answers.txt")),
             QByteArray("x$").repeated(boxes) + "\n");
}

void TestBadInputStudy::binaryQuestionsFile()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), TestSupport::binaryBytes(16 * 1024)));
    QuestionDialog &dialog = f->make();
    QVERIFY(f->stack()->count() >= 1);
    const int boxes = int(f->answerBoxes().size());
    f->signIn(QStringLiteral("anna"));
    for (int i = 0; i < f->stack()->count() + 1 && !dialog.finished; ++i)
        f->clickNext();
    QVERIFY(dialog.finished);
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_answers.txt")).count('$'), boxes);
}

// Log and answers of a returning participant ----------------------------------

void TestBadInputStudy::logFile_data()
{
    QTest::addColumn<QByteArray>("log"); // "<missing>" and "<directory>" stand for those
    QTest::addColumn<int>("page");       // where the participant continues
    QTest::addColumn<bool>("resumed");

    QTest::newRow("missing: first task") << QByteArray("<missing>") << 1 << false;
    QTest::newRow("unreadable (a folder): first task") << QByteArray("<directory>") << 1 << true;
    QTest::newRow("empty: first task") << QByteArray() << 1 << true;
    QTest::newRow("no complete record: first task") << QByteArray("task3$$taskCompl") << 1
                                                   << true;
    QTest::newRow("junk lines: first task") << QByteArray("junk\r\n\nmore junk\r\n\n") << 1
                                           << true;
    QTest::newRow("torn last record: the one before counts")
        << record("task3", "", "taskCompleted") + "task4$/A.java$file" << 5 << true;
    QTest::newRow("'$' in file name and action")
        << record("task3", "/Outer$Inner.java", "search<current>(a$b)") << 4 << true;
    QTest::newRow("Latin-1 file name") << record("task2", "/Gr\xf6\xdf" "e.java", "fileOpened")
                                       << 3 << true;
    QTest::newRow("task beyond the questionnaire: first task")
        << record("task99", "", "taskCompleted") << 1 << true;
    QTest::newRow("negative task: first task") << record("task-5", "", "fileOpened") << 1
                                               << true;
    QTest::newRow("binary: first task") << TestSupport::binaryBytes(2048) << 1 << true;
}

void TestBadInputStudy::logFile()
{
    QFETCH(QByteArray, log);
    QFETCH(int, page);
    QFETCH(bool, resumed);

    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), eightTasks));
    const QString logName = QStringLiteral("anna_bernd_log.txt");
    if (log == "<directory>")
        QVERIFY(QDir().mkdir(f->path(logName)));
    else if (log != "<missing>")
        QVERIFY(f->writeFile(logName, log));

    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->stack()->currentIndex(), page);
    QCOMPARE(dialog.resumed, resumed);
    // Earlier records are never rewritten: the sign-in is appended after them.
    if (log != "<missing>" && log != "<directory>")
        QVERIFY(f->readFile(logName).startsWith(log));
}

// A crash can leave zeros in the middle of an appended file; the records
// after them are the participant's latest.
void TestBadInputStudy::logFileWithNulBytes()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), eightTasks));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_log.txt"),
                         record("task1", "", "taskCompleted") + QByteArray(64, '\0')
                             + record("task4", "", "taskCompleted")));
    f->make();
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->stack()->currentIndex(), 6);
}

void TestBadInputStudy::answersFile_data()
{
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QStringList>("boxes"); // the ten boxes after sign-in

    const auto ten = [](QStringList texts) {
        while (texts.size() < 10)
            texts.append(QString());
        return texts;
    };
    QTest::newRow("Latin-1 (older versions) read as Latin-1")
        << QByteArray("Stra\xdf" "e$M\xfc" "ller$\n")
        << ten({QStringLiteral("Straße"), QStringLiteral("Müller")});
    QTest::newRow("Latin-1 starting like a UTF-16 byte order mark (found by fuzzing)")
        << QByteArray("\xfe\xff" "a$b\xe4$\n") << ten({QStringLiteral("þÿa"), QStringLiteral("bä")});
    QTest::newRow("interrupted: last answer without '$' kept")
        << QByteArray("a$b$half an ans") << ten({"a", "b", "half an ans"});
    QTest::newRow("more answers than boxes: joined into the last box")
        << QByteArray("0$1$2$3$4$5$6$7$8$9$10$11$\n")
        << QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9$10$11"};
    QTest::newRow("line ends inside answers kept")
        << QByteArray("a\r\nb$c\n\nd$\n") << ten({"a\nb", "c\n\nd"});
    QTest::newRow("no '$' at all: one answer") << QByteArray("just text\n")
                                               << ten({"just text"});
}

void TestBadInputStudy::answersFile()
{
    QFETCH(QByteArray, answers);
    QFETCH(QStringList, boxes);

    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), eightTasks));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_log.txt"), record("task0", "", "fileOpened")));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_answers.txt"), answers));
    f->make();
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(boxTexts(f->answerBoxes()), boxes);
    // Rewritten on the page change with nothing lost: every box reads back
    // as it is, a "$" inside a box included.
    const QString rewritten = QString::fromUtf8(f->readFile(QStringLiteral("anna_bernd_answers.txt")));
    QVERIFY(rewritten.endsWith(QStringLiteral("$\n")));
    QCOMPARE(rewritten.count(QLatin1Char('$')), boxes.size());
    QCOMPARE(AnswersFile::pieces(rewritten), boxes);
}

void TestBadInputStudy::answersFileWithNulByte()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), eightTasks));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_log.txt"), record("task0", "", "fileOpened")));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_answers.txt"),
                         QByteArray("first$sec\0ond$third$\n", 21)));
    f->make();
    f->signIn(QStringLiteral("anna"));
    // The answers after the damage must survive the rewrite at the next
    // page change.
    const QByteArray saved = f->readFile(QStringLiteral("anna_bernd_answers.txt"));
    QVERIFY(saved.startsWith("first$sec"));
    QVERIFY2(saved.contains("third"), saved.constData());
}

// Pictures in questions are read from the project folder, and only from
// regular files of a sane size: a device would be read until memory runs out.
void TestBadInputStudy::questionPictures_data()
{
    QTest::addColumn<QString>("source"); // the <img src>
    QTest::addColumn<QSize>("picture");  // the picture shown, or empty

    QTest::newRow("picture beside questions.txt") << QStringLiteral("pic.png") << QSize(7, 5);
    QTest::newRow("absolute path") << QStringLiteral("<absolute>") << QSize(7, 5);
    QTest::newRow("device") << QStringLiteral("/dev/null") << QSize(0, 0);
    QTest::newRow("folder") << QStringLiteral(".") << QSize(0, 0);
    QTest::newRow("file over the size limit") << QStringLiteral("huge.png") << QSize(0, 0);
    QTest::newRow("missing") << QStringLiteral("gone.png") << QSize(0, 0);
}

void TestBadInputStudy::questionPictures()
{
    QFETCH(QString, source);
    QFETCH(QSize, picture);
    if (source == QLatin1String("<absolute>"))
        source = QUrl::fromLocalFile(f->path(QStringLiteral("pic.png"))).toString();

    QImage red(7, 5, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(f->path(QStringLiteral("pic.png"))));
    {
        // Sparse: takes no room on disk.
        QFile huge(f->path(QStringLiteral("huge.png")));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(QuestionDocument::MaxResourceBytes + 1));
    }
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"),
                         "Look<img src=\"" + source.toUtf8() + "\">|1;"));

    f->make();
    QCOMPARE(f->stack()->count(), 2);
    QTextEdit *question = nullptr;
    for (QTextEdit *edit : f->stack()->widget(1)->findChildren<QTextEdit *>())
        if (edit->isReadOnly())
            question = edit;
    QVERIFY(question);
    auto *document = qobject_cast<QuestionDocument *>(question->document());
    QVERIFY(document);
    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(source));
    QImage shown;
    if (resource.typeId() == QMetaType::QImage)
        shown = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        shown = resource.value<QPixmap>().toImage();
    QCOMPARE(resource.isValid(), !picture.isEmpty());
    QCOMPARE(shown.size(), picture);
    QCOMPARE(document->resourceFile(QUrl(source)).isEmpty(), picture.isEmpty());
}

// Writing fails ---------------------------------------------------------------

void TestBadInputStudy::unwritableProjectFolder()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), "a|1;b|1;"));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_answers.txt"), "earlier$\n"));
    QVERIFY(f->writeFile(QStringLiteral("anna_bernd_log.txt"), record("task0", "", "x")));

    QuestionDialog &dialog = f->make();
    {
        TestSupport::ReadOnlyFolder readOnly(f->dir.path());
        if (!readOnly.isActive())
            QSKIP("cannot make the folder unwritable for this process");
        f->signIn(QStringLiteral("anna"));
        f->answerBoxes().first()->setPlainText(QStringLiteral("new"));
        f->clickNext();
        f->clickNext();
        // The questionnaire goes on; nothing can be written.
        QVERIFY(dialog.finished);
    }
    // The earlier files are untouched and no temporary file is left behind.
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_answers.txt")), QByteArray("earlier$\n"));
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_log.txt")), record("task0", "", "x"));
    QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files).size(), 3);
}

void TestBadInputStudy::fullDiskWhileLogging()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    const QByteArray before = f->readFile(QStringLiteral("anna_bernd_log.txt"));
    QCOMPARE(before.count("\r\n"), 1);
    {
        TestSupport::DiskFull full(rlim_t(before.size()));
        QVERIFY(full.isActive());
        dialog.writeToLog(QStringLiteral("fileOpened"), QStringLiteral("/A.java"));
    }
    // The record is lost, the earlier ones are intact, and logging goes on
    // once there is room again.
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_log.txt")), before);
    dialog.writeToLog(QStringLiteral("fileClosed"), QStringLiteral("/A.java"));
    const QByteArray after = f->readFile(QStringLiteral("anna_bernd_log.txt"));
    QVERIFY(after.startsWith(before));
    QCOMPARE(after.count("\r\n"), 2);
    QVERIFY(after.mid(before.size()).contains("$fileClosed$"));
}

void TestBadInputStudy::fullDiskInTheMiddleOfARecord()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    const QByteArray before = f->readFile(QStringLiteral("anna_bernd_log.txt"));
    {
        TestSupport::DiskFull full(rlim_t(before.size() + 10));
        QVERIFY(full.isActive());
        dialog.writeToLog(QStringLiteral("fileOpened"), QStringLiteral("/A.java"));
    }
    // A record is written whole or not at all: no torn piece is left for the
    // next record to be glued to.
    const QByteArray after = f->readFile(QStringLiteral("anna_bernd_log.txt"));
    QCOMPARE(after, before);
}

void TestBadInputStudy::fullDiskWhileSavingAnswers()
{
    QVERIFY(f->writeFile(QStringLiteral("questions.txt"), "a|1;b|1;c|1;"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    f->answerBoxes().at(0)->setPlainText(QStringLiteral("one"));
    f->clickNext();
    const QByteArray saved = f->readFile(QStringLiteral("anna_bernd_answers.txt"));
    QCOMPARE(saved, QByteArray("one$$$\n"));

    f->answerBoxes().at(1)->setPlainText(QStringLiteral("two"));
    {
        TestSupport::DiskFull full(0);
        QVERIFY(full.isActive());
        f->clickNext();
    }
    // The previous answers file stays whole, no temporary file is left, and
    // the next page change saves everything.
    QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files).size(), 3);
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_answers.txt")), saved);
    f->clickNext();
    QVERIFY(dialog.finished);
    QCOMPARE(f->readFile(QStringLiteral("anna_bernd_answers.txt")), QByteArray("one$two$$\n"));
}

QTEST_MAIN(TestBadInputStudy)
#include "tst_badinput_study.moc"
