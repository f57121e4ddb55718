#pragma once

// The small project of the colour tests and a project with many features,
// written into a folder.

#include <QString>
#include <QStringList>

namespace TestSupport {

// Features of the small project, in feature-list order. "Sound" hangs under
// a second top-level row, which the sweep for equal colours never reaches.
inline const QStringList smallFeatures{"Base", "Logging", "Crypt", "Tcp", "Udp", "Sound"};

// The small project in folder; false when it cannot be written.
bool writeSmallProject(const QString &folder);

// A project with `count` features F00, F01, ... under one top-level row and
// one file in which line i + 1 belongs to feature i.
bool writeWideProject(const QString &folder, int count);

} // namespace TestSupport
