// Source files that are missing, damaged, in odd encodings, binary or huge,
// and fragments that do not fit them: the file still opens in a tab with its
// bars, and the structure tree counts what is on disk.

#include "support/testfiles.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/linenumbercolumn.h"
#include "ui/codeview/plaintextcolumn.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/stnode.h"
#include "core/formats/textdecoding.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

namespace {

const QByteArray model = "Root : Base | Net ;";

QByteArray annotationsFor(const QByteArray &fragment)
{
    return "<project name=\"p\"><file name=\"A.java\" length=\"4\"><fragment " + fragment
           + "><feature>Net</feature></fragment></file></project>";
}

QByteArray utf16WithMark(const QString &text)
{
    return QByteArray("\xff\xfe", 2)
           + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

int lineLabels(const CodeView *view)
{
    return view->lineNumbers() ? view->lineNumbers()->lineCount() : 0;
}

} // namespace

class TestBadInputSources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void sourceFile_data();
    void sourceFile();
    void binarySourceFile();
    void largeSourceFile_data();
    void largeSourceFile();
    void fragmentOutsideTheText_data();
    void fragmentOutsideTheText();
    void lineNumbersBeyondPixelRange_data();
    void lineNumbersBeyondPixelRange();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Opens the window on the folder and A.java in a tab.
    CodeView *openSource();
    STNode *fileRow() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
};

void TestBadInputSources::initTestCase()
{
    qputenv("USERNAME", "tester");
}

void TestBadInputSources::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("model.m")), model));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   annotationsFor("startline=\"2\" endline=\"3\"")));
}

void TestBadInputSources::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

STNode *TestBadInputSources::fileRow() const
{
    auto *tree = m_window->findChild<QTreeWidget *>(QStringLiteral("treeWidget_packageView"));
    if (!tree || tree->topLevelItemCount() == 0 || tree->topLevelItem(0)->childCount() == 0)
        return nullptr;
    return dynamic_cast<STNode *>(tree->topLevelItem(0)->child(0));
}

CodeView *TestBadInputSources::openSource()
{
    m_window = std::make_unique<MainWindow>(m_dir->path());
    STNode *row = fileRow();
    if (!row)
        return nullptr;
    m_window->openFile(row);
    return m_window->currentCodeView();
}

void TestBadInputSources::sourceFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<missing>" and "<directory>" stand for those
    QTest::addColumn<QString>("shown");    // the text in the tab
    QTest::addColumn<int>("treeLines");    // the row's line count in the structure tree

    QTest::newRow("missing: empty tab") << QByteArray("<missing>") << QString() << 0;
    QTest::newRow("unreadable (a folder): empty tab") << QByteArray("<directory>") << QString()
                                                      << 0;
    QTest::newRow("empty: empty tab") << QByteArray() << QString() << 0;
    QTest::newRow("Latin-1 read as Latin-1")
        << QByteArray("// Gr\xf6\xdf" "e\nint a;\n") << QStringLiteral("// Größe\nint a;\n") << 2;
    QTest::newRow("UTF-8 read as UTF-8")
        << QStringLiteral("// Größe 名前\nint a;\n").toUtf8()
        << QStringLiteral("// Größe 名前\nint a;\n") << 2;
    QTest::newRow("Windows line ends") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n")
                                       << 2;
    QTest::newRow("old Mac line ends: one line")
        << QByteArray("a\rb\rc") << QStringLiteral("a\nb\nc")
                                                 << 1;
    QTest::newRow("no line end at the end") << QByteArray("a\nb") << QStringLiteral("a\nb") << 2;
    QTest::newRow("NUL byte: shown as a replacement character")
        << QByteArray("a\nb\0c\nd\n", 8) << QStringLiteral("a\nb\ufffdc\nd\n") << 3;
    QTest::newRow("UTF-16 with byte order mark")
        << utf16WithMark(QStringLiteral("a\nb\n")) << QStringLiteral("a\nb\n") << 2;
}

void TestBadInputSources::sourceFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(int, treeLines);

    const QString source = path(QStringLiteral("A.java"));
    if (bytes == "<directory>")
        QVERIFY(QDir().mkdir(source));
    else if (bytes != "<missing>")
        QVERIFY(TestSupport::writeFile(source, bytes));

    CodeView *view = openSource();
    QVERIFY(view);
    QCOMPARE(fileRow()->lineCount(), treeLines);
    // QTextDocument keeps the paragraph separators it turns line ends into.
    QString text = view->textEdit()->document()->toPlainText();
    QCOMPARE(text, shown);
    // One number per line of the text, and the fragment's bar.
    QCOMPARE(lineLabels(view), view->textEdit()->document()->blockCount());
    QCOMPARE(view->sideBars().size(), 1);
}

void TestBadInputSources::binarySourceFile()
{
    QByteArray bytes = TestSupport::binaryBytes(256 * 1024);
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("A.java")), bytes));
    CodeView *view = openSource();
    QVERIFY(view);
    // The tree counts line feeds; the text also breaks at lone carriage returns.
    QCOMPARE(fileRow()->lineCount(), bytes.count('\n') + (bytes.endsWith('\n') ? 0 : 1));
    const QString text = view->textEdit()->document()->toPlainText();
    QCOMPARE(text.size(), bytes.size() - bytes.count("\r\n"));
    QCOMPARE(lineLabels(view), view->textEdit()->document()->blockCount());
    QVERIFY(lineLabels(view) >= fileRow()->lineCount());
    QCOMPARE(view->sideBars().size(), 1);
}

