// TIFF writing through libtiff: one directory, in strips of about 64 KB.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/image_error.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/tiff_io.h"
#include "imaging/colour_profile.h"
#include "imaging/quantize.h"

namespace lumatrix {

namespace {

constexpr size_t kStripBytes = 64 * 1024;

bool is_ccitt(TiffCompression c) {
  return c == TiffCompression::Huffman || c == TiffCompression::G3 || c == TiffCompression::G3_2D ||
         c == TiffCompression::G4;
}

uint16_t compression_tag(TiffCompression c) {
  switch (c) {
    case TiffCompression::Huffman:
      return COMPRESSION_CCITTRLE;
    case TiffCompression::G3:
    case TiffCompression::G3_2D:
      return COMPRESSION_CCITTFAX3;
    case TiffCompression::G4:
      return COMPRESSION_CCITTFAX4;
    case TiffCompression::LZW:
      return COMPRESSION_LZW;
    case TiffCompression::OldJpeg:  // nobody writes old-style JPEG any more; the new one reads
    case TiffCompression::Jpeg:     // everywhere the old one did
      return COMPRESSION_JPEG;
    case TiffCompression::PackBits:
      return COMPRESSION_PACKBITS;
    case TiffCompression::None:
      break;
  }
  return COMPRESSION_NONE;
}

int luminance(Rgb c) {
  return 21 * c.r + 71 * c.g + 8 * c.b;
}

// What goes into the file: the raster to take samples from and how the samples are laid out.
struct Plan {
  Raster image;
  uint16_t photometric = PHOTOMETRIC_RGB;
  uint16_t bits = 8;
  uint16_t colour = 3;  // colour samples per pixel; one more when `image` has alpha
  bool invert_bits = false;
};

// The fax codings hold black and white only, 1 meaning black. A raster with more colours is
// first reduced to 1 bit by the 8x8 Bayer ordered dither of the colour-depth conversion; alpha
// has no place in a fax and is dropped.
Plan plan_bilevel(const Raster& raster) {
  Plan plan;
  plan.photometric = PHOTOMETRIC_MINISWHITE;
  plan.bits = 1;
  plan.colour = 1;
  if (raster.format() == PixelFormat::Bit1) {
    plan.image = raster;
    const Rgb p0 = raster.palette.size() > 0 ? raster.palette[0] : Rgb{0, 0, 0};
    const Rgb p1 = raster.palette.size() > 1 ? raster.palette[1] : Rgb{255, 255, 255};
    plan.invert_bits = luminance(p0) < luminance(p1);  // value 0 is the darker: it becomes 1
  } else {
    plan.image = bayer_dither(raster.format() == PixelFormat::Rgb24 ? raster : raster.to_rgb24());
    plan.invert_bits = true;  // the dither gives 1 for white
  }
  plan.image.drop_alpha();
  return plan;
}

Plan plan_layout(const Raster& raster, const IOParams& params) {
  const TiffCompression c = params.tiff_compression;
  if (is_ccitt(c)) return plan_bilevel(raster);
  const bool jpeg = compression_tag(c) == COMPRESSION_JPEG;
  Plan plan;
  // JPEG codes grey and colour only; alpha is not carried either.
  const bool to_rgb =
      raster.format() == PixelFormat::Palette8 || raster.format() == PixelFormat::Bit1
          ? jpeg || raster.has_alpha()
          : false;
  plan.image = to_rgb ? raster.to_rgb24() : raster;
  if (jpeg) plan.image.drop_alpha();
  switch (plan.image.format()) {
    case PixelFormat::Bit1: {
      plan.bits = 1;
      plan.colour = 1;
      const std::vector<Rgb>& p = plan.image.palette;
      if (p == std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}) {
        plan.photometric = PHOTOMETRIC_MINISBLACK;
      } else if (p == std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}}) {
        plan.photometric = PHOTOMETRIC_MINISWHITE;
      } else {
        plan.photometric = PHOTOMETRIC_PALETTE;
      }
      break;
    }
    case PixelFormat::Palette8:
      plan.photometric = PHOTOMETRIC_PALETTE;
      plan.colour = 1;
      break;
    case PixelFormat::Gray8:
      plan.photometric = PHOTOMETRIC_MINISBLACK;
      plan.colour = 1;
      break;
    case PixelFormat::Rgb24:
      // YCbCr is a JPEG colour space here; with the lossless codings it would only subsample the
      // colour, so those files are written as RGB.
      if (params.tiff_photometric == PHOTOMETRIC_SEPARATED) {
        plan.photometric = PHOTOMETRIC_SEPARATED;
        plan.colour = 4;
      } else if (params.tiff_photometric == PHOTOMETRIC_YCBCR && jpeg) {
        plan.photometric = PHOTOMETRIC_YCBCR;
      }
      break;
    case PixelFormat::None:
      throw ImageError("cannot write an empty image as TIFF");
  }
  return plan;
}

// The usual naive conversion of light to inks, with full black where there is no colour.
void rgb_to_cmyk(const uint8_t* rgb, uint8_t* cmyk) {
  const int k = 255 - std::max({rgb[0], rgb[1], rgb[2]});
  cmyk[3] = static_cast<uint8_t>(k);
  for (int c = 0; c < 3; ++c)
    cmyk[c] =
        k == 255 ? 0 : static_cast<uint8_t>(((255 - rgb[c] - k) * 255 + (255 - k) / 2) / (255 - k));
}

