#pragma once

#include <QStringList>

// "featurehue report STUDY_FOLDER [--out DIR]": turns a finished study folder
// into tables (CSV and SQLite) and a page of charts.
int runReportCommand(const QStringList &arguments);
