// TIFF reading through libtiff: the first directory (page) of a file, or a raw fax page.
//
// The common layouts (1/2/4/8/16-bit grey, palette, RGB, CMYK, with or without alpha, in strips
// or tiles, under any compression libtiff decodes) are read sample by sample so that 16-bit
// samples round exactly and palettes stay palettes. Everything else (YCbCr without JPEG,
// old-style JPEG, separate planes, odd bit depths) goes through libtiff's RGBA interface.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/tiff_io.h"
#include "imaging/codecs/tiff_raw_fax.h"

namespace lumatrix {

namespace {

TiffCompression compression_of(TIFF* tif, uint16_t tag) {
  switch (tag) {
    case COMPRESSION_CCITTRLE:
      return TiffCompression::Huffman;
    case COMPRESSION_CCITTFAX3: {
      uint32_t options = 0;
      TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &options);
      return (options & GROUP3OPT_2DENCODING) != 0 ? TiffCompression::G3_2D : TiffCompression::G3;
    }
    case COMPRESSION_CCITTFAX4:
      return TiffCompression::G4;
    case COMPRESSION_LZW:
      return TiffCompression::LZW;
    case COMPRESSION_OJPEG:
      return TiffCompression::OldJpeg;
    case COMPRESSION_JPEG:
      return TiffCompression::Jpeg;
    case COMPRESSION_PACKBITS:
      return TiffCompression::PackBits;
    default:
      // Deflate and the rarer codings have no saving option of their own: the next save of
      // such a file is uncompressed unless the caller chooses otherwise.
      return TiffCompression::None;
  }
}

// A resolution as dots per inch, or 0 when the value is unusable.
int dots_per_inch(float value, uint16_t unit) {
  const double dpi = unit == RESUNIT_CENTIMETER ? value * 2.54 : value;
  if (!std::isfinite(dpi) || dpi < 0.5 || dpi > 1e6) return 0;
  return static_cast<int>(std::lround(dpi));
}

struct Layout {
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, compression = 1;
  uint16_t planar = PLANARCONFIG_CONTIG, sample_format = SAMPLEFORMAT_UINT, inkset = INKSET_CMYK;
  int alpha = 0;  // 0 none, else EXTRASAMPLE_ASSOCALPHA or EXTRASAMPLE_UNASSALPHA
};

Layout read_layout(const TiffHandle& handle, IOParams& params) {
  TIFF* tif = handle.get();
  Layout l;
  handle.check(TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) == 1 &&
                   TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height) == 1,
               "TIFF image size missing");
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.sample_format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &l.inkset);
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric) != 1)
    l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  uint16_t extra_count = 0;
  uint16_t* extra = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra) == 1 && extra_count > 0 &&
      extra != nullptr &&
      (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA))
    l.alpha = extra[0];
  if (l.width == 0 || l.height == 0) throw ImageError("TIFF image has no pixels");
  check_pixel_limit(l.width, l.height);
  if (l.width > static_cast<uint32_t>(std::numeric_limits<int>::max()) ||
      l.height > static_cast<uint32_t>(std::numeric_limits<int>::max()))
    throw ImageError("TIFF image too large");

  params.file_type = FileType::TIFF;
  params.width = static_cast<int>(l.width);
  params.height = static_cast<int>(l.height);
  params.bits_per_sample = l.bits;
  params.samples_per_pixel = l.samples;
  params.tiff_compression = compression_of(tif, l.compression);
  params.tiff_photometric = l.photometric;
  params.dpi_x = params.dpi_y = kDisplayDpi;
  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  const bool has_x = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) == 1;
  const bool has_y = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) == 1;
  if (unit != RESUNIT_NONE && (has_x || has_y)) {
    const int dx = dots_per_inch(has_x ? xres : yres, unit);
    const int dy = dots_per_inch(has_y ? yres : xres, unit);
    if (dx > 0 && dy > 0) params.dpi_x = dx, params.dpi_y = dy;
  }
  return l;
}

// Colour samples per pixel before any extra samples, for the layouts read directly; 0 for the
// rest.
int colour_samples(const Layout& l) {
  switch (l.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_PALETTE:
      return 1;
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_YCBCR:  // only with JPEG, which hands out RGB
      return 3;
    case PHOTOMETRIC_SEPARATED:
      return l.inkset == INKSET_CMYK ? 4 : 0;
    default:
      return 0;
  }
}

