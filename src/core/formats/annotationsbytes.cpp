#include "annotationsbytes.h"

#include "core/formats/annotationsfile.h"
#include "core/model/projectmodel.h"

#include <QHash>
#include <QXmlStreamReader>

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace {

using Kind = AnnotationsFile::Kind;

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// The five references every XML reader knows, and the character each
// stands for.
struct Entity
{
    QByteArrayView reference;
    char character;
};

const Entity *entityAt(QByteArrayView text)
{
    static const std::array<Entity, 5> entities{{
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
    for (const Entity &entity : entities) {
        if (text.startsWith(entity.reference))
            return &entity;
    }
    return nullptr;
}

// Character data as read (its references known to be among the five) with
// each reference replaced by its character.
QByteArray replaceReferences(QByteArrayView raw)
{
    QByteArray text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size();) {
        const Entity *entity = raw.at(i) == '&' ? entityAt(raw.sliced(i)) : nullptr;
        if (entity) {
            text.append(entity->character);
            i += entity->reference.size();
        } else {
            text.append(raw.at(i++));
        }
    }
    return text;
}

// Names and values are a few bytes long, and a document has millions of
// them: compared here, without a call for each.
bool same(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.data()[i] != b.data()[i])
            return false;
    }
    return true;
}

// An attribute value's bytes as the key of the values met before.
struct Bytes
{
    QByteArrayView view;
    bool operator==(const Bytes &other) const { return same(view, other.view); }
};

size_t qHash(const Bytes &bytes, size_t seed)
{
    return qHashBits(bytes.view.data(), size_t(bytes.view.size()), seed);
}

struct Attribute
{
    QByteArrayView name;
    QByteArrayView value;
};

// A start tag as read: its name, its attributes and where it began.
struct StartTag
{
    QByteArrayView name;
    std::array<Attribute, 8> attributes;
    int attributeCount = 0;
    bool empty = false; // written <name/>
    int line = 0;
    int column = 0;

    QByteArrayView value(QByteArrayView attribute, bool *found) const
    {
        for (int i = 0; i < attributeCount; ++i) {
            if (same(attributes[size_t(i)].name, attribute)) {
                *found = true;
                return attributes[size_t(i)].value;
            }
        }
        *found = false;
        return {};
    }
};

class ByteReading
{
public:
    ByteReading(QByteArrayView bytes, const std::function<void(int)> &whole)
        : m_begin(bytes.data()), m_p(bytes.data()), m_end(bytes.data() + bytes.size()),
          m_lineStart(bytes.data()), m_whole(whole)
    {
    }

    bool read(AnnotationsFile &file);

private:
    bool readRoot(StartTag *root);
    void tellWhole();
    bool readStartTag(StartTag *tag);
    bool readEndTag(QByteArrayView name);
    bool readName(QByteArrayView *name);
    bool readAttributes(StartTag *tag);
    // Reads character data up to the next '<' (which it leaves the reader
    // at), and holds whether it was white space alone.
    bool readText(bool *blank);
    // The next markup inside an element: a start tag (true, *tag read) or the
    // end tag of the element named (true, *ended). Character data before it
    // goes to text when there is one, else it must be white space if
    // spaceOnly.
    bool next(QByteArrayView element, StartTag *tag, bool *ended, bool spaceOnly,
              bool *sawText = nullptr);
    void skipSpace();
    int column(const char *at) const { return int(at - m_lineStart) + 1; }

    int add(Kind kind, int parent, const QString &name, const StartTag &tag);
    AnnotationsFile::Value shared(QByteArrayView value);
    AnnotationsFile::Value attribute(const StartTag &tag, QByteArrayView name);
    static QString present(QByteArrayView value, bool found);

    bool readContainer(const StartTag &tag, int parent);
    bool readFile(const StartTag &tag, int parent);
    bool readFragment(const StartTag &tag, int file);
    bool readFeature(const StartTag &tag, int parent);
    bool readOther(const StartTag &tag, int parent);
    bool skipContent(const StartTag &tag);
    template <typename ChildElement>
    bool readChildren(const StartTag &tag, ChildElement childElement);

