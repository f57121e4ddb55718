#pragma once

// A participant's log and view file written from short lines, for the
// replay's tests and the benchmark.

#include <QByteArray>
#include <QStringList>

namespace TestSupport {

// Second 0 of the sittings these files describe, in seconds since the epoch
// (2025-12-06T05:46:40Z).
constexpr qint64 SittingBase = 1765000000;

// One record per line: "seconds|task|file|action|first|last", seconds after
// SittingBase, task as logged ("code", "task0", ...), first and last empty
// when not known. Each record continues the one before; a "+" before the
// seconds starts a new run of the viewer (the record refers to itself).
QByteArray logOf(const QStringList &records);

// The view file: a header and one row per line,
// "seconds|event|task|file|first|last|detail", seconds after SittingBase
// with milliseconds ("2.5").
QByteArray viewOf(const QStringList &rows);

} // namespace TestSupport
