#include "windowbench.h"

#include "benchtable.h"
#include "paintcounter.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/codeview.h"
#include "ui/structure/stnode.h"

#include "support/modalcloser.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <malloc.h>
#include <sys/resource.h>

namespace {

constexpr int timeoutMs = 120000;

template<typename T>
T *child(MainWindow *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

QList<STNode *> fileNodes(QTreeWidget *tree)
{
    QList<STNode *> nodes;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        auto *node = dynamic_cast<STNode *>(*it);
        if (node && node->kind() == STNode::File)
            nodes.append(node);
    }
    return nodes;
}

// Opens the file of a package-view row through the window and runs the loop
// until the new tab's code is painted, its "fileOpened" entry is written and
// nothing is left to do. The new view, or null when no tab came up.
CodeView *openAndWait(MainWindow *window, QTabWidget *tabs, STNode *node)
{
    const int before = tabs->count();
    window->openFile(node);
    auto *view = qobject_cast<CodeView *>(tabs->currentWidget());
    if (!view || tabs->count() != before + 1)
        return nullptr;
    PaintCounter painted(view->codeGraphicsView()->viewport());
    const bool idle = runUntilIdle([&] { return painted.paints() > 0 && !view->justOpened(); },
                                   timeoutMs);
    return idle ? view : nullptr;
}

// Closes every tab the way its close button does and lets the loop delete
// the views and get idle.
void closeAllTabs(MainWindow *window, QTabWidget *tabs)
{
    while (tabs->count() > 0)
        window->closeTab(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    runUntilIdle([] { return true; }, timeoutMs);
}

void measureOpenClose(MainWindow *window, QTabWidget *tabs, const QList<STNode *> &files,
                      const WindowBenchOptions &options, BenchTable &table)
{
    const int count = int(qMin<qsizetype>(options.openCloseFiles, files.size()));
    const double before = residentMegabytes();
    table.add(QStringLiteral("memory before opening files (RSS)"), before, QStringLiteral("MB"));
    int opened = 0;
    // Every n-th file, so the files come from all over the folder tree.
    const qsizetype step = qMax<qsizetype>(1, files.size() / qMax(1, count));
    for (int i = 0; i < count; ++i)
        opened += openAndWait(window, tabs, files.at(i * step)) ? 1 : 0;
    table.add(QStringLiteral("  with %1 files open").arg(count), residentMegabytes(),
              QStringLiteral("MB"));
    closeAllTabs(window, tabs);
    const double after = residentMegabytes();
    table.add(QStringLiteral("  after they were closed"), after, QStringLiteral("MB"),
              before * 1.1);
    if (opened != count)
        table.addNote(QStringLiteral("Only %1 of %2 files opened and got idle.").arg(opened)
                          .arg(count));
    const int views = int(window->findChildren<CodeView *>().size());
    if (views > 0)
        table.addNote(QStringLiteral("%1 code views were left after closing their tabs.")
                          .arg(views));
    // What the allocator keeps for later use rather than what is still in
    // use: handing free memory back to the system tells them apart.
    malloc_trim(0);
    table.add(QStringLiteral("  after they were closed, free heap returned"), residentMegabytes(),
              QStringLiteral("MB"));
}

// Searches the current file for the word and runs the loop until the marks
// are painted. The number of marks placed.
int searchCurrentFile(MainWindow *window, CodeView *view, const QString &word)
{
    child<QRadioButton>(window, "radioButton_current")->setChecked(true);
    child<QLineEdit>(window, "lineEdit_find")->setText(word);
    const qsizetype itemsBefore = view->codeScene()->items().size();
    PaintCounter painted(view->codeGraphicsView()->viewport());
    window->search();
    runUntilIdle([&] { return painted.paints() > 0; }, timeoutMs);
    if (window->findView() != view)
        return 0;
    // The marks and the one item holding them.
    return int(qMax<qsizetype>(0, view->codeScene()->items().size() - itemsBefore - 1));
}

// Processor time of the finished child processes waited for, in milliseconds.
double childCpuMilliseconds()
{
    rusage usage{};
    if (getrusage(RUSAGE_CHILDREN, &usage) != 0)
        return 0;
    const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The sum of the counts of grep -c output lines "path:count".
qint64 sumGrepCounts(const QByteArray &output)
{
    qint64 sum = 0;
    for (const QByteArray &line : output.split('\n')) {
        const int colon = int(line.lastIndexOf(':'));
        if (colon >= 0)
            sum += line.mid(colon + 1).toLongLong();
    }
    return sum;
}

// The sum of the counts of the result rows "<count>x at ...".
qint64 sumResultCounts(QListWidget *results)
{
    qint64 sum = 0;
    for (int i = 0; i < results->count(); ++i)
        sum += results->item(i)->text().section(QLatin1Char('x'), 0, 0).toLongLong();
    return sum;
}

void measureProjectSearch(MainWindow *window, const QList<STNode *> &files,
                          const WindowBenchOptions &options, BenchTable &table)
{
    child<QRadioButton>(window, "radioButton_project")->setChecked(true);
    child<QLineEdit>(window, "lineEdit_find")->setText(options.projectIdentifier);
    auto *results = child<QListWidget>(window, "listWidget_results");

    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuMilliseconds();
    window->search();
    runUntilIdle([] { return true; }, timeoutMs);
    const double searchMs = timer.nsecsElapsed() / 1e6;
    const double searchCpuMs = cpuMilliseconds() - cpuBefore;

    // The same files through grep, with the same case and word options, in
    // batches of files that fit on a command line.
    // -H: "path:count" also for a batch of one file.
    QStringList arguments{QStringLiteral("-c"), QStringLiteral("-H")};
    if (!child<QCheckBox>(window, "checkBox_caseSensitive")->isChecked())
        arguments << QStringLiteral("-i");
    if (child<QCheckBox>(window, "checkBox_wholeWords")->isChecked())
        arguments << QStringLiteral("-w");
    arguments << QStringLiteral("-e") << options.projectIdentifier << QStringLiteral("--");
    const double grepCpuBefore = childCpuMilliseconds();
    timer.restart();
    QByteArray output;
    bool finished = true;
    QString failure;
    constexpr qsizetype batch = 4000;
    for (qsizetype first = 0; first < files.size() && finished; first += batch) {
        QStringList batchArguments = arguments;
        for (qsizetype i = first; i < qMin(files.size(), first + batch); ++i)
            batchArguments << files.at(i)->filePath();
        QProcess grep;
        grep.start(QStringLiteral("grep"), batchArguments);
        finished = grep.waitForFinished(timeoutMs) && grep.exitStatus() == QProcess::NormalExit;
        output += grep.readAllStandardOutput();
        if (!finished)
            failure = grep.errorString();
    }
    const double grepMs = timer.nsecsElapsed() / 1e6;

    table.add(QStringLiteral("project search for \"%1\"").arg(options.projectIdentifier),
              searchMs, QStringLiteral("ms"));
    table.add(QStringLiteral("  processor time used for it"), searchCpuMs, QStringLiteral("ms"));
    table.add(QStringLiteral("  grep -c over the same %1 files").arg(files.size()), grepMs,
              QStringLiteral("ms"));
    table.add(QStringLiteral("  processor time grep used"),
              childCpuMilliseconds() - grepCpuBefore, QStringLiteral("ms"));
    if (!finished) {
        table.addNote(QStringLiteral("grep did not finish: %1").arg(failure));
        return;
    }
    table.add(QStringLiteral("  search time / grep time"), searchMs / qMax(grepMs, 0.001),
              QStringLiteral("x"), 2);
    table.add(QStringLiteral("  result rows"), results->count());
    // Each generated line holds the identifier once, so the window's match
    // count and grep's line count agree.
    const qint64 found = sumResultCounts(results);
    const qint64 expected = sumGrepCounts(output);
    if (found != expected)
        table.addNote(QStringLiteral("The project search counted %1 hits, grep %2.").arg(found)
                          .arg(expected));
}

} // namespace

void measureWindow(MainWindow *window, const WindowBenchOptions &options, BenchTable &table)
{
    // Closes every modal window that opens (a message box would otherwise
    // wait for a click that never comes); polling every 50 ms keeps it out of
    // the measurements.
    TestSupport::ModalCloser guard({}, 10000, 50);
    auto *tabs = child<QTabWidget>(window, "tabWidget");
    auto *packageView = child<QTreeWidget>(window, "treeWidget_packageView");
    if (!tabs || !packageView) {
        table.addNote(QStringLiteral("The window has no tab widget or package view."));
        return;
    }
    QList<STNode *> files = fileNodes(packageView);
    // Without a name, the file with the most lines is the large one.
    STNode *bigFile = nullptr;
    for (STNode *node : files)
        if (options.bigFileName.isEmpty()
                ? !bigFile || node->lineCount() > bigFile->lineCount()
                : node->text(0) == options.bigFileName)
            bigFile = node;
    QList<STNode *> smallFiles = files;
    smallFiles.removeAll(bigFile);

    measureOpenClose(window, tabs, smallFiles, options, table);

    if (bigFile) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = cpuMilliseconds();
        CodeView *view = openAndWait(window, tabs, bigFile);
        const int fragments = options.bigFileFragments >= 0 ? options.bigFileFragments
                                                            : int(bigFile->fragments().size());
        table.add(QStringLiteral("open %1 (%2 lines, %3 fragments)").arg(bigFile->text(0))
                      .arg(bigFile->lineCount()).arg(fragments),
                  timer.nsecsElapsed() / 1e6, QStringLiteral("ms"), 1000);
        table.add(QStringLiteral("  processor time used for it"), cpuMilliseconds() - cpuBefore,
                  QStringLiteral("ms"));
        if (view && options.bigFileWordCount < 0) {
            // A word of unknown count is not searched for: a miss opens a box.
        } else if (view) {
            timer.restart();
            const int marks = searchCurrentFile(window, view, options.bigFileWord);
            table.add(QStringLiteral("search it for \"%1\" and mark the hits")
                          .arg(options.bigFileWord),
                      timer.nsecsElapsed() / 1e6, QStringLiteral("ms"), 1000);
            table.add(QStringLiteral("  marks placed"), marks);
            if (options.bigFileWordCount >= 0 && marks != options.bigFileWordCount)
                table.addNote(QStringLiteral("%1 marks placed for %2 occurrences.").arg(marks)
                                  .arg(options.bigFileWordCount));
        } else {
            table.addNote(QStringLiteral("%1 did not open or get idle.").arg(bigFile->text(0)));
        }
    } else {
        table.addNote(QStringLiteral("No file %1 in the project.").arg(options.bigFileName));
    }

    measureProjectSearch(window, files, options, table);

    for (const QString &text : guard.texts())
        table.addNote(QStringLiteral("A modal window had to be closed: %1").arg(text));
}
