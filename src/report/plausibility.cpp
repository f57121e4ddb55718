#include "plausibility.h"

#include "report/reportwarnings.h"
#include "report/screentimeline.h"
#include "report/studyfolder.h"

#include <QSet>

namespace Plausibility {

namespace {

using Phase = ScreenTimeline::Phase;

QString pageName(int task)
{
    return task > 0 ? QStringLiteral("task %1").arg(task) : QStringLiteral("the account page");
}

int boxesOf(const QList<QuestionsFile::Task> &tasks)
{
    int boxes = 0;
    for (const QuestionsFile::Task &task : tasks) {
        for (const QuestionsFile::Question &question : task)
            boxes += question.answerLines > 0 ? 1 : 0;
    }
    return boxes;
}

} // namespace

void check(const StudyFolder &study, const Participant &participant,
           const ScreenTimeline &timeline, ReportWarnings &warnings)
{
    const int taskCount = int(study.tasks.size());
    unattributedTime(participant, timeline, warnings);
    tasksBeyondQuestionnaire(participant, taskCount, warnings);
    timeGoingBack(participant, warnings);
    overlappingTasks(participant, taskCount, warnings);
    recordsAfterFinish(participant, taskCount, warnings);
    unknownFiles(study, participant, warnings);
    if (participant.hasAnswers)
        answerCount(participant, boxesOf(study.tasks), warnings);
    materials(study, participant, warnings);
}

void unattributedTime(const Participant &participant, const ScreenTimeline &timeline,
                      ReportWarnings &warnings)
{
    qint64 seconds = 0;
    int stretches = 0;
    const ScreenTimeline::Span *first = nullptr;
    for (const ScreenTimeline::Span &span : timeline.spans) {
        if (span.reason != ScreenTimeline::Reason::PageTurnNotLogged || span.until == span.from)
            continue;
        seconds += span.until - span.from;
        ++stretches;
        if (!first)
            first = &span;
    }
    if (!first)
        return;
    const QList<LogRecord> &records = participant.records;
    const QString text =
        QStringLiteral("%1 s cannot be given to a task: the page changed from %2 to %3 without "
                       "a record between line %4 and line %5; reported as unattributed")
            .arg(seconds)
            .arg(pageName(first->taskBefore), pageName(first->taskAfter))
            .arg(records.at(first->record).line)
            .arg(records.at(first->record + 1).line);
    warnings.add(participant.id(), participant.pathOf(first->record),
                 records.at(first->record).line, QStringLiteral("unattributed"),
                 stretches > 1 ? text + QStringLiteral(" (%1 stretches like this)").arg(stretches)
                               : text);
}

void tasksBeyondQuestionnaire(const Participant &participant, int taskCount,
                              ReportWarnings &warnings)
{
    if (taskCount <= 0)
        return;
    int first = -1;
    int count = 0;
    int highest = 0;
    for (int i = 0; i < participant.records.size(); ++i) {
        const int page = participant.records.at(i).task;
        if (page < taskCount)
            continue;
        first = first < 0 ? i : first;
        ++count;
        highest = std::max(highest, page + 1);
    }
    if (first < 0)
        return;
    const LogRecord &record = participant.records.at(first);
    warnings.add(participant.id(), participant.pathOf(first), record.line,
                 QStringLiteral("beyond-questionnaire"),
                 QStringLiteral("%1 records of tasks up to task %2, beyond the %3 tasks of "
                                "questions.txt; their time is unattributed")
                     .arg(count)
                     .arg(highest)
                     .arg(taskCount));
}

void timeGoingBack(const Participant &participant, ReportWarnings &warnings)
{
    const QList<LogRecord> &records = participant.records;
    int first = -1;
    int count = 0;
    for (int i = 1; i < records.size(); ++i) {
        if (records.at(i).stamp >= records.at(i - 1).stamp)
            continue;
        first = first < 0 ? i : first;
        ++count;
    }
    if (first < 0)
        return;
    warnings.add(participant.id(), participant.pathOf(first), records.at(first).line,
                 QStringLiteral("time-goes-back"),
                 QStringLiteral("time stamp %1 is earlier than the %2 of the record before (the "
                                "clock was set back?); no time is counted backwards%3")
                     .arg(records.at(first).stamp)
                     .arg(records.at(first - 1).stamp)
                     .arg(count > 1 ? QStringLiteral(" (%1 records like this)").arg(count)
                                    : QString()));
}

void overlappingTasks(const Participant &participant, int taskCount, ReportWarnings &warnings)
{
    // Where each task's records begin and end, by time.
    struct Interval
    {
        int first = -1; // record indexes
        int last = -1;
    };
    const QList<LogRecord> &records = participant.records;
    QMap<int, Interval> byTask;
    for (int i = 0; i < records.size(); ++i) {
        const auto [phase, task] = ScreenTimeline::pagePhase(records.at(i).task, taskCount);
        if (phase != Phase::Task)
            continue;
        Interval &interval = byTask[task];
        if (interval.first < 0 || records.at(i).stamp < records.at(interval.first).stamp)
            interval.first = i;
        if (interval.last < 0 || records.at(i).stamp >= records.at(interval.last).stamp)
            interval.last = i;
    }
    for (auto it = byTask.cbegin(); it != byTask.cend(); ++it) {
        const auto before = byTask.constFind(it.key() - 1);
        if (before == byTask.cend()
            || records.at(it->first).stamp >= records.at(before->last).stamp)
            continue;
        warnings.add(participant.id(), participant.pathOf(it->first),
                     records.at(it->first).line, QStringLiteral("overlap"),
                     QStringLiteral("task %1 begins before task %2 ends (line %3): the "
                                    "participant went back to an earlier task")
                         .arg(it.key())
                         .arg(before.key())
                         .arg(records.at(before->last).line));
        return; // one is enough to look at the participant's log
    }
}

void recordsAfterFinish(const Participant &participant, int taskCount,
                        ReportWarnings &warnings)
{
    if (taskCount <= 0)
        return;
    const QList<LogRecord> &records = participant.records;
    for (int i = 0; i + 1 < records.size(); ++i) {
        const LogRecord &record = records.at(i);
        if (record.task != taskCount - 1 || record.action != QLatin1String("taskCompleted"))
            continue;
        warnings.add(participant.id(), participant.pathOf(i + 1), records.at(i + 1).line,
                     QStringLiteral("after-finish"),
                     QStringLiteral("%1 records after the last task was completed (line %2)")
                         .arg(records.size() - i - 1)
                         .arg(record.line));
        return;
    }
}

void unknownFiles(const StudyFolder &study, const Participant &participant,
                  ReportWarnings &warnings)
{
    if (study.lines.listedCount() == 0)
        return; // without a project file every file is unknown; said once already
    QSet<QString> named;
    QSet<QString> unknown;
    int first = -1;
    const QList<LogRecord> &records = participant.records;
    for (int i = 0; i < records.size(); ++i) {
        const QString &file = records.at(i).file;
        if (file.isEmpty() || named.contains(file))
            continue;
        named.insert(file);
        if (study.lines.isListed(file))
            continue;
        unknown.insert(file);
        first = first < 0 ? i : first;
    }
    if (first < 0)
        return;
    const QString example = records.at(first).file;
    const int line = records.at(first).line;
    if (unknown.size() * 2 > named.size()) {
        warnings.add(participant.id(), participant.pathOf(first), line,
                     QStringLiteral("foreign-log"),
                     QStringLiteral("%1 of the %2 files the log names are not in annotations.xml "
                                    "(such as %3): a log of another project?")
                         .arg(unknown.size())
                         .arg(named.size())
                         .arg(example));
    } else {
        warnings.add(participant.id(), participant.pathOf(first), line,
                     QStringLiteral("unknown-files"),
                     QStringLiteral("%1 of the %2 files the log names are not in annotations.xml "
                                    "(such as %3); their code counts for no feature")
                         .arg(unknown.size())
                         .arg(named.size())
                         .arg(example));
    }
}

void answerCount(const Participant &participant, int boxCount, ReportWarnings &warnings)
{
    const qsizetype answers = participant.answers.size();
    if (answers == boxCount)
        return;
    warnings.add(participant.id(), participant.answersPath, 0, QStringLiteral("answer-boxes"),
                 answers > boxCount
                     ? QStringLiteral("%1 answers for the %2 answer boxes of questions.txt; the "
                                      "answers beyond the last box are joined into it")
                           .arg(answers)
                           .arg(boxCount)
                     : QStringLiteral("%1 answers for the %2 answer boxes of questions.txt; the "
                                      "boxes after the last answer are empty")
                           .arg(answers)
                           .arg(boxCount));
}

void materials(const StudyFolder &study, const Participant &participant,
               ReportWarnings &warnings)
{
    if (!participant.session || participant.session->materials.isEmpty())
        return;
    const QString &theirs = participant.session->materials;
    // The latest sign-in's material, then each sitting's: a participant who
    // resumed after the material changed sat part of the study with the old.
    QStringList sat{theirs};
    for (const SessionFile::Sitting &sitting : participant.session->sittings)
        sat.append(sitting.materials);
    for (const QString &materials : std::as_const(sat)) {
        if (study.materials.isEmpty() || materials.isEmpty() || materials == study.materials)
            continue;
        warnings.add(participant.id(), participant.sessionPath, 0,
                     QStringLiteral("materials-changed"),
                     QStringLiteral("the study material changed since this participant's "
                                    "sitting (materials %1, the folder's now %2): the log may "
                                    "name lines and files that are no longer the same")
                         .arg(materials, study.materials));
        break;
    }
    // One warning, naming the first participant who sat with other material.
    for (const Participant &other : study.participants) {
        if (!other.session || other.session->materials.isEmpty()
            || other.session->materials == theirs)
            continue;
        warnings.add(participant.id(), participant.sessionPath, 0,
                     QStringLiteral("materials-differ"),
                     QStringLiteral("this participant sat with other material than participant "
                                    "\"%1\" (materials %2, theirs %3)")
                         .arg(other.id(), theirs, other.session->materials));
        return;
    }
}

} // namespace Plausibility
