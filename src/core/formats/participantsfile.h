#pragma once

#include "core/formats/diagnostics.h"
#include "core/formats/jsonlocations.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class StudyDesign;

// participants.csv: accounts given their condition (and, if wanted, their
// task order) before they sign in, so that several lab machines, each with
// its own copy of the folder, share one allocation. A listed condition wins
// over study.json's "assign".
//
//   account,condition,order
//   p01,colour,1 3 2
//   p02,plain,"2,1,3"
//
// The header names the columns (any order; "order" may be left out). An
// order lists every task of questions.txt once, counted from 1, separated
// by white space, commas or semicolons; an empty order or condition leaves
// it to study.json.
class ParticipantsFile
{
public:
    static const QString FileName; // "participants.csv"

    struct Entry
    {
        QString account;
        QString condition;  // empty: study.json decides
        QList<int> order;   // empty: study.json decides
        TextPosition position; // the row's first field
    };

    QList<Entry> entries;
    bool present = false;

    // The entry of the account (names compared after trimming), or null.
    const Entry *entry(const QString &account) const;

    struct Reading;

    // Reads the text of a participants.csv. A condition must be one of the
    // design's; an order must arrange taskCount tasks (not checked when
    // taskCount is negative). Rows with problems are left out.
    static Reading read(const QByteArray &bytes, const StudyDesign &design, int taskCount,
                        const QString &path = FileName);
    // Reads folder/participants.csv; none there gives no entries and no problems.
    static Reading readFolder(const QString &folder, const StudyDesign &design, int taskCount);

    // An order as written in a field: numbers separated by white space,
    // commas or semicolons. Nothing when an item is no number.
    static std::optional<QList<int>> parseOrder(const QString &text);
    // True when order holds each of 1..taskCount exactly once.
    static bool arrangesTasks(const QList<int> &order, int taskCount);
};

struct ParticipantsFile::Reading
{
    ParticipantsFile file;
    QList<Diagnostic> problems;
    bool usable() const { return !containsErrors(problems); }
};
