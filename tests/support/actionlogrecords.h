#pragma once

#include <QStringList>

class MainWindow;

namespace TestSupport {

// The action log as "file|action" strings, oldest first. While a file is
// open, entries logged without a file name carry the open file's.
QStringList logRecords(const MainWindow &window);
qsizetype logSize(const MainWindow &window);
// The actions logged after the first `skip` entries.
QStringList newLogEntries(const MainWindow &window, qsizetype skip);

} // namespace TestSupport
