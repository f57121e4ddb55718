#pragma once

// What the fuzz targets of the study files share besides fuzzsupport.h:
// they run in memory and link only featurehue_core.

#include "fuzzsupport.h"

#include "core/formats/diagnostics.h"

namespace corefuzz {

using fuzz::check;
using fuzz::fail;
using fuzz::separator;
using fuzz::split;

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
