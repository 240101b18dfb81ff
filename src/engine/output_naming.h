#pragma once
// Where a run writes each output and in which format: the source's extension and base name,
// the output extension chosen by Image_Format.
#include <string>
#include <string_view>

namespace lumatrix {

// The part of a file name from its last "." to the end, letter case kept; empty without a dot.
std::string source_extension(std::string_view file_name);
// The file name up to the first occurrence of its extension: "photo.jpg.jpg" gives "photo".
std::string base_name(std::string_view file_name);

// The output extension for a source extension and an Image_Format text: a format keeps a source
// extension of its own kind in its stored letter case (".JPG" stays ".JPG" under "JPEG"; ".tiff"
// under any TIFF item), otherwise gives its own (".jpg", ".tif", ...); "As Is" and any text
// outside the list keep the source extension.
std::string output_extension(std::string_view source_ext, std::string_view image_format);

}  // namespace lumatrix
