#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "core/study/studyinputs.h"
#include "core/study/studysession.h"
#include "ui/colors/colorsync.h"
#include "ui/mainwindow/conditionlook.h"
#include "ui/mainwindow/viewrecorder.h"
#include "ui/search/currentfilesearch.h"
#include "ui/mainwindow/filetabs.h"
#include "ui/search/searchresults.h"
#include "ui/mainwindow/windowstudyviewer.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/palettecolor.h"
#include "ui/featuretree/featuretreewidget.h"
#include "core/model/projectfolder.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/stnode.h"
#include "ui/structure/treepaths.h"
#include "ui/questionnaire/questiondialog.h"
#include "ui/mainwindow/floatingdockguard.h"
#include "core/study/writablefolder.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QTabBar>
#include <QTimer>

#include <algorithm>

namespace {

// Every 15 minutes the participant is told how much time has passed.
constexpr int reminderIntervalMs = 15 * 60 * 1000;
constexpr int reminderMinutes = 15;

// The save button's preview: up to four squares of the first coloured
// features, in corner form, on the shadow picture.
const QRect previewSquares[] = {
    QRect(QPoint(0, 0), QPoint(13, 13)),
    QRect(QPoint(15, 0), QPoint(28, 13)),
    QRect(QPoint(0, 15), QPoint(13, 28)),
    QRect(QPoint(15, 15), QPoint(28, 28)),
};
constexpr int previewColorLimit = 5;
constexpr int previewPictureSize = 35;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Open project folder"), QString(), QFileDialog::ShowDirsOnly);
    ProjectFolder::setPath(folder);
    // Cancelled: an empty folder would name the study files after the file
    // system's root ("/_<user>_log.txt"), so nothing is built.
    if (folder.isEmpty() || !acceptStudyFolder(folder))
        return;
    setUp();
}

MainWindow::MainWindow(const QString &projectFolder, QWidget *parent)
    : MainWindow(projectFolder, Purpose::Sitting, parent)
{
}

MainWindow::MainWindow(const QString &projectFolder, Purpose purpose, QWidget *parent)
    : QMainWindow(parent), m_purpose(purpose)
{
    ProjectFolder::setPath(projectFolder);
    // A replay only reads the folder.
    if (m_purpose == Purpose::Sitting && !acceptStudyFolder(projectFolder))
        return;
    setUp();
}

bool MainWindow::acceptStudyFolder(const QString &folder)
{
    // A sitting in a folder that takes no files would lose the log and the
    // answers without a word; it does not start.
    const QString problem = WritableFolder::problem(folder);
    if (problem.isEmpty())
        return true;
    m_folderRefused = true;
    // No parent: the window is not shown, and the message stands in the
    // middle of the screen.
    QMessageBox::critical(
        nullptr, QStringLiteral("featurehue"),
        QStringLiteral("The study folder cannot be written:\n\n%1\n\n%2.\n\n"
                       "No sitting can start in it: the participant's log and answers could "
                       "not be saved. Copy the folder to a place you may write to, or get "
                       "write permission for it, and start again.")
            .arg(QDir::toNativeSeparators(folder), problem));
    return false;
}

MainWindow::~MainWindow()
{
    // Widgets torn down below and by the base class still emit signals (a
    // docked finder reports itself hidden, the tab widget its new current
    // tab); none of them may reach the slots of this half-destroyed window.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    if (m_questionDialog)
        disconnect(m_questionDialog, nullptr, this, nullptr);

    // The recorder watches the tabs and the questionnaire: it goes first.
    m_viewRecorder.reset();
    m_colorSync.reset();
    delete m_form;
    m_form = nullptr;
    // The feature tree sits in the Feature Model dock as a child widget; it is
    // deleted here, before the base class deletes the children, so it goes
    // exactly once and before the colours its rows point to.
    m_featureTree.reset();
    m_colorManager.reset();
    m_projectReader.reset();
    // The questionnaire has no parent; it goes while the widgets it watches
    // still exist.
    delete m_questionDialog;
    m_questionDialog = nullptr;
}

