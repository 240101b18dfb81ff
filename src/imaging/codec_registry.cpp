#include <algorithm>
#include <cctype>
#include <deque>

#include "base/choice_text.h"
#include "imaging/codec.h"
#include "imaging/codecs/codecs.h"

namespace lumatrix {

namespace {
std::deque<Codec>& table() {
  // A deque, so that the pointers find_codec hands out survive register_codec.
  // One row per format: name, extensions, file type, decoder, encoder, header reader.
  // clang-format off
  static std::deque<Codec> rows = {
      {"JPEG", {".jpg", ".jpeg", ".jpe"}, FileType::JPEG, decode_jpeg, encode_jpeg, read_jpeg_header},
      {"PNG", {".png"}, FileType::PNG, decode_png, encode_png, read_png_header},
      {"BMP", {".bmp", ".dib", ".rle"}, FileType::BMP, decode_bmp, encode_bmp, read_bmp_header},
      {"PNM", {".pxm", ".ppm", ".pgm", ".pbm"}, FileType::PNM, decode_pnm, encode_pnm, read_pnm_header},
      {"TIFF", {".tif", ".tiff", ".fax", ".g3n", ".g3f"}, FileType::TIFF, decode_tiff, encode_tiff, read_tiff_header},
      {"GIF", {".gif"}, FileType::GIF, decode_gif, encode_gif, read_gif_header},
      {"PCX", {".pcx"}, FileType::PCX, decode_pcx, encode_pcx, read_pcx_header},
      {"Targa", {".tga", ".targa", ".vda", ".icb", ".vst", ".win"}, FileType::TGA, decode_targa, encode_targa, read_targa_header},
      {"Icon", {".ico"}, FileType::ICO, decode_ico, nullptr, read_ico_header},
      {"Cursor", {".cur"}, FileType::CUR, decode_ico, nullptr, read_ico_header},
      {"JPEG 2000", {".jp2"}, FileType::JP2, decode_jpeg2000, encode_jpeg2000, read_jpeg2000_header},
      {"JPEG 2000 code stream", {".j2k", ".jpc", ".j2c"}, FileType::J2K, decode_jpeg2000, encode_jpeg2000, read_jpeg2000_header},
  };
  // clang-format on
  return rows;
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
    if (std::find(codec.extensions.begin(), codec.extensions.end(), ext) != codec.extensions.end())
      return &codec;
  return nullptr;
}

}  // namespace lumatrix
