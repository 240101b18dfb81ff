// GIF through giflib, in memory. giflib reports failures by return codes (no callbacks, no
// longjmp), so each call is checked and its error code turned into an ImageError.
//
// Reading takes the first frame. The picture is the logical screen, grown where the frame
// reaches beyond it; the frame is placed at its offset, and screen area it does not cover gets
// the screen's background colour index, or is transparent when the frame has a transparent
// colour (that is how viewers show a lone frame). Interlaced frames are put back in row order.
//
// Writing gives one frame of the raster's size. Paletted and 1-bit rasters keep their palette,
// grey rasters get a grey ramp, 24-bit rasters with up to 256 colours are stored exactly and
// larger ones are reduced to 256 colours as the colour-depth step does (NeuQuant palette, then
// nearest colour). Transparent pixels (alpha below 128; in a raster without alpha, with
// `gif_transparent` those of the transparent colour) share one palette index, marked in a
// Graphic Control Extension.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <unordered_map>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/neuquant.h"
#include "imaging/quantize.h"
#include "imaging/resource_policy.h"

namespace lumatrix {

namespace {

std::string gif_error_text(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "GIF error " + std::to_string(code);
}

[[noreturn]] void throw_gif_error(int code) {
  throw ImageError(gif_error_text(code));
}

// Rows of an interlaced frame come in four passes: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1. Returns the frame rows in stored order.
std::vector<int> stored_row_order(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(static_cast<size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  return order;
}

// --- reading ---

struct MemorySource {
  std::span<const uint8_t> data;
  size_t pos = 0;
};

int read_from_memory(GifFileType* gif, GifByteType* out, int length) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  const size_t n = std::min(src->data.size() - src->pos, static_cast<size_t>(std::max(length, 0)));
  std::memcpy(out, src->data.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

class GifReader {
 public:
  explicit GifReader(std::span<const uint8_t> data) : source_{data} {
    int error = 0;
    gif_ = DGifOpen(&source_, read_from_memory, &error);
    if (gif_ == nullptr) throw_gif_error(error);
  }
  ~GifReader() {
    int ignored = 0;
    DGifCloseFile(gif_, &ignored);
  }
  GifReader(const GifReader&) = delete;
  GifReader& operator=(const GifReader&) = delete;

  GifFileType* get() const { return gif_; }
  void check(int result) const {
    if (result == GIF_ERROR) throw_gif_error(gif_->Error);
  }

 private:
  MemorySource source_;
  GifFileType* gif_ = nullptr;
};

struct FirstFrame {
  int left = 0, top = 0, width = 0, height = 0;
  int canvas_width = 0, canvas_height = 0;
  bool interlaced = false;
  int transparent = NO_TRANSPARENT_COLOR;
  int colour_bits = 8;
  std::vector<Rgb> palette;
};

// Reads records up to the first image descriptor, keeping the Graphic Control Extension that
// precedes it.
FirstFrame find_first_frame(GifReader& reader) {
  GifFileType* gif = reader.get();
  FirstFrame frame;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    reader.check(DGifGetRecordType(gif, &type));
    if (type == TERMINATE_RECORD_TYPE) throw ImageError("the GIF file holds no image");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      reader.check(DGifGetExtension(gif, &code, &block));
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
          frame.transparent = gcb.TransparentColor;
      }
      while (block != nullptr) reader.check(DGifGetExtensionNext(gif, &block));
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) throw ImageError("unexpected GIF record");
    reader.check(DGifGetImageDesc(gif));
    break;
  }
  const GifImageDesc& desc = gif->Image;
  if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
    throw ImageError("invalid GIF frame " + std::to_string(desc.Width) + "x" +
                     std::to_string(desc.Height));
  frame.left = desc.Left;
  frame.top = desc.Top;
  frame.width = desc.Width;
  frame.height = desc.Height;
  frame.canvas_width = std::max(gif->SWidth, desc.Left + desc.Width);
  frame.canvas_height = std::max(gif->SHeight, desc.Top + desc.Height);
  frame.interlaced = desc.Interlace;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (map != nullptr && map->ColorCount > 0 && map->Colors != nullptr) {
    frame.colour_bits = map->BitsPerPixel;
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
      frame.palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  } else {
    // No colour table at all: the format leaves the colours to the viewer; a grey ramp.
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      frame.palette.push_back({v, v, v});
    }
  }
  return frame;
}

