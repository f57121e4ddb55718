#pragma once

#include "core/formats/logrecord.h"
#include "core/formats/viewfile.h"
#include "replay/replaystate.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// A participant's sitting as one timeline: the records of the log and the
// rows of the view file in the order they happened, and the state of the
// screen at any moment of it. Times are milliseconds since the start of the
// sitting (the first sitting of the session file, else the first record).
//
// The log stamps whole seconds: records written within one second are spread
// evenly over it in their order (the k-th of n at k/n s), so that every
// record has a moment of its own at which the screen is the one it logged.
// At equal times a record comes after the view rows.
//
// A run of the viewer begins at a sitting's start in the session file; without
// one, where a record does not continue the time stamps of the one before
// (as the report reads interruptions), or, without a log, after a "close" row.
// Each run starts from nothing: no tabs, no colours, the slider where it
// starts. The time between two runs is a gap.
class ReplayTimeline
{
public:
    struct Settings
    {
        int initialOpacity = 170; // where the opacity slider starts in every run
        int taskCount = 0;        // task pages of the questionnaire; 0: not known
        QList<QDateTime> sittingStarts; // from the session file, in its order
    };

    // A step of the replay: one record of the log or, without a log, one
    // row of the view file.
    struct Tick
    {
        qint64 ms = 0;
        QString text; // task, action, file and lines, as written
    };
    // A stretch of time on one task (-1: before sign-in).
    struct Segment
    {
        qint64 start = 0;
        qint64 end = 0;
        int task = -1;
    };
    // The viewer was not running: from the last event of one run to the
    // start of the next.
    struct Gap
    {
        qint64 start = 0;
        qint64 end = 0;
    };

    ReplayTimeline(const QList<LogRecord> &records, const QList<ViewFile::Row> &rows,
                   const Settings &settings);

    // Milliseconds since the epoch of second 0 of the sitting.
    qint64 originMs() const { return m_originMs; }
    // The time of the last record or row; 0 for an empty timeline.
    qint64 durationMs() const { return m_durationMs; }
    bool isEmpty() const { return m_events.isEmpty(); }
    // The view file tells colours; the log alone does not.
    bool coloursKnown() const { return !m_rows.isEmpty(); }
    const QList<Tick> &ticks() const { return m_ticks; }
    const QList<Segment> &segments() const { return m_segments; }
    const QList<Gap> &gaps() const { return m_gaps; }

    // The screen at ms, after every record and row up to and including ms.
    ReplayState stateAt(qint64 ms) const;

    // The last tick at or before ms, the first after it, the last before it;
    // -1 when there is none.
    int tickAt(qint64 ms) const;
    int nextTick(qint64 ms) const;
    int previousTick(qint64 ms) const;
    // Where a task was first shown; nothing when it never was.
    std::optional<qint64> taskStart(int task) const;
    // The tasks shown, in the order they were first shown.
    QList<int> tasks() const;

    // "12:34", or "1:02:03" from an hour on; negative times with "-".
    static QString clock(qint64 ms);

private:
    enum class Kind { RunStart, Row, Record };
    struct Event
    {
        qint64 ms = 0;
        Kind kind = Kind::Record;
        int index = 0; // into m_records or m_rows, or the tick for a run start
    };

    void placeEvents(const QList<QDateTime> &sittingStarts);
    QList<qint64> runStarts(const QList<QDateTime> &sittingStarts) const;
    void buildTicks();
    void buildSegmentsAndCheckpoints();
    void apply(ReplayState &state, const Event &event) const;
    void applyRecord(ReplayState &state, const LogRecord &record) const;
    void applyRow(ReplayState &state, const ViewFile::Row &row) const;
    void startRun(ReplayState &state) const;
    // Events with ms at or before ms.
    int eventsUpTo(qint64 ms) const;

    QList<LogRecord> m_records;
    QList<qint64> m_recordMs;
    QList<ViewFile::Row> m_rows;
    Settings m_settings;
    qint64 m_originMs = 0;
    qint64 m_durationMs = 0;
    QList<Event> m_events; // in time order
    QList<Tick> m_ticks;
    QList<int> m_tickOfRecord; // tick of each record (or row without a log)
    QList<Segment> m_segments;
    QList<Gap> m_gaps;
    // The state after every CheckpointStep events, so a seek replays few.
    QList<ReplayState> m_checkpoints;
};
