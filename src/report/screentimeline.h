#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include "core/formats/logrecord.h"
#include "core/formats/viewfile.h"

struct Participant;

// What a participant had in front of them from their first record to their
// last: spans of time, each with the questionnaire page it belongs to and the
// file and lines on screen, and the interruptions between runs of the
// program. Every table and chart of the report that speaks of time or of the
// screen is computed from these spans, whatever they were computed from.
//
// From the log alone (fromLog): the seconds from one record to the next
// record of the same run show the screen the earlier record left. They
// belong to a task when the page is known at both ends: the page a record
// leaves open (the sign-in opens the first task, a "taskCompleted" the next
// one, any other record keeps its own) is the page the next record was
// logged on. Where the two differ, the page changed in between without a
// record (the viewer logs nothing when the participant leaves the first task
// page) and the span is unattributed rather than given to either task. The
// last record of a run gives an empty span on its own page: its screen was
// shown, but nothing says for how long.
//
// From the log and the view file (fromView): the records and the rows in the
// order they happened (records of one second spread over it, a record after
// the rows of its moment), each holding the screen until the next one of its
// run, to the second. The page rows say which page is shown, so no page turn
// goes unattributed; a page shows the task the session file's task order
// gives it, else the task of its position. The view rows say which file and
// lines are on screen, the records still change it at their own moments.
// From a "focus-out" to the next "focus-in" the participant was in another
// program: that time is lost for the task on the page, like the time between
// runs, and no file's. A "close" ends the run's last span.
class ScreenTimeline
{
public:
    enum class Phase {
        SignIn,       // the account page, before the first task
        Task,         // a task of questions.txt
        Unattributed, // the log does not tell which task
    };
    static QString phaseName(Phase phase);

    enum class Reason {
        None,
        PageTurnNotLogged,   // the page changed between the two records
        BeyondQuestionnaire, // a page after the questionnaire's last task
    };

    struct Span
    {
        qint64 from = 0;
        qint64 until = 0; // from <= until: records within one second give empty spans
        Phase phase = Phase::Task;
        int task = 0;     // from 1 as in questions.txt; 0 outside a task
        int session = 1;  // run of the program, from 1
        QString file;     // in front; empty: no code on screen
        int first = -1;   // lines on screen
        int last = -1;
        int record = -1;  // the log record that left this screen (index), -1: none
        Reason reason = Reason::None;
        // Unattributed: the tasks of the pages at either end (0: none).
        int taskBefore = 0;
        int taskAfter = 0;
    };

    // The time between two runs of the program: no task's and no feature's,
    // counted as lost for the task the participant went on with.
    struct Interruption
    {
        qint64 from = 0;
        qint64 until = 0;
        Phase phase = Phase::SignIn;
        int task = 0;
        bool away = false; // the viewer had lost the keyboard focus (not a new run)
    };

    // For each log record: what its seconds count for, until when, and what
    // was on screen after it.
    struct AfterRecord
    {
        int session = 1;
        Phase phase = Phase::SignIn;
        int task = 0;
        qint64 until = 0; // the next record's time in the same run; its own for the last
        QString file;     // in front after the record; empty: no code on screen
        int first = -1;
        int last = -1;
    };

    QList<Span> spans;
    QList<Interruption> interruptions;
    QList<AfterRecord> records; // parallel to the participant's records (fromLog)

    // The task of each page from 0 (the session's task order); empty: page
    // k shows task k + 1.
    QList<int> pageTasks;

    // taskCount: the tasks of questions.txt; 0 takes every logged task as one.
    static ScreenTimeline fromLog(const Participant &participant, int taskCount);
    // From the participant's view rows and log; their log alone without rows.
    static ScreenTimeline fromView(const Participant &participant, int taskCount);
    // fromView when the participant has view rows, else fromLog.
    static ScreenTimeline of(const Participant &participant, int taskCount);

    // The phase and task of a page as this timeline numbers the tasks.
    QPair<Phase, int> phaseOfPage(int page, int taskCount) const;

private:
    struct Moment;
    struct ViewState;
    void followRun(const QList<LogRecord> &records, int begin, int end, int session,
                   int taskCount);
    void followViewRun(const Participant &participant, const QList<Moment> &moments, int begin,
                       int end, int taskCount);
    void step(const Participant &participant, ViewState &state, const Moment &moment,
              qint64 until, int taskCount);
    static QList<Moment> momentsOf(const Participant &participant);
    static void startRunsAtSignIn(const QList<ViewFile::Row> &rows, QList<Moment> &moments);

public:
    // The phase and task of a page as the log numbers it ("code" -1, "task0" 0, ...).
    static QPair<Phase, int> pagePhase(int page, int taskCount);
    // The page a record leaves open: the sign-in opens the first task page,
    // "taskCompleted" the next one, any other record keeps its own.
    static int pageAfter(int page, const QString &action);
};
