#include "annotationsfile.h"

#include "core/formats/annotationsbytes.h"
#include "core/formats/xmlskip.h"
#include "core/model/bytecount.h"
#include "core/model/largepages.h"
#include "core/model/projectmodel.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace {

using Kind = AnnotationsFile::Kind;

const QString folderTag = QStringLiteral("folder");
const QString fileTag = QStringLiteral("file");
const QString fragmentTag = QStringLiteral("fragment");
const QString featureTag = QStringLiteral("feature");

struct Position
{
    int line = 0;
    int column = 0;
};

// The value of an attribute that is there: never null, also when empty.
QString present(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

int addElement(AnnotationsFile &file, Kind kind, int parent, const QString &name,
               Position position)
{
    return file.appendElement(kind, parent, name, position.line, position.column);
}

// The common case, read in one pass without a document tree. Whatever it
// cannot tell apart from what the document tree would make of it (errors,
// document type declarations, entities, prefixed names, comments, processing
// instructions or character data in fragments and features) makes it give
// up; the document tree reads such files.
class StreamReading
{
public:
    explicit StreamReading(const QByteArray &bytes) : m_xml(bytes)
    {
        m_xml.setNamespaceProcessing(false);
    }

    bool read(AnnotationsFile &file);

private:
    QXmlStreamReader::TokenType next();
    Position tokenStart() const { return {m_tokenLine, m_tokenColumn}; }
    bool hasPrefix() const { return m_xml.qualifiedName().contains(QLatin1Char(':')); }
    QString attribute(QLatin1StringView name) const
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        return attributes.hasAttribute(name) ? present(attributes.value(name).toString())
                                             : QString();
    }
    template <typename ChildElement>
    bool readChildren(ChildElement childElement);
    bool readContainer(int parent);
    bool readFile(int parent);
    bool readFragment(int file);
    bool readFeature(int parent);
    bool readText(QString *text);
    // Token positions are taken afresh by the next call of next().
    bool skip() { return skipXmlElement(m_xml); }

    QXmlStreamReader m_xml;
    AnnotationsFile *m_file = nullptr;
    int m_tokenLine = 1;
    int m_tokenColumn = 1;
};

QXmlStreamReader::TokenType StreamReading::next()
{
    // A token begins where the one before it ended.
    m_tokenLine = int(m_xml.lineNumber());
    m_tokenColumn = int(m_xml.columnNumber()) + 1;
    return m_xml.readNext();
}

bool StreamReading::read(AnnotationsFile &file)
{
    m_file = &file;
    bool ok = true;
    bool root = false;
    while (ok && !m_xml.atEnd()) {
        switch (next()) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        case QXmlStreamReader::Characters:
            ok = m_xml.isWhitespace();
            break;
        case QXmlStreamReader::StartElement:
            ok = !root && m_xml.qualifiedName() == QLatin1String("project");
            root = true;
            if (ok)
                ok = readContainer(-1);
            break;
        default: // a document type declaration, an entity, an error
            ok = false;
            break;
        }
    }
    return ok && root && !m_xml.hasError();
}

// Reads the children of the element the reader is at, up to its end tag;
// every child element goes to childElement, which names its tag. False when
// the content is anything the document tree would read differently.
template <typename ChildElement>
bool StreamReading::readChildren(ChildElement childElement)
{
    while (!m_xml.atEnd()) {
        switch (next()) {
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::StartElement:
            if (hasPrefix() || !childElement(m_xml.name()))
                return false;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        default:
            return false;
        }
    }
    return false;
}

// A project or folder element (the reader is at its start) and what it holds.
bool StreamReading::readContainer(int parent)
{
    const int node = addElement(*m_file, parent < 0 ? Kind::Project : Kind::Folder, parent,
                                attribute(QLatin1StringView("name")), tokenStart());
    return readChildren([&](QStringView tag) {
        if (tag == folderTag)
            return readContainer(node);
        if (tag == fileTag)
            return readFile(node);
        if (tag == featureTag)
            return readFeature(node);
        addElement(*m_file, Kind::Other, node, tag.toString(), tokenStart());
        return skip();
    });
}

bool StreamReading::readFile(int parent)
{
    const int file = addElement(*m_file, Kind::File, parent,
                                attribute(QLatin1StringView("name")), tokenStart());
    m_file->elements[file].length = m_file->addValue(attribute(QLatin1StringView("length")));
    if (!ProjectModel::isSourceName(m_file->elements.at(file).name))
        return skip();
    return readChildren([&](QStringView tag) {
        if (tag == fragmentTag)
            return readFragment(file);
        if (tag == featureTag)
            return readFeature(file);
        addElement(*m_file, Kind::Other, file, tag.toString(), tokenStart());
        return skip();
    });
}

