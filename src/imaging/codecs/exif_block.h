#pragma once
// The EXIF block as the newer containers carry it. IOParams keeps it the way JPEG files store it
// after "Exif\0\0": a TIFF-structured byte stream starting at its byte-order mark. WebP stores it
// the same way (some writers keep the "Exif\0\0" in front), while HEIF and JPEG XL put a
// four-byte offset to the TIFF header before it.
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/io_params.h"

namespace lumatrix {

// The block from a WebP "EXIF" chunk: as it is, without an "Exif\0\0" in front.
std::vector<uint8_t> exif_from_chunk(std::span<const uint8_t> chunk);

// The block from a HEIF "Exif" item or a JPEG XL "Exif" box: what follows the four-byte offset,
// from the TIFF header on. Empty when the offset points outside the data.
std::vector<uint8_t> exif_from_box(std::span<const uint8_t> box);
// The payload of such a box or item for `exif`: offset 0, then the block.
std::vector<uint8_t> exif_box(std::span<const uint8_t> exif);

// Whether the block starts with a TIFF header ("II*\0" or "MM\0*"). Containers that point at
// the header refuse a block without one, and such a block is left out rather than failing a save.
bool has_tiff_header(std::span<const uint8_t> exif);

// Sets the Orientation tag of the block's first IFD to 1 (upright) where it is present, in
// place. For readers that hand out pixels already turned the way the container says: the tag
// must no longer ask for the turn. A block that cannot be parsed is left alone.
void mark_exif_upright(std::vector<uint8_t>& exif);

// The Orientation tag of the block's first IFD (1..8), 0 when it is missing, out of range or
// the block cannot be parsed.
int exif_orientation(std::span<const uint8_t> exif);

// Keeps `exif` in `params`, and takes the resolution from it when it states one (these formats
// have no field of their own for it).
void keep_exif(std::vector<uint8_t> exif, IOParams& params);

}  // namespace lumatrix
