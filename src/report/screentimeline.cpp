#include "screentimeline.h"

#include "report/studyfolder.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace {

const QString taskCompleted = QStringLiteral("taskCompleted");

// What the participant had in front of them after a record.
struct Screen
{
    QString file; // empty: no code on screen
    int first = -1;
    int last = -1;

    void show(const LogRecord &record)
    {
        if (record.file.isEmpty() || record.firstLine < 0 || record.lastLine < 0) {
            *this = Screen();
            return;
        }
        file = record.file;
        first = record.firstLine;
        last = record.lastLine;
    }
};

// Follows the tabs of one run of the program: the log only tells which
// file a record names, not whether its tab is still open, and a
// "fileClosed" names the tab that went away, not the one in front.
struct Tabs
{
    QSet<QString> open;
    Screen screen;

    void follow(const LogRecord &record, const QString &action)
    {
        if (action == QLatin1String("fileOpened") || action == QLatin1String("selectionChanged")) {
            open.insert(record.file);
            screen.show(record);
        } else if (action == QLatin1String("fileClosed")) {
            open.remove(record.file);
            // The lines logged belong to the tab in front, which is another
            // one when a tab behind it was closed.
            if (screen.file == record.file || !open.contains(screen.file))
                screen = Screen();
            else if (record.firstLine >= 0 && record.lastLine >= 0)
                screen = Screen{screen.file, record.firstLine, record.lastLine};
        } else if (open.contains(record.file)) {
            screen.show(record);
        } else {
            screen = Screen();
        }
    }
};

} // namespace

QString ScreenTimeline::phaseName(Phase phase)
{
    switch (phase) {
    case Phase::SignIn:
        return QStringLiteral("sign-in");
    case Phase::Task:
        return QStringLiteral("task");
    case Phase::Unattributed:
        break;
    }
    return QStringLiteral("unattributed");
}

QPair<ScreenTimeline::Phase, int> ScreenTimeline::pagePhase(int page, int taskCount)
{
    if (page < 0)
        return {Phase::SignIn, 0};
    if (taskCount > 0 && page >= taskCount)
        return {Phase::Unattributed, 0};
    return {Phase::Task, page + 1};
}

int ScreenTimeline::pageAfter(int page, const QString &action)
{
    if (page < 0 && action == QLatin1String("code"))
        return 0;
    if (action == taskCompleted)
        return page + 1;
    return page;
}

void ScreenTimeline::followRun(const QList<LogRecord> &log, int begin, int end, int session,
                               int taskCount)
{
    Tabs tabs;
    for (int i = begin; i < end; ++i) {
        const LogRecord &record = log.at(i);
        tabs.follow(record, record.action); // the tab actions are logged without argument
        AfterRecord &after = records[i];
        after.session = session;
        after.file = tabs.screen.file;
        after.first = tabs.screen.first;
        after.last = tabs.screen.last;
        Span span;
        span.from = record.stamp;
        span.session = session;
        span.file = tabs.screen.file;
        span.first = tabs.screen.first;
        span.last = tabs.screen.last;
        span.record = i;
        const int open = pageAfter(record.task, record.action);
        if (i + 1 >= end) {
            // Nothing says how long the last screen of a run stayed: it was
            // shown, on the record's own page, for no seconds that count.
            span.until = span.from;
            std::tie(span.phase, span.task) = pagePhase(record.task, taskCount);
            if (span.phase == Phase::Unattributed)
                span.reason = Reason::BeyondQuestionnaire;
        } else if (const LogRecord &next = log.at(i + 1); open == next.task) {
            span.until = std::max(record.stamp, next.stamp); // a clock set back counts nothing
            std::tie(span.phase, span.task) = pagePhase(open, taskCount);
            if (span.phase == Phase::Unattributed)
                span.reason = Reason::BeyondQuestionnaire;
        } else {
            span.until = std::max(record.stamp, next.stamp);
            span.phase = Phase::Unattributed;
            span.reason = Reason::PageTurnNotLogged;
            span.taskBefore = pagePhase(open, taskCount).second;
            span.taskAfter = pagePhase(next.task, taskCount).second;
        }
        after.phase = span.phase;
        after.task = span.task;
        after.until = span.until;
        spans.append(span);
    }
}

