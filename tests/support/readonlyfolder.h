#pragma once

#include <QString>

namespace TestSupport {

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
    bool m_dropped = false;
    bool m_ok = false;
};

} // namespace TestSupport
