#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The participant's answers file: the text of every answer box followed by
// "$", then one "\n", stored as UTF-8.
namespace AnswersFile {

QByteArray encode(const QStringList &answers);

// Replaces the file atomically: either the complete new content is on disk
// or the previous file is left untouched. Returns false when nothing was
// written.
bool write(const QString &path, const QStringList &answers);

// The answer pieces of a file's text: split at "$", without the closing line
// end. Text after the last "$" that is more than that line end (as left by
// an interrupted write) is kept as a piece of its own.
QStringList pieces(const QString &text);

// Maps pieces onto boxCount answer boxes in order. Pieces beyond the last box
// (an answer that contained "$", or a questionnaire with fewer boxes than
// before) are joined with "$" into the last box so that no text is lost.
QStringList distribute(const QStringList &pieces, int boxCount);

} // namespace AnswersFile
