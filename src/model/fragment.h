#pragma once

#include <QString>

class Feature;

// One annotated fragment as seen by one feature.
struct Fragment
{
    int startLine = 0;
    int lineSpan = 0; // end line minus start line; a one-line fragment has span 0
    Feature *feature = nullptr;
    QString expression; // the feature expression, empty for a plain feature name
    int featureCount = 0;
};
