#pragma once
// The rate and the time left beside a progress bar: entries per second of work, leaving out the
// time the run spent waiting for its user's answers.
#include <chrono>
#include <optional>
#include <string>

namespace lumatrix {

class ProgressRate {
 public:
  using Clock = std::chrono::steady_clock;

  struct Reading {
    std::string per_second;  // "2.5/s"
    std::string left;        // "0:04 left"; empty once the bar is full
  };

  // Takes the bar's new position. A new maximum, or a position of 0, starts timing again.
  void update(int position, int maximum, Clock::time_point now);
  // Time spent waiting for an answer: not work, so not in the rate.
  void add_wait(Clock::duration waited) { waited_ += waited; }
  // Nothing before an entry is done or while too little work was timed to tell.
  std::optional<Reading> reading(Clock::time_point now) const;

 private:
  int position_ = 0, maximum_ = -1;
  Clock::time_point started_;
  Clock::duration waited_{};
};

// "m:ss", from an hour on "h:mm:ss".
std::string clock_text(double seconds);

}  // namespace lumatrix
