#pragma once
// The one channel through which a long run talks to its user: the progress log, the progress
// bar, pending events, questions, notices and the stop request. The desktop program answers
// with its windows, the command line with the terminal, tests with a recording fake.
#include <string>

namespace lumatrix {

class RunHost {
 public:
  virtual ~RunHost();

  // Appends one whole line to the progress log.
  virtual void log(const std::string& line) = 0;
  // Sets the progress bar to `position` out of `maximum`.
  virtual void set_progress(int position, int maximum) = 0;
  // Lets pending user-interface events run, so the log, the bar and the stop key stay live.
  virtual void process_events() = 0;
  // A yes/no question; true for yes.
  virtual bool ask_yes_no(const std::string& question) = 0;
  // An OK/Cancel question; true for OK.
  virtual bool ask_ok_cancel(const std::string& question) = 0;
  // An information box the user acknowledges.
  virtual void inform(const std::string& message) = 0;
  // Whether the user asked the run to stop (the Escape key, Ctrl-C). Runs test it between
  // steps; nothing is interrupted in the middle.
  virtual bool stop_requested() = 0;
};

// The question a run asks when the user asked it to stop: "Do You Want to Terminate the Current
// Process ?". OK ends the run: the notice "Process Stopped by User" and the bar back at zero of
// `maximum`; returns true. Cancel lets the run go on; returns false.
bool confirm_stop(RunHost& host, int maximum);

}  // namespace lumatrix
