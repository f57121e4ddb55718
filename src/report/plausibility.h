#pragma once

class ReportWarnings;
class ScreenTimeline;
struct Participant;
struct StudyFolder;

// The checks that tell a researcher where the numbers of a participant
// cannot be trusted as they stand. Each finding is one warning with the file
// and line it was found at; the report still writes every table.
namespace Plausibility {

// Everything below, for one participant.
void check(const StudyFolder &study, const Participant &participant,
           const ScreenTimeline &timeline, ReportWarnings &warnings);

// Time the log cannot give to one task (the first task page is left
// without a record).
void unattributedTime(const Participant &participant, const ScreenTimeline &timeline,
                      ReportWarnings &warnings);
// Records logged on pages after the questionnaire's last task.
void tasksBeyondQuestionnaire(const Participant &participant, int taskCount,
                              ReportWarnings &warnings);
// A time stamp earlier than the one of the record before.
void timeGoingBack(const Participant &participant, ReportWarnings &warnings);
// A task whose records begin before those of the task before it end.
void overlappingTasks(const Participant &participant, int taskCount, ReportWarnings &warnings);
// Records after the "taskCompleted" of the questionnaire's last task.
void recordsAfterFinish(const Participant &participant, int taskCount,
                        ReportWarnings &warnings);
// Files that annotations.xml does not list; most of them: a log of another project.
void unknownFiles(const StudyFolder &study, const Participant &participant,
                  ReportWarnings &warnings);
// An answers file with more or fewer answers than questions.txt has boxes.
void answerCount(const Participant &participant, int boxCount, ReportWarnings &warnings);
// A session file naming other material than the folder holds now, or than
// another participant's session file names.
void materials(const StudyFolder &study, const Participant &participant,
               ReportWarnings &warnings);

} // namespace Plausibility
