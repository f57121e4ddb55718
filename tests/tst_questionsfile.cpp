#include "core/formats/questionsfile.h"

#include <QRandomGenerator>
#include <QTest>

// Writes parsed tasks compactly as "[text:lines text:lines] [...]" so that the
// expected structure can be spelled out by hand in the rows below.
static QString describe(const QList<QuestionsFile::Task> &tasks)
{
    QStringList taskTexts;
    for (const QuestionsFile::Task &task : tasks) {
        QStringList questions;
        for (const QuestionsFile::Question &question : task)
            questions << question.text + QLatin1Char(':') + QString::number(question.answerLines);
        taskTexts << QLatin1Char('[') + questions.join(QLatin1Char(' ')) + QLatin1Char(']');
    }
    return taskTexts.join(QLatin1Char(' '));
}

class TestQuestionsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void questionsKeepWhereTheyStand_data();
    void questionsKeepWhereTheyStand();
    void answerLineCount_data();
    void answerLineCount();
    void randomInputKeepsStructure();
    void plainText_data();
    void plainText();
};

void TestQuestionsFile::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two answer lines, question without box, second task")
        << "a|2$b;c;" << "[a:2 b:0] [c:0]";
    QTest::newRow("introduction and a three-line question")
        << "Intro$Frage|3;" << "[Intro:0 Frage:3]";
    QTest::newRow("missing final semicolon loses the last task") << "a|1;b|2" << "[a:1]";
    QTest::newRow("no semicolon at all gives no task") << "a|1$b|2" << "";
    QTest::newRow("empty file gives no task") << "" << "";
    QTest::newRow("lone semicolon is one empty task") << ";" << "[:0]";
    QTest::newRow("empty tasks count") << ";;" << "[:0] [:0]";
    QTest::newRow("empty questions count") << "a$$b;" << "[a:0 :0 b:0]";
    QTest::newRow("zero lines give no box") << "a|0;" << "[a:0]";
    QTest::newRow("count that is not a number gives no box") << "a|drei;" << "[a:0]";
    QTest::newRow("negative count gives no box") << "a|-2;" << "[a:0]";
    QTest::newRow("count beyond int gives no box") << "a|99999999999;" << "[a:0]";
    QTest::newRow("white space around the count") << "a| 4\n$b;" << "[a:4 b:0]";
    QTest::newRow("only the first count counts") << "a|2|5;" << "[a:2]";
    QTest::newRow("line break after the last semicolon is no task") << "a|1;\n" << "[a:1]";
    QTest::newRow("line break before a task stays in its text")
        << "a;\nb|1;" << "[a:0] [\nb:1]";
    QTest::newRow("html question kept as written")
        << "<b>fett</b> und <i>kursiv</i>|1;" << "[<b>fett</b> und <i>kursiv</i>:1]";
    QTest::newRow("umlauts") << QStringLiteral("Was ändert sich?|2;")
                             << QStringLiteral("[Was ändert sich?:2]");
}

void TestQuestionsFile::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(describe(QuestionsFile::parse(text)), expected);
}

void TestQuestionsFile::questionsKeepWhereTheyStand_data()
{
    QTest::addColumn<QString>("text");
    // Per question "offset" and "|offset" for each bar; tasks separated by "; ".
    QTest::addColumn<QString>("positions");
    QTest::addColumn<qsizetype>("rest");

    QTest::newRow("questions of two tasks") << "a|2$b;c;" << "0 |1 4; 6" << qsizetype(8);
    QTest::newRow("every bar of a question") << "ab|2|3;" << "0 |2 |4" << qsizetype(7);
    QTest::newRow("an empty question at the end of a task") << "a$;" << "0 2" << qsizetype(3);
    QTest::newRow("what follows the last task") << "a;\nb|1" << "0" << qsizetype(2);
}

void TestQuestionsFile::questionsKeepWhereTheyStand()
{
    QFETCH(QString, text);
    const QuestionsFile::Contents contents = QuestionsFile::fromBytes(text.toUtf8());
    QStringList tasks;
    for (const QuestionsFile::Task &task : contents.tasks) {
        QStringList questions;
        for (const QuestionsFile::Question &question : task) {
            QStringList parts{QString::number(question.offset)};
            for (qsizetype bar : question.bars)
                parts.append(QLatin1Char('|') + QString::number(bar));
            questions.append(parts.join(QLatin1Char(' ')));
        }
        tasks.append(questions.join(QLatin1Char(' ')));
    }
    QTEST(tasks.join(QStringLiteral("; ")), "positions");
    QTEST(contents.rest, "rest");
}

void TestQuestionsFile::answerLineCount_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<int>("lines");

    QTest::newRow("plain") << "3" << 3;
    QTest::newRow("surrounded by white space") << " 12\r\n" << 12;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("word") << "zwei" << 0;
    QTest::newRow("number followed by text") << "2 Zeilen" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("overflow") << "2147483648" << 0;
    QTest::newRow("largest int") << "2147483647" << 2147483647;
}

void TestQuestionsFile::answerLineCount()
{
    QFETCH(QString, piece);
    QFETCH(int, lines);
    QCOMPARE(QuestionsFile::answerLineCount(piece), lines);
}

// Random files made of the separators and a few other characters: one task
// per ";", one question per "$" plus one, never a negative line count.
void TestQuestionsFile::randomInputKeepsStructure()
{
    static const QString alphabet = QStringLiteral(";$|0123-a \n<>ä");
    QRandomGenerator random(20240611);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = random.bounded(40);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(int(alphabet.size())));

        const QList<QuestionsFile::Task> tasks = QuestionsFile::parse(text);
        QCOMPARE(tasks.size(), text.count(QLatin1Char(';')));
        const QStringList pieces = text.split(QLatin1Char(';'));
        for (int t = 0; t < tasks.size(); ++t) {
            QCOMPARE(tasks.at(t).size(), pieces.at(t).count(QLatin1Char('$')) + 1);
            for (const QuestionsFile::Question &question : tasks.at(t)) {
                QVERIFY(question.answerLines >= 0);
                QVERIFY(!question.text.contains(QLatin1Char('|')));
            }
        }
    }
}

void TestQuestionsFile::plainText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");

    QTest::newRow("inline tags go, their text stays")
        << "<b>Aufgabe 1</b>: welche <i>Dateien</i>?" << "Aufgabe 1: welche Dateien?";
    QTest::newRow("a line break reads as a space") << "eins<br>zwei<BR/>drei" << "eins zwei drei";
    QTest::newRow("paragraphs read as spaces") << "<p>one</p><p>two</p>" << "one two";
    QTest::newRow("references decoded") << "a &lt;b&gt; &amp; &quot;c&quot; &#65;&#x42;"
                                        << "a <b> & \"c\" AB";
    QTest::newRow("umlauts by name") << "f&uuml;r Gr&ouml;&szlig;e" << QString::fromUtf8("für Größe");
    QTest::newRow("no-break space is white space") << "a&nbsp;&nbsp;b" << "a b";
    QTest::newRow("unknown reference kept") << "&bogus; &#0;" << "&bogus; &#0;";
    QTest::newRow("style, script and comment dropped")
        << "<style>b{color:red}</style>x<!-- not <b>this</b> --><script>y()</script>z" << "xz";
    QTest::newRow("white space simplified") << "  a\n\t b  " << "a b";
    QTest::newRow("unclosed tag is text") << "a < b" << "a < b";
}

void TestQuestionsFile::plainText()
{
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(QuestionsFile::plainText(html), expected);
}

QTEST_APPLESS_MAIN(TestQuestionsFile)
#include "tst_questionsfile.moc"
