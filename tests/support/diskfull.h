#pragma once

#include <sys/resource.h>

namespace TestSupport {

// A full disk for this process: while it lives, no file can grow beyond
// `bytes` (writes past it fail as they do when the disk is full, with the
// signal that would end the process ignored).
class DiskFull
{
public:
    explicit DiskFull(rlim_t bytes = 0);
    ~DiskFull();
    DiskFull(const DiskFull &) = delete;
    DiskFull &operator=(const DiskFull &) = delete;

    bool isActive() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace TestSupport
