#pragma once

#include <QStringList>

// "featurehue subset PROJECT_FOLDER OUT_FOLDER": a slice of a project folder
// that exists already, with the filters of "featurehue import".
int runSubsetCommand(const QStringList &arguments);
