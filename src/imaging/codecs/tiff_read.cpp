// TIFF reading through libtiff: the first directory (page) of a file, or a raw fax page.
//
// Grey, palette (up to 16 bits), RGB and CMYK images, with or without alpha, in strips or tiles,
// contiguous or in separate planes, with integer samples of 1 to 32 bits or floating-point ones,
// under any compression libtiff decodes, are read sample by sample (tiff_samples.h), so that deep
// samples round exactly and palettes stay palettes. The rest (YCbCr without JPEG, old-style
// JPEG, CIE L*a*b*, LogLuv) goes through libtiff's RGBA interface, band by band.
//
// A strip or tile that cannot be decoded does not cost the picture: its area shows the
// background and the reader says so in params.warnings, as ImageMagick and tiff2rgba show what
// is readable. Only a file none of whose strips decode is refused.
//
// Before allocating anything, the reader works out what it will hold (the picture, one strip or
// tile of every plane it reads, a row of samples) and asks the read budget, so that a small file
// declaring thousands of samples per pixel is refused from its header alone.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/tiff_io.h"
#include "imaging/codecs/tiff_raw_fax.h"
#include "imaging/codecs/tiff_samples.h"
#include "imaging/resource_policy.h"

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
               "the TIFF file does not state the image's size");
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
  if (l.width == 0 || l.height == 0)
    throw ImageError("the TIFF image has no pixels (" + std::to_string(l.width) + "x" +
                     std::to_string(l.height) + ")");
  if (l.samples == 0) throw ImageError("the TIFF image has no samples per pixel");
  check_pixel_limit(l.width, l.height);
  if (l.width > static_cast<uint32_t>(std::numeric_limits<int>::max()) ||
      l.height > static_cast<uint32_t>(std::numeric_limits<int>::max()))
    throw ImageError("the TIFF image is too large");

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

TiffSampleType sample_type(const Layout& l) {
  switch (l.sample_format) {
    case SAMPLEFORMAT_INT:
      return TiffSampleType::Signed;
    case SAMPLEFORMAT_IEEEFP:
      return TiffSampleType::Float;
    default:
      return TiffSampleType::Unsigned;
  }
}

// What the samples mean when we read them ourselves; nothing for the layouts left to libtiff's
// RGBA interface.
std::optional<TiffPixels> direct_pixels(const Layout& l) {
  TiffPixels pixels;
  switch (l.photometric) {
    case PHOTOMETRIC_MINISWHITE:
      pixels.colour = TiffColour::GreyInverted;
      break;
    case PHOTOMETRIC_MINISBLACK:
      pixels.colour = TiffColour::Grey;
      break;
    case PHOTOMETRIC_PALETTE:
      if (l.bits > 16 || sample_type(l) == TiffSampleType::Float) return std::nullopt;
      pixels.colour = TiffColour::Palette;
      break;
    case PHOTOMETRIC_RGB:
      pixels.colour = TiffColour::Rgb;
      break;
    case PHOTOMETRIC_YCBCR:
      // Only under JPEG, whose decoder hands out RGB rows; libtiff converts the rest.
      if (l.compression != COMPRESSION_JPEG || l.bits != 8 || l.planar != PLANARCONFIG_CONTIG)
        return std::nullopt;
      pixels.colour = TiffColour::Rgb;
      break;
    case PHOTOMETRIC_SEPARATED:
      if (l.inkset != INKSET_CMYK) return std::nullopt;
      pixels.colour = TiffColour::Cmyk;
      break;
    default:
      return std::nullopt;
  }
  if (l.compression == COMPRESSION_OJPEG) return std::nullopt;
  const int colour = colour_sample_count(pixels.colour);
  if (l.samples < colour) return std::nullopt;
  pixels.alpha = l.alpha != 0 && l.samples > colour;
  pixels.associated = l.alpha == EXTRASAMPLE_ASSOCALPHA;
  return pixels;
}

