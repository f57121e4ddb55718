#include "projectsearch.h"

#include "core/formats/textdecoding.h"
#include "core/model/parallelfor.h"
#include "ui/structure/treepaths.h"

#include <QFile>
#include <QTreeWidgetItem>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace ProjectSearch {

QRegularExpression pattern(const QString &text, bool wholeWords, bool caseSensitive)
{
    QRegularExpression::PatternOptions options =
        QRegularExpression::UseUnicodePropertiesOption;
    if (!caseSensitive)
        options |= QRegularExpression::CaseInsensitiveOption;

    // Checked on its own first: the group added for whole words could turn an
    // unbalanced text such as ")(" into a valid pattern.
    QRegularExpression bare(text, options);
    if (!wholeWords || !bare.isValid())
        return bare;
    // A non-word character (or line break) on each side. They are asserted
    // rather than consumed: the count moves on by one character from each
    // match start, so both forms count the same places, but an assertion in
    // front lets the matcher skip ahead to the text's first character instead
    // of trying every position, which is several times faster.
    return QRegularExpression(QStringLiteral("(?<=[\\W\\n\\r])(?:") + text
                                  + QStringLiteral(")(?=[\\W\\n\\r])"),
                              options);
}

namespace {

qsizetype countMatches(const QRegularExpression &pattern, const QString &content,
                       QRegularExpression::MatchOptions matchOptions)
{
    const qsizetype length = content.size();
    qsizetype count = 0;
    qsizetype offset = 0;
    while (offset <= length) {
        const QRegularExpressionMatch match =
            pattern.match(content, offset, QRegularExpression::NormalMatch, matchOptions);
        if (!match.hasMatch())
            break;
        ++count;
        // One character on, where a character outside the BMP is two units.
        offset = match.capturedStart() + 1;
        if (offset < length && content.at(offset).isLowSurrogate()
            && content.at(offset - 1).isHighSurrogate())
            ++offset;
    }
    return count;
}

} // namespace

qsizetype countOverlapping(const QRegularExpression &pattern, const QString &content)
{
    if (!pattern.isValid())
        return 0;
    // The matcher would otherwise check the whole rest of the text for valid
    // UTF-16 on every call, which makes many hits in a long file quadratic.
    // One check here is enough; the offsets never split a surrogate pair.
    return countMatches(pattern, content,
                        QStringView(content).isValidUtf16()
                            ? QRegularExpression::DontCheckSubjectStringMatchOption
                            : QRegularExpression::NoMatchOption);
}

namespace {

const QLatin1String wholeWordsBefore("(?<=[\\W\\n\\r])(?:");
const QLatin1String wholeWordsAfter(")(?=[\\W\\n\\r])");

// A search text of ASCII characters none of which means anything to the
// pattern. In a text of ASCII characters alone it matches exactly where its
// bytes stand (without case sensitivity, where they stand in either case: the
// other case partners of ASCII letters, such as the Kelvin sign, are no
// ASCII), and \w is [A-Za-z0-9_] there. So such a file is searched in its
// bytes, with the results of the pattern.
struct PlainText
{
    QByteArray bytes; // in lower case when caseless
    bool wholeWords = false;
    bool caseless = false;
};

std::optional<PlainText> plainTextOf(const QRegularExpression &pattern)
{
    if (!pattern.isValid())
        return std::nullopt;
    QString text = pattern.pattern();
    PlainText plain;
    if (text.startsWith(wholeWordsBefore) && text.endsWith(wholeWordsAfter)) {
        plain.wholeWords = true;
        text = text.mid(wholeWordsBefore.size(),
                        text.size() - wholeWordsBefore.size() - wholeWordsAfter.size());
    }
    static const QLatin1String special("\\^$.|?*+()[]{}");
    for (QChar c : std::as_const(text))
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || special.contains(c))
            return std::nullopt;
    if (text.isEmpty())
        return std::nullopt;
    plain.caseless = pattern.patternOptions() & QRegularExpression::CaseInsensitiveOption;
    plain.bytes = plain.caseless ? text.toLatin1().toLower() : text.toLatin1();
    return plain;
}

