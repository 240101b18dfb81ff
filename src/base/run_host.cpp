#include "base/run_host.h"

namespace lumatrix {

// Defined here so that the interface's vtable lives in the core library once.
RunHost::~RunHost() = default;

}  // namespace lumatrix
