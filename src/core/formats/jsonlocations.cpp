#include "jsonlocations.h"

#include <QSet>

#include <algorithm>

namespace {

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct Frame
{
    bool object = false;
    QStringList path;
    int index = 0;
    bool expectKey = true;
    QString key;
    QSet<QString> keys;
};

} // namespace

JsonLocations::JsonLocations(const QByteArray &utf8) : m_text(utf8)
{
    m_lineStarts.append(0);
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        if (m_text.at(i) == '\n')
            m_lineStarts.append(i + 1);
    }
    scan();
}

QString JsonLocations::pathKey(const QStringList &path)
{
    // A separator no key of a JSON text can hold unescaped is not needed:
    // the hash only has to tell paths apart, and the length prefix does.
    QString key;
    for (const QString &part : path)
        key += QString::number(part.size()) + QLatin1Char(':') + part;
    return key;
}

TextPosition JsonLocations::position(qsizetype byteOffset) const
{
    const qsizetype offset = std::clamp<qsizetype>(byteOffset, 0, m_text.size());
    const auto next = std::upper_bound(m_lineStarts.cbegin(), m_lineStarts.cend(), offset);
    const int line = int(next - m_lineStarts.cbegin());
    const qsizetype start = m_lineStarts.at(line - 1);
    int column = 1;
    for (qsizetype i = start; i < offset; ++i) {
        // UTF-8 continuation bytes belong to the character before them.
        if ((uchar(m_text.at(i)) & 0xC0) != 0x80)
            ++column;
    }
    return {line, column};
}

TextPosition JsonLocations::key(const QStringList &path) const
{
    const auto found = m_keys.constFind(pathKey(path));
    if (found != m_keys.cend())
        return position(*found);
    return path.isEmpty() ? TextPosition() : value(path.mid(0, path.size() - 1));
}

TextPosition JsonLocations::value(const QStringList &path) const
{
    for (QStringList at = path;; at.removeLast()) {
        const auto found = m_values.constFind(pathKey(at));
        if (found != m_values.cend())
            return position(*found);
        if (at.isEmpty())
            return TextPosition();
    }
}

// Skips the string whose opening quote is at `from`; returns the offset after
// its closing quote (the end of the text when it has none). decoded, when
// given, receives its characters with the escapes resolved.
qsizetype JsonLocations::skipString(qsizetype from, QString *decoded) const
{
    QString text;
    QByteArray run; // plain UTF-8 bytes since the last escape
    const auto flush = [&] {
        text += QString::fromUtf8(run);
        run.clear();
    };
    qsizetype i = from + 1;
    while (i < m_text.size() && m_text.at(i) != '"') {
        const char c = m_text.at(i);
        if (c != '\\') {
            run.append(c);
            ++i;
            continue;
        }
        if (i + 1 >= m_text.size())
            return m_text.size();
        const char escaped = m_text.at(i + 1);
        i += 2;
        switch (escaped) {
        case 'b': run.append('\b'); break;
        case 'f': run.append('\f'); break;
        case 'n': run.append('\n'); break;
        case 'r': run.append('\r'); break;
        case 't': run.append('\t'); break;
        case 'u': {
            int code = 0;
            for (int k = 0; k < 4 && i < m_text.size(); ++k, ++i)
                code = code * 16 + qMax(hexValue(m_text.at(i)), 0);
            // One UTF-16 unit: a surrogate pair comes as two escapes, which
            // end up side by side.
            flush();
            text += QChar(char16_t(code));
            break;
        }
        default: run.append(escaped); break;
        }
    }
    if (decoded) {
        flush();
        *decoded = text;
    }
    return i < m_text.size() ? i + 1 : m_text.size();
}

void JsonLocations::scan()
{
    QList<Frame> stack;
    const auto currentPath = [&stack]() -> QStringList {
        if (stack.isEmpty())
            return {};
        const Frame &top = stack.constLast();
        return top.path + QStringList{top.object ? top.key : QString::number(top.index)};
    };
    const auto noteValue = [&](qsizetype at) { m_values.insert(pathKey(currentPath()), at); };

    qsizetype i = 0;
    const qsizetype n = m_text.size();
    while (i < n) {
        const char c = m_text.at(i);
        if (isJsonSpace(c)) {
            ++i;
        } else if (c == '{' || c == '[') {
            noteValue(i);
            Frame frame;
            frame.object = c == '{';
            frame.path = currentPath();
            stack.append(frame);
            ++i;
        } else if (c == '}' || c == ']') {
            if (!stack.isEmpty())
                stack.removeLast();
            ++i;
        } else if (c == ',') {
            if (!stack.isEmpty()) {
                Frame &top = stack.last();
                if (top.object)
                    top.expectKey = true;
                else
                    ++top.index;
            }
            ++i;
        } else if (c == ':') {
            if (!stack.isEmpty())
                stack.last().expectKey = false;
            ++i;
        } else if (c == '"' && !stack.isEmpty() && stack.constLast().object
                   && stack.constLast().expectKey) {
            QString name;
            const qsizetype end = skipString(i, &name);
            Frame &top = stack.last();
            top.key = name;
            const QStringList path = top.path + QStringList{name};
            if (top.keys.contains(name))
                m_duplicates.append({path, position(i)});
            top.keys.insert(name);
            m_keys.insert(pathKey(path), i);
            i = end;
        } else if (c == '"') {
            noteValue(i);
            i = skipString(i, nullptr);
        } else {
            noteValue(i);
            while (i < n && !isJsonSpace(m_text.at(i)) && m_text.at(i) != ','
                   && m_text.at(i) != ']' && m_text.at(i) != '}')
                ++i;
        }
    }
}
