#pragma once
// The per-image pipeline: one list entry in, the processed image left in the workspace's work
// document. It never saves; the caller applies the save options and writes the file.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_host.h"
#include "engine/workspace.h"
#include "imaging/colour_adjust.h"
#include "imaging/decode_resized.h"
#include "imaging/frame.h"
#include "imaging/orientation.h"
#include "imaging/profile_use.h"
#include "imaging/resize_plan.h"
#include "settings/settings.h"

namespace lumatrix {

// One row of the Control Center list as the pipeline sees it.
struct PipelineEntry {
  int position = 1;         // 1-based row in the list
  std::string output_name;  // formed by the caller; the captions may print it
  std::string file_name;    // name with extension
  Choice<OrientationChoice> orientation = "As Is";
  std::string display_name;
  std::string caption;
  std::filesystem::path original_file_path;  // the source's directory

  std::filesystem::path source_path() const { return original_file_path / file_name; }
};

// Where the captions and watermarks plug in. Each acts on `processimage` (with `resizer` as
// scratch); `which` is 1 or 2. Empty functions draw nothing. A batch run calls them from its
// workers at once, each with its own workspace, so they keep no state of their own.
struct Overlays {
  std::function<void(Workspace&, EventSink&, const Settings&, const PipelineEntry&, int which)>
      caption;
  std::function<void(Workspace&, EventSink&, const Settings&, int which)> watermark;
};

// Runs every step on the entry, in order: load, validity test, crop, resize, orientation,
// brightness, contrast, captions, watermarks, grey, negative, effects, frame, colour depth and
// the header reset. Returns false, with the line "Skipping Invalid Image : " + file name, when
// the source cannot be loaded or is narrower or lower than 5 pixels; the run goes on. On
// success the result is in `processimage`; with the workspace's keep_views, the source is in
// `Image` and a copy of the result in `afterpreview`, which are left alone otherwise. The work
// document's stream-header flag is the caller's and is kept. Failures inside a later operation
// throw (ImageError) to the caller.
bool process_image(Workspace& ws, EventSink& events, const Settings& settings,
                   const PipelineEntry& entry, const Overlays& overlays = {});

// One resize of `doc`: plans, logs the one progress line and resamples. The fixed-factor,
// percentage and exact-size methods log "Resampling <subject> from WxH to W'xH'" after
// resampling and let errors through; the pixel methods log "Resampling Image from ..." before
// it, and an error there clears the image to its background and the run goes on. The thumbnail
// passes call this with their own options and subject ("Thumbnail 1").
void resize_document(ImageDocument& doc, EventSink& events, const ResizeOptions& options,
                     std::string_view subject = "Image");

// The source as loaded by load_source: the picture's size in the file, and the resize that ran
// while it decoded, if one did.
struct SourceLoad {
  int width = 0, height = 0;
  std::optional<ResizePlan> resized;
  bool turned = false;  // turned upright by its EXIF Orientation
};

// Loads `path` into `doc` as ImageDocument::load does (throwing what it throws). With `resize`,
// and a picture of at least 5x5 pixels, the resize resize_document would make next runs while
// the file decodes, so that the full-size picture never exists: with ResizeSpeed::Exact the
// document then holds the very pixels of load followed by resize_document. Where that resize
// would fail or do nothing, the picture is loaded whole and `resized` stays empty: the caller
// resizes as before. Logs nothing; log_resize says what a resize during the load did.
// With `upright`, a picture whose EXIF asks for a turn (turn_upright) is turned as loaded, and
// any resize is planned on the upright picture: such a file is loaded whole, so the fit box
// sees it as it will be shown. Other files load exactly as without it.
// Then `colours` says what becomes of an embedded colour profile (apply_colour_profile); to
// convert, a file with a profile is loaded whole, as its pixels are converted before resizing.
SourceLoad load_source(ImageDocument& doc, const std::filesystem::path& path,
                       const ResizeOptions* resize, ResizeSpeed speed, bool upright,
                       ColourProfiles colours);
// The line resize_document logs for the resize made while loading.
void log_resize(EventSink& events, const SourceLoad& loaded, std::string_view subject);

// For a picture whose header is kept: its metadata as metadata_keep says, fitted to the
// picture as it now is (fit_metadata); reshaped when it was turned, resized or cropped since
// `loaded`, or turned by the list's `orientation`.
void fit_kept_metadata(ImageDocument& doc, const Settings& settings, const SourceLoad& loaded,
                       Orientation orientation);

// The Grayscale step of runs and thumbnails: apply_grayscale, and the colour profile dropped.
void apply_grayscale_step(ImageDocument& doc);

// Exact, or Fast when the run asks for the fast JPEG resize (fast_resize).
ResizeSpeed resize_speed(const Settings& settings);

// The files every entry reads besides its source: the watermark images the pipeline draws.
std::vector<std::filesystem::path> shared_inputs(const Settings& settings,
                                                 const Overlays& overlays);

// The main resize options of the settings, with the filter chosen for this image.
ResizeOptions main_resize_options(const Settings& settings, ResampleFilter filter);
// The effects and frame options of the settings (views into `settings`).
EffectsOptions effects_options(const Settings& settings);
FrameOptions frame_options(const Settings& settings);

}  // namespace lumatrix
