#pragma once
// File parameters of an image document: what the last read file said about itself and what the
// next save will use.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/raster.h"

namespace lumatrix {

enum class FileType {
  None,
  TIFF,
  GIF,
  JPEG,
  PCX,
  BMP,
  ICO,
  CUR,
  PNG,
  WMF,
  EMF,
  TGA,
  PNM,
  JP2,
  J2K,
  Other,  // a format beyond these; the codec row that read the file names it
};

enum class TiffCompression {
  None,
  Huffman,
  G3,
  G3_2D,
  G4,
  LZW,
  OldJpeg,
  Jpeg,
  PackBits,
};

enum class JpegColorSpace { RGB, Gray, YCbCr, CMYK, YCbCrK };

enum class BmpCompression { None, RLE };

// One IPTC-IIM dataset ("2:120" caption and so on); `data` is the raw value bytes.
struct IptcRecord {
  uint8_t record = 2;
  uint8_t dataset = 0;
  std::string data;
  friend bool operator==(const IptcRecord&, const IptcRecord&) = default;
};

// Resolution an image gets when its file does not state one.
constexpr int kDisplayDpi = 96;

struct IOParams {
  int bits_per_sample = 8;
  int samples_per_pixel = 3;
  int width = 0, height = 0;
  int dpi_x = kDisplayDpi, dpi_y = kDisplayDpi;
  FileType file_type = FileType::None;

  TiffCompression tiff_compression = TiffCompression::None;
  int tiff_photometric = 2;

  bool gif_interlaced = false;
  bool gif_transparent = false;
  Rgb gif_transparent_color{};

  int jpeg_quality = 80;
  JpegColorSpace jpeg_color_space = JpegColorSpace::YCbCr;
  int jpeg_smoothing = 0;
  bool jpeg_optimal_huffman = false;
  bool jpeg_progressive = false;

  bool pcx_compressed = true;
  BmpCompression bmp_compression = BmpCompression::None;
  int png_compression = 5;
  // A transparent image saved in a format whose codec writes no alpha is composed onto this
  // colour, rather than showing whatever colours its transparent pixels happen to hold.
  Rgb flatten_colour{255, 255, 255};

  // The EXIF block as stored in a JPEG APP1 segment after "Exif\0\0" (a TIFF-structured
  // byte stream); empty when the file had none.
  std::vector<uint8_t> exif;
  std::vector<IptcRecord> iptc;
  // The XMP packet (RDF/XML) as a JPEG APP1 segment after "http://ns.adobe.com/xap/1.0/\0"
  // holds it; empty when the file had none.
  std::string xmp;
  // The embedded ICC colour profile as the file stores it, whole; empty when it had none. It
  // describes the pixels as read: whatever turns them into other colours drops it.
  std::vector<uint8_t> icc_profile;
  // Set by the caller before a load and kept by it, as stream_header is: readers that would
  // otherwise convert CMYK samples to RGB by formula convert them through the file's CMYK
  // profile to sRGB instead (and the profile, no longer describing them, is not kept).
  bool cmyk_by_profile = false;

  // Governs a header on stream transfers only; file saves ignore it.
  bool stream_header = true;

  // Damage the reader worked around in the last file read, one plain sentence each ("strip 3
  // of 12 cannot be decoded (...); its rows show the background"); empty for a sound file. The
  // picture is what could be read; the run logs these beside the file's name.
  std::vector<std::string> warnings;

  friend bool operator==(const IOParams&, const IOParams&) = default;
};

}  // namespace lumatrix
