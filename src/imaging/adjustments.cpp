#include "imaging/adjustments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "base/image_error.h"
#include "imaging/adjust/bump_map.h"
#include "imaging/adjust/contrast_brightness.h"
#include "imaging/adjust/equalization.h"
#include "imaging/adjust/fft_filter.h"
#include "imaging/adjust/free_rotate.h"
#include "imaging/adjust/hsl_adjust.h"
#include "imaging/adjust/hsv_adjust.h"
#include "imaging/adjust/lens.h"
#include "imaging/adjust/morph_filters.h"
#include "imaging/adjust/rgb_offsets.h"
#include "imaging/adjust/user_filter.h"
#include "imaging/adjust/wave.h"

namespace lumatrix {

namespace {

using Kind = AdjustmentParamKind;

constexpr AdjustmentParam integer(std::string_view name, std::string_view label, int minimum,
                                  int maximum, int initial, std::string_view group = {}) {
  return {name, label, Kind::Integer, minimum, maximum, initial, {}, group};
}
constexpr AdjustmentParam with_scaling(AdjustmentParam param, PreviewScaling scaling) {
  param.scaling = scaling;
  return param;
}
constexpr AdjustmentParam boolean(std::string_view name, std::string_view label, bool initial) {
  return {name, label, Kind::Boolean, 0, 1, initial ? 1 : 0};
}
constexpr AdjustmentParam choice(std::string_view name, std::string_view label,
                                 std::span<const std::string_view> choices, int initial) {
  return {name, label, Kind::Choice, 0, static_cast<int>(choices.size()) - 1, initial, choices};
}
constexpr AdjustmentParam colour(std::string_view name, std::string_view label, int initial) {
  return {name, label, Kind::Colour, 0, 0xFFFFFF, initial};
}

// The values must match the row's parameters in number and lie within their ranges.
void check_values(std::string_view page, std::span<const AdjustmentParam> params,
                  const AdjustmentValues& values) {
  if (values.size() != params.size())
    throw ImageError(std::string(page) + ": " + std::to_string(params.size()) +
                     " values expected, " + std::to_string(values.size()) + " given");
  for (size_t i = 0; i < params.size(); ++i) {
    const AdjustmentParam& p = params[i];
    if (values[i] < p.minimum || values[i] > p.maximum)
      throw ImageError(std::string(page) + ": " + std::string(p.label) + " must be from " +
                       std::to_string(p.minimum) + " to " + std::to_string(p.maximum) + ", not " +
                       std::to_string(values[i]));
  }
}

Rgb colour_of(int rgb) {
  return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
          static_cast<uint8_t>(rgb)};
}

constexpr std::array kContrastParams{
    integer("contrast", "Contrast", -100, 100, 0),
    integer("brightness", "Brightness", -100, 100, 0),
};
void apply_contrast_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Contrast", kContrastParams, v);
  adjust::contrast_brightness(doc, {.contrast = v[0], .brightness = v[1]});
}

constexpr std::array kHsvParams{
    integer("hue", "Hue (degrees)", -180, 180, 0),
    integer("saturation", "Saturation", -100, 100, 0),
    integer("value", "Value", -100, 100, 0),
};
void apply_hsv_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("HSV", kHsvParams, v);
  adjust::hsv_adjust(doc, {.hue = v[0], .saturation = v[1], .value = v[2]});
}

constexpr std::array kHslParams{
    integer("hue", "Hue (degrees)", -180, 180, 0),
    integer("saturation", "Saturation", -100, 100, 0),
    integer("lightness", "Lightness", -100, 100, 0),
};
void apply_hsl_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("HSL", kHslParams, v);
  adjust::hsl_adjust(doc, {.hue = v[0], .saturation = v[1], .lightness = v[2]});
}

constexpr std::array kRgbParams{
    integer("red", "Red", -255, 255, 0),
    integer("green", "Green", -255, 255, 0),
    integer("blue", "Blue", -255, 255, 0),
};
void apply_rgb_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("RGB", kRgbParams, v);
  adjust::rgb_offsets(doc, {.red = v[0], .green = v[1], .blue = v[2]});
}

