#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// The saved colour-assignment file ("savedColorAssignments/<project><n>.txt")
// over plain data: the one reader and writer of its bytes. Features are
// identified by position: pair i belongs to feature i of the feature list,
// whatever name the file gives it.
namespace ColorAssignmentFormat {

struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const Rgb &other) const
    {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

// What "isCustom" says of a colour.
enum IsCustom { Ordinary = 0, Custom = 1, NoColor = 2 };

struct SavedPair
{
    QString feature;
    Rgb color;
    int isCustom = Ordinary;
};

struct SavedColor
{
    Rgb color;
    bool custom = false;
};

// The file's bytes: a document type line, then the root with the pair list
// and the palette, every element on its own line, indented by 10 spaces a
// level.
QByteArray toXml(const QList<SavedPair> &pairs, const QList<SavedColor> &palette);

// What a file holds, as applying it reads it.
struct Contents
{
    // The palette: the first child of the second element of the root and
    // the "color" elements after it.
    QList<Rgb> palette;
    // One colour per child node of the root's first element, in order; a node
    // that is no element reads black. A channel that is missing, no number
    // or outside 0..255 reads 0.
    QList<Rgb> pairs;
    // Whether the one-pass reading read it; the document tree read it
    // otherwise. Says how, not what: operator== leaves it out.
    bool readInOnePass = false;

    bool operator==(const Contents &other) const
    {
        return palette == other.palette && pairs == other.pairs;
    }
};

enum class ReadResult { Read, CannotRead, ParseError, NotAssignmentFile };

// Reads a file; on failure message is the line to report
// ("Error: Cannot read file : ...", "Error: Parse error at line ...",
// "Error: File is not a savedColorAssignment file").
ReadResult read(const QString &path, Contents *contents, QString *message);
ReadResult parse(const QByteArray &bytes, Contents *contents, QString *message);
ReadResult parse(QIODevice *device, Contents *contents, QString *message);
// Reads bytes through a document tree alone. parse() reads the common case
// in one pass and leaves the rest to this, with the same result.
ReadResult parseDocument(const QByteArray &bytes, Contents *contents, QString *message);

// Which palette colour each of featureCount features gets: an index into
// contents.palette, or -1 (back to grey). Feature i takes the last palette
// colour of pair i's value that no earlier feature took (a feature beyond
// the pairs reads black): a later duplicate wins, and two features saved
// with equal colours both get that colour back.
QList<int> paletteChoices(const Contents &contents, int featureCount);

} // namespace ColorAssignmentFormat