// Only elements and white space (which the document tree drops) are taken
// as a fragment's content here.
bool StreamReading::readFragment(int file)
{
    const int fragment = addElement(*m_file, Kind::Fragment, file, QString(), tokenStart());
    {
        AnnotationsFile::Element &element = m_file->elements[fragment];
        element.startLine = m_file->addValue(attribute(QLatin1StringView("startline")));
        element.endLine = m_file->addValue(attribute(QLatin1StringView("endline")));
        element.offset = m_file->addValue(attribute(QLatin1StringView("offset")));
        element.length = m_file->addValue(attribute(QLatin1StringView("length")));
    }
    int children = 0;
    while (!m_xml.atEnd()) {
        switch (next()) {
        case QXmlStreamReader::EndElement:
            m_file->elements[fragment].childNodes = children;
            return true;
        case QXmlStreamReader::StartElement: {
            ++children;
            if (hasPrefix())
                return false;
            if (m_xml.name() == featureTag) {
                if (!readFeature(fragment))
                    return false;
            } else {
                addElement(*m_file, Kind::Other, fragment, m_xml.name().toString(),
                           tokenStart());
                if (!skip())
                    return false;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (!m_xml.isWhitespace() || m_xml.isCDATA())
                return false;
            break;
        default:
            return false;
        }
    }
    return false;
}

bool StreamReading::readFeature(int parent)
{
    const int feature = addElement(*m_file, Kind::Feature, parent, QString(), tokenStart());
    return readText(&m_file->elements[feature].name);
}

// The text of an element that holds plain text only (one piece, or pieces
// none of which is white space alone, which the document tree would drop).
bool StreamReading::readText(QString *text)
{
    int pieces = 0;
    bool blank = false;
    while (!m_xml.atEnd()) {
        switch (next()) {
        case QXmlStreamReader::EndElement:
            if (blank && pieces > 1)
                return false;
            if (blank)
                text->clear();
            return true;
        case QXmlStreamReader::Characters:
            if (m_xml.isCDATA())
                return false;
            ++pieces;
            blank = blank || m_xml.isWhitespace();
            text->append(m_xml.text());
            break;
        default:
            return false;
        }
    }
    return false;
}

// Where every start tag begins, in document order: the document tree keeps
// no such positions.
QList<Position> startTagPositions(const QByteArray &bytes)
{
    QList<Position> positions;
    QXmlStreamReader xml(bytes);
    xml.setNamespaceProcessing(false);
    while (!xml.atEnd()) {
        const Position start{int(xml.lineNumber()), int(xml.columnNumber()) + 1};
        if (xml.readNext() == QXmlStreamReader::StartElement)
            positions.append(start);
    }
    return positions;
}

int elementsIn(const QDomElement &element)
{
    int count = 0;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        count += 1 + elementsIn(child);
    return count;
}

// Everything else, read through the document tree as the viewer always has.
// Elements are met in document order, so the n-th one met began where the
// n-th start tag did.
class DocumentReading
{
public:
    DocumentReading(AnnotationsFile &file, const QByteArray &bytes)
        : m_file(file), m_positions(startTagPositions(bytes))
    {
    }

    void readContainer(const QDomElement &element, int parent);

private:
    int add(Kind kind, int parent, const QString &name)
    {
        return addElement(m_file, kind, parent, name, m_positions.value(m_next++));
    }
    void skip(const QDomElement &element, int parent)
    {
        add(Kind::Other, parent, element.tagName());
        m_next += elementsIn(element);
    }
    void readFile(const QDomElement &element, int parent);
    void readFragment(const QDomElement &element, int file);
    void readFeature(const QDomElement &element, int parent)
    {
        add(Kind::Feature, parent, element.text());
        m_next += elementsIn(element);
    }

    AnnotationsFile &m_file;
    QList<Position> m_positions;
    int m_next = 0;
};

void DocumentReading::readContainer(const QDomElement &element, int parent)
{
    const int node = add(parent < 0 ? Kind::Project : Kind::Folder, parent,
                         element.attribute(QStringLiteral("name")));
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag == folderTag)
            readContainer(child, node);
        else if (tag == fileTag)
            readFile(child, node);
        else if (tag == featureTag)
            readFeature(child, node);
        else
            skip(child, node);
    }
}