constexpr int kW = adjust::kUserFilterMaxWeight;
constexpr int kD = adjust::kUserFilterMaxDivisor;
constexpr std::array kUserFilterParams{
    integer("k11", "Left", -kW, kW, 0, "Row above"),
    integer("k12", "Centre", -kW, kW, 0, "Row above"),
    integer("k13", "Right", -kW, kW, 0, "Row above"),
    integer("k21", "Left", -kW, kW, 0, "Same row"),
    integer("k22", "Centre", -kW, kW, 1, "Same row"),
    integer("k23", "Right", -kW, kW, 0, "Same row"),
    integer("k31", "Left", -kW, kW, 0, "Row below"),
    integer("k32", "Centre", -kW, kW, 0, "Row below"),
    integer("k33", "Right", -kW, kW, 0, "Row below"),
    integer("divisor", "Divisor (0: sum of the kernel)", -kD, kD, 0),
    integer("bias", "Bias", -255, 255, 0),
};
void apply_user_filter_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("User filter", kUserFilterParams, v);
  adjust::UserFilter filter;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) filter.kernel[r][c] = v[3 * r + c];
  filter.divisor = v[9];
  filter.bias = v[10];
  adjust::user_filter(doc, filter);
}

constexpr std::array<std::string_view, 2> kEqualizeOn{"Luminance", "Each channel"};
constexpr std::array kEqualizationParams{
    choice("on", "Equalize", kEqualizeOn, 0),
    integer("low_cut", "Dark cut (%)", 0, 49, 0),
    integer("high_cut", "Bright cut (%)", 0, 49, 0),
};
void apply_equalization_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Equalization", kEqualizationParams, v);
  adjust::equalization(
      doc, {.on = v[0] == 0 ? adjust::EqualizeOn::Luminance : adjust::EqualizeOn::PerChannel,
            .low_cut = v[1],
            .high_cut = v[2]});
}

constexpr std::array kBumpMapParams{
    integer("azimuth", "Light azimuth (degrees)", 0, 359, 135),
    integer("elevation", "Light elevation (degrees)", 1, 90, 45),
    with_scaling(integer("depth", "Depth", 0, 100, 5), PreviewScaling::WithSize),
    boolean("keep_brightness", "Keep brightness", true),
};
void apply_bump_map_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Bump map", kBumpMapParams, v);
  adjust::bump_map(
      doc, {.azimuth = v[0], .elevation = v[1], .depth = v[2], .keep_brightness = v[3] != 0});
}

constexpr std::array kLensParams{
    integer("refraction", "Refraction index (x 100)", 100, 400, 100),
    integer("radius", "Radius (% of the smaller side)", 0, 100, 50),
};
void apply_lens_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Lens", kLensParams, v);
  adjust::lens(doc, {.refraction = v[0], .radius = v[1]});
}

constexpr std::array<std::string_view, 3> kWaveDirections{"Horizontal", "Vertical", "Both"};
constexpr std::array kWaveParams{
    integer("amplitude", "Amplitude (per mille of the size)", 0, 250, 0),
    integer("wavelength", "Wavelength (% of the size)", 1, 100, 25),
    integer("phase", "Phase (degrees)", 0, 359, 0),
    choice("direction", "Direction", kWaveDirections, 0),
};
void apply_wave_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Wave", kWaveParams, v);
  adjust::wave(doc, {.amplitude = v[0],
                     .wavelength = v[1],
                     .phase = v[2],
                     .direction = static_cast<adjust::WaveDirection>(v[3])});
}

constexpr std::array<std::string_view, 4> kMorphOperations{"Erode", "Dilate", "Open", "Close"};
constexpr std::array kMorphParams{
    choice("operation", "Operation", kMorphOperations, 0),
    with_scaling(integer("radius", "Radius (pixels)", 0, 20, 0), PreviewScaling::WithSize),
};
void apply_morph_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Morph filters", kMorphParams, v);
  adjust::morph_filter(doc,
                       {.operation = static_cast<adjust::MorphOperation>(v[0]), .radius = v[1]});
}

