// participants.csv with a study.json beside it: whatever the two hold, the
// entries read must be ones the viewer can use as they are.
//
// Input: study.json, separator, participants.csv.

#include "corefuzzsupport.h"

#include "core/formats/participantsfile.h"
#include "core/formats/studydesign.h"
#include "core/study/accountname.h"
#include "core/study/signinplan.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = corefuzz::split(data, size, 2);
    const StudyDesign design = StudyDesign::read(parts.at(0)).design;
    constexpr int taskCount = 4;
    const ParticipantsFile::Reading reading =
        ParticipantsFile::read(parts.at(1), design, taskCount);
    corefuzz::checkPlaces(reading.problems, parts.at(1),
                          "a problem of participants.csv points nowhere");

    QSet<QString> accounts;
    for (const ParticipantsFile::Entry &entry : reading.file.entries) {
        corefuzz::check(AccountName::isUsable(entry.account), "an account that names no file");
        corefuzz::check(!accounts.contains(entry.account), "an account listed twice");
        accounts.insert(entry.account);
        corefuzz::check(entry.condition.isEmpty() || design.condition(entry.condition),
                        "an unknown condition was kept");
        corefuzz::check(entry.order.isEmpty()
                            || ParticipantsFile::arrangesTasks(entry.order, taskCount),
                        "an order that does not arrange the tasks was kept");
        corefuzz::check(reading.file.entry(entry.account) == &entry,
                        "an entry not found by its account");

        // Signing in as a listed account gives a condition of the design
        // and an order of every task.
        const SignInPlan::Plan plan =
            SignInPlan::plan(design, reading.file, nullptr, {}, entry.account, taskCount);
        corefuzz::check(plan.condition.isEmpty() == design.conditions.isEmpty(),
                        "a participant of a design with conditions got none");
        corefuzz::check(plan.condition.isEmpty() || design.condition(plan.condition),
                        "a condition the design does not have");
        corefuzz::check(ParticipantsFile::arrangesTasks(plan.taskOrder, taskCount),
                        "a task order that is no arrangement");
    }
    return 0;
}
