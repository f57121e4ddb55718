#include "largepages.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <cstdint>

void adviseLargePages(const void *data, qsizetype bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole large pages inside the block: the advice covers the pages
    // it names, and the block's neighbours are none of its business.
    constexpr std::uintptr_t largePage = 2 * 1024 * 1024;
    if (!data || bytes < qsizetype(2 * largePage))
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + largePage - 1) & ~(largePage - 1);
    const std::uintptr_t last = (begin + std::uintptr_t(bytes)) & ~(largePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}
