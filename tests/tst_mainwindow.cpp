#include "ui/mainwindow/mainwindow.h"

#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "ui/featuretree/featuretreewidget.h"
#include "core/model/projectfolder.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/images/resources.h"
#include "ui/questionnaire/questiondialog.h"

#include "support/modalcloser.h"
#include "support/platformmessages.h"
#include "support/readonlyfolder.h"
#include "support/testfiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QDirIterator>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidgetItemIterator>
#include <QWindow>

#include <QTextStream>

#include <functional>
#include <memory>

using namespace TestSupport;

namespace {

// A project small enough to know by heart: six features, two source files
// in nested folders and one file that is not source code.
const char miniModel[] = "Chat : Base | Logging | Crypt | History | Emoticons | Sound ;\n";
const char miniAnnotations[] = R"(<?xml version="1.0"?>
<project name="mini">
  <folder name="src">
    <folder name="chat">
      <file name="Client.java" length="6">
        <fragment startline="2" endline="4"><feature>Logging</feature></fragment>
        <fragment startline="5" endline="5"><feature>Crypt</feature></fragment>
      </file>
    </folder>
    <file name="Main.java" length="3">
      <fragment startline="1" endline="2"><feature>Base</feature></fragment>
    </file>
  </folder>
  <file name="notes.txt" length="1"/>
</project>
)";
constexpr int miniFeatureCount = 6;

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(source, target))
            return false;
    }
    return true;
}

// Translates every text of the window's form, so a retranslation shows.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *,
                      int) const override
    {
        if (qstrcmp(context, "MainWindowForm") != 0 || !sourceText || !*sourceText)
            return QString();
        return QStringLiteral("#") + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void docks_data();
    void docks();
    void dockFeatures();
    void actions_data();
    void actions();
    void menus();
    void buttons_data();
    void buttons();
    void startupState();
    void palette();
    void structureTrees();
    void objectsAreWired();
    void featureTreeSitsInItsFrame();

    void actionDockPairs_data();
    void actionDockPairs();
    void finderButtonShowsAndFocusesTheFinder();
    void dockedFinderFloatsOnADoubleClick();
    void questionsActionShowsTheQuestionnaire();
    void questionnaireOpensOverTheCode();
    void colourDialogLiesAboveTheQuestionnaire();
    void paletteWrapsAtEveryWidth_data();
    void paletteWrapsAtEveryWidth();
    void rightDocksGetTheirWidthBack();

    void startupFillsFilePathsAndFoldsTrees();
    void filePaths_data();
    void filePaths();

    void reminderCountsUpInFifteens();
    void reminderRaisesTheQuestionnaire_data();
    void reminderRaisesTheQuestionnaire();
    void reminderTimerRepeatsEveryFifteenMinutes();

    void dockMemo_data();
    void dockMemo();
    void closingSetsTheQuestionnaireFinished();
    void destroyingWithTheFinderShown_data();
    void destroyingWithTheFinderShown();
    void returnSearchesTheFeatureModel_data();
    void returnSearchesTheFeatureModel();
    void languageChangeRetranslates();

    void folderDialog_data();
    void folderDialog();

    void saveButtonPreview_data();
    void saveButtonPreview();
    void logGoesToTheQuestionnaire();

    void exampleProjectStarts();

private:
    void openWindow();
    // A widget of the window's form by its object name; a missing name ends
    // the run with a message naming it.
    template <typename T>
    T *get(const char *name) const
    {
        T *child = m_window->findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("the window has no %s called %s", T::staticMetaObject.className(), name);
        return child;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::initTestCase()
{
    qputenv("USERNAME", "tester");
    installPlatformMessageFilter();
    initImageResources();
}

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_project = m_dir->filePath(QStringLiteral("mini"));
    QVERIFY(QDir().mkpath(m_project + QStringLiteral("/src/chat")));
    QVERIFY(writeFile(m_project + QStringLiteral("/model.m"), miniModel));
    QVERIFY(writeFile(m_project + QStringLiteral("/annotations.xml"), miniAnnotations));
    QVERIFY(writeFile(m_project + QStringLiteral("/src/chat/Client.java"),
                      "class Client {\n  void log() {}\n  int a;\n  int b;\n  int key;\n}\n"));
    QVERIFY(writeFile(m_project + QStringLiteral("/src/Main.java"),
                      "class Main {\n  public static void main(String[] a) {}\n}\n"));
    QVERIFY(writeFile(m_project + QStringLiteral("/notes.txt"), "notes\n"));
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestMainWindow::openWindow()
{
    m_window = std::make_unique<MainWindow>(m_project);
    QVERIFY(m_window->form());
}

void TestMainWindow::docks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Qt::DockWidgetArea>("area");
    QTest::addColumn<bool>("visible");

    QTest::newRow("explorer") << "dockWidget_left" << "Explorer" << Qt::LeftDockWidgetArea << true;
    QTest::newRow("feature model")
        << "dockWidget_featureModel" << "Feature Model" << Qt::RightDockWidgetArea << true;
    QTest::newRow("colors") << "dockWidget_colors" << "Colors" << Qt::RightDockWidgetArea << true;
    QTest::newRow("color assignments") << "dockWidget_colorAssignments" << "ColorAssignments"
                                       << Qt::RightDockWidgetArea << true;
    QTest::newRow("finder starts hidden")
        << "dockWidget_finder" << "Finder" << Qt::LeftDockWidgetArea << false;
    QTest::newRow("diagnostics start hidden") << "dockWidget" << "" << Qt::LeftDockWidgetArea << false;
}

void TestMainWindow::docks()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(Qt::DockWidgetArea, area);
    QFETCH(bool, visible);

    openWindow();
    auto *dock = m_window->findChild<QDockWidget *>(name);
    QVERIFY(dock);
    QCOMPARE(dock->windowTitle(), title);
    QCOMPARE(m_window->dockWidgetArea(dock), area);
    QCOMPARE(dock->isVisible(), visible);
}

