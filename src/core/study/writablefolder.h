#pragma once

#include <QString>

// Whether the files of a sitting (the log, the answers, saved colour
// assignments) can be made in a study folder. It is tried rather than read
// from the permission bits: those do not bind root, a read-only file system
// ignores them, and a folder of someone else may still take new files.
namespace WritableFolder {

// Empty when a file can be created and written in the folder (it is removed
// again); otherwise why not, as the system says it ("Permission denied").
QString problem(const QString &folder);

} // namespace WritableFolder
