#pragma once

#include <QList>
#include <QString>

class Diagnostics;
struct StudyInputs;

// Checks a study's design files with the readers the viewer and the report
// use: study.json (unknown keys, wrong values, a condition's assignment file
// missing), participants.csv (unknown conditions, orders that do not arrange
// the tasks) and answer-key.csv (tasks or answer boxes that questions.txt does
// not have, patterns that do not compile, numbers that do not parse).
class StudyDesignCheck
{
public:
    StudyDesignCheck(const QString &folder, Diagnostics &diagnostics);

    void run();

private:
    void checkCrossing(const StudyInputs &inputs);
    void checkAnswerKey(const QList<int> &boxesPerTask);

    QString m_folder;
    Diagnostics &m_diagnostics;
};
