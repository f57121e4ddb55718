#include "screentimeline.h"

#include "report/studyfolder.h"

#include <QSet>

#include <algorithm>

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
