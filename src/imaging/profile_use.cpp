#include "imaging/profile_use.h"

#include <optional>
#include <vector>

#include "base/image_error.h"
#include "imaging/colour_profile.h"

namespace lumatrix {

namespace {

void convert_palette(std::vector<Rgb>& palette, const SrgbConversion& conversion) {
  std::vector<uint8_t> samples;
  samples.reserve(palette.size() * 3);
  for (const Rgb& c : palette) samples.insert(samples.end(), {c.r, c.g, c.b});
  conversion.convert(samples.data(), samples.data(), palette.size());
  for (size_t i = 0; i < palette.size(); ++i)
    palette[i] = Rgb{samples[i * 3], samples[i * 3 + 1], samples[i * 3 + 2]};
}

bool convert_with(Raster& raster, ProfileSpace space, const SrgbConversion& conversion) {
  const bool grey = raster.format() == PixelFormat::Gray8;
  if (space != (grey ? ProfileSpace::Grey : ProfileSpace::Rgb)) return false;
  const auto width = static_cast<size_t>(raster.width());
  switch (raster.format()) {
    case PixelFormat::Rgb24:
      // LittleCMS converts in place when both sides have the same layout.
      for (int y = 0; y < raster.height(); ++y)
        conversion.convert(raster.row(y), raster.row(y), width);
      return true;
    case PixelFormat::Gray8: {
      // A grey profile's neutrals are sRGB neutrals; the green sample carries the grey.
      std::vector<uint8_t> rgb(width * 3);
      for (int y = 0; y < raster.height(); ++y) {
        uint8_t* row = raster.row(y);
        conversion.convert(row, rgb.data(), width);
        for (size_t x = 0; x < width; ++x) row[x] = rgb[x * 3 + 1];
      }
      return true;
    }
    case PixelFormat::Palette8:
    case PixelFormat::Bit1:
      convert_palette(raster.palette, conversion);
      return true;
    case PixelFormat::None:
      return false;
  }
  return false;
}

}  // namespace

bool convert_to_srgb(Raster& raster, const ColourProfile& profile) {
  return convert_with(raster, profile.space(), SrgbConversion(profile, 8, kPerceptualIntent));
}

void apply_colour_profile(ImageDocument& doc, ColourProfiles use) {
  std::vector<uint8_t>& icc = doc.params.icc_profile;
  if (icc.empty()) return;
  if (use == ColourProfiles::Ignore) {
    icc.clear();
    return;
  }
  try {
    const ColourProfile profile(icc);
    // A profile for samples we never hold (L*a*b*, XYZ, ...) no output can carry either.
    if (profile.space() == ProfileSpace::Other) {
      icc.clear();
      return;
    }
    // Building the conversion reads every tag it needs, so a profile LittleCMS opens but cannot
    // use is found here too, also when it is only to be kept.
    const SrgbConversion conversion(profile, 8, kPerceptualIntent);
    if (use == ColourProfiles::ConvertToSrgb) {
      // Converted or not, the profile no longer describes what the outputs will hold.
      convert_with(doc.raster, profile.space(), conversion);
      icc.clear();
    }
  } catch (const ImageError& error) {
    doc.params.warnings.push_back(error.reason() +
                                  "; it is left out and the colours stay as stored");
    icc.clear();
  }
}

}  // namespace lumatrix
