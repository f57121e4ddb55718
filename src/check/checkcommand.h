#pragma once

#include <QStringList>

// "featurehue check PROJECT_FOLDER": reads a project folder with the viewer's
// own readers and reports what would go wrong in a study.
int runCheckCommand(const QStringList &arguments);
