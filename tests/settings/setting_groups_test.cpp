#include "settings/setting_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

namespace lumatrix {
namespace {

// The address the option table reaches for option `name` in `s`.
const void* table_address(const Settings& s, std::string_view name) {
  const OptionDecl* option = find_option(name);
  if (!option) return nullptr;
  return std::visit(
      [&](auto member) -> const void* {
        if constexpr (std::is_same_v<decltype(member), ChoiceMember>)
          return &member.text(s);
        else
          return &(s.*member);
      },
      option->member);
}

template <class T>
const void* field_address(const T& field) {
  if constexpr (is_choice_v<T>)
    return &field.text();
  else
    return &field;
}

// Group 2's label and box are group 1's with the 1 turned into a 2 ("1st" into "2nd").
std::string as_second(std::string text) {
  if (const size_t at = text.find("1st"); at != std::string::npos) text.replace(at, 3, "2nd");
  std::replace(text.begin(), text.end(), '1', '2');
  return text;
}

// Checks that each field of each copy is the member the table names, and that the two copies'
// options are one label in the two group boxes.
#define CHECK_FIELD(field, one, two)                                                     \
  for (int which : {1, 2}) {                                                             \
    const auto group = make(s, which);                                                   \
    const auto names = make_names(which);                                                \
    EXPECT_EQ(field_address(group.field), table_address(s, names.field)) << names.field; \
  }                                                                                      \
  {                                                                                      \
    const OptionDecl* first = find_option(make_names(1).field);                          \
    const OptionDecl* second = find_option(make_names(2).field);                         \
    ASSERT_TRUE(first&& second) << #field;                                               \
    EXPECT_EQ(first->kind, second->kind) << #field;                                      \
    EXPECT_EQ(as_second(std::string(first->caption)), second->caption) << #field;        \
    EXPECT_EQ(first->group, box1) << #field;                                             \
    EXPECT_EQ(second->group, box2) << #field;                                            \
  }

TEST(SettingGroups, EachFieldIsTheTablesMemberOfItsOwnBox) {
  const Settings s;
  {
    const auto make = caption_group;
    const auto make_names = caption_group_names;
    const std::string_view box1 = "1st Text Captioning", box2 = "2nd Text Captioning";
    LUMATRIX_CAPTION_GROUP(CHECK_FIELD)
  }
  {
    const auto make = watermark_group;
    const auto make_names = watermark_group_names;
    const std::string_view box1 = "1st Watermarking", box2 = "2nd Watermarking";
    LUMATRIX_WATERMARK_GROUP(CHECK_FIELD)
  }
  {
    const auto make = thumbnail_group;
    const auto make_names = thumbnail_group_names;
    const std::string_view box1 = "Thumbnail 1 Settings", box2 = "Thumbnail 2 Settings";
    LUMATRIX_THUMBNAIL_GROUP(CHECK_FIELD)
  }
}

TEST(SettingGroups, TheCopiesKeepTheirOwnDefaultsAndRanges) {
  Settings s;
  EXPECT_EQ(watermark_group(s, 1).transparency, 50);
  EXPECT_EQ(watermark_group(s, 2).transparency, 0);
  const OptionDecl& first = *find_option(watermark_group_names(1).transparency);
  const OptionDecl& second = *find_option(watermark_group_names(2).transparency);
  EXPECT_EQ(first.range_text(), "0..100");
  EXPECT_EQ(second.range_text(), "any whole number");

  s.caption_text2 = "second";
  s.resizing_method_t1 = " 1/2X";
  EXPECT_EQ(caption_group(s, 2).text, "second");
  EXPECT_EQ(caption_group(s, 1).text, "");
  EXPECT_EQ(thumbnail_group(s, 1).method.value(), ResizeMethod::Half);
  EXPECT_EQ(thumbnail_group(s, 2).method.value(), ResizeMethod::AsIs);
}

TEST(SettingGroups, OnlyOneAndTwoExist) {
  const Settings s;
  EXPECT_THROW(caption_group(s, 0), std::out_of_range);
  EXPECT_THROW(watermark_group(s, 3), std::out_of_range);
  EXPECT_THROW(thumbnail_group_names(-1), std::out_of_range);
}

}  // namespace
}  // namespace lumatrix
