#include "web/after_pass.h"

#include "web/slicing.h"

namespace lumatrix {

void WebAfterPass::slice_images(Workspace& ws, RunHost& host, const Settings& settings,
                                const std::vector<GalleryRecord>& records) {
  slice_images_only(ws, host, settings, records);
}

void WebAfterPass::create_gallery(Workspace&, RunHost&, const Settings&,
                                  const std::vector<GalleryRecord>&) {}

}  // namespace lumatrix
