#include "csvreader.h"

#include <optional>

namespace CsvReader {

namespace {

class Scanner
{
public:
    Scanner(const QString &text, Mode mode) : m_text(text), m_mode(mode) {}

    Result run()
    {
        Result result;
        while (m_at < m_text.size()) {
            Record record;
            record.line = m_line;
            std::optional<Problem> problem = readRecord(record);
            if (problem) {
                result.problems.append(*problem);
                skipRestOfLine();
            }
            record.terminated = takeLineEnd();
            if (problem)
                continue;
            // A blank line is no record.
            if (record.fields.size() == 1 && record.fields.first().text.isEmpty()
                && !m_lastWasQuoted)
                continue;
            result.records.append(record);
        }
        return result;
    }

private:
    TextPosition here() const { return {m_line, int(m_at - m_lineStart) + 1}; }
    bool atLineEnd() const
    {
        if (m_at >= m_text.size())
            return true;
        const QChar c = m_text.at(m_at);
        return c == QLatin1Char('\n')
               || (c == QLatin1Char('\r') && m_at + 1 < m_text.size()
                   && m_text.at(m_at + 1) == QLatin1Char('\n'));
    }
    bool takeLineEnd()
    {
        if (m_at >= m_text.size())
            return false;
        if (m_text.at(m_at) == QLatin1Char('\r'))
            ++m_at;
        ++m_at; // the "\n"
        ++m_line;
        m_lineStart = m_at;
        return true;
    }
    void skipRestOfLine()
    {
        while (!atLineEnd())
            ++m_at;
    }

    std::optional<Problem> readRecord(Record &record)
    {
        for (;;) {
            Field field;
            field.position = here();
            m_lastWasQuoted = m_at < m_text.size() && m_text.at(m_at) == QLatin1Char('"');
            field.quoted = m_lastWasQuoted;
            std::optional<Problem> problem =
                m_lastWasQuoted ? readQuoted(field.text) : readPlain(field.text);
            if (problem)
                return problem;
            record.fields.append(field);
            if (m_at < m_text.size() && m_text.at(m_at) == QLatin1Char(',')) {
                ++m_at;
                continue;
            }
            return std::nullopt;
        }
    }

    std::optional<Problem> readPlain(QString &text)
    {
        const qsizetype start = m_at;
        while (!atLineEnd() && m_text.at(m_at) != QLatin1Char(','))
            ++m_at;
        text = m_text.mid(start, m_at - start);
        return std::nullopt;
    }

    std::optional<Problem> readQuoted(QString &text)
    {
        const TextPosition opening = here();
        ++m_at;
        for (;;) {
            if (m_at >= m_text.size())
                return Problem{opening, QStringLiteral("the quoted field is not closed")};
            const QChar c = m_text.at(m_at);
            if (c == QLatin1Char('"')) {
                if (m_at + 1 < m_text.size() && m_text.at(m_at + 1) == QLatin1Char('"')) {
                    text += c;
                    m_at += 2;
                    continue;
                }
                ++m_at;
                break;
            }
            if (atLineEnd()) {
                if (m_mode == Mode::OneLinePerRecord)
                    return Problem{opening, QStringLiteral("the quoted field is not closed")};
                takeLineEnd();
                text += QLatin1Char('\n');
                continue;
            }
            text += c;
            ++m_at;
        }
        if (!atLineEnd() && m_text.at(m_at) != QLatin1Char(','))
            return Problem{here(), QStringLiteral("text after the closing quote of a field")};
        return std::nullopt;
    }

    const QString &m_text;
    Mode m_mode;
    qsizetype m_at = 0;
    qsizetype m_lineStart = 0;
    int m_line = 1;
    bool m_lastWasQuoted = false;
};

} // namespace

Result parse(const QString &text, Mode mode)
{
    return Scanner(text, mode).run();
}

QString quoted(const QString &field)
{
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
                             || field.contains(QLatin1Char('\n'))
                             || field.contains(QLatin1Char('\r'))
                             || (!field.isEmpty()
                                 && (field.front().isSpace() || field.back().isSpace()));
    if (!needsQuotes)
        return field;
    QString text = field;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace CsvReader