    const char *m_begin;
    const char *m_p;
    const char *m_end;
    const char *m_lineStart;
    int m_line = 1;
    bool m_textBefore = false;
    AnnotationsFile *m_file = nullptr;
    const std::function<void(int)> &m_whole; // told the elements that are whole
    QHash<Bytes, AnnotationsFile::Value> m_shared; // values by their bytes
    // Feature texts met lately. Not every text met: among tens of thousands
    // of them, each lookup waited for memory longer than decoding takes.
    struct RecentText
    {
        size_t hash = 0;
        QByteArrayView raw; // as written where it was met last
        QString text;
    };
    std::array<RecentText, 1024> m_recentTexts;
};

void ByteReading::skipSpace()
{
    while (m_p < m_end && isSpace(*m_p)) {
        if (*m_p == '\n') {
            ++m_line;
            m_lineStart = m_p + 1;
        }
        ++m_p;
    }
}

bool ByteReading::readName(QByteArrayView *name)
{
    const char *start = m_p;
    if (m_p == m_end || !isNameStart(*m_p))
        return false;
    while (m_p < m_end && isNameChar(*m_p))
        ++m_p;
    // A prefix (or any other character a name may hold) is left to the
    // readings that know namespaces.
    if (m_p < m_end && !isSpace(*m_p) && *m_p != '>' && *m_p != '/' && *m_p != '=')
        return false;
    *name = QByteArrayView(start, m_p - start);
    return true;
}

bool ByteReading::readAttributes(StartTag *tag)
{
    tag->attributeCount = 0;
    for (;;) {
        const char *before = m_p;
        skipSpace();
        if (m_p == m_end)
            return false;
        if (*m_p == '>') {
            ++m_p;
            return true;
        }
        if (*m_p == '/') {
            if (m_end - m_p < 2 || m_p[1] != '>')
                return false;
            m_p += 2;
            tag->empty = true;
            return true;
        }
        if (m_p == before || tag->attributeCount == int(tag->attributes.size()))
            return false;
        Attribute attribute;
        if (!readName(&attribute.name))
            return false;
        skipSpace();
        if (m_p == m_end || *m_p != '=')
            return false;
        ++m_p;
        skipSpace();
        if (m_p == m_end || (*m_p != '"' && *m_p != '\''))
            return false;
        const char quote = *m_p++;
        const char *start = m_p;
        while (m_p < m_end && *m_p != quote) {
            const char c = *m_p;
            if (c < 0x20 || c == 0x7f || c == '<' || c == '&')
                return false;
            ++m_p;
        }
        if (m_p == m_end)
            return false;
        attribute.value = QByteArrayView(start, m_p - start);
        ++m_p;
        bool twice = false;
        tag->value(attribute.name, &twice);
        if (twice)
            return false;
        tag->attributes[size_t(tag->attributeCount++)] = attribute;
    }
}

bool ByteReading::readStartTag(StartTag *tag)
{
    // The reader is at '<'. A start tag after character data is placed one
    // column on, after a tag right at its '<', as the stream reader places it.
    tag->line = m_line;
    tag->column = column(m_p) + (m_textBefore ? 1 : 0);
    tag->empty = false;
    m_textBefore = false;
    ++m_p;
    return readName(&tag->name) && readAttributes(tag);
}

bool ByteReading::readEndTag(QByteArrayView name)
{
    // The reader is past "</".
    QByteArrayView read;
    if (!readName(&read) || !same(read, name))
        return false;
    skipSpace();
    if (m_p == m_end || *m_p != '>')
        return false;
    ++m_p;
    m_textBefore = false;
    return true;
}

bool ByteReading::readText(bool *blank)
{
    *blank = true;
    const char *start = m_p;
    while (m_p < m_end && *m_p != '<') {
        const char c = *m_p;
        if (c == '\n') {
            ++m_line;
            m_lineStart = m_p + 1;
        } else if (c == '&') {
            const Entity *entity = entityAt(QByteArrayView(m_p, m_end - m_p));
            if (!entity)
                return false;
            m_p += entity->reference.size();
            *blank = false;
            continue;
        } else if (c == '>') {
            if (m_p - start >= 2 && m_p[-1] == ']' && m_p[-2] == ']')
                return false;
        } else if (c == '\t' || c == ' ') {
        } else if (c < 0x20 || c == 0x7f) {
            return false;
        }
        if (!isSpace(c))
            *blank = false;
        ++m_p;
    }
    if (m_p != start)
        m_textBefore = true;
    return m_p < m_end;
}

