#pragma once
// Value types of the settings record that are more than a number, a flag or a text, and the
// fixed vocabularies of the choice options (in display order).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

// A multi-line text: one entry per line, no line holds CR or LF.
using Lines = std::vector<std::string>;

// Colours are 0x00BBGGRR (red in the low byte), as profiles store them. Negative values name a
// system colour (high byte 0xFF, index in the low byte); see resolve_colour.
using ColourValue = int32_t;

ColourValue colour_from_rgb(uint8_t red, uint8_t green, uint8_t blue);
// "#RRGGBB" (case-insensitive) to a colour; nullopt when the text has another shape.
std::optional<ColourValue> parse_html_colour(std::string_view text);
// The "#RRGGBB" form (upper-case digits) of a colour; system colours are resolved first.
std::string html_form(ColourValue colour);
// A system colour replaced by its usual RGB value (window text black, window white, ...).
ColourValue resolve_colour(ColourValue colour);
// The pixel value of a colour, system colours resolved.
Rgb rgb_of(ColourValue colour);

// The HTML Wizard's colour drop-downs keep a colour value and its HTML text side by side; the
// profile stores both, so the record does too.
struct HtmlColour {
  ColourValue ColorValue = 0;
  std::string HTMLcolor;
  bool operator==(const HtmlColour&) const = default;
};
// Both members from one "#RRGGBB" text (black when the text is not one).
HtmlColour html_colour(std::string_view html);

enum class FontPitch { fpDefault, fpVariable, fpFixed };
// Members of a font's style set, as bits.
enum FontStyleBits : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct FontRecord {
  std::string Name;
  int32_t Size = 0;    // points
  int32_t Height = 0;  // negative: character height in pixels
  ColourValue Color = 0;
  int32_t Charset = 1;  // 1 = the default character set
  FontPitch Pitch = FontPitch::fpDefault;
  uint8_t Style = 0;  // FontStyleBits
  bool operator==(const FontRecord&) const = default;
};

// The caption fonts start as an 11-pixel regular sans face in the window-text colour (black).
FontRecord default_caption_font();

std::string_view pitch_name(FontPitch pitch);
std::optional<FontPitch> parse_pitch(std::string_view text);
// "[fsBold,fsItalic]" form; parse also accepts the names without "fs", any case, with or
// without the brackets ("bold,italic").
std::string style_set_text(uint8_t style);
std::optional<uint8_t> parse_style_set(std::string_view text);

Lines lines_of(std::span<const std::string_view> items);

// ---- Vocabularies ---------------------------------------------------------------------------

inline constexpr std::string_view kResizingMethods[] = {"As Is",
                                                        "Resize by Pixels",
                                                        "Downsize by Pixels",
                                                        "Upsize by Pixels",
                                                        "Downsize by %",
                                                        "Upsize by %",
                                                        "1/4x",
                                                        "1/3x",
                                                        "1/2x",
                                                        "3/4x",
                                                        "2x",
                                                        "3x",
                                                        "4x"};
inline constexpr std::string_view kThumbnailResizingMethods[] = {
    "As Is", "Resize by Pixels", "Downsize by Pixels", "Downsize by %", "1/4x", "1/3x", "1/2x",
    "3/4x"};
inline constexpr std::string_view kResampleTypes[] = {"None",     "Lanczos3", "Bell",
                                                      "Triangle", "Hermite",  "BSpline"};
inline constexpr std::string_view kFilters[] = {"None",         "Blur", "Blur More", "Sharpen",
                                                "Sharpen More", "Edge", "Emboss"};
inline constexpr std::string_view kColorSpaces[] = {"As Is", "RGB", "YCbCr", "CMYK"};
inline constexpr std::string_view kColorDepths[] = {
    "24 Bits (16.7 mil)", "16 Bits (65535)", "15 Bits (32768)", "14 Bits (16384)",
    "13 Bits (8192)",     "12 Bits (4096)",  "11 Bits (2048)",  "10 Bits (1024)",
    "9 Bits (512)",       "8 Bits   (256)",  "7 Bits   (128)",  "6 Bits   (64)",
    "5 Bits   (32)",      "4 Bits   (16)",   "3 Bits   (8)",    "2 Bits   (4)"};
inline constexpr std::string_view kFrames[] = {"None", "Border", "3D Effect"};
// The PNG levels zlib offers, after the rule earlier versions followed.
inline constexpr std::string_view kMetadataKeep[] = {"All", "All but location and identity",
                                                     "None"};
