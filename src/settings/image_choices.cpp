#include "settings/image_choices.h"

#include <array>
#include <cstddef>
#include <utility>

#include "base/choice_text.h"
#include "settings/choice.h"

namespace lumatrix {

namespace {

using M = ChoiceMatch;

// Each enumeration lists its items in the list's order, then its unrecognised case.
static_assert(std::size(kResizingMethods) == static_cast<size_t>(ResizeMethod::Unrecognised));
static_assert(std::size(kMetadataKeep) == static_cast<size_t>(MetadataKeep::Unrecognised));
static_assert(std::size(kColourProfiles) == static_cast<size_t>(ColourProfiles::Unrecognised));
static_assert(std::size(kFilters) == static_cast<size_t>(EffectFilter::Unrecognised));
static_assert(std::size(kColorSpaces) == static_cast<size_t>(ColourSpace::YCbCrK));
static_assert(std::size(kFrames) == static_cast<size_t>(FrameKind::Unrecognised));
static_assert(std::size(kCropBy) == static_cast<size_t>(CropBy::Unrecognised));
static_assert(std::size(kOrientations) == static_cast<size_t>(Orientation::Unrecognised));

// kResampleTypes in its order.
constexpr std::array kResampleFilters{ResampleFilter::None,    ResampleFilter::Lanczos3,
                                      ResampleFilter::Bell,    ResampleFilter::Triangle,
                                      ResampleFilter::Hermite, ResampleFilter::BSpline};
static_assert(std::size(kResampleTypes) == kResampleFilters.size());

constexpr std::string_view kYCbCrK = "YCbCrK";

// Longer numbers first, so that "14 Bits" is not taken for "4 Bits" nor "11 Bits" for "1 Bits".
constexpr std::pair<std::string_view, ColourDepth> kDepthMarkers[] = {
    {"24 Bits", ColourDepth::Bits24}, {"16 Bits", ColourDepth::Bits16},
    {"15 Bits", ColourDepth::Bits15}, {"14 Bits", ColourDepth::Bits14},
    {"13 Bits", ColourDepth::Bits13}, {"12 Bits", ColourDepth::Bits12},
    {"11 Bits", ColourDepth::Bits11}, {"10 Bits", ColourDepth::Bits10},
    {"9 Bits", ColourDepth::Bits9},   {"8 Bits", ColourDepth::Bits8},
    {"7 Bits", ColourDepth::Bits7},   {"6 Bits", ColourDepth::Bits6},
    {"5 Bits", ColourDepth::Bits5},   {"4 Bits", ColourDepth::Bits4},
    {"3 Bits", ColourDepth::Bits3},   {"2 Bits", ColourDepth::Bits2},
    {"1 Bits", ColourDepth::Bits1},
};

}  // namespace

ResizeMethod ResizeMethodChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, ResizeMethod::Unrecognised);
}

ResampleFilter ResampleTypeChoice::parse(std::string_view text) {
  const auto index = choice_index(text, items, M::TrimmedIgnoringCase);
  return index ? kResampleFilters[*index] : ResampleFilter::Lanczos3;
}

bool ResampleTypeChoice::recognises(std::string_view text) {
  return choice_index(text, items, M::TrimmedIgnoringCase).has_value();
}

EffectFilter FilterChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, EffectFilter::Unrecognised);
}

MetadataKeep MetadataKeepChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, MetadataKeep::Unrecognised);
}

ColourProfiles ColourProfilesChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, ColourProfiles::Unrecognised);
}

ColourSpace ColourSpaceChoice::parse(std::string_view text) {
  if (choice_index(text, std::span(&kYCbCrK, 1), M::TrimmedIgnoringCase))
    return ColourSpace::YCbCrK;
  return choice_value(text, items, M::TrimmedIgnoringCase, ColourSpace::Unrecognised);
}

ColourDepth ColourDepthChoice::parse(std::string_view text) {
  for (const auto& [marker, depth] : kDepthMarkers)
    if (text.find(marker) != std::string_view::npos) return depth;
  return ColourDepth::Unrecognised;
}

FrameKind FrameChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, FrameKind::Unrecognised);
}

CropBy CropByChoice::parse(std::string_view text) {
  return choice_value(text, items, M::TrimmedIgnoringCase, CropBy::Unrecognised);
}

std::optional<int> PngCompressionChoice::parse(std::string_view text) {
  const auto index = choice_index(text, items, M::TrimmedIgnoringCase);
  if (!index) return kDefaultPngLevel;
  if (*index == 0) return std::nullopt;  // "From quality"
  return static_cast<int>(*index) - 1;
}

bool PngCompressionChoice::recognises(std::string_view text) {
  return choice_index(text, items, M::TrimmedIgnoringCase).has_value();
}

Orientation OrientationChoice::parse(std::string_view text) {
  return choice_value(text, items, M::Trimmed, Orientation::Unrecognised);
}

std::optional<std::string_view> orientation_item(std::string_view text) {
  constexpr std::string_view kDegree = "\u00B0";
  for (std::string_view item : kOrientations) {
    std::string_view plain = item;
    if (plain.ends_with(kDegree)) plain.remove_suffix(kDegree.size());
    if (choice_is(text, item) || choice_is(text, plain)) return item;
  }
  return std::nullopt;
}

}  // namespace lumatrix