void TestMainWindow::dockFeatures()
{
    openWindow();
    QDockWidget *explorer = get<QDockWidget>("dockWidget_left");
    QCOMPARE(explorer->minimumSize(), QSize(300, 242));
    QCOMPARE(explorer->features(), QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                                       | QDockWidget::DockWidgetFloatable);
    QCOMPARE(explorer->allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    QVERIFY(!get<QDockWidget>("dockWidget_colorAssignments")->isFloating());
    QVERIFY(!get<QDockWidget>("dockWidget_featureModel")->isFloating());
    QVERIFY(get<QDockWidget>("dockWidget_finder")->isFloating());
}

void TestMainWindow::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<QString>("menu");

    QTest::newRow("explorer") << "actionPackage_and_FeatureView" << "Package and FeatureView"
                              << true << "menuAnsicht";
    QTest::newRow("feature model") << "actionFeature_Model" << "Feature Model" << true
                                   << "menuAnsicht";
    QTest::newRow("colour picker") << "actionColorPicker" << "ColorPicker" << true << "menuAnsicht";
    QTest::newRow("save and load") << "actionSave_Load" << "Save / Load" << true << "menuAnsicht";
    QTest::newRow("questions") << "actionQuestions" << "show Questions Dialog" << false
                               << "menuAnsicht";
    QTest::newRow("colour saves") << "actionColorSaves" << "ColorSaves" << false
                                  << "menuColorSaves";
}

void TestMainWindow::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, checkable);
    QFETCH(QString, menu);

    openWindow();
    auto *action = m_window->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->isCheckable(), checkable);
    // The dock actions start checked, as their docks start visible.
    QCOMPARE(action->isChecked(), checkable);
    auto *owner = m_window->findChild<QMenu *>(menu);
    QVERIFY(owner);
    QVERIFY(owner->actions().contains(action));
}

void TestMainWindow::menus()
{
    openWindow();
    QCOMPARE(get<QMenu>("menuAnsicht")->title(), QStringLiteral("Show"));
    QCOMPARE(get<QMenu>("menuColorSaves")->title(), QStringLiteral("Load"));

    const QList<QAction *> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar.at(0)->menu(), get<QMenu>("menuAnsicht"));
    QCOMPARE(bar.at(1)->menu(), get<QMenu>("menuColorSaves"));

    const QList<QAction *> show = get<QMenu>("menuAnsicht")->actions();
    const QList<QAction *> expected{get<QAction>("actionPackage_and_FeatureView"),
                                    get<QAction>("actionFeature_Model"), get<QAction>("actionColorPicker"),
                                    get<QAction>("actionSave_Load"), get<QAction>("actionQuestions")};
    QCOMPARE(show, expected);
    QCOMPARE(get<QMenu>("menuColorSaves")->actions(), QList<QAction *>{get<QAction>("actionColorSaves")});

    QVERIFY(get<QToolBar>("mainToolBar"));
    QCOMPARE(m_window->toolBarArea(get<QToolBar>("mainToolBar")), Qt::TopToolBarArea);
    QVERIFY(get<QToolBar>("mainToolBar")->actions().isEmpty());
    QVERIFY(m_window->statusBar());
}

void TestMainWindow::buttons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QKeySequence>("shortcut");

    QTest::newRow("finder") << "toolButton_finder" << "search" << "search"
                            << QKeySequence(QStringLiteral("Ctrl+F"));
    QTest::newRow("light") << "toolButton_light" << "..." << "" << QKeySequence();
    QTest::newRow("dark") << "toolButton_dark" << "..." << "" << QKeySequence();
    QTest::newRow("feature search") << "toolButton_featureSearch" << "" << "search Feature Model"
                                    << QKeySequence();
    QTest::newRow("reset colours")
        << "pushButton_resetColors" << "reset" << "reset all Colors" << QKeySequence();
    QTest::newRow("automatic colours") << "toolButton_auto" << "..."
                                       << "assign random colors to selected Features"
                                       << QKeySequence();
    QTest::newRow("custom colour") << "toolButton_2" << "add custom Color"
                                   << "add custom color to palette" << QKeySequence();
    QTest::newRow("remove assignment")
        << "toolButton_removeAssignment" << "" << "remove colors from selected Features"
        << QKeySequence(QKeySequence::fromString(QStringLiteral("Del")));
    QTest::newRow("save") << "toolButton_save" << "Save" << "save ColorAssignment"
                          << QKeySequence();
    QTest::newRow("find") << "pushButton_find" << "Find" << ""
                          << QKeySequence(QStringLiteral("Return"));
    QTest::newRow("diagnostic update") << "pushButton" << "update" << "" << QKeySequence();
}

void TestMainWindow::buttons()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QKeySequence, shortcut);

    openWindow();
    auto *button = m_window->findChild<QAbstractButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), text);
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->shortcut(), shortcut);
}