constexpr std::array kRotateParams{
    integer("angle", "Angle (tenths of a degree)", -1800, 1800, 0),
    boolean("antialias", "Antialias", true),
    colour("background", "Background", 0x000000),
};
void apply_rotate_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("Rotate", kRotateParams, v);
  adjust::free_rotate(doc, {.tenths = v[0], .antialias = v[1] != 0, .background = colour_of(v[2])});
}

constexpr std::array<std::string_view, 2> kFftPasses{"Low-pass", "High-pass"};
constexpr std::array kFftParams{
    choice("pass", "Filter", kFftPasses, 0),
    with_scaling(integer("cut_off", "Cut-off (% of the highest frequency)", 0, 100, 100),
                 PreviewScaling::AgainstSize),
    boolean("soft_edge", "Soft edge (Gaussian)", false),
};
void apply_fft_page(ImageDocument& doc, const AdjustmentValues& v) {
  check_values("FFT", kFftParams, v);
  adjust::fft_filter(doc, {.pass = v[0] == 0 ? adjust::FftPass::LowPass : adjust::FftPass::HighPass,
                           .cut_off = v[1],
                           .soft_edge = v[2] != 0});
}

const std::array<Adjustment, 12> kAdjustments{{
    {"Contrast", kContrastParams, apply_contrast_page},
    {"HSV", kHsvParams, apply_hsv_page},
    {"HSL", kHslParams, apply_hsl_page},
    {"RGB", kRgbParams, apply_rgb_page},
    {"User filter", kUserFilterParams, apply_user_filter_page},
    {"Equalization", kEqualizationParams, apply_equalization_page},
    {"Bump map", kBumpMapParams, apply_bump_map_page},
    {"Lens", kLensParams, apply_lens_page},
    {"Wave", kWaveParams, apply_wave_page},
    {"Morph filters", kMorphParams, apply_morph_page},
    {"Rotate", kRotateParams, apply_rotate_page},
    {"FFT", kFftParams, apply_fft_page},
}};

constexpr std::array<std::string_view, 6> kColourPages{"Contrast", "HSV",          "HSL",
                                                       "RGB",      "Equalization", "FFT"};
constexpr std::array<std::string_view, 6> kEffectPages{"User filter", "Bump map",      "Lens",
                                                       "Wave",        "Morph filters", "Rotate"};

}  // namespace

std::span<const Adjustment> adjustments() {
  return kAdjustments;
}

const Adjustment* find_adjustment(std::string_view page) {
  for (const Adjustment& a : kAdjustments)
    if (a.page == page) return &a;
  return nullptr;
}

AdjustmentValues initial_values(const Adjustment& adjustment) {
  AdjustmentValues values;
  values.reserve(adjustment.params.size());
  for (const AdjustmentParam& p : adjustment.params) values.push_back(p.initial);
  return values;
}

AdjustmentValues preview_values(const Adjustment& adjustment, const AdjustmentValues& values,
                                double scale) {
  AdjustmentValues scaled = values;
  if (!(scale > 0) || scale >= 1) return scaled;
  for (size_t i = 0; i < scaled.size() && i < adjustment.params.size(); ++i) {
    const AdjustmentParam& p = adjustment.params[i];
    double v = scaled[i];
    if (p.scaling == PreviewScaling::WithSize)
      v *= scale;
    else if (p.scaling == PreviewScaling::AgainstSize)
      v /= scale;
    else
      continue;
    scaled[i] = std::clamp(static_cast<int>(std::lround(v)), p.minimum, p.maximum);
  }
  return scaled;
}

std::span<const std::string_view> colour_adjustment_pages() {
  return kColourPages;
}

std::span<const std::string_view> effect_pages() {
  return kEffectPages;
}

}  // namespace lumatrix
