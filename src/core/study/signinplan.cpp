#include "signinplan.h"

#include "core/formats/participantsfile.h"
#include "core/formats/studydesign.h"
#include "core/study/conditionassignment.h"
#include "core/study/taskorder.h"

namespace SignInPlan {

FolderState folderState(const QList<SessionFile::InFolder> &sessions)
{
    FolderState state;
    for (const SessionFile::InFolder &entry : sessions) {
        ++state.participants;
        ++state.conditionCounts[entry.session.condition];
    }
    return state;
}

QList<int> orderFor(const StudyDesign &design, const ParticipantsFile &participants,
                    const QString &account, int number, int taskCount)
{
    if (const ParticipantsFile::Entry *entry = participants.entry(account);
        entry && ParticipantsFile::arrangesTasks(entry->order, taskCount))
        return entry->order;
    switch (design.taskOrder) {
    case StudyDesign::TaskOrder::Fixed:
        break;
    case StudyDesign::TaskOrder::Shuffled:
        return TaskOrdering::shuffled(taskCount, design.keepFirst, account);
    case StudyDesign::TaskOrder::LatinSquare:
        return TaskOrdering::latinSquare(taskCount, design.keepFirst, number);
    }
    return TaskOrdering::fixed(taskCount);
}

Plan plan(const StudyDesign &design, const ParticipantsFile &participants,
          const SessionFile *earlier, const FolderState &state, const QString &account,
          int taskCount)
{
    Plan result;
    if (earlier) {
        result.returning = true;
        result.condition = earlier->condition;
        result.number = earlier->number > 0 ? earlier->number : state.participants + 1;
        result.taskOrder = ParticipantsFile::arrangesTasks(earlier->taskOrder, taskCount)
                               ? earlier->taskOrder
                               : orderFor(design, participants, account, result.number,
                                          taskCount);
        return result;
    }
    result.number = state.participants + 1;
    result.condition =
        ConditionAssignment::conditionFor(design, participants, account, state.conditionCounts);
    result.taskOrder = orderFor(design, participants, account, result.number, taskCount);
    return result;
}

} // namespace SignInPlan
