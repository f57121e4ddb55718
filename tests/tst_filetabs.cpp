#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/questionnaire/questiondialog.h"
#include "support/testfiles.h"

#include <QDockWidget>
#include <QFile>
#include <QGraphicsTextItem>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

#include <memory>
#include <vector>

namespace {

// "action file" for every record of the participant's log, in order.
QStringList loggedActions(const QString &logPath)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList actions;
    const QStringList records = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    for (QString record : records) {
        if (record.startsWith(QLatin1Char('\n')))
            record.remove(0, 1);
        if (record.isEmpty())
            continue;
        const QStringList fields = record.split(QLatin1Char('$'));
        actions.append(fields.value(2) + QLatin1Char(' ') + fields.value(1));
    }
    return actions;
}

} // namespace

class TestFileTabs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void openFromTree();
    void onlyFileRowsOpen_data();
    void onlyFileRowsOpen();
    void reopeningSwitches();
    void sameNameInTwoFolders();
    void closeCurrentTab();
    void closeOtherTab_data();
    void closeOtherTab();
    void closeLastTab();
    void findViewClearsWithItsTab();
    void viewsDoNotPileUp();
    void openFromResultList();
    void resultRowOfOpenFileOnlySwitches();
    void resultRowWithoutNode();

private:
    STNode *fileNode(const QString &relativePath);
    QStringList logged() const;
    // Opens the node's file and waits for its "fileOpened" record.
    void openAndWait(STNode *node);
    // Widgets of the window's form, by object name.
    template<typename T> T *widget(const char *name) const
    {
        T *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no widget %s in the main window", name);
        return found;
    }
    QTabWidget *tabs() const { return widget<QTabWidget>("tabWidget"); }
    CodeView *viewAt(int index) const { return qobject_cast<CodeView *>(tabs()->widget(index)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    std::vector<std::unique_ptr<STNode>> m_nodes;
};

void TestFileTabs::initTestCase()
{
    qputenv("USERNAME", "tabtester");
}

void TestFileTabs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QDir root(m_dir->path());
    QVERIFY(root.mkpath(QStringLiteral("src/x")));
    QVERIFY(root.mkpath(QStringLiteral("src/y")));
    const QList<QPair<QString, QByteArray>> files{
        {"model.m", "Root : Base | Log ;\n"},
        {"src/x/A.java", "class A {\n  int a;\n  void f() {}\n}\n"},
        {"src/y/A.java", "class A {\n}\n"},
        {"src/B.java", "class B {}\n"},
        {"src/C.java", "class C {}\n"},
    };
    for (const auto &[name, bytes] : files)
        QVERIFY(TestSupport::writeFile(root.filePath(name), bytes));
    m_window = std::make_unique<MainWindow>(m_dir->path());
    QCOMPARE(tabs()->count(), 0);
}

void TestFileTabs::cleanup()
{
    // Views point at their nodes: the window goes first.
    m_window.reset();
    m_nodes.clear();
    m_dir.reset();
}

STNode *TestFileTabs::fileNode(const QString &relativePath)
{
    auto node = std::make_unique<STNode>(nullptr);
    node->setKind(STNode::File);
    node->setText(0, relativePath.section(QLatin1Char('/'), -1));
    node->setFilePath(m_dir->path() + relativePath);
    m_nodes.push_back(std::move(node));
    return m_nodes.back().get();
}

QStringList TestFileTabs::logged() const
{
    return loggedActions(m_window->questionDialog()->logFilePath());
}

void TestFileTabs::openAndWait(STNode *node)
{
    const qsizetype before = logged().size();
    m_window->openFile(node);
    QTRY_COMPARE(logged().size(), before + 1);
    QCOMPARE(logged().constLast(), QStringLiteral("fileOpened ") + node->filePath().mid(
                                       m_dir->path().size()));
}

