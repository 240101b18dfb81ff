#include "recording_run_host.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>

namespace lumatrix::test {
namespace {

using Kind = RecordingRunHost::Kind;

TEST(RecordingRunHost, RecordsCallsInOrderAndAnswersFromTheScript) {
  RecordingRunHost host;
  host.answers = {true, false};
  const RunSeam run = host.seam();
  run.events.log("first");
  run.events.set_progress(2, 9);
  EXPECT_TRUE(run.questions.ask_yes_no("Continue?"));
  EXPECT_FALSE(run.questions.ask_ok_cancel("Overwrite?"));
  run.questions.inform("Done");

  const auto calls = host.calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[1].kind, Kind::Progress);
  EXPECT_EQ(calls[1].position, 2);
  EXPECT_EQ(calls[1].maximum, 9);
  EXPECT_EQ(calls[2].text, "Continue?");
  EXPECT_TRUE(calls[2].answer);
  EXPECT_EQ(calls[3].kind, Kind::OkCancel);
  EXPECT_FALSE(calls[3].answer);
  EXPECT_EQ(calls[4].text, "Done");
  EXPECT_EQ(host.log_lines(), std::vector<std::string>{"first"});
}

TEST(RecordingRunHost, AnUnscriptedQuestionFailsTheTest) {
  RecordingRunHost host;
  EXPECT_NONFATAL_FAILURE(host.ask_yes_no("Delete everything?"), "unscripted question");
}

TEST(RecordingRunHost, KeepsEveryLineFromManyThreadsAndPressesStopOnCue) {
  RecordingRunHost host;
  host.on_call = [&](const RecordingRunHost::Call& call) {
    if (call.text == "2:99") host.cancel.request();
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&host, t] {
      for (int i = 0; i < 100; ++i) host.log_line(std::to_string(t) + ":" + std::to_string(i), t);
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(host.count(Kind::Log), 400);
  EXPECT_TRUE(host.cancel.requested());
}

}  // namespace
}  // namespace lumatrix::test
