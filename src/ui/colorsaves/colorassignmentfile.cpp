#include "colorassignmentfile.h"

#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "ui/colors/placeholdergreys.h"
#include "core/model/feature.h"

#include <QColor>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <iostream>

namespace {

const QString rootTag = QStringLiteral("savedColorAssignment");
const QString colorTag = QStringLiteral("color");

enum IsCustom { Ordinary = 0, Custom = 1, NoColor = 2 };

void writeRgb(QXmlStreamWriter &xml, const QColor &color)
{
    xml.writeAttribute(QStringLiteral("r"), QString::number(color.red()));
    xml.writeAttribute(QStringLiteral("g"), QString::number(color.green()));
    xml.writeAttribute(QStringLiteral("b"), QString::number(color.blue()));
}

// A channel that is missing, not a number or outside 0..255 reads as 0, so a
// damaged file can never put an invalid colour into the palette.
int channel(const QDomElement &element, const QString &name)
{
    bool ok = false;
    const int value = element.attribute(name).toInt(&ok);
    return ok && value >= 0 && value <= 255 ? value : 0;
}

QColor readRgb(const QDomElement &element)
{
    return QColor(channel(element, QStringLiteral("r")), channel(element, QStringLiteral("g")),
                  channel(element, QStringLiteral("b")));
}

bool sameRgb(const QColor &a, const QColor &b)
{
    return a.red() == b.red() && a.green() == b.green() && a.blue() == b.blue();
}

// The last palette colour of that value that no earlier pair of the file took.
// Taking the last one lets a later duplicate win; skipping taken ones means two
// features saved with equal colours both get that colour back instead of the
// second assignment failing and undoing the first.
PaletteColor *lastFreeMatch(const QList<PaletteColor *> &colorArray, const QColor &color)
{
    for (auto it = colorArray.crbegin(); it != colorArray.crend(); ++it) {
        if ((*it)->isFree() && sameRgb((*it)->color(), color))
            return *it;
    }
    return nullptr;
}

void printError(const QString &line)
{
    std::cerr << line.toLocal8Bit().constData() << std::endl;
}

} // namespace

namespace ColorAssignmentFile {

QString folderPath(const QString &projectFolder)
{
    return projectFolder + QStringLiteral("/savedColorAssignments");
}

QString nextFileName(const QString &projectFolder)
{
    const QString folder = folderPath(projectFolder);
    QDir().mkdir(folder);
    const QString projectName = projectFolder.split(QLatin1Char('/')).constLast();
    for (int n = 1;; ++n) {
        const QString candidate = folder + QLatin1Char('/') + projectName + QString::number(n)
                                  + QStringLiteral(".txt");
        if (!QFile::exists(candidate))
            return candidate;
    }
}

// The layout is written by hand rather than through QDomDocument::save because
// Qt's DOM writes the attributes of an element in an order that changes from
// one run to the next; this way every save of the same colours gives the same
// bytes.
QByteArray toXml(const QList<PaletteColor *> &colorArray, const QList<FeatureColorPair> &pairs,
                 const ColorManager &manager)
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
        const FeatureColorPair &pair = pairs.at(i);
        const PaletteColor *color = pair.color ? pair.color : manager.lightGrey();
        int isCustom = color->isCustom() ? Custom : Ordinary;
        if (PlaceholderGreys::isPlaceholder(color->color()))
            isCustom = NoColor;
        xml.writeCharacters(level2);
        xml.writeEmptyElement(colorTag);
        xml.writeAttribute(QStringLiteral("index"), QString::number(i));
        xml.writeAttribute(QStringLiteral("feature"),
                           pair.feature ? pair.feature->name() : QString());
        writeRgb(xml, color->color());
        xml.writeAttribute(QStringLiteral("isCustom"), QString::number(isCustom));
    }
    if (!pairs.isEmpty())
        xml.writeCharacters(level1);
    xml.writeEndElement();

    xml.writeCharacters(level1);
    xml.writeStartElement(QStringLiteral("colorArray"));
    for (int i = 0; i < colorArray.size(); ++i) {
        const PaletteColor *color = colorArray.at(i);
        xml.writeCharacters(level2);
        xml.writeEmptyElement(colorTag);
        xml.writeAttribute(QStringLiteral("index"), QString::number(i));
        writeRgb(xml, color->color());
        xml.writeAttribute(QStringLiteral("isCustom"),
                           QString::number(color->isCustom() ? Custom : Ordinary));
    }
    if (!colorArray.isEmpty())
        xml.writeCharacters(level1);
    xml.writeEndElement();

    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeEndElement();
    xml.writeEndDocument(); // closes with a line end
    return bytes;
}

bool write(const QString &path, const QList<PaletteColor *> &colorArray,
           const QList<FeatureColorPair> &pairs, const ColorManager &manager)
{
    // Unbuffered, so a failed write (a full disk) is seen before the commit.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered)) {
        const QByteArray bytes = toXml(colorArray, pairs, manager);
        if (file.write(bytes) == bytes.size() && file.commit())
            return true;
    }
    printError(QStringLiteral("Error: Cannot write file ") + path + QStringLiteral(": ")
               + file.errorString());
    return false;
}

ApplyResult apply(const QString &path, ColorManager *manager)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printError(QStringLiteral("Error: Cannot read file : ") + file.errorString());
        return ApplyResult::CannotRead;
    }

    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(&file, false, &message, &line, &column)) {
        printError(QStringLiteral("Error: Parse error at line %1, column %2: %3")
                       .arg(line)
                       .arg(column)
                       .arg(message));
        return ApplyResult::ParseError;
    }

    const QDomElement root = document.documentElement();
    if (root.tagName() != rootTag) {
        printError(QStringLiteral("Error: File is not a savedColorAssignment file"));
        return ApplyResult::NotAssignmentFile;
    }

    // The first child is the pair list and the node after it the palette,
    // whatever they are called.
    const QDomNode pairList = root.firstChild();
    const QDomNode palette = pairList.nextSibling();

    // The old colours stay alive: rows and palette entries may still hold them.
    QList<PaletteColor *> &colorArray = manager->ColorArray;
    colorArray.clear();
    for (QDomElement element = palette.firstChild().toElement(); !element.isNull();
         element = element.nextSiblingElement(colorTag)) {
        colorArray.append(manager->createColor(readRgb(element)));
    }

    // Pair i always goes to feature i; a missing pair reads as black.
    const FeatureList *features = manager->features();
    const QDomNodeList pairNodes = pairList.childNodes();
    const int featureCount = features ? int(features->size()) : 0;
    for (int i = 0; i < featureCount; ++i) {
        // Through a const reference so that the list is never detached and the
        // pointers the pairs hold stay valid.
        auto *feature = const_cast<Feature *>(&features->at(i));
        PaletteColor *color = lastFreeMatch(colorArray, readRgb(pairNodes.at(i).toElement()));
        if (color)
            manager->assignColor(feature, color);
        else
            manager->resetFeatureColor(feature);
    }
    return ApplyResult::Applied;
}

} // namespace ColorAssignmentFile
