#pragma once

#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Calls work(i) for every i from 0 to count - 1, on as many threads as the
// processor has cores, each taking the next index; returns when all are done.
// For independent pieces of work such as reading many files; below
// `perThread` pieces a thread is not worth starting. Each thread gets its own
// work from makeWork(), so it can hold what must not be shared.
template <typename MakeWork>
void parallelFor(std::size_t count, std::size_t perThread, MakeWork makeWork)
{
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        auto work = makeWork();
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    const std::size_t helpers = std::min<std::size_t>(
        count / std::max<std::size_t>(1, perThread),
        std::size_t(std::max(1, QThread::idealThreadCount()) - 1));
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < helpers; ++t)
        threads.emplace_back(run);
    run();
    for (std::thread &thread : threads)
        thread.join();
}