void TestMainWindow::startupState()
{
    openWindow();
    QCOMPARE(ProjectFolder::path(), m_project);
    QCOMPARE(m_window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window->iconSize(), QSize(15, 15));
    QCOMPARE(m_window->tabShape(), QTabWidget::Rounded);
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->windowState() & Qt::WindowMaximized);

    // The two placeholder pages are gone.
    QTabWidget *tabs = get<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 0);
    QCOMPARE(tabs->indexOf(get<QWidget>("tab")), -1);
    QCOMPARE(tabs->indexOf(get<QWidget>("tab_2")), -1);
    QVERIFY(tabs->tabsClosable());
    QVERIFY(!tabs->isMovable());
    QVERIFY(!tabs->documentMode());
    QCOMPARE(m_window->currentCodeView(), nullptr);

    QSlider *slider = get<QSlider>("horizontalSlider");
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 255);
    QCOMPARE(slider->value(), 170);
    QCOMPARE(slider->toolTip(), QStringLiteral("opacity of codebackground"));
    QCOMPARE(get<QToolButton>("toolButton_light")->iconSize(), QSize(25, 25));
    QVERIFY(get<QToolButton>("toolButton_light")->autoRaise());
    QVERIFY(!get<QToolButton>("toolButton_light")->isCheckable());
    QCOMPARE(get<QLabel>("label")->text(), QStringLiteral("Source Code Viewer"));

    QVERIFY(get<QPushButton>("pushButton_resetColors")->isHidden());
    QVERIFY(get<QDockWidget>("dockWidget")->isHidden());
    QVERIFY(get<QDockWidget>("dockWidget_finder")->isHidden());

    QVERIFY(get<QRadioButton>("radioButton_packages")->isChecked());
    QVERIFY(!get<QRadioButton>("radioButton_features")->isChecked());
    QCOMPARE(get<QRadioButton>("radioButton_features")->text(), QStringLiteral("Features"));
    QCOMPARE(get<QRadioButton>("radioButton_packages")->text(), QStringLiteral("Filestructure"));
    QCOMPARE(get<QStackedWidget>("stackedWidget")->currentWidget(), get<QWidget>("page_packageView"));

    QVERIFY(get<QRadioButton>("radioButton_current")->isChecked());
    QVERIFY(!get<QRadioButton>("radioButton_project")->isChecked());
    QVERIFY(!get<QCheckBox>("checkBox_wholeWords")->isChecked());
    QVERIFY(!get<QCheckBox>("checkBox_caseSensitive")->isChecked());
    QCOMPARE(get<QRadioButton>("radioButton_current")->text(), QStringLiteral("current file"));
    QCOMPARE(get<QRadioButton>("radioButton_project")->text(), QStringLiteral("all project files"));
    QCOMPARE(get<QCheckBox>("checkBox_wholeWords")->text(), QStringLiteral("whole Words only"));
    QCOMPARE(get<QCheckBox>("checkBox_caseSensitive")->text(), QStringLiteral("case sensitive"));
    QCOMPARE(get<QLabel>("label_2")->text(), QStringLiteral("search:"));
    QCOMPARE(get<QLabel>("label_startline")->text(), QStringLiteral("startLine:"));
    QCOMPARE(get<QLabel>("label_endline")->text(), QStringLiteral("endline:"));
    QVERIFY(get<QListWidget>("listWidget_results")->count() == 0);

    // The load buttons of later saves go into this layout.
    QCOMPARE(get<QFrame>("frame_loadButtons")->layout(), get<QHBoxLayout>("horizontalLayout_4"));
    QVERIFY(m_window->findChild<QFrame *>(QStringLiteral("line")));
    QVERIFY(m_window->findChild<QFrame *>(QStringLiteral("line_2")));
    QCOMPARE(get<QDockWidget>("dockWidget_finder")->widget(), get<QWidget>("dockWidgetContents"));
}

void TestMainWindow::palette()
{
    openWindow();
    QListWidget *list = get<QListWidget>("listWidget");
    QCOMPARE(list->viewMode(), QListView::IconMode);
    QCOMPARE(list->gridSize(), QSize(30, 30));
    QVERIFY(list->dragEnabled());
    QVERIFY(list->acceptDrops());
    QCOMPARE(list->dragDropMode(), QAbstractItemView::DragDrop);
    QCOMPARE(list->defaultDropAction(), Qt::CopyAction);
    QVERIFY(!list->wordWrap());
    QCOMPARE(list->toolTip(), QStringLiteral("drag color onto feature"));
    QCOMPARE(list->contextMenuPolicy(), Qt::CustomContextMenu);

    // One colour per feature, each shown as the entry's background.
    QCOMPARE(list->count(), miniFeatureCount);
    for (int i = 0; i < list->count(); ++i) {
        QVERIFY(list->item(i)->text().isEmpty());
        QVERIFY(list->item(i)->background().color().isValid());
    }
    QVERIFY(!get<QToolButton>("toolButton_save")->icon().isNull());
}

void TestMainWindow::structureTrees()
{
    openWindow();
    SMVTreeWidget *packages = get<SMVTreeWidget>("treeWidget_packageView");
    SMVTreeWidget *features = get<SMVTreeWidget>("treeWidget_featureView");
    QVERIFY(packages->isHeaderHidden());
    QVERIFY(features->isHeaderHidden());
    QCOMPARE(packages->headerItem()->text(0), QStringLiteral("Filestructure"));
    QCOMPARE(features->headerItem()->text(0), QStringLiteral("Features"));
    QCOMPARE(packages->selectionMode(), QAbstractItemView::NoSelection);
    QCOMPARE(features->selectionMode(), QAbstractItemView::NoSelection);
    QVERIFY(features->uniformRowHeights());
    QCOMPARE(features->dragDropMode(), QAbstractItemView::DropOnly);
    QVERIFY(features->isFeatureView());
    QVERIFY(!packages->isFeatureView());
    QCOMPARE(packages->indentation(), 12);
    QCOMPARE(features->indentation(), 12);
}

void TestMainWindow::objectsAreWired()
{
    openWindow();
    FeatureTreeWidget *tree = m_window->featureTree();
    ColorManager *colors = m_window->colorManager();
    QVERIFY(tree);
    QVERIFY(colors);
    QVERIFY(m_window->projectReader());
    QVERIFY(m_window->questionDialog());
    QVERIFY(m_window->colorDialog());
    QCOMPARE(m_window->colorDialog()->parent(), m_window.get());
    QVERIFY(!m_window->questionDialog()->isVisible());

    QCOMPARE(tree->colorManager(), colors);
    QCOMPARE(tree->paletteList(), get<QListWidget>("listWidget"));
    QCOMPARE(colors->features(), tree->features());
    for (SMVTreeWidget *view : {get<SMVTreeWidget>("treeWidget_packageView"), get<SMVTreeWidget>("treeWidget_featureView")}) {
        QCOMPARE(view->colorManager(), colors);
        QCOMPARE(view->featureTree(), tree);
    }
}

void TestMainWindow::featureTreeSitsInItsFrame()
{
    openWindow();
    FeatureTreeWidget *tree = m_window->featureTree();
    QCOMPARE(tree->parentWidget(), get<QFrame>("frame_featureModel"));
    QVERIFY(get<QFrame>("frame_featureModel")->layout()->indexOf(tree) >= 0);
    QCOMPARE(tree->contextMenuPolicy(), Qt::CustomContextMenu);
    QVERIFY(tree->isVisible());
    // One feature per leaf of the model, in model order.
    QCOMPARE(tree->features()->size(), miniFeatureCount);
    QCOMPARE(tree->features()->first().name(), QStringLiteral("Base"));
    QCOMPARE(tree->features()->last().name(), QStringLiteral("Sound"));
}