bool ByteReading::next(QByteArrayView element, StartTag *tag, bool *ended, bool spaceOnly,
                       bool *sawText)
{
    bool blank = true;
    if (!readText(&blank))
        return false;
    if (sawText && m_textBefore)
        *sawText = true;
    if (spaceOnly && !blank)
        return false;
    // At '<'.
    if (m_end - m_p < 2)
        return false;
    if (m_p[1] == '/') {
        m_p += 2;
        *ended = true;
        return readEndTag(element);
    }
    *ended = false;
    if (m_p[1] == '!' || m_p[1] == '?')
        return false; // comments, sections, instructions: left to the other readings
    return readStartTag(tag);
}

int ByteReading::add(Kind kind, int parent, const QString &name, const StartTag &tag)
{
    return m_file->appendElement(kind, parent, name, tag.line, tag.column);
}

// An attribute's value: null when it is missing, never null when it is there.
QString ByteReading::present(QByteArrayView value, bool found)
{
    if (!found)
        return QString();
    const QString text = QString::fromLatin1(value);
    return text.isNull() ? QStringLiteral("") : text;
}

// Values met again and again (line numbers, lengths) are looked up by
// their bytes.
AnnotationsFile::Value ByteReading::shared(QByteArrayView value)
{
    const auto found = m_shared.constFind(Bytes{value});
    if (found != m_shared.constEnd())
        return *found;
    const AnnotationsFile::Value handle = m_file->addValue(present(value, true));
    m_shared.insert(Bytes{value}, handle);
    return handle;
}

AnnotationsFile::Value ByteReading::attribute(const StartTag &tag, QByteArrayView name)
{
    bool found = false;
    const QByteArrayView value = tag.value(name, &found);
    return found ? shared(value) : AnnotationsFile::Value();
}

// Reads what an element holds up to its end tag, text and all; every child
// element goes to childElement, false when it fails.
template <typename ChildElement>
bool ByteReading::readChildren(const StartTag &tag, ChildElement childElement)
{
    if (tag.empty)
        return true;
    StartTag child;
    bool ended = false;
    for (;;) {
        if (!next(tag.name, &child, &ended, false))
            return false;
        if (ended)
            return true;
        if (!childElement(child))
            return false;
    }
}

bool ByteReading::skipContent(const StartTag &tag)
{
    return readChildren(tag, [this](const StartTag &child) { return skipContent(child); });
}

bool ByteReading::readOther(const StartTag &tag, int parent)
{
    add(Kind::Other, parent, QString::fromLatin1(tag.name), tag);
    return skipContent(tag);
}

bool ByteReading::readContainer(const StartTag &tag, int parent)
{
    bool found = false;
    const QByteArrayView name = tag.value("name", &found);
    const int node = add(parent < 0 ? Kind::Project : Kind::Folder, parent,
                         present(name, found), tag);
    // A folder is whole with its start tag; what it holds, once read.
    tellWhole();
    return readChildren(tag, [&](const StartTag &child) {
        bool read = false;
        if (same(child.name, "folder"))
            read = readContainer(child, node);
        else if (same(child.name, "file"))
            read = readFile(child, node);
        else if (same(child.name, "feature"))
            read = readFeature(child, node);
        else
            read = readOther(child, node);
        if (read)
            tellWhole();
        return read;
    });
}

void ByteReading::tellWhole()
{
    if (m_whole)
        m_whole(int(m_file->elements.size()));
}

bool ByteReading::readFile(const StartTag &tag, int parent)
{
    bool found = false;
    const QByteArrayView name = tag.value("name", &found);
    const QString fileName = present(name, found);
    const int file = add(Kind::File, parent, fileName, tag);
    m_file->elements[file].length = attribute(tag, "length");
    if (!ProjectModel::isSourceName(fileName))
        return skipContent(tag);
    return readChildren(tag, [&](const StartTag &child) {
        if (same(child.name, "fragment"))
            return readFragment(child, file);
        if (same(child.name, "feature"))
            return readFeature(child, file);
        return readOther(child, file);
    });
}

