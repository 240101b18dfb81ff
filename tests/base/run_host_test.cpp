#include "base/run_host.h"

#include <gtest/gtest.h>

#include "recording_run_host.h"

namespace lumatrix::test {
namespace {

using Kind = RecordingRunHost::Kind;

TEST(ConfirmStop, OkEndsWithTheNoticeAndTheBarAtZero) {
  RecordingRunHost host;
  host.answers = {true};
  EXPECT_TRUE(confirm_stop(host, 7));
  const auto& calls = host.calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, Kind::OkCancel);
  EXPECT_EQ(calls[0].text, "Do You Want to Terminate the Current Process ?");
  EXPECT_EQ(calls[1].kind, Kind::Inform);
  EXPECT_EQ(calls[1].text, "Process Stopped by User");
  EXPECT_EQ(calls[2].kind, Kind::Progress);
  EXPECT_EQ(calls[2].position, 0);
  EXPECT_EQ(calls[2].maximum, 7);
}

TEST(ConfirmStop, CancelGoesOnWithoutANotice) {
  RecordingRunHost host;
  host.answers = {false};
  EXPECT_FALSE(confirm_stop(host, 7));
  for (const auto& call : host.calls()) {
    EXPECT_NE(call.kind, Kind::Inform);
    EXPECT_NE(call.kind, Kind::Progress);
  }
}

}  // namespace
}  // namespace lumatrix::test
