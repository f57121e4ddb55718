#include "diskfull.h"

#include <csignal>

namespace TestSupport {

DiskFull::DiskFull(rlim_t bytes)
{
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

DiskFull::~DiskFull()
{
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

} // namespace TestSupport
