#include "ui/mainwindow/mainwindow.h"

#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/questionnaire/questiondialog.h"
#include "support/actionlogrecords.h"
#include "support/modalcloser.h"
#include "support/platformmessages.h"
#include "support/testfiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QDockWidget>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const char model[] = "Demo : Logging | Network | Security ;\n\n"
                     "Security : Encryption | Decryption ;\n";

const char annotations[] = R"(<?xml version="1.0"?>
<project name="demo">
  <folder name="src">
    <file name="A.java" length="3">
      <fragment startline="3" endline="3"><feature>Logging</feature></fragment>
    </file>
    <file name="Long.java" length="300"/>
    <folder name="util">
      <file name="B.java" length="2"/>
      <file name="Missing.java" length="0"/>
    </folder>
  </folder>
  <file name="top.c" length="1"/>
</project>
)";

// Line 0 has a hit in the first column; line 2 one inside a longer word and
// one at its end, on an annotated line.
const char aJava[] = "foo = 1;\n\n  int foobar = foo;\n";
const char bJava[] = "Foo.bar(x);\nend foo";
const char topC[] = "a.b axb b b";

// Three far apart hits in a file longer than any window.
constexpr int longLines = 300;
const int needleLines[] = {10, 150, 290};

QByteArray longJava()
{
    QByteArray text;
    for (int line = 0; line < longLines; ++line)
        text += std::find(std::begin(needleLines), std::end(needleLines), line)
                    != std::end(needleLines)
            ? "    x = needle;\n"
            : "    x = 0;\n";
    return text;
}

// Answers every message box that comes up with OK and remembers what it
// said.
class MessageBoxCloser
{
public:
    QStringList texts;
    QStringList titles;
    QList<int> buttons;

private:
    TestSupport::ModalCloser m_closer{[this](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        texts << box->text();
        titles << box->windowTitle();
        buttons << int(box->standardButtons());
        box->done(QMessageBox::Ok);
    }};
};

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void marksSitAtTheHits();
    void marksLieBetweenBandsAndText();
    void removingTheMarksLeavesTheSceneAsBefore();
    void repeatedFindStepsThroughTheMarksAndWraps();
    void changeBetweenPressesStartsANewSearch_data();
    void changeBetweenPressesStartsANewSearch();
    void noHitShowsNotFound_data();
    void noHitShowsNotFound();
    void noTabSearchesNothingButLogs();
    void deletedFindViewLeavesNothingDangling();
    void switchingTabsRemovesTheMarks();
    void closingTheFindViewsTab();

    void projectSearchRows_data();
    void projectSearchRows();
    void emptyProjectSearchListsEveryLeaf();
    void projectSearchKeepsTheMarks();
    void eachSearchClearsTheResults();
    void pressingARowOpensItsFile_data();
    void pressingARowOpensItsFile();

    void featureSearchSelectsMatches_data();
    void featureSearchSelectsMatches();
    void featureSearchWithoutMatchChangesNothing();
    void featureSearchClearsEarlierSelection();
    void hitOnAParentRowLeavesNothingSelected();
    void returnInTheFeatureFieldSearches();

    void logEntries_data();
    void logEntries();

private:
    template<typename T>
    T *widget(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QString path(const QString &relative) const { return m_dir->path() + relative; }
    QTreeWidgetItem *leaf(const QString &name) const;
    CodeView *openTab(const QString &name);
    void find(const QString &text);
    QList<QGraphicsRectItem *> marks(const CodeView *view) const;
    QRectF visibleArea(const CodeView *view) const;
    int visibleMark(const CodeView *view) const;
    QStringList searchLog() const;
    QStringList resultRows() const;
    QStringList selectedFeatures() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
};

void TestSearch::initTestCase()
{
    TestSupport::installPlatformMessageFilter();
}

void TestSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("/model.m"), model},
        {QStringLiteral("/annotations.xml"), annotations},
        {QStringLiteral("/src/A.java"), aJava},
        {QStringLiteral("/src/Long.java"), longJava()},
        {QStringLiteral("/src/util/B.java"), bJava},
        {QStringLiteral("/top.c"), topC},
    };
    for (const auto &[name, bytes] : files)
        QVERIFY(TestSupport::writeFile(path(name), bytes));
    m_window = std::make_unique<MainWindow>(m_dir->path());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestSearch::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

