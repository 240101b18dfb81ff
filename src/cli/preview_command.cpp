// Placeholder until the preview command lands; replaced by the real command.
#include <ostream>

#include "cli/command.h"

namespace lumatrix::cli {
extern const Command preview_command{
    "preview", "(not built yet)", [](const std::vector<std::string>&) { return kExitFailure; },
    [](std::ostream& out) { out << "not built yet\n"; }};
}  // namespace lumatrix::cli