// Files far beyond any study's sources open in about a second or three and
// are shown whole, with numbers, bars and bands; the largest ones as plain
// text painted as it is scrolled to.
void TestBadInputSources::largeSourceFile_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("plain");
    QTest::newRow("20,000 lines: laid out and highlighted") << 20000 << false;
    QTest::newRow("200,000 lines") << 200000 << true;
    QTest::newRow("50 MB, a million lines") << 1000000 << true;
}

void TestBadInputSources::largeSourceFile()
{
    QFETCH(int, lines);
    QFETCH(bool, plain);

    const QByteArray line = "    int value = compute(first, second) + third;//\n";
    QCOMPARE(line.size(), 50);
    const QByteArray bytes = line.repeated(lines);
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("A.java")), bytes));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   annotationsFor(QStringLiteral("startline=\"%1\" endline=\"%2\"")
                                                   .arg(lines - 10)
                                                   .arg(lines)
                                                   .toLatin1())));

    QCOMPARE(ProjectReader::countFileLines(path(QStringLiteral("A.java"))), lines);
    CodeView *view = openSource();
    QVERIFY(view);
    QCOMPARE(fileRow()->lineCount(), lines);
    QCOMPARE(view->textEdit()->document()->blockCount(), lines + 1); // the last line is empty
    QCOMPARE(view->textEdit()->document()->characterCount(), bytes.size() + 1);
    QCOMPARE(view->plainText() != nullptr, plain);
    QCOMPARE(view->lineNumbers()->lineCount(), lines + 1);
    QCOMPARE(view->sideBars().size(), 1);
    QCOMPARE(view->backgrounds().size(), 1);

    // The code is as tall as its lines and as wide as the longest, so the
    // last fragment's band lies beside its text, and the column shows the
    // last lines when scrolled to the end.
    const qreal step = view->lineStep();
    QVERIFY(qAbs(view->textHeight() - ((lines + 1) * step + 2 * view->textMargin())) <= step);
    const BackgroundFracture *band = view->backgrounds().first();
    QVERIFY(band->sceneBoundingRect().bottom() <= view->textHeight() + step);
    const qreal lineWidth = QFontMetricsF(CodeView::codeFont())
                                .horizontalAdvance(QString::fromLatin1(line.trimmed()) + "    ");
    QVERIFY(qAbs(view->codeScene()->sceneRect().width() - 2 * view->textMargin() - lineWidth)
            <= 2);
    view->resize(600, 400);
    QScrollBar *bar = view->codeGraphicsView()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCOMPARE(view->visibleLineRange().second, lines + 1);
}

// Bars are placed by line number, whatever the file holds.
void TestBadInputSources::fragmentOutsideTheText_data()
{
    QTest::addColumn<QByteArray>("fragment");
    QTest::addColumn<int>("firstLine"); // the line the bar starts at
    QTest::addColumn<int>("lines");     // the number of lines it covers, at least 0
    QTest::addColumn<bool>("band");     // whether it gets a band behind the code

    QTest::newRow("beyond the end") << QByteArray("startline=\"3\" endline=\"900\"") << 3 << 898
                                    << true;
    QTest::newRow("entirely past the end") << QByteArray("startline=\"50\" endline=\"60\"") << 50
                                           << 11 << false;
    QTest::newRow("negative span") << QByteArray("startline=\"3\" endline=\"1\"") << 3 << 0
                                   << false;
    QTest::newRow("before the first line") << QByteArray("startline=\"-5\" endline=\"0\"") << -5
                                           << 6 << true;
}

void TestBadInputSources::fragmentOutsideTheText()
{
    QFETCH(QByteArray, fragment);
    QFETCH(int, firstLine);
    QFETCH(int, lines);
    QFETCH(bool, band);

    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   annotationsFor(fragment)));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("A.java")), "a\nb\nc\nd\n"));
    CodeView *view = openSource();
    QVERIFY(view);
    QCOMPARE(view->sideBars().size(), 1);
    const SideBarFracture *bar = view->sideBars().first();
    const qreal step = view->lineStep();
    QVERIFY(bar->rect().height() >= 0);
    QVERIFY(qAbs(bar->y() - ((firstLine - 1) * step + QFontMetrics(CodeView::codeFont()).descent()))
            <= 1);
    QVERIFY(qAbs(qMax<qreal>(0, bar->rect().height()) - lines * step) <= 1);
    QCOMPARE(view->backgrounds().size(), band ? 1 : 0);
    // The text itself is as it was.
    QCOMPARE(view->textEdit()->document()->toPlainText(), QStringLiteral("a\nb\nc\nd\n"));
}

// Found by fuzzing: line numbers that annotations.xml may hold but no pixel
// position can (2^31 - 1 lines of ~15 pixels). The bar belongs below the text.
void TestBadInputSources::lineNumbersBeyondPixelRange_data()
{
    QTest::addColumn<QByteArray>("fragment");
    QTest::newRow("largest start line")
        << QByteArray("startline=\"2147483647\" endline=\"2147483647\"");
    QTest::newRow("largest span") << QByteArray("startline=\"1\" endline=\"2147483647\"");
    QTest::newRow("start line 10^9")
        << QByteArray("startline=\"1000000000\" endline=\"1000000001\"");
}

void TestBadInputSources::lineNumbersBeyondPixelRange()
{
    QFETCH(QByteArray, fragment);
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("annotations.xml")),
                                   annotationsFor(fragment)));
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("A.java")), "a\nb\nc\nd\n"));
    CodeView *view = openSource();
    QVERIFY(view);
    QCOMPARE(view->sideBars().size(), 1);
    const SideBarFracture *bar = view->sideBars().first();
    // Wherever it ends up, it starts at or below the first line and has a
    // height of its own.
    QVERIFY(bar->y() >= 0 && bar->rect().height() > 0);
}

QTEST_MAIN(TestBadInputSources)
#include "tst_badinput_sources.moc"
