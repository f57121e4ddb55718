#pragma once

class QCommandLineParser;

// The benchmark at the sizes of large product lines: for each number of
// files N a project of N files, 10 N fragments and N / 4 features is
// generated and measured in a process of its own (so each has its own peak
// memory), and one table row per size sums them up.
void addScaleBenchOptions(QCommandLineParser &parser);
// Runs the sizes when --scale is given and returns the exit status; -1 when
// it is not given.
int runScaleBench(const QCommandLineParser &parser);

// For the process measuring one size: the line the table row is read from.
void printScaleRow(double idleMs, double idleCpuMs, double peakMb, double featureRowsMade,
                   double featureRowsAll, double recolorMs, double searchRatio);
