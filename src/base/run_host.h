#pragma once
// How a long run talks to its user, in three parts with three threading rules:
//   EventSink    log lines and the progress bar; any thread may call it at any time.
//   CancelToken  the stop request (Escape, Ctrl-C, a Stop button); set from any thread, even a
//                signal handler, and read by the run between steps.
//   Questions    yes/no and OK/Cancel questions and information notices. The run asks from its
//                own thread and waits; the front end answers on its thread (the desktop program
//                posts the question to its window thread, the command line asks on the
//                terminal).
// Nothing is pumped: a front end that must stay live runs the engine on a thread of its own.
#include <atomic>
#include <optional>
#include <string>

namespace lumatrix {

class EventSink {
 public:
  virtual ~EventSink();

  // Appends one whole line to the progress log. `entry` is the 1-based list row the line
  // belongs to; empty for the run's own lines.
  virtual void log_line(const std::string& line, std::optional<int> entry) = 0;
  // Sets the progress bar to `position` out of `maximum`.
  virtual void set_progress(int position, int maximum) = 0;

  // A line of the run itself.
  void log(const std::string& line) { log_line(line, std::nullopt); }
};

class Questions {
 public:
  virtual ~Questions();

  // A yes/no question; true for yes.
  virtual bool ask_yes_no(const std::string& question) = 0;
  // An OK/Cancel question; true for OK.
  virtual bool ask_ok_cancel(const std::string& question) = 0;
  // An information notice the user acknowledges.
  virtual void inform(const std::string& message) = 0;
};

class CancelToken {
 public:
  CancelToken() = default;
  CancelToken(const CancelToken&) = delete;
  CancelToken& operator=(const CancelToken&) = delete;

  // Asks the run to stop after its current step. Lock-free, so a signal handler may call it.
  void request() noexcept { requested_.store(true, std::memory_order_release); }
  bool requested() const noexcept { return requested_.load(std::memory_order_acquire); }
  // Withdraws the request, for the next run.
  void reset() noexcept { requested_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> requested_{false};
  static_assert(std::atomic<bool>::is_always_lock_free);
};

// The three parts as one run receives them.
struct RunSeam {
  EventSink& events;
  Questions& questions;
  CancelToken& cancel;
};

// The question a run asks when the user asked it to stop: "Do You Want to Terminate the Current
// Process ?". OK ends the run: the notice "Process Stopped by User" and the bar back at zero of
// `maximum`; returns true. Cancel lets the run go on; returns false.
bool confirm_stop(const RunSeam& run, int maximum);

}  // namespace lumatrix
