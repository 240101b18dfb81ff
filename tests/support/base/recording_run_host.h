#pragma once
// A run host for tests: records every call in order and answers questions from a script.
#include <deque>
#include <string>
#include <vector>

#include "base/run_host.h"

namespace lumatrix::test {

class RecordingRunHost : public RunHost {
 public:
  enum class Kind { Log, Progress, Events, YesNo, OkCancel, Inform, StopQuery };
  struct Call {
    Kind kind;
    std::string text;  // the log line, question or message
    int position = 0, maximum = 0;
    bool answer = false;  // what a question or stop query returned
  };

  // Answers for ask_yes_no and ask_ok_cancel, consumed in order. A question asked with the
  // script exhausted fails the current test and is answered false.
  std::deque<bool> answers;
  // stop_requested() answers false this many times, then true; negative never stops.
  int stop_after_queries = -1;

  void log(const std::string& line) override;
  void set_progress(int position, int maximum) override;
  void process_events() override;
  bool ask_yes_no(const std::string& question) override;
  bool ask_ok_cancel(const std::string& question) override;
  void inform(const std::string& message) override;
  bool stop_requested() override;

  const std::vector<Call>& calls() const { return calls_; }
  // The log lines alone, in order.
  std::vector<std::string> log_lines() const;
  int count(Kind kind) const;
  void reset() { calls_.clear(); }

 private:
  bool next_answer(const std::string& question);
  std::vector<Call> calls_;
  int stop_queries_ = 0;
};

}  // namespace lumatrix::test
