#include "findmarks.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>

#include <cmath>
#include <vector>

namespace {

bool isWordCharacter(char32_t c)
{
    if (c == U'_' || QChar::isLetterOrNumber(c))
        return true;
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing;
}

// The code point starting at i, and its length in UTF-16 units.
char32_t codePointAt(const QString &text, int i, int *units)
{
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
    }
    *units = 1;
    return text.at(i).unicode();
}

char32_t codePointBefore(const QString &text, int i)
{
    if (i >= 2 && text.at(i - 1).isLowSurrogate() && text.at(i - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(i - 2), text.at(i - 1));
    return text.at(i - 1).unicode();
}

// Width of text as the document lays it out on one line: runs between tabs
// by the font's advances, a tab up to the next multiple of the tab distance.
qreal lineWidth(const QFontMetricsF &metrics, qreal tabDistance, QStringView text)
{
    qreal x = 0;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != QLatin1Char('\t'))
            continue;
        if (i > runStart)
            x += metrics.horizontalAdvance(text.mid(runStart, i - runStart).toString());
        if (i < text.size())
            x = (std::floor(x / tabDistance) + 1) * tabDistance;
        runStart = i + 1;
    }
    return x;
}

// The 0-based visual line of a position. Without wrapping that is the block
// number, unless some block breaks into several lines (a Unicode line
// separator); then the first visual line of each block is tabulated once.
class VisualLines
{
public:
    explicit VisualLines(const QTextDocument *document)
    {
        // The plain layout of a large file lays nothing out: one line a block.
        if (isPlain(document))
            return;
        bool oneLinePerBlock = true;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            if (lineCount(block) != 1) {
                oneLinePerBlock = false;
                break;
            }
        }
        if (oneLinePerBlock)
            return;
        m_firstLine.reserve(document->blockCount());
        int line = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            m_firstLine.push_back(line);
            line += lineCount(block);
        }
    }

    int lineOf(const QTextBlock &block, int positionInBlock) const
    {
        if (m_firstLine.empty())
            return block.blockNumber();
        int inBlock = 0;
        if (const QTextLayout *layout = block.layout(); layout && layout->lineCount() > 1)
            inBlock = layout->lineForTextPosition(positionInBlock).lineNumber();
        return m_firstLine[block.blockNumber()] + qMax(0, inBlock);
    }

    static bool isPlain(const QTextDocument *document)
    {
        return qobject_cast<const QPlainTextDocumentLayout *>(document->documentLayout());
    }

private:
    static int lineCount(const QTextBlock &block)
    {
        if (!block.isVisible())
            return 0;
        const QTextLayout *layout = block.layout();
        return layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
    }

    std::vector<int> m_firstLine;
};

// The next hit in one block's text at or after from, or -1, by the rules of
// QTextDocument::find(): with whole words a hit touching a letter or digit is
// skipped together with the character after it. (Searching the block text
// directly avoids a text cursor per hit, which costs a layout query each.)
int findInBlock(const QString &blockText, const QString &text, int from,
                Qt::CaseSensitivity sensitivity, bool wholeWords)
{
    while (from >= 0 && from <= blockText.size()) {
        const int start = int(blockText.indexOf(text, from, sensitivity));
        if (start < 0)
            return -1;
        const int end = start + int(text.size());
        if (wholeWords
            && ((start != 0 && blockText.at(start - 1).isLetterOrNumber())
                || (end != blockText.size() && blockText.at(end).isLetterOrNumber()))) {
            from = end + 1;
            continue;
        }
        return start;
    }
    return -1;
}

} // namespace

namespace FindMarks {

int wordEnd(const QString &text, int start, int end)
{
    if (end <= start || end >= text.size() || !isWordCharacter(codePointBefore(text, end)))
        return end;
    int units = 1;
    while (end < text.size() && isWordCharacter(codePointAt(text, end, &units)))
        end += units;
    return end;
}

QList<Mark> find(const QTextDocument *document, const QFont &font, qreal lineStep,
                 const QString &text, QTextDocument::FindFlags options)
{
    QList<Mark> marks;
    if (!document || text.isEmpty())
        return marks;

    // Lines are read from the document's layout, so let it finish first; a
    // document on screen has done so already.
    if (QAbstractTextDocumentLayout *layout = document->documentLayout())
        layout->documentSize();
    const VisualLines visualLines(document);
    // Asking a block of a plain layout for its layout would make one for
    // each of hundreds of thousands of blocks.
    const bool plain = VisualLines::isPlain(document);

    // Widths are the font's exact advances, as the text layout uses them.
    const QFontMetricsF metrics(font);
    const int descent = QFontMetrics(font).descent();
    qreal tabDistance = document->defaultTextOption().tabStopDistance();
    if (tabDistance <= 0)
        tabDistance = 80;

    const Qt::CaseSensitivity sensitivity = options.testFlag(QTextDocument::FindCaseSensitively)
        ? Qt::CaseSensitive
        : Qt::CaseInsensitive;
    const bool wholeWords = options.testFlag(QTextDocument::FindWholeWords);

    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString blockText = block.text();
        // Like QTextDocument::find(), a non-breaking space matches a space.
        QString searchable = blockText;
        searchable.replace(QChar::Nbsp, QLatin1Char(' '));
        int from = 0;
        for (;;) {
            const int start = findInBlock(searchable, text, from, sensitivity, wholeWords);
            if (start < 0)
                break;
            const int end = wordEnd(blockText, start, start + int(text.size()));

            int lineStart = 0;
            if (const QTextLayout *layout = plain ? nullptr : block.layout();
                layout && layout->lineCount() > 1)
                lineStart = qMax(0, layout->lineForTextPosition(start).textStart());
            const QStringView line = QStringView(blockText).mid(lineStart);
            const qreal before = lineWidth(metrics, tabDistance, line.first(start - lineStart));
            const qreal through = lineWidth(metrics, tabDistance, line.first(end - lineStart));

            Mark mark;
            mark.start = block.position() + start;
            mark.end = block.position() + end;
            mark.rect = QRectF(before + 3,
                               visualLines.lineOf(block, start) * lineStep + descent + 2,
                               through - before, lineStep);
            marks.append(mark);
            from = end;
        }
    }
    return marks;
}

} // namespace FindMarks