void DocumentReading::readFile(const QDomElement &element, int parent)
{
    const int file = add(Kind::File, parent, element.attribute(QStringLiteral("name")));
    if (element.hasAttribute(QStringLiteral("length")))
        m_file.elements[file].length =
            m_file.addValue(present(element.attribute(QStringLiteral("length"))));
    if (!ProjectModel::isSourceName(m_file.elements.at(file).name)) {
        m_next += elementsIn(element);
        return;
    }
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag == fragmentTag)
            readFragment(child, file);
        else if (tag == featureTag)
            readFeature(child, file);
        else
            skip(child, file);
    }
}

void DocumentReading::readFragment(const QDomElement &element, int file)
{
    const int fragment = add(Kind::Fragment, file, QString());
    AnnotationsFile::Element &read = m_file.elements[fragment];
    const auto attribute = [&element](const QString &name) {
        return element.hasAttribute(name) ? present(element.attribute(name)) : QString();
    };
    read.startLine = m_file.addValue(attribute(QStringLiteral("startline")));
    read.endLine = m_file.addValue(attribute(QStringLiteral("endline")));
    read.offset = m_file.addValue(attribute(QStringLiteral("offset")));
    read.length = m_file.addValue(attribute(QStringLiteral("length")));
    read.childNodes = int(element.childNodes().count());
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.tagName() == featureTag)
            readFeature(child, fragment);
        else
            skip(child, fragment);
    }
}

} // namespace

AnnotationsFile AnnotationsFile::parseDocument(const QByteArray &bytes)
{
    AnnotationsFile file;
    QDomDocument document;
    if (!document.setContent(bytes, false, &file.error, &file.errorLine, &file.errorColumn)) {
        file.status = Status::ParseError;
        return file;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("project")) {
        const QList<Position> positions = startTagPositions(bytes);
        file.status = Status::NotAProject;
        file.error = root.tagName();
        file.errorLine = positions.value(0).line;
        file.errorColumn = positions.value(0).column;
        return file;
    }
    DocumentReading(file, bytes).readContainer(root, -1);
    return file;
}

QString AnnotationsFile::fileName()
{
    return QStringLiteral("annotations.xml");
}

AnnotationsFile AnnotationsFile::read(const QString &path)
{
    QFile file(path);
    // The common case straight from the file's pages: a file without
    // carriage returns reads the same in text mode.
    if (file.open(QIODevice::ReadOnly) && file.size() > 0) {
        if (const uchar *mapped = file.map(0, file.size())) {
            AnnotationsFile result;
            const QByteArrayView bytes(reinterpret_cast<const char *>(mapped), file.size());
            result.elements.reserve(bytes.count("<f") + 1);
            adviseLargePages(result.elements);
            const bool read = readAnnotationsBytes(bytes, result);
            file.unmap(const_cast<uchar *>(mapped));
            if (read) {
                result.reading = Reading::Bytes;
                result.readInOnePass = true;
                return result;
            }
        }
    }
    return readInTextMode(file);
}

AnnotationsFile AnnotationsFile::readInTextMode(QFile &file)
{
    file.close();
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        AnnotationsFile result;
        result.status = Status::CannotOpen;
        result.error = file.errorString();
        return result;
    }
    return parse(&file);
}

AnnotationsFile AnnotationsFile::read(const QString &path, const Follower &follow)
{
    QFile file(path);
    if (!follow || !file.open(QIODevice::ReadOnly) || file.size() <= 0)
        return read(path);
    const uchar *mapped = file.map(0, file.size());
    if (!mapped)
        return read(path);

    AnnotationsFile result;
    const QByteArrayView bytes(reinterpret_cast<const char *>(mapped), file.size());
    // Nothing may move while it is followed: room at once for every element
    // there can be (each begins with '<') and every value (each follows
    // '=').
    const ByteCounts marks = countBytes(bytes.data(), std::size_t(bytes.size()), '<', '=');
    result.elements.reserve(marks.first + 1);
    result.m_values.reserve(marks.second + 1);
    adviseLargePages(result.elements);

    std::mutex mutex;
    std::condition_variable changed;
    int whole = 0;
    bool finished = false;
    bool read = false;
    std::thread reading([&] {
        const bool done = readAnnotationsBytes(bytes, result, [&](int count) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                whole = count;
            }
            changed.notify_one();
        });
        {
            const std::lock_guard<std::mutex> lock(mutex);
            finished = true;
            read = done;
        }
        changed.notify_one();
    });
    // Taken a step at a time: the end of the reading is then seen soon after
    // it comes, also when following lags behind.
    constexpr int Step = 4096;
    for (int followed = 0;;) {
        int now = 0;
        bool over = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return whole > followed || finished; });
            now = std::min(whole, followed + Step);
            over = finished;
        }
        // Given up: what was followed is of no use.
        if (over && !read)
            break;
        follow(result, now, over);
        followed = now;
        if (over && now == whole)
            break;
    }
    reading.join();
    file.unmap(const_cast<uchar *>(mapped));
    if (!read)
        return readInTextMode(file);
    result.reading = Reading::Bytes;
    result.readInOnePass = true;
    return result;
}