QTreeWidgetItem *TestSearch::leaf(const QString &name) const
{
    const QList<QTreeWidgetItem *> items = widget<QTreeWidget>("treeWidget_packageView")->findItems(
        name, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

CodeView *TestSearch::openTab(const QString &name)
{
    QTreeWidgetItem *item = leaf(name);
    if (!item)
        return nullptr;
    m_window->openFile(item);
    QCoreApplication::processEvents();
    CodeView *view = m_window->currentCodeView();
    return view && view->fileName() == dynamic_cast<STNode *>(item)->filePath() ? view : nullptr;
}

void TestSearch::find(const QString &text)
{
    widget<QLineEdit>("lineEdit_find")->setText(text);
    QTest::mousePress(widget<QPushButton>("pushButton_find"), Qt::LeftButton);
    QTest::mouseRelease(widget<QPushButton>("pushButton_find"), Qt::LeftButton);
}

// The yellow marks of a view, top to bottom and left to right.
QList<QGraphicsRectItem *> TestSearch::marks(const CodeView *view) const
{
    QList<QGraphicsRectItem *> found;
    const QList<QGraphicsItem *> items = view->codeScene()->items();
    for (QGraphicsItem *item : items) {
        auto *rect = qgraphicsitem_cast<QGraphicsRectItem *>(item);
        if (rect && rect->brush().color() == QColor(Qt::yellow))
            found.append(rect);
    }
    std::sort(found.begin(), found.end(), [](QGraphicsRectItem *a, QGraphicsRectItem *b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    return found;
}

QRectF TestSearch::visibleArea(const CodeView *view) const
{
    const QGraphicsView *code = view->codeGraphicsView();
    return code->mapToScene(code->viewport()->rect()).boundingRect();
}

// The one mark that is in sight, or -1 when none or several are.
int TestSearch::visibleMark(const CodeView *view) const
{
    const QList<QGraphicsRectItem *> all = marks(view);
    const QRectF area = visibleArea(view);
    int visible = -1;
    for (int i = 0; i < all.size(); ++i) {
        if (!area.intersects(all.at(i)->sceneBoundingRect()))
            continue;
        if (visible >= 0)
            return -1;
        visible = i;
    }
    return visible;
}

// The search actions of the study log, in order.
QStringList TestSearch::searchLog() const
{
    QStringList actions;
    for (const QString &entry : TestSupport::logRecords(*m_window)) {
        if (entry.mid(entry.indexOf(QLatin1Char('|')) + 1).startsWith(QLatin1String("search<")))
            actions << entry;
    }
    return actions;
}

QStringList TestSearch::resultRows() const
{
    QStringList rows;
    for (int i = 0; i < widget<QListWidget>("listWidget_results")->count(); ++i)
        rows << widget<QListWidget>("listWidget_results")->item(i)->text();
    return rows;
}

QStringList TestSearch::selectedFeatures() const
{
    QStringList names;
    const QList<QTreeWidgetItem *> items = m_window->featureTree()->selectedItems();
    for (const QTreeWidgetItem *item : items)
        names << item->text(0);
    return names;
}

void TestSearch::marksSitAtTheHits()
{
    CodeView *view = openTab(QStringLiteral("A.java"));
    QVERIFY(view);
    MessageBoxCloser closer;
    find(QStringLiteral("foo"));
    QVERIFY(closer.texts.isEmpty());

    const QFont font = CodeView::codeFont();
    const QFontMetricsF metrics(font);
    const qreal top = QFontMetrics(font).descent() + 2;
    const qreal step = view->lineStep();
    struct Expected
    {
        QString before;
        int line;
        QString covered;
    };
    const QList<Expected> expected = {
        {QString(), 0, QStringLiteral("foo")},
        {QStringLiteral("  int "), 2, QStringLiteral("foobar")},
        {QStringLiteral("  int foobar = "), 2, QStringLiteral("foo")},
    };

    const QList<QGraphicsRectItem *> found = marks(view);
    QCOMPARE(found.size(), expected.size());
    for (int i = 0; i < found.size(); ++i) {
        const QGraphicsRectItem *mark = found.at(i);
        QCOMPARE(mark->pos(), QPointF(metrics.horizontalAdvance(expected.at(i).before) + 3,
                                      expected.at(i).line * step + top));
        QCOMPARE(mark->rect(),
                 QRectF(0, 0, metrics.horizontalAdvance(expected.at(i).covered), step));
        QCOMPARE(mark->pen().color(), QColor(Qt::yellow));
        QCOMPARE(mark->brush().style(), Qt::SolidPattern);
    }
}

void TestSearch::marksLieBetweenBandsAndText()
{
    CodeView *view = openTab(QStringLiteral("A.java"));
    QVERIFY(view);
    QCOMPARE(view->backgrounds().size(), 1);
    find(QStringLiteral("foo"));

    const QList<QGraphicsRectItem *> found = marks(view);
    QCOMPARE(found.size(), 3);
    // Top first: the text, then the marks, then the band of line 3.
    const QList<QGraphicsItem *> stack = view->codeScene()->items(Qt::DescendingOrder);
    const qsizetype text = stack.indexOf(view->textItem());
    const qsizetype band = stack.indexOf(view->backgrounds().first());
    QVERIFY(text >= 0);
    QVERIFY(band >= 0);
    for (QGraphicsRectItem *mark : found) {
        const qsizetype at = stack.indexOf(mark);
        QVERIFY2(text < at && at < band, qPrintable(QStringLiteral("text %1, mark %2, band %3")
                                                        .arg(text).arg(at).arg(band)));
    }
}

void TestSearch::removingTheMarksLeavesTheSceneAsBefore()
{
    CodeView *view = openTab(QStringLiteral("A.java"));
    QVERIFY(view);
    const QList<QGraphicsItem *> before = view->codeScene()->items();
    find(QStringLiteral("foo"));
    QCOMPARE(marks(view).size(), 3);
    m_window->removeFinds();
    QCOMPARE(view->codeScene()->items(), before);

    // A new search replaces the marks instead of adding to them.
    find(QStringLiteral("foo"));
    widget<QLineEdit>("lineEdit_find")->setText(QStringLiteral("int"));
    find(QStringLiteral("int"));
    QCOMPARE(marks(view).size(), 1);
    m_window->removeFinds();
    QCOMPARE(view->codeScene()->items(), before);
}

void TestSearch::repeatedFindStepsThroughTheMarksAndWraps()
{
    CodeView *view = openTab(QStringLiteral("Long.java"));
    QVERIFY(view);
    QVERIFY2(visibleArea(view).height() < 100 * view->lineStep(),
             "the window must be shorter than the distance between two hits");

    QList<int> shown;
    for (int press = 0; press < 5; ++press) {
        find(QStringLiteral("needle"));
        QCOMPARE(marks(view).size(), 3);
        shown << visibleMark(view);
    }
    QCOMPARE(shown, QList<int>({0, 1, 2, 0, 1}));
}

void TestSearch::changeBetweenPressesStartsANewSearch_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("whole words switched on") << "wholeWords";
    QTest::newRow("case sensitivity switched on") << "caseSensitive";
    QTest::newRow("scope switched to the project and back") << "scope";
    QTest::newRow("finder hidden and shown") << "finder";
}

void TestSearch::changeBetweenPressesStartsANewSearch()
{
    QFETCH(QString, change);
    CodeView *view = openTab(QStringLiteral("Long.java"));
    QVERIFY(view);

    find(QStringLiteral("needle"));
    find(QStringLiteral("needle"));
    QCOMPARE(visibleMark(view), 1);

    if (change == QLatin1String("wholeWords")) {
        widget<QCheckBox>("checkBox_wholeWords")->setChecked(true);
    } else if (change == QLatin1String("caseSensitive")) {
        widget<QCheckBox>("checkBox_caseSensitive")->setChecked(true);
    } else if (change == QLatin1String("scope")) {
        widget<QRadioButton>("radioButton_project")->setChecked(true);
        widget<QRadioButton>("radioButton_current")->setChecked(true);
    } else {
        widget<QDockWidget>("dockWidget_finder")->show();
        widget<QDockWidget>("dockWidget_finder")->hide();
    }

    // A continued search would show the third hit; a new one the first.
    find(QStringLiteral("needle"));
    QCOMPARE(visibleMark(view), 0);
    // The old marks went; the new ones took their places.
    QCOMPARE(marks(view).size(), 3);
}

void TestSearch::noHitShowsNotFound_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("text that is not in the file") << "zzz";
    QTest::newRow("empty text") << "";
    QTest::newRow("plain text, not a pattern") << "f.o";
}

void TestSearch::noHitShowsNotFound()
{
    QFETCH(QString, text);
    CodeView *view = openTab(QStringLiteral("A.java"));
    QVERIFY(view);

    MessageBoxCloser closer;
    find(text);
    find(text);
    QCOMPARE(closer.texts, QStringList({text + " not found!", text + " not found!"}));
    QCOMPARE(closer.titles, QStringList({QString(), QString()}));
    QCOMPARE(closer.buttons, QList<int>({int(QMessageBox::Ok), int(QMessageBox::Ok)}));
    QVERIFY(marks(view).isEmpty());
}

void TestSearch::noTabSearchesNothingButLogs()
{
    MessageBoxCloser closer;
    find(QStringLiteral("foo"));
    QVERIFY(closer.texts.isEmpty());
    QCOMPARE(searchLog(), QStringList({QStringLiteral("|search<current>(foo)")}));
}

void TestSearch::deletedFindViewLeavesNothingDangling()
{
    CodeView *view = openTab(QStringLiteral("A.java"));
    QVERIFY(view);
    find(QStringLiteral("foo"));
    QCOMPARE(marks(view).size(), 3);

    // The view goes while it still holds the marks.
    widget<QTabWidget>("tabWidget")->removeTab(widget<QTabWidget>("tabWidget")->indexOf(view));
    delete view;
    m_window->removeFinds();
    find(QStringLiteral("foo"));

    CodeView *other = openTab(QStringLiteral("B.java"));
    QVERIFY(other);
    m_window->resetLastSearch();
    find(QStringLiteral("foo"));
    QCOMPARE(marks(other).size(), 2);
}

void TestSearch::switchingTabsRemovesTheMarks()
{
    CodeView *a = openTab(QStringLiteral("A.java"));
    CodeView *other = openTab(QStringLiteral("Long.java"));
    QVERIFY(a);
    QVERIFY(other);
    QTabWidget *tabs = widget<QTabWidget>("tabWidget");
    tabs->setCurrentWidget(a);
    find(QStringLiteral("foo"));
    QCOMPARE(marks(a).size(), 3);

    tabs->setCurrentWidget(other);
    QVERIFY(marks(a).isEmpty());

    // Back again, the same text is a new search, not a step through marks
    // that are gone (which would report " not found!").
    tabs->setCurrentWidget(a);
    MessageBoxCloser closer;
    find(QStringLiteral("foo"));
    QVERIFY(closer.texts.isEmpty());
    QCOMPARE(marks(a).size(), 3);
}

void TestSearch::closingTheFindViewsTab()
{
    CodeView *a = openTab(QStringLiteral("A.java"));
    QVERIFY(a);
    find(QStringLiteral("foo"));
    QPointer<CodeView> closed = a;
    QTabWidget *tabs = widget<QTabWidget>("tabWidget");
    QVERIFY(QMetaObject::invokeMethod(tabs, "tabCloseRequested", Q_ARG(int, tabs->indexOf(a))));
    QTRY_VERIFY(closed.isNull());

    MessageBoxCloser closer;
    find(QStringLiteral("foo"));
    m_window->removeFinds();
    CodeView *b = openTab(QStringLiteral("B.java"));
    QVERIFY(b);
    find(QStringLiteral("foo"));
    QCOMPARE(marks(b).size(), 2);
    QVERIFY(closer.texts.isEmpty());
}

void TestSearch::projectSearchRows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("any case, also inside words")
        << "foo" << false << false
        << QStringList{"3x at .../src/A.java", "2x at .../src/util/B.java"};
    QTest::newRow("case sensitive")
        << "foo" << false << true
        << QStringList{"3x at .../src/A.java", "1x at .../src/util/B.java"};
    QTest::newRow("whole words, also first and last word of a file")
        << "foo" << true << false
        << QStringList{"2x at .../src/A.java", "2x at .../src/util/B.java"};
    QTest::newRow("invalid pattern finds nothing") << "(" << false << false << QStringList{};
    QTest::newRow("invalid pattern, whole words") << "foo(" << true << false << QStringList{};
}

void TestSearch::projectSearchRows()
{
    QFETCH(QString, text);
    QFETCH(bool, wholeWords);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, rows);

    widget<QRadioButton>("radioButton_project")->setChecked(true);
    widget<QCheckBox>("checkBox_wholeWords")->setChecked(wholeWords);
    widget<QCheckBox>("checkBox_caseSensitive")->setChecked(caseSensitive);
    find(text);
    QCOMPARE(resultRows(), rows);
}

