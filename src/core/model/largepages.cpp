#include "largepages.h"

#ifdef __linux__
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#if defined(__linux__) && defined(MADV_HUGEPAGE)
namespace {
constexpr std::uintptr_t LargePage = 2 * 1024 * 1024;
}
#endif

bool adviseLargePages(const void *data, qsizetype bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole large pages inside the block: the advice covers the pages
    // it names, and the block's neighbours are none of its business.
    if (!data || bytes < qsizetype(2 * LargePage))
        return false;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t last = (begin + std::uintptr_t(bytes)) & ~(LargePage - 1);
    return last > first
        && madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE) == 0;
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
    return false;
#endif
}

bool adviseLargePagesForHeap(qsizetype bytes)
{
#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    if (bytes <= 0 || bytes > std::numeric_limits<int>::max() / 2)
        return false;
    // The heap grows by what a request needs plus the top pad, so one
    // request larger than all the free memory, with a large pad and nothing
    // mapped apart, takes the room in one step; the pad and mapping are the
    // defaults again afterwards. Blocks are taken from the room, large ones
    // too, as long as it lasts (the allocator maps a block of its own only
    // when the heap cannot hold it), and the heap is not trimmed below twice
    // the room.
    constexpr int defaultPad = 128 * 1024;
    constexpr int defaultMappings = 65536;
    if (mallopt(M_TRIM_THRESHOLD, int(2 * bytes)) != 1 || mallopt(M_TOP_PAD, int(bytes)) != 1
        || mallopt(M_MMAP_MAX, 0) != 1)
        return false;
    void *block = malloc(mallinfo2().fordblks + 1024 * 1024);
    void *const end = sbrk(0);
    mallopt(M_TOP_PAD, defaultPad);
    mallopt(M_MMAP_MAX, defaultMappings);
    bool advised = false;
    if (block && end != reinterpret_cast<void *>(-1)) {
        // From the large page the room begins in (blocks are taken from its
        // start on), as far as the heap reaches down.
        const auto room = reinterpret_cast<std::uintptr_t>(block);
        const auto heapEnd = reinterpret_cast<std::uintptr_t>(end);
        const std::uintptr_t heapStart =
            heapEnd - std::min<std::uintptr_t>(mallinfo2().arena, heapEnd);
        const std::uintptr_t begin = std::max(heapStart, room & ~(LargePage - 1));
        advised = heapEnd > begin
            && adviseLargePages(reinterpret_cast<const void *>(begin), qsizetype(heapEnd - begin));
    }
    std::free(block);
    return advised;
#else
    Q_UNUSED(bytes);
    return false;
#endif
}
