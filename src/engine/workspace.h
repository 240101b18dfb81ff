#pragma once
// The named image documents of one processing run and what the pipeline keeps between images.
// Each worker owns its own workspace; nothing here is global.
#include <filesystem>

#include "imaging/image_document.h"
#include "imaging/resample.h"

namespace lumatrix {

// A run never undoes, so its documents keep no undo copy: each would be a copy of the whole
// picture before every step. The single-image commands, which do undo, use documents of their
// own.
inline ImageDocument work_document() {
  ImageDocument doc;
  doc.auto_undo = false;
  return doc;
}

struct Workspace {
  ImageDocument Image = work_document();         // the "Before" view: the source after loading
  ImageDocument processimage = work_document();  // the work document, saved by the caller
  ImageDocument afterpreview = work_document();  // the "After" view: the finished image
  ImageDocument resizer = work_document();     // scratch of the resize, caption and watermark steps
  ImageDocument smallimage = work_document();  // slicing
  ImageDocument sliceprocess = work_document();  // slicing
  ImageDocument spare1 = work_document();
  ImageDocument spare2 = work_document();
  ImageDocument specs = work_document();  // header reader

  // Whether the "Before" and "After" views are filled: Preview One and the desktop program
  // show them; a run without a view skips the two copies of every picture they cost, and may
  // then resize while the source decodes (the "Before" view would need the full picture).
  bool keep_views = false;

  // The filter chosen for the current image; the thumbnail sizing overwrites it for its own use.
  ResampleFilter resample_filter = ResampleFilter::None;
  // Full path of the file being processed (read for "creation" dates).
  std::filesystem::path current_source_path;
};

}  // namespace lumatrix
