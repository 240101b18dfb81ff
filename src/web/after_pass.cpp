#include "web/after_pass.h"

#include <exception>

#include "base/image_error.h"
#include "web/gallery.h"
#include "web/slicing.h"

namespace lumatrix {

void WebAfterPass::slice_images(Workspace& ws, const RunSeam& run, const Settings& settings,
                                const std::vector<GalleryRecord>& records) {
  slice_images_only(ws, run, settings, records);
}

void WebAfterPass::create_gallery(Workspace& ws, const RunSeam& run, const Settings& settings,
                                  const std::vector<GalleryRecord>& records) {
  // A page that cannot be written ends the gallery, not the run: what was written stays.
  try {
    create_html_gallery(ws, run, settings, records, preview, viewer_folder);
  } catch (const ImageError& error) {
    run.events.log("Error: HTML Gallery: " + error.path().string() + ": " + error.reason());
  } catch (const std::exception& error) {
    run.events.log(std::string("Error: HTML Gallery: ") + error.what());
  }
}

}  // namespace lumatrix