void fill_params(const FirstFrame& frame, IOParams& params) {
  params.width = frame.canvas_width;
  params.height = frame.canvas_height;
  params.dpi_x = params.dpi_y = kDisplayDpi;  // GIF states an aspect ratio at most
  params.bits_per_sample = frame.colour_bits;
  params.samples_per_pixel = 1;
  params.gif_interlaced = frame.interlaced;
  params.gif_transparent = frame.transparent != NO_TRANSPARENT_COLOR;
  params.gif_transparent_color =
      params.gif_transparent && static_cast<size_t>(frame.transparent) < frame.palette.size()
          ? frame.palette[frame.transparent]
          : Rgb{};
}

// --- writing ---

struct VectorSink {
  std::vector<uint8_t> bytes;
};

int write_to_memory(GifFileType* gif, const GifByteType* data, int length) {
  auto* sink = static_cast<VectorSink*>(gif->UserData);
  sink->bytes.insert(sink->bytes.end(), data, data + length);
  return length;
}

class GifWriter {
 public:
  GifWriter() {
    int error = 0;
    gif_ = EGifOpen(&sink_, write_to_memory, &error);
    if (gif_ == nullptr) throw_gif_error(error);
  }
  ~GifWriter() {
    if (gif_ != nullptr) {
      int ignored = 0;
      EGifCloseFile(gif_, &ignored);
    }
  }
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  GifFileType* get() const { return gif_; }
  void check(int result) const {
    if (result == GIF_ERROR) throw_gif_error(gif_->Error);
  }
  // Writes the trailer and hands over the file.
  std::vector<uint8_t> finish() {
    int error = 0;
    const int result = EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    if (result == GIF_ERROR) throw_gif_error(error);
    return std::move(sink_.bytes);
  }

 private:
  VectorSink sink_;
  GifFileType* gif_ = nullptr;
};

class ColourMap {
 public:
  explicit ColourMap(const std::vector<GifColorType>& colours) {
    map_ = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    if (map_ == nullptr) throw ImageError("cannot set up the GIF colour table");
  }
  ~ColourMap() { GifFreeMapObject(map_); }
  ColourMap(const ColourMap&) = delete;
  ColourMap& operator=(const ColourMap&) = delete;
  ColorMapObject* get() const { return map_; }

 private:
  ColorMapObject* map_;
};

// The picture as palette indices, one byte a pixel, rows top to bottom.
struct IndexedImage {
  int width = 0, height = 0;
  std::vector<uint8_t> indices;
  std::vector<Rgb> palette;
  int transparent = NO_TRANSPARENT_COLOR;
};

uint32_t colour_key(Rgb c) {
  return static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b;
}

// Indices and the exact palette of a 24-bit raster with at most 256 colours.
void index_colours(const Raster& rgb, IndexedImage& out) {
  std::unordered_map<uint32_t, uint8_t> index_of;
  for (int y = 0; y < rgb.height(); ++y) {
    const uint8_t* p = rgb.row(y);
    uint8_t* d = out.indices.data() + static_cast<size_t>(y) * rgb.width();
    for (int x = 0; x < rgb.width(); ++x, p += 3) {
      const Rgb c{p[0], p[1], p[2]};
      auto [it, added] =
          index_of.try_emplace(colour_key(c), static_cast<uint8_t>(out.palette.size()));
      if (added) {
        if (out.palette.size() == 256) throw ImageError("more than 256 colours left to index");
        out.palette.push_back(c);
      }
      d[x] = it->second;
    }
  }
}

// Whether each pixel is to be transparent. An alpha plane decides on its own (alpha below 128):
// a GIF read back has one, and its transparent colour may well be shared by opaque pixels that
// must stay opaque. Without alpha, `gif_transparent` makes the pixels of its colour transparent.
std::vector<bool> transparent_pixels(const Raster& raster, const IOParams& params, bool& any) {
  std::vector<bool> mask(static_cast<size_t>(raster.width()) * raster.height(), false);
  any = false;
  if (!raster.has_alpha() && !params.gif_transparent) return mask;
  for (int y = 0; y < raster.height(); ++y) {
    const uint8_t* a = raster.has_alpha() ? raster.alpha_row(y) : nullptr;
    for (int x = 0; x < raster.width(); ++x) {
      const bool clear = a ? a[x] < 128 : raster.pixel(x, y) == params.gif_transparent_color;
      mask[static_cast<size_t>(y) * raster.width() + x] = clear;
      any |= clear;
    }
  }
  return mask;
}

