// The studio server's workers: a fixed number of threads taking computations
// from a queue of bounded length.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace opbaff::tools {

class BoundedTaskQueue {
  public:
    BoundedTaskQueue(std::size_t threads, std::size_t capacity);
    BoundedTaskQueue(const BoundedTaskQueue&) = delete;
    BoundedTaskQueue& operator=(const BoundedTaskQueue&) = delete;
    ~BoundedTaskQueue();

    // Queues a task unless `capacity` tasks already wait (or the queue has
    // shut down): false then, and the task is not run. Never waits.
    bool tryEnqueue(std::function<void()> task);

    // Runs the tasks still queued, then ends the threads.
    void shutdown();

  private:
    void work();

    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable taskAdded_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace opbaff::tools
