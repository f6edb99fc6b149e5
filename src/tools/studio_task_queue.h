// The studio server's workers: a fixed number of threads taking connections
// from a queue of bounded length.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace opbaff::tools {

class BoundedTaskQueue : public httplib::TaskQueue {
  public:
    BoundedTaskQueue(std::size_t threads, std::size_t capacity);
    BoundedTaskQueue(const BoundedTaskQueue&) = delete;
    BoundedTaskQueue& operator=(const BoundedTaskQueue&) = delete;
    ~BoundedTaskQueue() override;

    // Queues a task; while `capacity` tasks wait, the caller (the thread that
    // accepts connections) waits too, so that further connections wait in the
    // system's backlog instead of in memory.
    void enqueue(std::function<void()> task) override;

    // Runs the tasks still queued, then ends the threads.
    void shutdown() override;

  private:
    void finish();
    void work();

    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable taskAdded_;
    std::condition_variable taskTaken_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace opbaff::tools
