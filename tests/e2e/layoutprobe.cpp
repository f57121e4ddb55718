// Layout probe for the end-to-end driver.
//
// The driver sends real X input events to the viewer, so it must know where
// rows, buttons and tabs are on the screen. This helper builds the same main
// window on a scratch copy of the project, in the same X server and at the
// same screen size, brings it into a requested state and writes where every
// named widget, tree row, palette entry, tab and menu title lies, relative to
// its top-level window. It never talks to the viewer under test; the driver
// checks what it is told against the pixels of its own screenshots.
//
//   featurehue_layoutprobe PROJECT OUT.json [STEP...]
//
// A first step "replay:ACCOUNT:USER" lays out the window of "featurehue
// replay PROJECT ACCOUNT --user USER" instead of the viewer's.
//
// Steps, applied in order:
//   expand:TREE:PATH   expand a row (TREE is package, featureview or model;
//                      PATH joins the row texts from the top level with "/")
//   open:PATH          double-click a file row of the file-structure tree
//   scroll:LINES       scroll the current code view down by LINES lines
//   questions          show the questionnaire
//   signin:NAME        type NAME on the account page and press "Weiter"
//   next               press "Weiter" on a task page
//   tab:INDEX          make file tab INDEX current
//   close:INDEX        press the close button of file tab INDEX
//   click:OBJECT       click the button called OBJECT
//   type:OBJECT:TEXT   type TEXT into the line edit called OBJECT
//   finder             press the search button (shows the floating finder)
//   result:TEXT        press the search result row that reads TEXT
//   size:WIDTH:HEIGHT  give the main window this size (a window manager's frame
//                      leaves the window less than the screen)
//   seek:MS            move the replay to MS milliseconds into the sitting
//
// Besides OUT.json it writes OUT.ppm, the main window as the probe drew it,
// which the driver compares with its screenshot of the viewer.

#include "replay/replaysources.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/codeview.h"
#include "ui/replay/replaycontroller.h"
#include "ui/replay/replaybar.h"
#include "ui/replay/replayplayer.h"
#include "ui/replay/replaytimelinewidget.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGraphicsView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <memory>

namespace {

QJsonArray rectJson(const QRect &r)
{
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

// A widget's rectangle in the coordinates of its top-level window.
QRect inWindow(const QWidget *widget, const QRect &local)
{
    const QWidget *top = widget->window();
    return QRect(widget->mapTo(top, local.topLeft()), local.size());
}

QString windowKey(const QWidget *top)
{
    return top->objectName().isEmpty() ? top->windowTitle() : top->objectName();
}

QString itemPath(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (const QTreeWidgetItem *i = item; i; i = i->parent())
        parts.prepend(i->text(0));
    return parts.join(QLatin1Char('/'));
}

QTreeWidgetItem *findPath(QTreeWidget *tree, const QString &path)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (itemPath(*it) == path)
            return *it;
    }
    return nullptr;
}

void settle()
{
    // Lets pending layouts, timers of 10 ms and deferred deletes run.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
}

class Probe
{
public:
    Probe(MainWindow *window, ReplayController *replay) : m_window(window), m_replay(replay) {}

    QTreeWidget *tree(const QString &name) const
    {
        if (name == QLatin1String("model"))
            return m_window->findChild<QWidget *>(QStringLiteral("frame_featureModel"))
                ->findChild<QTreeWidget *>();
        const QString objectName = name == QLatin1String("package")
                                       ? QStringLiteral("treeWidget_packageView")
                                       : QStringLiteral("treeWidget_featureView");
        return m_window->findChild<QTreeWidget *>(objectName);
    }