void TestMainWindow::actionDockPairs_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("dockName");
    QTest::addColumn<bool>("dockSetsCheckMark");

    QTest::newRow("explorer") << "actionPackage_and_FeatureView" << "dockWidget_left" << false;
    QTest::newRow("feature model") << "actionFeature_Model" << "dockWidget_featureModel" << true;
    QTest::newRow("colours") << "actionColorPicker" << "dockWidget_colors" << true;
    QTest::newRow("save and load") << "actionSave_Load" << "dockWidget_colorAssignments" << true;
}

void TestMainWindow::actionDockPairs()
{
    QFETCH(QString, actionName);
    QFETCH(QString, dockName);
    QFETCH(bool, dockSetsCheckMark);

    openWindow();
    auto *action = m_window->findChild<QAction *>(actionName);
    auto *dock = m_window->findChild<QDockWidget *>(dockName);
    QVERIFY(action && dock);

    action->setChecked(false);
    QVERIFY(dock->isHidden());
    action->setChecked(true);
    QVERIFY(dock->isVisible());

    // Closing the dock itself takes the check mark away where the pair is
    // linked both ways.
    dock->close();
    QVERIFY(dock->isHidden());
    QCOMPARE(action->isChecked(), !dockSetsCheckMark);
    dock->show();
    QVERIFY(action->isChecked());
}

void TestMainWindow::finderButtonShowsAndFocusesTheFinder()
{
    openWindow();
    QSignalSpy visibility(get<QDockWidget>("dockWidget_finder"), &QDockWidget::visibilityChanged);
    get<QToolButton>("toolButton_finder")->click();
    QVERIFY(get<QDockWidget>("dockWidget_finder")->isVisible());
    QVERIFY(get<QDockWidget>("dockWidget_finder")->isFloating());
    QCOMPARE(visibility.count(), 1);
    // The line edit takes the focus last, so typing goes straight into it.
    QCOMPARE(get<QDockWidget>("dockWidget_finder")->focusWidget(), get<QLineEdit>("lineEdit_find"));
    // Not over the menu bar and the tab titles at the screen's corner, but
    // beside the code: inside the window, below the file tabs' titles.
    const QRect finder = get<QDockWidget>("dockWidget_finder")->frameGeometry();
    const auto *tabs = get<QTabWidget>("tabWidget");
    const QRect window = m_window->frameGeometry();
    QVERIFY2(window.contains(finder), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                     .arg(finder.x()).arg(finder.y())
                                                     .arg(finder.width()).arg(finder.height())));
    QVERIFY(finder.top() >= tabs->mapToGlobal(QPoint(0, 0)).y());
    QVERIFY(!finder.intersects(QRect(m_window->menuBar()->mapToGlobal(QPoint(0, 0)),
                                     m_window->menuBar()->size())));
}

// Only the floating finder ignores a double-click on its title (which would
// dock it for good); docked, the double-click floats it as before.
void TestMainWindow::dockedFinderFloatsOnADoubleClick()
{
    openWindow();
    auto *finder = get<QDockWidget>("dockWidget_finder");
    finder->setFloating(false);
    finder->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(!finder->isFloating());
    // The title stands above the contents.
    const QPoint title(finder->width() / 3,
                       get<QWidget>("dockWidgetContents")->geometry().top() / 2);
    QTest::mouseDClick(finder, Qt::LeftButton, Qt::NoModifier, title);
    QTRY_VERIFY(finder->isFloating());
}

void TestMainWindow::questionsActionShowsTheQuestionnaire()
{
    openWindow();
    QuestionDialog *questions = m_window->questionDialog();
    QVERIFY(!questions->isVisible());
    get<QAction>("actionQuestions")->trigger();
    QVERIFY(questions->isVisible());
    // The participant types the name at once.
    QCOMPARE(questions->focusWidget(), questions->findChild<QLineEdit *>("lineEdit_account"));
}

namespace {
QRect onScreen(const QWidget *widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}
} // namespace

// The questionnaire first lay over the palette and the "Save" button: the
// first drag started inside an answer box.
void TestMainWindow::questionnaireOpensOverTheCode()
{
    openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QuestionDialog *questions = m_window->questionDialog();
    get<QAction>("actionQuestions")->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(questions));

    const QRect dialog = questions->frameGeometry();
    const QRect code = onScreen(get<QTabWidget>("tabWidget"));
    for (const char *name :
         {"listWidget", "toolButton_save", "toolButton_2", "toolButton_auto"}) {
        QVERIFY2(!dialog.intersects(onScreen(get<QWidget>(name))), name);
    }
    // In the lower right corner of the code, below its first lines.
    QVERIFY(dialog.right() <= code.right());
    QVERIFY(dialog.bottom() <= code.bottom());
    QVERIFY(code.right() - dialog.right() < dialog.width() / 8);
    QVERIFY(code.bottom() - dialog.bottom() < dialog.height() / 4);
    QVERIFY(dialog.top() > code.top());
}

// While the colour dialog is open the questionnaire gives up its place on
// top; it hid the custom colour slots.
void TestMainWindow::colourDialogLiesAboveTheQuestionnaire()
{
    openWindow();
    QuestionDialog *questions = m_window->questionDialog();
    get<QAction>("actionQuestions")->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(questions));
    QWindow *window = questions->windowHandle();
    QVERIFY(window->flags() & Qt::WindowStaysOnTopHint);

    get<QToolButton>("toolButton_2")->click();
    QVERIFY(m_window->colorDialog()->isVisible());
    QVERIFY(!(window->flags() & Qt::WindowStaysOnTopHint));
    QVERIFY(questions->isVisible());

    m_window->colorDialog()->reject();
    QTRY_VERIFY(window->flags() & Qt::WindowStaysOnTopHint);
}

void TestMainWindow::paletteWrapsAtEveryWidth_data()
{
    // Widths of the right-hand docks, one after the other, in palette grid
    // cells: narrow as in a window at its minimum, then wide again.
    QTest::addColumn<QList<int>>("cells");
    QTest::newRow("narrow, then wide again") << QList<int>{6, 9};
    QTest::newRow("wide, narrow, wide again") << QList<int>{9, 7, 8};
}