// A colour map of 2^bits entries as 8 bits. Some writers store 8-bit values in the 16-bit
// table; like libtiff, a table without any value above 255 is taken as such.
std::vector<Rgb> read_colormap(const TiffHandle& handle, int bits) {
  uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  handle.check(TIFFGetField(handle.get(), TIFFTAG_COLORMAP, &r, &g, &b) == 1 && r && g && b,
               "the TIFF palette image has no colour map");
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

// The strips or tiles that could not be decoded, told in one sentence.
class Damage {
 public:
  Damage(TiffHandle& handle, bool tiled, uint64_t pieces)
      : handle_(handle), tiled_(tiled), pieces_(pieces) {}

  void add(uint64_t piece, uint32_t first_row, uint32_t last_row) {
    if (count_++ == 0) {
      first_ = piece;
      rows_ = {first_row, last_row};
      reason_ = handle_.error();
    }
    handle_.clear_error();
  }
  bool everything() const { return count_ > 0 && count_ >= pieces_; }
  std::string reason() const { return reason_; }

  void report(IOParams& params) const {
    if (count_ == 0) return;
    const std::string kind = tiled_ ? "tile" : "strip";
    std::string text;
    if (count_ == 1)
      text = kind + " " + std::to_string(first_ + 1) + " of " + std::to_string(pieces_);
    else
      text = std::to_string(count_) + " of " + std::to_string(pieces_) + " " + kind +
             "s, the first " + std::to_string(first_ + 1) + ",";
    text += " cannot be decoded";
    if (!reason_.empty()) text += " (" + reason_ + ")";
    if (count_ == 1 && !tiled_)
      text += "; rows " + std::to_string(rows_.first + 1) + " to " +
              std::to_string(rows_.second + 1) + " show the background";
    else
      text += "; " + std::string(count_ == 1 ? "its area shows" : "their areas show") +
              " the background";
    params.warnings.push_back(text);
  }

 private:
  TiffHandle& handle_;
  bool tiled_;
  uint64_t pieces_;
  uint64_t count_ = 0;
  uint64_t first_ = 0;
  std::pair<uint32_t, uint32_t> rows_;
  std::string reason_;
};

std::string size_text(const Layout& l, uint64_t rows) {
  return std::to_string(rows) + (rows == 1 ? " row of " : " rows of ") + std::to_string(l.width) +
         " pixels with " + std::to_string(l.samples) + " samples of " + std::to_string(l.bits) +
         (l.bits == 1 ? " bit" : " bits");
}

[[noreturn]] void nothing_decodes(const std::string& reason) {
  throw ImageError(
      "no part of the TIFF image can be decoded: " +
      (reason.empty() ? std::string("the data of every strip or tile is damaged") : reason));
}

Raster read_directly(TiffHandle& handle, const Layout& l, TiffPixels pixels,
                     const ReadBudget& budget, IOParams& params) {
  TIFF* tif = handle.get();
  const TiffSampleType type = sample_type(l);
  std::string why;
  if (!SampleUnpacker::supported(l.bits, type, why)) throw ImageError("TIFF " + why);
  const SampleUnpacker unpack(l.bits, type, TIFFIsByteSwapped(tif) != 0);
  // YCbCr in JPEG: libjpeg converts to RGB on the way out.
  if (l.photometric == PHOTOMETRIC_YCBCR)
    handle.check(TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) == 1,
                 "cannot convert the TIFF image's YCbCr colours");

  const bool separate = l.planar == PLANARCONFIG_SEPARATE && l.samples > 1;
  const bool tiled = TIFFIsTiled(tif) != 0;
  const int used = colour_sample_count(pixels.colour) + (pixels.alpha ? 1 : 0);
  const size_t spp = separate ? 1 : l.samples;  // samples per pixel in each buffer's rows
  const int planes = separate ? used : 1;       // buffers read for each strip or tile

  uint32_t piece_w = l.width, piece_h = l.height;  // a tile's size, or a strip's
  uint64_t row_bytes = 0, piece_bytes = 0;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &piece_w);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &piece_h);
    row_bytes = TIFFTileRowSize64(tif);
    piece_bytes = TIFFTileSize64(tif);
    handle.check(piece_w > 0 && piece_h > 0, "the TIFF file states tiles of no size");
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &piece_h);
    piece_h = std::clamp<uint32_t>(piece_h, 1, l.height);
    row_bytes = TIFFScanlineSize64(tif);
    piece_bytes = row_bytes * piece_h;
  }
  handle.check(row_bytes > 0, "the TIFF file's rows have no size");
  // At least as many bits as the samples need: a short row would be read past its end.
  handle.check(
      row_bytes * 8 >= uint64_t{piece_w} * spp * l.bits && piece_bytes >= row_bytes * piece_h,
      "the TIFF file's row size does not fit its samples");

  const PixelFormat format = PixelWriter::format_for(pixels, l.bits);
  const uint64_t row_values = uint64_t{std::min(piece_w, l.width)} * used * sizeof(uint32_t);
  budget.check_memory(
      picture_bytes(l.width, l.height, bits_per_pixel(format), pixels.alpha) +
          piece_bytes * planes + row_values,
      std::string("a TIFF ") + (tiled ? "tile of " : "strip of ") + size_text(l, piece_h));

  std::vector<Rgb> palette;
  if (pixels.colour == TiffColour::Palette) palette = read_colormap(handle, l.bits);
  PixelWriter writer(static_cast<int>(l.width), static_cast<int>(l.height), pixels, l.bits,
                     unpack.max(), std::move(palette));
  std::vector<std::vector<uint8_t>> buffers(static_cast<size_t>(planes),
                                            std::vector<uint8_t>(piece_bytes));
  std::vector<uint32_t> values(row_values / sizeof(uint32_t));

  // The values of `count` pixels from column `x` of piece row `r`, for every used sample.
  const auto gather = [&](uint32_t r, uint32_t x, uint32_t count) {
    for (int c = 0; c < used; ++c) {
      const uint8_t* row = buffers[separate ? c : 0].data() + r * row_bytes;
      unpack.unpack(row, separate ? x : size_t{x} * spp + c, spp, count, values.data() + c, used);
    }
  };

  const uint32_t across = tiled ? (l.width + piece_w - 1) / piece_w : 1;
  const uint32_t down = (l.height + piece_h - 1) / piece_h;
  const uint64_t per_plane = uint64_t{across} * down;
  Damage damage(handle, tiled, per_plane);
  for (uint32_t py = 0; py < down; ++py) {
    const uint32_t y0 = py * piece_h, rows = std::min(piece_h, l.height - y0);
    for (uint32_t px = 0; px < across; ++px) {
      budget.check_time();
      const uint32_t x0 = px * piece_w, cols = std::min(piece_w, l.width - x0);
      bool read = true;
      for (int p = 0; p < planes && read; ++p) {
        if (tiled)
          read = TIFFReadTile(tif, buffers[p].data(), x0, y0, 0, static_cast<uint16_t>(p)) >= 0;
        else
          read =
              TIFFReadEncodedStrip(tif, static_cast<uint32_t>(p * per_plane + py),
                                   buffers[p].data(), static_cast<tmsize_t>(row_bytes * rows)) >= 0;
      }
      if (!read) {
        damage.add(uint64_t{py} * across + px, y0, y0 + rows - 1);
        writer.fill_background(static_cast<int>(y0), static_cast<int>(y0 + rows),
                               static_cast<int>(x0), static_cast<int>(x0 + cols));
        continue;
      }
      for (uint32_t r = 0; r < rows; ++r) {
        gather(r, 0, cols);
        writer.write(static_cast<int>(y0 + r), static_cast<int>(x0), static_cast<int>(cols),
                     values.data());
      }
    }
  }
  if (damage.everything()) nothing_decodes(damage.reason());
  damage.report(params);
  return writer.finish();
}

