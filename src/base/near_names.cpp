#include "base/near_names.h"

#include <algorithm>
#include <vector>

#include "base/choice_text.h"

namespace lumatrix {

size_t edit_distance(std::string_view a, std::string_view b) {
  const std::string x = lower_ascii(a), y = lower_ascii(b);
  // Three rows of the table: two back for a swap of neighbours, one back, this one.
  std::vector<size_t> before(y.size() + 1), previous(y.size() + 1), current(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      const size_t replace = previous[j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
        current[j] = std::min(current[j], before[j - 2] + 1);
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[y.size()];
}

std::string nearest_name(std::string_view word, std::span<const std::string_view> candidates) {
  for (std::string_view candidate : candidates)
    if (choice_is(word, candidate) && !trim_blanks(candidate).empty())
      return std::string(candidate);
  const std::string_view trimmed = trim_blanks(word);
  const size_t allowed = std::min<size_t>(3, std::max<size_t>(1, trimmed.size() / 3));
  size_t best = allowed + 1;
  std::string_view found;
  for (std::string_view candidate : candidates) {
    if (trim_blanks(candidate).empty()) continue;
    const size_t distance = edit_distance(trimmed, trim_blanks(candidate));
    if (distance < best) best = distance, found = candidate;
  }
  if (!found.empty() || trimmed.size() < 4) return std::string(found);
  // A part of a longer name ("quality" for "JPEG_Quality"): the first name holding it.
  const std::string part = lower_ascii(trimmed);
  for (std::string_view candidate : candidates)
    if (lower_ascii(candidate).find(part) != std::string::npos) return std::string(candidate);
  return {};
}

}  // namespace lumatrix
