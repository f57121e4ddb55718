#pragma once

#include <QString>

// A generated project folder for the benchmark: model.m, annotations.xml and
// the source files they describe, reproducible from the seed.
struct SyntheticProjectOptions
{
    int files = 2000;          // source files below the folder tree
    int linesPerFile = 250;
    int folderLevels = 4;      // depth of the folder tree holding the files
    int filesPerFolder = 5;    // about this many files share a deepest folder
    int features = 100;        // leaves of a three-level feature model
    int fragments = 20000;     // spread over the source files
    int bigFileLines = 20000;  // one more, large file (0: none)
    int bigFileFragments = 2000;
    // A word that only the large file holds, this many times (at most once a
    // line), for searching a file with many hits.
    QString bigFileWord = QStringLiteral("hotspot");
    int bigFileWordCount = 5000;
    int nestedEvery = 10;      // about one fragment in this many is nested
    int expressionEvery = 10;  // about one in this many names two features
    quint32 seed = 7;
};

struct SyntheticProjectStats
{
    int files = 0;
    int folders = 0;
    int features = 0;
    int fragments = 0;
    int nested = 0;
    int expressions = 0;
    qint64 lines = 0;
};

// Writes the project into folder (which must exist); false on a write error.
bool writeSyntheticProject(const QString &folder, const SyntheticProjectOptions &options,
                           SyntheticProjectStats *stats);
