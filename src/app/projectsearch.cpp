#include "projectsearch.h"

#include "model/textdecoding.h"
#include "model/treepaths.h"

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
    return QRegularExpression(QStringLiteral("[\\W\\n\\r](?:") + text
                                  + QStringLiteral(")[\\W\\n\\r]"),
                              options);
}

qsizetype countOverlapping(const QRegularExpression &pattern, const QString &content)
{
    if (!pattern.isValid())
        return 0;

    // The matcher would otherwise check the whole rest of the text for valid
    // UTF-16 on every call, which makes many hits in a long file quadratic.
    // One check here is enough; the offsets below never split a surrogate pair.
    const QRegularExpression::MatchOptions matchOptions =
        QStringView(content).isValidUtf16()
            ? QRegularExpression::DontCheckSubjectStringMatchOption
            : QRegularExpression::NoMatchOption;

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

qsizetype countInFile(const QRegularExpression &pattern, const QString &filePath)
{
    const QString content = QLatin1Char(' ') + readTextFile(filePath) + QLatin1Char(' ');
    return countOverlapping(pattern, content);
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