    QDialog *questionnaire() const
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("QuestionDialog"))
                return qobject_cast<QDialog *>(top);
        }
        return nullptr;
    }

    template<typename T>
    T *findWidget(const QString &objectName) const
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == objectName)
                return qobject_cast<T *>(top);
            if (T *w = top->findChild<T *>(objectName))
                return w;
        }
        return nullptr;
    }

    bool apply(const QString &step)
    {
        const QString verb = step.section(QLatin1Char(':'), 0, 0);
        const QString rest = step.section(QLatin1Char(':'), 1);
        if (verb == QLatin1String("expand")) {
            QTreeWidget *t = tree(rest.section(QLatin1Char(':'), 0, 0));
            QTreeWidgetItem *item = t ? findPath(t, rest.section(QLatin1Char(':'), 1)) : nullptr;
            if (!item)
                return false;
            // The double click that unfolds a row also makes it current.
            t->setFocus();
            t->setCurrentItem(item);
            item->setExpanded(true);
        } else if (verb == QLatin1String("open")) {
            QTreeWidget *t = tree(QStringLiteral("package"));
            QTreeWidgetItem *item = findPath(t, rest);
            if (!item)
                return false;
            t->setFocus();
            t->setCurrentItem(item);
            Q_EMIT t->itemDoubleClicked(item, 0);
        } else if (verb == QLatin1String("scroll")) {
            CodeView *view = m_window->currentCodeView();
            if (!view)
                return false;
            QScrollBar *bar = view->codeGraphicsView()->verticalScrollBar();
            bar->setValue(bar->value() + int(rest.toInt() * view->lineStep()));
        } else if (verb == QLatin1String("questions")) {
            auto *action = m_window->findChild<QAction *>(QStringLiteral("actionQuestions"));
            if (!action)
                return false;
            action->trigger();
        } else if (verb == QLatin1String("signin") || verb == QLatin1String("next")) {
            QDialog *dialog = questionnaire();
            if (!dialog)
                return false;
            if (verb == QLatin1String("signin")) {
                auto *account = dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_account"));
                account->setFocus();
                QTest::keyClicks(account, rest);
            }
            dialog->findChild<QPushButton *>(QStringLiteral("pushButton_next"))->click();
        } else if (verb == QLatin1String("tab") || verb == QLatin1String("close")) {
            auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
            const int index = rest.toInt();
            if (!tabs || index < 0 || index >= tabs->count())
                return false;
            if (verb == QLatin1String("tab"))
                tabs->setCurrentIndex(index);
            else
                Q_EMIT tabs->tabCloseRequested(index);
        } else if (verb == QLatin1String("click")) {
            auto *button = findWidget<QAbstractButton>(rest);
            if (!button)
                return false;
            button->click();
        } else if (verb == QLatin1String("type")) {
            auto *edit = findWidget<QLineEdit>(rest.section(QLatin1Char(':'), 0, 0));
            if (!edit)
                return false;
            edit->setFocus();
            QTest::keyClicks(edit, rest.section(QLatin1Char(':'), 1));
        } else if (verb == QLatin1String("finder")) {
            m_window->findChild<QToolButton *>(QStringLiteral("toolButton_finder"))->click();
        } else if (verb == QLatin1String("size")) {
            m_window->resize(rest.section(QLatin1Char(':'), 0, 0).toInt(),
                             rest.section(QLatin1Char(':'), 1).toInt());
        } else if (verb == QLatin1String("seek")) {
            if (!m_replay)
                return false;
            m_replay->player()->seek(rest.toLongLong());
        } else if (verb == QLatin1String("result")) {
            auto *list = findWidget<QListWidget>(QStringLiteral("listWidget_results"));
            const QList<QListWidgetItem *> rows =
                list ? list->findItems(rest, Qt::MatchExactly) : QList<QListWidgetItem *>();
            if (rows.isEmpty())
                return false;
            list->setCurrentItem(rows.first());
            Q_EMIT list->itemPressed(rows.first());
        } else {
            return false;
        }
        settle();
        return true;
    }

    QJsonObject dump() const
    {
        QJsonObject windows;
        QJsonObject widgets;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            windows.insert(windowKey(top),
                           QJsonObject{{QStringLiteral("title"), top->windowTitle()},
                                       {QStringLiteral("geometry"), rectJson(top->geometry())}});
            for (QWidget *w : top->findChildren<QWidget *>()) {
                if (w->objectName().isEmpty() || !w->isVisible()
                    || w->objectName().startsWith(QLatin1String("qt_")))
                    continue;
                widgets.insert(w->objectName(), widgetJson(w));
            }
        }

        QJsonObject trees;
        for (const QString &name : {QStringLiteral("package"), QStringLiteral("featureview"),
                                    QStringLiteral("model")}) {
            if (QTreeWidget *t = tree(name); t && t->isVisible())
                trees.insert(name, treeJson(t));
        }
        if (QTreeWidget *model = tree(QStringLiteral("model")))
            widgets.insert(QStringLiteral("featureTree"), widgetJson(model));

        QJsonObject result{{QStringLiteral("windows"), windows},
                           {QStringLiteral("widgets"), widgets},
                           {QStringLiteral("trees"), trees},
                           {QStringLiteral("palette"), paletteJson()},
                           {QStringLiteral("lists"), listsJson()},
                           {QStringLiteral("loadButtons"), loadButtonsJson()},
                           {QStringLiteral("tabs"), tabsJson()},
                           {QStringLiteral("menus"), menusJson()},
                           {QStringLiteral("slider"), sliderJson()},
                           {QStringLiteral("answers"), answersJson()}};
        if (m_replay)
            result.insert(QStringLiteral("replay"), replayJson());
        if (CodeView *view = m_window->currentCodeView()) {
            QWidget *viewport = view->codeGraphicsView()->viewport();
            result.insert(QStringLiteral("codeView"), widgetJson(viewport));
            result.insert(QStringLiteral("lineStep"), view->lineStep());
        }
        return result;
    }

