#include "model/textdecoding.h"

#include <QTemporaryDir>
#include <QTest>

class TestTextDecoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void missingFileReadsEmpty();
};

void TestTextDecoding::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain ascii") << QByteArray("A:B|C;") << QStringLiteral("A:B|C;");
    QTest::newRow("utf-8 umlaut") << QByteArray("Gr\xc3\xb6\xc3\x9f" "e") << QStringLiteral("Größe");
    QTest::newRow("latin-1 umlaut") << QByteArray("Gr\xf6\xdf" "e") << QStringLiteral("Größe");
    QTest::newRow("cut at nul") << QByteArray("abc\0def", 7) << QStringLiteral("abc");
    QTest::newRow("nul first") << QByteArray("\0abc", 4) << QString();
    QTest::newRow("invalid utf-8 after nul is ignored")
        << QByteArray("\xc3\xa4\0\xff", 4) << QStringLiteral("ä");
    QTest::newRow("truncated utf-8 sequence falls back to latin-1")
        << QByteArray("x\xc3") << QStringLiteral("x\u00c3");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestTextDecoding::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(decodeText(bytes), expected);
}

void TestTextDecoding::missingFileReadsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(readTextFile(dir.filePath("missing.txt")).isEmpty());
}

QTEST_APPLESS_MAIN(TestTextDecoding)
#include "tst_textdecoding.moc"