void MainWindow::setUp()
{
    const QString folder = ProjectFolder::path();
    // A study design with errors stops the viewer before anyone signs in.
    if (m_purpose == Purpose::Sitting && !admitStudyDesign(folder))
        return;

    m_form = new Ui::MainWindowForm;
    m_form->setupUi(this);
    m_form->treeWidget_featureView->setFeatureView(true);

    buildFeatureTree(folder);
    buildColorManager();
    readProject(folder);
    fillPaletteList();
    m_colorDialog = new QColorDialog(this);
    prepareForm();
    buildHelpers();
    connectForm();

    m_detachedPaletteItem = std::make_unique<QListWidgetItem>();
    m_detachedFeatureItem = std::make_unique<QTreeWidgetItem>();
    m_paletteItemUnderMenu = m_detachedPaletteItem.get();
    m_featureItemUnderMenu = m_detachedFeatureItem.get();

    foldTrees();
    if (m_purpose == Purpose::Sitting) {
        createQuestionnaire(folder);
    } else {
        // Nothing that writes into the folder: no questionnaire (log and
        // answers), no saved assignments.
        m_form->actionQuestions->setVisible(false);
        m_form->toolButton_save->hide();
    }

    m_featureSearchPosition = m_featureTree->topLevelItem(0);
    m_lastFeatureSearch.clear();

    showMaximized();
    if (m_purpose == Purpose::Sitting)
        startReminder();
}

void MainWindow::buildFeatureTree(const QString &folder)
{
    // The feature tree reads the model while it is constructed and keeps
    // nothing of the file object.
    QFile modelFile(folder + QStringLiteral("/model.m"));
    m_featureTree = std::make_unique<FeatureTreeWidget>(this, &modelFile, m_form->listWidget,
                                                        nullptr);
    connect(m_featureTree.get(), &FeatureTreeWidget::actionLogged, this,
            [this](const QString &action) { log(action); });
    connect(m_featureTree.get(), &FeatureTreeWidget::featureColorChanged, this,
            &MainWindow::refreshFeature);
    m_form->frame_featureModel->layout()->addWidget(m_featureTree.get());
    m_featureTree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_featureTree->buildFeatureList();
}

void MainWindow::buildColorManager()
{
    FeatureList *features = m_featureTree->features();
    m_colorManager = std::make_unique<ColorManager>(features, int(features->size()));
    m_featureTree->setColorManager(m_colorManager.get());
    for (SMVTreeWidget *tree : {m_form->treeWidget_packageView, m_form->treeWidget_featureView}) {
        tree->setColorManager(m_colorManager.get());
        tree->setFeatureTree(m_featureTree.get());
    }
}

void MainWindow::readProject(const QString &folder)
{
    m_projectReader = std::make_unique<ProjectReader>(m_form->treeWidget_packageView,
                                                      m_form->treeWidget_featureView,
                                                      m_featureTree->features());
    // Nothing writes into the folder while the window starts.
    m_projectReader->setCountLinesAhead(true);
    m_projectReader->readProjectFile(folder + QStringLiteral("/annotations.xml"));
    m_projectReader->computeLineCounts(folder);
    m_projectReader->completeTrees([this] { fillFilePaths(); });
}

void MainWindow::prepareForm()
{
    // The form's two placeholder pages.
    m_form->tabWidget->removeTab(0);
    m_form->tabWidget->removeTab(0);

    m_featureModelDockVisible = false;
    m_colorsDockVisible = false;
    m_colorAssignmentsDockVisible = false;
    m_form->dockWidget_finder->hide();
    m_form->dockWidget_finder->setFloating(true);
    // A double-click on its title would dock the finder for good.
    new FloatingDockGuard(m_form->dockWidget_finder);
    // Laid out again whenever its width changes, the palette wraps at every
    // width instead of keeping the rows it was first given.
    m_form->listWidget->setResizeMode(QListView::Adjust);
}

void MainWindow::buildHelpers()
{
    m_tabs = std::make_unique<FileTabs>(m_form->tabWidget);
    m_currentFileSearch = std::make_unique<CurrentFileSearch>();
    m_searchResults = std::make_unique<SearchResults>(m_form->listWidget_results);
    ColorSync::Parts colored;
    colored.colors = m_colorManager.get();
    colored.featureTree = m_featureTree.get();
    colored.reader = m_projectReader.get();
    colored.packageView = m_form->treeWidget_packageView;
    colored.featureView = m_form->treeWidget_featureView;
    colored.tabs = m_tabs.get();
    colored.drawPreview = [this] { drawSaveButtonPreview(); };
    colored.changed = [this] {
        if (m_viewRecorder)
            m_viewRecorder->coloursChanged();
    };
    m_colorSync = std::make_unique<ColorSync>(colored);
}

