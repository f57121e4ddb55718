#pragma once

#include <QStringList>

// "featurehue features PROJECT_FOLDER": one row per leaf feature, with its
// fragments, lines, files, first place and whether only default macros use
// it; an aligned table, or CSV with --csv.
int runFeaturesCommand(const QStringList &arguments);
