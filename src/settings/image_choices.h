#pragma once
// The vocabularies whose meaning the imaging operations take: each list's texts (in
// settings_values.h) and the one rule by which a typed text is read into the operation's own
// enumeration. A text the rule does not recognise keeps the meaning it has always had (the
// enumeration's Unrecognised, or what `recognises` says where there is none); these lists are
// closed, see option_accepts.h.
#include <optional>
#include <span>
#include <string_view>

#include "imaging/colour_adjust.h"
#include "imaging/frame.h"
#include "imaging/metadata.h"
#include "imaging/orientation.h"
#include "imaging/profile_use.h"
#include "imaging/resample.h"
#include "imaging/resize_plan.h"
#include "settings/settings_values.h"

namespace lumatrix {

// resizing_method and the thumbnails' methods: trimmed and lower-cased. The thumbnails' lists
// offer fewer methods but read a typed one the same way; the resize plan decides which apply.
struct ResizeMethodChoice {
  static constexpr std::span<const std::string_view> items = kResizingMethods;
  static ResizeMethod parse(std::string_view text);
};

// The thumbnails' list of methods: only the shrinking ones.
struct ThumbnailResizeMethodChoice {
  static constexpr std::span<const std::string_view> items = kThumbnailResizingMethods;
  static ResizeMethod parse(std::string_view text) { return ResizeMethodChoice::parse(text); }
};

// resampletype: trimmed and lower-cased "none", "triangle", "hermite", "bell", "bspline";
// every other text, the list's "Lanczos3" among them, gives Lanczos3.
struct ResampleTypeChoice {
  static constexpr std::span<const std::string_view> items = kResampleTypes;
  static ResampleFilter parse(std::string_view text);
  static bool recognises(std::string_view text);
};

// filter: trimmed and lower-cased.
struct FilterChoice {
  static constexpr std::span<const std::string_view> items = kFilters;
  static EffectFilter parse(std::string_view text);
};

// metadata_keep: trimmed and lower-cased; another text keeps everything, as "All" does.
struct MetadataKeepChoice {
  static constexpr std::span<const std::string_view> items = kMetadataKeep;
  static MetadataKeep parse(std::string_view text);
};

// colour_profiles: trimmed and lower-cased; another text keeps the profile, as "Keep" does.
struct ColourProfilesChoice {
  static constexpr std::span<const std::string_view> items = kColourProfiles;
  static ColourProfiles parse(std::string_view text);
};

// colorspace: trimmed and lower-cased; "YCbCrK" is read too, though the list does not offer it.
struct ColourSpaceChoice {
  static constexpr std::span<const std::string_view> items = kColorSpaces;
  static ColourSpace parse(std::string_view text);
};

// colordepth: the text is searched, letter case significant, for "24 Bits", "16 Bits",
// "15 Bits" ... "1 Bits" in that order, so "11 Bits" wins over "1 Bits" and "1 Bits" (not
// listed) is two colours. Deliberately a search, not a match: the listed texts differ in their
// padding and counts, and saved profiles hold them in every spelling the list ever had.
struct ColourDepthChoice {
  static constexpr std::span<const std::string_view> items = kColorDepths;
  static ColourDepth parse(std::string_view text);
};

// frame: trimmed and lower-cased.
struct FrameChoice {
  static constexpr std::span<const std::string_view> items = kFrames;
  static FrameKind parse(std::string_view text);
};

// cropby: trimmed and lower-cased; every text but "none" crops, an unrecognised one included.
enum class CropBy { None, Dimension, Unrecognised };
struct CropByChoice {
  static constexpr std::span<const std::string_view> items = kCropBy;
  static CropBy parse(std::string_view text);
};

// png_compression: zlib's level for PNG files, 0 (stored) to 9 (smallest), trimmed; or "From
// quality" (trimmed, any case), the level the JPEG/PNG quality gives ((100 - quality) / 100
// rounded: 1 below 50, else 0), for those who want the files earlier versions wrote. Its value
// is the level, nullopt for "From quality"; a text it does not recognise gives level 6.
inline constexpr int kDefaultPngLevel = 6;
struct PngCompressionChoice {
  static constexpr std::span<const std::string_view> items = kPngCompressions;
  static std::optional<int> parse(std::string_view text);
  static bool recognises(std::string_view text);
};

// A list entry's orientation: trimmed, letter case significant. "Flip Down" is read although
// the list's menus do not write it.
struct OrientationChoice {
  static constexpr std::span<const std::string_view> items = kOrientations;
  static Orientation parse(std::string_view text);
};

// The item an orientation typed by hand stands for: an item in any letter case, with blanks
// around it and with or without its degree sign ("rotate left 90"); nullopt for any other text.
// The command line's --orientation and list files read orientations so.
std::optional<std::string_view> orientation_item(std::string_view text);

}  // namespace lumatrix