void TestSearch::emptyProjectSearchListsEveryLeaf()
{
    widget<QRadioButton>("radioButton_project")->setChecked(true);
    find(QString());

    // The empty pattern matches at every position of " " + text + " ".
    const auto row = [](qsizetype length, const char *file) {
        return QString::number(length + 3) + QStringLiteral("x at ...") + QLatin1String(file);
    };
    QCOMPARE(resultRows(), QStringList({row(qstrlen(aJava), "/src/A.java"),
                                        row(longJava().size(), "/src/Long.java"),
                                        row(qstrlen(bJava), "/src/util/B.java"),
                                        row(0, "/src/util/Missing.java"),
                                        row(qstrlen(topC), "/top.c")}));
    QVERIFY(searchLog().isEmpty());
}

void TestSearch::projectSearchKeepsTheMarks()
{
    CodeView *view = openTab(QStringLiteral("Long.java"));
    QVERIFY(view);
    find(QStringLiteral("needle"));
    const QList<QGraphicsRectItem *> before = marks(view);
    QCOMPARE(before.size(), 3);

    widget<QRadioButton>("radioButton_project")->setChecked(true);
    find(QStringLiteral("needle"));
    QCOMPARE(resultRows(), QStringList({QStringLiteral("3x at .../src/Long.java")}));
    QCOMPARE(marks(view), before);
}