inline constexpr std::string_view kColourProfiles[] = {"Keep", "Convert to sRGB", "Ignore"};
inline constexpr std::string_view kPngCompressions[] = {
    "From quality", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
inline constexpr std::string_view kSaveInDirectories[] = {"", "[Source Directory]\\",
                                                          "[Source Directory]\\Thumbnails\\"};
// "As Is", then the save choices of the codec rows in their list order.
std::span<const std::string_view> image_formats();
// Whether an Image_Format text names a format for the output: "As Is" or a save choice, as the
// output extension reads it (an item or alias, trimmed and lower-cased, or a text holding a
// format's word such as "tiff"). Any other text keeps the source's extension by fall-back.
bool names_image_format(std::string_view text);
inline constexpr std::string_view kOverwritePolicies[] = {"Replace", "Skip existing", "Keep both"};
inline constexpr std::string_view kCaptionTexts[] = {"", "[DATE]", "[FILENAME]"};
inline constexpr std::string_view kTextAlignments[] = {"None",
                                                       "Top Left",
                                                       "Top Center",
                                                       "Top Right",
                                                       "Middle Left",
                                                       "Middle Center",
                                                       "Middle Right",
                                                       "Bottom Left",
                                                       "Bottom Center",
                                                       "Bottom Right",
                                                       "Vertical Left BottomUp",
                                                       "Vertical Right TopDown",
                                                       "By Axis"};
inline constexpr std::string_view kWatermarkAlignments[] = {
    "None",        "Top Left",      "Top Center",   "Top Right", "Middle Center",
    "Bottom Left", "Bottom Center", "Bottom Right", "By Axis"};
inline constexpr std::string_view kCropBy[] = {"None", "Dimension"};
inline constexpr std::string_view kFilenameCases[] = {"As Is", "Lowercase", "Uppercase"};
inline constexpr std::string_view kFilenameSaveIn[] = {"", "[Source Directory]\\",
                                                       "[Source Directory]\\Renamed\\"};
inline constexpr std::string_view kDateTypes[] = {"Current", "Creation", "Date Taken"};
inline constexpr std::string_view kDateFormats[] = {
    "MMDDYY",    "DDMMYY",    "YYMMDD",    "MMDDYYYY",    "DDMMYYYY",    "YYYYMMDD",
    "MM-DD-YY",  "DD-MM-YY",  "YY-MM-DD",  "MM-DD-YYYY",  "DD-MM-YYYY",  "YYYY-MM-DD",
    "MM_DD_YY",  "DD_MM_YY",  "YY_MM_DD",  "MM_DD_YYYY",  "DD_MM_YYYY",  "YYYY_MM_DD",
    "MMMDDYY",   "DDMMMYY",   "YYMMMDD",   "MMMDDYYYY",   "DDMMMYYYY",   "YYYYMMMDD",
    "MMM-DD-YY", "DD-MMM-YY", "YY-MMM-DD", "MMM-DD-YYYY", "DD-MMM-YYYY", "YYYY-MMM-DD",
    "MMM_DD_YY", "DD_MMM_YY", "YY_MMM_DD", "MMM_DD_YYYY", "DD_MMM_YYYY", "YYYY_MMM_DD"};
inline constexpr std::string_view kFilenameOrders[] = {"PreNumDatSuf",
                                                       "PreDatNumSuf",
                                                       "PreNumSufDat",
                                                       "PreDatSuffNum",
                                                       "NumPreDatSuf",
                                                       "NumDatPreSuf",
                                                       "",
                                                       ""};
inline constexpr std::string_view kDesignTypes[] = {"File Directory", "Table Listing"};
inline constexpr std::string_view kHyperlinkTo[] = {"Image", "HTML Still", "HTML SlideShow",
                                                    "Do Not Hyperlink"};
inline constexpr std::string_view kFontFaces[] = {"Default",
                                                  "Arial, Helvetica, sans-serif",
                                                  "Times New Roman, Times, serif",
                                                  "Courier New, Courier, mono",
                                                  "Georgia, Times New Roman, Times, serif",
                                                  "Verdana, Arial, Helvetica, sans-serif",
                                                  "Geneva, Arial, Helvetica, san-serif"};
inline constexpr std::string_view kFontSizes[] = {
    "Default", "1",  "2",  "3",  "4",  "5",  "6",  "7",  "+1", "+2", "+3",
    "+4",      "+5", "+6", "+7", "-1", "-2", "-3", "-4", "-5", "-6", "-7"};
inline constexpr std::string_view kScreenSizes[] = {
    "All", "640 x 480", "800 x 600", "1024 x 768", "1152 x 864", "1280 x 1024", "1600 x 1200"};
inline constexpr std::string_view kCdStart[] = {"First Slide", "First Index"};
inline constexpr std::string_view kHtmlExtensions[] = {".htm", ".HTM", ".html", ".HTML", ""};

// A list entry's orientation values (the degree sign is U+00B0 in UTF-8).
inline constexpr std::string_view kOrientations[] = {"As Is",
                                                     "Rotate Left 90\u00B0",
                                                     "Rotate Right 90\u00B0",
                                                     "Rotate 180\u00B0",
                                                     "Flip Left",
                                                     "Flip Right",
                                                     "Flip Down"};
// The ones the list's menus write, in menu order: all but "Flip Down".
inline constexpr std::span<const std::string_view> kListOrientations =
    std::span(kOrientations).first<6>();

}  // namespace lumatrix
