#pragma once

#include <QChar>
#include <QString>

// The account name a participant types becomes part of the names of their
// log and answers files in the project folder.
namespace AccountName {

// Why a name cannot name the files.
enum class Refusal {
    None,             // usable
    Empty,
    DotName,          // "." or ".."
    Character,        // one of /\<>:"|?*; Check::character says which
    ControlCharacter, // tab, line break, ...
    TooLong,          // the answers file name would not fit in 255 bytes
};

struct Check
{
    Refusal refusal = Refusal::None;
    QChar character; // the refused character for Refusal::Character
};

// The first reason, if any, why the name cannot safely be part of a file
// name in the project folder on Windows and Linux: empty, "." or "..", a path
// separator, a control character, one of <>:"|?* or too long for the answers
// file (and the temporary file it is replaced through) to be created.
// osUserName is the rest of the file-name prefix.
Check check(const QString &name, const QString &osUserName = QString());

// The name a typed account stands for: white space at either end is
// invisible in the field and would name other files than the same name typed
// without it, so it is dropped before the name is checked or used.
QString fromTyped(const QString &typed);

// True when check() finds nothing against the name.
bool isUsable(const QString &name, const QString &osUserName = QString());

// The operating-system user that names the files together with the account:
// USERNAME (set on Windows), else USER, else LOGNAME (set on Linux and macOS
// desktops); empty when none of them is set.
QString operatingSystemUser();

} // namespace AccountName
