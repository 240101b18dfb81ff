// `lumatrix info FILE...`: one line per image from its header alone (format, size, pixel format,
// resolution, metadata), so it stays quick on large files, then what its metadata say (the
// orientation, when it was taken, the camera, GPS, the colour profile). A folder gives its
// images.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "files/source_list.h"
#include "imaging/codec.h"
#include "imaging/image_document.h"
#include "imaging/metadata.h"

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

// What an EXIF orientation asks of a viewer.
std::string orientation_text(int value) {
  static constexpr std::string_view kMeanings[] = {"as stored",
                                                   "mirrored left to right",
                                                   "turned 180°",
                                                   "mirrored top to bottom",
                                                   "mirrored along the top-left diagonal",
                                                   "to be turned 90° clockwise",
                                                   "mirrored along the top-right diagonal",
                                                   "to be turned 90° counter-clockwise"};
  return std::to_string(value) + " (" + std::string(kMeanings[value - 1]) + ")";
}

// The metadata facts, one a line; nothing for a file without metadata, whose header line says
// all there is.
void report_facts(const ImageFacts& facts, std::ostream& out) {
  if (!facts.orientation && facts.taken.empty() && facts.camera.empty() && !facts.gps &&
      !facts.has_colour_profile)
    return;
  const auto or_none = [](const std::string& text, std::string_view none) {
    return text.empty() ? std::string(none) : text;
  };
  out << "  orientation: " << (facts.orientation ? orientation_text(*facts.orientation) : "none")
      << "\n"
      << "  taken: " << or_none(facts.taken, "unknown") << "\n"
      << "  camera: " << or_none(facts.camera, "unknown") << "\n"
      << "  GPS: " << (facts.gps ? "yes" : "no") << "\n"
      << "  colour profile: "
      << (!facts.has_colour_profile ? "none"
                                    : or_none(facts.colour_profile, "yes (without a description)"))
      << "\n";
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
  ImageFacts facts = read_image_facts(std::filesystem::path(file));
  // Exiv2 does not read every container (HEIF, JPEG XL); our own reader found the profile.
  if (!facts.has_colour_profile && !p.icc_profile.empty()) {
    facts.has_colour_profile = true;
    facts.colour_profile = icc_description(p.icc_profile);
  }
  report_facts(facts, out);
  return true;
}

// The files to describe: each FILE, and a folder's images as a folder load lists them.
std::vector<std::string> files_of(const std::vector<std::string>& names, bool recursive,
                                  std::ostream& err) {
  std::vector<std::string> files;
  for (const std::string& name : names) {
    std::error_code error;
    if (!std::filesystem::is_directory(name, error)) {
      files.push_back(name);
      continue;
    }
    SourceList folder;
    if (folder.add_folder(name, recursive) == 0)
      err << "lumatrix info: " << name << ": no images in this folder\n";
    for (const ListEntry& entry : folder.entries) {
      // Shown as the folder was named, not made absolute.
      files.push_back((std::filesystem::path(name) / entry.subfolder / entry.file_name).string());
    }
  }
  return files;
}

int run_info(const std::vector<std::string>& args) {
  std::vector<std::string> names;
  bool options_done = false, recursive = false;
  for (const std::string& a : args) {
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && (a == "--recursive" || a == "-r")) {
      recursive = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      throw unknown_option(a);
    } else {
      names.push_back(a);
    }
  }
  if (names.empty()) throw UsageError{"no image files given"};
  bool all_read = true;
  for (const std::string& file : files_of(names, recursive, std::cerr))
    all_read &= report(file, std::cout, std::cerr);
  std::cout.flush();
  return all_read ? kExitOk : kExitFailure;
}

void help_info(std::ostream& out) {
  out << "Usage: lumatrix info [--recursive] [--] FILE|FOLDER...\n"
         "Describes each image from its file header: format, width x height, pixel format,\n"
         "resolution, whether it carries EXIF data and how many IPTC records it holds. Then,\n"
         "for a file with metadata, one per line, what they say: the EXIF orientation, when it\n"
         "was taken, the camera, whether it carries GPS data, and the embedded colour profile.\n"
         "A FOLDER gives its images (the extensions a folder load takes, in name order).\n"
         "\n"
         "Options:\n"
         "  -r, --recursive      folders: their subfolders' images too\n"
         "\n"
         "A file that cannot be read is reported on standard error and the others are still\n"
         "described; the exit status is then 1.\n";
}

constexpr std::string_view kOptions[] = {"--recursive", "-r"};

}  // namespace

extern const Command info_command{
    "info", "describe image files: format, size, orientation, date, camera, GPS, profile", run_info,
    help_info, kOptions};

}  // namespace lumatrix::cli
