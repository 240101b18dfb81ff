#pragma once
// The command line's front end of a run: log lines on standard output, a progress bar on
// standard error when that is a terminal, questions on the terminal (or answered by --yes),
// Ctrl-C as the stop key.
#include <chrono>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/run_host.h"

namespace lumatrix::cli {

class TerminalRunHost : public EventSink, public Questions {
 public:
  // Where the host talks; the process's own streams by default, others in tests.
  struct Streams {
    std::ostream* out = nullptr;        // log lines and notices
    std::ostream* progress = nullptr;   // the progress bar; none when null
    std::istream* answers = nullptr;    // the terminal's input; no terminal when null
    std::ostream* questions = nullptr;  // where questions are written (with `answers`)
  };

  // Uses standard output, standard error (for the bar, when it is a terminal) and the
  // controlling terminal (/dev/tty, else standard input when it is one) for questions, and
  // takes over Ctrl-C until destroyed.
  explicit TerminalRunHost(bool assume_yes);
  // The same over the given streams; Ctrl-C is left alone.
  TerminalRunHost(bool assume_yes, Streams streams);
  ~TerminalRunHost() override;
  TerminalRunHost(const TerminalRunHost&) = delete;
  TerminalRunHost& operator=(const TerminalRunHost&) = delete;

  // The three parts of the seam a run is given; the cancel token is the one Ctrl-C sets.
  RunSeam seam();

  // Safe from any thread: a line is written whole, and the bar is drawn again below it.
  void log_line(const std::string& line, std::optional<int> entry) override;
  void set_progress(int position, int maximum) override;
  // With --yes: yes. On a terminal: "question [y/N] ", yes for "y" or "yes" in any case. With
  // neither: throws UsageError ("needs a terminal to ask: ...; pass --yes to answer yes"),
  // which the command's caller turns into exit status 2.
  bool ask_yes_no(const std::string& question) override;
  // With --yes: OK. On a terminal: "question [OK/cancel] ", OK for an empty line, "ok", "o",
  // "y" or "yes". Without a terminal while a stop is pending: OK (stop). Otherwise as above.
  bool ask_ok_cancel(const std::string& question) override;
  void inform(const std::string& message) override;

  // Whether a question can be answered: --yes given or a terminal to ask on.
  bool can_ask() const { return assume_yes_ || streams_.answers != nullptr; }
  // The message given when a question cannot be asked.
  std::string no_terminal_message(const std::string& question) const;

 private:
  void clear_bar();
  void write_line(const std::string& line);
  bool ask(const std::string& question, const std::string& choices, bool empty_answer);

  bool assume_yes_;
  Streams streams_;
  std::mutex mutex_;  // one writer at a time on the streams
  std::unique_ptr<std::ifstream> tty_in_;
  std::unique_ptr<std::ofstream> tty_out_;
  std::string bar_;  // the bar as last drawn, redrawn below a log line
  bool owns_interrupts_ = false;
  bool bar_shown_ = false;
  int last_maximum_ = -1;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_drawn_;
  // Time spent waiting for answers since the bar started: not work, so not in the rate.
  std::chrono::steady_clock::duration waited_{};
};

// Ctrl-C handling for a run: the first press requests the stop on the interrupt token, a
// second one, while that request is still pending, ends the program at once with status 130.
// Installed by the process-stream host; exposed for tests. Restoring withdraws the request.
void install_interrupt_handler();
void restore_interrupt_handler();
// The process's one cancel token for Ctrl-C.
CancelToken& interrupt_token();
// Whether a stop was requested on it since install_interrupt_handler.
bool interrupt_pending();

}  // namespace lumatrix::cli
