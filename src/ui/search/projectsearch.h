#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>

class QTreeWidgetItem;

// The search over every file of the project: the search text is a regular
// expression, each file row of the structure tree whose file matches gets one
// result row "<count>x at .../relative/path".
namespace ProjectSearch {

// One file with hits: its structure-tree row and the text of its result row.
struct Hit
{
    QTreeWidgetItem *leaf = nullptr;
    QString row;
};

// The search text as a pattern, special characters keeping their meaning.
// Whole words wants a non-word character or line break on each side; both
// sides enclose the whole text, so "a|b" means whole "a" or whole "b". \w and
// \W know letters beyond ASCII. A text that is no valid expression gives an
// invalid pattern, which finds nothing.
QRegularExpression pattern(const QString &text, bool wholeWords, bool caseSensitive);

// The number of matches in content when every next match is sought one
// character after the start of the previous one, so matches may overlap
// (two whole-word hits share the space between them). An empty pattern
// matches at every position, end included. 0 for an invalid pattern.
qsizetype countOverlapping(const QRegularExpression &pattern, const QString &content);

// The hits in one file: its text as the code view shows it, with one space
// added on each side so that whole words match at the very start and end.
// A missing or unreadable file counts as empty text.
qsizetype countInFile(const QRegularExpression &pattern, const QString &filePath);

// decimal(count) + "x at ..." + relativePath.
QString resultRow(qsizetype count, const QString &relativePath);

// Searches the file of every leaf of the tree with these top-level rows, in
// tree order, and returns the leaves with hits and their result rows. The
// file of a leaf is folderPath + "/" + its path below the top-level row.
QList<Hit> searchLeaves(const QList<QTreeWidgetItem *> &topLevelItems,
                        const QString &folderPath, const QRegularExpression &pattern);

} // namespace ProjectSearch