void MainWindow::connectForm()
{
    const Ui::MainWindowForm *f = m_form;
    connect(f->pushButton_find, &QPushButton::pressed, this, &MainWindow::search);
    connect(f->listWidget_results, &QListWidget::itemPressed,
            this, &MainWindow::openFileFromListWidget);
    connect(f->radioButton_project, &QRadioButton::toggled, this, &MainWindow::resetLastSearch);
    connect(f->checkBox_caseSensitive, &QCheckBox::toggled, this, &MainWindow::resetLastSearch);
    connect(f->checkBox_wholeWords, &QCheckBox::toggled, this, &MainWindow::resetLastSearch);
    connect(f->radioButton_features, &QRadioButton::toggled, this, &MainWindow::explorerToggled);
    connect(f->toolButton_auto, &QToolButton::clicked,
            m_featureTree.get(), &FeatureTreeWidget::assignAutomatically);
    connect(f->pushButton, &QPushButton::clicked, this, &MainWindow::showColorArray);
    connect(f->toolButton_2, &QToolButton::clicked, this, &MainWindow::customColorDialog);
    connect(m_colorDialog, &QColorDialog::finished, this, &MainWindow::closeCustomColorDialog);
    connect(f->listWidget, &QListWidget::customContextMenuRequested,
            this, &MainWindow::showListWidgetContextMenu);
    connect(m_featureTree.get(), &FeatureTreeWidget::customContextMenuRequested,
            this, &MainWindow::showFeatureModelContextMenu);
    connect(f->pushButton_resetColors, &QPushButton::clicked, this, &MainWindow::resetListWidget);
    connect(f->toolButton_save, &QToolButton::clicked, this, &MainWindow::saveColors);
    connect(f->treeWidget_packageView, &SMVTreeWidget::itemDoubleClicked,
            this, &MainWindow::openFile);
    connect(f->treeWidget_featureView, &SMVTreeWidget::itemDoubleClicked,
            this, &MainWindow::openFile);
    connect(f->tabWidget, &QTabWidget::tabCloseRequested, this, &MainWindow::closeTab);
    connect(f->treeWidget_packageView, &SMVTreeWidget::itemPressed,
            this, &MainWindow::showFeatureFractureList);
    connect(f->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::updateTabColors);
    connect(f->horizontalSlider, &QSlider::valueChanged, this, &MainWindow::setFeatureOpacity);
    connect(f->toolButton_finder, &QToolButton::clicked, this, &MainWindow::showFinder);
    connect(f->toolButton_removeAssignment, &QToolButton::clicked,
            m_featureTree.get(), &FeatureTreeWidget::removeColorAssignmentFromSelection);
    connect(f->horizontalSlider, &QSlider::sliderReleased,
            this, &MainWindow::writeToLogSaturationChanged);
    connect(f->toolButton_featureSearch, &QToolButton::clicked,
            this, &MainWindow::searchInFeatureModel);
    connect(f->dockWidget_finder, &QDockWidget::visibilityChanged, this, &MainWindow::removeFinds);
    connect(f->actionColorSaves, &QAction::triggered, this, &MainWindow::loadColors);
}

void MainWindow::foldTrees()
{
    m_form->treeWidget_packageView->expandToDepth(1);
    // Blocks made on unfolding come unfolded; those made at once are
    // unfolded here, with the feature rows folded again.
    if (!m_projectReader->makesBlocksOnUnfolding()) {
        m_form->treeWidget_featureView->expandAll();
        // From the last one: collapsing a row moves the rows shown after it,
        // and with thousands of features those are few only from the end.
        for (int i = m_form->treeWidget_featureView->topLevelItemCount() - 1; i >= 0; --i)
            m_form->treeWidget_featureView->topLevelItem(i)->setExpanded(false);
    }
    m_form->treeWidget_packageView->setIndentation(12);
    m_form->treeWidget_featureView->setIndentation(12);

    m_form->pushButton_resetColors->hide();
    m_form->dockWidget->hide();
    // The tool bar has no actions; shown, it is only an empty strip with a grip.
    m_form->mainToolBar->hide();
}

void MainWindow::createQuestionnaire(const QString &folder)
{
    m_studyViewer = std::make_unique<WindowStudyViewer>(
        m_form->tabWidget,
        QList<QWidget *>{m_form->treeWidget_packageView, m_form->treeWidget_featureView,
                         m_form->dockWidget_finder, m_form->listWidget_results});
    m_questionDialog = new QuestionDialog(folder, m_studyViewer.get());
    // Also after a resume, when the dialog no longer stays on top and a click
    // on the window hides it: the action must bring it back to the keyboard.
    connect(m_form->actionQuestions, &QAction::triggered,
            m_questionDialog, &QuestionDialog::bringToFront);
    setUpStudy();
}

