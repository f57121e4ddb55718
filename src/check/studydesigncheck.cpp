#include "studydesigncheck.h"

#include "core/formats/answerkey.h"
#include "core/formats/diagnostics.h"
#include "core/study/studyinputs.h"
#include "core/study/taskorder.h"

#include <QFileInfo>

#include <numeric>

StudyDesignCheck::StudyDesignCheck(const QString &folder, Diagnostics &diagnostics)
    : m_folder(folder), m_diagnostics(diagnostics)
{
}

void StudyDesignCheck::run()
{
    const StudyInputs inputs = StudyInputs::load(m_folder);
    for (const Diagnostic &problem : inputs.problems)
        m_diagnostics.report(problem);
    const StudyDesign &design = inputs.design;
    if (design.present && inputs.usable() && design.keepFirst > 0
        && design.keepFirst >= inputs.taskCount()) {
        m_diagnostics.warning(StudyDesign::FileName, design.keepFirstPosition.line,
                              design.keepFirstPosition.column,
                              QStringLiteral("\"keepFirst\" %1 keeps all %2 tasks of questions.txt "
                                             "in place; no order is varied")
                                  .arg(design.keepFirst)
                                  .arg(inputs.taskCount()));
    }
    if (inputs.usable())
        checkCrossing(inputs);
    checkAnswerKey(inputs.boxesPerTask);
}

void StudyDesignCheck::checkCrossing(const StudyInputs &inputs)
{
    // Sign-ins one after another get the conditions in turn and the square's
    // rows in turn: with a common factor, condition and order go in step.
    const StudyDesign &design = inputs.design;
    const int conditions = int(design.conditions.size());
    const int rows = TaskOrdering::latinSquareRows(inputs.taskCount(), design.keepFirst);
    if (design.taskOrder != StudyDesign::TaskOrder::LatinSquare || conditions < 2 || rows < 2
        || std::gcd(conditions, rows) == 1)
        return;
    // Orders listed in participants.csv are the remedy: the researcher crossed them.
    for (const ParticipantsFile::Entry &entry : inputs.participants.entries) {
        if (!entry.order.isEmpty())
            return;
    }
    m_diagnostics.warning(StudyDesign::FileName, design.taskOrderPosition.line,
                          design.taskOrderPosition.column,
                          QStringLiteral("%1 conditions given in turn and a Latin square of %2 "
                                         "rows go in step: participant n gets condition n mod %1 "
                                         "and row n mod %2, so each condition sees only some of "
                                         "the orders; give the orders in participants.csv to "
                                         "cross them")
                              .arg(conditions)
                              .arg(rows));
}

void StudyDesignCheck::checkAnswerKey(const QList<int> &boxesPerTask)
{
    const QString path = m_folder + QLatin1Char('/') + AnswerKey::FileName;
    if (!QFileInfo::exists(path))
        return;
    const AnswerKey::Reading reading = AnswerKey::readFile(path, AnswerKey::FileName);
    for (const Diagnostic &problem : reading.problems)
        m_diagnostics.report(problem);
    for (const Diagnostic &problem : reading.key.checkAgainst(boxesPerTask))
        m_diagnostics.report(problem);
    // The viewer never shows the key, but a participant at a lab machine
    // could open the file; the report can read it from elsewhere.
    m_diagnostics.note(AnswerKey::FileName, 0, 0,
                       QStringLiteral("the answer key lies in the study folder; keep it off the "
                                      "lab machines and give it to \"featurehue report --key\""));
}
