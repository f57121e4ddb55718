#include "projectsearch.h"

#include "core/formats/textdecoding.h"
#include "ui/structure/treepaths.h"

#include <QTreeWidgetItem>

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

qsizetype countInFile(const QRegularExpression &pattern, const QString &filePath)
{
    if (!pattern.isValid())
        return 0;
    // Framed in one allocation: chained operator+ copies the text twice and
    // made the whole search several times slower.
    const QString text = readTextFile(filePath);
    QString content;
    content.reserve(text.size() + 2);
    content += QLatin1Char(' ');
    content += text;
    content += QLatin1Char(' ');
    // Decoded text is always valid UTF-16, so the check can be skipped.
    return countMatches(pattern, content, QRegularExpression::DontCheckSubjectStringMatchOption);
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
    QList<QTreeWidgetItem *> pending(topLevelItems.rbegin(), topLevelItems.rend());
    while (!pending.isEmpty()) {
        QTreeWidgetItem *item = pending.takeLast();
        if (item->childCount() > 0) {
            for (int i = item->childCount() - 1; i >= 0; --i)
                pending.append(item->child(i));
            continue;
        }
        const QString path = projectFilePath(folderPath, item);
        const qsizetype count = countInFile(pattern, path);
        if (count != 0)
            hits.append({item, resultRow(count, path.mid(folderPath.size()))});
    }
    return hits;
}

} // namespace ProjectSearch
