#include "cli/orientation_option.h"

#include "cli/command.h"
#include "settings/settings_values.h"

namespace lumatrix::cli {

std::string orientation_value(const std::string& text) {
  constexpr std::string_view kDegree = "\u00B0";
  for (std::string_view value : kOrientations) {
    std::string_view plain = value;
    if (plain.ends_with(kDegree)) plain.remove_suffix(kDegree.size());
    if (text == value || text == plain) return std::string(value);
  }
  throw UsageError{"--orientation: unknown value '" + text +
                   "'; use one of: As Is, Rotate Left 90, Rotate Right 90, Rotate 180, Flip "
                   "Left, Flip Right, Flip Down"};
}

}  // namespace lumatrix::cli
