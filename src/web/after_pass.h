#pragma once
// The web output's after-pass of a run: image slicing, or the HTML gallery (which slices its
// image pages itself when both are on).
#include <filesystem>

#include "engine/batch_run.h"
#include "web/gallery.h"

namespace lumatrix {

class WebAfterPass : public AfterPass {
 public:
  // Shows the gallery's start page when Previewafter is on; unset, the pass logs
  // "HTML Autogeneration Done" instead.
  GalleryPreview preview;
  // Where "pagescope.exe" is copied from for the autorun file; empty is the program's folder.
  std::filesystem::path viewer_folder;

  // The slicing-only pass: tiles and one page per image.
  void slice_images(Workspace& ws, const RunSeam& run, const Settings& settings,
                    const std::vector<GalleryRecord>& records) override;
  // The gallery: thumbnails, index pages, image pages, start page and autorun file. An error
  // that ends it is a log line.
  void create_gallery(Workspace& ws, const RunSeam& run, const Settings& settings,
                      const std::vector<GalleryRecord>& records) override;
};

}  // namespace lumatrix