void TestSearch::eachSearchClearsTheResults()
{
    widget<QRadioButton>("radioButton_project")->setChecked(true);
    find(QStringLiteral("foo"));
    QCOMPARE(resultRows().size(), 2);
    find(QStringLiteral("needle"));
    QCOMPARE(resultRows().size(), 1);

    MessageBoxCloser closer;
    widget<QRadioButton>("radioButton_current")->setChecked(true);
    find(QStringLiteral("needle"));
    QVERIFY(resultRows().isEmpty());
}

void TestSearch::pressingARowOpensItsFile_data()
{
    QTest::addColumn<bool>("alreadyOpen");
    QTest::newRow("file not open: opened, scope back to the current file") << false;
    QTest::newRow("file open: only its tab becomes current") << true;
}

void TestSearch::pressingARowOpensItsFile()
{
    QFETCH(bool, alreadyOpen);
    QTabWidget *tabs = widget<QTabWidget>("tabWidget");
    CodeView *b = nullptr;
    if (alreadyOpen) {
        b = openTab(QStringLiteral("B.java"));
        QVERIFY(b);
    }
    QVERIFY(openTab(QStringLiteral("A.java")));
    const int tabsBefore = tabs->count();

    widget<QRadioButton>("radioButton_project")->setChecked(true);
    find(QStringLiteral("foo"));
    QListWidget *results = widget<QListWidget>("listWidget_results");
    QCOMPARE(resultRows(), QStringList({QStringLiteral("3x at .../src/A.java"),
                                        QStringLiteral("2x at .../src/util/B.java")}));

    QListWidgetItem *row = results->item(1);
    const QRect rect = results->visualItemRect(row);
    QTest::mousePress(results->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(results->viewport(), Qt::LeftButton, {}, rect.center());

    auto *node = dynamic_cast<STNode *>(leaf(QStringLiteral("B.java")));
    QVERIFY(node);
    CodeView *current = m_window->currentCodeView();
    QVERIFY(current);
    QCOMPARE(current->fileName(), node->filePath());
    QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("B.java"));
    if (alreadyOpen) {
        QCOMPARE(current, b);
        QCOMPARE(tabs->count(), tabsBefore);
        QVERIFY(widget<QRadioButton>("radioButton_project")->isChecked());
    } else {
        // The view was made from the row's own structure-tree node.
        QCOMPARE(current->fileNode(), node);
        QCOMPARE(tabs->count(), tabsBefore + 1);
        QVERIFY(widget<QRadioButton>("radioButton_current")->isChecked());
    }
}

