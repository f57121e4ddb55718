#pragma once

#include <QString>
#include <QtGlobal>

class Feature;

// One annotated fragment as seen by one feature.
struct Fragment
{
    int startLine = 0;
    int lineSpan = 0; // end line minus start line; a one-line fragment has span 0
    Feature *feature = nullptr;
    QString expression; // the feature expression, empty for a plain feature name
    int featureCount = 0;

    // The lines the fragment covers, start to end line inclusive, as the
    // trees count them; an end line before the start line leaves the start
    // line, as for a one-line fragment.
    qint64 coveredLines() const { return qMax<qint64>(1, qint64(lineSpan) + 1); }
};
