#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// The tasks of a study as written in questions.txt: tasks are closed by ";",
// the questions of a task are separated by "$", and a question may end in
// "|" and the number of lines of its answer box.
namespace QuestionsFile {

struct Question
{
    QString text;        // HTML
    int answerLines = 0; // 0: the question has no answer box
    // Where it stands in the text of the file, for messages: the offset of
    // its first character and of every "|" in it, and what follows the first
    // "|" as written (null without one).
    qsizetype offset = 0;
    QList<qsizetype> bars;
    QString answerLinesText;
};

using Task = QList<Question>;

// The whole file as read.
struct Contents
{
    QString text;       // decoded (UTF-8 when valid, else Latin-1), up to the first NUL
    QList<Task> tasks;
    qsizetype rest = 0; // the offset after the last ";": what follows is no task
};

// The file's name in a project folder.
QString fileName();

// The tasks of a file; a missing or unreadable file has none.
Contents read(const QString &path);
Contents fromBytes(const QByteArray &bytes);

// A picture in a question is shown only when it is a regular file of at most
// this size: a path to a device such as /dev/zero would otherwise be read until
// memory runs out, before the window ever shows.
constexpr qint64 MaxPictureBytes = 16 * 1024 * 1024;

// Splits the text of questions.txt into tasks. Only pieces closed by ";"
// are tasks; whatever follows the last ";" is not one. Empty pieces count:
// an empty task gives a page with one empty question.
QList<Task> parse(const QString &text);

// The answer-line count of a question's "|" piece: a decimal number,
// surrounding white space ignored; anything else, or a negative number, is 0.
int answerLineCount(const QString &piece);

// A question's HTML as one line of plain text, for tables: comments, heads,
// styles and scripts dropped, tags that break a line read as a space, other
// tags removed, character references decoded, white space simplified.
QString plainText(const QString &html);

} // namespace QuestionsFile
