#pragma once
// Turning or mirroring a source file on disk without loss, for re-orienting photos before a
// run: JPEGs by rearranging their coded blocks (no re-encoding), pictures in lossless formats by
// turning their pixels and writing them back in the same format. The file is replaced whole
// (temporary file beside it, then rename), never half-written.
#include <filesystem>

namespace lumatrix {

enum class SourceTurn {
  Left,        // 90 degrees counter-clockwise
  Right,       // 90 degrees clockwise
  Vertical,    // top to bottom
  Horizontal,  // left to right
};

// Turns the picture in `path`. A JPEG keeps every marker (EXIF, comments, ICC); an EXIF
// Orientation tag is reset to 1 and a stale EXIF thumbnail dropped, so viewers agree on the
// result. Throws ImageError naming the file and the reason, leaving the file as it was, when the
// file cannot be read, when a JPEG's size is not a whole number of its blocks in the direction
// the turn moves (trimming the edge could not be undone), or when its format is not lossless.
void turn_source_file(const std::filesystem::path& path, SourceTurn turn);

}  // namespace lumatrix