bool readable_directly(TIFF* tif, const Layout& l) {
  const int colour = colour_samples(l);
  // Tiles are pasted side by side byte-wise, so each tile row must end on a byte boundary (the
  // multiples of 16 the format asks for always do).
  uint32_t tile_w = 0;
  if (TIFFIsTiled(tif) && TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tile_w) == 1 &&
      uint64_t{tile_w} * l.samples * l.bits % 8 != 0)
    return false;
  if (colour == 0 || l.samples < colour) return false;
  if (l.planar != PLANARCONFIG_CONTIG && l.samples != 1) return false;
  if (l.sample_format != SAMPLEFORMAT_UINT && l.sample_format != SAMPLEFORMAT_VOID) return false;
  if (l.bits != 1 && l.bits != 2 && l.bits != 4 && l.bits != 8 && l.bits != 16) return false;
  if (l.compression == COMPRESSION_OJPEG) return false;
  if (l.photometric == PHOTOMETRIC_YCBCR && (l.compression != COMPRESSION_JPEG || l.bits != 8))
    return false;
  if (l.photometric == PHOTOMETRIC_PALETTE && l.bits > 8) return false;
  // 1-bit grey with alpha is too rare to give it a layout of its own.
  if (l.bits == 1 && l.samples > 1 && colour == 1 && l.photometric != PHOTOMETRIC_PALETTE)
    return false;
  return true;
}

// Reads the image band by band (a strip, or a row of tiles) as packed rows of samples and hands
// each row to `take_row(y, row)`.
template <typename TakeRow>
void for_each_row(const TiffHandle& handle, const Layout& l, TakeRow&& take_row) {
  TIFF* tif = handle.get();
  const uint64_t row_bytes = TIFFScanlineSize64(tif);
  handle.check(row_bytes > 0, "cannot size a TIFF row");
  // At least as many bits as the samples need: a short row would be read past its end.
  handle.check(row_bytes * 8 >= uint64_t{l.width} * l.samples * l.bits, "TIFF row size mismatch");
  if (TIFFIsTiled(tif)) {
    uint32_t tile_w = 0, tile_h = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tile_w);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tile_h);
    const uint64_t tile_row_bytes = TIFFTileRowSize64(tif);
    const uint64_t tile_bytes = TIFFTileSize64(tif);
    // Tiles may overhang the image, but not by more than the largest image we accept.
    handle.check(tile_w > 0 && tile_h > 0 && tile_row_bytes > 0 &&
                     tile_bytes >= tile_row_bytes * tile_h &&
                     uint64_t{tile_w} * tile_h <= std::max<uint64_t>(pixel_limit(), 1 << 16),
                 "bad TIFF tile size");
    const uint64_t band_rows = std::min<uint64_t>(tile_h, l.height);
    std::vector<uint8_t> band(row_bytes * band_rows);
    std::vector<uint8_t> tile(tile_bytes);
    for (uint32_t y0 = 0; y0 < l.height; y0 += tile_h) {
      const uint32_t rows = static_cast<uint32_t>(std::min<uint64_t>(tile_h, l.height - y0));
      for (uint64_t x0 = 0, offset = 0; x0 < l.width; x0 += tile_w, offset += tile_row_bytes) {
        handle.check(TIFFReadTile(tif, tile.data(), static_cast<uint32_t>(x0), y0, 0, 0) >= 0,
                     "cannot read a TIFF tile");
        const uint64_t n = std::min(tile_row_bytes, row_bytes - offset);
        for (uint32_t r = 0; r < rows; ++r)
          std::memcpy(band.data() + r * row_bytes + offset, tile.data() + r * tile_row_bytes, n);
        if (row_bytes - offset <= tile_row_bytes) break;
      }
      for (uint32_t r = 0; r < rows; ++r) take_row(y0 + r, band.data() + r * row_bytes);
    }
    return;
  }
  uint32_t rows_per_strip = l.height;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
  rows_per_strip = std::clamp<uint32_t>(rows_per_strip, 1, l.height);
  std::vector<uint8_t> strip(row_bytes * rows_per_strip);
  for (uint32_t y0 = 0, s = 0; y0 < l.height; y0 += rows_per_strip, ++s) {
    const uint32_t rows = std::min(rows_per_strip, l.height - y0);
    const tmsize_t got = TIFFReadEncodedStrip(tif, s, strip.data(), row_bytes * rows);
    handle.check(got >= 0, "cannot read a TIFF strip");
    for (uint32_t r = 0; r < rows; ++r) take_row(y0 + r, strip.data() + r * row_bytes);
  }
}

