#include "core/formats/textdecoding.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(NulCharacters)

class TestTextDecoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void studyText_data();
    void studyText();
    void missingFileReadsEmpty();
};

void TestTextDecoding::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<NulCharacters>("nul");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("latin1"); // read as Latin-1 for want of valid UTF-8

    const auto withMark = [](const char *mark, int markSize, const QString &text, bool bigEndian) {
        QByteArray bytes(mark, markSize);
        for (QChar c : text) {
            const char high = char(c.unicode() >> 8);
            const char low = char(c.unicode() & 0xff);
            bytes += bigEndian ? QByteArray{&high, 1} + QByteArray{&low, 1}
                               : QByteArray{&low, 1} + QByteArray{&high, 1};
        }
        return bytes;
    };
    constexpr auto replace = NulCharacters::Replace;
    constexpr auto end = NulCharacters::EndText;

    QTest::newRow("plain ascii") << QByteArray("A:B|C;") << replace << QStringLiteral("A:B|C;") << false;
    QTest::newRow("utf-8 umlaut") << QByteArray("Gr\xc3\xb6\xc3\x9f" "e") << replace
                                  << QStringLiteral("Größe") << false;
    QTest::newRow("utf-8 with byte order mark") << QByteArray("\xef\xbb\xbf" "a\xc3\xa4")
                                                << replace << QStringLiteral("aä") << false;
    QTest::newRow("latin-1 umlaut") << QByteArray("Gr\xf6\xdf" "e") << replace
                                    << QStringLiteral("Größe") << true;
    QTest::newRow("utf-16 little endian with mark")
        << withMark("\xff\xfe", 2, QStringLiteral("a\nGröße 名"), false) << replace
        << QStringLiteral("a\nGröße 名") << false;
    QTest::newRow("utf-16 big endian with mark")
        << withMark("\xfe\xff", 2, QStringLiteral("x;\r\ny"), true) << end
        << QStringLiteral("x;\r\ny") << false;
    QTest::newRow("truncated utf-8 sequence falls back to latin-1")
        << QByteArray("x\xc3") << replace << QStringLiteral("x\u00c3") << true;
    QTest::newRow("empty") << QByteArray() << replace << QString() << false;

    QTest::newRow("nul replaced, lines kept") << QByteArray("abc\0def\ng", 9) << replace
                                              << QStringLiteral("abc\ufffddef\ng") << false;
    QTest::newRow("cut at nul") << QByteArray("abc\0def", 7) << end << QStringLiteral("abc") << false;
    QTest::newRow("nul first") << QByteArray("\0abc", 4) << end << QString() << false;
    QTest::newRow("utf-8 mark before invalid bytes falls back to latin-1")
        << QByteArray("\xef\xbb\xbf" "a\xe4") << replace << QStringLiteral("\u00ef\u00bb\u00bfa\u00e4")
        << true;
    QTest::newRow("invalid utf-8 after the end is ignored")
        << QByteArray("\xc3\xa4\0\xff", 4) << end << QStringLiteral("ä") << false;
}

void TestTextDecoding::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(NulCharacters, nul);
    QFETCH(QString, expected);
    QFETCH(bool, latin1);
    QCOMPARE(decodeText(bytes, nul), expected);
    bool readAsLatin1 = !latin1;
    QCOMPARE(decodeText(bytes, nul, &readAsLatin1), expected);
    QCOMPARE(readAsLatin1, latin1);
}

void TestTextDecoding::studyText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nul dropped") << QByteArray("a$b\0\0\0c$\n", 10) << QStringLiteral("a$bc$\n");
    QTest::newRow("utf-8 around dropped nuls") << QByteArray("\xc3\xa4\0\0\xc3\xb6", 6)
                                               << QStringLiteral("äö");
    QTest::newRow("latin-1 of older versions") << QByteArray("Stra\xdf" "e$") << "Straße$";
    QTest::newRow("latin-1 that starts like a utf-16 mark")
        << QByteArray("\xfe\xff" "a\0$", 5) << QStringLiteral("þÿa$");
    QTest::newRow("utf-8 mark left out") << QByteArray("\xef\xbb\xbf" "x$") << "x$";
}

void TestTextDecoding::studyText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(decodeStudyText(bytes), expected);
}

void TestTextDecoding::missingFileReadsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(readTextFile(dir.filePath("missing.txt")).isEmpty());
    QVERIFY(readStudyFile(dir.filePath("missing.txt")).isEmpty());
}

QTEST_APPLESS_MAIN(TestTextDecoding)
#include "tst_textdecoding.moc"
