#include "settings/overlay_choices.h"

#include <cstddef>

#include "settings/choice.h"

namespace lumatrix {

namespace {

using M = ChoiceMatch;

static_assert(std::size(kCaptionTexts) == 3);
static_assert(std::size(kTextAlignments) == static_cast<size_t>(CaptionAnchor::Unrecognised));
static_assert(std::size(kWatermarkAlignments) ==
              static_cast<size_t>(WatermarkPlacement::Unrecognised));

bool contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

// Whether `text` is the list's first item, "None", under the drawing step's rule.
bool names_none(std::string_view text, std::span<const std::string_view> items) {
  return choice_index(text, items.first(1), M::TrimmedIgnoringCase).has_value();
}

}  // namespace

CaptionText CaptionTextChoice::parse(std::string_view text) {
  // The list's first item is the empty text: a caption drawn as typed.
  return choice_value(text, items, M::TrimmedIgnoringCase, CaptionText::Typed);
}

CaptionPlacement CaptionPlacementChoice::parse(std::string_view text) {
  CaptionPlacement placement;
  constexpr auto kMiddle = static_cast<size_t>(CaptionAnchor::MiddleLeft);
  const auto middle = items.subspan(kMiddle, 3);
  if (names_none(text, items)) {
    placement.anchor = CaptionAnchor::None;
  } else if (const auto exact = choice_index(text, items, M::Exact)) {
    placement.anchor = static_cast<CaptionAnchor>(*exact);
  } else if (const auto trimmed = choice_index(text, middle, M::Trimmed)) {
    // Deliberate: only the Middle names forgive blanks around them. Profiles saved so far
    // place their captions by this rule, and a stray blank must not move them now.
    placement.anchor = static_cast<CaptionAnchor>(kMiddle + *trimmed);
  } else {
    placement.anchor = CaptionAnchor::Unrecognised;
  }
  // Deliberate: read from the words of the text whatever its anchor, so that a near-miss such
  // as " Top Center" still centres across, as captions have always been placed.
  if (contains(text, "Center"))
    placement.across = CaptionAcross::Centred;
  else if (contains(text, "Right"))
    placement.across = CaptionAcross::RightEdge;
  placement.band_on_top = contains(text, "Top") || contains(text, "Vertical");
  return placement;
}

bool CaptionPlacementChoice::recognises(std::string_view text) {
  return parse(text).anchor != CaptionAnchor::Unrecognised;
}

WatermarkPlacement WatermarkPlacementChoice::parse(std::string_view text) {
  if (names_none(text, items)) return WatermarkPlacement::None;
  return choice_value(text, items, M::Exact, WatermarkPlacement::Unrecognised);
}

}  // namespace lumatrix
