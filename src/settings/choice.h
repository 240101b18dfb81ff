#pragma once
// A choice option's value as the record holds it: the text exactly as typed (profiles and the
// settings listing show it byte for byte) and what that text means to its consumer, parsed once
// whenever the text is set. `Vocabulary` names the list and the parse rule:
//   struct FrameChoice {
//     static constexpr std::span<const std::string_view> items = kFrames;  // display order
//     static FrameKind parse(std::string_view text);
//   };
#include <concepts>
#include <cstddef>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace lumatrix {

template <class Text>
concept ChoiceTextLike = std::convertible_to<const Text&, std::string_view>;

template <class Vocabulary>
class Choice {
 public:
  using Value = decltype(Vocabulary::parse(std::string_view{}));

  Choice() : Choice(std::string_view{}) {}
  // Implicit, so that a record member starts from its text default and tests can write
  // `settings.frame = "Border"`.
  template <ChoiceTextLike Text>
  Choice(const Text& text) : text_(std::string_view(text)), value_(Vocabulary::parse(text_)) {}
  template <ChoiceTextLike Text>
  Choice& operator=(const Text& text) {
    text_ = std::string_view(text);
    value_ = Vocabulary::parse(text_);
    return *this;
  }

  const std::string& text() const { return text_; }
  const Value& value() const { return value_; }

  bool operator==(const Choice& other) const { return text_ == other.text_; }
  template <ChoiceTextLike Text>
  friend bool operator==(const Choice& choice, const Text& text) {
    return choice.text_ == std::string_view(text);
  }
  friend std::ostream& operator<<(std::ostream& out, const Choice& choice) {
    return out << '"' << choice.text_ << '"';
  }

 private:
  std::string text_;
  Value value_;
};

template <class T>
inline constexpr bool is_choice_v = false;
template <class Vocabulary>
inline constexpr bool is_choice_v<Choice<Vocabulary>> = true;

// How a consumer compares a text with its vocabulary. Blanks are spaces, tabs and line ends;
// letter case is ASCII.
enum class ChoiceMatch {
  Exact,
  Trimmed,              // blanks around ignored, letter case significant
  IgnoringCase,         // blanks significant
  TrimmedIgnoringCase,  // the usual rule
};

// The index of the first item `text` matches; nullopt when none does.
std::optional<size_t> choice_index(std::string_view text, std::span<const std::string_view> items,
                                   ChoiceMatch match);

// The enumerator listed at the matching item's index (the enumeration follows the list's order),
// else `otherwise`.
template <class E>
E choice_value(std::string_view text, std::span<const std::string_view> items, ChoiceMatch match,
               E otherwise) {
  const std::optional<size_t> index = choice_index(text, items, match);
  return index ? static_cast<E>(*index) : otherwise;
}

}  // namespace lumatrix
