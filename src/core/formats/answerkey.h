#pragma once

#include "core/formats/diagnostics.h"
#include "core/formats/jsonlocations.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <optional>

// answer-key.csv: how the answers of a study are scored. Tasks are counted
// from 1 as they stand in questions.txt (whatever order a participant saw
// them in), questions as the answer boxes of their task, from 1.
//
//   task,question,match,expected
//   1,1,exact,Authenticator.java
//   1,2,any,sendHistory|ClientHandler.sendHistory
//   2,1,number,22±2
//   3,1,set,"Ciphers.java, chatsend.c"
//   3,2,regex,(?i)caesar.*
//   3,3,manual,
//
// The viewer never reads it; the report does (it may be given there from
// elsewhere, so that it never has to be on a lab machine).
class AnswerKey
{
public:
    static const QString FileName; // "answer-key.csv"

    enum class Match {
        Exact,  // equal after trimming, ignoring case and runs of white space
        Any,    // equal (as Exact) to one of the alternatives separated by "|"
        Regex,  // the whole trimmed answer matches the pattern
        Number, // a number equal to expected, or within "±" of it; "," may be the decimal mark
        Set,    // the same items, separated by commas or white space, in any order
        Manual, // not scored
    };
    enum class Verdict { Correct, Wrong, NotScored };

    struct Entry
    {
        int task = 0;     // from 1, as in questions.txt
        int question = 0; // the task's answer box, from 1
        Match match = Match::Manual;
        QString expected;
        TextPosition position;       // the row's first field
        TextPosition taskPosition;
        TextPosition questionPosition;
        // Prepared from expected when the key is read.
        QRegularExpression pattern;
        double number = 0;
        double tolerance = 0;
    };

    QList<Entry> entries;

    // The entry for that answer box, or null (then the answer is not scored).
    const Entry *entry(int task, int question) const;

    // Scores one answer as typed (not as stored: "$" and "\" unescaped).
    static Verdict score(const Entry &entry, const QString &answer);

    static QString matchName(Match match);
    // A number as written in an answer or a key: "42", "-3.5" or "3,5".
    static std::optional<double> parseNumber(const QString &text);

    struct Reading;

    // Reads the text of an answer key; path names it in the problems. Rows
    // with problems are left out.
    static Reading read(const QByteArray &bytes, const QString &path = FileName);
    // Reads the file at path; shownPath names it in the problems.
    static Reading readFile(const QString &path, const QString &shownPath);

    // Rows that name a task or an answer box that questions.txt does not have.
    // boxesPerTask: the answer boxes of every task, in the order of the file.
    QList<Diagnostic> checkAgainst(const QList<int> &boxesPerTask,
                                   const QString &path = FileName) const;
};

struct AnswerKey::Reading
{
    AnswerKey key;
    QList<Diagnostic> problems;
    bool usable() const { return !containsErrors(problems); }
};
