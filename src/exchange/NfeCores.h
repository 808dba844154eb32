#pragma once
// Work spread over the cores for the invoice import (internal to the
// exchange): reading and parsing files, building rows, checking them.

#include <QThread>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace quirels::exchange::nfe {

// Runs work(i) for every i below count, spread over the cores.
template <typename F>
void onEveryCore(size_t count, const F &work)
{
    std::atomic<size_t> nextIndex{0};
    const auto run = [&] {
        for (size_t i = nextIndex++; i < count; i = nextIndex++)
            work(i);
    };
    const int cores = std::max(1, QThread::idealThreadCount());
    std::vector<std::thread> helpers;
    for (int t = 1; t < cores && static_cast<size_t>(t) < count; ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread &h : helpers)
        h.join();
}

} // namespace quirels::exchange::nfe
