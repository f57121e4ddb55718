#pragma once

#include "core/formats/sessionfile.h"

#include <QHash>
#include <QList>
#include <QString>

class ParticipantsFile;
class StudyDesign;

// What a participant gets at sign-in: a returning participant keeps the
// condition and the task order of their session file; a new one gets them
// by the rules of study.json and participants.csv.
namespace SignInPlan {

struct Plan
{
    QString condition;     // empty when the study has no conditions
    QList<int> taskOrder;  // task numbers of questions.txt, page by page
    int number = 0;        // the participant's number in the folder, from 1
    bool returning = false; // kept from an earlier session file
};

// The participants of a folder so far, from its session files.
struct FolderState
{
    QHash<QString, int> conditionCounts; // participants by condition
    int participants = 0;
};

FolderState folderState(const QList<SessionFile::InFolder> &sessions);

// earlier: the participant's own session file, or null for a first sign-in;
// state: the folder's other participants. An earlier order that does not
// arrange taskCount tasks (questions.txt changed since) is made again by
// the rules, with the participant's earlier number.
Plan plan(const StudyDesign &design, const ParticipantsFile &participants,
          const SessionFile *earlier, const FolderState &state, const QString &account,
          int taskCount);

// The order the design's rules give: participants.csv's order for the
// account if it lists one, else the design's taskOrder.
QList<int> orderFor(const StudyDesign &design, const ParticipantsFile &participants,
                    const QString &account, int number, int taskCount);

} // namespace SignInPlan
