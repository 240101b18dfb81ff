#include "engine/worker_pool.h"

#include <algorithm>

namespace lumatrix {

WorkerPool::WorkerPool(int workers) {
  threads_.reserve(static_cast<size_t>(std::max(workers, 1)));
  for (int i = 0; i < std::max(workers, 1); ++i) threads_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
  while (busy_ > 0) wait_finished();
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  job_ready_.notify_all();
  threads_.clear();  // joins
}

void WorkerPool::start(int id, Job job) {
  {
    const std::lock_guard lock(mutex_);
    queue_.emplace_back(id, std::move(job));
  }
  ++busy_;
  job_ready_.notify_one();
}

int WorkerPool::wait_finished() {
  std::unique_lock lock(mutex_);
  job_done_.wait(lock, [this] { return !finished_.empty(); });
  const int id = finished_.front();
  finished_.pop_front();
  --busy_;
  return id;
}

void WorkerPool::work() {
  // Each worker's documents live as long as it does, so their buffers serve job after job.
  Workspace ws;
  while (true) {
    std::pair<int, Job> next;
    {
      std::unique_lock lock(mutex_);
      job_ready_.wait(lock, [this] { return closing_ || !queue_.empty(); });
      if (queue_.empty()) return;
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    next.second(ws);
    next.second = nullptr;  // what the job captured goes before it is reported done
    {
      const std::lock_guard lock(mutex_);
      finished_.push_back(next.first);
    }
    job_done_.notify_one();
  }
}

}  // namespace lumatrix
