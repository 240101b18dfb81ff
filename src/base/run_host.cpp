#include "base/run_host.h"

namespace lumatrix {

// Defined here so that the interfaces' vtables live in the base library once.
EventSink::~EventSink() = default;
Questions::~Questions() = default;

bool confirm_stop(const RunSeam& run, int maximum) {
  if (!run.questions.ask_ok_cancel("Do You Want to Terminate the Current Process ?")) return false;
  run.questions.inform("Process Stopped by User");
  run.events.set_progress(0, maximum);
  return true;
}

}  // namespace lumatrix
