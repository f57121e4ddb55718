#pragma once

class QCommandLineParser;

// The replay measurement: a generated 30-minute sitting on a copy of the
// example project, replayed in the window as "featurehue replay" shows it.
// How long playing it at 32x takes, how long each step to the next record
// takes until the window is painted and idle, and the longest pause between
// two frames while playing. Runs instead of the window benchmark when
// --replay is given.
void addReplayBenchOptions(QCommandLineParser &parser);

// The exit status of the replay measurement, or -1 when it was not asked for.
int runReplayBench(const QCommandLineParser &parser);
