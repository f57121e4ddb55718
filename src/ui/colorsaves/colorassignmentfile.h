#pragma once

#include "ui/colors/featurecolorpair.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ColorManager;
class PaletteColor;

// A saved colour assignment: the palette and the colour of every feature as a
// small XML file in the project's "savedColorAssignments" folder. Features are
// identified by position, so a file only means something for the feature model
// it was saved from. The bytes are ColorAssignmentFormat's; this is the
// colour manager's side: what it saves and how a file read is applied to it.
namespace ColorAssignmentFile {

// How applying a file ended. Only Applied changes anything.
enum class ApplyResult { Applied, CannotRead, ParseError, NotAssignmentFile };

// projectFolder + "/savedColorAssignments".
QString folderPath(const QString &projectFolder);

// Creates the folder (an existing one is fine) and returns the full path of
// the first file name <last piece of the folder path><n>.txt, n = 1, 2, ...,
// that does not exist yet.
QString nextFileName(const QString &projectFolder);

// The file's text: a document type line, then the root with the pair list and
// the palette, every element on its own line, indented by 10 spaces a level.
QByteArray toXml(const QList<PaletteColor *> &colorArray,
                 const QList<FeatureColorPair> &pairs, const ColorManager &manager);

// Writes the document to path atomically. On failure nothing is left behind,
// "Error: Cannot write file <path>: <reason>" goes to standard error and false
// is returned.
bool write(const QString &path, const QList<PaletteColor *> &colorArray,
           const QList<FeatureColorPair> &pairs, const ColorManager &manager);

// Replaces the manager's palette by the file's colours and gives feature i the
// colour of pair i. Problems with the file are reported on standard error and
// leave the palette and all assignments as they were.
ApplyResult apply(const QString &path, ColorManager *manager);

} // namespace ColorAssignmentFile
