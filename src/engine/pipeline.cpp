#include "engine/pipeline.h"

#include <exception>
#include <optional>
#include <utility>

#include "base/choice_text.h"
#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/metadata.h"
#include "imaging/orientation.h"
#include "imaging/resample.h"
#include "imaging/row_resampler.h"
#include "settings/setting_groups.h"

namespace lumatrix {

namespace {

// Smaller sources are taken for failed loads (an unreadable file leaves the document empty).
constexpr int kMinimumSide = 5;

std::string size_text(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string resampling_line(std::string_view subject, int w, int h, const ResizePlan& plan) {
  return "Resampling " + std::string(subject) + " from " + size_text(w, h) + " to " +
         size_text(plan.width, plan.height);
}

// The fixed-factor, percentage and exact-size methods name their subject; the pixel methods
// always say "Image".
std::string_view line_subject(const ResizePlan& plan, std::string_view subject) {
  return plan.kind == ResizeKind::Direct ? subject : "Image";
}

// The sides a plan hands to resample. "Downsize by %" beyond 100 computes two negative sides.
// Resample ignores a request whose sides are both negative, which would leave the image at full
// size although the user asked for a smaller one; the sides are meant by their size, so they go
// in as such (150 % gives half the size). The log line keeps the computed target.
std::pair<int, int> resample_sides(const ResizePlan& plan) {
  const bool both_negative = plan.kind == ResizeKind::Direct && plan.width < 0 && plan.height < 0;
  return both_negative ? std::pair{-plan.width, -plan.height} : std::pair{plan.width, plan.height};
}

// The pixel methods must not end the run: the image is blanked at its current size instead,
// and the reason goes to the log so the black result is not a mystery.
void clear_after_failure(ImageDocument& doc, EventSink& events, const std::exception& error) {
  doc.clear();
  events.log(std::string("Resize failed, image cleared: ") + error.what());
}

// Only files whose reader keeps their EXIF can be turned; the others are not opened twice.
bool asks_for_turn(const std::filesystem::path& path) {
  const Codec* codec = find_codec(path);
  if (codec == nullptr || !codec->can.exif) return false;
  const std::optional<int> tag = read_image_facts(path).orientation;
  return tag && *tag >= 2;
}

// Whether the file embeds a colour profile, from its header alone; a file that cannot be read
// says no, and its load then reports why.
bool has_colour_profile(const std::filesystem::path& path) {
  ImageDocument probe;
  try {
    return probe.read_params(path) && !probe.params.icc_profile.empty();
  } catch (const ImageError&) {
    return false;
  }
}

bool drawn(const CaptionGroup& caption) {
  return !trim_blanks(caption.text.text()).empty() &&
         caption.placement.value().anchor != CaptionAnchor::None;
}

bool drawn(const WatermarkGroup& watermark) {
  return !trim_blanks(watermark.file).empty() &&
         watermark.placement.value() != WatermarkPlacement::None;
}

}  // namespace

std::vector<std::filesystem::path> shared_inputs(const Settings& settings,
                                                 const Overlays& overlays) {
  std::vector<std::filesystem::path> files;
  for (int which : {1, 2}) {
    const WatermarkGroup watermark = watermark_group(settings, which);
    if (overlays.watermark && drawn(watermark))
      files.emplace_back(std::string(trim_blanks(watermark.file)));
  }
  return files;
}

ResizeOptions main_resize_options(const Settings& s, ResampleFilter filter) {
  ResizeOptions o;
  o.method = s.resizing_method.value();
  o.width = s.image_width;
  o.height = s.image_height;
  o.percentage = s.percentage;
  o.keep_aspect = s.dimension_aspect_ratio;
  o.swap_portrait = s.reverse_widthheight;
  o.filter = filter;
  return o;
}

EffectsOptions effects_options(const Settings& s) {
  return {s.red, s.green, s.blue, s.colorspace.value(), s.filter.value()};
}

FrameOptions frame_options(const Settings& s) {
  return {s.frame.value(), rgb_of(s.framecolor.ColorValue), s.framethickness, s.effectxoffset,
          s.effectyoffset};
}

void resize_document(ImageDocument& doc, EventSink& events, const ResizeOptions& options,
                     std::string_view subject) {
  const int w = doc.width(), h = doc.height();
  std::optional<ResizePlan> plan;
  try {
    plan = plan_resize(options, w, h);
  } catch (const ImageError& error) {
    // Only the pixel methods can fail to plan, and they run under the guard.
    clear_after_failure(doc, events, error);
    return;
  }
  if (!plan) return;

  const auto [width, height] = resample_sides(*plan);
  if (plan->kind == ResizeKind::Direct) {
    resample(doc, width, height, plan->filter);
    events.log(resampling_line(subject, w, h, *plan));
    return;
  }
  events.log(resampling_line("Image", w, h, *plan));
  try {
    resample(doc, width, height, plan->filter);
  } catch (const std::exception& error) {
    clear_after_failure(doc, events, error);
  }
}

SourceLoad load_source(ImageDocument& doc, const std::filesystem::path& path,
                       const ResizeOptions* resize, ResizeSpeed speed, bool upright,
                       ColourProfiles colours) {
  SourceLoad loaded;
  // The streamed resize plans on the stored sides before any pixel exists; a picture to be
  // turned is planned on its upright sides instead, by the whole-picture path.
  if (upright && resize != nullptr && asks_for_turn(path)) resize = nullptr;
  // A conversion to sRGB works on the stored pixels, before a resize mixes them.
  const bool convert = colours == ColourProfiles::ConvertToSrgb;
  if (convert && resize != nullptr && has_colour_profile(path)) resize = nullptr;
  doc.params.cmyk_by_profile = convert;
  if (resize == nullptr) {
    doc.load(path);
  } else {
    // Called with each decoder's size (a misnamed file may be tried by two): the plan kept is
    // the one of the decoder that read the file.
    const ChooseTarget choose = [&](int w, int h) -> std::optional<ResampleTarget> {
      loaded.resized.reset();
      // Too small to be an image: the run skips it unchanged.
      if (w < kMinimumSide || h < kMinimumSide) return std::nullopt;
      std::optional<ResizePlan> plan;
      try {
        plan = plan_resize(*resize, w, h);
      } catch (const ImageError&) {
        return std::nullopt;  // resize_document deals with it, on the whole picture
      }
      if (!plan) return std::nullopt;
      const auto [width, height] = resample_sides(*plan);
      const auto target = resample_target(w, h, width, height);
      if (!target || !resample_accepts(target->first, target->second, plan->filter))
        return std::nullopt;
      loaded.resized = plan;
      return ResampleTarget{target->first, target->second, plan->filter};
    };
    doc.load_resized(path, choose, speed);
  }
  apply_colour_profile(doc, colours);
  if (upright) loaded.turned = turn_upright(doc);
  if (doc.empty()) loaded.resized.reset();
  if (loaded.resized) {
    loaded.width = doc.params.width;
    loaded.height = doc.params.height;
  } else {
    loaded.width = doc.width();
    loaded.height = doc.height();
  }
  return loaded;
}

void log_resize(EventSink& events, const SourceLoad& loaded, std::string_view subject) {
  if (!loaded.resized) return;
  events.log(resampling_line(line_subject(*loaded.resized, subject), loaded.width, loaded.height,
                             *loaded.resized));
}

void fit_kept_metadata(ImageDocument& doc, const Settings& settings, const SourceLoad& loaded,
                       Orientation orientation) {
  const bool turned_by_list =
      orientation != Orientation::AsIs && orientation != Orientation::Unrecognised;
  const bool reshaped = loaded.turned || loaded.resized || turned_by_list ||
                        doc.width() != loaded.width || doc.height() != loaded.height;
  fit_metadata(doc.params, settings.metadata_keep.value(), doc.width(), doc.height(), reshaped);
}

void apply_grayscale_step(ImageDocument& doc) {
  apply_grayscale(doc);
  // Greys made by a fixed formula are neutral greys whatever space the source was in; the
  // source's colour profile would read them as that space's.
  doc.params.icc_profile.clear();
}

ResizeSpeed resize_speed(const Settings& settings) {
  return settings.fast_resize ? ResizeSpeed::Fast : ResizeSpeed::Exact;
}

bool process_image(Workspace& ws, EventSink& events, const Settings& settings,
                   const PipelineEntry& entry, const Overlays& overlays) {
  ImageDocument& doc = ws.processimage;
  doc.raster = Raster{};
  doc.deselect();
  ws.resample_filter = settings.resampletype.value();

  ws.current_source_path = entry.source_path();
  const bool resizing = settings.resizing_method.value() != ResizeMethod::AsIs;
  // The resize runs while decoding when it is the first pixel step and no view needs the
  // full-size source.
  const bool resize_first = resizing && !ws.keep_views && settings.cropby.value() == CropBy::None;
  const ResizeOptions resize = main_resize_options(settings, ws.resample_filter);
  SourceLoad loaded;
  std::string load_error;
  try {
    loaded =
        load_source(doc, ws.current_source_path, resize_first ? &resize : nullptr,
                    resize_speed(settings), settings.auto_orient, settings.colour_profiles.value());
    for (const std::string& line : doc.read_notices(entry.file_name)) events.log(line);
  } catch (const std::exception& error) {
    load_error = error.what();
    loaded = {};
  }

  if (ws.keep_views) ws.Image.assign(doc);
  if (loaded.width < kMinimumSide || loaded.height < kMinimumSide) {
    events.log("Skipping Invalid Image : " + entry.file_name);
    if (!load_error.empty()) events.log(load_error);
    return false;
  }

  if (settings.cropby.value() != CropBy::None)
    apply_crop(doc, {settings.cropx1, settings.cropy1, settings.cropx2, settings.cropy2});
  if (loaded.resized)
    log_resize(events, loaded, "Image");
  else if (resizing)
    resize_document(doc, events, resize);

  apply_orientation(doc, entry.orientation.value());
  adjust_brightness(doc, settings.brightness);
  adjust_contrast(doc, settings.contrast);

  for (int which : {1, 2}) {
    if (overlays.caption && drawn(caption_group(settings, which)))
      overlays.caption(ws, events, settings, entry, which);
  }
  for (int which : {1, 2}) {
    if (overlays.watermark && drawn(watermark_group(settings, which)))
      overlays.watermark(ws, events, settings, which);
  }

  if (settings.Grayscale) apply_grayscale_step(doc);
  if (settings.negative) apply_negative(doc);

  apply_effects(doc, effects_options(settings));
  apply_frame(doc, frame_options(settings));
  apply_colour_depth(doc, settings.colordepth.value());

  if (settings.retainheaderinfo) {
    fit_kept_metadata(doc, settings, loaded, entry.orientation.value());
  } else {
    doc.reset_info();
    // Dropping the source's header must not undo the colour space the user chose for the
    // saved file, so the choice is applied again over the defaults.
    apply_colour_space(doc.params, settings.colorspace.value());
  }

  if (ws.keep_views) ws.afterpreview.assign(doc);
  return true;
}

}  // namespace lumatrix
