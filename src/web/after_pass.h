#pragma once
// The web output's after-pass of a run: image slicing now, the HTML gallery later.
#include "core/batch_run.h"

namespace lumatrix {

class WebAfterPass : public AfterPass {
 public:
  // The slicing-only pass: tiles and one page per image.
  void slice_images(Workspace& ws, RunHost& host, const Settings& settings,
                    const std::vector<GalleryRecord>& records) override;
  // The HTML gallery (which also slices when both are on) is still to come; until then the
  // run's own "Begin Thumbnail Gallery Creation Process" line is all that happens.
  void create_gallery(Workspace& ws, RunHost& host, const Settings& settings,
                      const std::vector<GalleryRecord>& records) override;
};

}  // namespace lumatrix