private:
    static QJsonObject widgetJson(const QWidget *w)
    {
        QJsonObject entry{{QStringLiteral("window"), windowKey(w->window())},
                          {QStringLiteral("rect"), rectJson(inWindow(w, w->rect()))}};
        if (auto *button = qobject_cast<const QAbstractButton *>(w); button && button->isCheckable())
            entry.insert(QStringLiteral("checked"), button->isChecked());
        return entry;
    }

    static QJsonArray treeJson(QTreeWidget *t)
    {
        QJsonArray rows;
        const QRect visible = t->viewport()->rect();
        for (QTreeWidgetItemIterator it(t); *it; ++it) {
            QTreeWidgetItem *item = *it;
            const QRect r = t->visualItemRect(item);
            if (r.isEmpty() || !visible.intersects(r))
                continue;
            // Column 0 only: column 1 of the feature tree holds the remove
            // buttons.
            const QRect cell = t->visualRect(t->indexFromItem(item, 0));
            rows.append(QJsonObject{
                {QStringLiteral("path"), itemPath(item)},
                {QStringLiteral("text"), item->text(0)},
                {QStringLiteral("children"), item->childCount()},
                {QStringLiteral("expanded"), item->isExpanded()},
                {QStringLiteral("rect"),
                 rectJson(inWindow(t->viewport(), cell.intersected(visible)))}});
        }
        return rows;
    }

    QJsonArray paletteJson() const
    {
        QJsonArray entries;
        auto *list = m_window->findChild<QListWidget *>(QStringLiteral("listWidget"));
        if (!list || !list->isVisible())
            return entries;
        for (int i = 0; i < list->count(); ++i) {
            const QRect r = list->visualItemRect(list->item(i));
            if (!list->viewport()->rect().contains(r))
                continue;
            entries.append(QJsonObject{{QStringLiteral("row"), i},
                                       {QStringLiteral("rect"),
                                        rectJson(inWindow(list->viewport(), r))}});
        }
        return entries;
    }

    // Rows of the other visible list widgets (search results, diagnostics).
    QJsonObject listsJson() const
    {
        QJsonObject lists;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            for (QListWidget *list : top->findChildren<QListWidget *>()) {
                if (!list->isVisible() || list->objectName().isEmpty())
                    continue;
                QJsonArray rows;
                for (int i = 0; i < list->count(); ++i) {
                    const QRect r = list->visualItemRect(list->item(i));
                    if (!list->viewport()->rect().intersects(r))
                        continue;
                    rows.append(QJsonObject{
                        {QStringLiteral("row"), i},
                        {QStringLiteral("text"), list->item(i)->text()},
                        {QStringLiteral("rect"), rectJson(inWindow(list->viewport(), r))}});
                }
                lists.insert(list->objectName(), rows);
            }
        }
        return lists;
    }

    QJsonArray loadButtonsJson() const
    {
        QJsonArray buttons;
        auto *frame = m_window->findChild<QWidget *>(QStringLiteral("frame_loadButtons"));
        if (!frame)
            return buttons;
        // The layout of the frame reparents each load button to the frame.
        for (QToolButton *b : frame->findChildren<QToolButton *>()) {
            if (b->isVisible())
                buttons.append(rectJson(inWindow(b, b->rect())));
        }
        return buttons;
    }

    QJsonArray tabsJson() const
    {
        QJsonArray tabs;
        auto *tabWidget = m_window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QTabBar *bar = tabWidget ? tabWidget->tabBar() : nullptr;
        if (!bar)
            return tabs;
        for (int i = 0; i < bar->count(); ++i) {
            QJsonObject tab{{QStringLiteral("title"), bar->tabText(i)},
                            {QStringLiteral("rect"), rectJson(inWindow(bar, bar->tabRect(i)))}};
            if (QWidget *close = bar->tabButton(i, QTabBar::RightSide))
                tab.insert(QStringLiteral("close"), rectJson(inWindow(close, close->rect())));
            tabs.append(tab);
        }
        return tabs;
    }

    QJsonArray menusJson() const
    {
        QJsonArray menus;
        QMenuBar *bar = m_window->menuBar();
        for (QAction *action : bar->actions()) {
            menus.append(QJsonObject{
                {QStringLiteral("text"), action->text()},
                {QStringLiteral("rect"), rectJson(inWindow(bar, bar->actionGeometry(action)))}});
        }
        return menus;
    }

    QJsonObject sliderJson() const
    {
        auto *slider = m_window->findChild<QSlider *>(QStringLiteral("horizontalSlider"));
        if (!slider)
            return {};
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        option.upsideDown = slider->invertedAppearance();
        const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderHandle, slider);
        const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderGroove, slider);
        return QJsonObject{{QStringLiteral("handle"), rectJson(inWindow(slider, handle))},
                           {QStringLiteral("groove"), rectJson(inWindow(slider, groove))},
                           {QStringLiteral("minimum"), slider->minimum()},
                           {QStringLiteral("maximum"), slider->maximum()},
                           {QStringLiteral("value"), slider->value()},
                           // Pixels of handle travel over the whole range.
                           {QStringLiteral("span"),
                            groove.width() - handle.width()}};
    }

    // Where the replay's timeline shows each record, and where the replay stands.
    QJsonObject replayJson() const
    {
        const ReplayTimelineWidget *strip = m_replay->bar()->timelineWidget();
        QJsonArray ticks;
        for (const ReplayTimeline::Tick &tick : m_replay->timeline().ticks()) {
            const QPoint at = strip->mapTo(strip->window(), QPoint(strip->xOf(tick.ms), 0));
            ticks.append(QJsonObject{{QStringLiteral("ms"), double(tick.ms)},
                                     {QStringLiteral("x"), at.x()}});
        }
        return QJsonObject{{QStringLiteral("ticks"), ticks},
                           {QStringLiteral("position"), double(m_replay->player()->position())}};
    }

    // The answer boxes of the questionnaire's current page, top to bottom.
    QJsonArray answersJson() const
    {
        QJsonArray boxes;
        QDialog *dialog = questionnaire();
        if (!dialog || !dialog->isVisible())
            return boxes;
        for (QTextEdit *edit : dialog->findChildren<QTextEdit *>()) {
            if (!edit->isVisible() || edit->isReadOnly()
                || !(edit->textInteractionFlags() & Qt::TextEditable))
                continue;
            boxes.append(rectJson(inWindow(edit, edit->rect())));
        }
        return boxes;
    }

    MainWindow *m_window;
    ReplayController *m_replay;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: featurehue_layoutprobe PROJECT OUT.json [STEP...]\n", stderr);
        return 2;
    }

    int firstStep = 3;
    std::unique_ptr<MainWindow> owned;
    std::unique_ptr<ReplayController> replay;
    if (args.size() > 3 && args.at(3).startsWith(QLatin1String("replay:"))) {
        owned = std::make_unique<MainWindow>(args.at(1), MainWindow::Purpose::Replay);
        replay = std::make_unique<ReplayController>(
            owned.get(), ReplaySources::load(args.at(1), args.at(3).section(QLatin1Char(':'), 1, 1),
                                             args.at(3).section(QLatin1Char(':'), 2)));
        firstStep = 4;
    } else {
        owned = std::make_unique<MainWindow>(args.at(1));
    }
    MainWindow &window = *owned;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("layout probe: the window was never shown\n", stderr);
        return 1;
    }
    settle();
    // Without a window manager nobody maximises the window: it comes up at
    // its own size and the driver then gives it the whole screen. The docks
    // share out the extra space by that history, so the probe repeats it.
    window.setGeometry(window.screen()->geometry());
    settle();

    Probe probe(&window, replay.get());
    for (int i = firstStep; i < args.size(); ++i) {
        if (!probe.apply(args.at(i))) {
            std::fprintf(stderr, "layout probe: step failed: %s\n", qPrintable(args.at(i)));
            return 1;
        }
    }

    QFile out(args.at(2));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "layout probe: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    out.write(QJsonDocument(probe.dump()).toJson(QJsonDocument::Indented));
    out.close();

    QString picture = args.at(2);
    if (picture.endsWith(QLatin1String(".json")))
        picture.chop(5);
    if (!window.grab().save(picture + QStringLiteral(".ppm"), "PPM")) {
        std::fprintf(stderr, "layout probe: cannot write %s.ppm\n", qPrintable(picture));
        return 1;
    }
    return 0;
}
