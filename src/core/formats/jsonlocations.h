#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A place in a text file, both counted from 1; 0 when not known.
struct TextPosition
{
    int line = 0;
    int column = 0;
};

// Where the keys and values of a JSON text stand, so that a reader that
// parses with Qt's JSON classes (which report only the offset of a syntax
// error) can name line and column of an unknown key or a wrong value.
//
// A path names a value from the top: object keys and array indexes (as
// decimal text), so {"a": [1, {"b": 2}]} has the paths [], ["a"],
// ["a","0"], ["a","1"] and ["a","1","b"]. Columns count characters of the
// UTF-8 text, not bytes. Meant for text that Qt's parser accepted; anything
// else gives whatever was found up to where it stops making sense, and never
// reads outside the text.
class JsonLocations
{
public:
    explicit JsonLocations(const QByteArray &utf8);

    // The opening quote of the key that names the value at path.
    TextPosition key(const QStringList &path) const;
    // The first character of the value at path (for the top: the document's).
    TextPosition value(const QStringList &path) const;
    // A path that is not found (a key Qt's parser spelt otherwise) gives the
    // place of the nearest value around it that is; only a text without any
    // value gives line and column 0.
    // Keys given a second (third, ...) time in the same object, where they
    // stand, in the order of the text. Qt's classes keep only one of them.
    struct Duplicate
    {
        QStringList path;
        TextPosition position;
    };
    const QList<Duplicate> &duplicateKeys() const { return m_duplicates; }

    // Line and column of a byte offset into the text (as QJsonParseError
    // gives it); offsets beyond the end give the position after the end.
    TextPosition position(qsizetype byteOffset) const;

private:
    void scan();
    qsizetype skipString(qsizetype from, QString *decoded) const;
    static QString pathKey(const QStringList &path);

    QByteArray m_text;
    QList<qsizetype> m_lineStarts;
    QHash<QString, qsizetype> m_keys;
    QHash<QString, qsizetype> m_values;
    QList<Duplicate> m_duplicates;
};
