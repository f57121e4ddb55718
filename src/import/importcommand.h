#pragma once

#include <QStringList>

// "featurehue import SOURCE_DIR PROJECT_FOLDER": makes a project folder from
// a tree of sources annotated with preprocessor conditionals.
int runImportCommand(const QStringList &arguments);
