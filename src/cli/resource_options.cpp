#include "cli/resource_options.h"

#include <limits>

#include "base/choice_text.h"
#include "cli/command.h"

namespace lumatrix::cli {

int jobs_value(const std::string& text) {
  const std::optional<int64_t> value = parse_decimal(trim_blanks(text));
  if (!value || *value < 0 || *value > 1024)
    throw UsageError{"--jobs: '" + text +
                     "' is not a number of workers (0 to 1024; 0: one per CPU)"};
  return static_cast<int>(*value);
}

uint64_t memory_value(const std::string& text) {
  std::string rest = upper_ascii(trim_blanks(text));
  if (rest.ends_with("IB"))
    rest.resize(rest.size() - 2);
  else if (rest.ends_with("B"))
    rest.pop_back();
  int shift = 0;
  if (!rest.empty()) {
    const size_t unit = std::string_view("KMGT").find(rest.back());
    if (unit != std::string_view::npos) {
      shift = 10 * (static_cast<int>(unit) + 1);
      rest.pop_back();
    }
  }
  const std::optional<int64_t> number = parse_decimal(rest);
  if (!number || *number < 0 || (shift && *number > (std::numeric_limits<int64_t>::max() >> shift)))
    throw UsageError{"--memory: '" + text +
                     "' is not a size (a whole number with K, M, G or T, e.g. 512M or 2G)"};
  return static_cast<uint64_t>(*number) << shift;
}

}  // namespace lumatrix::cli
