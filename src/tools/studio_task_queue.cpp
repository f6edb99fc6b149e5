#include "tools/studio_task_queue.h"

#include <utility>

namespace opbaff::tools {

BoundedTaskQueue::BoundedTaskQueue(std::size_t threads, std::size_t capacity)
    : capacity_(capacity) {
    threads_.reserve(threads);
    for (std::size_t k = 0; k < threads; ++k) threads_.emplace_back([this] { work(); });
}

BoundedTaskQueue::~BoundedTaskQueue() {
    finish();
}

void BoundedTaskQueue::enqueue(std::function<void()> task) {
    std::unique_lock lock(mutex_);
    taskTaken_.wait(lock, [this] { return tasks_.size() < capacity_ || stopping_; });
    tasks_.push_back(std::move(task));
    lock.unlock();
    taskAdded_.notify_one();
}

void BoundedTaskQueue::shutdown() {
    finish();
}

void BoundedTaskQueue::finish() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    taskAdded_.notify_all();
    taskTaken_.notify_all();
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
        taskTaken_.notify_one();
        task();
    }
}

}  // namespace opbaff::tools
