#pragma once

#include "core/formats/answerkey.h"
#include "report/reporttable.h"
#include "report/screentimeline.h"
#include "report/textids.h"
#include "report/timelinebins.h"

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

class ReportWarnings;
struct Participant;
struct PhaseTotals;
struct StudyFolder;

// The tables of the study report, computed from a study folder as read.
//
// Time and screen come from each participant's ScreenTimeline: its spans say
// for which phase (the sign-in, a task, unattributed) and task the seconds
// count and which file and lines were on screen. Tasks are numbered from 1
// as in questions.txt, task 0 standing for no task (the sign-in phase and
// unattributed time), and answer boxes from 1 within their task. Every table
// has the one key column "participant".
class StudyReport
{
public:
    // Adds the warnings of every participant to warnings; the warnings table
    // holds all of them, also those given before.
    StudyReport(const StudyFolder &study, ReportWarnings &warnings);

    const ReportTable &events() const { return m_events; }
    const ReportTable &tasks() const { return m_tasks; }
    const ReportTable &answers() const { return m_answers; }
    const ReportTable &exposure() const { return m_exposure; }
    const ReportTable &participants() const { return m_participants; }
    const ReportTable &files() const { return m_files; }
    const ReportTable &transitions() const { return m_transitions; }
    const ReportTable &firstViews() const { return m_firstViews; }
    const ReportTable &warnings() const { return m_warnings; }

    QList<const ReportTable *> tables() const
    {
        return {&m_participants, &m_events,     &m_tasks,       &m_answers, &m_exposure,
                &m_files,        &m_transitions, &m_firstViews, &m_warnings};
    }
    // Leaf features in model order.
    const QStringList &features() const { return m_features; }
    // Each participant's timeline, binned for drawing, in table order.
    struct Timeline
    {
        QString participant;
        TimelineBins bins;
    };
    const QList<Timeline> &timelines() const { return m_timelines; }
    // The tasks of questions.txt.
    int taskCount() const { return m_taskCount; }

private:
    void addParticipant(const StudyFolder &study, const Participant &participant,
                        ReportWarnings &warnings);
    void addEvents(const Participant &participant, const ScreenTimeline &timeline);
    // Answers right and answers scored, by task.
    using Scores = QMap<int, QPair<int, int>>;
    void addTotals(const QString &participant, const QMap<QPair<int, int>, PhaseTotals> &totals,
                   const Scores &scores);
    // Returns how many of each task's answers the key scores, and how many are right.
    Scores addAnswers(const Participant &participant);
    void addWarnings(const ReportWarnings &warnings);

    int m_taskCount = 0;
    AnswerKey m_key;
    QStringList m_features;
    QStringList m_questionTexts; // plain text, by answer box
    QList<QPair<int, int>> m_boxes; // task and box from 1, of each answer box
    QList<Timeline> m_timelines;
    TextIds m_fileIds;                 // the files in front, numbered
    TextIds m_actionIds;               // each logged action, numbered,
    std::vector<ActionText> m_actions; // and taken apart
    ReportTable m_participants;
    ReportTable m_events;
    ReportTable m_tasks;
    ReportTable m_answers;
    ReportTable m_exposure;
    ReportTable m_files;
    ReportTable m_transitions;
    ReportTable m_firstViews;
    ReportTable m_warnings;
};
