#include "core/formats/answerkey.h"

#include <QTest>

namespace {

QStringList places(const QList<Diagnostic> &problems)
{
    QStringList result;
    for (const Diagnostic &problem : problems)
        result << QStringLiteral("%1:%2").arg(problem.line).arg(problem.column);
    return result;
}

const QByteArray header = "task,question,match,expected\n";

} // namespace

class TestAnswerKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void score_data();
    void score();
    void reading_data();
    void reading();
    void entriesAsWritten();
    void tasksAndQuestionsMustExist_data();
    void tasksAndQuestionsMustExist();
    void parseNumber_data();
    void parseNumber();
};

void TestAnswerKey::score_data()
{
    QTest::addColumn<QString>("match");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("verdict"); // AnswerKey::Verdict

    const int right = int(AnswerKey::Verdict::Correct);
    const int wrong = int(AnswerKey::Verdict::Wrong);
    const int manual = int(AnswerKey::Verdict::NotScored);

    QTest::newRow("exact: the same text") << "exact" << "Authenticator.java"
                                          << "Authenticator.java" << right;
    QTest::newRow("exact: case, outer and inner white space are ignored")
        << "exact" << "Client Handler" << "  client \n\t HANDLER " << right;
    QTest::newRow("exact: another word") << "exact" << "Caesar" << "Caesars" << wrong;
    QTest::newRow("exact: punctuation counts") << "exact" << "a.b" << "a b" << wrong;
    QTest::newRow("exact: an empty answer") << "exact" << "x" << "" << wrong;
    QTest::newRow("any: the second alternative")
        << "any" << "sendHistory|ClientHandler.sendHistory" << "clienthandler.SENDHISTORY"
        << right;
    QTest::newRow("any: white space around alternatives") << "any" << " a | b " << "b" << right;
    QTest::newRow("any: none of them") << "any" << "a|b" << "c" << wrong;
    QTest::newRow("any: an empty alternative matches no empty answer") << "any" << "a||b" << ""
                                                                       << wrong;
    QTest::newRow("regex: the whole answer matches") << "regex" << "(?i)caesar.*"
                                                     << " Caesar mit Verschiebung " << right;
    QTest::newRow("regex: a match inside is not enough") << "regex" << "42" << "1420" << wrong;
    QTest::newRow("regex: case counts unless asked") << "regex" << "caesar" << "Caesar" << wrong;
    QTest::newRow("regex: alternatives stay inside the anchors")
        << "regex" << "a|b" << "ab" << wrong;
    QTest::newRow("number: the same value") << "number" << "42" << "42.0" << right;
    QTest::newRow("number: a decimal comma in the answer") << "number" << "3.5" << " 3,5 "
                                                           << right;
    QTest::newRow("number: a decimal comma in the key") << "number" << "3,5" << "3.5" << right;
    QTest::newRow("number: inside the tolerance") << "number" << "20±2" << "22" << right;
    QTest::newRow("number: at the edge, in spite of rounding") << "number" << "0.3±0.1" << "0.4"
                                                               << right;
    QTest::newRow("number: just outside the tolerance") << "number" << "20±2" << "22.01"
                                                        << wrong;
    QTest::newRow("number: below the tolerance") << "number" << "20±2" << "17.9" << wrong;
    QTest::newRow("number: without tolerance a neighbour is wrong") << "number" << "42" << "43"
                                                                    << wrong;
    QTest::newRow("number: a negative value") << "number" << "-3" << "-3" << right;
    QTest::newRow("number: text around the number") << "number" << "30" << "Zeile 30" << wrong;
    QTest::newRow("number: a thousands separator is no decimal mark")
        << "number" << "1000" << "1,000.0" << wrong;
    QTest::newRow("set: order is ignored") << "set" << "Ciphers.java, chatsend.c"
                                           << "chatsend.c Ciphers.java" << right;
    QTest::newRow("set: case and repeats are ignored") << "set" << "a,b" << "B, A, a" << right;
    QTest::newRow("set: every item is required") << "set" << "a b c" << "a c" << wrong;
    QTest::newRow("set: an extra item is wrong") << "set" << "a b" << "a b c" << wrong;
    QTest::newRow("manual: never scored") << "manual" << "" << "anything" << manual;
}

void TestAnswerKey::score()
{
    QFETCH(QString, match);
    QFETCH(QString, expected);
    QFETCH(QString, answer);
    const QByteArray csv = header + "1,1," + match.toUtf8() + ",\""
                           + expected.toUtf8().replace("\"", "\"\"") + "\"\n";
    const AnswerKey::Reading reading = AnswerKey::read(csv);
    QVERIFY2(reading.usable(), qPrintable(places(reading.problems).join(' ')));
    const AnswerKey::Entry *entry = reading.key.entry(1, 1);
    QVERIFY(entry);
    QCOMPARE(AnswerKey::matchName(entry->match), match);
    QTEST(int(AnswerKey::score(*entry, answer)), "verdict");
}

