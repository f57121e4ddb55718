#pragma once

#include <QChar>
#include <QStringView>

#include <algorithm>

// What the steps of the conditional scanner share about names.
namespace ConditionalScanner::Text {

inline bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

inline bool isName(QStringView text)
{
    if (text.isEmpty() || text.front().isDigit())
        return false;
    return std::all_of(text.begin(), text.end(), isWordChar);
}

} // namespace ConditionalScanner::Text
