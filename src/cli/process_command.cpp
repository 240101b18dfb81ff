// Placeholder until the process command lands; replaced by the real command.
#include <ostream>

#include "cli/command.h"

namespace lumatrix::cli {
extern const Command process_command{
    "process", "(not built yet)", [](const std::vector<std::string>&) { return kExitFailure; },
    [](std::ostream& out) { out << "not built yet\n"; }};
}  // namespace lumatrix::cli
