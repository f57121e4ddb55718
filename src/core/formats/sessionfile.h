#pragma once

#include "core/formats/diagnostics.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// <account>_<user>_session.json: what a participant was given and what they
// sat with, written atomically at every sign-in (and when a sitting ends), so
// the analysis knows the condition, the task order and the version of the
// material behind every log.
//
//   { "account": "anna", "user": "bernd", "condition": "plain",
//     "taskOrder": [1, 3, 2], "number": 4,
//     "materials": "<SHA-256, hex>", "version": "0.1.0",
//     "screen": { "width": 1920, "height": 1080 },
//     "sittings": [ { "start": "2026-12-08T09:14:03Z", "end": "2026-12-08T09:51:40Z",
//                     "materials": "...", "version": "0.1.0",
//                     "screen": { "width": 1920, "height": 1080 } } ] }
//
// taskOrder lists the task numbers of questions.txt (from 1) in the order
// the pages showed them: page k showed task taskOrder[k - 1]. The top-level
// materials, version and screen are those of the latest sign-in; every
// sitting keeps its own. A sitting's "end" is null while it runs, and stays
// so when the viewer was killed.
class SessionFile
{
public:
    static const QString Suffix; // "_session.json"

    struct Screen
    {
        int width = 0;
        int height = 0;
    };

    struct Sitting
    {
        QDateTime start; // UTC
        QDateTime end;   // UTC; invalid while the sitting runs or when it was cut off
        QString materials;
        QString version;
        Screen screen;
    };

    QString account;
    QString user;
    QString condition; // empty when the study has no conditions
    QList<int> taskOrder;
    int number = 0; // the participant's number in the folder, from 1 (0: not known)
    QString materials;
    QString version;
    Screen screen;
    QList<Sitting> sittings;

    // "<account>_<user>_session.json", beside the log and the answers.
    static QString fileName(const QString &account, const QString &user);

    QByteArray toJson() const;
    // Replaces the file atomically: the complete new content or the old
    // file untouched. False, with the reason in error, when it could not be
    // written.
    bool write(const QString &path, QString *error = nullptr) const;

    struct Reading;

    static Reading read(const QByteArray &bytes, const QString &path);
    // Reads the file at path; shownPath names it in the problems.
    static Reading readFile(const QString &path, const QString &shownPath);

    // The session files of a folder (every "*_session.json") that read
    // without error, by file name, leaving out the one named `except`.
    // problems (may be null) receives what the others had.
    struct InFolder;
    static QList<InFolder> readFolder(const QString &folder, const QString &except = QString(),
                                      QList<Diagnostic> *problems = nullptr);
};

struct SessionFile::Reading
{
    SessionFile session;
    QList<Diagnostic> problems;
    bool usable() const { return !containsErrors(problems); }
};

struct SessionFile::InFolder
{
    QString fileName;
    SessionFile session;
};
