#include "colorassignmentformat.h"

#include <QDomDocument>
#include <QFile>
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
