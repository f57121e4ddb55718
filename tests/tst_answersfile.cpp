#include "core/formats/answersfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestAnswersFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void encode_data();
    void encode();
    void pieces_data();
    void pieces();
    void distribute_data();
    void distribute();
    void randomAnswersSurviveTheRoundTrip();
    void savingAgainKeepsEveryAnswer_data();
    void savingAgainKeepsEveryAnswer();

    void writeReplacesTheFile();
    void failedWriteKeepsThePreviousFile();
    void writeIntoMissingFolderFails();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

static QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void TestAnswersFile::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestAnswersFile::cleanup()
{
    dir.reset();
}

void TestAnswersFile::encode_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two boxes") << QStringList{"x", "y"} << QByteArray("x$y$\n");
    QTest::newRow("no boxes") << QStringList{} << QByteArray("\n");
    QTest::newRow("empty boxes") << QStringList{"", ""} << QByteArray("$$\n");
    QTest::newRow("answer over two lines")
        << QStringList{"a\nb", "c"} << QByteArray("a\nb$c$\n");
    QTest::newRow("windows line end kept as typed")
        << QStringList{"a\r\nb"} << QByteArray("a\r\nb$\n");
    QTest::newRow("umlauts as utf-8")
        << QStringList{QStringLiteral("Größe"), QStringLiteral("ü")}
        << QByteArray("Gr\xc3\xb6\xc3\x9f" "e$\xc3\xbc$\n");
    QTest::newRow("typed dollar cannot end the answer")
        << QStringList{"showHistory$ (Server)", "b"} << QByteArray("showHistory\\x24 (Server)$b$\n");
    QTest::newRow("typed backslash doubled")
        << QStringList{"C:\\x24", "\\"} << QByteArray("C:\\\\x24$\\\\$\n");
}

void TestAnswersFile::encode()
{
    QFETCH(QStringList, answers);
    QFETCH(QByteArray, bytes);
    QCOMPARE(AnswersFile::encode(answers), bytes);
}

void TestAnswersFile::pieces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("two answers") << "x$y$\n" << QStringList{"x", "y"};
    QTest::newRow("no answers") << "\n" << QStringList{};
    QTest::newRow("empty file") << "" << QStringList{};
    QTest::newRow("empty answers") << "$$\n" << QStringList{"", ""};
    QTest::newRow("answer over two lines") << "a\nb$c$\n" << QStringList{"a\nb", "c"};
    QTest::newRow("windows line end at the end") << "x$\r\n" << QStringList{"x"};
    QTest::newRow("interrupted write keeps the unterminated answer")
        << "x$y" << QStringList{"x", "y"};
    QTest::newRow("unterminated answer loses only the line end")
        << "x$y\n" << QStringList{"x", "y"};
    QTest::newRow("escaped dollar stays in its answer")
        << "showHistory\\x24 (Server)$b$\n" << QStringList{"showHistory$ (Server)", "b"};
    QTest::newRow("doubled backslash before x24 is a backslash")
        << "\\\\x24$\n" << QStringList{"\\x24"};
    QTest::newRow("other backslashes stand for themselves")
        << "a\\nb\\$\\x2$\n" << QStringList{"a\\nb\\", "\\x2"};
    QTest::newRow("interrupted inside an escape keeps what was written")
        << "x$y\\x2" << QStringList{"x", "y\\x2"};
}

void TestAnswersFile::pieces()
{
    QFETCH(QString, text);
    QFETCH(QStringList, pieces);
    QCOMPARE(AnswersFile::pieces(text), pieces);
}

void TestAnswersFile::distribute_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<int>("boxCount");
    QTest::addColumn<QStringList>("answers");

    QTest::newRow("one piece per box") << QStringList{"x", "y"} << 2 << QStringList{"x", "y"};
    QTest::newRow("fewer pieces than boxes") << QStringList{"x"} << 3 << QStringList{"x"};
    QTest::newRow("surplus joined into the last box")
        << QStringList{"a", "b", "c", "d"} << 2 << QStringList{"a", "b$c$d"};
    QTest::newRow("dollar in the only box") << QStringList{"5", " Euro"} << 1
                                            << QStringList{"5$ Euro"};
    QTest::newRow("no boxes") << QStringList{"a"} << 0 << QStringList{};
}

