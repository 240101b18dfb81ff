#include "settings_samples.h"

#include <string>
#include <type_traits>
#include <variant>

namespace lumatrix::test {

Settings every_value_changed(bool control_characters) {
  const Settings defaults;
  Settings s;
  int n = 0;
  for (const OptionDecl& option : options()) {
    ++n;
    const std::string tag = std::to_string(n);
    switch (option.kind) {
      case OptionKind::Flag:
        option.in<bool>(s) = !option.in<bool>(defaults);
        break;
      case OptionKind::Integer:
      case OptionKind::Index: {
        // The range's ends probe the encodings' limits; the first that is not the default.
        int64_t value = option.max != option.in<int32_t>(defaults) ? option.max : option.min;
        option.in<int32_t>(s) = static_cast<int32_t>(value);
        break;
      }
      case OptionKind::Choice:
        // A closed list takes its items only: the first that is not the default.
        if (option.closed()) {
          for (std::string_view item : option.items)
            if (item != option.text_in(defaults)) {
              option.set_text(s, item);
              break;
            }
          break;
        }
        [[fallthrough]];
      case OptionKind::Text:
        option.set_text(s, control_characters ? " T" + tag + " $ \"q\" \xC3\xA9\t$0D\x01"
                                              : "\"T" + tag + "\"$ é\\");
        break;
      case OptionKind::Lines:
        option.in<Lines>(s) = control_characters
                                  ? Lines{"A$B" + tag, "", "tab\there \x1B", "\"ü\"", "$$"}
                                  : Lines{"A$B" + tag, "", "back\\slash", "\"ü\""};
        break;
      case OptionKind::Colour:
        option.in<ColourValue>(s) = n % 2 ? 0x123456 : -16777208;
        break;
      case OptionKind::HtmlColour:
        option.in<HtmlColour>(s) = HtmlColour{0x00654321 + n, "#2143" + tag};
        break;
      case OptionKind::Font:
        option.in<FontRecord>(s) = FontRecord{
            "DejaVu Sans " + tag, 14, -19, 0x0000FF, 238, FontPitch::fpFixed, fsBold | fsUnderline};
        break;
    }
  }
  return s;
}

Settings stored_parts(const Settings& s) {
  const Settings defaults;
  Settings result = s;
  for (const OptionDecl& option : options()) {
    if (!option.stored()) {
      std::visit(
          [&](auto member) {
            if constexpr (std::is_same_v<decltype(member), ChoiceMember>)
              member.assign(result, member.text(defaults));
            else
              result.*member = defaults.*member;
          },
          option.member);
      continue;
    }
    if (option.kind != OptionKind::Font) continue;
    auto has_part = [&](std::string_view part) {
      for (size_t i = 0; i < option.key_count(); ++i)
        if (option.keys[i].ends_with(part)) return true;
      return false;
    };
    FontRecord& font = option.in<FontRecord>(result);
    if (!has_part(".Height")) font.Height = option.in<FontRecord>(defaults).Height;
    if (!has_part(".Size")) font.Size = option.in<FontRecord>(defaults).Size;
  }
  return result;
}

}  // namespace lumatrix::test
