#include "studio_task_queue.h"

#include <utility>

namespace opbaff::tools {

BoundedTaskQueue::BoundedTaskQueue(std::size_t threads, std::size_t capacity)
    : capacity_(capacity) {
    threads_.reserve(threads);
    for (std::size_t k = 0; k < threads; ++k) threads_.emplace_back([this] { work(); });
}

BoundedTaskQueue::~BoundedTaskQueue() {
    shutdown();
}

bool BoundedTaskQueue::tryEnqueue(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_ || tasks_.size() >= capacity_) return false;
        tasks_.push_back(std::move(task));
    }
    taskAdded_.notify_one();
    return true;
}

void BoundedTaskQueue::shutdown() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    taskAdded_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

void BoundedTaskQueue::work() {
    while (true) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            taskAdded_.wait(lock, [this] { return !tasks_.empty() || stopping_; });
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace opbaff::tools
