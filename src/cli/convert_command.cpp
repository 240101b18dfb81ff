// lumatrix convert SOURCE TARGET: one image through the same save options a run gives its main
// output, in the format TARGET's extension names.
#include <filesystem>
#include <iostream>

#include "base/image_error.h"
#include "cli/command.h"
#include "cli/job_options.h"
#include "engine/save_options.h"
#include "imaging/codec.h"
#include "imaging/format_facts.h"
#include "imaging/image_document.h"
#include "imaging/profile_use.h"

namespace lumatrix::cli {
namespace {

void help(std::ostream& out) {
  out << "Usage: lumatrix convert SOURCE TARGET [--profile FILE] [--set NAME=VALUE]...\n"
         "Loads SOURCE, applies the saving options of the job settings (JPEG quality,\n"
         "smoothing, progressive and Huffman options, PNG level, TIFF compression from\n"
         "Image_Format, GIF interlacing, DPI_Setting; EXIF and IPTC kept or dropped by\n"
         "retainheaderinfo and iptc_header) and saves TARGET in the format its extension\n"
         "names. Missing folders of TARGET are created; TARGET is replaced whole or not at "
         "all.\n\n";
  describe_job_options(out);
  out << "\nFormats by extension:\n";
  for (const Codec& codec : codecs()) {
    if (!codec.decode && !codec.encode) continue;  // listed by a folder load, but no codec
    out << "  " << codec.name << ":";
    for (std::string_view ext : codec.extensions) out << " " << ext;
    out << (codec.decode && codec.encode ? ""
            : codec.decode               ? "  (read only)"
                                         : "  (write only)")
        << "\n";
  }
}

std::string extension_or_none(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  return ext.empty() ? "no extension" : "extension '" + ext + "'";
}

int run(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  const JobOptions job = parse_job_options(args, files);
  for (const std::string& f : files)
    if (f.size() > 1 && f[0] == '-') throw unknown_option(f);
  if (files.size() != 2) throw UsageError{"expected SOURCE and TARGET"};
  const std::filesystem::path source = files[0], target = files[1];

  const Settings settings = job_settings(job, std::cerr);
  const Codec* writer = find_codec(target);
  if (writer == nullptr || writer->encode == nullptr) {
    std::cerr << "lumatrix convert: " << target.string() << ": cannot write images with "
              << extension_or_none(target) << "\n";
    return kExitFailure;
  }

  ImageDocument document;
  const ColourProfiles colours = settings.colour_profiles.value();
  document.params.cmyk_by_profile = colours == ColourProfiles::ConvertToSrgb;
  if (!document.load(source)) {
    std::cerr << "lumatrix convert: " << source.string() << ": cannot read images with "
              << extension_or_none(source) << "\n";
    return kExitFailure;
  }
  apply_colour_profile(document, colours);
  for (const std::string& line : document.read_notices(source.string()))
    std::cerr << "lumatrix convert: " << line << "\n";
  if (!settings.retainheaderinfo) document.reset_info();
  apply_save_options(settings, document);
  if (!settings.iptc_header) document.params.iptc.clear();

  if (target.has_parent_path()) {
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) throw ImageError(target.parent_path(), error.message());
  }
  document.save(target);
  return kExitOk;
}

}  // namespace

extern const Command convert_command{
    "convert", "convert one image, applying the saving options", run, help, {}, true};

}  // namespace lumatrix::cli
