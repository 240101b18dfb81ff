#include "recording_run_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumatrix::test {

void RecordingRunHost::log(const std::string& line) {
  calls_.push_back({Kind::Log, line});
}

void RecordingRunHost::set_progress(int position, int maximum) {
  calls_.push_back({Kind::Progress, {}, position, maximum});
}

void RecordingRunHost::process_events() {
  calls_.push_back({Kind::Events, {}});
}

bool RecordingRunHost::next_answer(const std::string& question) {
  if (answers.empty()) {
    ADD_FAILURE() << "unscripted question: " << question;
    return false;
  }
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool RecordingRunHost::ask_yes_no(const std::string& question) {
  const bool answer = next_answer(question);
  calls_.push_back({Kind::YesNo, question, 0, 0, answer});
  return answer;
}

bool RecordingRunHost::ask_ok_cancel(const std::string& question) {
  const bool answer = next_answer(question);
  calls_.push_back({Kind::OkCancel, question, 0, 0, answer});
  return answer;
}

void RecordingRunHost::inform(const std::string& message) {
  calls_.push_back({Kind::Inform, message});
}

bool RecordingRunHost::stop_requested() {
  const bool stop = stop_after_queries >= 0 && stop_queries_ >= stop_after_queries;
  ++stop_queries_;
  calls_.push_back({Kind::StopQuery, {}, 0, 0, stop});
  return stop;
}

std::vector<std::string> RecordingRunHost::log_lines() const {
  std::vector<std::string> lines;
  for (const Call& call : calls_)
    if (call.kind == Kind::Log) lines.push_back(call.text);
  return lines;
}

int RecordingRunHost::count(Kind kind) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                        [kind](const Call& c) { return c.kind == kind; }));
}

}  // namespace lumatrix::test
