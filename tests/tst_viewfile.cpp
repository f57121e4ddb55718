#include "core/formats/csvreader.h"
#include "core/formats/viewfile.h"

#include "support/diskfull.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

ViewFile::Row row(const char *event, const QString &file = QString(), int first = -1,
                  int last = -1, const QString &detail = QString())
{
    ViewFile::Row result;
    result.time = QDateTime(QDate(2026, 12, 8), QTime(9, 14, 3, 120), Qt::UTC);
    result.event = QString::fromLatin1(event);
    result.task = QStringLiteral("task0");
    result.file = file;
    result.first = first;
    result.last = last;
    result.detail = detail;
    return result;
}

QStringList describe(const QList<ViewFile::Row> &rows)
{
    QStringList result;
    for (const ViewFile::Row &row : rows)
        result << QStringLiteral("%1 %2 %3|%4|%5|%6")
                      .arg(row.line)
                      .arg(row.event, row.file)
                      .arg(row.first)
                      .arg(row.last)
                      .arg(row.detail);
    return result;
}

const QByteArray header = "time,event,task,file,first,last,detail\n";
const QByteArray pageRow = "2026-12-08T09:14:03.120Z,page,task0,,,,2\n";
const QByteArray viewRow = "2026-12-08T09:14:05.000Z,view,task0,/a.c,1,40,170\n";

} // namespace

Q_DECLARE_METATYPE(ViewFile::Row)

class TestViewFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void csvRecords_data();
    void csvRecords();

    void format_data();
    void format();
    void appendWritesTheHeaderOnce();
    void appendEndsARowCutOffBefore();
    void appendOnAFullDiskLeavesNoPiece();
    void reading_data();
    void reading();
    void writtenRowsReadBack();
};

void TestViewFile::csvRecords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("linePerRecord");
    // Fields joined by "|", records by " / "; "!" ends an unterminated record.
    QTest::addColumn<QString>("records");
    QTest::addColumn<int>("problems");

    QTest::newRow("plain fields") << "a,b\nc,d\n" << false << "a|b / c|d" << 0;
    QTest::newRow("empty fields") << ",,\n" << false << "||" << 0;
    QTest::newRow("windows line ends") << "a,b\r\nc\r\n" << false << "a|b / c" << 0;
    QTest::newRow("quoted comma and doubled quote") << "\"a,\"\"b\"\"\",c\n" << false
                                                    << "a,\"b\"|c" << 0;
    QTest::newRow("quoted line break") << "\"a\nb\",c\n" << false << "a\nb|c" << 0;
    QTest::newRow("quoted line break, one line per record")
        << "\"a\nb\",c\nd\n" << true << "b\"|c / d" << 1;
    QTest::newRow("blank lines are no records") << "a\n\n\nb\n" << false << "a / b" << 0;
    QTest::newRow("a quoted empty field is a record") << "\"\"\nb\n" << false << " / b" << 0;
    QTest::newRow("last record without line end") << "a\nb" << false << "a / b!" << 0;
    QTest::newRow("a quote left open to the end") << "a\n\"b" << false << "a" << 1;
    QTest::newRow("text after the closing quote") << "\"a\"b,c\nd\n" << false << "d" << 1;
    QTest::newRow("a lone carriage return is text") << "a\rb\n" << false << "a\rb" << 0;
}

void TestViewFile::csvRecords()
{
    QFETCH(QString, text);
    QFETCH(bool, linePerRecord);
    const CsvReader::Result result =
        CsvReader::parse(text, linePerRecord ? CsvReader::Mode::OneLinePerRecord
                                             : CsvReader::Mode::QuotedLineBreaks);
    QStringList records;
    for (const CsvReader::Record &record : result.records) {
        QStringList fields;
        for (const CsvReader::Field &field : record.fields)
            fields << field.text;
        records << fields.join('|') + (record.terminated ? "" : "!");
    }
    QTEST(records.join(" / "), "records");
    QTEST(int(result.problems.size()), "problems");
}

