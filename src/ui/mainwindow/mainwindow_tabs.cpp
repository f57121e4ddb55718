// The window's file tabs: opening a file from a structure tree or from the
// search results, finding an open file again, switching and closing tabs,
// and the log entries these write.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/mainwindow/conditionlook.h"
#include "ui/search/currentfilesearch.h"
#include "ui/mainwindow/filetabs.h"
#include "ui/search/searchresults.h"
#include "ui/codeview/codeview.h"
#include "core/model/projectfolder.h"
#include "ui/structure/stnode.h"

#include <QFile>
#include <QListWidget>
#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// A participant opens and closes many files in a sitting; the allocator
// would keep the memory of every closed view for later use.
void releaseFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// The "fileOpened" entry waits until the new tab has been built and painted.
constexpr int fileOpenedLogDelayMs = 10;

} // namespace

void MainWindow::openFile(QTreeWidgetItem *item)
{
    auto *node = dynamic_cast<STNode *>(item);
    if (!node || node->kind() != STNode::File)
        return;

    const QString title = node->text(0);
    const int open = m_tabs->find(title, node->filePath());
    if (open >= 0) {
        m_form->tabWidget->setCurrentIndex(open);
        return;
    }

    // Ended by the log entry of the opened file.
    m_form->treeWidget_packageView->setCursor(Qt::WaitCursor);
    m_form->treeWidget_featureView->setCursor(Qt::WaitCursor);

    openTab(node, node->filePath(), title);
}

CodeView *MainWindow::openTab(STNode *node, const QString &filePath, const QString &title)
{
    auto *view = new CodeView(m_featureTree.get(), node, this, new QFile(filePath),
                              m_form->horizontalSlider->value());
    if (m_conditionLook)
        m_conditionLook->prepare(view);
    // Shown first: the side bars and line numbers are laid out for the
    // view's real size.
    m_tabs->add(view, title);
    view->buildSideBars();
    view->buildLineNumbers();
    view->buildBackgrounds();
    QTimer::singleShot(fileOpenedLogDelayMs, this, &MainWindow::writeToLogFileOpened);
    return view;
}

void MainWindow::openFileFromListWidget(QListWidgetItem *item)
{
    if (!item)
        return;
    // A result row reads: hit count, "x at ...", path relative to the project.
    const QString text = item->text();
    const QString name = text.split(QLatin1Char('/')).constLast();
    const QString relative = text.split(QStringLiteral("x at ...")).constLast();
    const QString filePath = ProjectFolder::path() + relative;

    const int open = m_tabs->find(name, filePath);
    if (open >= 0) {
        m_form->tabWidget->setCurrentIndex(open);
        return;
    }

    m_form->dockWidget_finder->setCursor(Qt::WaitCursor);
    m_form->listWidget_results->setCursor(Qt::WaitCursor);

    // The pressed row itself picks the node; a row without one still opens
    // its file.
    openTab(m_searchResults->nodeOf(item), filePath, name);

    m_form->radioButton_current->setChecked(true);
}

void MainWindow::writeToLogFileOpened()
{
    QString relative;
    if (CodeView *view = currentCodeView()) {
        relative = ProjectFolder::relativePath(view->fileName());
        view->setJustOpened(false);
    }
    log(QStringLiteral("fileOpened"), relative);
}

void MainWindow::closeTab(int index)
{
    CodeView *view = m_tabs->viewAt(index);
    if (!view)
        return;

    log(QStringLiteral("fileClosed"), ProjectFolder::relativePath(view->fileName()));

    // The find marks live in the view's scene and go with it.
    if (view == m_currentFileSearch->view())
        removeFinds();

    m_tabs->remove(index);

    // A closed tab is never shown again; its view, scenes and file go now,
    // so a long session does not pile up views, and the memory they held
    // goes back to the system rather than staying with the allocator.
    connect(view, &QObject::destroyed, this, &releaseFreeMemory);
    view->deleteLater();
}

void MainWindow::updateTabColors(int index)
{
    if (index == -1)
        return;
    CodeView *view = m_tabs->viewAt(index);
    if (m_tabs->isStayingCurrent(view))
        return;

    removeFinds();
    if (!view)
        return;
    view->refreshAllColors();
    if (view->justOpened())
        return;
    log(QStringLiteral("selectionChanged"), ProjectFolder::relativePath(view->fileName()));
}
