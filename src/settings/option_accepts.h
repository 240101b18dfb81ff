#pragma once
// The "accepts" column of the option table: what an option takes. A choice whose consumer
// reads its meaning names its vocabulary (vocabulary<FrameChoice>()); the record then holds it
// as a Choice of that vocabulary instead of a plain text.
//
// A choice's list is closed or free. Closed (closed_vocabulary<V>(), closed_items(...)): the
// consumer has no use for a text outside the list, which it can only read by a fall-back, so the
// command line refuses such a text and a profile holding one is read with a warning. Free
// (vocabulary<V>(), items(...)): the list offers examples of texts the consumer reads in their
// own right (folder patterns, caption texts, date patterns, HTML written as typed).
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "settings/choice.h"

namespace lumatrix::option_accepts {

inline constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
inline constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();

// Whether a closed list's consumer reads a text as one of its items, by its own comparison.
using Recognises = bool (*)(std::string_view text);

struct Accepts {
  int64_t min = 0, max = 0;
  std::span<const std::string_view> items;
  Recognises recognises = nullptr;  // set for a closed list
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
// A free list offered for a choice whose text is used as typed.
constexpr Accepts items(std::span<const std::string_view> vocabulary) {
  return {0, static_cast<int64_t>(vocabulary.size()) - 1, vocabulary};
}
// A closed list whose text is used as typed, read by `recognises`.
constexpr Accepts closed_items(std::span<const std::string_view> vocabulary,
                               Recognises recognises) {
  return {0, static_cast<int64_t>(vocabulary.size()) - 1, vocabulary, recognises};
}
// A free list whose texts the consumer tells apart: parsed by Vocabulary::parse.
template <class Vocabulary>
constexpr VocabularyAccepts<Vocabulary> vocabulary() {
  return {items(Vocabulary::items)};
}
// Whether Vocabulary::parse reads `text` as one of its items: by Vocabulary::recognises where the
// vocabulary has one, else by its value not being the enumeration's Unrecognised.
template <class Vocabulary>
bool parsed_as_item(std::string_view text) {
  if constexpr (requires { Vocabulary::recognises(text); }) {
    return Vocabulary::recognises(text);
  } else {
    using Value = decltype(Vocabulary::parse(text));
    return Vocabulary::parse(text) != Value::Unrecognised;
  }
}

// A closed list parsed by Vocabulary::parse (see parsed_as_item).
template <class Vocabulary>
constexpr VocabularyAccepts<Vocabulary> closed_vocabulary() {
  return {closed_items(Vocabulary::items, &parsed_as_item<Vocabulary>)};
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
