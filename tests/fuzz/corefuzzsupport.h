#pragma once

// What the fuzz targets of the study files share. They run in memory and
// link only featurehue_core: no application object, no widgets, no files.

#include "core/formats/diagnostics.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cstdio>
#include <cstdlib>

namespace corefuzz {

// Separates the files packed into one input; kept in the dictionaries so
// that the fuzzer finds and keeps it.
inline const QByteArray &separator()
{
    static const QByteArray sep("\n@@@@\n");
    return sep;
}

// Splits data at the separator into exactly `parts` pieces; the last keeps
// any further separators, missing pieces are null.
inline QByteArrayList split(const uint8_t *data, size_t size, int parts)
{
    const QByteArray all = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                   qsizetype(size));
    QByteArrayList pieces;
    qsizetype from = 0;
    while (pieces.size() < parts - 1) {
        const qsizetype at = all.indexOf(separator(), from);
        if (at < 0)
            break;
        pieces.append(all.mid(from, at - from));
        from = at + separator().size();
    }
    pieces.append(all.mid(from));
    while (pieces.size() < parts)
        pieces.append(QByteArray());
    return pieces;
}

// A broken invariant is a finding like a crash: named, then the process ends
// so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "featurehue fuzz invariant broken: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

// Every problem of a reader names its file and a place in it: a line from
// 1 (0 only for a file that could not be read at all) no further down than
// the text's lines, and a column when there is a line.
inline void checkPlaces(const QList<Diagnostic> &problems, const QByteArray &text,
                        const char *what)
{
    const int lines = int(text.count('\n')) + 1;
    for (const Diagnostic &problem : problems) {
        check(!problem.path.isEmpty(), what);
        check(problem.line >= 1 && problem.line <= lines, what);
        check(problem.column >= 0, what);
        check(!problem.text.isEmpty(), what);
    }
}

} // namespace corefuzz
