#pragma once
// The format options a run gives the work document before it saves the main output.
#include <string_view>

#include "imaging/image_document.h"
#include "settings/settings.h"

namespace lumatrix {

// PNG compression level from a JPEG/PNG quality: (100 - quality) / 100 rounded half to even,
// so 1 below 50 and 0 from 50 up.
int png_level_from_quality(int quality);
// The PNG level a file saved with `quality` (the main output's JPEG_Quality, a thumbnail's own)
// gets: png_compression's level, or with "From quality" the level that quality gives.
int png_level(const Settings& settings, int quality);

// TIFF compression chosen by the Image_Format text, trimmed and compared with letter case
// against the TIFF items of the codec rows: "TIFF Packbits", "TIFF CCITT G3" (two-dimensional),
// "TIFF CCITT G4", "TIFF CCITT Huffman"; any other text asks for LZW, as "TIFF LZW" does.
TiffCompression tiff_compression_for(std::string_view image_format);

// JPEG quality, smoothing, progressive and Huffman options, BMP run-length coding, PNG level,
// TIFF compression, GIF options, resolution and the colour transparent images are flattened
// onto in formats without alpha, from the settings.
void apply_save_options(const Settings& settings, ImageDocument& document);

// What the main output takes from the settings before it is written, in a run and in Preview
// One alike: the save options and, unless iptc_header keeps them, no IPTC records.
void apply_main_output_options(const Settings& settings, ImageDocument& document);

}  // namespace lumatrix
