#include "recording_run_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumatrix::test {

void RecordingRunHost::record(Call call) {
  {
    const std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }
  if (on_call) on_call(call);
}

void RecordingRunHost::log_line(const std::string& line, std::optional<int> entry) {
  record({Kind::Log, line, 0, 0, false, entry});
}

void RecordingRunHost::set_progress(int position, int maximum) {
  record({Kind::Progress, {}, position, maximum, false, std::nullopt});
}

bool RecordingRunHost::next_answer(const std::string& question) {
  const std::lock_guard lock(mutex_);
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
  record({Kind::YesNo, question, 0, 0, answer, std::nullopt});
  return answer;
}

bool RecordingRunHost::ask_ok_cancel(const std::string& question) {
  const bool answer = next_answer(question);
  record({Kind::OkCancel, question, 0, 0, answer, std::nullopt});
  return answer;
}

void RecordingRunHost::inform(const std::string& message) {
  record({Kind::Inform, message, 0, 0, false, std::nullopt});
}

std::vector<RecordingRunHost::Call> RecordingRunHost::calls() const {
  const std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> RecordingRunHost::log_lines() const {
  std::vector<std::string> lines;
  for (const Call& call : calls())
    if (call.kind == Kind::Log) lines.push_back(call.text);
  return lines;
}

int RecordingRunHost::count(Kind kind) const {
  const std::vector<Call> all = calls();
  return static_cast<int>(
      std::count_if(all.begin(), all.end(), [kind](const Call& c) { return c.kind == kind; }));
}

void RecordingRunHost::reset() {
  const std::lock_guard lock(mutex_);
  calls_.clear();
  cancel.reset();
}

}  // namespace lumatrix::test
