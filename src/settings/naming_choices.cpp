#include "settings/naming_choices.h"

#include <array>
#include <cstddef>
#include <string>

#include "base/choice_text.h"
#include "settings/choice.h"

namespace lumatrix {

namespace {

using M = ChoiceMatch;
using C = NameComponent;

static_assert(std::size(kDateTypes) == static_cast<size_t>(DateType::Unrecognised));
static_assert(std::size(kOverwritePolicies) == static_cast<size_t>(OverwritePolicy::Unrecognised));

// kFilenameOrders in its order; the list's two empty items follow them.
constexpr std::array<std::array<NameComponent, 4>, 6> kListedOrders{{
    {C::Prefix, C::Number, C::Date, C::Suffix},
    {C::Prefix, C::Date, C::Number, C::Suffix},
    {C::Prefix, C::Number, C::Suffix, C::Date},
    {C::Prefix, C::Date, C::Suffix, C::Number},
    {C::Number, C::Prefix, C::Date, C::Suffix},
    {C::Number, C::Date, C::Prefix, C::Suffix},
}};

NameOrder listed_order(size_t index) {
  return NameOrder(kListedOrders[index].begin(), kListedOrders[index].end());
}

constexpr std::string_view kComponentGroups[] = {"pre", "num", "dat", "suf"};

}  // namespace

DateType DateTypeChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, DateType::Unrecognised);
}

OverwritePolicy OverwritePolicyChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, OverwritePolicy::Unrecognised);
}

NameOrder FilenameOrderChoice::parse(std::string_view text) {
  const auto listed = items.first(kListedOrders.size());
  if (const auto index = choice_index(text, listed, M::TrimmedIgnoringCase))
    return listed_order(*index);
  const std::string order = normalized_choice(text);
  NameOrder components;
  for (size_t i = 0; i + 3 <= order.size(); i += 3) {
    const std::string_view group = std::string_view(order).substr(i, 3);
    for (size_t c = 0; c < std::size(kComponentGroups); ++c)
      if (group == kComponentGroups[c]) components.push_back(static_cast<NameComponent>(c));
  }
  // A name of the extension alone would be no name at all.
  if (components.empty()) return listed_order(0);
  return components;
}

SaveInFolder SaveInChoice::parse(std::string_view text) {
  // The empty item and "[Source Directory]\", that one also with the other separator.
  const std::string_view source = items[1];
  const std::string other = std::string(source.substr(0, source.size() - 1)) + "/";
  const std::string_view own[] = {items[0], source, other};
  return choice_index(text, own, M::TrimmedIgnoringCase) ? SaveInFolder::Source
                                                         : SaveInFolder::Elsewhere;
}

}  // namespace lumatrix