ScreenTimeline ScreenTimeline::fromLog(const Participant &participant, int taskCount)
{
    ScreenTimeline timeline;
    const QList<LogRecord> &log = participant.records;
    timeline.records.resize(log.size());
    timeline.spans.reserve(log.size());
    const QList<int> &starts = participant.sessionStarts;
    QPair<Phase, int> lastTask{Phase::SignIn, 0};
    for (int s = 0; s < starts.size(); ++s) {
        const int begin = starts.at(s);
        const int end = s + 1 < starts.size() ? starts.at(s + 1) : int(log.size());
        timeline.followRun(log, begin, end, s + 1, taskCount);
        if (s > 0) {
            // The gap before a later run: nothing was logged, the program was not running.
            Interruption gap;
            gap.from = log.at(begin - 1).stamp;
            gap.until = std::max(gap.from, log.at(begin).stamp);
            // Lost for the task the participant went on with; a run that
            // reached no task charges the task it interrupted.
            std::tie(gap.phase, gap.task) = lastTask;
            for (int i = begin; i < end; ++i) {
                if (timeline.records.at(i).phase == Phase::Task) {
                    gap.phase = Phase::Task;
                    gap.task = timeline.records.at(i).task;
                    break;
                }
            }
            timeline.interruptions.append(gap);
        }
        for (int i = end - 1; i >= begin; --i) {
            if (timeline.records.at(i).phase == Phase::Task) {
                lastTask = {Phase::Task, timeline.records.at(i).task};
                break;
            }
        }
    }
    return timeline;
}

// One record of the log or one row of the view file, at its moment.
struct ScreenTimeline::Moment
{
    qint64 ms = 0;   // since the epoch
    int record = -1; // index into the records, or
    int row = -1;    // into the view rows
    int session = 1; // run of the program, from 1
};

// What a run of the viewer shows while its records and rows are followed.
struct ScreenTimeline::ViewState
{
    Tabs tabs;
    int page = -1;          // as the log numbers it
    bool pageShown = false; // a page row came in this run
    bool away = false;      // the viewer lost the focus or was closed
};

namespace {

// The whole second a moment falls in, as the log stamps it.
qint64 secondOf(qint64 ms)
{
    return ms >= 0 ? ms / 1000 : -((999 - ms) / 1000);
}

} // namespace

QPair<ScreenTimeline::Phase, int> ScreenTimeline::phaseOfPage(int page, int taskCount) const
{
    if (page < 0 || page >= pageTasks.size())
        return pagePhase(page, taskCount);
    const int task = pageTasks.at(page);
    if (task < 1 || (taskCount > 0 && task > taskCount))
        return {Phase::Unattributed, 0};
    return {Phase::Task, task};
}

void ScreenTimeline::startRunsAtSignIn(const QList<ViewFile::Row> &rows, QList<Moment> &moments)
{
    // The rows between the last record of one run and the first of the next
    // are of either run: a sign-in shows its page before anything is logged,
    // and a run that was killed may have written rows after its last record.
    // The next run begins with the last page row among them, or else after
    // a "close"; without either, with its first record. A page row within
    // the second of the last record before it is that record's run's: the
    // log stamps whole seconds, so a sign-in's record can come before the
    // page it shows.
    for (int b = 1; b < moments.size(); ++b) {
        if (moments.at(b).record < 0 || moments.at(b).session == moments.at(b - 1).session)
            continue;
        int last = b - 1;
        while (last >= 0 && moments.at(last).record < 0)
            --last;
        const qint64 ownSecondEnds =
            last < 0 ? std::numeric_limits<qint64>::min()
                     : (moments.at(last).ms / 1000 + 1) * 1000;
        int first = b;
        for (int k = b - 1; k > last; --k) {
            const QString &event = rows.at(moments.at(k).row).event;
            if (event == QLatin1String("close")) {
                first = first == b ? k + 1 : first;
                break;
            }
            if (event == QLatin1String("page") && first == b && moments.at(k).ms >= ownSecondEnds)
                first = k;
        }
        for (int k = first; k < b; ++k)
            moments[k].session = moments.at(b).session;
    }
}

QList<ScreenTimeline::Moment> ScreenTimeline::momentsOf(const Participant &participant)
{
    const QList<LogRecord> &log = participant.records;
    const QList<ViewFile::Row> &rows = participant.viewRows;
    const QList<qint64> recordMs = LogFile::moments(log);
    const QList<int> &starts = participant.sessionStarts;
    QList<Moment> moments;
    moments.reserve(log.size() + rows.size());
    int session = 1;
    int nextStart = 1; // the first run begins with the first record
    int r = 0;
    // Both in file order; at equal moments the rows come first.
    for (int i = 0; i < log.size() || r < rows.size();) {
        if (r < rows.size() && !rows.at(r).time.isValid()) {
            ++r;
            continue;
        }
        if (r < rows.size()
            && (i >= log.size() || rows.at(r).time.toMSecsSinceEpoch() <= recordMs.at(i))) {
            moments.append({rows.at(r).time.toMSecsSinceEpoch(), -1, r, session});
            ++r;
            continue;
        }
        if (nextStart < starts.size() && starts.at(nextStart) == i) {
            ++session;
            ++nextStart;
        }
        moments.append({recordMs.at(i), i, -1, session});
        ++i;
    }
    startRunsAtSignIn(participant.viewRows, moments);
    return moments;
}

