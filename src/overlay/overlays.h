#pragma once
// The caption and watermark steps of the per-image pipeline, as the commands hand them over.
#include "engine/pipeline.h"

namespace lumatrix {

// Draws the captions and stamps the watermarks of the settings.
Overlays standard_overlays();

}  // namespace lumatrix