// Ends an RGBA reading, whatever happens after it began.
struct RgbaImage {
  TIFFRGBAImage image{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&image);
  }
};

// libtiff's RGBA refusals begin with an apology and name tags; the reason is what is left.
std::string plain_rgba_reason(std::string reason) {
  for (const std::string_view apology : {"Sorry, can not handle ", "Sorry, can not "})
    if (reason.rfind(apology, 0) == 0) {
      reason = "cannot read TIFF " + reason.substr(apology.size());
      break;
    }
  return reason.empty() ? "the TIFF image's layout is not supported" : reason;
}

Raster read_through_rgba(TiffHandle& handle, const Layout& l, const ReadBudget& budget,
                         IOParams& params) {
  TIFF* tif = handle.get();
  char reason[1024] = "";
  if (TIFFRGBAImageOK(tif, reason) != 1) throw ImageError(plain_rgba_reason(reason));
  const bool tiled = TIFFIsTiled(tif) != 0;
  uint32_t band = l.height;
  if (tiled)
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
  else
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
  band = std::clamp<uint32_t>(band, 1, l.height);
  const uint64_t band_pixels = uint64_t{l.width} * band;
  // The picture, our band of RGBA pixels, and libtiff's own buffer of one strip or tile row.
  budget.check_memory(
      picture_bytes(l.width, l.height, 24, l.alpha != 0) + band_pixels * 8 +
          (tiled ? TIFFTileSize64(tif) : TIFFStripSize64(tif)),
      std::string("a TIFF ") + (tiled ? "row of tiles of " : "strip of ") + size_text(l, band));

  RgbaImage rgba;
  handle.check(TIFFRGBAImageBegin(&rgba.image, tif, 1, reason) == 1,
               reason[0] != '\0' ? reason : "cannot decode the TIFF image");
  rgba.begun = true;
  // Rows come out in the order the file stores them, as the direct reading gives them: asking
  // for the file's own orientation keeps libtiff from flipping.
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (orientation < ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT)
    orientation = ORIENTATION_TOPLEFT;
  rgba.image.req_orientation = orientation;

  // The RGBA interface hands out premultiplied colour whatever the file held.
  const TiffPixels pixels{TiffColour::Rgb, l.alpha != 0, true};
  PixelWriter writer(static_cast<int>(l.width), static_cast<int>(l.height), pixels, 8, 255, {});
  std::vector<uint32_t> band_rgba(band_pixels);
  std::vector<uint32_t> values(size_t{l.width} * writer.samples());
  const uint32_t bands = (l.height + band - 1) / band;
  Damage damage(handle, false, bands);
  for (uint32_t b = 0; b < bands; ++b) {
    budget.check_time();
    const uint32_t y0 = b * band, rows = std::min(band, l.height - y0);
    rgba.image.row_offset = static_cast<int>(y0);
    rgba.image.col_offset = 0;
    if (TIFFRGBAImageGet(&rgba.image, band_rgba.data(), l.width, rows) != 1) {
      damage.add(b, y0, y0 + rows - 1);
      writer.fill_background(static_cast<int>(y0), static_cast<int>(y0 + rows), 0,
                             static_cast<int>(l.width));
      continue;
    }
    for (uint32_t r = 0; r < rows; ++r) {
      const uint32_t* p = band_rgba.data() + size_t{r} * l.width;
      uint32_t* v = values.data();
      for (uint32_t x = 0; x < l.width; ++x, ++p) {
        *v++ = TIFFGetR(*p), *v++ = TIFFGetG(*p), *v++ = TIFFGetB(*p);
        if (pixels.alpha) *v++ = TIFFGetA(*p);
      }
      writer.write(static_cast<int>(y0 + r), 0, static_cast<int>(l.width), values.data());
    }
  }
  if (damage.everything()) nothing_decodes(damage.reason());
  damage.report(params);
  return writer.finish();
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
  const ReadBudget budget(data.size());
  TiffHandle handle(data, budget.memory_allowed());
  const Layout layout = read_layout(handle, params);
  budget.check_pixels(layout.width, layout.height);
  // What libtiff found wrong in the directory it could read past is no reason for the strips.
  handle.clear_error();
  if (const std::optional<TiffPixels> pixels = direct_pixels(layout))
    return read_directly(handle, layout, *pixels, budget, params);
  return read_through_rgba(handle, layout, budget, params);
}

int count_tiff_images(std::span<const uint8_t> data) {
  const TiffHandle handle(data, ReadBudget(data.size()).memory_allowed());
  return static_cast<int>(TIFFNumberOfDirectories(handle.get()));
}

void read_tiff_header(std::span<const uint8_t> data, IOParams& params) {
  // A raw fax page states nothing about itself: its height is known only once it is decoded.
  if (!sniff_tiff(data)) {
    decode_raw_fax(data, params);
    return;
  }
  TiffHandle handle(data, ReadBudget(data.size()).memory_allowed());
  read_layout(handle, params);
}

}  // namespace lumatrix
