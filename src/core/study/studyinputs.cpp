#include "studyinputs.h"

#include "core/formats/questionsfile.h"
#include "core/formats/textdecoding.h"

#include <QFileInfo>

StudyInputs StudyInputs::load(const QString &folder)
{
    StudyInputs inputs;
    // The tasks as the questionnaire builds its pages from them.
    const QString questions = folder + QStringLiteral("/questions.txt");
    if (QFileInfo::exists(questions)) {
        for (const QuestionsFile::Task &task :
             QuestionsFile::parse(readTextFile(questions, NulCharacters::EndText))) {
            int boxes = 0;
            for (const QuestionsFile::Question &question : task)
                boxes += question.answerLines > 0 ? 1 : 0;
            inputs.boxesPerTask.append(boxes);
        }
    }

    StudyDesign::Reading design = StudyDesign::readFolder(folder);
    inputs.design = design.design;
    inputs.problems = design.problems;
    // participants.csv names the design's conditions: against a design with
    // errors every row would be reported again. It is read once study.json is right.
    if (!design.usable())
        return inputs;
    inputs.problems += inputs.design.checkFiles(folder);
    ParticipantsFile::Reading participants =
        ParticipantsFile::readFolder(folder, inputs.design, inputs.taskCount());
    inputs.participants = participants.file;
    inputs.problems += participants.problems;
    return inputs;
}
