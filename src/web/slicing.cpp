#include "web/slicing.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <system_error>

#include "base/file_bytes.h"
#include "base/image_error.h"

namespace lumatrix {

namespace fs = std::filesystem;

TileGrid::TileGrid(int width, int height, int columns, int rows)
    : width_(width),
      height_(height),
      columns_(std::clamp(columns, 1, std::max(width, 1))),
      rows_(std::clamp(rows, 1, std::max(height, 1))) {}

TileRect TileGrid::tile(int row, int column) const {
  const int tw = width_ / columns_, th = height_ / rows_;
  TileRect rect{(column - 1) * tw, (row - 1) * th, tw, th};
  if (column == columns_) rect.width = width_ - rect.x;
  if (row == rows_) rect.height = height_ - rect.y;
  return rect;
}

namespace {

std::string numbered(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width)
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits;
}

// Plain decimal below 10 rows and columns, as the names have always been there; beyond,
// one fixed width for both so that no two tiles share a name.
int index_width(int rows, int columns) {
  const int largest = std::max(rows, columns);
  return largest < 10 ? 0 : static_cast<int>(std::to_string(largest).size());
}

std::string reason_of(const std::exception& error) {
  if (const auto* image_error = dynamic_cast<const ImageError*>(&error))
    return image_error->reason();
  return error.what();
}

}  // namespace

std::string tile_name(std::string_view image_file_name, int row, int column, int rows,
                      int columns) {
  const size_t dot = image_file_name.find('.');
  const std::string_view base = image_file_name.substr(0, dot);
  const int width = index_width(rows, columns);
  return std::string(base) + numbered(row, width) + numbered(column, width) + ".jpg";
}

std::string url_attribute(std::string_view relative_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(relative_path.size());
  for (const char ch : relative_path) {
    const auto byte = static_cast<unsigned char>(ch);
    const bool keep = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                      (byte >= '0' && byte <= '9') || ch == '-' || ch == '.' || ch == '_' ||
                      ch == '~' || ch == '/';
    if (keep) {
      out += ch;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string html_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    if (ch == '&')
      out += "&amp;";
    else if (ch == '<')
      out += "&lt;";
    else if (ch == '>')
      out += "&gt;";
    else
      out += ch;
  }
  return out;
}

std::string image_size_attributes(ImageDocument& specs, const fs::path& file) {
  try {
    if (!specs.read_params(file)) return {};
  } catch (const std::exception&) {
    return {};
  }
  std::string out;
  if (specs.params.width > 0) out += " width=\"" + std::to_string(specs.params.width) + "\" ";
  if (specs.params.height > 0) out += " height=\"" + std::to_string(specs.params.height) + "\" ";
  return out;
}

Raster copy_tile(const Raster& source, const TileRect& rect) {
  Raster tile(rect.width, rect.height, source.format());
  tile.palette = source.palette;
  const int bpp = bits_per_pixel(source.format());
  for (int y = 0; y < rect.height; ++y) {
    const uint8_t* from = source.row(rect.y + y);
    uint8_t* to = tile.row(y);
    if (bpp >= 8) {
      const size_t bytes = static_cast<size_t>(bpp / 8);
      std::copy_n(from + static_cast<size_t>(rect.x) * bytes,
                  static_cast<size_t>(rect.width) * bytes, to);
    } else {
      for (int x = 0; x < rect.width; ++x) {
        const int sx = rect.x + x;
        const bool set = (from[sx >> 3] >> (7 - (sx & 7))) & 1;
        if (set) to[x >> 3] = static_cast<uint8_t>(to[x >> 3] | (0x80 >> (x & 7)));
      }
    }
  }
  if (source.has_alpha()) {
    tile.add_alpha();
    for (int y = 0; y < rect.height; ++y)
      std::copy_n(source.alpha_row(rect.y + y) + rect.x, rect.width, tile.alpha_row(y));
  }
  return tile;
}

std::vector<std::string> slice_image(Workspace& ws, const Settings& settings,
                                     const fs::path& image) {
  ImageDocument& whole = ws.sliceprocess;
  if (!whole.load(image)) throw ImageError(image, "no reader for this file type");
  const fs::path folder = image.parent_path();
  const std::string image_name = image.filename().string();
  const TileGrid grid(whole.width(), whole.height(), settings.slicecolumns, settings.slicerows);

  std::vector<std::string> lines{
      R"(<table align="center" border="0" cellpadding="0" cellspacing="0">)"};
  for (int row = 1; row <= grid.rows(); ++row) {
    lines.emplace_back("<tr>");
    for (int column = 1; column <= grid.columns(); ++column) {
      ImageDocument& tile = ws.smallimage;
      tile.raster = copy_tile(whole.raster, grid.tile(row, column));
      tile.params = IOParams{};  // a fresh picture: no header data of the source
      tile.params.jpeg_quality = settings.JPEG_Quality;
      const std::string name = tile_name(image_name, row, column, grid.rows(), grid.columns());
      const fs::path tile_path = folder / name;
      tile.save(tile_path);
      lines.push_back("<td><img src=\"" + url_attribute(name) + "\" " +
                      image_size_attributes(ws.specs, tile_path) + " border=\"0\"></td>");
    }
    lines.emplace_back("</tr>");
  }
  lines.emplace_back("</table>");
  return lines;
}

void drop_sliced_image(const Settings& settings, const fs::path& image) {
  if (settings.retainspilt) return;
  std::error_code ignored;
  fs::remove(image, ignored);
}

std::string crlf_text(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

void slice_images_only(Workspace& ws, const RunSeam& run, const Settings& settings,
                       const std::vector<GalleryRecord>& records) {
  const int count = static_cast<int>(records.size());
  run.events.set_progress(0, count);
  // A stop left over from the image pass has had its answer there; only a new one stops here.
  const bool stop_already_pending = run.cancel.requested();
  for (int i = 1; i <= count; ++i) {
    if (!stop_already_pending && run.cancel.requested() &&
        run.questions.ask_ok_cancel("Do You want to Stop the Image Slicing Process ?")) {
      run.questions.inform("Process Terminated by User");
      run.events.set_progress(0, count);
      return;
    }

    const fs::path image(records[static_cast<size_t>(i) - 1].filename);
    const std::string name = image.filename().string();
    run.events.log("Image Slicing Process : " + name);
    try {
      std::vector<std::string> page{"<html><head><title>" + html_text(name) + "</title></head>",
                                    R"(<body><div align="Center">)"};
      for (std::string& line : slice_image(ws, settings, image)) page.push_back(std::move(line));
      const std::string text = crlf_text(page);
      fs::path page_path = image;
      page_path.replace_extension(".html");
      write_file_atomically(page_path,
                            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
      drop_sliced_image(settings, image);
    } catch (const std::exception& error) {
      run.events.log("Error: Image Slicing of " + image.string() + ": " + reason_of(error));
    }
    run.events.set_progress(i, count);
  }
}

}  // namespace lumatrix
