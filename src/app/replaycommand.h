#pragma once

#include <QStringList>

// "featurehue replay STUDY_FOLDER ACCOUNT [--user NAME] [--at SECONDS]
// [--print-state] [--screenshot FILE.png]": opens the viewer read-only on a
// participant's sitting with the replay bar, or, with --print-state or
// --screenshot, prints the state at that second as JSON or writes the window
// as it would look then, without a display. It makes the application object
// its arguments need.
int runReplayCommand(int &argc, char **argv, const QStringList &arguments);
