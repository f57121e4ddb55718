#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The participant's answers file: the text of every answer box followed by
// "$", then one "\n", stored as UTF-8.
//
// A typed "$" would be taken for the end of its answer, so inside an answer
// "$" is written as "\x24" and a typed backslash as "\\"; any other backslash
// stands for itself. Scripts that split the file at "$" still get one piece
// per answer box.
namespace AnswersFile {

// One answer as stored, and back. unescape(escape(a)) == a for any a.
QString escape(const QString &answer);
QString unescape(const QString &stored);

QByteArray encode(const QStringList &answers);

// Replaces the file atomically: either the complete new content is on disk
// or the previous file is left untouched. Returns false when nothing was
// written.
bool write(const QString &path, const QStringList &answers);

// The answers of a file's text: split at "$" and unescaped, without the
// closing line end. Text after the last "$" that is more than that line end (as left by
// an interrupted write) is kept as a piece of its own.
QStringList pieces(const QString &text);

// The answers of a file's bytes: UTF-8, or Latin-1 of older versions, the
// zeros a crash can leave dropped, then pieces().
QStringList fromBytes(const QByteArray &bytes);
// The same for a file; nothing, with the reason in error, when it cannot be
// read.
std::optional<QStringList> read(const QString &path, QString *error = nullptr);

// Maps pieces onto boxCount answer boxes in order. Pieces beyond the last box
// (a questionnaire with fewer boxes than before, or an answer with a "$"
// written before "$" was escaped) are joined with "$" into the last box so
// that no text is lost.
QStringList distribute(const QStringList &pieces, int boxCount);

} // namespace AnswersFile
