#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QFileDevice;
class QTemporaryDir;

// The folder a report is written into, so that it never holds a
// half-written file and a failed report leaves no new folder behind: the
// files are written into a new folder beside it, and only when all are
// complete does that folder take its place (when it did not exist) or each
// file replace its older version there, one rename each. Files of the
// folder that the report does not write are left alone.
class ReportOutput
{
public:
    explicit ReportOutput(const QString &folder);
    ~ReportOutput(); // what was not committed is removed, with the folders begin() made
    ReportOutput(const ReportOutput &) = delete;
    ReportOutput &operator=(const ReportOutput &) = delete;

    // Makes the folder beside it (and the folders above it that are
    // missing). False with the path that failed and the reason.
    bool begin(QString *failedPath, QString *error);
    // Where to write the file of this name until commit().
    QString filePath(const QString &name) const;
    // Puts the written files in place. False with the path and the reason.
    bool commit(QString *failedPath, QString *error);

    const QString &folder() const { return m_folder; }

    // Writes all of bytes to a file opened unbuffered. A short write is
    // tried again, so that a full disk fails with the system's reason
    // ("No space left on device") rather than none.
    static bool writeAll(QFileDevice &file, const QByteArray &bytes);

private:
    QString m_folder;
    std::unique_ptr<QTemporaryDir> m_staging;
    QStringList m_madeFolders; // deepest last
    bool m_committed = false;
};
