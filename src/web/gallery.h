#pragma once
// The HTML gallery pass: thumbnails, index pages, image pages (plain, slideshow or sliced), the
// start page and the CD autorun file, all beside the published images.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/run_host.h"
#include "engine/batch_run.h"
#include "engine/workspace.h"
#include "settings/settings.h"
#include "web/gallery_text.h"

namespace lumatrix {

// What the pass leaves for its caller.
struct GalleryResult {
  std::filesystem::path start_page;  // empty when the start slide got no page
  int pages = 0;                     // index pages written
  bool stopped = false;
};

// Opens the start page once the pass is done; without one the pass logs
// "HTML Autogeneration Done" instead.
using GalleryPreview = std::function<void(const std::filesystem::path& start_page)>;

// The whole gallery over `records`, visited in case-insensitive order of their paths. The page
// count comes from the records, so every page link leads to a written page. A failed
// thumbnail costs that image's thumbnail and a log line; a page or autorun file that cannot be
// written throws (files written so far stay).
GalleryResult create_html_gallery(Workspace& ws, const RunSeam& run, const Settings& settings,
                                  std::vector<GalleryRecord> records,
                                  const GalleryPreview& preview = {},
                                  const std::filesystem::path& viewer_folder = {});

// The navigation label for a button image: the word when `image_path` is blank or names no
// file; else the image is copied into `folder` and shown through an img element.
std::string navigation_label(ImageDocument& specs, const std::string& image_path,
                             const std::filesystem::path& folder, const std::string& word);

// `viewer_folder` holds "pagescope.exe" for the autorun copy; empty means program_folder().

// The folder the viewer "pagescope.exe" is copied from: the running program's folder.
std::filesystem::path program_folder();

}  // namespace lumatrix
