#include "engine/output_naming.h"

#include "base/choice_text.h"
#include "imaging/format_facts.h"

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
  const SaveChoice* choice = save_choice_named(image_format);
  if (choice == nullptr) return std::string(source_ext);
  const std::string source = normalized_choice(source_ext);
  for (std::string_view kept : choice->extensions)
    if (source == kept) return std::string(source_ext);
  return std::string(choice->extensions.front());
}

}  // namespace lumatrix