// One sample of a packed row, unscaled.
inline unsigned sample_at(const uint8_t* row, size_t index, int bits) {
  switch (bits) {
    case 8:
      return row[index];
    case 16: {
      uint16_t v;  // libtiff has already swapped it to the machine's byte order
      std::memcpy(&v, row + 2 * index, 2);
      return v;
    }
    default: {
      const size_t bit = index * bits;
      return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    }
  }
}

// A sample scaled to 8 bits, rounding like ImageMagick does for 16-bit samples.
inline uint8_t sample8_at(const uint8_t* row, size_t index, int bits) {
  const unsigned v = sample_at(row, index, bits);
  if (bits == 8) return static_cast<uint8_t>(v);
  if (bits == 16) return static_cast<uint8_t>((v + 128) / 257);
  return static_cast<uint8_t>(v * 255 / ((1u << bits) - 1));
}

// A colour map entry as 8 bits. Some writers store 8-bit values in the 16-bit table; like
// libtiff, a table without any value above 255 is taken as such.
std::vector<Rgb> read_colormap(const TiffHandle& handle, int bits) {
  uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  handle.check(TIFFGetField(handle.get(), TIFFTAG_COLORMAP, &r, &g, &b) == 1 && r && g && b,
               "TIFF palette missing");
  const size_t n = size_t{1} << bits;
  bool wide = false;
  for (size_t i = 0; i < n; ++i) wide = wide || r[i] > 255 || g[i] > 255 || b[i] > 255;
  const auto to8 = [wide](uint16_t v) {
    return static_cast<uint8_t>(wide ? (v + 128u) / 257u : v);
  };
  std::vector<Rgb> palette(n);
  for (size_t i = 0; i < n; ++i) palette[i] = Rgb{to8(r[i]), to8(g[i]), to8(b[i])};
  return palette;
}

void unpremultiply(Raster& raster) {
  const int channels = raster.format() == PixelFormat::Rgb24 ? 3 : 1;
  for (int y = 0; y < raster.height(); ++y) {
    uint8_t* p = raster.row(y);
    const uint8_t* a = raster.alpha_row(y);
    for (int x = 0; x < raster.width(); ++x)
      for (int c = 0; c < channels; ++c) {
        uint8_t& v = p[x * channels + c];
        v = a[x] == 0 ? 0 : static_cast<uint8_t>(std::min(255, (v * 255 + a[x] / 2) / a[x]));
      }
  }
}

