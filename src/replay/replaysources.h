#pragma once

#include "core/formats/diagnostics.h"
#include "core/formats/logrecord.h"
#include "core/formats/questionsfile.h"
#include "core/formats/sessionfile.h"
#include "core/formats/studydesign.h"
#include "core/formats/viewfile.h"
#include "replay/replaytimeline.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a replay reads of one participant in a study folder: the log, the view
// file, the session file and the answers file of <account>_<user>, and the
// folder's questions.txt and study.json. Every file may be missing or
// damaged; what is there is used, and what is not is said twice: as
// diagnostics for standard error and as short notes for the replay bar.
struct ReplaySources
{
    QString folder;
    QString account;
    QString user;

    QList<LogRecord> records;
    QList<ViewFile::Row> rows;
    std::optional<SessionFile> session;   // only when it reads without error
    std::optional<StudyCondition> condition; // the session's condition in study.json
    QList<QuestionsFile::Task> tasks;     // of questions.txt
    QStringList answers;  // the final answer of every box, page after page
    bool answersFound = false;

    QList<Diagnostic> problems;
    QStringList notes;

    // "<folder>/<account>_<user><suffix>"
    QString path(const QString &suffix) const;

    // A log record or a view row to replay.
    bool replayable() const { return !records.isEmpty() || !rows.isEmpty(); }
    ReplayTimeline::Settings settings() const;

    // The task of questions.txt (from 0) shown on a task page (from 1): as
    // the session's task order has it, else in the file's order; -1 for a
    // page the questionnaire does not have.
    int taskOnPage(int page) const;
    // The final answers of the page's boxes. The answers file keeps the
    // boxes in the order the pages showed them.
    QStringList answersOnPage(int page) const;

    // The users that an account's study files name ("anna_bernd_log.txt"
    // names "bernd"), sorted.
    static QStringList usersOf(const QString &folder, const QString &account);

    static ReplaySources load(const QString &folder, const QString &account,
                              const QString &user);

private:
    void readLog();
    void readView();
    void readSession();
    void readQuestionsAndAnswers();
    void note(const QString &path, Diagnostic::Severity severity, const QString &problem,
              const QString &shortNote);
};