void TestViewFile::format_data()
{
    QTest::addColumn<ViewFile::Row>("row");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("a page") << row("page", {}, -1, -1, "2") << pageRow;
    QTest::newRow("a view") << row("view", "/src/Server.java", 12, 51, "170")
                            << QByteArray("2026-12-08T09:14:03.120Z,view,task0,/src/Server.java,"
                                          "12,51,170\n");
    QTest::newRow("a colour taken away") << row("colour", {}, -1, -1, "Tcp=")
                                         << QByteArray("2026-12-08T09:14:03.120Z,colour,task0,"
                                                       ",,,Tcp=\n");
    QTest::newRow("a search with a comma and a quote")
        << row("search", {}, -1, -1, "project:a, \"b\"")
        << QByteArray("2026-12-08T09:14:03.120Z,search,task0,,,,\"project:a, \"\"b\"\"\"\n");
    QTest::newRow("a line break in a field stays on the line")
        << row("view", "/odd\nname.c", 1, 2, "0")
        << QByteArray("2026-12-08T09:14:03.120Z,view,task0,/odd name.c,1,2,0\n");
    QTest::newRow("white space at an end is kept by quotes")
        << row("search", {}, -1, -1, "current: x ")
        << QByteArray("2026-12-08T09:14:03.120Z,search,task0,,,,\"current: x \"\n");
}

void TestViewFile::format()
{
    QFETCH(ViewFile::Row, row);
    QTEST(ViewFile::format(row), "line");
}

void TestViewFile::appendWritesTheHeaderOnce()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/anna_bernd_view.csv";
    QVERIFY(ViewFile::append(path, row("page", {}, -1, -1, "2")));
    QCOMPARE(TestSupport::readFile(path), header + pageRow);
    QVERIFY(ViewFile::append(path, row("page", {}, -1, -1, "2")));
    QCOMPARE(TestSupport::readFile(path), header + pageRow + pageRow);

    // An empty file (created, then the process died) gets its header too.
    QVERIFY(TestSupport::writeFile(path, ""));
    QVERIFY(ViewFile::append(path, row("page", {}, -1, -1, "2")));
    QCOMPARE(TestSupport::readFile(path), header + pageRow);
}

void TestViewFile::appendEndsARowCutOffBefore()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/anna_bernd_view.csv";
    QVERIFY(TestSupport::writeFile(path, header + pageRow + viewRow.left(30)));
    QVERIFY(ViewFile::append(path, row("page", {}, -1, -1, "2")));
    QCOMPARE(TestSupport::readFile(path), header + pageRow + viewRow.left(30) + "\n" + pageRow);
    const ViewFile::Reading reading = ViewFile::read(TestSupport::readFile(path), "v.csv");
    QCOMPARE(describe(reading.rows), (QStringList{"2 page |-1|-1|2", "4 page |-1|-1|2"}));
    QCOMPARE(reading.problems.size(), 1);
    QCOMPARE(reading.problems.first().line, 3);
}

void TestViewFile::appendOnAFullDiskLeavesNoPiece()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/anna_bernd_view.csv";
    QVERIFY(TestSupport::writeFile(path, header + pageRow));
    {
        TestSupport::DiskFull full(header.size() + pageRow.size() + 10);
        QVERIFY(full.isActive());
        QString error;
        QVERIFY(!ViewFile::append(path, row("view", "/src/chat/Server.java", 1, 40, "170"),
                                  &error));
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(TestSupport::readFile(path), header + pageRow);
    QVERIFY(ViewFile::append(path, row("page", {}, -1, -1, "2")));
    QCOMPARE(TestSupport::readFile(path), header + pageRow + pageRow);
}

