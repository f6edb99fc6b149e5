// Work spread over threads: each item of a batch computed on its own, results
// in place, the order of the items kept.
#pragma once

#include <cstddef>
#include <functional>

namespace opbaff::tools {

// The default number of jobs: the hardware threads (at least 1).
int defaultJobs();

// Calls work(i) for every i from 0 to count - 1, on `jobs` threads (the
// calling thread is one of them; fewer if there are fewer items). Each i is
// taken exactly once; work must only write what belongs to its i. Between its
// own items, the calling thread calls `progress(done)` at most ten times a
// second with the number of items finished, and once at the end with `count`.
// An exception thrown by work stops the batch and is thrown again here.
void runParallel(std::size_t count, int jobs, const std::function<void(std::size_t)>& work,
                 const std::function<void(std::size_t)>& progress = {});

}  // namespace opbaff::tools