void MainWindow::startReminder()
{
    m_elapsedMinutes = 0;
    m_reminderTimer = new QTimer(this);
    m_reminderTimer->setObjectName(QStringLiteral("reminderTimer"));
    connect(m_reminderTimer, &QTimer::timeout, this, &MainWindow::showTimeMessage);
    m_reminderTimer->start(reminderIntervalMs);
}

void MainWindow::showFinder()
{
    QDockWidget *finder = m_form->dockWidget_finder;
    if (!m_finderPlaced && finder->isFloating()) {
        // Floating, the finder would open at the screen's corner, over the
        // menu and the tab titles; it goes beside the code instead, at the
        // top right of the file tabs' page area. Later it stays where the
        // participant puts it.
        QTabWidget *tabs = m_form->tabWidget;
        const int pageTop = tabs->tabBar()->isVisible() ? tabs->tabBar()->height() : 0;
        finder->adjustSize();
        const QPoint topRight = tabs->mapToGlobal(QPoint(tabs->width(), pageTop));
        finder->move(qMax(mapToGlobal(QPoint(0, 0)).x(), topRight.x() - finder->width()),
                     topRight.y());
        m_finderPlaced = true;
    }
    finder->show();
    finder->raise();
    finder->activateWindow();
    m_form->lineEdit_find->setFocus(Qt::ActiveWindowFocusReason);
}

void MainWindow::splitRightDocks()
{
    QDockWidget *model = m_form->dockWidget_featureModel;
    QDockWidget *colors = m_form->dockWidget_colors;
    QDockWidget *saves = m_form->dockWidget_colorAssignments;
    if (!isVisible() || dockWidgetArea(model) != Qt::RightDockWidgetArea
        || model->isFloating() || !model->isVisible())
        return;
    // The heights follow the palette's rows at the docks' final width. Once
    // only: whatever the layout made of the width stands then.
    if (!m_widthKept && keepRightDocksWidth()) {
        m_widthKept = true;
        splitRightDocksSoon();
        return;
    }
    m_widthKept = false;

    // The palette as tall as its colours need in the dock's width, plus one
    // free row, so none of them is cut off and no large blank stays.
    QListWidget *palette = m_form->listWidget;
    const QSize grid = palette->gridSize().isValid() ? palette->gridSize() : QSize(30, 30);
    const int perRow = qMax(1, palette->viewport()->width() / grid.width());
    const int rows = (palette->count() + perRow - 1) / perRow + 1;
    const int paletteHeight = rows * grid.height() + 2 * palette->frameWidth();

    QList<QDockWidget *> docks{model};
    QList<int> heights{0};
    int others = 0;
    if (colors->isVisible() && !colors->isFloating()
        && dockWidgetArea(colors) == Qt::RightDockWidgetArea) {
        const int height = colors->height() - palette->height() + paletteHeight;
        docks << colors;
        heights << height;
        others += height;
    }
    if (saves->isVisible() && !saves->isFloating()
        && dockWidgetArea(saves) == Qt::RightDockWidgetArea) {
        const int height = saves->sizeHint().height();
        docks << saves;
        heights << height;
        others += height;
    }
    int total = 0;
    for (const QDockWidget *dock : std::as_const(docks))
        total += dock->height();
    heights[0] = qMax(model->minimumSizeHint().height(), total - others);
    resizeDocks(docks, heights, Qt::Vertical);
}

bool MainWindow::keepRightDocksWidth()
{
    // Shrunk to its minimum, the window squeezes the docks; grown again, the
    // code area alone would take the room back. The docks get the width they
    // were first laid out with, as far as the code area can spare it.
    QDockWidget *model = m_form->dockWidget_featureModel;
    if (m_rightDocksWidth == 0) {
        m_rightDocksWidth = model->width();
        return false;
    }
    const QWidget *code = centralWidget();
    const int room = code->width() - code->minimumSizeHint().width();
    const int missing = qMin(m_rightDocksWidth - model->width(), room);
    if (missing <= 0)
        return false;
    resizeDocks({model}, {model->width() + missing}, Qt::Horizontal);
    return true;
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The window is shown at its form's size and maximised a moment later,
    // or at once, as the window manager pleases; the docks share the new
    // height by their old sizes, which gave a different split in each run.
    splitRightDocksSoon();
}

void MainWindow::splitRightDocksSoon()
{
    // Once the layout has settled at the new size: within a resize or show
    // event the docks may still have their old sizes.
    if (!m_form || m_splitPending)
        return;
    m_splitPending = true;
    QTimer::singleShot(0, this, [this] {
        m_splitPending = false;
        splitRightDocks();
    });
}