// The 24-bit picture with transparent pixels painted in a colour some opaque pixel has, so that
// they add no colour of their own to the palette.
Raster opaque_colours_only(const Raster& raster, const std::vector<bool>& clear) {
  Raster rgb = raster.format() == PixelFormat::Rgb24 ? raster : raster.to_rgb24();
  rgb.drop_alpha();
  const auto first_opaque = std::find(clear.begin(), clear.end(), false);
  if (first_opaque == clear.end()) return rgb;
  const size_t at = static_cast<size_t>(first_opaque - clear.begin());
  const uint8_t* fill = rgb.row(static_cast<int>(at / rgb.width())) + 3 * (at % rgb.width());
  const Rgb colour{fill[0], fill[1], fill[2]};
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x)
      if (clear[static_cast<size_t>(y) * rgb.width() + x]) {
        uint8_t* p = rgb.row(y) + 3 * x;
        p[0] = colour.r, p[1] = colour.g, p[2] = colour.b;
      }
  return rgb;
}

// Frees a palette index for transparency when every entry is in use by opaque pixels: the
// least used entry gives its pixels to its nearest other colour.
int free_an_index(IndexedImage& image, const std::vector<bool>& clear) {
  std::array<size_t, 256> uses{};
  for (size_t i = 0; i < image.indices.size(); ++i)
    if (!clear[i]) ++uses[image.indices[i]];
  for (size_t i = 0; i < 256; ++i)
    if (i >= image.palette.size() || uses[i] == 0) {
      if (i >= image.palette.size()) image.palette.resize(i + 1, Rgb{});
      return static_cast<int>(i);
    }
  const int victim = static_cast<int>(std::min_element(uses.begin(), uses.end()) - uses.begin());
  auto distance = [](Rgb a, Rgb b) {
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
  };
  int nearest = victim == 0 ? 1 : 0;
  for (int i = 0; i < 256; ++i)
    if (i != victim && distance(image.palette[i], image.palette[victim]) <
                           distance(image.palette[nearest], image.palette[victim]))
      nearest = i;
  for (uint8_t& index : image.indices)
    if (index == victim) index = static_cast<uint8_t>(nearest);
  return victim;
}

