#pragma once

#include <QByteArray>
#include <QString>

// What a NUL character in a text file stands for. A NUL has no business in
// any of the viewer's files, but they meet them: a binary file under a source
// name, or the zeros a crash can leave in a file that was being appended to.
enum class NulCharacters {
    Replace, // shown as U+FFFD, so that the text keeps its lines (sources)
    EndText, // the text ends at the first one (feature model, questions)
};

// Every text file the viewer reads (feature model, sources, questions, study
// files) goes through this. A byte order mark names the encoding (UTF-8,
// UTF-16 or UTF-32, as Windows editors save); without one the text is UTF-8
// when it is valid UTF-8 and Latin-1 otherwise, so that both today's UTF-8
// files and older 8-bit files read correctly. readAsLatin1 (may be null) tells
// whether the last of these was taken.
QString decodeText(const QByteArray &bytes, NulCharacters nul = NulCharacters::Replace,
                   bool *readAsLatin1 = nullptr);

// Reads a whole file and decodes it as above; a missing or unreadable file
// reads as empty text.
QString readTextFile(const QString &path, NulCharacters nul = NulCharacters::Replace);

// The study files the viewer writes itself (log, answers): UTF-8, or Latin-1
// from older versions, whatever their first bytes look like (an older answer
// may well begin with "þÿ", which would read as a UTF-16 byte order mark).
// The zeros a crash can leave are dropped, so that what was written after
// them is read.
QString decodeStudyText(const QByteArray &bytes);
QString readStudyFile(const QString &path);
