#include "settings/settings.h"

#include <algorithm>
#include <type_traits>
#include <utility>

namespace lumatrix {

namespace {

// Group boxes, as the window titles them.
constexpr std::string_view Resizing = "Resizing Settings";
constexpr std::string_view Manipulation = "Image Manipulation";
constexpr std::string_view Frame = "Image Frame Settings";
constexpr std::string_view Saving = "Saving Options";
constexpr std::string_view Caption1 = "1st Text Captioning";
constexpr std::string_view Caption2 = "2nd Text Captioning";
constexpr std::string_view Watermark1 = "1st Watermarking";
constexpr std::string_view Watermark2 = "2nd Watermarking";
constexpr std::string_view Cropping = "Cropping Settings";
constexpr std::string_view Slicing = "Image Slicing";
constexpr std::string_view Exif = "EXIF Report";
constexpr std::string_view Thumbnail1 = "Thumbnail 1 Settings";
constexpr std::string_view Thumbnail2 = "Thumbnail 2 Settings";
constexpr std::string_view FilenameChanger = "Filename Changer Settings";
constexpr std::string_view Html = "HTML Wizard";
constexpr std::string_view Hidden = "Hidden";
constexpr std::string_view Performance = "Performance";

using option_accepts::Accepts;
using option_accepts::kIntMax;
using option_accepts::kIntMin;

// A member of a plain type is reached directly; a Choice through its text.
template <auto Member>
MemberPointer member_of() {
  using T = std::remove_cvref_t<decltype(std::declval<Settings&>().*Member)>;
  if constexpr (is_choice_v<T>) {
    return ChoiceMember{[](const Settings& s) -> const std::string& { return (s.*Member).text(); },
                        [](Settings& s, std::string_view text) { s.*Member = text; }};
  } else {
    return Member;
  }
}

OptionDecl make(std::string_view name, OptionKind kind, std::string_view group,
                std::string_view caption, Accepts accepts, MemberPointer member,
                std::array<std::string_view, 7> keys, bool extension = false) {
  return OptionDecl{name,        kind,          group, caption, accepts.min,
                    accepts.max, accepts.items, keys,  member,  extension};
}

#define LUMATRIX_DECL(member, kind, dflt, group, caption, accepts, ...)    \
  make(#member, OptionKind::kind, group, caption, option_accepts::accepts, \
       member_of<&Settings::member>(), {__VA_ARGS__}),
#define LUMATRIX_DECL_N(member, name, kind, dflt, group, caption, accepts, ...) \
  make(name, OptionKind::kind, group, caption, option_accepts::accepts,         \
       member_of<&Settings::member>(), {__VA_ARGS__}),

#define LUMATRIX_DECL_E(member, kind, dflt, group, caption, accepts, ...)  \
  make(#member, OptionKind::kind, group, caption, option_accepts::accepts, \
       member_of<&Settings::member>(), {__VA_ARGS__}, true),

const OptionDecl kOptions[] = {
    LUMATRIX_SETTINGS_TABLE(LUMATRIX_DECL, LUMATRIX_DECL_N, LUMATRIX_DECL_E)};

#undef LUMATRIX_DECL
#undef LUMATRIX_DECL_N
#undef LUMATRIX_DECL_E

}  // namespace

std::string_view kind_name(OptionKind kind) {
  switch (kind) {
    case OptionKind::Flag:
      return "flag";
    case OptionKind::Integer:
      return "integer";
    case OptionKind::Index:
      return "choice by index";
    case OptionKind::Choice:
      return "choice";
    case OptionKind::Text:
      return "text";
    case OptionKind::Lines:
      return "lines";
    case OptionKind::Colour:
      return "colour";
    case OptionKind::HtmlColour:
      return "HTML colour";
    case OptionKind::Font:
      return "font";
  }
  return "?";
}

size_t OptionDecl::key_count() const {
  return static_cast<size_t>(std::find(keys.begin(), keys.end(), std::string_view{}) -
                             keys.begin());
}

std::string OptionDecl::range_text() const {
  if (min == kIntMin && max == kIntMax) return "any whole number";
  if (min == 0 && max == kIntMax) return "0 or more";
  return std::to_string(min) + ".." + std::to_string(max);
}

const std::string& OptionDecl::text_in(const Settings& s) const {
  if (const auto* choice = std::get_if<ChoiceMember>(&member)) return choice->text(s);
  return in<std::string>(s);
}

void OptionDecl::set_text(Settings& s, std::string_view text) const {
  if (const auto* choice = std::get_if<ChoiceMember>(&member))
    choice->assign(s, text);
  else
    in<std::string>(s) = text;
}

std::span<const OptionDecl> options() {
  return kOptions;
}

const OptionDecl* find_option(std::string_view name) {
  for (const OptionDecl& option : kOptions)
    if (option.name == name) return &option;
  return nullptr;
}

void check_integer(const OptionDecl& option, int64_t value) {
  if (value >= option.min && value <= option.max) return;
  const std::string prefix = std::string(option.name) + ": " + std::to_string(value);
  if (value < kIntMin || value > kIntMax)
    throw SettingError(prefix + " does not fit a 32-bit whole number");
  if (option.min == 0 && option.max == kIntMax && value < 0)
    throw SettingError(prefix + " is negative (accepts 0 or more)");
  throw SettingError(prefix + " is outside " + option.range_text());
}

void validate(const Settings& settings) {
  for (const OptionDecl& option : kOptions)
    if (option.has_range()) check_integer(option, option.in<int32_t>(settings));
}

bool holds_default(const OptionDecl& option, const Settings& settings) {
  static const Settings defaults;
  return std::visit(
      [&](const auto& member) {
        using M = std::decay_t<decltype(member)>;
        if constexpr (std::is_same_v<M, ChoiceMember>)
          return member.text(settings) == member.text(defaults);
        else
          return settings.*member == defaults.*member;
      },
      option.member);
}

}  // namespace lumatrix