AnnotationsFile AnnotationsFile::parse(QIODevice *device)
{
    return parse(device ? device->readAll() : QByteArray());
}

AnnotationsFile AnnotationsFile::parse(const QByteArray &bytes)
{
    return parse(bytes, Reading::Bytes);
}

AnnotationsFile AnnotationsFile::parse(const QByteArray &bytes, Reading first)
{
    if (first == Reading::DocumentTree)
        return parseDocument(bytes);
    // Nearly every element is a folder, file, fragment or feature: room for
    // them at once (growing the list of a large project moved it again and
    // again).
    const qsizetype room = bytes.count("<f") + 1;
    if (first == Reading::Bytes) {
        AnnotationsFile file;
        file.elements.reserve(room);
        adviseLargePages(file.elements);
        if (readAnnotationsBytes(bytes, file)) {
            file.reading = Reading::Bytes;
            file.readInOnePass = true;
            return file;
        }
    }
    AnnotationsFile file;
    file.elements.reserve(room);
    adviseLargePages(file.elements);
    file.readInOnePass = true;
    if (StreamReading(bytes).read(file)) {
        file.reading = Reading::Stream;
        return file;
    }
    return parseDocument(bytes);
}

int AnnotationsFile::appendElement(Kind kind, int parent, const QString &name, int line,
                                   int column)
{
    Element element;
    element.kind = kind;
    element.parent = parent;
    element.name = name;
    element.line = line;
    element.column = column;
    const int index = int(elements.size());
    elements.append(std::move(element));
    if (parent >= 0) {
        Element &up = elements[parent];
        if (up.lastChild < 0)
            up.firstChild = index;
        else
            elements[up.lastChild].nextSibling = index;
        up.lastChild = index;
    }
    return index;
}

AnnotationsFile::Value AnnotationsFile::addValue(const QString &text)
{
    if (text.isNull())
        return {};
    const auto found = m_valueIndexes.constFind(text);
    if (found != m_valueIndexes.constEnd())
        return {*found};
    const int index = int(m_values.size());
    m_values.append(text);
    m_valueIndexes.insert(text, index);
    return {index};
}

const QString &AnnotationsFile::value(Value value) const
{
    static const QString missing;
    return value.isNull() ? missing : m_values.at(value.index);
}

QString AnnotationsFile::relativePath(int index) const
{
    const Element &element = elements.at(index);
    QString path = element.name;
    for (int up = element.parent; up > 0; up = elements.at(up).parent)
        path.prepend(elements.at(up).name + QLatin1Char('/'));
    return path;
}

int AnnotationsFile::number(const QString &attribute, bool *ok)
{
    return attribute.toInt(ok);
}

bool AnnotationsFile::operator==(const AnnotationsFile &other) const
{
    if (status != other.status || error != other.error || errorLine != other.errorLine
        || errorColumn != other.errorColumn || elements.size() != other.elements.size())
        return false;
    // Values compare as texts, a missing attribute unlike an empty one.
    const auto same = [&](Value mine, Value theirs) {
        return value(mine) == other.value(theirs) && mine.isNull() == theirs.isNull();
    };
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const Element &a = elements.at(i);
        const Element &b = other.elements.at(i);
        if (a.kind != b.kind || a.parent != b.parent || a.line != b.line || a.column != b.column
            || a.name != b.name || a.childNodes != b.childNodes || a.firstChild != b.firstChild
            || a.lastChild != b.lastChild || a.nextSibling != b.nextSibling
            || !same(a.length, b.length) || !same(a.startLine, b.startLine)
            || !same(a.endLine, b.endLine) || !same(a.offset, b.offset))
            return false;
    }
    return true;
}
