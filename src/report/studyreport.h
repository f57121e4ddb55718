#pragma once

#include "report/reporttable.h"

#include <QString>

struct Participant;
struct StudyFolder;

// The tables of the study report, computed from a study folder as read.
//
// Time: a record's seconds are those until the next record of the same run
// of the program, and during them the screen showed what that record
// logged. The last record of a run has none (nothing says how long its
// screen stayed), and the gap before the next run counts as lost to the
// interruption, not as time on a task. A page turn (the sign-in, a
// "taskCompleted") opens the next page, so the seconds after it belong to
// the next task.
//
// Screen: the log repeats the last file and lines after their tab was
// closed, so whether code was on screen is followed through "fileOpened",
// "selectionChanged" and "fileClosed": without an open tab nothing counts.
class StudyReport
{
public:
    explicit StudyReport(const StudyFolder &study);

    const ReportTable &events() const { return m_events; }
    const ReportTable &tasks() const { return m_tasks; }
    const ReportTable &answers() const { return m_answers; }
    const ReportTable &exposure() const { return m_exposure; }

    QList<const ReportTable *> tables() const
    {
        return {&m_events, &m_tasks, &m_answers, &m_exposure};
    }
    // Leaf features in model order: the columns of the exposure heat maps.
    const QStringList &features() const { return m_features; }

private:
    void addParticipant(const StudyFolder &study, const Participant &participant);
    void addAnswers(const Participant &participant);

    QStringList m_features;
    QStringList m_questionTexts; // plain text, by answer box
    QList<QPair<int, int>> m_boxes; // task and question of each answer box
    ReportTable m_events;
    ReportTable m_tasks;
    ReportTable m_answers;
    ReportTable m_exposure;
};
