#include "settings/choice.h"

#include "base/choice_text.h"

namespace lumatrix {

std::optional<size_t> choice_index(std::string_view text, std::span<const std::string_view> items,
                                   ChoiceMatch match) {
  const bool trim = match == ChoiceMatch::Trimmed || match == ChoiceMatch::TrimmedIgnoringCase;
  const bool fold = match == ChoiceMatch::IgnoringCase || match == ChoiceMatch::TrimmedIgnoringCase;
  const auto form = [&](std::string_view t) {
    if (trim) t = trim_blanks(t);
    return fold ? lower_ascii(t) : std::string(t);
  };
  const std::string wanted = form(text);
  for (size_t i = 0; i < items.size(); ++i)
    if (form(items[i]) == wanted) return i;
  return std::nullopt;
}

}  // namespace lumatrix
