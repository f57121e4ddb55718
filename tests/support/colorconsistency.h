#pragma once

#include <QColor>
#include <QString>

class MainWindow;

namespace TestSupport {

bool sameRgb(const QColor &a, const QColor &b);
// The grey a feature without a colour shows in the structure trees.
bool isPlaceholderGrey(const QColor &color);
// The colour as text for a failure message.
QString describe(const QColor &color);

// Everything that shows a colour agrees with the colour manager's pairs.
// Returns the first disagreement found, or an empty string.
QString checkInStep(MainWindow &window);

} // namespace TestSupport
