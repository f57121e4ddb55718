#pragma once

#include <QList>
#include <QString>

#include <algorithm>

// Line and column (both from 1) of offsets into a text, for messages that
// point into a file.
class TextPositions
{
public:
    explicit TextPositions(const QString &text)
    {
        m_starts.append(0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('\n'))
                m_starts.append(i + 1);
        }
    }
    int line(qsizetype offset) const
    {
        return int(std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin());
    }
    int column(qsizetype offset) const { return int(offset - m_starts.at(line(offset) - 1)) + 1; }

private:
    QList<qsizetype> m_starts;
};
