#pragma once
// Colour profiles through LittleCMS: the colours an embedded ICC profile describes, or CIE
// L*a*b*, converted to sRGB, the space every picture of ours is in. Each object owns its
// LittleCMS context, so conversions on different threads share nothing, and LittleCMS's
// complaints become ImageError messages instead of reaching the terminal.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace lumatrix {

// The colour space of the samples a profile describes.
enum class ProfileSpace { Rgb, Grey, YCbCr, Cmyk, Other };

// The ICC rendering intent that maps a wider gamut into sRGB's by compressing it as a whole,
// rather than clipping what lies outside.
constexpr uint32_t kPerceptualIntent = 0;

// The colour space an ICC profile's header names, read from its bytes alone (no validation):
// Other for anything too short to be a profile.
ProfileSpace icc_header_space(std::span<const uint8_t> icc);
// Whether `icc` may be written beside samples stored as grey (`grey`) or as colour: a grey
// profile for grey samples, an RGB one for RGB or palette samples. Every writer asks before it
// embeds a profile, as a profile on samples of another kind would misstate their colours.
bool profile_fits(std::span<const uint8_t> icc, bool grey);

namespace detail {
struct LcmsContext;
struct LcmsProfile;
struct LcmsTransform;
}  // namespace detail

class ColourProfile {
 public:
  // Reads an embedded ICC profile; throws ImageError with LittleCMS's reason when it cannot.
  explicit ColourProfile(std::span<const uint8_t> icc);
  ~ColourProfile();
  ColourProfile(ColourProfile&&) noexcept;
  ColourProfile& operator=(ColourProfile&&) noexcept;

  ProfileSpace space() const { return space_; }
  // The rendering intent the profile's header asks for.
  uint32_t rendering_intent() const { return intent_; }

 private:
  friend class SrgbConversion;
  std::unique_ptr<detail::LcmsContext> context_;
  std::unique_ptr<detail::LcmsProfile> profile_;
  ProfileSpace space_ = ProfileSpace::Other;
  uint32_t intent_ = 0;
};

// Converts interleaved pixels to interleaved sRGB at 8 or 16 bits a sample.
class SrgbConversion {
 public:
  // From the colours `from` describes (Rgb, Grey, YCbCr or Cmyk), `bits` (8 or 16) a sample in
  // and out, with the profile's own rendering intent. Throws ImageError when LittleCMS cannot
  // build the conversion.
  SrgbConversion(const ColourProfile& from, int bits);
  // The same with the rendering intent given (kPerceptualIntent, ...).
  SrgbConversion(const ColourProfile& from, int bits, uint32_t intent);
  // From CIE L*a*b* under D50 (doubles: L 0..100, a, b) to 16-bit sRGB, perceptual intent.
  static SrgbConversion from_lab();
  ~SrgbConversion();
  SrgbConversion(SrgbConversion&&) noexcept;
  SrgbConversion& operator=(SrgbConversion&&) noexcept;

  // Samples each input pixel has (3 for RGB, 1 for grey, 4 for CMYK, 3 doubles for L*a*b*).
  int input_channels() const { return channels_; }
  // `pixels` pixels from `in` to `out` (three samples each).
  void convert(const void* in, void* out, size_t pixels) const;

 private:
  SrgbConversion() = default;
  std::unique_ptr<detail::LcmsContext> context_;
  std::unique_ptr<detail::LcmsTransform> transform_;
  int channels_ = 3;
};

}  // namespace lumatrix
