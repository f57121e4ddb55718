#include "outputcapture.h"

#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <poll.h>

namespace TestSupport {
namespace {

void flushAll()
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
}

} // namespace

OutputCapture::OutputCapture(int fd) : m_fd(fd)
{
    int ends[2];
    if (pipe(ends) != 0)
        return;
    fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    flushAll();
    m_saved = dup(m_fd);
    dup2(ends[1], m_fd);
    // From here on only m_fd writes into the pipe.
    close(ends[1]);
    m_readEnd = ends[0];
    m_reader = std::thread(&OutputCapture::drain, this);
}

OutputCapture::~OutputCapture()
{
    restore();
}

QString OutputCapture::text()
{
    restore();
    return QString::fromUtf8(m_bytes);
}

void OutputCapture::restore()
{
    if (m_saved < 0)
        return;
    flushAll();
    dup2(m_saved, m_fd);
    close(m_saved);
    m_saved = -1;
    // The reader takes what is still in the pipe before it stops. It never
    // waits for the pipe to close: a child process may hold the write end.
    m_stop = true;
    m_reader.join();
    close(m_readEnd);
    m_readEnd = -1;
}

void OutputCapture::drain()
{
    char buffer[4096];
    for (;;) {
        const bool stopping = m_stop;
        ssize_t got = 0;
        while ((got = read(m_readEnd, buffer, sizeof buffer)) > 0)
            m_bytes.append(buffer, got);
        if (stopping || got == 0)
            return;
        pollfd waiting{m_readEnd, POLLIN, 0};
        poll(&waiting, 1, 10);
    }
}

} // namespace TestSupport
