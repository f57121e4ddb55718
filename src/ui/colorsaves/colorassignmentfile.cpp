#include "colorassignmentfile.h"

#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "ui/colors/placeholdergreys.h"
#include "core/formats/colorassignmentformat.h"
#include "core/model/feature.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <iostream>

namespace {

using ColorAssignmentFormat::Rgb;

Rgb rgbOf(const QColor &color)
{
    return {color.red(), color.green(), color.blue()};
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

QByteArray toXml(const QList<PaletteColor *> &colorArray, const QList<FeatureColorPair> &pairs,
                 const ColorManager &manager)
{
    using namespace ColorAssignmentFormat;
    QList<SavedPair> savedPairs;
    savedPairs.reserve(pairs.size());
    for (const FeatureColorPair &pair : pairs) {
        const PaletteColor *color = pair.color ? pair.color : manager.lightGrey();
        int isCustom = color->isCustom() ? Custom : Ordinary;
        if (PlaceholderGreys::isPlaceholder(color->color()))
            isCustom = NoColor;
        savedPairs.append({pair.feature ? pair.feature->name() : QString(),
                           rgbOf(color->color()), isCustom});
    }
    QList<SavedColor> palette;
    palette.reserve(colorArray.size());
    for (const PaletteColor *color : colorArray)
        palette.append({rgbOf(color->color()), color->isCustom()});
    return ColorAssignmentFormat::toXml(savedPairs, palette);
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
    ColorAssignmentFormat::Contents contents;
    QString message;
    switch (ColorAssignmentFormat::read(path, &contents, &message)) {
    case ColorAssignmentFormat::ReadResult::CannotRead:
        printError(message);
        return ApplyResult::CannotRead;
    case ColorAssignmentFormat::ReadResult::ParseError:
        printError(message);
        return ApplyResult::ParseError;
    case ColorAssignmentFormat::ReadResult::NotAssignmentFile:
        printError(message);
        return ApplyResult::NotAssignmentFile;
    case ColorAssignmentFormat::ReadResult::Read:
        break;
    }

    // The old colours stay alive: rows and palette entries may still hold them.
    QList<PaletteColor *> &colorArray = manager->ColorArray;
    colorArray.clear();
    for (const Rgb &color : std::as_const(contents.palette))
        colorArray.append(manager->createColor(QColor(color.red, color.green, color.blue)));

    // Pair i always goes to feature i.
    const FeatureList *features = manager->features();
    const int featureCount = features ? int(features->size()) : 0;
    const QList<int> choices = ColorAssignmentFormat::paletteChoices(contents, featureCount);
    for (int i = 0; i < featureCount; ++i) {
        // Through a const reference so that the list is never detached and the
        // pointers the pairs hold stay valid.
        auto *feature = const_cast<Feature *>(&features->at(i));
        if (choices.at(i) >= 0)
            manager->assignColor(feature, colorArray.at(choices.at(i)));
        else
            manager->resetFeatureColor(feature);
    }
    return ApplyResult::Applied;
}

} // namespace ColorAssignmentFile
