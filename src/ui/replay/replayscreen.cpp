#include "replayscreen.h"

#include "replay/replayfiles.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/linenumbercolumn.h"
#include "ui/colors/colormanager.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/search/currentfilesearch.h"
#include "ui/structure/stnode.h"

#include <QGraphicsView>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cmath>

namespace {

// Scrolls the view so that line first is the first line it shows, as the
// line numbers count it.
void scrollToLine(CodeView *view, int first)
{
    const LineNumberColumn *numbers = view->lineNumbers();
    if (!numbers || first < 1 || view->visibleLineRange().first == first)
        return;
    QScrollBar *bar = view->codeGraphicsView()->verticalScrollBar();
    const qreal top = view->lineNumberView()->mapToScene(QPoint(0, 0)).y();
    const qreal wanted = numbers->mapToScene(numbers->labelRect(first).topLeft()).y();
    bar->setValue(bar->value() + int(std::ceil(wanted - top)));
}

// A widget of the window's form by its object name.
template <typename T>
T *part(const MainWindow *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

QString titleOf(const QString &file)
{
    const QString name = file.section(QLatin1Char('/'), -1);
    return name.isEmpty() ? file : name;
}

} // namespace

ReplayScreen::ReplayScreen(MainWindow *window, const QString &folder, const Options &options)
    : m_window(window), m_folder(folder), m_options(options)
{
}

CodeView *ReplayScreen::viewOf(const QString &file) const
{
    return m_views.value(file);
}

void ReplayScreen::show(const ReplayState &state)
{
    if (!m_window || !m_window->hasProject())
        return;
    showTabs(state);
    showColours(state);
    // The front tab first: switching tabs takes the marks of a search away.
    showFront(state);
    showSearch(state);
    if (const ReplayTab *front = state.frontTab(); front && m_views.value(front->file))
        scrollToLine(m_views.value(front->file), front->first);
}

STNode *ReplayScreen::nodeOf(const QString &path) const
{
    QTreeWidgetItemIterator it(part<QTreeWidget>(m_window, "treeWidget_packageView"),
                               QTreeWidgetItemIterator::NoChildren);
    for (; *it; ++it) {
        auto *node = dynamic_cast<STNode *>(*it);
        if (node && node->kind() == STNode::File && node->filePath() == path)
            return node;
    }
    return nullptr;
}

CodeView *ReplayScreen::openView(const QString &file)
{
    const ReplayFiles::Location location = ReplayFiles::locate(m_folder, file);
    // A name that leads out of the folder is never read: its tab stays empty.
    STNode *node = location.place == ReplayFiles::Place::Outside ? nullptr : nodeOf(location.path);
    return m_window->openTab(node, location.path, titleOf(file));
}

void ReplayScreen::showTabs(const ReplayState &state)
{
    QTabWidget *tabs = part<QTabWidget>(m_window, "tabWidget");
    // Tabs the state no longer has, or that were closed by hand, go.
    for (auto it = m_views.begin(); it != m_views.end();) {
        const int index = it.value() ? tabs->indexOf(it.value()) : -1;
        if (index >= 0 && state.tabOf(it.key()) >= 0) {
            ++it;
            continue;
        }
        if (index >= 0)
            m_window->closeTab(index);
        it = m_views.erase(it);
    }
    for (const ReplayTab &tab : state.tabs) {
        if (!m_views.contains(tab.file))
            m_views.insert(tab.file, openView(tab.file));
    }
    orderTabs(state);
    for (const ReplayTab &tab : state.tabs) {
        CodeView *view = m_views.value(tab.file);
        const int opacity = m_options.colours ? tab.opacity : 0;
        if (view && view->opacity() != opacity)
            view->setOpacity(opacity);
    }
}

void ReplayScreen::orderTabs(const ReplayState &state)
{
    QTabWidget *tabs = part<QTabWidget>(m_window, "tabWidget");
    // Tabs opened by hand keep their places after the replayed ones.
    for (int i = 0; i < state.tabs.size(); ++i) {
        const int index = tabs->indexOf(m_views.value(state.tabs.at(i).file));
        if (index >= 0 && index != i)
            tabs->tabBar()->moveTab(index, i);
    }
}

void ReplayScreen::showFront(const ReplayState &state)
{
    QTabWidget *tabs = part<QTabWidget>(m_window, "tabWidget");
    m_note.clear();
    const ReplayTab *front = state.frontTab();
    if (!front)
        return;
    CodeView *view = m_views.value(front->file);
    if (!view)
        return;
    if (tabs->currentWidget() != view)
        tabs->setCurrentWidget(view);

    switch (ReplayFiles::locate(m_folder, front->file).place) {
    case ReplayFiles::Place::InFolder:
        break;
    case ReplayFiles::Place::Missing:
        m_note = QStringLiteral("%1 is not in the study folder: its tab is empty.")
                     .arg(front->file);
        break;
    case ReplayFiles::Place::Outside:
        m_note = QStringLiteral("%1 names no file inside the study folder: its tab is empty.")
                     .arg(front->file);
        break;
    }
}

PaletteColor *ReplayScreen::colourRecord(const QString &name, const QList<PaletteColor *> &taken)
{
    ColorManager *manager = m_window->colorManager();
    const QColor colour(name);
    // The palette's own record, so the palette shows the colour as taken.
    for (PaletteColor *record : std::as_const(manager->ColorArray)) {
        if (record->color().rgb() == colour.rgb() && !taken.contains(record))
            return record;
    }
    PaletteColor *&made = m_madeColours[name];
    if (!made || taken.contains(made))
        made = manager->createColor(colour);
    return made;
}

void ReplayScreen::showColours(const ReplayState &state)
{
    ColorManager *manager = m_window->colorManager();
    // Which feature shows which colour, decided for all before any changes,
    // so no two features end up holding the same record.
    QList<int> changes;
    QList<PaletteColor *> taken;
    for (int i = 0; i < manager->FCPList.size(); ++i) {
        const FeatureColorPair &pair = manager->FCPList.at(i);
        const QString wanted = m_options.colours && pair.feature
                                   ? state.colours.value(pair.feature->name())
                                   : QString();
        const bool none = manager->standsForNoColor(pair.color);
        if (wanted.isEmpty() ? none : !none && pair.color->color().name() == wanted)
            taken.append(pair.color);
        else
            changes.append(i);
    }
    if (changes.isEmpty())
        return;
    for (int i : std::as_const(changes)) {
        FeatureColorPair &pair = manager->FCPList[i];
        const QString wanted = m_options.colours && pair.feature
                                   ? state.colours.value(pair.feature->name())
                                   : QString();
        pair.color = wanted.isEmpty() ? manager->lightGrey() : colourRecord(wanted, taken);
        taken.append(pair.color);
    }
    m_window->updateAllColors();
}

void ReplayScreen::showSearch(const ReplayState &state)
{
    auto *find = part<QLineEdit>(m_window, "lineEdit_find");
    if (find->text() != state.finderText)
        find->setText(state.finderText);
    auto *featureSearch = part<QLineEdit>(m_window, "lineEdit_featureSearch");
    if (featureSearch->text() != state.featureSearch)
        featureSearch->setText(state.featureSearch);
    auto *scope = part<QRadioButton>(m_window, state.finderProject ? "radioButton_project"
                                                                   : "radioButton_current");
    if (!scope->isChecked())
        scope->setChecked(true);
    auto *explorer = part<QRadioButton>(m_window, state.featureView ? "radioButton_features"
                                                                    : "radioButton_packages");
    if (!explorer->isChecked())
        explorer->setChecked(true);

    // The project search lists its files again only when its text changed.
    const QString project = state.finderProject ? state.finderText : QString();
    if (project != m_projectSearch) {
        m_projectSearch = project;
        if (project.isEmpty())
            part<QListWidget>(m_window, "listWidget_results")->clear();
        else
            m_window->search();
    }

    CurrentFileSearch *search = m_window->currentFileSearch();
    const ReplayTab *front = state.frontTab();
    CodeView *view = state.marks && front ? m_views.value(front->file) : nullptr;
    if (!view) {
        if (search->markCount() > 0)
            search->clear();
        m_markedView = nullptr;
        return;
    }
    if (view == m_markedView && state.finderText == m_markedText && search->view() == view
        && search->markCount() > 0)
        return;
    search->clear();
    search->search(view, state.finderText, {});
    m_markedView = view;
    m_markedText = state.finderText;
}
