#pragma once

#include <QString>

class QProcess;

#include <memory>

namespace TestSupport {

// While it lives, a process running as root gives up its rights: its
// effective user is "nobody", so permissions bind it as they bind a
// participant's account (and programs it starts). Nothing happens for any
// other user.
class DroppedRootRights
{
public:
    DroppedRootRights();
    ~DroppedRootRights();
    DroppedRootRights(const DroppedRootRights &) = delete;
    DroppedRootRights &operator=(const DroppedRootRights &) = delete;

    // False when the process still runs as root.
    bool isActive() const;

private:
    bool m_dropped = false;
};

// Makes a process run as "nobody" (user and group) when this one runs as
// root; other users start it as themselves. Unlike DroppedRootRights this
// binds the program fully, also where it asks access(2), which answers for
// the real user.
void startWithoutRootRights(QProcess &process);

// A folder this process may read but not write. Permissions do not bind
// root, so a process running as root gives up its rights (effective user
// "nobody") while the object lives; folder and files are made readable for
// everyone first.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    // False when the folder could not be made unwritable (root that cannot
    // give up its rights); the caller skips the test then.
    bool isActive() const { return m_ok; }

private:
    QString m_folder;
    std::unique_ptr<DroppedRootRights> m_rights;
    bool m_ok = false;
};

} // namespace TestSupport
