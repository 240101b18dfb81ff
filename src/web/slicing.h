#pragma once
// Image slicing: cuts a published image into a grid of JPEG tiles and writes the HTML table that
// lays them out edge to edge, either for the gallery's image pages or as one small page per
// image when the gallery is off.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_host.h"
#include "engine/batch_run.h"
#include "engine/workspace.h"
#include "imaging/image_document.h"
#include "imaging/raster.h"
#include "settings/settings.h"

namespace lumatrix {

// One tile's pixels in the source image.
struct TileRect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const TileRect&, const TileRect&) = default;
};

// How an image of width × height is cut for `columns` × `rows` requested. Every tile is
// W div C by H div R pixels except the last column and row, which also take the remainders, so
// the tiles cover the picture exactly once and abut. An image narrower (lower) than the
// requested columns (rows) gets one column (row) per pixel instead of empty tiles.
class TileGrid {
 public:
  TileGrid(int width, int height, int columns, int rows);
  int columns() const { return columns_; }
  int rows() const { return rows_; }
  // `row` and `column` count from 1.
  TileRect tile(int row, int column) const;

 private:
  int width_, height_, columns_, rows_;
};

// The tile file name: the image's file name up to its first "." (the whole name when it has
// none), the row, the column, ".jpg". Row and column are plain decimal while the grid has fewer
// than 10 rows and columns; beyond that each is padded with zeros to the width of the largest,
// so that row 1 column 11 and row 11 column 1 no longer share a name.
std::string tile_name(std::string_view image_file_name, int row, int column, int rows, int columns);

// A file name or relative path made safe for a `src` or `href` attribute: every byte outside
// the URL's unreserved set (letters, digits, "-", ".", "_", "~") and "/" becomes %XX, so
// blanks, quotes, "#", "&", "%" and "<" all survive; the result needs no further escaping.
std::string url_attribute(std::string_view relative_path);
// `text` with "&", "<" and ">" written as entities, for element text such as a title.
std::string html_text(std::string_view text);

// The width and height attributes of an image file read from its header through `specs`:
// ` width="W" ` and ` height="H" ` for each size above 0; empty when the file cannot be read.
std::string image_size_attributes(ImageDocument& specs, const std::filesystem::path& file);

// The pixels of `rect` copied out of `source`, in its format with its palette and alpha.
Raster copy_tile(const Raster& source, const TileRect& rect);

// Loads `image` into `sliceprocess`, writes every tile beside it as a JPEG of quality
// JPEG_Quality (through `smallimage`) and returns the lines of the tile table. Throws ImageError
// when the image cannot be read or a tile cannot be written; tiles written so far stay. The
// image itself is left in place: the caller removes it with drop_sliced_image once its page is
// written, so a failure never leaves the picture with neither its file nor its page.
std::vector<std::string> slice_image(Workspace& ws, const Settings& settings,
                                     const std::filesystem::path& image);

// Deletes the full image unless retainspilt is on; a failed delete leaves the file.
void drop_sliced_image(const Settings& settings, const std::filesystem::path& image);

// Lines joined with CR LF after each one.
std::string crlf_text(const std::vector<std::string>& lines);

// The pass that runs when slicing is on and the gallery off: per record, the tiles and a page
// named like the image with ".html" that shows their table. An image that cannot be read or
// sliced costs a log line and that image only.
void slice_images_only(Workspace& ws, const RunSeam& run, const Settings& settings,
                       const std::vector<GalleryRecord>& records);

}  // namespace lumatrix