bool isAscii(const QByteArray &bytes)
{
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || c == '_';
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// countInFile() for a plain text in a file of ASCII characters: the same
// places, found in the bytes without decoding them. A NUL byte, shown as a
// replacement character, is no word character either way. Each candidate
// starts with the text's first byte, which memchr() finds fast (memmem()
// prepares the whole text again on every call, once per hit).
qsizetype countPlain(const PlainText &plain, const QByteArray &bytes)
{
    // The framed text (in lower case when caseless), in a buffer the thread
    // keeps for every file it searches.
    thread_local std::vector<char> framed;
    const std::size_t size = std::size_t(bytes.size()) + 2;
    framed.resize(size);
    framed.front() = ' ';
    framed.back() = ' ';
    if (plain.caseless)
        std::transform(bytes.cbegin(), bytes.cend(), framed.begin() + 1, asciiLower);
    else
        std::copy(bytes.cbegin(), bytes.cend(), framed.begin() + 1);

    const char *begin = framed.data();
    const char *needle = plain.bytes.constData();
    const std::size_t length = std::size_t(plain.bytes.size());
    if (length > size)
        return 0;
    const std::size_t lastStart = size - length;
    qsizetype count = 0;
    for (std::size_t from = 0; from <= lastStart;) {
        const void *found = std::memchr(begin + from, needle[0], lastStart - from + 1);
        if (!found)
            break;
        const std::size_t at = std::size_t(static_cast<const char *>(found) - begin);
        if (std::memcmp(begin + at + 1, needle + 1, length - 1) == 0
            && (!plain.wholeWords
                || (at > 0 && at + length < size && !isWordByte(begin[at - 1])
                    && !isWordByte(begin[at + length]))))
            ++count;
        from = at + 1;
    }
    // A very large file's buffer is not kept for the next search.
    if (framed.capacity() > (std::size_t(1) << 22))
        std::vector<char>().swap(framed);
    return count;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qsizetype countInBytes(const QRegularExpression &pattern, const std::optional<PlainText> &plain,
                       const QByteArray &bytes)
{
    if (plain && isAscii(bytes))
        return countPlain(*plain, bytes);
    // Framed in one allocation: chained operator+ copies the text twice and
    // made the whole search several times slower.
    const QString text = decodeText(bytes);
    QString content;
    content.reserve(text.size() + 2);
    content += QLatin1Char(' ');
    content += text;
    content += QLatin1Char(' ');
    // Decoded text is always valid UTF-16, so the check can be skipped.
    return countMatches(pattern, content, QRegularExpression::DontCheckSubjectStringMatchOption);
}

} // namespace

qsizetype countInFile(const QRegularExpression &pattern, const QString &filePath)
{
    if (!pattern.isValid())
        return 0;
    return countInBytes(pattern, plainTextOf(pattern), readBytes(filePath));
}

QString resultRow(qsizetype count, const QString &relativePath)
{
    return QString::number(count) + QStringLiteral("x at ...") + relativePath;
}

QList<Hit> searchLeaves(const QList<QTreeWidgetItem *> &topLevelItems,
                        const QString &folderPath, const QRegularExpression &pattern)
{
    QList<Hit> hits;
    if (!pattern.isValid())
        return hits;

    // Pre-order walk; children are pushed in reverse so they come out in order.
    QList<QTreeWidgetItem *> leaves;
    QList<QTreeWidgetItem *> pending(topLevelItems.rbegin(), topLevelItems.rend());
    while (!pending.isEmpty()) {
        QTreeWidgetItem *item = pending.takeLast();
        if (item->childCount() > 0) {
            for (int i = item->childCount() - 1; i >= 0; --i)
                pending.append(item->child(i));
            continue;
        }
        leaves.append(item);
    }
    QStringList paths;
    paths.reserve(leaves.size());
    for (const QTreeWidgetItem *leaf : std::as_const(leaves))
        paths.append(projectFilePath(folderPath, leaf));

    // The files are read and searched on every core; each thread matches
    // with a pattern of its own.
    const std::optional<PlainText> plain = plainTextOf(pattern);
    std::vector<qsizetype> counts(std::size_t(leaves.size()));
    parallelFor(counts.size(), 16, [&] {
        return [&, own = QRegularExpression(pattern.pattern(), pattern.patternOptions())](
                   std::size_t i) {
            counts[i] = countInBytes(own, plain, readBytes(paths.at(qsizetype(i))));
        };
    });
    for (qsizetype i = 0; i < leaves.size(); ++i)
        if (counts[std::size_t(i)] != 0)
            hits.append({leaves.at(i),
                         resultRow(counts[std::size_t(i)], paths.at(i).mid(folderPath.size()))});
    return hits;
}

} // namespace ProjectSearch
