#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Counts the lines of a folder's files (ProjectModel::countFileLines) on a
// thread of its own, while the caller goes on with other work, such as
// building the tree the counts belong to. take() waits for the counts, the
// calling thread (and the processor's other cores) counting what is left.
class LinesAhead
{
public:
    LinesAhead(const QString &folderPath, const QStringList &relativePaths);
    // Stops counting and waits for the thread.
    ~LinesAhead();
    LinesAhead(const LinesAhead &) = delete;
    LinesAhead &operator=(const LinesAhead &) = delete;

    const QString &folderPath() const { return m_folderPath; }
    // Every file's count by its relative path. Called once.
    QHash<QString, int> take();

private:
    void countSome();

    const QString m_folderPath;
    const QStringList m_paths;
    std::vector<int> m_counts;
    std::atomic<std::size_t> m_next{0};
    std::thread m_thread;
};
