#pragma once

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

// One open file tab of a replayed sitting.
struct ReplayTab
{
    QString file;    // as logged: relative to the study folder, "/src/chat/Server.java"
    int first = -1;  // the lines last seen in it; -1: not known
    int last = -1;
    int opacity = 0; // of its bands, 0..255

    bool operator==(const ReplayTab &other) const
    {
        return file == other.file && first == other.first && last == other.last
               && opacity == other.opacity;
    }
};

// What the participant's screen showed at one moment of a sitting, as far as
// the log and the view file tell it.
struct ReplayState
{
    qint64 ms = 0;          // since the start of the sitting
    int task = -1;          // as in the log: -1 before sign-in ("code"), else "task<n>"
    bool finished = false;  // the last task was completed
    // The file and lines of the last record or view row, as written there:
    // after a "fileClosed" the closed file, as the log has it.
    QString file;
    int first = -1;
    int last = -1;
    QList<ReplayTab> tabs;  // in the order they were opened
    int front = -1;         // the tab in front; -1: none
    bool coloursKnown = false; // only the view file tells colours
    QMap<QString, QString> colours; // feature -> "#rrggbb"
    int opacity = 0;        // the opacity slider, 0..255
    QString finderText;     // the finder: its text, its scope and the
    bool finderProject = false; // marks of a search in the current file,
    bool marks = false;     // shown in the tab in front
    QString featureSearch;  // the feature model's search field
    QString searchKind;     // the last search: "current", "project" or "feature"
    QString searchText;
    bool featureView = false; // the explorer shows the feature view
    bool focus = true;      // the viewer had the keyboard
    bool closed = false;    // the viewer was closed
    bool interrupted = false; // between two runs of the viewer
    int record = -1;        // the last record at or before ms; -1: none yet

    // "code" before sign-in, else "task" and the number, as the log writes it.
    QString taskName() const;
    const ReplayTab *frontTab() const;
    QString frontFile() const;
    int tabOf(const QString &file) const;

    // The state for scripts: task, file, first, last, tabs, front, colours
    // (null when the view file is missing), opacity, search (null before the
    // first one), interrupted.
    QJsonObject toJson() const;
};
