#include "replaytimeline.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int CheckpointStep = 256;
constexpr int OpacityMax = 255;

bool isColourName(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    return pattern.match(text).hasMatch();
}

// An opacity as written in the log or the view file; -1 when it is none.
int opacityOf(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= OpacityMax ? value : -1;
}

QString linesText(int first, int last)
{
    if (first < 0 && last < 0)
        return QString();
    const auto number = [](int line) {
        return line < 0 ? QStringLiteral("?") : QString::number(line);
    };
    return QStringLiteral("lines %1\u2013%2").arg(number(first), number(last));
}

// Brings the tab of file to the front, opening it first when it is not open
// (a log that begins while tabs were open, or a view row of a tab the log
// never opened). The marks of a search stay with the tab they were made in.
void showTab(ReplayState &state, const QString &file)
{
    int tab = state.tabOf(file);
    if (tab < 0) {
        state.tabs.append({file, -1, -1, state.opacity});
        tab = int(state.tabs.size()) - 1;
    }
    if (tab != state.front)
        state.marks = false;
    state.front = tab;
}

// As the tab widget does it: the tab right of a closed front tab comes to the
// front, or the one left of it when it was the last.
void closeTab(ReplayState &state, const QString &file)
{
    const int tab = state.tabOf(file);
    if (tab < 0)
        return;
    state.tabs.removeAt(tab);
    if (tab == state.front) {
        state.marks = false;
        state.front = state.tabs.isEmpty() ? -1 : qMin(tab, int(state.tabs.size()) - 1);
    } else if (tab < state.front) {
        --state.front;
    }
}

void setOpacity(ReplayState &state, int opacity)
{
    if (opacity < 0)
        return;
    state.opacity = opacity;
    if (state.front >= 0)
        state.tabs[state.front].opacity = opacity;
}

void applySearch(ReplayState &state, const QString &kind, const QString &text)
{
    if (kind == QLatin1String("current")) {
        state.finderText = text;
        state.finderProject = false;
        state.marks = state.front >= 0;
    } else if (kind == QLatin1String("project")) {
        state.finderText = text;
        state.finderProject = true;
    } else if (kind == QLatin1String("feature")) {
        state.featureSearch = text;
    } else {
        return;
    }
    state.searchKind = kind;
    state.searchText = text;
}

// The file and lines a record or row names: the tab in front keeps them.
void seeLines(ReplayState &state, const QString &file, int first, int last)
{
    state.file = file;
    state.first = first;
    state.last = last;
    if (state.front >= 0 && state.tabs.at(state.front).file == file && first >= 0) {
        state.tabs[state.front].first = first;
        state.tabs[state.front].last = last;
    }
}

} // namespace

ReplayTimeline::ReplayTimeline(const QList<LogRecord> &records, const QList<ViewFile::Row> &rows,
                               const Settings &settings)
    : m_records(records), m_rows(rows), m_settings(settings)
{
    placeEvents(settings.sittingStarts);
    buildTicks();
    buildSegmentsAndCheckpoints();
}

void ReplayTimeline::placeEvents(const QList<QDateTime> &sittingStarts)
{
    const auto firstValid = std::find_if(sittingStarts.begin(), sittingStarts.end(),
                                         [](const QDateTime &start) { return start.isValid(); });
    if (firstValid != sittingStarts.end()) {
        m_originMs = firstValid->toMSecsSinceEpoch();
    } else if (!m_records.isEmpty()) {
        m_originMs = LogFile::milliseconds(m_records.first().stamp);
    } else if (!m_rows.isEmpty()) {
        m_originMs = m_rows.first().time.toMSecsSinceEpoch();
        for (const ViewFile::Row &row : std::as_const(m_rows))
            m_originMs = qMin(m_originMs, row.time.toMSecsSinceEpoch());
    }

    // Records of one second share it evenly, in their order.
    const int count = int(m_records.size());
    m_recordMs = LogFile::moments(m_records);
    for (qint64 &ms : m_recordMs)
        ms -= m_originMs;

    for (int i = 0; i < m_rows.size(); ++i)
        m_events.append({m_rows.at(i).time.toMSecsSinceEpoch() - m_originMs, Kind::Row, i});
    for (int i = 0; i < count; ++i)
        m_events.append({m_recordMs.at(i), Kind::Record, i});
    if (!m_events.isEmpty()) {
        for (qint64 start : runStarts(sittingStarts))
            m_events.append({start, Kind::RunStart, 0});
    }
    std::stable_sort(m_events.begin(), m_events.end(), [](const Event &a, const Event &b) {
        return a.ms != b.ms ? a.ms < b.ms : int(a.kind) < int(b.kind);
    });
    m_durationMs = m_events.isEmpty() ? 0 : qMax<qint64>(0, m_events.last().ms);
}

