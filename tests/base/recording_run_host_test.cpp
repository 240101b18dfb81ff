#include "recording_run_host.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace lumatrix::test {
namespace {

using Kind = RecordingRunHost::Kind;

TEST(RecordingRunHost, RecordsCallsInOrderAndAnswersFromTheScript) {
  RecordingRunHost host;
  host.answers = {true, false};
  host.stop_after_queries = 1;
  RunHost& as_host = host;
  as_host.log("first");
  as_host.set_progress(2, 9);
  EXPECT_TRUE(as_host.ask_yes_no("Continue?"));
  EXPECT_FALSE(as_host.ask_ok_cancel("Overwrite?"));
  as_host.process_events();
  EXPECT_FALSE(as_host.stop_requested());
  EXPECT_TRUE(as_host.stop_requested());
  as_host.inform("Done");

  const auto& calls = host.calls();
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[1].kind, Kind::Progress);
  EXPECT_EQ(calls[1].position, 2);
  EXPECT_EQ(calls[1].maximum, 9);
  EXPECT_EQ(calls[2].text, "Continue?");
  EXPECT_TRUE(calls[2].answer);
  EXPECT_EQ(calls[3].kind, Kind::OkCancel);
  EXPECT_FALSE(calls[3].answer);
  EXPECT_EQ(calls[7].text, "Done");
  EXPECT_EQ(host.log_lines(), std::vector<std::string>{"first"});
  EXPECT_EQ(host.count(Kind::StopQuery), 2);
}

TEST(RecordingRunHost, AnUnscriptedQuestionFailsTheTest) {
  RecordingRunHost host;
  EXPECT_NONFATAL_FAILURE(host.ask_yes_no("Delete everything?"), "unscripted question");
}

}  // namespace
}  // namespace lumatrix::test