void TestAnswerKey::reading_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<int>("entries");

    QTest::newRow("every kind") << header + "1,1,exact,a\n1,2,any,a|b\n2,1,regex,a.*\n"
                                            "2,2,number,4±1\n3,1,set,a b\n3,2,manual,\n"
                                << QStringList{} << 6;
    QTest::newRow("columns in another order")
        << QByteArray("expected,match,question,task\nx,exact,1,1\n") << QStringList{} << 1;
    QTest::newRow("a regex that does not compile")
        << header + "1,1,regex,ab(c\n" << QStringList{"2:15"} << 0;
    QTest::newRow("a quoted regex that does not compile")
        << header + "1,1,regex,\" [a-\"\n" << QStringList{"2:16"} << 0;
    QTest::newRow("a number that does not parse") << header + "1,1,number,zwölf\n"
                                                  << QStringList{"2:12"} << 0;
    QTest::newRow("a negative tolerance") << header + "1,1,number,5±-1\n" << QStringList{"2:12"}
                                          << 0;
    QTest::newRow("two tolerances") << header + "1,1,number,5±1±2\n" << QStringList{"2:12"} << 0;
    QTest::newRow("an unknown match") << header + "1,1,fuzzy,x\n" << QStringList{"2:5"} << 0;
    QTest::newRow("task 0") << header + "0,1,exact,x\n" << QStringList{"2:1"} << 0;
    QTest::newRow("a question that is no number") << header + "1,b,exact,x\n"
                                                  << QStringList{"2:3"} << 0;
    QTest::newRow("no expected answer") << header + "1,1,exact,\n" << QStringList{"2:11"} << 0;
    QTest::newRow("a set without items") << header + "1,1,set,\" , \"\n" << QStringList{"2:9"}
                                         << 0;
    QTest::newRow("a second row for one box") << header + "1,1,exact,a\n1,1,exact,b\n"
                                              << QStringList{"3:1"} << 1;
    QTest::newRow("a row with too many fields") << header + "1,1,exact,a,b\n"
                                                << QStringList{"2:1"} << 0;
    QTest::newRow("a header missing a column") << QByteArray("task,question,match\n1,1,manual\n")
                                               << QStringList{"1:1"} << 0;
    QTest::newRow("an empty file") << QByteArray() << QStringList{"1:1"} << 0;
    QTest::newRow("a quoted expected answer with a comma and a line break")
        << header + "1,1,set,\"a,\nb\"\n2,1,exact,c\n" << QStringList{} << 2;
}

void TestAnswerKey::reading()
{
    QFETCH(QByteArray, csv);
    const AnswerKey::Reading reading = AnswerKey::read(csv);
    QTEST(places(reading.problems), "problems");
    QTEST(int(reading.key.entries.size()), "entries");
    for (const Diagnostic &problem : reading.problems) {
        QCOMPARE(problem.path, AnswerKey::FileName);
        QCOMPARE(problem.severity, Diagnostic::Severity::Error);
    }
}

void TestAnswerKey::entriesAsWritten()
{
    const AnswerKey key =
        AnswerKey::read(header + "2,3,number,\"-1,5 \u00b1 0,25\"\n1,1,any,x|y\n").key;
    QCOMPARE(key.entries.size(), 2);
    const AnswerKey::Entry *number = key.entry(2, 3);
    QVERIFY(number);
    QCOMPARE(number->match, AnswerKey::Match::Number);
    QCOMPARE(number->number, -1.5);
    QCOMPARE(number->tolerance, 0.25);
    QCOMPARE(number->position.line, 2);
    QVERIFY(key.entry(1, 1));
    QVERIFY(!key.entry(1, 2));
    QVERIFY(!key.entry(3, 2));
}

void TestAnswerKey::tasksAndQuestionsMustExist_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("problems");

    // Three tasks with 2, 0 and 1 answer boxes.
    QTest::newRow("boxes that exist") << header + "1,1,exact,a\n1,2,exact,b\n3,1,exact,c\n"
                                      << QStringList{};
    QTest::newRow("a task beyond the last") << header + "4,1,exact,a\n" << QStringList{"2:1"};
    QTest::newRow("a question beyond the task's boxes") << header + "1,3,exact,a\n"
                                                        << QStringList{"2:3"};
    QTest::newRow("a task without boxes") << header + "2,1,exact,a\n" << QStringList{"2:3"};
}

void TestAnswerKey::tasksAndQuestionsMustExist()
{
    QFETCH(QByteArray, csv);
    const AnswerKey::Reading reading = AnswerKey::read(csv);
    QVERIFY(reading.usable());
    QTEST(places(reading.key.checkAgainst({2, 0, 1})), "problems");
}

void TestAnswerKey::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");

    QTest::newRow("whole") << "42" << true << 42.0;
    QTest::newRow("point") << "-0.5" << true << -0.5;
    QTest::newRow("comma") << "2,75" << true << 2.75;
    QTest::newRow("white space around") << " 7 " << true << 7.0;
    QTest::newRow("two commas") << "1,2,3" << false << 0.0;
    QTest::newRow("comma and point") << "1,000.5" << false << 0.0;
    QTest::newRow("a word") << "zwölf" << false << 0.0;
    QTest::newRow("infinity is no answer") << "inf" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void TestAnswerKey::parseNumber()
{
    QFETCH(QString, text);
    const std::optional<double> number = AnswerKey::parseNumber(text);
    QTEST(number.has_value(), "valid");
    if (number)
        QTEST(*number, "value");
}

QTEST_APPLESS_MAIN(TestAnswerKey)
#include "tst_answerkey.moc"
