#include "app/latest_work.h"

namespace lumatrix::app {

LatestWork::LatestWork() : worker_([this](std::stop_token stop) { run(stop); }) {}

LatestWork::~LatestWork() {
  {
    std::lock_guard lock(mutex_);
    waiting_.reset();
  }
  worker_.request_stop();
}

void LatestWork::submit(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    waiting_ = std::move(task);
  }
  wake_.notify_one();
}

void LatestWork::run(std::stop_token stop) {
  while (true) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return waiting_.has_value(); })) return;
      task = std::move(*waiting_);
      waiting_.reset();
    }
    task();
  }
}

}  // namespace lumatrix::app
