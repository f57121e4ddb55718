#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QFile;
class QIODevice;

// annotations.xml as written: the elements that the viewer, the checker and
// the report read, in document order, each with where its start tag begins.
// The one reader of the format; what the elements mean (rows, records,
// findings, lines per feature) is up to each of them.
//
// Kept: the project element; under it folders, files and features; in a
// source file (name ending in .java, .c or .h) its fragments and features;
// in a fragment its features and other elements. Every other element is kept
// as Other, without what it holds. Element names are compared whole,
// prefix and all, without namespace processing. A file whose name is no
// source file name is kept without what it holds.
struct AnnotationsFile
{
    enum class Kind { Project, Folder, File, Fragment, Feature, Other };

    // An attribute's value as written, kept once for all elements that
    // carry the same (value() gives it): a null handle when the attribute
    // is missing.
    struct Value
    {
        int index = -1;
        bool isNull() const { return index < 0; }
    };

    struct Element
    {
        Kind kind = Kind::Other;
        int parent = -1;   // index of the enclosing element; -1 for the project
        int line = 0;      // where its start tag begins, both counted from 1
        int column = 0;
        // Project, folder, file: the "name" attribute; a feature: its text
        // (the text of everything inside it); another element: its name.
        QString name;
        // A file: "length"; a fragment: "startline", "endline", "offset" and
        // "length".
        Value length;
        Value startLine;
        Value endLine;
        Value offset;
        // A fragment: its child nodes (elements, comments and text other than
        // white space), the count its records carry.
        int childNodes = 0;
        // The elements kept inside it, in order: children() walks them.
        int firstChild = -1;
        int lastChild = -1;
        int nextSibling = -1;
    };

    // The indexes of the elements kept inside an element, in order.
    class Children
    {
    public:
        class Iterator
        {
        public:
            Iterator(const QList<Element> *elements, int index)
                : m_elements(elements), m_index(index)
            {
            }
            int operator*() const { return m_index; }
            Iterator &operator++()
            {
                m_index = m_elements->at(m_index).nextSibling;
                return *this;
            }
            bool operator!=(const Iterator &other) const { return m_index != other.m_index; }

        private:
            const QList<Element> *m_elements;
            int m_index;
        };

        Children(const QList<Element> *elements, int first) : m_elements(elements), m_first(first)
        {
        }
        Iterator begin() const { return {m_elements, m_first}; }
        Iterator end() const { return {m_elements, -1}; }
        bool isEmpty() const { return m_first < 0; }

    private:
        const QList<Element> *m_elements;
        int m_first;
    };

    enum class Status {
        Read,
        CannotOpen,   // error: the system's reason
        ParseError,   // error, errorLine, errorColumn: the parser's message and where
        NotAProject,  // error: the name of the document element; errorLine, errorColumn: where
    };

    Status status = Status::Read;
    QString error;
    int errorLine = 0;
    int errorColumn = 0;
    QList<Element> elements; // elements[0] is the project; empty unless Read

    // How a file is read: straight from its bytes (the files the tools
    // write), through a stream reader in one pass (any other file without
    // document type, comments or instructions in its fragments), or through
    // a document tree (everything else, errors included). Each gives up
    // what it cannot read to the next, with the same result.
    enum class Reading { Bytes, Stream, DocumentTree };
    // Says how, not what: operator== leaves these out.
    Reading reading = Reading::DocumentTree;
    bool readInOnePass = false; // read from its bytes or by the stream reader

    // The file's name in a project folder.
    static QString fileName();

    // Reads a file (opened in text mode, as the viewer always has).
    static AnnotationsFile read(const QString &path);
    // Reads a file as read(path) does. When it is read from its bytes, that
    // is done on a thread of its own, and `follow` is called on this one
    // again and again with the file as far as it is read and the number of
    // elements to take, all of them whole (the project and a folder once its
    // start tag is read, any other element with everything it holds),
    // rising. `finished` tells that the reading is over: from then on it is
    // true in every call, the number still rising, a step at a time, to all
    // the elements of the file in the last call. Of the elements before that
    // number, follow may read anything but their links to later elements (a
    // folder's children, an element's next sibling), which still change
    // until the reading is over. What follow was given counts only once it is
    // told `finished`: otherwise the bytes gave up, and the file returned was
    // read again in another way.
    using Follower = std::function<void(const AnnotationsFile &file, int whole, bool finished)>;
    static AnnotationsFile read(const QString &path, const Follower &follow);
    // Reads bytes; the XML declaration or a byte order mark names their encoding.
    static AnnotationsFile parse(const QByteArray &bytes);
    // Reads an open device from its current position to its end.
    static AnnotationsFile parse(QIODevice *device);
    // Reads bytes through a document tree alone. parse() reads the common
    // case in one pass and leaves the rest to this, with the same result.
    static AnnotationsFile parseDocument(const QByteArray &bytes);
    // Reads bytes beginning with the reading named.
    static AnnotationsFile parse(const QByteArray &bytes, Reading first);

    bool operator==(const AnnotationsFile &other) const;

    bool isRead() const { return status == Status::Read; }
    Children children(int element) const
    {
        return {&elements, elements.at(element).firstChild};
    }
    // An attribute's value: null when the attribute is missing, never null
    // (also when empty) when it is there.
    const QString &value(Value value) const;

    // Adds an element in document order (its readings build the list so)
    // as the last child of `parent`, and returns its index.
    int appendElement(Kind kind, int parent, const QString &name, int line, int column);
    // The handle of a value read (null for a null text); the same text
    // twice has one handle.
    Value addValue(const QString &text);
    // The file's name as the elements from the project down give it (the
    // project's own name is none of it): "src/chat/A.java".
    QString relativePath(int element) const;
    // Counts a number attribute as the viewer does: not a number reads as 0.
    static int number(const QString &attribute, bool *ok = nullptr);

private:
    // The readings after the one from the file's mapped bytes.
    static AnnotationsFile readInTextMode(QFile &file);

    QStringList m_values;               // what value() gives, by handle
    QHash<QString, int> m_valueIndexes; // the handle of each text
};

// Moved in memory as a whole when the list of elements grows.
Q_DECLARE_TYPEINFO(AnnotationsFile::Element, Q_RELOCATABLE_TYPE);
