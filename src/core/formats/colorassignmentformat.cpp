#include "colorassignmentformat.h"

#include "core/formats/xmlskip.h"

#include <QDomDocument>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace ColorAssignmentFormat {

namespace {

const QString rootTag = QStringLiteral("savedColorAssignment");
const QString colorTag = QStringLiteral("color");

void writeRgb(QXmlStreamWriter &xml, const Rgb &color)
{
    xml.writeAttribute(QStringLiteral("r"), QString::number(color.red));
    xml.writeAttribute(QStringLiteral("g"), QString::number(color.green));
    xml.writeAttribute(QStringLiteral("b"), QString::number(color.blue));
}

int channel(const QDomElement &element, const QString &name)
{
    bool ok = false;
    const int value = element.attribute(name).toInt(&ok);
    return ok && value >= 0 && value <= 255 ? value : 0;
}

Rgb readRgb(const QDomElement &element)
{
    return {channel(element, QStringLiteral("r")), channel(element, QStringLiteral("g")),
            channel(element, QStringLiteral("b"))};
}

int channel(const QXmlStreamAttributes &attributes, QLatin1StringView name)
{
    bool ok = false;
    const int value = attributes.value(name).toInt(&ok);
    return ok && value >= 0 && value <= 255 ? value : 0;
}

// The common case, read in one pass without a document tree: a document
// type declaration without an internal subset, the root, and in the root and
// its first two elements nothing but elements and white space. Whatever it
// cannot tell apart from what the document tree would make of it (errors,
// entities, comments, processing instructions or text where the tree would
// keep them as nodes, prefixed names in the palette) makes it give up; the
// document tree reads such files.
class OnePassReading
{
public:
    explicit OnePassReading(const QByteArray &bytes) : m_xml(bytes)
    {
        m_xml.setNamespaceProcessing(false);
    }

    bool read(Contents *contents);

private:
    bool readRoot(Contents *contents);
    bool readList(QList<Rgb> *colors, bool palette);
    bool skip() { return skipXmlElement(m_xml); }
    bool isBlank() const { return m_xml.isWhitespace() && !m_xml.isCDATA(); }
    bool hasPrefix() const { return m_xml.qualifiedName().contains(QLatin1Char(':')); }

    QXmlStreamReader m_xml;
};

bool OnePassReading::read(Contents *contents)
{
    bool root = false;
    bool documentType = false;
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        case QXmlStreamReader::Characters:
            if (!isBlank())
                return false;
            break;
        case QXmlStreamReader::DTD:
            // One, before the root (the reader lets a second one pass).
            if (root || documentType || m_xml.text().contains(QLatin1Char('[')))
                return false;
            documentType = true;
            break;
        case QXmlStreamReader::StartElement:
            if (root || m_xml.qualifiedName() != rootTag || !readRoot(contents))
                return false;
            root = true;
            break;
        default: // an entity, an error
            return false;
        }
    }
    return root && !m_xml.hasError();
}

// The pair list is the root's first element, the palette its second.
bool OnePassReading::readRoot(Contents *contents)
{
    int elements = 0;
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::StartElement: {
            const bool read = elements == 0   ? readList(&contents->pairs, false)
                              : elements == 1 ? readList(&contents->palette, true)
                                              : skip();
            if (!read)
                return false;
            ++elements;
            break;
        }
        case QXmlStreamReader::Characters:
            if (!isBlank())
                return false;
            break;
        default:
            return false;
        }
    }
    return false;
}

// Every element of the pair list is a pair; of the palette, the first
// element and the "color" elements after it.
bool OnePassReading::readList(QList<Rgb> *colors, bool palette)
{
    int elements = 0;
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::StartElement:
            if (palette && elements > 0 && hasPrefix())
                return false;
            if (!palette || elements == 0 || m_xml.qualifiedName() == colorTag) {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                colors->append({channel(attributes, QLatin1StringView("r")),
                                channel(attributes, QLatin1StringView("g")),
                                channel(attributes, QLatin1StringView("b"))});
            }
            ++elements;
            if (!skip())
                return false;
            break;
        case QXmlStreamReader::Characters:
            if (!isBlank())
                return false;
            break;
        default:
            return false;
        }
    }
    return false;
}

} // namespace

