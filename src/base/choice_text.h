#pragma once
// Choice options hold the text as typed. Consumers compare it trimmed and lower-cased against
// their vocabulary ("As Is" matches " as is "); the few exact comparisons just use ==.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumatrix {

// The text without leading and trailing blanks (spaces, tabs, line ends).
std::string_view trim_blanks(std::string_view text);
// ASCII letters lower-cased; other bytes (UTF-8 included) are kept.
std::string lower_ascii(std::string_view text);
// ASCII letters upper-cased; other bytes (UTF-8 included) are kept.
std::string upper_ascii(std::string_view text);
// Text order of the lower-cased forms: how lists of file names sort.
bool less_ignoring_case(std::string_view a, std::string_view b);
// Trimmed, with ASCII letters lower-cased; other bytes (UTF-8 included) are kept.
std::string normalized_choice(std::string_view text);
// Whether a choice text matches a vocabulary item under the trimmed, lower-cased comparison.
bool choice_is(std::string_view text, std::string_view item);

// Decimal digits with an optional leading '-', nothing else (no blanks, no '+'); nullopt for any
// other text and beyond 18 digits.
std::optional<int64_t> parse_decimal(std::string_view text);

// The value of a hexadecimal digit, or -1 for any other character.
int hex_value(char c);

}  // namespace lumatrix
