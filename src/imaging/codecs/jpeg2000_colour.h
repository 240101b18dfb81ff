#pragma once
// The components of a decoded JPEG 2000 image made into a picture, as OpenJPEG's own tools
// (opj_decompress) do it, so that both show the same colours: YCbCr is taken for code streams
// whose chroma is subsampled; sYCC, e-sYCC, CMYK and CIE L*a*b* are converted to RGB; an
// embedded ICC profile is applied through LittleCMS; components sampled more coarsely than the
// finest one are replicated up to it.
//
// Where opj_decompress does something no viewer should (a first column without chroma when the
// image starts at an odd position, ICC profiles applied to samples of other depths than 8 and 16
// without scaling them), we do the sound thing instead; no conformance file is affected.
#include <openjpeg.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

// What the picture holds besides OpenJPEG's decoded image: bytes per pixel of our own planes
// and picture, for the read budget.
uint64_t jpeg2000_conversion_bytes(const opj_image_t& image);

// The component sampled most finely, whose size the picture has.
size_t jpeg2000_finest_component(const opj_image_t& image);
// The size of the picture: that of the finest component.
std::pair<uint64_t, uint64_t> jpeg2000_picture_size(const opj_image_t& image);

// The picture of a decoded image, 8 bits a sample, with alpha where a component is one. A
// profile that cannot be applied leaves the stored colours and a sentence in `warnings`.
Raster jpeg2000_picture(const opj_image_t& image, std::vector<std::string>& warnings);

}  // namespace lumatrix
