#pragma once

// Shared pieces of every fuzz target: the splitting of one input into
// several files and the report of a broken invariant. Qt Core only: the
// targets of the file formats run in memory, without an application object
// or widgets (fuzzwidgets.h has what the widget targets need besides).

#include <QByteArray>
#include <QByteArrayList>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Separates the files packed into one input, e.g. model.m and annotations.xml.
// Kept in the dictionaries so that the fuzzer finds and keeps it.
inline const QByteArray &separator()
{
    static const QByteArray sep("\n@@@@\n");
    return sep;
}

// Splits data at the separator into at most `parts` pieces; the last piece
// keeps any further separators. Missing pieces are null.
inline QByteArrayList split(const uint8_t *data, size_t size, int parts)
{
    const QByteArray all(reinterpret_cast<const char *>(data), qsizetype(size));
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

// Qt's own warnings about odd input are noise here. Call from
// LLVMFuzzerInitialize.
inline void quietQt()
{
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
}

// A broken invariant is a finding just like a crash: report it and abort so
// that libFuzzer keeps the input.
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

} // namespace fuzz
