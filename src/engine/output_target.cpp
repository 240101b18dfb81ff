#include "engine/output_target.h"

#include <system_error>

#include "base/image_error.h"
#include "engine/output_naming.h"
#include "files/filename_pattern.h"

namespace lumatrix {

OutputTarget output_target(const Settings& settings, const ListEntry& entry, long long position) {
  OutputTarget t;
  t.source_extension = source_extension(entry.file_name);
  t.base_name = base_name(entry.file_name);
  t.output_extension = output_extension(t.source_extension, settings.Image_Format);
  t.output_name =
      settings.use_filename_changer
          ? changefilename(settings, t.base_name, t.output_extension, position, entry.full_path())
          : t.base_name + t.output_extension;
  return t;
}

PipelineEntry pipeline_entry(const ListEntry& entry, long long position,
                             const std::string& output_name) {
  PipelineEntry p;
  p.position = static_cast<int>(position);
  p.output_name = output_name;
  p.file_name = entry.file_name;
  p.orientation = entry.orientation;
  p.display_name = entry.display_name;
  p.caption = entry.caption;
  p.original_file_path = entry.file_path;
  return p;
}

bool prepare_output_directory(const std::string& directory, EventSink& events,
                              OutputCounts& counts) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (!error) return true;
  events.log("Error: " + directory + ": " + error.message());
  ++counts.failed;
  return false;
}

bool save_output(const ImageDocument& doc, const std::filesystem::path& path, EventSink& events,
                 OutputCounts& counts) {
  try {
    if (doc.save(path)) {
      ++counts.saved;
      return true;
    }
    const std::string ext = path.extension().string();
    events.log("Not saved: " + path.string() + ": no image writer for " +
               (ext.empty() ? std::string("names without an extension") : "\"" + ext + "\" files") +
               " (choose an Image_Format)");
    ++counts.unwritten;
  } catch (const std::exception& error) {
    events.log(std::string("Error: ") + error.what());
    ++counts.failed;
  }
  return false;
}

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error) && !error) return true;
  const auto normal = [](const std::filesystem::path& p) {
    std::error_code e;
    auto result = std::filesystem::weakly_canonical(std::filesystem::absolute(p, e), e);
    return e ? std::filesystem::absolute(p).lexically_normal() : result;
  };
  return normal(a) == normal(b);
}

}  // namespace lumatrix