void TestSearch::featureSearchSelectsMatches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("selections");

    // Parent rows are hits too, but cannot be selected: nothing is.
    QTest::newRow("every feature in turn, parents included, any case")
        << "O" << QStringList{"", "Logging", "Network", "Encryption", "Decryption", ""};
}

void TestSearch::featureSearchSelectsMatches()
{
    QFETCH(QString, text);
    QFETCH(QStringList, selections);

    widget<QLineEdit>("lineEdit_featureSearch")->setText(text);
    for (const QString &expected : selections) {
        QTest::mouseClick(widget<QToolButton>("toolButton_featureSearch"), Qt::LeftButton);
        QCOMPARE(selectedFeatures(), expected.isEmpty() ? QStringList() : QStringList{expected});
    }
}

void TestSearch::featureSearchWithoutMatchChangesNothing()
{
    FeatureTreeWidget *tree = m_window->featureTree();
    widget<QLineEdit>("lineEdit_featureSearch")->setText(QStringLiteral("net"));
    QTest::mouseClick(widget<QToolButton>("toolButton_featureSearch"), Qt::LeftButton);
    QCOMPARE(selectedFeatures(), QStringList{"Network"});

    widget<QLineEdit>("lineEdit_featureSearch")->setText(QStringLiteral("printer"));
    QTest::mouseClick(widget<QToolButton>("toolButton_featureSearch"), Qt::LeftButton);
    QCOMPARE(selectedFeatures(), QStringList{"Network"});
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(searchLog(), QStringList({QStringLiteral("|search<feature>(net)"),
                                       QStringLiteral("|search<feature>(printer)")}));
}

