#pragma once
// The vocabularies of the captions and watermarks: what a caption text stands for and where a
// caption or a watermark goes, each read from its text once by the rule its drawing has always
// used.
#include <span>
#include <string_view>

#include "settings/settings_values.h"

namespace lumatrix {

// caption_text, caption_text2: "[DATE]" and "[FILENAME]", trimmed and lower-cased, stand for
// the date and the output's name; any other text is drawn as typed.
enum class CaptionText { Typed, Date, FileName };
struct CaptionTextChoice {
  static constexpr std::span<const std::string_view> items = kCaptionTexts;
  static CaptionText parse(std::string_view text);
};

// The caption placements, in the list's order.
enum class CaptionAnchor {
  None,
  TopLeft,
  TopCenter,
  TopRight,
  MiddleLeft,
  MiddleCenter,
  MiddleRight,
  BottomLeft,
  BottomCenter,
  BottomRight,
  VerticalLeft,   // "Vertical Left BottomUp"
  VerticalRight,  // "Vertical Right TopDown"
  ByAxis,
  Unrecognised,  // drawn at the origin, then moved across as `across` says
};
// Where a caption goes across, whatever its anchor: the text's own words decide.
enum class CaptionAcross { AsAnchored, Centred, RightEdge };

struct CaptionPlacement {
  CaptionAnchor anchor = CaptionAnchor::None;
  CaptionAcross across = CaptionAcross::AsAnchored;  // "Center", else "Right", in the text
  bool band_on_top = false;  // a caption in border: "Top" or "Vertical" in the text
  bool operator==(const CaptionPlacement&) const = default;
};

// Text_Alignment, text_alignment2. "None" is matched trimmed and lower-cased (such a caption
// is not drawn); the three "Middle" names trimmed; the other names exactly. Then, on the text
// as typed and with letter case significant, "Center" centres the caption across, else "Right"
// puts it at the right edge, and "Top" or "Vertical" puts a border band on top.
struct CaptionPlacementChoice {
  static constexpr std::span<const std::string_view> items = kTextAlignments;
  static CaptionPlacement parse(std::string_view text);
  static bool recognises(std::string_view text);
};

// The watermark placements, in the list's order.
enum class WatermarkPlacement {
  None,
  TopLeft,
  TopCenter,
  TopRight,
  MiddleCenter,
  BottomLeft,
  BottomCenter,
  BottomRight,
  ByAxis,
  Unrecognised,  // stamped at the origin
};

// watermark_alignment, watermark_alignment2: "None" trimmed and lower-cased (no watermark),
// the other names exactly.
struct WatermarkPlacementChoice {
  static constexpr std::span<const std::string_view> items = kWatermarkAlignments;
  static WatermarkPlacement parse(std::string_view text);
};

}  // namespace lumatrix
