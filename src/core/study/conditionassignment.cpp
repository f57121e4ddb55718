#include "conditionassignment.h"

#include "core/formats/participantsfile.h"
#include "core/formats/studydesign.h"

namespace ConditionAssignment {

QString conditionFor(const StudyDesign &design, const ParticipantsFile &participants,
                     const QString &account, const QHash<QString, int> &counts)
{
    if (const ParticipantsFile::Entry *entry = participants.entry(account);
        entry && !entry->condition.isEmpty())
        return entry->condition;
    QString fewest;
    int fewestCount = 0;
    for (const StudyCondition &condition : design.conditions) {
        const int count = counts.value(condition.name);
        if (fewest.isEmpty() || count < fewestCount) {
            fewest = condition.name;
            fewestCount = count;
        }
    }
    return fewest;
}

} // namespace ConditionAssignment
