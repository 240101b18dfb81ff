#pragma once
// "Did you mean ...?": the known name closest to a mistyped one, for every message that refuses
// an unknown name (a command, an option, a setting, a choice's item, a profile key).
#include <span>
#include <string>
#include <string_view>

namespace lumatrix {

// Edits (insert, delete, replace one character, swap two neighbours) that turn `a` into `b`,
// comparing ASCII letters without regard to case.
size_t edit_distance(std::string_view a, std::string_view b);

// The candidate nearest to `word`: one equal to it but for letter case and blanks around it
// first, then the one with the fewest edits, provided they are few for the word's length (at
// most a third of it, and 3), then for a word of four letters or more the first candidate that
// holds it; an empty text when none is near enough. Ties go to the earlier candidate.
std::string nearest_name(std::string_view word, std::span<const std::string_view> candidates);

}  // namespace lumatrix