void TestViewFile::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("problemLines");

    QTest::newRow("header and rows") << header + pageRow + viewRow
                                     << QStringList{"2 page |-1|-1|2", "3 view /a.c|1|40|170"}
                                     << QList<int>{};
    QTest::newRow("a last row cut off by a crash")
        << header + pageRow + viewRow.left(40) << QStringList{"2 page |-1|-1|2"}
        << QList<int>{3};
    QTest::newRow("a last row cut off inside quotes")
        << header + pageRow + "2026-12-08T09:14:05.000Z,search,task0,,,,\"current:a"
        << QStringList{"2 page |-1|-1|2"} << QList<int>{3};
    QTest::newRow("zeros a crash left are skipped")
        << header + pageRow + QByteArray(8, '\0') + viewRow
        << QStringList{"2 page |-1|-1|2", "3 view /a.c|1|40|170"} << QList<int>{};
    QTest::newRow("a malformed row between good ones")
        << header + pageRow + "yesterday,view,task0,/a.c,1,2,\n" + viewRow
        << QStringList{"2 page |-1|-1|2", "4 view /a.c|1|40|170"} << QList<int>{3};
    QTest::newRow("a negative line") << header + "2026-12-08T09:14:05.000Z,view,task0,/a.c,-1,2,\n"
                                     << QStringList{} << QList<int>{2};
    QTest::newRow("too few fields") << header + "2026-12-08T09:14:05.000Z,view\n"
                                    << QStringList{} << QList<int>{2};
    // A row is one line: a carriage return inside a field reads as a space,
    // as the viewer writes it, so the row can be written again unchanged.
    QTest::newRow("a carriage return inside a field")
        << header + "2026-12-08T09:14:09.002Z,colour,task0,,,,Tcp\r\r=#ff5555\n"
        << QStringList{"2 colour |-1|-1|Tcp  =#ff5555"} << QList<int>{};
    QTest::newRow("no header") << pageRow << QStringList{"1 page |-1|-1|2"} << QList<int>{};
    QTest::newRow("an empty file") << QByteArray() << QStringList{} << QList<int>{};
    QTest::newRow("a header cut off") << QByteArray("time,eve") << QStringList{}
                                      << QList<int>{1};
}

void TestViewFile::reading()
{
    QFETCH(QByteArray, bytes);
    const ViewFile::Reading reading = ViewFile::read(bytes, "anna_bernd_view.csv");
    QTEST(describe(reading.rows), "rows");
    QList<int> lines;
    for (const Diagnostic &problem : reading.problems) {
        lines << problem.line;
        QCOMPARE(problem.severity, Diagnostic::Severity::Warning);
        QCOMPARE(problem.path, QStringLiteral("anna_bernd_view.csv"));
    }
    QTEST(lines, "problemLines");
}

void TestViewFile::writtenRowsReadBack()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/v.csv";
    const QList<ViewFile::Row> rows{row("page", {}, -1, -1, "3"),
                                    row("view", "/src/a b,c.java", 7, 70, "0"),
                                    row("colour", {}, -1, -1, "Tcp=#ff0000"),
                                    row("search", {}, -1, -1, "feature:\"x\""),
                                    row("focus-out"), row("close")};
    for (const ViewFile::Row &written : rows)
        QVERIFY(ViewFile::append(path, written));
    const ViewFile::Reading reading = ViewFile::read(TestSupport::readFile(path), "v.csv");
    QVERIFY(reading.problems.isEmpty());
    QCOMPARE(reading.rows.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const ViewFile::Row &back = reading.rows.at(i);
        QCOMPARE(back.time, rows.at(i).time);
        QCOMPARE(back.event, rows.at(i).event);
        QCOMPARE(back.task, rows.at(i).task);
        QCOMPARE(back.file, rows.at(i).file);
        QCOMPARE(back.first, rows.at(i).first);
        QCOMPARE(back.last, rows.at(i).last);
        QCOMPARE(back.detail, rows.at(i).detail);
        QCOMPARE(back.line, i + 2);
    }
}

QTEST_APPLESS_MAIN(TestViewFile)
#include "tst_viewfile.moc"