CodeView *MainWindow::currentCodeView() const
{
    return m_tabs ? m_tabs->current() : nullptr;
}

void MainWindow::fillFilePaths()
{
    forEachFilePath(m_form->treeWidget_packageView->invisibleRootItem(), ProjectFolder::path(),
                    [](QTreeWidgetItem *row, const QString &path) {
                        if (auto *node = dynamic_cast<STNode *>(row))
                            node->setFilePath(path);
                    });
}

void MainWindow::fillPaletteList()
{
    QListWidget *list = m_form->listWidget;
    list->clear();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    const QIcon blank(QStringLiteral(":/images/leer.png"));
    for (PaletteColor *color : std::as_const(m_colorManager->ColorArray)) {
        auto *item = new MyListWidgetItem(QString());
        item->setPaletteColor(color);
        item->setIcon(blank);
        list->addItem(item);
    }
    drawSaveButtonPreview();
}

void MainWindow::drawSaveButtonPreview()
{
    QList<QColor> colors;
    const ColorManager *manager = m_colorManager.get();
    for (const Feature &feature : std::as_const(*m_featureTree->features())) {
        const PaletteColor *color = feature.color();
        // A feature without a colour of its own is paired with one of the
        // greys; a record without a valid colour shows nothing either.
        if (manager ? manager->standsForNoColor(color) : (!color || !color->color().isValid()))
            continue;
        colors.append(color->color());
        if (colors.size() == previewColorLimit)
            break;
    }

    QPixmap preview(QStringLiteral(":/images/schatten.png"));
    if (preview.isNull()) {
        preview = QPixmap(previewPictureSize, previewPictureSize);
        preview.fill(Qt::transparent);
    }
    if (!colors.isEmpty()) {
        QPainter painter(&preview);
        const int squares = std::min<int>(int(colors.size()), std::size(previewSquares));
        // Filled exactly within the corners (14 by 14 pixels), so the
        // squares keep their one-pixel gaps.
        for (int i = 0; i < squares; ++i)
            painter.fillRect(previewSquares[i], colors.at(i));
    }
    m_form->toolButton_save->setIcon(QIcon(preview));
}

void MainWindow::log(const QString &action, const QString &fileName)
{
    if (m_questionDialog)
        m_questionDialog->writeToLog(action, fileName);
}

void MainWindow::showFeatureFractureList(QTreeWidgetItem *)
{
}

void MainWindow::showTimeMessage()
{
    // A finished questionnaire has nothing left to ask: only the time is told.
    if (!m_questionDialog)
        return;
    const bool raise = !m_questionDialog->resumed && !m_questionDialog->answersFinal();
    if (raise) {
        m_questionDialog->setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowMinimizeButtonHint);
        m_questionDialog->show();
    }
    m_elapsedMinutes += reminderMinutes;
    QMessageBox::information(this, QString(),
                             QString::number(m_elapsedMinutes) + QStringLiteral(" Minuten sind um!"),
                             QMessageBox::Ok);
    if (raise && !m_questionDialog->resumed) {
        m_questionDialog->setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint
                                         | Qt::WindowMinimizeButtonHint);
        m_questionDialog->show();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_questionDialog) {
        endSitting(true);
        m_questionDialog->finished = true;
        m_questionDialog->close();
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::hideEvent(QHideEvent *event)
{
    // The docks still report their own state here; the window is hidden first.
    if (!m_form) {
        QMainWindow::hideEvent(event);
        return;
    }
    m_featureModelDockVisible = m_form->dockWidget_featureModel->isVisible();
    m_colorsDockVisible = m_form->dockWidget_colors->isVisible();
    m_colorAssignmentsDockVisible = m_form->dockWidget_colorAssignments->isVisible();
    QMainWindow::hideEvent(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_form)
        return;
    // Shown at once at its final size, the window gets no later resize.
    splitRightDocksSoon();
    if (m_featureModelDockVisible)
        m_form->dockWidget_featureModel->show();
    if (m_colorsDockVisible)
        m_form->dockWidget_colors->show();
    if (m_colorAssignmentsDockVisible)
        m_form->dockWidget_colorAssignments->show();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange && m_form)
        m_form->retranslateUi(this);
    if (event->type() == QEvent::WindowStateChange)
        splitRightDocksSoon();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return && m_form && !m_form->dockWidget_finder->hasFocus())
        searchInFeatureModel();
    QMainWindow::keyPressEvent(event);
}
