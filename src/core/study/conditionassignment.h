#pragma once

#include <QHash>
#include <QString>

class ParticipantsFile;
class StudyDesign;

// Which condition a participant gets who signs in for the first time.
namespace ConditionAssignment {

// The condition participants.csv names for the account, if any; otherwise
// ("balanced") the design's condition with the fewest participants so far
// (counts: participants by condition name, as the folder's session files
// say), ties going to the condition listed first. Empty when the design
// has no conditions.
QString conditionFor(const StudyDesign &design, const ParticipantsFile &participants,
                     const QString &account, const QHash<QString, int> &counts);

} // namespace ConditionAssignment
