#include "base/run_host.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <vector>

#include "recording_run_host.h"

namespace lumatrix::test {
namespace {

using Kind = RecordingRunHost::Kind;

TEST(ConfirmStop, OkEndsWithTheNoticeAndTheBarAtZero) {
  RecordingRunHost host;
  host.answers = {true};
  EXPECT_TRUE(confirm_stop(host.seam(), 7));
  const auto calls = host.calls();
  ASSERT_EQ(calls.size(), 3u);
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
  EXPECT_FALSE(confirm_stop(host.seam(), 7));
  EXPECT_EQ(host.calls().size(), 1u);
}

CancelToken* g_token = nullptr;
extern "C" void request_stop(int) {
  g_token->request();
}

TEST(CancelToken, SetFromAnotherThreadOrASignalHandlerAndWithdrawn) {
  CancelToken token;
  EXPECT_FALSE(token.requested());
  std::thread([&] { token.request(); }).join();
  EXPECT_TRUE(token.requested());
  token.reset();
  EXPECT_FALSE(token.requested());

  g_token = &token;
  struct sigaction action {
  }, previous{};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
  std::raise(SIGUSR1);
  ::sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_TRUE(token.requested());
}

TEST(EventSink, RunLinesCarryNoEntry) {
  RecordingRunHost host;
  EventSink& sink = host;
  sink.log("Batch Image Processing Completed");
  sink.log_line("Saving a.png ....", 3);
  const auto calls = host.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].entry, std::nullopt);
  EXPECT_EQ(calls[1].entry, 3);
}

}  // namespace
}  // namespace lumatrix::test
