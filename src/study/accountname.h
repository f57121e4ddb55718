#pragma once

#include <QString>

// The account name a participant types becomes part of the names of their
// log and answers files in the project folder.
namespace AccountName {

// True when the name can safely be part of a file name in the project
// folder on Windows and Linux: not empty, not "." or "..", no path
// separators, no control characters, none of <>:"|?* and short enough that
// the answers file (and the temporary file it is replaced through) can be
// created. osUserName is the rest of the file-name prefix.
bool isUsable(const QString &name, const QString &osUserName = QString());

} // namespace AccountName
