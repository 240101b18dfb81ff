#pragma once
// The job settings record: one typed member per option, named as the option's control, with
// its default; and the declarations (kind, caption, accepted values, profile keys) that the
// profile, the command line and the window read by name.
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "settings/gallery_choices.h"
#include "settings/image_choices.h"
#include "settings/naming_choices.h"
#include "settings/option_accepts.h"
#include "settings/overlay_choices.h"
#include "settings/settings_table.h"
#include "settings/settings_values.h"

namespace lumatrix {

#define LUMATRIX_TYPE_Flag bool
#define LUMATRIX_TYPE_Integer int32_t
#define LUMATRIX_TYPE_Index int32_t
#define LUMATRIX_TYPE_Choice std::string
#define LUMATRIX_TYPE_Text std::string
#define LUMATRIX_TYPE_Lines Lines
#define LUMATRIX_TYPE_Colour ColourValue
#define LUMATRIX_TYPE_HtmlColour HtmlColour
#define LUMATRIX_TYPE_Font FontRecord

#define LUMATRIX_MEMBER_TYPE(kind, accepts) \
  option_accepts::MemberType<LUMATRIX_TYPE_##kind, decltype(option_accepts::accepts)>::type

struct Settings {
#define LUMATRIX_MEMBER(member, kind, dflt, group, caption, accepts, ...) \
  LUMATRIX_MEMBER_TYPE(kind, accepts) member = dflt;
#define LUMATRIX_MEMBER_N(member, name, kind, dflt, group, caption, accepts, ...) \
  LUMATRIX_MEMBER_TYPE(kind, accepts) member = dflt;
  LUMATRIX_SETTINGS_TABLE(LUMATRIX_MEMBER, LUMATRIX_MEMBER_N, LUMATRIX_MEMBER)
#undef LUMATRIX_MEMBER
#undef LUMATRIX_MEMBER_N

  bool operator==(const Settings&) const = default;
};

enum class OptionKind { Flag, Integer, Index, Choice, Text, Lines, Colour, HtmlColour, Font };
std::string_view kind_name(OptionKind kind);

// A choice with a vocabulary, reached through its text: reading gives the text as typed,
// assigning parses it.
struct ChoiceMember {
  const std::string& (*text)(const Settings&);
  void (*assign)(Settings&, std::string_view);
};

using MemberPointer =
    std::variant<bool Settings::*, int32_t Settings::*, std::string Settings::*, Lines Settings::*,
                 HtmlColour Settings::*, FontRecord Settings::*, ChoiceMember>;

struct OptionDecl {
  std::string_view name;  // the control name; "control.Property" for secondary values
  OptionKind kind;
  std::string_view group;  // the group box, or "Hidden" for values the window keeps for itself
  std::string_view caption;
  int64_t min = 0, max = 0;                 // Integer and Index
  std::span<const std::string_view> items;  // Choice and Index: vocabulary in display order
  std::array<std::string_view, 7> keys{};   // profile keys owned, unused entries empty
  MemberPointer member;
  bool extension = false;  // stored in the extension section, not in [Settings]

  bool has_range() const { return kind == OptionKind::Integer || kind == OptionKind::Index; }
  size_t key_count() const;
  bool stored() const { return !keys[0].empty(); }
  // "0..100", "0 or more", "any whole number".
  std::string range_text() const;
  // The text of a Choice or Text option, and setting it (a choice parses it).
  const std::string& text_in(const Settings& s) const;
  void set_text(Settings& s, std::string_view text) const;
  template <class T>
  T& in(Settings& s) const {
    return s.*std::get<T Settings::*>(member);
  }
  template <class T>
  const T& in(const Settings& s) const {
    return s.*std::get<T Settings::*>(member);
  }
};

// Every option, in declaration order (grouped as the window groups them).
std::span<const OptionDecl> options();
// The option of that exact name; nullptr when there is none.
const OptionDecl* find_option(std::string_view name);

// A value refused by an option: the message names the option, the value and what it accepts
// ("JPEG_Quality: 101 is outside 0..100").
class SettingError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Throws SettingError when `value` is outside the option's range.
void check_integer(const OptionDecl& option, int64_t value);
// Checks every integer of the record against its range; the first offender throws.
void validate(const Settings& settings);

// Whether the option holds its default value in `settings` (every part of a font or colour).
bool holds_default(const OptionDecl& option, const Settings& settings);

}  // namespace lumatrix