// The layout is written by hand rather than through QDomDocument::save because
// Qt's DOM writes the attributes of an element in an order that changes from
// one run to the next; this way every save of the same colours gives the same
// bytes.
QByteArray toXml(const QList<SavedPair> &pairs, const QList<SavedColor> &palette)
{
    const QString level1 = QLatin1Char('\n') + QString(10, QLatin1Char(' '));
    const QString level2 = QLatin1Char('\n') + QString(20, QLatin1Char(' '));

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeDTD(QStringLiteral("<!DOCTYPE savedColorAssignment>"));
    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeStartElement(rootTag);

    xml.writeCharacters(level1);
    xml.writeStartElement(QStringLiteral("FCPList"));
    for (int i = 0; i < pairs.size(); ++i) {
        const SavedPair &pair = pairs.at(i);
        xml.writeCharacters(level2);
        xml.writeEmptyElement(colorTag);
        xml.writeAttribute(QStringLiteral("index"), QString::number(i));
        xml.writeAttribute(QStringLiteral("feature"), pair.feature);
        writeRgb(xml, pair.color);
        xml.writeAttribute(QStringLiteral("isCustom"), QString::number(pair.isCustom));
    }
    if (!pairs.isEmpty())
        xml.writeCharacters(level1);
    xml.writeEndElement();

    xml.writeCharacters(level1);
    xml.writeStartElement(QStringLiteral("colorArray"));
    for (int i = 0; i < palette.size(); ++i) {
        xml.writeCharacters(level2);
        xml.writeEmptyElement(colorTag);
        xml.writeAttribute(QStringLiteral("index"), QString::number(i));
        writeRgb(xml, palette.at(i).color);
        xml.writeAttribute(QStringLiteral("isCustom"),
                           QString::number(palette.at(i).custom ? Custom : Ordinary));
    }
    if (!palette.isEmpty())
        xml.writeCharacters(level1);
    xml.writeEndElement();

    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeEndElement();
    xml.writeEndDocument(); // closes with a line end
    return bytes;
}

ReadResult read(const QString &path, Contents *contents, QString *message)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *message = QStringLiteral("Error: Cannot read file : ") + file.errorString();
        return ReadResult::CannotRead;
    }
    return parse(&file, contents, message);
}

ReadResult parse(QIODevice *device, Contents *contents, QString *message)
{
    return parse(device ? device->readAll() : QByteArray(), contents, message);
}

ReadResult parse(const QByteArray &bytes, Contents *contents, QString *message)
{
    *contents = Contents();
    if (OnePassReading(bytes).read(contents)) {
        contents->readInOnePass = true;
        return ReadResult::Read;
    }
    return parseDocument(bytes, contents, message);
}

ReadResult parseDocument(const QByteArray &bytes, Contents *contents, QString *message)
{
    *contents = Contents();
    QDomDocument document;
    QString error;
    int line = 0;
    int column = 0;
    if (!document.setContent(bytes, false, &error, &line, &column)) {
        *message = QStringLiteral("Error: Parse error at line %1, column %2: %3")
                       .arg(line)
                       .arg(column)
                       .arg(error);
        return ReadResult::ParseError;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != rootTag) {
        *message = QStringLiteral("Error: File is not a savedColorAssignment file");
        return ReadResult::NotAssignmentFile;
    }

    // The first child is the pair list and the node after it the palette,
    // whatever they are called.
    const QDomNode pairList = root.firstChild();
    const QDomNode palette = pairList.nextSibling();
    for (QDomElement element = palette.firstChild().toElement(); !element.isNull();
         element = element.nextSiblingElement(colorTag))
        contents->palette.append(readRgb(element));
    const QDomNodeList pairNodes = pairList.childNodes();
    for (int i = 0; i < pairNodes.count(); ++i)
        contents->pairs.append(readRgb(pairNodes.at(i).toElement()));
    return ReadResult::Read;
}

QList<int> paletteChoices(const Contents &contents, int featureCount)
{
    QList<bool> taken(contents.palette.size(), false);
    QList<int> choices;
    choices.reserve(featureCount);
    for (int i = 0; i < featureCount; ++i) {
        const Rgb color = contents.pairs.value(i);
        int choice = -1;
        for (qsizetype k = contents.palette.size() - 1; k >= 0; --k) {
            if (!taken.at(k) && contents.palette.at(k) == color) {
                choice = int(k);
                break;
            }
        }
        if (choice >= 0)
            taken[choice] = true;
        choices.append(choice);
    }
    return choices;
}

} // namespace ColorAssignmentFormat