bool ByteReading::readFragment(const StartTag &tag, int file)
{
    const int fragment = add(Kind::Fragment, file, QString(), tag);
    {
        AnnotationsFile::Element &element = m_file->elements[fragment];
        element.startLine = attribute(tag, "startline");
        element.endLine = attribute(tag, "endline");
        element.offset = attribute(tag, "offset");
        element.length = attribute(tag, "length");
    }
    if (tag.empty)
        return true;
    StartTag child;
    bool ended = false;
    int children = 0;
    for (;;) {
        // Only white space between the elements of a fragment: the document
        // tree drops it, and counts any other text as a child.
        if (!next(tag.name, &child, &ended, true))
            return false;
        if (ended) {
            m_file->elements[fragment].childNodes = children;
            return true;
        }
        ++children;
        const bool ok = same(child.name, "feature") ? readFeature(child, fragment)
                                                : readOther(child, fragment);
        if (!ok)
            return false;
    }
}

bool ByteReading::readFeature(const StartTag &tag, int parent)
{
    const int feature = add(Kind::Feature, parent, QString(), tag);
    if (tag.empty)
        return true;
    const char *start = m_p;
    bool blank = true;
    if (!readText(&blank))
        return false;
    const QByteArrayView raw(start, m_p - start);
    // At '<': only the feature's end tag may follow.
    if (m_end - m_p < 2 || m_p[1] != '/')
        return false;
    m_p += 2;
    if (!readEndTag(tag.name))
        return false;
    // White space alone is dropped by the document tree.
    if (!blank) {
        // A text met lately (a file names the same features again and
        // again) is shared, not decoded again.
        const size_t hash = qHashBits(raw.data(), std::size_t(raw.size()));
        RecentText &recent = m_recentTexts[hash % m_recentTexts.size()];
        if (recent.hash != hash || !same(recent.raw, raw)) {
            recent.hash = hash;
            recent.raw = raw;
            recent.text = raw.contains('&') ? QString::fromLatin1(replaceReferences(raw))
                                            : QString::fromLatin1(raw);
        }
        m_file->elements[feature].name = recent.text;
    }
    return true;
}

bool ByteReading::readRoot(StartTag *root)
{
    // The prolog: an XML declaration and white space, nothing else.
    const QByteArrayView all(m_begin, m_end - m_begin);
    if (all.startsWith("<?xml")) {
        const qsizetype close = all.indexOf("?>");
        if (close < 0)
            return false;
        for (const char *c = m_begin + 1; c < m_begin + close; ++c) {
            if (*c == '\n' || *c == '\r' || *c < 0x20 || *c == 0x7f || *c == '<')
                return false;
        }
        m_p = m_begin + close + 2;
    }
    skipSpace();
    if (m_p == m_end || *m_p != '<')
        return false;
    if (!readStartTag(root) || root->name != "project")
        return false;
    // Where the stream reader places the root, and whether it takes the
    // declaration (version, encoding) as this reading does.
    QXmlStreamReader xml(QByteArray::fromRawData(m_begin, int(m_p - m_begin)));
    xml.setNamespaceProcessing(false);
    for (;;) {
        const int line = int(xml.lineNumber());
        const int column = int(xml.columnNumber()) + 1;
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument: {
            const QString encoding = xml.documentEncoding().toString().toLower();
            if (!encoding.isEmpty() && encoding != QLatin1String("utf-8")
                && encoding != QLatin1String("us-ascii"))
                return false;
            break;
        }
        case QXmlStreamReader::StartElement:
            root->line = line;
            root->column = column;
            return true;
        default:
            return false;
        }
    }
}

bool ByteReading::read(AnnotationsFile &file)
{
    m_file = &file;
    StartTag root;
    if (!readRoot(&root) || !readContainer(root, -1))
        return false;
    // After the document element: white space alone.
    skipSpace();
    return m_p == m_end;
}

} // namespace

bool readAnnotationsBytes(QByteArrayView bytes, AnnotationsFile &file,
                          const std::function<void(int whole)> &whole)
{
    if (!ByteReading(bytes, whole).read(file)) {
        if (!whole)
            file.elements.clear();
        return false;
    }
    return true;
}
