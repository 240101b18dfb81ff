#include "base/run_host.h"

namespace lumatrix {

// Defined here so that the interface's vtable lives in the core library once.
RunHost::~RunHost() = default;

bool confirm_stop(RunHost& host, int maximum) {
  if (host.ask_ok_cancel("Do You Want to Terminate the Current Process ?")) {
    host.inform("Process Stopped by User");
    host.set_progress(0, maximum);
    host.process_events();
    return true;
  }
  host.process_events();
  return false;
}

}  // namespace lumatrix
