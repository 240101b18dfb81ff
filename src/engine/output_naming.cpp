#include "engine/output_naming.h"

#include <initializer_list>

#include "base/choice_text.h"

namespace lumatrix {

std::string source_extension(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  const size_t slash = file_name.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(file_name.substr(dot));
}

std::string base_name(std::string_view file_name) {
  const std::string ext = source_extension(file_name);
  if (ext.empty()) return std::string(file_name);
  return std::string(file_name.substr(0, file_name.find(ext)));
}

std::string output_extension(std::string_view source_ext, std::string_view image_format) {
  const std::string format = normalized_choice(image_format);
  const std::string source = normalized_choice(source_ext);
  struct Rule {
    bool applies;
    std::initializer_list<std::string_view> kept;  // first: the extension it gives otherwise
  };
  // Tested in this order; the first that applies decides.
  const Rule rules[] = {
      {format == "tga", {".tga"}},
      {format == "pbm", {".pbm"}},
      {format == "pgm", {".pgm"}},
      {format == "ppm", {".ppm"}},
      {format == "jpg" || format == "jpeg", {".jpg", ".jpeg"}},
      {format.find("tiff") != std::string::npos, {".tif", ".tiff"}},
      {format == "bmp", {".bmp"}},
      {format == "pcx", {".pcx"}},
      {format == "png", {".png"}},
      {format == "gif", {".gif"}},
  };
  for (const Rule& rule : rules) {
    if (!rule.applies) continue;
    for (std::string_view kept : rule.kept)
      if (source == kept) return std::string(source_ext);
    return std::string(*rule.kept.begin());
  }
  return std::string(source_ext);
}

}  // namespace lumatrix
