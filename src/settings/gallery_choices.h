#pragma once
// The vocabularies of the HTML gallery, each read from its text once by the rule its page
// builder has always used.
#include <span>
#include <string_view>

#include "settings/settings_values.h"

namespace lumatrix {

// designtype, exactly: "File Directory"; every other text lays the index out as a table.
enum class DesignType { FileDirectory, TableListing, Unrecognised };
struct DesignTypeChoice {
  static constexpr std::span<const std::string_view> items = kDesignTypes;
  static DesignType parse(std::string_view text);
};

// hyperlinkto, exactly: "Image" links the picture, "Do Not Hyperlink" nothing; any other text
// links the image's page, and one containing "SlideShow" (letter case significant) makes the
// pages a slide show. The substring is deliberate: it is how the image pages have always told
// a slide show from still pages, whatever else the text says.
enum class Hyperlink { Image, HtmlStill, HtmlSlideShow, DoNotHyperlink, Unrecognised };
struct HyperlinkChoice {
  static constexpr std::span<const std::string_view> items = kHyperlinkTo;
  static Hyperlink parse(std::string_view text);
};

// fontface, fontsize: "Default" lower-cased but not trimmed leaves the attribute out; any other
// text is written as typed. Deliberately untrimmed: the page gets exactly what was chosen, so a
// padded " Default" is written as a face rather than silently dropped.
enum class HtmlFont { Default, Given };
struct FontFaceChoice {
  static constexpr std::span<const std::string_view> items = kFontFaces;
  static HtmlFont parse(std::string_view text);
};
struct FontSizeChoice {
  static constexpr std::span<const std::string_view> items = kFontSizes;
  static HtmlFont parse(std::string_view text);
};

// screensize, trimmed: "All" shows pictures at their size; an unrecognised text writes their
// size without limiting it.
enum class ScreenSize {
  All,
  Screen640x480,
  Screen800x600,
  Screen1024x768,
  Screen1152x864,
  Screen1280x1024,
  Screen1600x1200,
  Unrecognised,
};
struct ScreenSizeChoice {
  static constexpr std::span<const std::string_view> items = kScreenSizes;
  static ScreenSize parse(std::string_view text);
};

// cdstart, trimmed and lower-cased: "First Index" starts at the first index page; any other
// text at the first slide.
enum class CdStart { FirstSlide, FirstIndex, Unrecognised };
struct CdStartChoice {
  static constexpr std::span<const std::string_view> items = kCdStart;
  static CdStart parse(std::string_view text);
};

}  // namespace lumatrix
