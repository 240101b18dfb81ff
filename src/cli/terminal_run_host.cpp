#include "cli/terminal_run_host.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "base/choice_text.h"
#include "cli/command.h"

namespace lumatrix::cli {

namespace {

CancelToken g_interrupt;
struct sigaction g_previous {};
bool g_installed = false;

extern "C" void on_interrupt(int) {
  // The first press asks the run to stop after its current step; a second one, while that
  // stop is still pending, means now.
  if (g_interrupt.requested()) ::_exit(130);
  g_interrupt.request();
}

std::string clock_text(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

void install_interrupt_handler() {
  g_interrupt.reset();
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a file being copied goes on being copied
  struct sigaction previous {};
  if (::sigaction(SIGINT, &action, &previous) != 0) return;
  // A program started in the background with Ctrl-C ignored keeps ignoring it.
  if (previous.sa_handler == SIG_IGN && !g_installed) {
    ::sigaction(SIGINT, &previous, nullptr);
    return;
  }
  if (!g_installed) g_previous = previous;
  g_installed = true;
}

void restore_interrupt_handler() {
  if (g_installed) ::sigaction(SIGINT, &g_previous, nullptr);
  g_installed = false;
  g_interrupt.reset();
}

CancelToken& interrupt_token() {
  return g_interrupt;
}

bool interrupt_pending() {
  return g_interrupt.requested();
}

TerminalRunHost::TerminalRunHost(bool assume_yes) : assume_yes_(assume_yes) {
  streams_.out = &std::cout;
  if (::isatty(STDERR_FILENO)) streams_.progress = &std::cerr;
  tty_in_ = std::make_unique<std::ifstream>("/dev/tty");
  tty_out_ = std::make_unique<std::ofstream>("/dev/tty");
  if (tty_in_->is_open() && tty_out_->is_open()) {
    streams_.answers = tty_in_.get();
    streams_.questions = tty_out_.get();
  } else if (::isatty(STDIN_FILENO)) {
    streams_.answers = &std::cin;
    streams_.questions = &std::cerr;
  }
  install_interrupt_handler();
  owns_interrupts_ = true;
}

TerminalRunHost::TerminalRunHost(bool assume_yes, Streams streams)
    : assume_yes_(assume_yes), streams_(streams) {}

TerminalRunHost::~TerminalRunHost() {
  {
    const std::lock_guard lock(mutex_);
    clear_bar();
  }
  if (owns_interrupts_) restore_interrupt_handler();
}

RunSeam TerminalRunHost::seam() {
  return {*this, *this, interrupt_token()};
}

void TerminalRunHost::clear_bar() {
  if (!bar_shown_) return;
  *streams_.progress << "\r\033[K" << std::flush;
  bar_shown_ = false;
}

void TerminalRunHost::log_line(const std::string& line, std::optional<int>) {
  const std::lock_guard lock(mutex_);
  write_line(line);
}

void TerminalRunHost::write_line(const std::string& line) {
  clear_bar();
  *streams_.out << line << '\n' << std::flush;
  if (!bar_.empty() && streams_.progress) {
    *streams_.progress << bar_ << std::flush;
    bar_shown_ = true;
  }
}

void TerminalRunHost::set_progress(int position, int maximum) {
  if (!streams_.progress) return;
  const std::lock_guard lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  if (maximum != last_maximum_ || position == 0) {
    started_ = now;
    waited_ = {};
    last_maximum_ = maximum;
  }
  if (maximum <= 0 || position <= 0) {
    clear_bar();
    bar_.clear();
    return;
  }
  // Redrawing costs the terminal more than the step: ten times a second is enough.
  if (bar_shown_ && position < maximum && now - last_drawn_ < std::chrono::milliseconds(100))
    return;
  last_drawn_ = now;
  constexpr int kWidth = 30;
  const int filled =
      static_cast<int>(static_cast<long long>(std::min(position, maximum)) * kWidth / maximum);
  std::string bar = "\r[" + std::string(filled, '#') + std::string(kWidth - filled, '.') + "] " +
                    std::to_string(position) + "/" + std::to_string(maximum);
  const double elapsed = std::chrono::duration<double>(now - started_ - waited_).count();
  if (elapsed > 0.05) {
    const double rate = position / elapsed;
    char rate_text[32];
    std::snprintf(rate_text, sizeof rate_text, "  %.1f/s", rate);
    bar += rate_text;
    if (position < maximum) bar += "  " + clock_text((maximum - position) / rate) + " left";
  }
  bar += "\033[K";
  bar_ = bar;
  *streams_.progress << bar << std::flush;
  bar_shown_ = true;
}

std::string TerminalRunHost::no_terminal_message(const std::string& question) const {
  return "needs a terminal to ask: " + question + "; pass --yes to answer yes";
}

bool TerminalRunHost::ask(const std::string& question, const std::string& choices,
                          bool empty_answer) {
  const std::lock_guard lock(mutex_);
  clear_bar();
  *streams_.questions << question << " " << choices << " " << std::flush;
  const auto asked = std::chrono::steady_clock::now();
  std::string reply;
  const bool answered = static_cast<bool>(std::getline(*streams_.answers, reply));
  waited_ += std::chrono::steady_clock::now() - asked;
  if (!answered) {
    *streams_.questions << "\n" << std::flush;
    return false;
  }
  const std::string word = normalized_choice(reply);
  if (word.empty()) return empty_answer;
  if (word == "y" || word == "yes") return true;
  return !empty_answer ? false : (word == "ok" || word == "o");
}

bool TerminalRunHost::ask_yes_no(const std::string& question) {
  if (assume_yes_) return true;
  if (!streams_.answers) throw UsageError{no_terminal_message(question)};
  return ask(question, "[y/N]", false);
}

bool TerminalRunHost::ask_ok_cancel(const std::string& question) {
  if (assume_yes_) return true;
  if (!streams_.answers) {
    if (interrupt_pending()) return true;
    throw UsageError{no_terminal_message(question)};
  }
  return ask(question, "[OK/cancel]", true);
}

void TerminalRunHost::inform(const std::string& message) {
  const std::lock_guard lock(mutex_);
  write_line(message);
}

}  // namespace lumatrix::cli
