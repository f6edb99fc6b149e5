#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace opbaff::tools {

int defaultJobs() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void runParallel(std::size_t count, int jobs, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    using Clock = std::chrono::steady_clock;
    auto lastReport = Clock::now();
    // The calling thread works like the others, and between its items reports
    // the progress at most ten times a second.
    const auto worker = [&](bool reports) {
        for (std::size_t i = next++; i < count && !failed; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
            ++done;
            if (reports && progress &&
                Clock::now() - lastReport >= std::chrono::milliseconds(100)) {
                lastReport = Clock::now();
                progress(done);
            }
        }
    };
    const std::size_t threads = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)),
                                                        1, std::max<std::size_t>(count, 1));
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(worker, false);
    worker(true);
    helpers.clear();  // joins
    if (failure) std::rethrow_exception(failure);
    if (progress) progress(count);
}

}  // namespace opbaff::tools
