#include "core/study/accountname.h"

#include <QTest>

class TestAccountName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isUsable_data();
    void isUsable();
    void lengthLimitCountsTheWholeFileName();
    void refusalNamesTheReason_data();
    void refusalNamesTheReason();
    void typedNameLosesItsOuterSpaces_data();
    void typedNameLosesItsOuterSpaces();
};

void TestAccountName::isUsable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("usable");

    QTest::newRow("ordinary name") << "anna" << true;
    QTest::newRow("name with digits and space") << "Teilnehmer 12" << true;
    QTest::newRow("umlauts") << QStringLiteral("Jürgen") << true;
    QTest::newRow("dots inside a name") << "a.b" << true;
    QTest::newRow("three dots") << "..." << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("single dot") << "." << false;
    QTest::newRow("double dot") << ".." << false;
    QTest::newRow("slash leaves the project folder") << "../anna" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("less than") << "a<b" << false;
    QTest::newRow("greater than") << "a>b" << false;
    QTest::newRow("colon") << "c:anna" << false;
    QTest::newRow("double quote") << "a\"b" << false;
    QTest::newRow("pipe") << "a|b" << false;
    QTest::newRow("question mark") << "anna?" << false;
    QTest::newRow("asterisk") << "*" << false;
    QTest::newRow("tab") << "a\tb" << false;
    QTest::newRow("newline") << "anna\n" << false;
    QTest::newRow("nul") << QString(QChar(0)) << false;
    QTest::newRow("escape") << QString(QChar(0x1b)) << false;
    QTest::newRow("short enough") << QString(200, QLatin1Char('a')) << true;
    QTest::newRow("too long for a file name") << QString(240, QLatin1Char('a')) << false;
}

void TestAccountName::isUsable()
{
    QFETCH(QString, name);
    QFETCH(bool, usable);
    QCOMPARE(AccountName::isUsable(name), usable);
}

// "_answers.txt" and the separating "_" take 13 bytes, the temporary file's
// suffix 7 more: 235 bytes of name and user together still fit in 255.
void TestAccountName::lengthLimitCountsTheWholeFileName()
{
    QVERIFY(AccountName::isUsable(QString(230, QLatin1Char('a')), QStringLiteral("bernd")));
    QVERIFY(!AccountName::isUsable(QString(231, QLatin1Char('a')), QStringLiteral("bernd")));
    // Umlauts take two bytes each in the file name.
    QVERIFY(AccountName::isUsable(QString(117, QChar(0xe4)), QStringLiteral("b")));
    QVERIFY(!AccountName::isUsable(QString(118, QChar(0xe4)), QStringLiteral("b")));
}

void TestAccountName::refusalNamesTheReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QChar>("character");

    using R = AccountName::Refusal;
    QTest::newRow("usable") << "p02" << int(R::None) << QChar();
    QTest::newRow("empty") << "" << int(R::Empty) << QChar();
    QTest::newRow("parent folder") << ".." << int(R::DotName) << QChar();
    QTest::newRow("first refused character is named") << "../p*" << int(R::Character)
                                                       << QChar(u'/');
    QTest::newRow("colon") << "c:p02" << int(R::Character) << QChar(u':');
    QTest::newRow("control character before a refused one")
        << "a\tb/c" << int(R::ControlCharacter) << QChar(u'\t');
    QTest::newRow("too long") << QString(240, QLatin1Char('a')) << int(R::TooLong) << QChar();
}

// The questionnaire tells the participant why a name is refused; the reason
// must be the one that applies, and name the character to remove.
void TestAccountName::refusalNamesTheReason()
{
    QFETCH(QString, name);
    QFETCH(int, refusal);
    QFETCH(QChar, character);

    const AccountName::Check check = AccountName::check(name);
    QCOMPARE(int(check.refusal), refusal);
    QCOMPARE(check.character, character);
    QCOMPARE(AccountName::isUsable(name), refusal == int(AccountName::Refusal::None));
}

void TestAccountName::typedNameLosesItsOuterSpaces_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");

    QTest::newRow("spaces at both ends") << " p7 " << "p7";
    QTest::newRow("trailing space only") << "p7 " << "p7";
    QTest::newRow("tab and line break at the ends") << "\tp7\n" << "p7";
    QTest::newRow("space inside stays") << "Teilnehmer 12" << "Teilnehmer 12";
    QTest::newRow("only spaces leave nothing") << "   " << "";
    QTest::newRow("no space") << "anna" << "anna";
}

// An invisible space would name other files than the same name without it,
// and a returning participant typing it without would not be resumed.
void TestAccountName::typedNameLosesItsOuterSpaces()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QCOMPARE(AccountName::fromTyped(typed), name);
    // What is checked is what is used: only spaces leave an empty name.
    QCOMPARE(AccountName::isUsable(AccountName::fromTyped(typed)), !name.isEmpty());
}

QTEST_APPLESS_MAIN(TestAccountName)
#include "tst_accountname.moc"
