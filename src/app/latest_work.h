#pragma once
// One worker thread that runs only the newest of the tasks handed to it: a task handed in while
// another works replaces any still waiting. The dialog's live preview goes through it, so
// dragging a slider never queues up stale pictures and the window's thread never computes.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace lumatrix::app {

class LatestWork {
 public:
  LatestWork();
  // Drops what still waits and waits for the task at work.
  ~LatestWork();
  LatestWork(const LatestWork&) = delete;
  LatestWork& operator=(const LatestWork&) = delete;

  void submit(std::function<void()> task);

 private:
  void run(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::optional<std::function<void()>> waiting_;
  std::jthread worker_;  // last: it starts once the rest exists and stops first
};

}  // namespace lumatrix::app
