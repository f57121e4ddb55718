#pragma once

#include "report/featurelines.h"
#include "core/formats/answerkey.h"
#include "core/formats/logrecord.h"
#include "core/formats/questionsfile.h"
#include "core/formats/sessionfile.h"
#include "core/formats/viewfile.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

class ReportWarnings;

// One participant of a study: the account name typed at sign-in and the
// operating-system user, as the names of their files give them.
struct Participant
{
    QString account;
    QString user;
    bool hasLog = false;
    bool hasAnswers = false;
    // Their log in file order, with the records logged before each sign-in
    // (from "_<user>_log.txt") put in front of it.
    QList<LogRecord> records;
    // Which of records came from "_<user>_log.txt"; empty when none did.
    QList<bool> beforeSignIn;
    // Indexes into records where a run of the program begins: the first
    // record, and each one after an interruption.
    QList<int> sessionStarts;
    QStringList answers; // as typed, one per answer box
    QString logPath;     // the files read, as named on the command line
    QString preSignInLogPath;
    QString answersPath;
    // What their session file says they were given (condition, task order,
    // materials); none without a readable "<account>_<user>_session.json".
    std::optional<SessionFile> session;
    QString sessionPath;
    // What was on their screen, from "<account>_<user>_view.csv": the rows
    // that read; hasView false without a readable view file.
    bool hasView = false;
    QList<ViewFile::Row> viewRows;
    QString viewPath;

    // The one key of the participant in every table: the names' part of the
    // file names, "<account>_<user>" ("_<user>" for records before a sign-in
    // that no sign-in follows).
    QString id() const { return account + QLatin1Char('_') + user; }
    // The file a record was read from.
    const QString &pathOf(int record) const
    {
        return record < beforeSignIn.size() && beforeSignIn.at(record) ? preSignInLogPath
                                                                       : logPath;
    }
};

// Everything a finished study folder holds, read without changing it.
struct StudyFolder
{
    QString folder;
    QList<QuestionsFile::Task> tasks;
    FeatureLines lines;
    QList<Participant> participants;
    // How the answers are scored; without entries nothing is.
    AnswerKey key;
    // The SHA-256 of the material as the folder holds it now (StudyMaterials);
    // empty when no participant has a session file to compare it with.
    QString materials;

    // Reads the folder; nothing when it cannot be read at all (then one
    // error has been reported). Damaged files give warnings and the rest is used.
    static std::optional<StudyFolder> read(const QString &folder, ReportWarnings &warnings);

    // Splits "<account>_<user>" by the user names known from the pre-sign-in
    // logs; without one that fits, at the last "_".
    static QPair<QString, QString> splitPrefix(const QString &prefix,
                                               const QStringList &knownUsers);

    // Puts each record logged before sign-in in front of the next sign-in
    // of its user (by time) and finds where each run of the program begins.
    // Returns the records that no sign-in follows.
    static QList<LogRecord> mergePreSignIn(QList<Participant> &participants,
                                           const QString &user,
                                           const QList<LogRecord> &preSignIn);

    // The answer boxes of every task, in the order of questions.txt.
    QList<int> boxesPerTask() const;

private:
    // Reads each participant's session file and, when there is one, works
    // out the folder's materials hash to compare theirs with.
    void readSessions(ReportWarnings &warnings);
    // Reads each participant's view file; damaged rows are warned about
    // (kind "view-file") and the rest is used.
    void readViews(ReportWarnings &warnings);
    // Gives every user's records before sign-in (by user) to their sign-ins;
    // those that no sign-in follows become a participant of their own.
    void placePreSignIn(const QMap<QString, QList<LogRecord>> &preSignIn,
                        ReportWarnings &warnings);
};
