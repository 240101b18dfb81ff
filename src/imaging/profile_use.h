#pragma once
// What a run does with the colour profile a source embeds (colour_profiles), applied as the
// picture is loaded, before any other step touches its pixels.
#include "imaging/image_document.h"

namespace lumatrix {

// Keep: the pixels stay as stored and the profile travels to outputs that can hold it, so a
// wide-gamut photo keeps its colours in every viewer that manages colour. ConvertToSrgb: the
// pixels become sRGB through the profile (perceptual intent) and the outputs carry no profile,
// sRGB being what untagged pictures are taken to be. Ignore: the profile is dropped, the pixels
// stay as stored. Unrecognised keeps, as Keep does.
enum class ColourProfiles { Keep, ConvertToSrgb, Ignore, Unrecognised };

// Applies `use` to the document just loaded: its pixels and params.icc_profile. A profile
// LittleCMS cannot read, or cannot convert from, is dropped with a sentence in params.warnings
// (the load's damage notices); the pixels then stay as stored. Under ConvertToSrgb a profile
// for another kind of samples than the raster holds (grey for colour pixels, CMYK, ...) is
// dropped without converting. Documents without a profile are left exactly as they are.
void apply_colour_profile(ImageDocument& doc, ColourProfiles use);

// Converts `raster` in place from `profile`'s colours to sRGB, perceptual intent: RGB pixels
// under an RGB profile, greys under a grey one (they stay grey), palettes entry by entry. Returns
// false, changing nothing, when the profile is for another kind of samples. Throws ImageError
// when LittleCMS cannot build the conversion.
class ColourProfile;
bool convert_to_srgb(Raster& raster, const ColourProfile& profile);

}  // namespace lumatrix
