#include <algorithm>
#include <deque>
#include <optional>
#include <tuple>

#include "base/choice_text.h"
#include "imaging/codec.h"
#include "imaging/codecs/codecs.h"

namespace lumatrix {

namespace {

// The TIFF items differ only in the compression they select.
SaveChoice tiff_item(std::string_view label, TiffCompression compression, bool otherwise = false) {
  return {label, {".tif", ".tiff"}, compression, otherwise};
}

std::deque<Codec> built_in_rows() {
  // Row order is the order `convert --help` lists the formats in and lookups try them in; the
  // Image_Format list has its own order (list_position).
  std::deque<Codec> rows;
  rows.push_back({
      .name = "JPEG",
      .extensions = {".jpg", ".jpeg", ".jpe"},
      .file_type = FileType::JPEG,
      .decode = decode_jpeg,
      .encode = encode_jpeg,
      .read_header = read_jpeg_header,
      .sniff = sniff_jpeg,
      .open_rows = open_jpeg_rows,
      .can = {.grey = true, .exif = true, .iptc = true, .lossy = true},
      .folder_load = {".jpg", ".jpeg"},
      .save =
          SaveFormat{
              .list_position = 1, .choices = {{"JPEG", {".jpg", ".jpeg"}}}, .aliases = {"jpg"}},
      .lossless_turn = LosslessTurn::Transform,
  });
  rows.push_back({
      .name = "PNG",
      .extensions = {".png"},
      .file_type = FileType::PNG,
      .decode = decode_png,
      .encode = encode_png,
      .read_header = read_png_header,
      .sniff = sniff_png,
      .open_rows = open_png_rows,
      .can = {.alpha = true, .writes_alpha = true, .palette = true, .grey = true, .lossless = true},
      .folder_load = {".png"},
      .save = SaveFormat{.list_position = 4, .choices = {{"PNG", {".png"}}}},
      .watermark_alpha = true,
      .lossless_turn = LosslessTurn::Rewrite,
  });
  rows.push_back({
      .name = "BMP",
      .extensions = {".bmp", ".dib", ".rle"},
      .file_type = FileType::BMP,
      .decode = decode_bmp,
      .encode = encode_bmp,
      .read_header = read_bmp_header,
      .sniff = sniff_bmp,
      .can = {.alpha = true, .palette = true, .lossless = true},
      .folder_load = {".bmp", ".dib", ".rle"},
      .save = SaveFormat{.list_position = 2, .choices = {{"BMP", {".bmp"}}}},
      .lossless_turn = LosslessTurn::Rewrite,
  });
  rows.push_back({
      .name = "PNM",
      .extensions = {".pxm", ".ppm", ".pgm", ".pbm"},
      .file_type = FileType::PNM,
      .decode = decode_pnm,
      .encode = encode_pnm,
      .read_header = read_pnm_header,
      .sniff = sniff_pnm,
      .can = {.grey = true, .lossless = true},
      .folder_load = {".pbm", ".pgm", ".ppm"},
      // The encoder writes the variant the target's extension names.
      .save = SaveFormat{.list_position = 8,
                         .choices = {{"PBM", {".pbm"}}, {"PGM", {".pgm"}}, {"PPM", {".ppm"}}}},
      .lossless_turn = LosslessTurn::Rewrite,
  });
  rows.push_back({
      .name = "TIFF",
      .extensions = {".tif", ".tiff", ".fax", ".g3n", ".g3f"},
      .file_type = FileType::TIFF,
      .decode = decode_tiff,
      .encode = encode_tiff,
      .read_header = read_tiff_header,
      // Raw fax pages have no signature; the decoder reads them when the TIFF one is missing.
      .sniff = sniff_tiff,
      // JPEG compression is written only when the parameters ask for it; no item does.
      .can = {.alpha = true,
              .writes_alpha = true,
              .palette = true,
              .grey = true,
              .multi_image = true,
              .lossless = true,
              .lossy = true},
      .folder_load = {".tif", ".tiff", ".fax"},
      .save = SaveFormat{.list_position = 6,
                         .choices = {tiff_item("TIFF Packbits", TiffCompression::PackBits),
                                     tiff_item("TIFF LZW", TiffCompression::LZW, true),
                                     tiff_item("TIFF CCITT Huffman", TiffCompression::Huffman),
                                     tiff_item("TIFF CCITT G3", TiffCompression::G3_2D),
                                     tiff_item("TIFF CCITT G4", TiffCompression::G4)},
                         .named_within = "tiff"},
      // JPEG-compressed files are refused one by one: their rewrite would not match.
      .lossless_turn = LosslessTurn::Rewrite,
      .count_images = count_tiff_images,
  });
  rows.push_back({
      .name = "GIF",
      .extensions = {".gif"},
      .file_type = FileType::GIF,
      .decode = decode_gif,
      .encode = encode_gif,
      .read_header = read_gif_header,
      .sniff = sniff_gif,
      .can = {.alpha = true,
              .writes_alpha = true,
              .palette = true,
              .multi_image = true,
              .lossless = true},
      .folder_load = {".gif"},
      .save = SaveFormat{.list_position = 3, .choices = {{"GIF", {".gif"}}}},
      .watermark_alpha = true,
      .lossless_turn = LosslessTurn::Rewrite,
      .count_images = count_gif_images,
  });
  rows.push_back({
      .name = "PCX",
      .extensions = {".pcx"},
      .file_type = FileType::PCX,
      .decode = decode_pcx,
      .encode = encode_pcx,
      .read_header = read_pcx_header,
      .sniff = sniff_pcx,
      .can = {.alpha = true, .palette = true, .lossless = true},
      .folder_load = {".pcx"},
      .save = SaveFormat{.list_position = 5, .choices = {{"PCX", {".pcx"}}}},
      .lossless_turn = LosslessTurn::Rewrite,
  });
  rows.push_back({
      .name = "Targa",
      .extensions = {".tga", ".targa", ".vda", ".icb", ".vst", ".win"},
      .file_type = FileType::TGA,
      .decode = decode_targa,
      .encode = encode_targa,
      .read_header = read_targa_header,
      .sniff = sniff_targa,
      .can = {.alpha = true, .writes_alpha = true, .palette = true, .grey = true, .lossless = true},
      // The file dialogs have always counted ".pix" among the Targa names, but the reader's
      // table never took it: a folder load lists such files and the run skips them.
      .folder_load = {".tga", ".vda", ".icb", ".vst", ".pix"},
      .save = SaveFormat{.list_position = 7, .choices = {{"TGA", {".tga"}}}},
      .lossless_turn = LosslessTurn::Rewrite,
  });
  rows.push_back({
      .name = "Icon",
      .extensions = {".ico"},
      .file_type = FileType::ICO,
      .decode = decode_ico,
      .read_header = read_ico_header,
      .sniff = sniff_ico,
      .can = {.alpha = true, .palette = true, .multi_image = true},
  });
  rows.push_back({
      .name = "Cursor",
      .extensions = {".cur"},
      .file_type = FileType::CUR,
      .decode = decode_ico,
      .read_header = read_ico_header,
      .sniff = sniff_cur,
      .can = {.alpha = true, .palette = true, .multi_image = true},
  });
#if LUMATRIX_WITH_JPEG2000
  // One decoder serves both rows and tells a file from a code stream by its signature, so each
  // row reads what either can hold (a palette only in a .jp2 file).
  constexpr Capabilities kJpeg2000{.alpha = true,
                                   .writes_alpha = true,
                                   .palette = true,
                                   .grey = true,
                                   .lossless = true,
                                   .lossy = true};
  rows.push_back({
      .name = "JPEG 2000",
      // .jph (and .jhc below): High-Throughput JPEG 2000, which OpenJPEG reads but cannot write.
      .extensions = {".jp2", ".jph"},
      .file_type = FileType::JP2,
      .decode = decode_jpeg2000,
      .encode = encode_jpeg2000,
      .read_header = read_jpeg2000_header,
      .sniff = sniff_jp2,
      .can = kJpeg2000,
  });
  rows.push_back({
      .name = "JPEG 2000 code stream",
      .extensions = {".j2k", ".jpc", ".j2c", ".jhc"},
      .file_type = FileType::J2K,
      .decode = decode_jpeg2000,
      .encode = encode_jpeg2000,
      .read_header = read_jpeg2000_header,
      .sniff = sniff_j2k,
      .can = kJpeg2000,
  });
#endif
#if LUMATRIX_WITH_WEBP
  rows.push_back({
      .name = "WebP",
      .extensions = {".webp"},
      .file_type = FileType::Other,
      .decode = decode_webp,
      .encode = encode_webp,
      .read_header = read_webp_header,
      .sniff = sniff_webp,
      // Of an animation the first frame is read.
      .can = {.alpha = true, .multi_image = true, .exif = true, .lossless = true, .lossy = true},
      .folder_load = {".webp"},
      .save = SaveFormat{.list_position = 9, .choices = {{"WebP", {".webp"}}}},
  });
#endif
#if LUMATRIX_WITH_HEIF
  // One decoder serves both rows, whatever brand a file carries. Each row writes only where
  // libheif has an encoder for its coding; without one it reads only and offers no save choice.
  for (const auto& [name, extensions, sniff, position] :
       {std::tuple{"AVIF", std::vector<std::string_view>{".avif"}, SniffFn{sniff_avif}, 10},
        std::tuple{"HEIC", std::vector<std::string_view>{".heic", ".heif"}, SniffFn{sniff_heic}, 11}}) {
    const std::string_view extension = extensions.front();
    const bool writes = heif_writes(extension);
    if (!heif_reads(extension) && !writes) continue;
    rows.push_back({
        .name = name,
        .extensions = extensions,
        .file_type = FileType::Other,
        .decode = heif_reads(extension) ? decode_heif : nullptr,
        .encode = writes ? encode_heif : nullptr,
        .read_header = read_heif_header,
        .sniff = sniff,
        .can = {.alpha = true, .exif = true, .lossless = writes, .lossy = writes},
        .folder_load = extensions,
        .save = writes ? std::optional(SaveFormat{.list_position = position,
                                                  .choices = {{name, extensions}}})
                       : std::nullopt,
    });
  }
#endif
#if LUMATRIX_WITH_JXL
  rows.push_back({
      .name = "JPEG XL",
      .extensions = {".jxl"},
      .file_type = FileType::Other,
      .decode = decode_jxl,
      .encode = encode_jxl,
      .read_header = read_jxl_header,
      .sniff = sniff_jxl,
      // Of an animation the first frame is read.
      .can = {.alpha = true,
              .grey = true,
              .multi_image = true,
              .exif = true,
              .lossless = true,
              .lossy = true},
      .folder_load = {".jxl"},
      .save = SaveFormat{.list_position = 12, .choices = {{"JPEG XL", {".jxl"}}}},
  });
#endif
#if LUMATRIX_WITH_CAMERA_RAW
  // Read only: the sensor data are developed into an 8-bit sRGB picture.
  rows.push_back({
      .name = "Camera raw",
      .extensions = {".cr2", ".cr3", ".nef", ".arw", ".dng", ".orf", ".raf", ".rw2"},
      .file_type = FileType::Other,
      .decode = decode_camera_raw,
      .read_header = read_camera_raw_header,
      // DNG, NEF and ARW files are TIFF files as well; the TIFF reader would see their preview.
      .sniff = sniff_camera_raw,
      .can = {.grey = true},
      .folder_load = {".cr2", ".cr3", ".nef", ".arw", ".dng", ".orf", ".raf", ".rw2"},
  });
#endif
  // Formats we have no codec for. They are rows because a folder load has always listed their
  // files; lookups pass over them, so loading one reads nothing, as for any unknown extension.
  rows.push_back({.name = "Windows metafile",
                  .extensions = {".wmf"},
                  .file_type = FileType::WMF,
                  .folder_load = {".wmf"}});
  rows.push_back({.name = "Dr. Halo", .extensions = {".cut"}, .folder_load = {".cut"}});
  rows.push_back({.name = "Kodak Photo CD", .extensions = {".pcd"}, .folder_load = {".pcd"}});
  rows.push_back({.name = "Paint Shop Pro", .extensions = {".psp"}, .folder_load = {".psp"}});
  rows.push_back(
      {.name = "Photoshop", .extensions = {".psd", ".pdd"}, .folder_load = {".psd", ".pdd"}});
  return rows;
}

std::deque<Codec>& table() {
  // A deque, so that the pointers find_codec hands out survive register_codec.
  static std::deque<Codec> rows = built_in_rows();
  return rows;
}

bool reads_or_writes(const Codec& codec) {
  return codec.decode != nullptr || codec.encode != nullptr;
}

}  // namespace

std::string lower_extension(const std::filesystem::path& path) {
  return lower_ascii(path.extension().string());
}

const std::deque<Codec>& codecs() {
  return table();
}

void register_codec(Codec codec) {
  table().push_back(std::move(codec));
}

const Codec* find_codec(const std::filesystem::path& path) {
  const std::string ext = lower_extension(path);
  if (ext.empty()) return nullptr;
  for (const Codec& codec : table())
    if (reads_or_writes(codec) &&
        std::find(codec.extensions.begin(), codec.extensions.end(), ext) != codec.extensions.end())
      return &codec;
  return nullptr;
}

const Codec* codec_by_signature(std::span<const uint8_t> data, const Codec* besides) {
  for (const Codec& codec : table())
    if (codec.decode != nullptr && (besides == nullptr || codec.decode != besides->decode) &&
        codec.sniff != nullptr && codec.sniff(data))
      return &codec;
  return nullptr;
}

}  // namespace lumatrix