IndexedImage index_image(const Raster& raster, const IOParams& params) {
  IndexedImage image;
  image.width = raster.width();
  image.height = raster.height();
  const size_t count = static_cast<size_t>(image.width) * image.height;
  image.indices.resize(count);
  bool any_clear = false;
  const std::vector<bool> clear = transparent_pixels(raster, params, any_clear);

  switch (raster.format()) {
    case PixelFormat::Bit1:
      image.palette = raster.palette;
      image.palette.resize(2, Rgb{255, 255, 255});
      for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
          image.indices[static_cast<size_t>(y) * image.width + x] =
              raster.row(y)[x / 8] >> (7 - x % 8) & 1;
      break;
    case PixelFormat::Palette8:
    case PixelFormat::Gray8:
      for (int y = 0; y < image.height; ++y)
        std::copy_n(raster.row(y), image.width,
                    image.indices.begin() + static_cast<ptrdiff_t>(y) * image.width);
      if (raster.format() == PixelFormat::Palette8) {
        image.palette = raster.palette;
        const uint8_t highest = *std::max_element(image.indices.begin(), image.indices.end());
        image.palette.resize(std::max(image.palette.size(), size_t{highest} + 1), Rgb{});
        image.palette.resize(std::min<size_t>(image.palette.size(), 256));
      } else {
        for (int i = 0; i < 256; ++i) {
          const auto v = static_cast<uint8_t>(i);
          image.palette.push_back({v, v, v});
        }
      }
      break;
    case PixelFormat::Rgb24: {
      Raster rgb = opaque_colours_only(raster, clear);
      if (count_colours(rgb, 256) > 256) {
        // The colour-depth step's own reduction, so a GIF save matches "ConvertTo 256".
        const int sample_factor = static_cast<int>(std::clamp<uint64_t>(count / 500'000, 1, 30));
        map_to_palette(rgb, neuquant_palette(rgb, 256, sample_factor), Dither::None);
      }
      index_colours(rgb, image);
      break;
    }
    case PixelFormat::None:
      throw ImageError("there is no image to save");
  }

  if (any_clear) {
    image.transparent = free_an_index(image, clear);
    image.palette[image.transparent] =
        params.gif_transparent ? params.gif_transparent_color : Rgb{};
    for (size_t i = 0; i < count; ++i)
      if (clear[i]) image.indices[i] = static_cast<uint8_t>(image.transparent);
  }
  return image;
}

}  // namespace

Raster decode_gif(std::span<const uint8_t> data, IOParams& params) {
  const ReadBudget budget(data.size());
  GifReader reader(data);
  FirstFrame frame = find_first_frame(reader);
  budget.check_picture(static_cast<uint64_t>(frame.canvas_width),
                       static_cast<uint64_t>(frame.canvas_height), 8,
                       frame.transparent != NO_TRANSPARENT_COLOR, "GIF",
                       static_cast<uint64_t>(frame.width) * sizeof(GifPixelType));

  Raster raster(frame.canvas_width, frame.canvas_height, PixelFormat::Palette8);
  const bool transparent = frame.transparent != NO_TRANSPARENT_COLOR;
  const bool covers = frame.left == 0 && frame.top == 0 && frame.width == frame.canvas_width &&
                      frame.height == frame.canvas_height;
  if (transparent) {
    raster.add_alpha();
    if (!covers)
      for (int y = 0; y < raster.height(); ++y) std::fill_n(raster.alpha_row(y), raster.width(), 0);
  }
  if (!covers) {
    const auto background =
        static_cast<uint8_t>(transparent ? frame.transparent : reader.get()->SBackGroundColor);
    std::fill(raster.bytes().begin(), raster.bytes().end(), background);
  }

  std::vector<GifPixelType> line(static_cast<size_t>(frame.width));
  int rows_read = 0;
  for (int row : stored_row_order(frame.height, frame.interlaced)) {
    if (++rows_read % 64 == 0) budget.check_time();
    reader.check(DGifGetLine(reader.get(), line.data(), frame.width));
    uint8_t* d = raster.row(frame.top + row) + frame.left;
    std::copy(line.begin(), line.end(), d);
    if (transparent) {
      uint8_t* a = raster.alpha_row(frame.top + row) + frame.left;
      for (int x = 0; x < frame.width; ++x) a[x] = line[x] == frame.transparent ? 0 : 255;
    }
  }

  // Indices beyond the colour table show as black rather than reading past the palette later.
  const uint8_t highest = *std::max_element(raster.bytes().begin(), raster.bytes().end());
  raster.palette = frame.palette;
  raster.palette.resize(std::max(raster.palette.size(), size_t{highest} + 1), Rgb{});
  fill_params(frame, params);
  return raster;
}

void read_gif_header(std::span<const uint8_t> data, IOParams& params) {
  GifReader reader(data);
  fill_params(find_first_frame(reader), params);
}

int count_gif_images(std::span<const uint8_t> data) {
  GifReader reader(data);
  reader.check(DGifSlurp(reader.get()));
  return reader.get()->ImageCount;
}

std::vector<uint8_t> encode_gif(const Raster& raster, const IOParams& params,
                                std::string_view /*extension*/) {
  if (raster.empty()) throw ImageError("the image has no pixels to save");
  if (raster.width() > 0xFFFF || raster.height() > 0xFFFF)
    throw ImageError("image too large for a GIF file (at most 65535 pixels a side)");
  const IndexedImage image = index_image(raster, params);

  // Colour tables hold a power of two entries, at least two.
  int bits = 1;
  while ((size_t{1} << bits) < image.palette.size()) ++bits;
  std::vector<GifColorType> colours(size_t{1} << bits, GifColorType{0, 0, 0});
  for (size_t i = 0; i < image.palette.size(); ++i)
    colours[i] = {image.palette[i].r, image.palette[i].g, image.palette[i].b};
  const ColourMap map(colours);

  GifWriter writer;
  GifFileType* gif = writer.get();
  const bool gce = image.transparent != NO_TRANSPARENT_COLOR;
  EGifSetGifVersion(gif, gce);
  writer.check(EGifPutScreenDesc(gif, image.width, image.height, bits, 0, map.get()));
  if (gce) {
    GraphicsControlBlock block{DISPOSAL_UNSPECIFIED, false, 0, image.transparent};
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&block, extension);
    writer.check(
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));
  }
  writer.check(
      EGifPutImageDesc(gif, 0, 0, image.width, image.height, params.gif_interlaced, nullptr));
  std::vector<GifPixelType> line(static_cast<size_t>(image.width));
  for (int row : stored_row_order(image.height, params.gif_interlaced)) {
    const uint8_t* s = image.indices.data() + static_cast<size_t>(row) * image.width;
    std::copy_n(s, image.width, line.begin());
    writer.check(EGifPutLine(gif, line.data(), image.width));
  }
  return writer.finish();
}

bool sniff_gif(std::span<const uint8_t> data) {
  constexpr std::string_view k87 = "GIF87a", k89 = "GIF89a";
  if (data.size() < k87.size()) return false;
  const std::string_view start(reinterpret_cast<const char*>(data.data()), k87.size());
  return start == k87 || start == k89;
}

}  // namespace lumatrix
