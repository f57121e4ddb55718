// The window's file tabs: opening a file from a structure tree or from the
// search results, finding an open file again, switching and closing tabs,
// and the log entries these write.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "codeview/codeview.h"
#include "model/projectfolder.h"
#include "model/stnode.h"

#include <QFile>
#include <QListWidget>
#include <QPointer>
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

// While a tab other than the current one is being closed, the tab widget
// reports the current tab again under its new index; the current view did
// not change, so nothing is refreshed or logged for it.
QPointer<CodeView> viewStayingCurrent;

CodeView *viewAt(const QTabWidget *tabs, int index)
{
    return qobject_cast<CodeView *>(tabs->widget(index));
}

// The tab showing the given file under the given title, or -1.
int findTab(const QTabWidget *tabs, const QString &title, const QString &filePath)
{
    for (int i = 0; i < tabs->count(); ++i) {
        const CodeView *view = viewAt(tabs, i);
        if (view && tabs->tabText(i) == title && view->fileName() == filePath)
            return i;
    }
    return -1;
}

} // namespace

void MainWindow::openFile(QTreeWidgetItem *item)
{
    auto *node = dynamic_cast<STNode *>(item);
    if (!node || node->kind() != STNode::File)
        return;

    QTabWidget *tabs = m_form->tabWidget;
    const QString title = node->text(0);
    const int open = findTab(tabs, title, node->filePath());
    if (open >= 0) {
        tabs->setCurrentIndex(open);
        return;
    }

    // Ended by the log entry of the opened file.
    m_form->treeWidget_packageView->setCursor(Qt::WaitCursor);
    m_form->treeWidget_featureView->setCursor(Qt::WaitCursor);

    openTab(node, node->filePath(), title);
}

void MainWindow::openTab(STNode *node, const QString &filePath, const QString &title)
{
    QTabWidget *tabs = m_form->tabWidget;
    auto *view = new CodeView(m_featureTree.get(), node, this, new QFile(filePath),
                              m_form->horizontalSlider->value());
    // Shown first: the side bars and line numbers are laid out for the
    // view's real size.
    tabs->setCurrentIndex(tabs->addTab(view, title));
    view->buildSideBars();
    view->buildLineNumbers();
    view->buildBackgrounds();
    QTimer::singleShot(fileOpenedLogDelayMs, this, &MainWindow::writeToLogFileOpened);
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

    QTabWidget *tabs = m_form->tabWidget;
    const int open = findTab(tabs, name, filePath);
    if (open >= 0) {
        tabs->setCurrentIndex(open);
        return;
    }

    m_form->dockWidget_finder->setCursor(Qt::WaitCursor);
    m_form->listWidget_results->setCursor(Qt::WaitCursor);

    // The rows and the result nodes are parallel lists. The pressed row
    // itself picks the node; a row without one still opens its file.
    const int row = m_form->listWidget_results->row(item);
    STNode *node = row >= 0 && row < m_resultNodes.size() ? m_resultNodes.at(row) : nullptr;

    openTab(node, filePath, name);

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
    QTabWidget *tabs = m_form->tabWidget;
    CodeView *view = viewAt(tabs, index);
    if (!view)
        return;

    log(QStringLiteral("fileClosed"), ProjectFolder::relativePath(view->fileName()));

    // The find marks live in the view's scene and go with it.
    if (view == m_findView)
        removeFinds();

    if (index != tabs->currentIndex())
        viewStayingCurrent = currentCodeView();
    tabs->removeTab(index);
    viewStayingCurrent = nullptr;

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
    CodeView *view = viewAt(m_form->tabWidget, index);
    if (view && view == viewStayingCurrent)
        return;

    removeFinds();
    if (!view)
        return;
    view->refreshAllColors();
    if (view->justOpened())
        return;
    log(QStringLiteral("selectionChanged"), ProjectFolder::relativePath(view->fileName()));
}