void TestFileTabs::openFromTree()
{
    STNode *a = fileNode(QStringLiteral("/src/x/A.java"));
    FeatureList *features = m_window->featureTree()->features();
    QCOMPARE(features->size(), 2);
    Fragment fragment;
    fragment.startLine = 2;
    fragment.lineSpan = 1;
    fragment.feature = &(*features)[1];
    a->fragments().append(fragment);
    widget<QSlider>("horizontalSlider")->setValue(90);

    m_window->openFile(a);
    QCOMPARE(tabs()->count(), 1);
    QCOMPARE(tabs()->tabText(0), QStringLiteral("A.java"));
    CodeView *view = m_window->currentCodeView();
    QVERIFY(view);
    QCOMPARE(view->fileName(), m_dir->path() + QStringLiteral("/src/x/A.java"));
    QCOMPARE(view->fileNode(), a);
    QCOMPARE(view->opacity(), 90);
    QCOMPARE(view->sideBars().size(), 1);
    QCOMPARE(view->backgrounds().size(), 1);
    QVERIFY(view->textItem()->document()->toPlainText().startsWith(QStringLiteral("class A")));

    // Busy until the opening is logged, and the opening is logged only later.
    QVERIFY(view->justOpened());
    QCOMPARE(widget<QTreeWidget>("treeWidget_packageView")->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(widget<QTreeWidget>("treeWidget_featureView")->cursor().shape(), Qt::WaitCursor);
    QVERIFY(logged().isEmpty());

    QTRY_COMPARE(logged(), QStringList{"fileOpened /src/x/A.java"});
    QVERIFY(!view->justOpened());
    QCOMPARE(widget<QTreeWidget>("treeWidget_packageView")->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(widget<QTreeWidget>("treeWidget_featureView")->cursor().shape(), Qt::ArrowCursor);
}

void TestFileTabs::onlyFileRowsOpen_data()
{
    QTest::addColumn<int>("kind");

    QTest::newRow("no kind") << int(STNode::None);
    QTest::newRow("project row") << int(STNode::Project);
    QTest::newRow("folder row") << int(STNode::Folder);
    QTest::newRow("feature element") << int(STNode::FeatureElement);
    QTest::newRow("fragment element") << int(STNode::FragmentElement);
    QTest::newRow("feature row") << int(STNode::FeatureRow);
}

void TestFileTabs::onlyFileRowsOpen()
{
    QFETCH(int, kind);

    STNode *node = fileNode(QStringLiteral("/src/B.java"));
    node->setKind(kind);
    m_window->openFile(node);
    QCOMPARE(tabs()->count(), 0);
    QCOMPARE(widget<QTreeWidget>("treeWidget_packageView")->cursor().shape(), Qt::ArrowCursor);

    QTreeWidgetItem plain(QStringList{QStringLiteral("B.java")});
    m_window->openFile(&plain);
    m_window->openFile(nullptr);
    QCOMPARE(tabs()->count(), 0);
}

void TestFileTabs::reopeningSwitches()
{
    STNode *a = fileNode(QStringLiteral("/src/x/A.java"));
    STNode *b = fileNode(QStringLiteral("/src/B.java"));
    openAndWait(a);
    openAndWait(b);
    QCOMPARE(tabs()->currentIndex(), 1);

    m_window->openFile(a);
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(tabs()->currentIndex(), 0);
    QCOMPARE(logged().constLast(), QStringLiteral("selectionChanged /src/x/A.java"));

    // The same file's row in the feature view finds the same tab; being
    // current already, nothing is logged.
    STNode *copyOfA = fileNode(QStringLiteral("/src/x/A.java"));
    const qsizetype before = logged().size();
    m_window->openFile(copyOfA);
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(logged().size(), before);

    // A re-opened file is never logged as opened: the next record after the
    // switch is the opening of another file.
    openAndWait(fileNode(QStringLiteral("/src/C.java")));
    QCOMPARE(logged(), (QStringList{"fileOpened /src/x/A.java", "fileOpened /src/B.java",
                                    "selectionChanged /src/x/A.java", "fileOpened /src/C.java"}));
}

void TestFileTabs::sameNameInTwoFolders()
{
    STNode *x = fileNode(QStringLiteral("/src/x/A.java"));
    STNode *y = fileNode(QStringLiteral("/src/y/A.java"));
    openAndWait(x);
    openAndWait(y);
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(tabs()->tabText(0), tabs()->tabText(1));
    QCOMPARE(viewAt(1)->fileName(), y->filePath());

    m_window->openFile(x);
    QCOMPARE(tabs()->currentIndex(), 0);
    QCOMPARE(m_window->currentCodeView()->fileName(), x->filePath());
    m_window->openFile(y);
    QCOMPARE(tabs()->currentIndex(), 1);
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(logged().mid(2), (QStringList{"selectionChanged /src/x/A.java",
                                           "selectionChanged /src/y/A.java"}));
}

void TestFileTabs::closeCurrentTab()
{
    openAndWait(fileNode(QStringLiteral("/src/x/A.java")));
    openAndWait(fileNode(QStringLiteral("/src/B.java")));
    QPointer<CodeView> closing = viewAt(1);
    QPointer<CodeView> staying = viewAt(0);

    m_window->closeTab(1);
    QCOMPARE(tabs()->count(), 1);
    QCOMPARE(m_window->currentCodeView(), staying.data());
    QCOMPARE(logged().mid(2), (QStringList{"fileClosed /src/B.java",
                                           "selectionChanged /src/x/A.java"}));
    QTRY_VERIFY(closing.isNull());
    QVERIFY(staying);
}

void TestFileTabs::closeOtherTab_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("closed");

    // Left of the current tab, the current tab's index changes.
    QTest::newRow("left of the current tab") << 2 << 0;
    QTest::newRow("right of the current tab") << 0 << 2;
}

void TestFileTabs::closeOtherTab()
{
    QFETCH(int, current);
    QFETCH(int, closed);

    const QStringList paths{"/src/x/A.java", "/src/B.java", "/src/C.java"};
    for (const QString &path : paths)
        openAndWait(fileNode(path));
    tabs()->setCurrentIndex(current);
    QPointer<CodeView> staying = viewAt(current);
    QPointer<CodeView> closing = viewAt(closed);
    const qsizetype before = logged().size();

    m_window->closeTab(closed);
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(m_window->currentCodeView(), staying.data());
    QCOMPARE(logged().mid(before), QStringList{"fileClosed " + paths[closed]});
    QTRY_VERIFY(closing.isNull());

    // Switching afterwards is logged as usual.
    tabs()->setCurrentIndex(1 - tabs()->currentIndex());
    QCOMPARE(logged().size(), before + 2);
    QVERIFY(logged().constLast().startsWith(QStringLiteral("selectionChanged /src/")));
}

void TestFileTabs::closeLastTab()
{
    openAndWait(fileNode(QStringLiteral("/src/B.java")));
    QPointer<CodeView> closing = viewAt(0);
    m_window->closeTab(0);
    QCOMPARE(tabs()->count(), 0);
    QVERIFY(!m_window->currentCodeView());
    QCOMPARE(logged(), (QStringList{"fileOpened /src/B.java", "fileClosed /src/B.java"}));
    QTRY_VERIFY(closing.isNull());

    // Nothing more was logged for the close: the next record is the next opening.
    openAndWait(fileNode(QStringLiteral("/src/C.java")));
    QCOMPARE(logged().size(), 3);
}

void TestFileTabs::findViewClearsWithItsTab()
{
    openAndWait(fileNode(QStringLiteral("/src/B.java")));
    openAndWait(fileNode(QStringLiteral("/src/C.java")));
    // Marks in the first tab's file, then back to the second tab.
    tabs()->setCurrentIndex(0);
    widget<QRadioButton>("radioButton_current")->setChecked(true);
    widget<QLineEdit>("lineEdit_find")->setText(QStringLiteral("class"));
    m_window->search();
    QCOMPARE(m_window->findView(), QPointer<CodeView>(viewAt(0)));
    tabs()->setCurrentIndex(1);
    m_window->closeTab(0);
    QTRY_VERIFY(m_window->findView().isNull());
    QVERIFY(m_window->currentCodeView());
}

void TestFileTabs::viewsDoNotPileUp()
{
    STNode *a = fileNode(QStringLiteral("/src/x/A.java"));
    STNode *b = fileNode(QStringLiteral("/src/B.java"));
    for (int round = 0; round < 20; ++round) {
        openAndWait(a);
        openAndWait(b);
        m_window->closeTab(0);
        m_window->closeTab(0);
        QCOMPARE(tabs()->count(), 0);
    }
    QTRY_COMPARE(m_window->findChildren<CodeView *>().size(), 0);
}

void TestFileTabs::openFromResultList()
{
    STNode *b = fileNode(QStringLiteral("/src/B.java"));
    STNode *a = fileNode(QStringLiteral("/src/x/A.java"));
    QListWidget *results = widget<QListWidget>("listWidget_results");
    m_window->addSearchResult(QStringLiteral("3x at .../src/B.java"), b);
    m_window->addSearchResult(QStringLiteral("1x at .../src/x/A.java"), a);
    widget<QRadioButton>("radioButton_project")->setChecked(true);

    results->setCurrentRow(1);
    m_window->openFileFromListWidget(results->item(1));
    QCOMPARE(tabs()->count(), 1);
    QCOMPARE(tabs()->tabText(0), QStringLiteral("A.java"));
    CodeView *view = viewAt(0);
    QCOMPARE(view->fileName(), a->filePath());
    QCOMPARE(view->fileNode(), a);
    QVERIFY(widget<QRadioButton>("radioButton_current")->isChecked());
    QCOMPARE(widget<QDockWidget>("dockWidget_finder")->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(results->cursor().shape(), Qt::WaitCursor);

    QTRY_COMPARE(logged(), QStringList{"fileOpened /src/x/A.java"});
    QCOMPARE(widget<QDockWidget>("dockWidget_finder")->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(results->cursor().shape(), Qt::ArrowCursor);
}

void TestFileTabs::resultRowOfOpenFileOnlySwitches()
{
    STNode *b = fileNode(QStringLiteral("/src/B.java"));
    openAndWait(b);
    openAndWait(fileNode(QStringLiteral("/src/C.java")));
    QListWidget *results = widget<QListWidget>("listWidget_results");
    m_window->addSearchResult(QStringLiteral("12x at .../src/B.java"), b);
    widget<QRadioButton>("radioButton_project")->setChecked(true);

    results->setCurrentRow(0);
    m_window->openFileFromListWidget(results->item(0));
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(tabs()->currentIndex(), 0);
    QVERIFY(widget<QRadioButton>("radioButton_project")->isChecked());
    QCOMPARE(logged().constLast(), QStringLiteral("selectionChanged /src/B.java"));
}

void TestFileTabs::resultRowWithoutNode()
{
    QListWidget *results = widget<QListWidget>("listWidget_results");
    // A row put into the list by something else than the search has no
    // file row behind it.
    results->addItem(QStringLiteral("1x at .../src/C.java"));

    m_window->openFileFromListWidget(results->item(0));
    QCOMPARE(tabs()->count(), 1);
    QVERIFY(!viewAt(0)->fileNode());
    QVERIFY(viewAt(0)->sideBars().isEmpty());
    QTRY_COMPARE(logged(), QStringList{"fileOpened /src/C.java"});
}

QTEST_MAIN(TestFileTabs)
#include "tst_filetabs.moc"
