#include "viewrecorder.h"

#include "core/formats/actionlog.h"
#include "core/formats/diagnostics.h"
#include "core/model/projectfolder.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/questionnaire/questiondialog.h"

#include <QEvent>
#include <QGraphicsView>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>

#include <algorithm>
#include <utility>

namespace {

QDateTime systemClock()
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace

ViewRecorder::ViewRecorder(QuestionDialog *dialog, QTabWidget *tabs, QSlider *slider,
                           ColorManager *colors, QObject *parent)
    : QObject(parent), m_dialog(dialog), m_tabs(tabs), m_slider(slider), m_colors(colors),
      m_clock(systemClock)
{
    for (Pending *pending : {&m_view, &m_opacity, &m_focus}) {
        pending->timer.setSingleShot(true);
        pending->timer.setInterval(StillnessMs);
    }
    connect(&m_view.timer, &QTimer::timeout, this,
            [this] { writeView(m_view.since, m_view.task, false); });
    connect(&m_opacity.timer, &QTimer::timeout, this,
            [this] { writeOpacity(m_opacity.since, m_opacity.task, false); });
    connect(&m_focus.timer, &QTimer::timeout, this, &ViewRecorder::writeFocus);
    if (m_tabs) {
        connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
            watchCurrentTab();
            viewMoved();
        });
    }
    if (m_slider)
        connect(m_slider, &QSlider::valueChanged, this, &ViewRecorder::opacityMoved);
    watchCurrentTab();
    // What was coloured at start is no change.
    m_writtenColours = currentColours();
}

void ViewRecorder::setClock(std::function<QDateTime()> clock)
{
    m_clock = clock ? std::move(clock) : systemClock;
}

bool ViewRecorder::recording() const
{
    return m_dialog && !m_dialog->finished;
}

QString ViewRecorder::currentTask() const
{
    return m_dialog ? ActionLog::taskField(m_dialog->currentPage()) : QString();
}

void ViewRecorder::begin(Pending &pending)
{
    pending.since = m_clock();
    pending.task = currentTask();
    pending.timer.start();
}

void ViewRecorder::write(ViewFile::Row row)
{
    if (!recording())
        return;
    // A row that waited for its stillness keeps the page it began on.
    if (row.task.isEmpty())
        row.task = currentTask();
    const QString path = m_dialog->studyFilePath(ViewFile::Suffix);
    QString error;
    if (ViewFile::append(path, row, &error)) {
        m_failedPath.clear();
        return;
    }
    // Said once, like a log that cannot be written: the sitting goes on.
    if (m_failedPath != path)
        writeConsoleLine(stderr, QStringLiteral("featurehue: cannot write %1: %2; the sitting "
                                                "goes on without it")
                                     .arg(path, error));
    m_failedPath = path;
}

void ViewRecorder::watchCurrentTab()
{
    if (m_watched)
        m_watched->removeEventFilter(this);
    disconnect(m_scrolling);
    m_watched = m_tabs ? qobject_cast<CodeView *>(m_tabs->currentWidget()) : nullptr;
    if (!m_watched)
        return;
    // The line numbers, the side bars and the code share this scroll bar.
    m_scrolling = connect(m_watched->codeGraphicsView()->verticalScrollBar(),
                          &QScrollBar::valueChanged, this, &ViewRecorder::viewMoved);
    // A taller or shorter tab shows other lines.
    m_watched->installEventFilter(this);
}

bool ViewRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watched && event->type() == QEvent::Resize)
        viewMoved();
    return QObject::eventFilter(watched, event);
}

void ViewRecorder::viewMoved()
{
    // The row's time is when the view took the state that then stayed.
    begin(m_view);
}

void ViewRecorder::opacityMoved()
{
    begin(m_opacity);
}

ViewRecorder::View ViewRecorder::currentView() const
{
    View view;
    const auto *codeView = m_tabs ? qobject_cast<const CodeView *>(m_tabs->currentWidget())
                                  : nullptr;
    if (!codeView)
        return view;
    view.file = ProjectFolder::relativePath(codeView->fileName());
    const QPair<int, int> lines = codeView->visibleLineRange();
    view.first = lines.first;
    view.last = lines.second;
    view.opacity = QString::number(codeView->opacity());
    return view;
}

QList<QString> ViewRecorder::currentColours() const
{
    QList<QString> colours;
    if (!m_colors)
        return colours;
    colours.reserve(m_colors->FCPList.size());
    for (const FeatureColorPair &pair : std::as_const(m_colors->FCPList))
        colours.append(m_colors->standsForNoColor(pair.color) ? QString()
                                                              : pair.color->color().name());
    return colours;
}