QList<qint64> ReplayTimeline::runStarts(const QList<QDateTime> &sittingStarts) const
{
    QList<qint64> starts;
    for (const QDateTime &start : sittingStarts) {
        if (start.isValid())
            starts.append(start.toMSecsSinceEpoch() - m_originMs);
    }
    if (!starts.isEmpty())
        return starts;
    if (!m_records.isEmpty()) {
        for (int i = 0; i < m_records.size(); ++i) {
            if (i == 0 || m_records.at(i).previousStamp != m_records.at(i - 1).stamp)
                starts.append(m_recordMs.at(i));
        }
        return starts;
    }
    for (int i = 0; i < m_rows.size(); ++i) {
        if (i == 0 || m_rows.at(i - 1).event == QLatin1String("close"))
            starts.append(m_rows.at(i).time.toMSecsSinceEpoch() - m_originMs);
    }
    return starts;
}

void ReplayTimeline::buildTicks()
{
    const bool fromLog = !m_records.isEmpty();
    m_tickOfRecord.fill(-1, fromLog ? m_records.size() : m_rows.size());
    for (const Event &event : std::as_const(m_events)) {
        if (event.kind != (fromLog ? Kind::Record : Kind::Row))
            continue;
        QStringList parts;
        if (fromLog) {
            const LogRecord &record = m_records.at(event.index);
            parts << (record.task < 0 ? QStringLiteral("code")
                                      : QStringLiteral("task") + QString::number(record.task))
                  << record.action << record.file << linesText(record.firstLine, record.lastLine);
        } else {
            const ViewFile::Row &row = m_rows.at(event.index);
            parts << row.task << row.event << row.file << linesText(row.first, row.last)
                  << row.detail;
        }
        parts.removeAll(QString());
        m_tickOfRecord[event.index] = int(m_ticks.size());
        m_ticks.append({event.ms, parts.join(QStringLiteral("  "))});
    }
}

void ReplayTimeline::buildSegmentsAndCheckpoints()
{
    ReplayState state;
    startRun(state);
    qint64 segmentStart = m_events.isEmpty() ? 0 : qMin<qint64>(0, m_events.first().ms);
    int task = state.task;
    bool seenEvent = false;
    qint64 lastEventMs = segmentStart;
    const auto closeSegment = [&](qint64 end) {
        if (end > segmentStart)
            m_segments.append({segmentStart, end, task});
    };
    for (int i = 0; i < m_events.size(); ++i) {
        const Event &event = m_events.at(i);
        if (i % CheckpointStep == 0)
            m_checkpoints.append(state);
        if (event.kind == Kind::RunStart && seenEvent && event.ms > lastEventMs) {
            closeSegment(lastEventMs);
            m_gaps.append({lastEventMs, event.ms});
            segmentStart = event.ms;
        }
        apply(state, event);
        if (state.task != task) {
            closeSegment(event.ms);
            segmentStart = event.ms;
            task = state.task;
        }
        if (event.kind != Kind::RunStart) {
            seenEvent = true;
            lastEventMs = event.ms;
        }
    }
    closeSegment(m_durationMs);
}

void ReplayTimeline::startRun(ReplayState &state) const
{
    const int record = state.record;
    state = ReplayState();
    state.record = record;
    state.opacity = m_settings.initialOpacity;
    state.coloursKnown = coloursKnown();
}

void ReplayTimeline::apply(ReplayState &state, const Event &event) const
{
    switch (event.kind) {
    case Kind::RunStart:
        startRun(state);
        break;
    case Kind::Row:
        applyRow(state, m_rows.at(event.index));
        if (m_records.isEmpty())
            state.record = m_tickOfRecord.at(event.index);
        break;
    case Kind::Record:
        applyRecord(state, m_records.at(event.index));
        state.record = m_tickOfRecord.at(event.index);
        break;
    }
}

void ReplayTimeline::applyRecord(ReplayState &state, const LogRecord &record) const
{
    state.task = record.task;
    const ActionText action = ActionText::split(record.action);
    if (record.action == QLatin1String("code")) {
        // The sign-in: the first task page follows.
        state.task = 0;
        state.finished = false;
    } else if (record.action == QLatin1String("taskCompleted")) {
        if (m_settings.taskCount > 0 && record.task + 1 >= m_settings.taskCount)
            state.finished = true;
        else
            state.task = record.task + 1;
    } else if (record.action == QLatin1String("fileOpened")
               || record.action == QLatin1String("selectionChanged")) {
        if (!record.file.isEmpty())
            showTab(state, record.file);
    } else if (record.action == QLatin1String("fileClosed")) {
        closeTab(state, record.file);
    } else if (action.name == QLatin1String("saturationChanged")) {
        setOpacity(state, opacityOf(action.argument));
    } else if (action.name == QLatin1String("select")) {
        state.featureView = action.argument == QLatin1String("FeatureView");
    } else if (action.name.startsWith(QLatin1String("search<"))
               && action.name.endsWith(QLatin1Char('>'))) {
        applySearch(state, action.name.mid(7).chopped(1), action.argument);
    }
    seeLines(state, record.file, record.firstLine, record.lastLine);
}