// One row of samples as the file holds them.
void pack_row(const Plan& plan, int y, uint8_t* out) {
  const Raster& image = plan.image;
  const uint8_t* in = image.row(y);
  const size_t width = static_cast<size_t>(image.width());
  const uint8_t* alpha = image.has_alpha() ? image.alpha_row(y) : nullptr;
  if (plan.bits == 1) {
    for (size_t i = 0; i < image.stride(); ++i)
      out[i] = plan.invert_bits ? static_cast<uint8_t>(~in[i]) : in[i];
    return;
  }
  const size_t per_pixel = plan.colour + (alpha ? 1 : 0);
  const size_t in_colour = image.format() == PixelFormat::Rgb24 ? 3 : 1;
  for (size_t x = 0; x < width; ++x) {
    uint8_t* o = out + x * per_pixel;
    if (plan.colour == 4) {
      rgb_to_cmyk(in + 3 * x, o);
    } else {
      std::memcpy(o, in + in_colour * x, in_colour);
    }
    if (alpha) o[plan.colour] = alpha[x];
  }
}

void set_fields(const TiffHandle& handle, const Plan& plan, const IOParams& params,
                uint32_t rows_per_strip) {
  TIFF* tif = handle.get();
  const Raster& image = plan.image;
  const uint16_t compression = compression_tag(params.tiff_compression);
  const uint16_t samples = plan.colour + (image.has_alpha() ? 1 : 0);
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.width())) &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height())) &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, plan.bits) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, plan.photometric) &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, compression) &&
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows_per_strip) &&
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(std::max(params.dpi_x, 1))) &&
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(std::max(params.dpi_y, 1)));
  if (ok && image.has_alpha()) {
    const uint16_t type = EXTRASAMPLE_UNASSALPHA;
    ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &type);
  }
  if (ok && plan.photometric == PHOTOMETRIC_SEPARATED)
    ok = TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
  // The CMYK written here comes from a formula, which no profile of the source describes.
  const bool grey =
      plan.photometric == PHOTOMETRIC_MINISBLACK || plan.photometric == PHOTOMETRIC_MINISWHITE;
  if (ok && plan.photometric != PHOTOMETRIC_SEPARATED && profile_fits(params.icc_profile, grey))
    ok = TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(params.icc_profile.size()),
                      params.icc_profile.data());
  if (ok && plan.photometric == PHOTOMETRIC_PALETTE) {
    const size_t entries = size_t{1} << plan.bits;
    std::vector<uint16_t> r(entries, 0), g(entries, 0), b(entries, 0);
    for (size_t i = 0; i < entries && i < image.palette.size(); ++i) {
      r[i] = static_cast<uint16_t>(image.palette[i].r * 257);
      g[i] = static_cast<uint16_t>(image.palette[i].g * 257);
      b[i] = static_cast<uint16_t>(image.palette[i].b * 257);
    }
    ok = TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  if (ok && compression == COMPRESSION_CCITTFAX3)
    ok = TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS,
                      params.tiff_compression == TiffCompression::G3_2D ? GROUP3OPT_2DENCODING : 0);
  // Horizontal differencing helps continuous tone only; on indices and bits it only adds noise.
  if (ok && compression == COMPRESSION_LZW)
    ok = TIFFSetField(tif, TIFFTAG_PREDICTOR,
                      plan.bits == 8 && plan.photometric != PHOTOMETRIC_PALETTE
                          ? PREDICTOR_HORIZONTAL
                          : PREDICTOR_NONE);
  if (ok && compression == COMPRESSION_JPEG) {
    ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, std::clamp(params.jpeg_quality, 1, 100));
    // libjpeg converts our RGB rows to subsampled YCbCr itself.
    if (ok && plan.photometric == PHOTOMETRIC_YCBCR)
      ok = TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  handle.check(ok, "cannot set up the TIFF directory");
}

}  // namespace

std::vector<uint8_t> encode_tiff(const Raster& raster, const IOParams& params,
                                 std::string_view /*extension*/) {
  if (raster.empty() || raster.format() == PixelFormat::None)
    throw ImageError("cannot write an empty image as TIFF");
  const Plan plan = plan_layout(raster, params);
  const Raster& image = plan.image;
  const size_t samples = plan.colour + (image.has_alpha() ? 1 : 0);
  const size_t row_bytes = (static_cast<size_t>(image.width()) * samples * plan.bits + 7) / 8;
  size_t rows = std::clamp<size_t>(kStripBytes / row_bytes, 1, image.height());
  // JPEG strips hold whole blocks of 16 rows (8 rows of 2x subsampled chroma).
  if (compression_tag(params.tiff_compression) == COMPRESSION_JPEG) rows = (rows + 15) / 16 * 16;
  const uint32_t rows_per_strip = static_cast<uint32_t>(rows);

  TiffHandle handle;
  set_fields(handle, plan, params, rows_per_strip);
  handle.check(static_cast<size_t>(TIFFScanlineSize64(handle.get())) == row_bytes,
               "unexpected TIFF row size");
  std::vector<uint8_t> strip(row_bytes * rows_per_strip);
  for (int y0 = 0, s = 0; y0 < image.height(); y0 += static_cast<int>(rows_per_strip), ++s) {
    const int count = std::min(image.height() - y0, static_cast<int>(rows_per_strip));
    for (int r = 0; r < count; ++r) pack_row(plan, y0 + r, strip.data() + r * row_bytes);
    handle.check(TIFFWriteEncodedStrip(handle.get(), static_cast<uint32_t>(s), strip.data(),
                                       static_cast<tmsize_t>(row_bytes * count)) >= 0,
                 "cannot write a TIFF strip");
  }
  return handle.finish();
}

}  // namespace lumatrix
