#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QTextDocument>

class QFont;

// Where the yellow marks of a search in the current file go. The code view
// shows its document without line wrapping at a fixed line pitch, so a hit's
// mark is placed from that pitch and the font's metrics alone.
namespace FindMarks {

// One hit: the characters its mark covers (the hit, extended to the end of
// the word the hit ends in) and the mark's rectangle in the code scene.
struct Mark
{
    int start = 0;
    int end = 0;
    QRectF rect;
};

// Marks for every hit of text (plain text, not a pattern) in document, in
// document order, each word marked at most once. x is the width of the line's
// text before the hit plus 3 (tabs advance to the document's tab stops), y is
// the 0-based line number × lineStep + the font's descent + 2, the width is
// that of the covered characters and the height lineStep. lineStep is the
// distance between two lines as the code view lays them out.
QList<Mark> find(const QTextDocument *document, const QFont &font, qreal lineStep,
                 const QString &text, QTextDocument::FindFlags options);

// The end of the word in which [start, end) of text ends: end itself when the
// last character of the range or the one after it is not part of a word.
int wordEnd(const QString &text, int start, int end);

} // namespace FindMarks