// After the window was shrunk to its minimum and maximised again, the
// palette kept the rows of the narrow width, with a horizontal scroll bar and
// its last colour cut off.
void TestMainWindow::paletteWrapsAtEveryWidth()
{
    QFETCH(QList<int>, cells);

    // The example's palette fills more than one row at every width the docks
    // can take.
    const QString example = QStringLiteral(FEATUREHUE_EXAMPLES_DIR "/chat");
    m_project = m_dir->filePath(QStringLiteral("chat"));
    QVERIFY(copyTree(example, m_project));
    openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QListWidget *palette = get<QListWidget>("listWidget");
    QVERIFY(palette->count() > 9);
    const QSize grid = palette->gridSize();
    auto *colors = get<QDockWidget>("dockWidget_colors");
    for (const int wanted : cells) {
        // Again until it holds: the docks' split after the window was shown
        // may still be on its way.
        QTRY_VERIFY([&] {
            if (palette->viewport()->width() / grid.width() == wanted)
                return true;
            m_window->resizeDocks({colors}, {colors->width() - palette->viewport()->width()
                                             + wanted * grid.width() + grid.width() / 2},
                                  Qt::Horizontal);
            return false;
        }());
        // Laid out anew a moment after its width changed: as many colours in
        // each row as its width holds, the rest below.
        QTRY_VERIFY2_WITH_TIMEOUT(
            [&] {
                for (int i = 0; i < palette->count(); ++i) {
                    const QPoint cell = palette->visualItemRect(palette->item(i)).center();
                    if (cell.x() / grid.width() != i % wanted
                        || cell.y() / grid.height() != i / wanted)
                        return false;
                }
                return true;
            }(),
            qPrintable(QStringLiteral("the palette's rows do not fill %1 cells").arg(wanted)),
            5000);
        QVERIFY(!palette->horizontalScrollBar()->isVisible());
    }
}

// Shrunk to its minimum and grown again, the window gave all the room back to
// the code: the palette and the feature model stayed narrow.
void TestMainWindow::rightDocksGetTheirWidthBack()
{
    openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto *model = get<QDockWidget>("dockWidget_featureModel");
    const QSize full = m_window->size();
    // Laid out at its full size first (the docks are split a moment after
    // the window was shown).
    QCoreApplication::processEvents();
    const int width = model->width();
    m_window->showNormal();
    m_window->resize(m_window->minimumSizeHint());
    QTRY_VERIFY(model->width() < width);
    m_window->resize(full);
    QTRY_COMPARE(model->width(), width);
}

void TestMainWindow::startupFillsFilePathsAndFoldsTrees()
{
    openWindow();
    auto *packages = get<SMVTreeWidget>("treeWidget_packageView");
    auto *features = get<SMVTreeWidget>("treeWidget_featureView");

    // Every file row of both trees knows its file, below the project folder.
    QMap<QString, QString> pathOfFile;
    int fileRows = 0;
    for (SMVTreeWidget *tree : {packages, features}) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            auto *node = dynamic_cast<STNode *>(*it);
            QVERIFY(node);
            if (node->kind() != STNode::File)
                continue;
            ++fileRows;
            pathOfFile.insert(node->text(0), node->filePath());
        }
    }
    QVERIFY(fileRows >= 2);
    QCOMPARE(pathOfFile.value(QStringLiteral("Client.java")),
             m_project + QStringLiteral("/src/chat/Client.java"));
    QCOMPARE(pathOfFile.value(QStringLiteral("Main.java")),
             m_project + QStringLiteral("/src/Main.java"));
    QVERIFY(!pathOfFile.contains(QStringLiteral("notes.txt")));

    // The package view is open down to the folders below the project; the
    // feature view shows its feature rows closed.
    QCOMPARE(packages->topLevelItemCount(), 1);
    QTreeWidgetItem *project = packages->topLevelItem(0);
    QVERIFY(project->isExpanded());
    QTreeWidgetItem *src = project->child(0);
    QCOMPARE(src->text(0), QStringLiteral("src"));
    QVERIFY(src->isExpanded());
    QTreeWidgetItem *chat = src->child(0);
    QCOMPARE(chat->text(0), QStringLiteral("chat"));
    QVERIFY(!chat->isExpanded());
    QVERIFY(features->topLevelItemCount() > 0);
    for (int i = 0; i < features->topLevelItemCount(); ++i)
        QVERIFY(!features->topLevelItem(i)->isExpanded());
}

void TestMainWindow::filePaths_data()
{
    QTest::addColumn<QStringList>("chain"); // top-level row first, leaf last
    QTest::addColumn<QString>("relative");

    QTest::newRow("project name is not part of the path")
        << QStringList{"P", "src", "x", "A.java"} << "src/x/A.java";
    QTest::newRow("file directly under the project") << QStringList{"P", "main.c"} << "main.c";
    QTest::newRow("a lone top-level row is its own path") << QStringList{"lone.h"} << "lone.h";
    QTest::newRow("names with spaces and umlauts are kept")
        << QStringList{"P", "Über Ordner", "Datei.java"} << "Über Ordner/Datei.java";
    QTest::newRow("deep nesting")
        << QStringList{"P", "a", "b", "c", "d", "e.h"} << "a/b/c/d/e.h";
}

void TestMainWindow::filePaths()
{
    QFETCH(QStringList, chain);
    QFETCH(QString, relative);

    openWindow();
    SMVTreeWidget *tree = get<SMVTreeWidget>("treeWidget_packageView");
    tree->clear();
    auto *top = new STNode(tree->invisibleRootItem());
    top->setText(0, chain.first());
    STNode *leaf = top;
    for (int i = 1; i < chain.size(); ++i) {
        leaf = new STNode(leaf);
        leaf->setText(0, chain.at(i));
    }
    // A second, shorter branch: every leaf gets its path, inner rows none.
    STNode *sibling = nullptr;
    if (chain.size() > 1) {
        sibling = new STNode(top);
        sibling->setText(0, QStringLiteral("other.c"));
    }

    m_window->fillFilePaths();
    QCOMPARE(leaf->filePath(), m_project + QLatin1Char('/') + relative);
    if (sibling) {
        QCOMPARE(sibling->filePath(), m_project + QStringLiteral("/other.c"));
        QVERIFY(top->filePath().isEmpty());
    }
}

