#pragma once

#include "core/formats/diagnostics.h"
#include "core/formats/jsonlocations.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One group of participants of a study and what its members see.
struct StudyCondition
{
    QString name;
    // False: no colour anywhere (no bands, side bars, tree bars, palette or
    // drops), the control group that reads the code without colours.
    bool colours = true;
    // A saved colour assignment given at sign-in, relative to the study
    // folder ("savedColorAssignments/chat1.txt"); empty: none.
    QString assignment;
    // The palette is hidden and colours cannot be given or taken away; the
    // opacity slider stays where it starts.
    bool locked = false;
    // Where the opacity slider starts (0..255); -1: where it always starts.
    int opacity = -1;

    TextPosition position;           // the condition's "{" in study.json
    TextPosition assignmentPosition; // its "assignment" value
};

// study.json: the conditions of a study, how participants are given one and
// in which order they see the tasks. Read with Qt's JSON classes; every
// problem names line and column of study.json.
//
//   { "conditions": [ { "name": "colour", "colours": true },
//                     { "name": "plain",  "colours": false } ],
//     "assign": "balanced", "taskOrder": "latin-square", "keepFirst": 1 }
class StudyDesign
{
public:
    static const QString FileName; // "study.json"

    enum class Assign {
        Balanced, // a new participant gets the condition with the fewest so far
    };
    enum class TaskOrder {
        Fixed,       // as in questions.txt
        Shuffled,    // a random order seeded by the account name
        LatinSquare, // the row of a balanced Latin square by participant number
    };

    QList<StudyCondition> conditions; // empty: everybody sees what the viewer shows anyway
    Assign assign = Assign::Balanced;
    TaskOrder taskOrder = TaskOrder::Fixed;
    int keepFirst = 0; // this many tasks stay in front, in their order (practice tasks)
    TextPosition keepFirstPosition;
    TextPosition taskOrderPosition;
    bool present = false; // read from a study.json (not just the empty design)

    // The condition of that name, or null.
    const StudyCondition *condition(const QString &name) const;
    static QString taskOrderName(TaskOrder order);

    struct Reading;

    // Reads the text of a study.json; path names the file in the problems.
    static Reading read(const QByteArray &bytes, const QString &path = FileName);
    // Reads folder/study.json. A folder without one gives the empty design
    // (no conditions, the fixed order) and no problems; one that cannot be
    // read gives an error.
    static Reading readFolder(const QString &folder);

    // What the conditions name that the folder does not hold: an assignment
    // file that is missing or no file. path names study.json in the problems.
    QList<Diagnostic> checkFiles(const QString &folder, const QString &path = FileName) const;
};

struct StudyDesign::Reading
{
    StudyDesign design;
    QList<Diagnostic> problems; // errors and warnings, path:line:column each
    // No error among the problems: the design can be used.
    bool usable() const { return !containsErrors(problems); }
};
