#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// One statement of model.m: a head name and, when the statement has a child
// list, the names listed in it (possibly empty names).
struct FeatureStatement
{
    QString head;
    QStringList children; // empty: the statement has no child list

    bool operator==(const FeatureStatement &other) const
    {
        return head == other.head && children == other.children;
    }
};

// model.m, the one reader of the feature model's file: its text, split into
// statements, with where each name stands. "[" and "]" and every line
// break, tab and space are deleted first, so names cannot contain white space
// and brackets carry no meaning; then the text is split at every ";" (empty
// statements are skipped), each statement at every ":" into head, child list
// and an ignored rest, and the child list at every "|" (empty names kept).
struct FeatureModelFile
{
    // Where the names of one statement begin: offsets into text.
    struct Positions
    {
        qsizetype head = 0;
        QList<qsizetype> children; // one per child name
        qsizetype ignored = -1;    // a second ":" in the statement; -1 without one
    };

    bool readable = true; // false: missing or unreadable, read as empty
    QString errorString;  // why it could not be read
    QString text;         // decoded (UTF-8 when valid, else Latin-1), up to the first NUL
    QList<FeatureStatement> statements;
    QList<Positions> positions; // one per statement

    static QString fileName();

    static FeatureModelFile read(const QString &path);
    // A device that is not open yet is opened read-only and closed again.
    static FeatureModelFile read(QIODevice *device);
    static FeatureModelFile parse(const QByteArray &bytes);
    static FeatureModelFile parseText(const QString &text);
};

// Deletes "[" and "]" and then every line break, tab and space.
QString stripFeatureModelText(const QString &text);

// The statements of decoded model.m text (FeatureModelFile::parseText).
QList<FeatureStatement> parseFeatureModel(const QString &text);
