#include "engine/thumbnails.h"

#include "base/choice_text.h"
#include "engine/pipeline.h"
#include "engine/save_options.h"
#include "files/filename_pattern.h"
#include "imaging/colour_adjust.h"
#include "imaging/frame.h"
#include "imaging/orientation.h"
#include "settings/setting_groups.h"

namespace lumatrix {

namespace {

// Dropping the source's header must keep the colour space chosen for the saved file, as the
// main output's reset does.
void reset_file_parameters(ImageDocument& doc, const Settings& settings) {
  const bool stream_header = doc.params.stream_header;
  doc.reset_info();
  doc.params.stream_header = stream_header;
  apply_colour_space(doc.params, settings.colorspace.value());
}

}  // namespace

bool thumbnail_enabled(const Settings& settings, int which) {
  const ThumbnailGroup t = thumbnail_group(settings, which);
  return t.enabled && t.method.value() != ResizeMethod::AsIs;
}

ResizeOptions thumbnail_resize_options(const Settings& settings, int which, ResampleFilter filter) {
  const ThumbnailGroup t = thumbnail_group(settings, which);
  ResizeOptions o;
  o.method = t.method.value();
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
  const ThumbnailGroup t = thumbnail_group(settings, which);
  if (trim_blanks(t.prefix).empty() && trim_blanks(t.suffix).empty())
    return target.base_name + target.output_extension;
  return changefilename_thumbnail(settings, target.base_name, target.output_extension, position,
                                  t.prefix, t.suffix);
}

std::optional<std::string> make_thumbnail(Workspace& ws, EventSink& events,
                                          const Settings& settings, const ThumbnailJob& job,
                                          int which, OutputCounts& counts) {
  const ThumbnailGroup t = thumbnail_group(settings, which);
  const std::string subject = "Thumbnail " + std::to_string(which);
  ImageDocument& doc = ws.processimage;
  const PlannedOutput& planned = job.outputs[which - 1].value();
  if (planned.skip) {
    ++counts.kept;
    return planned.path();
  }

  // Each thumbnail starts again from the source, never from the processed main image.
  doc.raster = Raster{};
  doc.deselect();
  doc.params.stream_header = t.retain_header;
  ws.resample_filter = t.resample_type.value();
  const ResizeOptions resize = thumbnail_resize_options(settings, which, ws.resample_filter);
  // The resize is the thumbnail's first step, so it runs while the source decodes.
  SourceLoad loaded;
  try {
    loaded = load_source(doc, ws.current_source_path, &resize, resize_speed(settings),
                         settings.auto_orient, settings.colour_profiles.value());
  } catch (const std::exception& error) {
    events.log(subject + " not made: " + error.what());
    return std::nullopt;
  }
  doc.params.stream_header = t.retain_header;
  if (doc.empty()) {
    events.log(subject + " not made: " + ws.current_source_path.string() + " could not be read");
    return std::nullopt;
  }

  if (loaded.resized)
    log_resize(events, loaded, subject);
  else
    resize_document(doc, events, resize, subject);
  apply_orientation(doc, job.entry.orientation.value());
  adjust_brightness(doc, settings.brightness);
  adjust_contrast(doc, settings.contrast);
  if (settings.Grayscale) apply_grayscale_step(doc);
  if (settings.negative) apply_negative(doc);
  apply_effects(doc, effects_options(settings));
  apply_frame(doc, frame_options(settings));

  // Deliberate: thumbnail 1 takes its header and format options before it is named, thumbnail
  // 2 after, the order runs have always followed; nothing in between reads them, so both
  // orders save the same file.
  const auto prepare_parameters = [&] {
    if (t.retain_header)
      fit_kept_metadata(doc, settings, loaded, job.entry.orientation.value());
    else
      reset_file_parameters(doc, settings);
    apply_save_options(settings, doc);
  };
  if (which == 1) prepare_parameters();

  const std::string& directory = planned.directory;
  const std::string& name = planned.name;
  const bool directory_ready = prepare_output_directory(directory, events, counts);
  if (which == 2) prepare_parameters();

  const std::filesystem::path path = directory + name;
  for (const std::filesystem::path& other : job.protected_paths) {
    if (same_file(path, other)) {
      // Without its own folder or affixes a thumbnail takes the main output's name and would
      // replace it (or, in an "As Is" run in place, the source itself).
      const ThumbnailGroupNames names = thumbnail_group_names(which);
      events.log(subject + " not saved: " + path.string() +
                 " is this image's own output or source; set " + std::string(names.save_in) + ", " +
                 std::string(names.prefix) + " or " + std::string(names.suffix) +
                 " to give thumbnails their own name");
      ++counts.refused;
      return path.string();
    }
  }

  events.log("Saving " + directory + name + " ....");
  // Deliberate: thumbnail 1 never carries IPTC records while thumbnail 2 keeps them as loaded
  // (unless the reset emptied them), as earlier runs wrote them.
  if (which == 1) doc.params.iptc.clear();
  doc.params.jpeg_quality = t.quality;
  doc.params.png_compression = png_level(settings, t.quality);
  if (directory_ready) save_output(doc, path, events, counts, job.never_replace);
  return path.string();
}

}  // namespace lumatrix