void TestSearch::featureSearchClearsEarlierSelection()
{
    FeatureTreeWidget *tree = m_window->featureTree();
    const QList<QTreeWidgetItem *> logging =
        tree->findItems(QStringLiteral("Logging"), Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(logging.size(), 1);
    logging.first()->setSelected(true);

    widget<QLineEdit>("lineEdit_featureSearch")->setText(QStringLiteral("decrypt"));
    QTest::mouseClick(widget<QToolButton>("toolButton_featureSearch"), Qt::LeftButton);
    QCOMPARE(selectedFeatures(), QStringList{"Decryption"});
}

void TestSearch::hitOnAParentRowLeavesNothingSelected()
{
    widget<QLineEdit>("lineEdit_featureSearch")->setText(QStringLiteral("decr"));
    QTest::mouseClick(widget<QToolButton>("toolButton_featureSearch"), Qt::LeftButton);
    QCOMPARE(selectedFeatures(), QStringList{"Decryption"});

    // Parent rows cannot be selected; the earlier selection goes all the same.
    widget<QLineEdit>("lineEdit_featureSearch")->setText(QStringLiteral("SECUR"));
    QTest::mouseClick(widget<QToolButton>("toolButton_featureSearch"), Qt::LeftButton);
    QVERIFY(selectedFeatures().isEmpty());
}

void TestSearch::returnInTheFeatureFieldSearches()
{
    widget<QDockWidget>("dockWidget_featureModel")->show();
    widget<QLineEdit>("lineEdit_featureSearch")->setText(QStringLiteral("work"));
    widget<QLineEdit>("lineEdit_featureSearch")->setFocus();
    QTest::keyClick(widget<QLineEdit>("lineEdit_featureSearch"), Qt::Key_Return);
    QCOMPARE(selectedFeatures(), QStringList{"Network"});
}

void TestSearch::logEntries_data()
{
    QTest::addColumn<bool>("project");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withTab");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("current file") << false << "foo" << true
                                  << QStringList{"/src/A.java|search<current>(foo)"};
    QTest::newRow("current file, empty text") << false << "" << true << QStringList{};
    QTest::newRow("project") << true << "a.b" << false << QStringList{"|search<project>(a.b)"};
    QTest::newRow("project, empty text") << true << "" << false << QStringList{};
    QTest::newRow("project, invalid pattern") << true << "(" << false
                                              << QStringList{"|search<project>(()"};
}

void TestSearch::logEntries()
{
    QFETCH(bool, project);
    QFETCH(QString, text);
    QFETCH(bool, withTab);
    QFETCH(QStringList, entries);

    if (withTab)
        QVERIFY(openTab(QStringLiteral("A.java")));
    widget<QRadioButton>("radioButton_project")->setChecked(project);
    MessageBoxCloser closer;
    find(text);
    QCOMPARE(searchLog(), entries);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
