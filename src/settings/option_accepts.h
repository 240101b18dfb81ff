#pragma once
// The "accepts" column of the option table: what an option takes. A choice whose consumer
// reads its meaning names its vocabulary (vocabulary<FrameChoice>()); the record then holds it
// as a Choice of that vocabulary instead of a plain text.
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "settings/choice.h"

namespace lumatrix::option_accepts {

inline constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
inline constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();

struct Accepts {
  int64_t min = 0, max = 0;
  std::span<const std::string_view> items;
};
template <class Vocabulary>
struct VocabularyAccepts : Accepts {};

constexpr Accepts range(int64_t lo, int64_t hi) {
  return {lo, hi, {}};
}
constexpr Accepts nonneg() {
  return {0, kIntMax, {}};
}
constexpr Accepts unbounded() {
  return {kIntMin, kIntMax, {}};
}
// A list offered for a choice whose text is used as typed.
constexpr Accepts items(std::span<const std::string_view> vocabulary) {
  return {0, static_cast<int64_t>(vocabulary.size()) - 1, vocabulary};
}
// A list whose texts the consumer tells apart: parsed by Vocabulary::parse.
template <class Vocabulary>
constexpr VocabularyAccepts<Vocabulary> vocabulary() {
  return {items(Vocabulary::items)};
}
constexpr Accepts none() {
  return {};
}

// The record member's type for an option of kind type `T` accepting `A`.
template <class T, class A>
struct MemberType {
  using type = T;
};
template <class Vocabulary>
struct MemberType<std::string, VocabularyAccepts<Vocabulary>> {
  using type = Choice<Vocabulary>;
};

}  // namespace lumatrix::option_accepts
