#pragma once
// The workers of a batch run: threads that each own a Workspace and run one job at a time. The
// run's own thread hands out the jobs and collects them as they finish; it alone talks to the
// front end.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/workspace.h"

namespace lumatrix {

class WorkerPool {
 public:
  using Job = std::function<void(Workspace&)>;  // must not throw

  explicit WorkerPool(int workers);
  // Waits for the jobs handed out and ends the threads.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int size() const { return static_cast<int>(threads_.size()); }
  // Jobs handed out and not yet collected by wait_finished.
  int busy() const { return busy_; }
  bool idle_worker() const { return busy_ < size(); }

  // Hands `job`, known by `id`, to an idle worker. Call only while idle_worker().
  void start(int id, Job job);
  // Waits until a job has finished and returns its id. Call only while busy() > 0.
  int wait_finished();

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable job_ready_, job_done_;
  std::deque<std::pair<int, Job>> queue_;
  std::deque<int> finished_;
  bool closing_ = false;
  int busy_ = 0;  // touched by the run's thread only
  std::vector<std::jthread> threads_;
};

}  // namespace lumatrix
