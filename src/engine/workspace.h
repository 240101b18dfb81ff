#pragma once
// The named image documents of one processing run and what the pipeline keeps between images.
// Each worker owns its own workspace; nothing here is global.
#include <filesystem>

#include "imaging/image_document.h"
#include "imaging/resample.h"

namespace lumatrix {

struct Workspace {
  ImageDocument Image;         // the "Before" view: the source right after loading
  ImageDocument processimage;  // the work document, saved by the caller
  ImageDocument afterpreview;  // the "After" view: the finished image
  ImageDocument resizer;       // scratch of the resize, caption and watermark steps
  ImageDocument smallimage;    // slicing
  ImageDocument sliceprocess;  // slicing
  ImageDocument spare1;
  ImageDocument spare2;
  ImageDocument specs;  // header reader

  // The filter chosen for the current image; the thumbnail sizing overwrites it for its own use.
  ResampleFilter resample_filter = ResampleFilter::None;
  // Full path of the file being processed (read for "creation" dates).
  std::filesystem::path current_source_path;
};

}  // namespace lumatrix