void ScreenTimeline::step(const Participant &participant, ViewState &state,
                          const Moment &moment, qint64 untilMs, int taskCount)
{
    if (moment.record >= 0) {
        const LogRecord &record = participant.records.at(moment.record);
        if (!state.pageShown)
            state.page = record.task;
        state.tabs.follow(record, record.action);
    } else {
        const ViewFile::Row &row = participant.viewRows.at(moment.row);
        const QString &event = row.event;
        if (event == QLatin1String("page")) {
            if (const int page = ViewFile::pageOf(row.task); page >= -1) {
                state.page = page;
                state.pageShown = true;
            }
        } else if (event == QLatin1String("view")) {
            if (row.file.isEmpty()) {
                state.tabs = Tabs();
            } else {
                state.tabs.open.insert(row.file);
                state.tabs.screen = row.first >= 0 && row.last >= 0
                                        ? Screen{row.file, row.first, row.last}
                                        : Screen();
            }
        } else if (event == QLatin1String("focus-out") || event == QLatin1String("close")) {
            state.away = true;
        } else if (event == QLatin1String("focus-in")) {
            state.away = false;
        }
    }
    const qint64 from = secondOf(moment.ms);
    const qint64 until = std::max(from, secondOf(untilMs)); // a clock set back counts nothing
    const auto [phase, task] = phaseOfPage(state.page, taskCount);
    const Screen shown = state.away ? Screen() : state.tabs.screen;
    if (moment.record >= 0) {
        AfterRecord &after = records[moment.record];
        after.session = moment.session;
        after.phase = phase;
        after.task = task;
        after.file = shown.file;
        after.first = shown.first;
        after.last = shown.last;
    }
    if (state.away) {
        // Time in another program: lost for the task on the page, no file's.
        if (until == from)
            return;
        if (!interruptions.isEmpty()) {
            Interruption &before = interruptions.last();
            if (before.away && before.until == from && before.phase == phase
                && before.task == task) {
                before.until = until;
                return;
            }
        }
        interruptions.append({from, until, phase, task, true});
        return;
    }
    Span span;
    span.from = from;
    span.until = until;
    span.phase = phase;
    span.task = task;
    span.session = moment.session;
    span.file = shown.file;
    span.first = shown.first;
    span.last = shown.last;
    span.record = moment.record;
    if (phase == Phase::Unattributed)
        span.reason = Reason::BeyondQuestionnaire;
    spans.append(span);
}

void ScreenTimeline::followViewRun(const Participant &participant, const QList<Moment> &moments,
                                   int begin, int end, int taskCount)
{
    ViewState state;
    int lastRecord = -1;
    for (int k = begin; k < end; ++k) {
        const Moment &moment = moments.at(k);
        step(participant, state, moment, k + 1 < end ? moments.at(k + 1).ms : moment.ms,
             taskCount);
        if (moment.record < 0)
            continue;
        // A record's seconds in the events run until the next record of its run.
        const qint64 stamp = participant.records.at(moment.record).stamp;
        records[moment.record].until = stamp;
        if (lastRecord >= 0)
            records[lastRecord].until =
                std::max(participant.records.at(lastRecord).stamp, stamp);
        lastRecord = moment.record;
    }
}

ScreenTimeline ScreenTimeline::fromView(const Participant &participant, int taskCount)
{
    if (participant.viewRows.isEmpty())
        return fromLog(participant, taskCount);
    ScreenTimeline timeline;
    if (participant.session)
        timeline.pageTasks = participant.session->taskOrder;
    timeline.records.resize(participant.records.size());
    const QList<Moment> moments = momentsOf(participant);
    QPair<Phase, int> lastTask{Phase::SignIn, 0};
    for (int begin = 0; begin < moments.size();) {
        int end = begin + 1;
        while (end < moments.size() && moments.at(end).session == moments.at(begin).session)
            ++end;
        const int spansBefore = int(timeline.spans.size());
        timeline.followViewRun(participant, moments, begin, end, taskCount);
        if (begin > 0) {
            // The gap before a later run, lost for the task the participant
            // went on with, or else the one they left.
            Interruption gap;
            gap.from = secondOf(moments.at(begin - 1).ms);
            gap.until = std::max(gap.from, secondOf(moments.at(begin).ms));
            std::tie(gap.phase, gap.task) = lastTask;
            for (int s = spansBefore; s < timeline.spans.size(); ++s) {
                if (timeline.spans.at(s).phase == Phase::Task) {
                    gap.phase = Phase::Task;
                    gap.task = timeline.spans.at(s).task;
                    break;
                }
            }
            timeline.interruptions.append(gap);
        }
        for (int s = int(timeline.spans.size()) - 1; s >= spansBefore; --s) {
            if (timeline.spans.at(s).phase == Phase::Task) {
                lastTask = {Phase::Task, timeline.spans.at(s).task};
                break;
            }
        }
        begin = end;
    }
    return timeline;
}

ScreenTimeline ScreenTimeline::of(const Participant &participant, int taskCount)
{
    return participant.viewRows.isEmpty() ? fromLog(participant, taskCount)
                                          : fromView(participant, taskCount);
}