void TestAnswersFile::distribute()
{
    QFETCH(QStringList, pieces);
    QFETCH(int, boxCount);
    QFETCH(QStringList, answers);
    QCOMPARE(AnswersFile::distribute(pieces, boxCount), answers);
}

// Whatever a participant types comes back into the same boxes after writing
// and reading, "$" and backslashes included.
void TestAnswersFile::randomAnswersSurviveTheRoundTrip()
{
    static const QString alphabet = QStringLiteral("ab \n\r\tä€;|$\\x24");
    QRandomGenerator random(7);
    for (int round = 0; round < 1000; ++round) {
        QStringList answers;
        const int boxes = random.bounded(5);
        for (int b = 0; b < boxes; ++b) {
            QString answer;
            const int length = random.bounded(6);
            for (int i = 0; i < length; ++i)
                answer += alphabet.at(random.bounded(int(alphabet.size())));
            if (b == boxes - 1 && random.bounded(2))
                answer += QStringLiteral("$x");
            answers << answer;
        }
        const QString text = QString::fromUtf8(AnswersFile::encode(answers));
        QCOMPARE(AnswersFile::distribute(AnswersFile::pieces(text), boxes), answers);
    }
}

// A returning participant's answers come back into the boxes and are saved
// again at the next page turn: what the boxes held must read back unchanged.
void TestAnswersFile::savingAgainKeepsEveryAnswer_data()
{
    QTest::addColumn<QByteArray>("earlier"); // the answers file found at sign-in
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QStringList>("answers"); // in the boxes, and read back after saving

    QTest::newRow("a lone backslash of an older file stays one backslash")
        << QByteArray("on\\y$s$\n") << 2 << QStringList{"on\\y", "s"};
    QTest::newRow("an escaped dollar stays a dollar")
        << QByteArray("5\\x24 Euro$\n") << 1 << QStringList{"5$ Euro"};
    QTest::newRow("a doubled backslash stays one backslash")
        << QByteArray("C:\\\\x24$\n") << 1 << QStringList{"C:\\x24"};
    QTest::newRow("pieces beyond the last box are joined into it")
        << QByteArray("a$b$c$\n") << 2 << QStringList{"a", "b$c"};
    QTest::newRow("Latin-1 of an older version") << QByteArray("Stra\xdf" "e$\n") << 1
                                                  << QStringList{QStringLiteral("Straße")};
}

void TestAnswersFile::savingAgainKeepsEveryAnswer()
{
    QFETCH(QByteArray, earlier);
    QFETCH(int, boxes);
    QFETCH(QStringList, answers);
    const QStringList inBoxes = AnswersFile::distribute(AnswersFile::fromBytes(earlier), boxes);
    QCOMPARE(inBoxes, answers);
    QCOMPARE(AnswersFile::distribute(AnswersFile::fromBytes(AnswersFile::encode(inBoxes)), boxes),
             answers);
}

void TestAnswersFile::writeReplacesTheFile()
{
    const QString path = dir->filePath("anna_bernd_answers.txt");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("a much longer previous content$$$\n");
    }
    QVERIFY(AnswersFile::write(path, {QStringLiteral("ä"), "y"}));
    QCOMPARE(readBytes(path), QByteArray("\xc3\xa4$y$\n"));
    // Nothing else is left in the folder (no temporary file).
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"anna_bernd_answers.txt"});
}

// The new content is written beside the file and only then put in its place,
// so a write that cannot complete leaves the previous answers as they were.
// Here the name is so long that the file itself can be written but the
// replacement cannot be created next to it.
void TestAnswersFile::failedWriteKeepsThePreviousFile()
{
    const QString path = dir->filePath(QString(250, QLatin1Char('a')));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QCOMPARE(old.write("old$answers$\n"), 13);
    }
    QVERIFY(!AnswersFile::write(path, {"new"}));
    QCOMPARE(readBytes(path), QByteArray("old$answers$\n"));
}

void TestAnswersFile::writeIntoMissingFolderFails()
{
    const QString path = dir->filePath("missing/anna_answers.txt");
    QVERIFY(!AnswersFile::write(path, {"x"}));
    QVERIFY(!QFile::exists(path));
}

QTEST_APPLESS_MAIN(TestAnswersFile)
#include "tst_answersfile.moc"
