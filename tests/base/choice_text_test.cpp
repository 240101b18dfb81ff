#include "base/choice_text.h"

#include <gtest/gtest.h>

namespace lumatrix::test {
namespace {

TEST(ChoiceText, ComparesTrimmedAndLowerCasedButKeepsOtherBytes) {
  EXPECT_TRUE(choice_is(" \tAs IS\r\n", "as is"));
  EXPECT_FALSE(choice_is("As  Is", "as is"));
  // Letters beyond ASCII are not folded: "É" stays as it is.
  EXPECT_EQ(lower_ascii("\xC3\x89T\xC3\x89"), "\xC3\x89t\xC3\x89");
  EXPECT_EQ(upper_ascii("r\xC3\xa9sum\xC3\xa9.jpg"), "R\xC3\xa9SUM\xC3\xa9.JPG");
  EXPECT_TRUE(less_ignoring_case("apple.JPG", "Banana.jpg"));
  EXPECT_FALSE(less_ignoring_case("B.jpg", "a.jpg"));
}

TEST(ParseDecimal, TakesDigitsWithAMinusAndNothingElse) {
  EXPECT_EQ(parse_decimal("0"), 0);
  EXPECT_EQ(parse_decimal("-42"), -42);
  EXPECT_EQ(parse_decimal("999999999999999999"), 999999999999999999);
  for (const char* bad : {"", "-", "+1", " 1", "1 ", "1e3", "0x10", "--1", "1234567890123456789"})
    EXPECT_EQ(parse_decimal(bad), std::nullopt) << '"' << bad << '"';
}

TEST(HexValue, DigitsOfBothCases) {
  EXPECT_EQ(hex_value('0'), 0);
  EXPECT_EQ(hex_value('9'), 9);
  EXPECT_EQ(hex_value('a'), 10);
  EXPECT_EQ(hex_value('F'), 15);
  EXPECT_EQ(hex_value('g'), -1);
  EXPECT_EQ(hex_value('/'), -1);
}

}  // namespace
}  // namespace lumatrix::test