void TestMainWindow::reminderCountsUpInFifteens()
{
    openWindow();
    QStringList texts;
    QStringList titles;
    QList<QMessageBox::StandardButtons> buttons;
    {
        ModalCloser first([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            texts << box->text();
            titles << box->windowTitle();
            buttons << box->standardButtons();
            box->close();
        });
        m_window->showTimeMessage();
        QCOMPARE(first.handled(), 1);
    }
    {
        ModalCloser second([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            texts << box->text();
            box->close();
        });
        m_window->showTimeMessage();
        QCOMPARE(second.handled(), 1);
    }

    QCOMPARE(texts, (QStringList{QStringLiteral("15 Minuten sind um!"),
                                 QStringLiteral("30 Minuten sind um!")}));
    QCOMPARE(titles.first(), QString());
    QCOMPARE(buttons.first(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestMainWindow::reminderRaisesTheQuestionnaire_data()
{
    QTest::addColumn<bool>("resumed");
    QTest::addColumn<bool>("finishedQuestionnaire");
    QTest::newRow("new participant: brought to the front") << false << false;
    QTest::newRow("resumed participant: left alone") << true << false;
    QTest::newRow("finished participant: left alone") << false << true;
}

void TestMainWindow::reminderRaisesTheQuestionnaire()
{
    QFETCH(bool, resumed);
    QFETCH(bool, finishedQuestionnaire);

    openWindow();
    QuestionDialog *questions = m_window->questionDialog();
    if (finishedQuestionnaire) {
        // No questions.txt: signing in turns "Weiter" into "Fertig!".
        get<QAction>("actionQuestions")->trigger();
        auto *next = questions->findChild<QPushButton *>(QStringLiteral("pushButton_next"));
        QTest::keyClicks(questions->findChild<QLineEdit *>(QStringLiteral("lineEdit_account")),
                         QStringLiteral("p12"));
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(questions->answersFinal());
        QVERIFY(!questions->isVisible());
    }
    questions->resumed = resumed;
    const Qt::WindowFlags before = questions->windowFlags();
    const Qt::WindowFlags raised = Qt::CustomizeWindowHint | Qt::WindowMinimizeButtonHint;

    bool visibleDuringMessage = false;
    Qt::WindowFlags duringMessage;
    ModalCloser closer([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        visibleDuringMessage = questions->isVisible();
        duringMessage = questions->windowFlags();
        box->close();
    });
    m_window->showTimeMessage();
    QCOMPARE(closer.handled(), 1);

    if (resumed || finishedQuestionnaire) {
        QCOMPARE(questions->windowFlags(), before);
        QVERIFY(!visibleDuringMessage);
        QVERIFY(!questions->isVisible());
    } else {
        // Shown, but not on top, while the message is up; on top afterwards.
        QVERIFY(visibleDuringMessage);
        QCOMPARE(duringMessage & raised, raised);
        QVERIFY(!(duringMessage & Qt::WindowStaysOnTopHint));
        QVERIFY(questions->isVisible());
        QCOMPARE(questions->windowFlags() & (raised | Qt::WindowStaysOnTopHint),
                 raised | Qt::WindowStaysOnTopHint);
    }
}

void TestMainWindow::reminderTimerRepeatsEveryFifteenMinutes()
{
    openWindow();
    auto *timer = m_window->findChild<QTimer *>(QStringLiteral("reminderTimer"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 15 * 60 * 1000);
    QVERIFY(!timer->isSingleShot());
    QVERIFY(timer->isActive());

    // Its timeout is what shows the reminder.
    QString text;
    ModalCloser closer([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        text = box->text();
        box->close();
    });
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(text, QStringLiteral("15 Minuten sind um!"));
}

void TestMainWindow::dockMemo_data()
{
    QTest::addColumn<bool>("featureModel");
    QTest::addColumn<bool>("colors");
    QTest::addColumn<bool>("colorAssignments");
    QTest::addColumn<bool>("floatColors");

    QTest::newRow("all visible") << true << true << true << false;
    QTest::newRow("none visible") << false << false << false << false;
    QTest::newRow("only colours") << false << true << false << false;
    QTest::newRow("feature model and save/load") << true << false << true << false;
    QTest::newRow("floating colours come back") << true << true << false << true;
}

void TestMainWindow::dockMemo()
{
    QFETCH(bool, featureModel);
    QFETCH(bool, colors);
    QFETCH(bool, colorAssignments);
    QFETCH(bool, floatColors);

    openWindow();
    QDockWidget *docks[] = {get<QDockWidget>("dockWidget_featureModel"), get<QDockWidget>("dockWidget_colors"),
                            get<QDockWidget>("dockWidget_colorAssignments")};
    const bool wanted[] = {featureModel, colors, colorAssignments};
    if (floatColors)
        get<QDockWidget>("dockWidget_colors")->setFloating(true);
    for (int i = 0; i < 3; ++i)
        docks[i]->setVisible(wanted[i]);

    m_window->hide();
    // While the window is away, the system may take its docks away as well
    // (floating ones are windows of their own).
    for (QDockWidget *dock : docks)
        dock->hide();
    m_window->show();

    for (int i = 0; i < 3; ++i) {
        QCOMPARE(docks[i]->isVisible(), wanted[i]);
    }
    QCOMPARE(get<QAction>("actionFeature_Model")->isChecked(), featureModel);
    QCOMPARE(get<QAction>("actionColorPicker")->isChecked(), colors);
    QCOMPARE(get<QAction>("actionSave_Load")->isChecked(), colorAssignments);
    QCOMPARE(get<QDockWidget>("dockWidget_colors")->isFloating(), floatColors);
}

void TestMainWindow::closingSetsTheQuestionnaireFinished()
{
    openWindow();
    QuestionDialog *questions = m_window->questionDialog();
    get<QAction>("actionQuestions")->trigger();
    QVERIFY(questions->isVisible());
    QVERIFY(!questions->finished);

    QVERIFY(m_window->close());
    QVERIFY(questions->finished);
    QVERIFY(!questions->isVisible());
    QVERIFY(!m_window->isVisible());
}

void TestMainWindow::destroyingWithTheFinderShown_data()
{
    QTest::addColumn<bool>("floating");
    QTest::addColumn<bool>("reportsHidden"); // a floating finder is a window of its own
    QTest::newRow("finder docked into the window") << false << true;
    QTest::newRow("finder floating") << true << false;
}

void TestMainWindow::destroyingWithTheFinderShown()
{
    QFETCH(bool, floating);
    QFETCH(bool, reportsHidden);

    openWindow();
    auto *finder = get<QDockWidget>("dockWidget_finder");
    finder->setFloating(floating);
    finder->show();
    QVERIFY(finder->isVisible());

    // The finder reports itself hidden while the window is torn down; that
    // must not reach the window's slots any more.
    QSignalSpy visibility(finder, &QDockWidget::visibilityChanged);
    m_window.reset();
    QCOMPARE(!visibility.isEmpty(), reportsHidden);
    if (reportsHidden)
        QCOMPARE(visibility.last().first().toBool(), false);
}

void TestMainWindow::returnSearchesTheFeatureModel_data()
{
    enum { ToField, ToWindow };
    QTest::addColumn<int>("receiver");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("finderFocused");
    QTest::addColumn<bool>("searched");

    QTest::newRow("Return typed in the feature search field")
        << int(ToField) << int(Qt::Key_Return) << false << true;
    QTest::newRow("Return reaching the window") << int(ToWindow) << int(Qt::Key_Return) << false
                                                << true;
    QTest::newRow("Return while the finder dock has the focus")
        << int(ToWindow) << int(Qt::Key_Return) << true << false;
    QTest::newRow("keypad Enter is not Return") << int(ToWindow) << int(Qt::Key_Enter) << false
                                                << false;
    QTest::newRow("other keys do not search") << int(ToField) << int(Qt::Key_A) << false << false;
}

void TestMainWindow::returnSearchesTheFeatureModel()
{
    QFETCH(int, receiver);
    QFETCH(int, key);
    QFETCH(bool, finderFocused);
    QFETCH(bool, searched);

    openWindow();
    auto *field = get<QLineEdit>("lineEdit_featureSearch");
    field->setText(QStringLiteral("cRYp"));
    FeatureTreeWidget *tree = m_window->featureTree();
    QVERIFY(tree->selectedItems().isEmpty());

    if (finderFocused) {
        auto *finder = get<QDockWidget>("dockWidget_finder");
        finder->setFloating(false);
        finder->show();
        // Shown in the window, Find's own Return shortcut would take the key
        // first; this row is about the window's key handler.
        get<QPushButton>("pushButton_find")->setEnabled(false);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        finder->setFocus();
        QVERIFY(finder->hasFocus());
    }

    if (receiver == 0) {
        // The field passes Return on; it travels up to the window.
        QTest::keyClick(field, Qt::Key(key));
    } else {
        // Straight to the window, as a key the focused child passed on.
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(m_window.get(), &press);
    }

    const QList<QTreeWidgetItem *> selected = tree->selectedItems();
    if (searched) {
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first()->text(0), QStringLiteral("Crypt"));
    } else {
        QVERIFY(selected.isEmpty());
    }
}

void TestMainWindow::languageChangeRetranslates()
{
    openWindow();
    auto *colors = get<QDockWidget>("dockWidget_colors");
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    QTRY_COMPARE(colors->windowTitle(), QStringLiteral("#Colors"));
    QCOMPARE(get<QMenu>("menuAnsicht")->title(), QStringLiteral("#Show"));
    QCOMPARE(get<QPushButton>("pushButton_find")->text(), QStringLiteral("#Find"));
    QCOMPARE(get<QAction>("actionSave_Load")->text(), QStringLiteral("#Save / Load"));

    QVERIFY(QCoreApplication::removeTranslator(&translator));
    QTRY_COMPARE(colors->windowTitle(), QStringLiteral("Colors"));
    // Retranslating sets texts only: the placeholder tabs stay removed and
    // the hidden finder stays hidden.
    QCOMPARE(get<QTabWidget>("tabWidget")->count(), 0);
    QVERIFY(get<QDockWidget>("dockWidget_finder")->isHidden());
}

void TestMainWindow::folderDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("writable");
    QTest::newRow("cancelled: nothing is built, shown or written") << false << true;
    QTest::newRow("chosen folder becomes the project folder") << true << true;
    QTest::newRow("chosen folder that takes no files: refused, nothing built") << true << false;
}

void TestMainWindow::folderDialog()
{
    QFETCH(bool, accept);
    QFETCH(bool, writable);

    QString caption;
    bool directoriesOnly = false;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString refusal;
    ModalCloser answer([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            refusal = box->text();
            box->close();
            return;
        }
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        caption = dialog->windowTitle();
        directoriesOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
        mode = dialog->fileMode();
        if (accept) {
            dialog->setDirectory(m_dir->path());
            dialog->selectFile(m_project);
            static_cast<QDialog *>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });
    // An empty folder names the study files after the file system's root.
    const QString rootLog = QStringLiteral("/_tester_log.txt");
    const bool rootLogBefore = QFile::exists(rootLog);
    const QStringList workingFilesBefore = QDir().entryList(QDir::Files);
    const QStringList projectBefore =
        QDir(m_project).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    {
        // A folder of someone else, as a participant's account sees it (also
        // when the tests run as root).
        std::unique_ptr<ReadOnlyFolder> readOnly;
        if (!writable) {
            readOnly = std::make_unique<ReadOnlyFolder>(m_dir->path());
            QVERIFY(readOnly->isActive());
        }
        m_window = std::make_unique<MainWindow>();
    }
    QCOMPARE(answer.handled(), writable ? 1 : 2);

    QCOMPARE(caption, QStringLiteral("Open project folder"));
    QVERIFY(directoriesOnly);
    QCOMPARE(mode, QFileDialog::Directory);
    if (!accept) {
        QVERIFY(!m_window->hasProject());
        QVERIFY(!m_window->form());
        QVERIFY(!m_window->isVisible());
        // Whatever would log goes nowhere: no questionnaire, no file.
        m_window->log(QStringLiteral("fileOpened"));
        m_window->close();
        m_window.reset();
        QCOMPARE(QFile::exists(rootLog), rootLogBefore);
        QCOMPARE(QDir().entryList(QDir::Files), workingFilesBefore);
        return;
    }
    if (!writable) {
        // Said before anyone signs in, naming the folder and why; no window,
        // no questionnaire, and not a file in the folder.
        QVERIFY(!m_window->hasProject());
        QVERIFY(m_window->folderRefused());
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_window->questionDialog());
        QVERIFY2(refusal.contains(m_project), qPrintable(refusal));
        QVERIFY(refusal.section(m_project, 1).trimmed().size() > 1);
        QCOMPARE(
            QDir(m_project).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            projectBefore);
        return;
    }
    QVERIFY(!m_window->folderRefused());
    QVERIFY(refusal.isEmpty());
    QVERIFY(m_window->hasProject());
    QVERIFY(m_window->form());
    QVERIFY(m_window->isVisible());
    QCOMPARE(ProjectFolder::path(), m_project);
    QCOMPARE(m_window->featureTree()->features()->size(), miniFeatureCount);
}

void TestMainWindow::saveButtonPreview_data()
{
    // Features (by position in the feature list) in the order they are given
    // palette colours (the k-th assignment takes palette colour k).
    QTest::addColumn<QList<int>>("assigned");
    // The features whose colours the four squares must show, in square order.
    QTest::addColumn<QList<int>>("shown");

    QTest::newRow("no coloured feature: the plain picture") << QList<int>{} << QList<int>{};
    QTest::newRow("one colour fills the first square") << QList<int>{2} << QList<int>{2};
    QTest::newRow("squares follow the feature list, not the assignments")
        << QList<int>{5, 1, 3} << QList<int>{1, 3, 5};
    QTest::newRow("four colours fill all squares")
        << QList<int>{0, 1, 2, 3} << QList<int>{0, 1, 2, 3};
    QTest::newRow("a fifth and sixth colour do not appear")
        << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{0, 1, 2, 3};
}

void TestMainWindow::saveButtonPreview()
{
    QFETCH(QList<int>, assigned);
    QFETCH(QList<int>, shown);

    openWindow();
    ColorManager *manager = m_window->colorManager();
    FeatureList *features = m_window->featureTree()->features();
    QCOMPARE(features->size(), miniFeatureCount);
    QVERIFY(manager->ColorArray.size() >= assigned.size());
    QHash<int, QColor> colorOfFeature;
    for (int k = 0; k < assigned.size(); ++k) {
        PaletteColor *color = manager->ColorArray.at(k);
        QVERIFY(manager->assignColor(&(*features)[assigned.at(k)], color));
        colorOfFeature.insert(assigned.at(k), color->color());
    }
    m_window->drawSaveButtonPreview();

    // Both sides premultiplied, as pixmaps store them, so half-transparent
    // shadow pixels compare without rounding differences.
    const QImage picture = QImage(QStringLiteral(":/images/schatten.png"))
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QVERIFY(!picture.isNull());
    const QImage preview = get<QToolButton>("toolButton_save")->icon().pixmap(picture.size())
                               .toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(preview.size(), picture.size());

    // Square i covers the corners (x, y) to (x + 13, y + 13).
    const QPoint origins[] = {{0, 0}, {15, 0}, {0, 15}, {15, 15}};
    for (int i = 0; i < 4; ++i) {
        const QPoint o = origins[i];
        const QPoint inside[] = {o, o + QPoint(13, 0), o + QPoint(0, 13), o + QPoint(13, 13),
                                 o + QPoint(6, 7)};
        for (const QPoint &p : inside) {
            // The palette colours are opaque, so premultiplying leaves them as they are.
            const QRgb expected = i < shown.size() ? colorOfFeature.value(shown.at(i)).rgba()
                                                   : picture.pixel(p);
            QVERIFY2(preview.pixel(p) == expected,
                     qPrintable(QStringLiteral("square %1 at (%2, %3): %4, expected %5")
                                    .arg(i).arg(p.x()).arg(p.y())
                                    .arg(preview.pixel(p), 8, 16).arg(expected, 8, 16)));
        }
    }
    // The gaps between the squares and the margin keep the picture.
    const QPoint untouched[] = {{14, 0}, {14, 14}, {0, 14}, {28, 14}, {29, 29}, {34, 0}, {0, 34}};
    for (const QPoint &p : untouched)
        QCOMPARE(preview.pixel(p), picture.pixel(p));
}

void TestMainWindow::logGoesToTheQuestionnaire()
{
    openWindow();
    QuestionDialog *questions = m_window->questionDialog();
    const QString logFile = questions->logFilePath();
    QVERIFY(logFile.startsWith(m_project + QLatin1Char('/')));

    auto *packages = get<SMVTreeWidget>("treeWidget_packageView");
    packages->setCursor(Qt::WaitCursor);
    m_window->log(QStringLiteral("firstAction<1>"), QString());
    m_window->log(QStringLiteral("secondAction"));
    // Every entry also ends the wait cursor of the action that logged it.
    QCOMPARE(packages->cursor().shape(), Qt::ArrowCursor);

    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY2(text.contains(QLatin1String("firstAction<1>")), qPrintable(text));
    QVERIFY(text.indexOf(QLatin1String("secondAction")) > text.indexOf(QLatin1String("firstAction")));

    // Once the window is closed the study is over and nothing more is logged.
    QVERIFY(m_window->close());
    m_window->log(QStringLiteral("afterClosing"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!QString::fromUtf8(file.readAll()).contains(QLatin1String("afterClosing")));
}

void TestMainWindow::exampleProjectStarts()
{
    const QString example = QStringLiteral(FEATUREHUE_EXAMPLES_DIR "/chat");
    if (!QFileInfo::exists(example + QStringLiteral("/annotations.xml")))
        QSKIP("the example project is not in this tree");
    m_project = m_dir->filePath(QStringLiteral("chat"));
    QVERIFY(copyTree(example, m_project));

    openWindow();
    const int features = int(m_window->featureTree()->features()->size());
    QVERIFY(features > 1);
    QCOMPARE(get<QListWidget>("listWidget")->count(), features);
    QVERIFY(get<SMVTreeWidget>("treeWidget_packageView")->topLevelItemCount() > 0);
    QVERIFY(get<SMVTreeWidget>("treeWidget_featureView")->topLevelItemCount() > 0);
    QVERIFY(!get<QToolButton>("toolButton_save")->icon().isNull());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
