// `lumatrix info FILE...`: one line per image from its header alone (format, size, pixel format,
// resolution, metadata), so it stays quick on large files.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "imaging/codec.h"
#include "imaging/image_document.h"

namespace lumatrix::cli {

namespace {

// What a one-sample image is, by what the codec that read it can hold: indices into a colour
// table where it reads palettes but not grey, grey where the reverse, otherwise either.
std::string describe_pixels(const IOParams& p, const Capabilities& can) {
  const std::string bits = std::to_string(p.bits_per_sample);
  switch (p.samples_per_pixel) {
    case 1:
      if (p.bits_per_sample == 1) return "1-bit";
      if (can.palette && !can.grey) return bits + "-bit palette";
      if (can.grey && !can.palette) return bits + "-bit grey";
      return bits + "-bit grey or palette";
    case 2:
      return bits + "-bit grey + alpha";
    case 3:
      return std::to_string(p.bits_per_sample * 3) + "-bit RGB";
    case 4:
      return std::to_string(p.bits_per_sample * 3) + "-bit RGB + alpha";
    default:
      return bits + " bits x " + std::to_string(p.samples_per_pixel) + " samples";
  }
}

// Reports one file on `out`; failures go to `err` and return false.
bool report(const std::string& file, std::ostream& out, std::ostream& err) {
  ImageDocument document;
  try {
    if (!document.read_params(file)) {
      const std::string ext = std::filesystem::path(file).extension().string();
      err << "lumatrix info: " << file << ": unknown image format"
          << (ext.empty() ? std::string(" (no extension)") : " (extension \"" + ext + "\")")
          << "\n";
      return false;
    }
  } catch (const std::exception& e) {
    err << "lumatrix info: " << e.what() << "\n";
    return false;
  }
  const IOParams& p = document.params;
  const Codec& codec = *document.read_with();
  std::string format(codec.name);
  if (const Codec* named = document.misnamed_as())
    format += " (named as " + std::string(named->name) + ")";
  out << file << ": " << format << ", " << p.width << " x " << p.height << ", "
      << describe_pixels(p, codec.can) << ", " << p.dpi_x << " x " << p.dpi_y << " DPI"
      << ", EXIF: " << (p.exif.empty() ? "no" : "yes") << ", IPTC records: " << p.iptc.size()
      << "\n";
  return true;
}

int run_info(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  bool options_done = false;
  for (const std::string& a : args) {
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      throw UsageError{"unknown option '" + a + "'"};
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) throw UsageError{"no image files given"};
  bool all_read = true;
  for (const std::string& file : files) all_read &= report(file, std::cout, std::cerr);
  std::cout.flush();
  return all_read ? kExitOk : kExitFailure;
}

void help_info(std::ostream& out) {
  out << "Usage: lumatrix info [--] FILE...\n"
         "Describes each image from its file header: format, width x height, pixel format,\n"
         "resolution, whether it carries EXIF data and how many IPTC records it holds.\n"
         "A file that cannot be read is reported on standard error and the others are still\n"
         "described; the exit status is then 1.\n";
}

}  // namespace

extern const Command info_command{"info", "describe image files from their headers", run_info,
                                  help_info};

}  // namespace lumatrix::cli
