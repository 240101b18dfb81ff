#pragma once
// Lists and rules that follow from the codec rows (codec.h), so that a format is described once.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/codec.h"

namespace lumatrix {

// The Image_Format items the rows offer, in list order (the settings put "As Is" before them).
// Taken from the rows registered when it is first called.
std::span<const std::string_view> save_choice_labels();

// The save choice an Image_Format text names for the output extension, compared trimmed and
// lower-cased: an item's label or an alias names that item; otherwise a text containing a row's
// `named_within` word names the row's first item. Null for "As Is" and any other text.
const SaveChoice* save_choice_named(std::string_view image_format);

// The extensions a folder load lists, lower case with the dot, in row order.
std::span<const std::string_view> folder_load_extensions();

// The log line for a file whose content is another format than its extension names:
// "photo.jpg: content is PNG, not JPEG as its extension says; read as PNG".
std::string misnamed_notice(std::string_view file, const Codec& named, const Codec& read);

}  // namespace lumatrix
