#pragma once
// A front end for tests: records every event and question in order (from any thread), answers
// questions from a script and holds the run's cancel token.
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/run_host.h"

namespace lumatrix::test {

class RecordingRunHost : public EventSink, public Questions {
 public:
  enum class Kind { Log, Progress, YesNo, OkCancel, Inform };
  struct Call {
    Kind kind;
    std::string text;  // the log line, question or message
    int position = 0, maximum = 0;
    bool answer = false;       // what a question returned
    std::optional<int> entry;  // the list row a log line belongs to
  };

  // Answers for ask_yes_no and ask_ok_cancel, consumed in order. A question asked with the
  // script exhausted fails the current test and is answered false.
  std::deque<bool> answers;
  // Called after each call is recorded, on the caller's thread: a test presses Stop here, for
  // instance when a given line arrives.
  std::function<void(const Call&)> on_call;
  CancelToken cancel;

  RunSeam seam() { return {*this, *this, cancel}; }

  void log_line(const std::string& line, std::optional<int> entry) override;
  void set_progress(int position, int maximum) override;
  bool ask_yes_no(const std::string& question) override;
  bool ask_ok_cancel(const std::string& question) override;
  void inform(const std::string& message) override;

  // A copy of the calls so far, in order.
  std::vector<Call> calls() const;
  // The log lines alone, in order.
  std::vector<std::string> log_lines() const;
  int count(Kind kind) const;
  void reset();

 private:
  void record(Call call);
  bool next_answer(const std::string& question);

  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

}  // namespace lumatrix::test
