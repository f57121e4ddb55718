#pragma once

#include "core/formats/diagnostics.h"
#include "core/formats/participantsfile.h"
#include "core/formats/studydesign.h"

#include <QList>
#include <QString>

// What a study folder says about its design, read as the viewer reads it at
// start: study.json, participants.csv, and the number and answer boxes of the
// tasks of questions.txt that orders must arrange. A folder without
// study.json and participants.csv gives the empty design and no problems.
struct StudyInputs
{
    StudyDesign design;
    ParticipantsFile participants;
    QList<int> boxesPerTask; // answer boxes of every task of questions.txt, in its order
    // Everything that keeps the design from being used as written (errors)
    // or that a researcher should look at (warnings), path:line:column each.
    QList<Diagnostic> problems;

    int taskCount() const { return int(boxesPerTask.size()); }
    // No error among the problems: a sitting can start.
    bool usable() const { return !containsErrors(problems); }

    static StudyInputs load(const QString &folder);
};
