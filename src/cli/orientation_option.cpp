#include "cli/orientation_option.h"

#include "cli/command.h"
#include "settings/image_choices.h"

namespace lumatrix::cli {

std::string orientation_value(const std::string& text) {
  if (const auto item = orientation_item(text)) return std::string(*item);
  throw UsageError{"--orientation: unknown value '" + text +
                   "'; use one of: As Is, Rotate Left 90, Rotate Right 90, Rotate 180, Flip "
                   "Left, Flip Right, Flip Down"};
}

}  // namespace lumatrix::cli