void ViewRecorder::writeView(const QDateTime &time, const QString &task, bool always)
{
    m_view.timer.stop();
    const View view = currentView();
    if (!always && m_writtenView && *m_writtenView == view)
        return;
    ViewFile::Row row;
    row.time = time;
    row.task = task;
    row.event = QStringLiteral("view");
    row.file = view.file;
    row.first = view.first;
    row.last = view.last;
    row.detail = view.opacity;
    write(row);
    m_writtenView = view;
}

void ViewRecorder::writeOpacity(const QDateTime &time, const QString &task, bool always)
{
    m_opacity.timer.stop();
    const int value = m_slider ? m_slider->value() : -1;
    if (!always && value == m_writtenOpacity)
        return;
    ViewFile::Row row;
    row.time = time;
    row.task = task;
    row.event = QStringLiteral("opacity");
    row.detail = QString::number(value);
    write(row);
    m_writtenOpacity = value;
}

void ViewRecorder::writeColours(bool all)
{
    const QList<QString> colours = currentColours();
    const QDateTime now = m_clock();
    for (qsizetype i = 0; i < colours.size(); ++i) {
        const bool changed = i >= m_writtenColours.size() || m_writtenColours.at(i) != colours.at(i);
        if (!(all ? !colours.at(i).isEmpty() : changed))
            continue;
        const Feature *feature = m_colors->FCPList.at(i).feature;
        ViewFile::Row row;
        row.time = now;
        row.event = QStringLiteral("colour");
        row.detail = ViewFile::colourDetail(feature ? feature->name() : QString(), colours.at(i));
        write(row);
    }
    m_writtenColours = colours;
}

void ViewRecorder::flush()
{
    // In the order the waiting states began.
    QList<std::pair<QDateTime, std::function<void()>>> waiting;
    if (m_view.timer.isActive())
        waiting.append({m_view.since, [this] { writeView(m_view.since, m_view.task, false); }});
    if (m_opacity.timer.isActive())
        waiting.append({m_opacity.since,
                        [this] { writeOpacity(m_opacity.since, m_opacity.task, false); }});
    if (m_focus.timer.isActive())
        waiting.append({m_focus.since, [this] { writeFocus(); }});
    std::stable_sort(waiting.begin(), waiting.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &entry : std::as_const(waiting))
        entry.second();
}

void ViewRecorder::page(int page)
{
    flush();
    ViewFile::Row row;
    row.time = m_clock();
    row.event = QStringLiteral("page");
    const int task = m_dialog ? m_dialog->taskAtPage(page) : 0;
    row.detail = task > 0 ? QString::number(task) : QString();
    write(row);
}

void ViewRecorder::coloursChanged()
{
    flush();
    writeColours(false);
}

void ViewRecorder::search(const QString &kind, const QString &text)
{
    flush();
    ViewFile::Row row;
    row.time = m_clock();
    row.event = QStringLiteral("search");
    row.detail = kind + QLatin1Char(':') + text;
    write(row);
}

void ViewRecorder::applicationStateChanged(Qt::ApplicationState state)
{
    const bool active = state == Qt::ApplicationActive;
    // The first activation at start is no change of focus.
    if (!m_active) {
        if (active)
            m_active = true;
        return;
    }
    m_pendingActive = active;
    if (active == *m_active) {
        m_focus.timer.stop();
        return;
    }
    if (!m_focus.timer.isActive())
        begin(m_focus);
}

void ViewRecorder::writeFocus()
{
    m_focus.timer.stop();
    if (m_active && *m_active == m_pendingActive)
        return;
    m_active = m_pendingActive;
    ViewFile::Row row;
    row.time = m_focus.since;
    row.task = m_focus.task;
    row.event = m_pendingActive ? QStringLiteral("focus-in") : QStringLiteral("focus-out");
    write(row);
}

void ViewRecorder::signedIn()
{
    // A focus change waiting for its stillness belongs to the time before.
    if (m_focus.timer.isActive())
        writeFocus();
    m_view.timer.stop();
    m_opacity.timer.stop();
    const QDateTime now = m_clock();
    writeView(now, QString(), true);
    writeOpacity(now, QString(), true);
    writeColours(true);
}

void ViewRecorder::close()
{
    flush();
    ViewFile::Row row;
    row.time = m_clock();
    row.event = QStringLiteral("close");
    write(row);
}