Raster read_directly(const TiffHandle& handle, const Layout& l) {
  TIFF* tif = handle.get();
  const int colour = colour_samples(l);
  const int bits = l.bits;
  const size_t spp = l.samples;
  const bool min_is_white = l.photometric == PHOTOMETRIC_MINISWHITE;
  const bool palette = l.photometric == PHOTOMETRIC_PALETTE;
  const bool alpha = l.alpha != 0 && spp > static_cast<size_t>(colour);
  PixelFormat format = PixelFormat::Rgb24;
  if (colour == 1) format = palette ? PixelFormat::Palette8 : PixelFormat::Gray8;
  // One bit per pixel stays packed: the palette says what 0 and 1 are.
  if (bits == 1 && spp == 1) format = PixelFormat::Bit1;

  Raster raster(static_cast<int>(l.width), static_cast<int>(l.height), format);
  if (palette) {
    raster.palette = read_colormap(handle, bits);
  } else if (format == PixelFormat::Bit1) {
    raster.palette = min_is_white ? std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}}
                                  : std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}};
  }
  if (alpha) raster.add_alpha();
  // YCbCr in JPEG: libjpeg converts to RGB on the way out.
  if (l.photometric == PHOTOMETRIC_YCBCR)
    handle.check(TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) == 1,
                 "cannot convert TIFF YCbCr");

  const size_t width = l.width;
  for_each_row(handle, l, [&](uint32_t y, const uint8_t* row) {
    uint8_t* out = raster.row(static_cast<int>(y));
    switch (format) {
      case PixelFormat::Bit1:
        // The palette says which value is black; the bits are kept as they are.
        std::memcpy(out, row, raster.stride());
        break;
      case PixelFormat::Palette8:
        for (size_t x = 0; x < width; ++x)
          out[x] = static_cast<uint8_t>(sample_at(row, x * spp, bits));
        break;
      case PixelFormat::Gray8:
        for (size_t x = 0; x < width; ++x) {
          const uint8_t v = sample8_at(row, x * spp, bits);
          out[x] = min_is_white ? 255 - v : v;
        }
        break;
      default:
        if (colour == 4) {
          // The plain conversion of inks to light, as libtiff and ImageMagick do it, at the
          // samples' own precision and rounded once.
          const double full = static_cast<double>((1u << bits) - 1);
          const double scale = 255.0 / (full * full);
          for (size_t x = 0; x < width; ++x) {
            const double k = full - sample_at(row, x * spp + 3, bits);
            for (int c = 0; c < 3; ++c)
              out[3 * x + c] = static_cast<uint8_t>(
                  std::lround((full - sample_at(row, x * spp + c, bits)) * k * scale));
          }
        } else {
          for (size_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) out[3 * x + c] = sample8_at(row, x * spp + c, bits);
        }
    }
    if (alpha) {
      uint8_t* a = raster.alpha_row(static_cast<int>(y));
      for (size_t x = 0; x < width; ++x) a[x] = sample8_at(row, x * spp + colour, bits);
    }
  });
  if (alpha && l.alpha == EXTRASAMPLE_ASSOCALPHA && format != PixelFormat::Palette8)
    unpremultiply(raster);
  return raster;
}

Raster read_through_rgba(const TiffHandle& handle, const Layout& l) {
  TIFF* tif = handle.get();
  char reason[1024] = "";
  if (TIFFRGBAImageOK(tif, reason) != 1)
    throw ImageError(reason[0] != '\0' ? reason : "unsupported TIFF layout");
  Raster raster(static_cast<int>(l.width), static_cast<int>(l.height), PixelFormat::Rgb24);
  std::vector<uint32_t> pixels(static_cast<size_t>(l.width) * l.height);
  // Rows come out in the order the file stores them, as the direct reading gives them: asking
  // for the file's own orientation keeps libtiff from flipping.
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (orientation < ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT)
    orientation = ORIENTATION_TOPLEFT;
  handle.check(
      TIFFReadRGBAImageOriented(tif, l.width, l.height, pixels.data(), orientation, 1) == 1,
      "cannot decode the TIFF image");
  const bool alpha = l.alpha != 0;
  if (alpha) raster.add_alpha();
  const uint32_t* p = pixels.data();
  for (int y = 0; y < raster.height(); ++y) {
    uint8_t* out = raster.row(y);
    for (int x = 0; x < raster.width(); ++x, ++p) {
      out[3 * x] = static_cast<uint8_t>(TIFFGetR(*p));
      out[3 * x + 1] = static_cast<uint8_t>(TIFFGetG(*p));
      out[3 * x + 2] = static_cast<uint8_t>(TIFFGetB(*p));
      if (alpha) raster.alpha_row(y)[x] = static_cast<uint8_t>(TIFFGetA(*p));
    }
  }
  // The RGBA interface hands out premultiplied colour whatever the file held.
  if (alpha) unpremultiply(raster);
  return raster;
}

}  // namespace

bool sniff_tiff(std::span<const uint8_t> data) {
  // Byte order, then 42 (classic TIFF) or 43 (BigTIFF).
  if (data.size() < 4) return false;
  const bool intel =
      data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
  const bool motorola =
      data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
  return intel || motorola;
}

Raster decode_tiff(std::span<const uint8_t> data, IOParams& params) {
  if (!sniff_tiff(data)) return decode_raw_fax(data, params);
  TiffHandle handle(data);
  const Layout layout = read_layout(handle, params);
  return readable_directly(handle.get(), layout) ? read_directly(handle, layout)
                                                 : read_through_rgba(handle, layout);
}

void read_tiff_header(std::span<const uint8_t> data, IOParams& params) {
  // A raw fax page states nothing about itself: its height is known only once it is decoded.
  if (!sniff_tiff(data)) {
    decode_raw_fax(data, params);
    return;
  }
  TiffHandle handle(data);
  read_layout(handle, params);
}

}  // namespace lumatrix
