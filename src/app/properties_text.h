#pragma once
// The "&Properties" message of the preview menus: the file's name, the picture's size, the
// file's size in kilobytes, its number of colours and its resolution, one per line.
#include <filesystem>
#include <string>

#include "imaging/image_document.h"

namespace lumatrix::app {

// `path` is the list entry's source file, `source` the picture loaded from it. Throws
// std::filesystem::filesystem_error when the file cannot be measured (moved or deleted).
std::string properties_text(const std::filesystem::path& path, const ImageDocument& source);

}  // namespace lumatrix::app
