#include "cli/terminal_run_host.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <thread>
#include <vector>

#include "cli/command.h"

namespace lumatrix::cli {
namespace {

struct Terminal {
  std::ostringstream out, bar, questions;
  std::istringstream answers;
  TerminalRunHost::Streams streams(bool with_bar, bool with_terminal) {
    return {&out, with_bar ? &bar : nullptr, with_terminal ? &answers : nullptr,
            with_terminal ? &questions : nullptr};
  }
};

TEST(TerminalRunHost, LogLinesOnOutputAndABarOnlyWhereThereIsOne) {
  Terminal t;
  {
    TerminalRunHost host(false, t.streams(false, false));
    host.set_progress(1, 2);
    host.log("Adding a.jpg");
    host.inform("Backup Completed : /x.zip");
  }
  EXPECT_EQ(t.out.str(), "Adding a.jpg\nBackup Completed : /x.zip\n");

  Terminal tty;
  {
    TerminalRunHost host(false, tty.streams(true, false));
    host.set_progress(0, 10);
    host.set_progress(3, 10);
    EXPECT_NE(tty.bar.str().find("\r[#########.....................] 3/10"), std::string::npos)
        << tty.bar.str();
    tty.bar.str("");
    host.log("line");  // the bar is cleared for the line and drawn again below it
    EXPECT_EQ(tty.bar.str().substr(0, 4), "\r\033[K");
    EXPECT_NE(tty.bar.str().find("3/10"), std::string::npos);
  }
  EXPECT_EQ(tty.out.str(), "line\n");
  EXPECT_TRUE(tty.bar.str().ends_with("\r\033[K"));  // nothing left on the line at the end
}

TEST(TerminalRunHost, QuestionsOnTheTerminal) {
  Terminal t;
  t.answers.str("y\n\nNo\n\ncancel\nOK\n");
  TerminalRunHost host(false, t.streams(false, true));
  EXPECT_TRUE(host.ask_yes_no("Replace?"));
  EXPECT_FALSE(host.ask_yes_no("Replace?"));  // an empty answer is no
  EXPECT_FALSE(host.ask_yes_no("Replace?"));
  EXPECT_TRUE(host.ask_ok_cancel("Stop?"));  // an empty answer is OK
  EXPECT_FALSE(host.ask_ok_cancel("Stop?"));
  EXPECT_TRUE(host.ask_ok_cancel("Stop?"));
  EXPECT_FALSE(host.ask_ok_cancel("Stop?"));  // end of input cancels
  EXPECT_TRUE(t.questions.str().starts_with("Replace? [y/N] Replace? [y/N] "));
  EXPECT_NE(t.questions.str().find("Stop? [OK/cancel] "), std::string::npos);
  EXPECT_EQ(t.out.str(), "");
}

TEST(TerminalRunHost, WithoutATerminalYesAnswersOrTheQuestionIsAnError) {
  Terminal t;
  TerminalRunHost yes(true, t.streams(false, false));
  EXPECT_TRUE(yes.ask_yes_no("Replace?"));
  EXPECT_TRUE(yes.ask_ok_cancel("Stop?"));
  TerminalRunHost no(false, t.streams(false, false));
  EXPECT_FALSE(no.can_ask());
  try {
    no.ask_yes_no("Replace it?");
    ADD_FAILURE() << "answered without a terminal";
  } catch (const UsageError& e) {
    EXPECT_EQ(e.message, "needs a terminal to ask: Replace it?; pass --yes to answer yes");
  }
  EXPECT_THROW(no.ask_ok_cancel("Stop?"), UsageError);
}

TEST(TerminalRunHost, CtrlCRequestsAStopAndWithoutATerminalStops) {
  Terminal t;
  TerminalRunHost host(false, t.streams(false, false));
  const RunSeam run = host.seam();
  install_interrupt_handler();
  EXPECT_FALSE(run.cancel.requested());
  std::raise(SIGINT);
  EXPECT_TRUE(run.cancel.requested());
  EXPECT_TRUE(host.ask_ok_cancel("Do You Want to Terminate the Current Process ?"));
  EXPECT_THROW(host.ask_yes_no("Other?"), UsageError);
  restore_interrupt_handler();
  EXPECT_FALSE(run.cancel.requested());
}

TEST(TerminalRunHost, LinesFromManyThreadsArriveWhole) {
  Terminal t;
  {
    TerminalRunHost host(false, t.streams(true, false));
    host.set_progress(1, 4);
    std::vector<std::thread> threads;
    for (int n = 0; n < 4; ++n)
      threads.emplace_back([&host, n] {
        for (int i = 0; i < 200; ++i) host.log_line(std::string(40, static_cast<char>('a' + n)), n);
      });
    for (auto& thread : threads) thread.join();
  }
  std::istringstream out(t.out.str());
  int lines = 0;
  for (std::string line; std::getline(out, line); ++lines)
    ASSERT_EQ(line, std::string(40, line.front()));
  EXPECT_EQ(lines, 800);
}

TEST(TerminalRunHostDeathTest, SecondCtrlCEndsAtOnceWith130) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        install_interrupt_handler();
        std::raise(SIGINT);
        std::raise(SIGINT);
        std::exit(0);
      },
      ::testing::ExitedWithCode(130), "");
}

}  // namespace
}  // namespace lumatrix::cli
