#pragma once

class QCommandLineParser;

// The report measurement: a generated study of many participants with long
// logs, and the time "featurehue report" takes to turn it into tables and
// charts. Runs instead of the window benchmark when --report is given.
void addReportBenchOptions(QCommandLineParser &parser);

// The exit status of the report measurement, or -1 when it was not asked for.
int runReportBench(const QCommandLineParser &parser);
