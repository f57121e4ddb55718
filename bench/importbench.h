#pragma once

#include <QString>

class BenchTable;

// "featurehue import" of a source tree next to "cp -r" of the same files:
// both read the sources of a staged copy of sourceDir that holds only the
// .java, .c and .h files, so both see the same files in the same cache state.
// Target: the import takes at most three times as long as the copy.
void measureImport(const QString &sourceDir, int runs, BenchTable &table);
