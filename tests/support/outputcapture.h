#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>
#include <unistd.h>

namespace TestSupport {

// Redirects one of the process's output streams (standard output or standard
// error) for its lifetime; text() restores the stream and returns everything
// written meanwhile. The stream goes into a pipe that a thread drains, so it
// still works while files cannot grow (DiskFull) and a long output neither
// blocks the test nor gets cut off.
class OutputCapture
{
public:
    explicit OutputCapture(int fd = STDERR_FILENO);
    ~OutputCapture();
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

    // Everything written so far; the stream is restored by the first call.
    QString text();

private:
    void restore();
    void drain();

    int m_fd;
    int m_readEnd = -1;
    int m_saved = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
    QByteArray m_bytes;
};

} // namespace TestSupport