void ReplayTimeline::applyRow(ReplayState &state, const ViewFile::Row &row) const
{
    const QString &event = row.event;
    if (event == QLatin1String("page")) {
        const int task = ViewFile::pageOf(row.task);
        if (task >= -1) {
            state.task = task;
            state.finished = false;
        }
    } else if (event == QLatin1String("view")) {
        if (row.file.isEmpty()) {
            state.tabs.clear();
            state.front = -1;
            state.marks = false;
        } else {
            showTab(state, row.file);
            if (const int opacity = opacityOf(row.detail); opacity >= 0)
                state.tabs[state.front].opacity = opacity;
        }
        seeLines(state, row.file, row.first, row.last);
    } else if (event == QLatin1String("colour")) {
        const qsizetype at = row.detail.lastIndexOf(QLatin1Char('='));
        const QString feature = row.detail.left(at);
        const QString colour = row.detail.mid(at + 1);
        if (at > 0 && colour.isEmpty())
            state.colours.remove(feature);
        else if (at > 0 && isColourName(colour))
            state.colours.insert(feature, colour.toLower());
    } else if (event == QLatin1String("opacity")) {
        setOpacity(state, opacityOf(row.detail));
    } else if (event == QLatin1String("search")) {
        const qsizetype at = row.detail.indexOf(QLatin1Char(':'));
        if (at > 0)
            applySearch(state, row.detail.left(at), row.detail.mid(at + 1));
    } else if (event == QLatin1String("focus-out") || event == QLatin1String("focus-in")) {
        state.focus = event == QLatin1String("focus-in");
    } else if (event == QLatin1String("close")) {
        state.closed = true;
    }
}

int ReplayTimeline::eventsUpTo(qint64 ms) const
{
    const auto end = std::upper_bound(m_events.begin(), m_events.end(), ms,
                                      [](qint64 at, const Event &event) { return at < event.ms; });
    return int(end - m_events.begin());
}

ReplayState ReplayTimeline::stateAt(qint64 ms) const
{
    const int count = eventsUpTo(ms);
    ReplayState state;
    int from = 0;
    if (m_checkpoints.isEmpty()) {
        startRun(state);
    } else {
        const int checkpoint = qMin(count / CheckpointStep, int(m_checkpoints.size()) - 1);
        state = m_checkpoints.at(checkpoint);
        from = checkpoint * CheckpointStep;
    }
    for (int i = from; i < count; ++i)
        apply(state, m_events.at(i));
    for (const Gap &gap : m_gaps) {
        if (gap.start < ms && ms < gap.end)
            state.interrupted = true;
    }
    state.ms = ms;
    return state;
}

int ReplayTimeline::tickAt(qint64 ms) const
{
    const auto after = std::upper_bound(m_ticks.begin(), m_ticks.end(), ms,
                                        [](qint64 at, const Tick &tick) { return at < tick.ms; });
    return int(after - m_ticks.begin()) - 1;
}

int ReplayTimeline::nextTick(qint64 ms) const
{
    const int tick = tickAt(ms) + 1;
    return tick < m_ticks.size() ? tick : -1;
}

int ReplayTimeline::previousTick(qint64 ms) const
{
    const auto at = std::lower_bound(m_ticks.begin(), m_ticks.end(), ms,
                                     [](const Tick &tick, qint64 at) { return tick.ms < at; });
    return int(at - m_ticks.begin()) - 1;
}

std::optional<qint64> ReplayTimeline::taskStart(int task) const
{
    for (const Segment &segment : m_segments) {
        if (segment.task == task)
            return segment.start;
    }
    return std::nullopt;
}

QList<int> ReplayTimeline::tasks() const
{
    QList<int> shown;
    for (const Segment &segment : m_segments) {
        if (segment.task >= 0 && !shown.contains(segment.task))
            shown.append(segment.task);
    }
    return shown;
}

QString ReplayTimeline::clock(qint64 ms)
{
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    const qint64 seconds = (ms < 0 ? -ms : ms) / 1000;
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(seconds / 60 % 60, hours > 0 ? 2 : 1, 10,
                                               QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return sign + (hours > 0 ? QString::number(hours) + QLatin1Char(':') : QString())
           + minutesAndSeconds;
}
