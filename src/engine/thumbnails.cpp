#include "engine/thumbnails.h"

#include "base/choice_text.h"
#include "engine/pipeline.h"
#include "engine/save_options.h"
#include "files/filename_pattern.h"
#include "files/subfolders.h"
#include "imaging/colour_adjust.h"
#include "imaging/frame.h"
#include "imaging/orientation.h"

namespace lumatrix {

namespace {

// The settings of one thumbnail, so both passes share one body.
struct ThumbnailSettings {
  bool enabled;
  const std::string& method;
  const std::string& resample_type;
  int width, height, percentage;
  bool keep_aspect, swap_portrait;
  const std::string& save_in;
  const std::string& prefix;
  const std::string& suffix;
  int quality;
  bool retain_header;
  const char* save_in_name;
  const char* prefix_name;
  const char* suffix_name;
};

ThumbnailSettings settings_of(const Settings& s, int which) {
  if (which == 1)
    return {s.dot1,
            s.resizing_method_t1,
            s.resampletype_t1,
            s.image_width_t1,
            s.image_height_t1,
            s.percentage_t1,
            s.dimension_aspect_ratio_t1,
            s.reversewidthheight_t1,
            s.save_in_directory_t1,
            s.file_prefix_t1,
            s.file_suffix_t1,
            s.quality_t1,
            s.retainheaderinfo1,
            "save_in_directory_t1",
            "file_prefix_t1",
            "file_suffix_t1"};
  return {s.dot2,
          s.resizing_method_t2,
          s.resampletype_t2,
          s.image_width_t2,
          s.image_height_t2,
          s.percentage_t2,
          s.dimension_aspect_ratio_t2,
          s.reversewidthheight_t2,
          s.save_in_directory_t2,
          s.file_prefix_t2,
          s.file_suffix_t2,
          s.quality_t2,
          s.retainheaderinfo2,
          "save_in_directory_t2",
          "file_prefix_t2",
          "file_suffix_t2"};
}

// Dropping the source's header must keep the colour space chosen for the saved file, as the
// main output's reset does.
void reset_file_parameters(ImageDocument& doc, const Settings& settings) {
  const bool stream_header = doc.params.stream_header;
  doc.reset_info();
  doc.params.stream_header = stream_header;
  apply_colour_space(doc.params, settings.colorspace);
}

}  // namespace

bool thumbnail_enabled(const Settings& settings, int which) {
  const ThumbnailSettings t = settings_of(settings, which);
  return t.enabled && !choice_is(t.method, "as is");
}

ResizeOptions thumbnail_resize_options(const Settings& settings, int which, ResampleFilter filter) {
  const ThumbnailSettings t = settings_of(settings, which);
  ResizeOptions o;
  o.method = t.method;
  o.width = t.width;
  o.height = t.height;
  o.percentage = t.percentage;
  o.keep_aspect = t.keep_aspect;
  o.swap_portrait = t.swap_portrait;
  o.filter = filter;
  o.enlarging_methods = false;
  return o;
}

std::string thumbnail_name(const Settings& settings, int which, const OutputTarget& target,
                           long long position) {
  const ThumbnailSettings t = settings_of(settings, which);
  if (trim_blanks(t.prefix).empty() && trim_blanks(t.suffix).empty())
    return target.base_name + target.output_extension;
  return changefilename_thumbnail(settings, target.base_name, target.output_extension, position,
                                  t.prefix, t.suffix);
}

std::optional<std::string> make_thumbnail(Workspace& ws, RunHost& host, const Settings& settings,
                                          const ThumbnailJob& job, int which,
                                          OutputCounts& counts) {
  const ThumbnailSettings t = settings_of(settings, which);
  const std::string subject = "Thumbnail " + std::to_string(which);
  ImageDocument& doc = ws.processimage;

  // Each thumbnail starts again from the source, never from the processed main image.
  doc.raster = Raster{};
  doc.deselect();
  doc.params.stream_header = t.retain_header;
  try {
    doc.load(ws.current_source_path);
  } catch (const std::exception& error) {
    host.log(subject + " not made: " + error.what());
    return std::nullopt;
  }
  doc.params.stream_header = t.retain_header;
  if (doc.empty()) {
    host.log(subject + " not made: " + ws.current_source_path.string() + " could not be read");
    return std::nullopt;
  }

  ws.resample_filter = resample_filter_for(t.resample_type);
  resize_document(doc, host, thumbnail_resize_options(settings, which, ws.resample_filter),
                  subject);
  apply_orientation(doc, job.entry.orientation);
  host.process_events();
  adjust_brightness(doc, settings.brightness);
  host.process_events();
  adjust_contrast(doc, settings.contrast);
  host.process_events();
  if (settings.Grayscale) apply_grayscale(doc);
  if (settings.negative) apply_negative(doc);
  host.process_events();
  apply_effects(doc, effects_options(settings));
  if (!choice_is(settings.frame, "none")) apply_frame(doc, frame_options(settings));

  // Thumbnail 1 takes its header and format options before it is named; thumbnail 2 after.
  const auto prepare_parameters = [&] {
    if (!t.retain_header) reset_file_parameters(doc, settings);
    apply_save_options(settings, doc);
  };
  if (which == 1) prepare_parameters();

  const std::string directory = expand_save_in(t.save_in, job.entry.file_path);
  const std::string name = thumbnail_name(settings, which, job.target, job.position);
  const bool directory_ready = prepare_output_directory(directory, host, counts);
  if (which == 2) prepare_parameters();

  const std::filesystem::path path = directory + name;
  for (const std::filesystem::path& other : job.protected_paths) {
    if (same_file(path, other)) {
      // Without its own folder or affixes a thumbnail takes the main output's name and would
      // replace it (or, in an "As Is" run in place, the source itself).
      host.log(subject + " not saved: " + path.string() +
               " is this image's own output or source; set " + t.save_in_name + ", " +
               t.prefix_name + " or " + t.suffix_name + " to give thumbnails their own name");
      ++counts.refused;
      return path.string();
    }
  }

  host.log("Saving " + directory + name + " ....");
  host.process_events();
  if (which == 1) doc.params.iptc.clear();
  doc.params.jpeg_quality = t.quality;
  doc.params.png_compression = png_level_from_quality(t.quality);
  if (directory_ready) save_output(doc, path, host, counts);
  return path.string();
}

}  // namespace lumatrix
