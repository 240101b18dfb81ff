#include "imaging/codecs/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "imaging/codecs/exif_block.h"
#include "imaging/io_params.h"
#include "imaging/metadata.h"

namespace lumatrix {

namespace {

constexpr size_t kSignature = 8;

struct Chunk {
  std::string type;
  std::span<const uint8_t> whole;  // length, type, data and CRC
  std::span<const uint8_t> data;
};

uint32_t u32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// The chunks in file order; stops at the first one that does not fit.
std::vector<Chunk> chunks_of(std::span<const uint8_t> png) {
  std::vector<Chunk> chunks;
  size_t pos = kSignature;
  while (pos + 12 <= png.size()) {
    const uint64_t length = u32(png, pos);
    if (length > png.size() - pos - 12) break;
    const size_t size = static_cast<size_t>(length) + 12;
    chunks.push_back({std::string(reinterpret_cast<const char*>(png.data() + pos + 4), 4),
                      png.subspan(pos, size), png.subspan(pos + 8, static_cast<size_t>(length))});
    pos += size;
  }
  return chunks;
}

bool carried(const std::string& type) {
  if (type.size() != 4 || !std::islower(static_cast<unsigned char>(type[0]))) return false;
  static const std::set<std::string> kTiedToPixels{"tRNS", "bKGD", "hIST", "sBIT",
                                                   "sPLT", "pHYs", "tIME"};
  if (kTiedToPixels.contains(type)) return false;
  // Colour facts hold whatever the geometry; of other chunks only those marked safe to copy.
  static const std::set<std::string> kColour{"iCCP", "sRGB", "gAMA", "cHRM", "cICP"};
  return kColour.contains(type) || std::islower(static_cast<unsigned char>(type[3]));
}

std::vector<uint8_t> chunk_bytes(const std::string& type, std::span<const uint8_t> data) {
  std::vector<uint8_t> out;
  put_u32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  put_u32(out, static_cast<uint32_t>(crc));
  return out;
}

}  // namespace

std::vector<uint8_t> carry_png_chunks(std::span<const uint8_t> original,
                                      std::span<const uint8_t> rewritten, int width, int height) {
  const std::vector<Chunk> ours = chunks_of(rewritten);
  if (ours.empty() || ours.front().type != "IHDR") return {rewritten.begin(), rewritten.end()};
  std::set<std::string> present;
  for (const Chunk& chunk : ours) present.insert(chunk.type);

  std::vector<uint8_t> extra;
  for (const Chunk& chunk : chunks_of(original)) {
    const bool text = chunk.type == "tEXt" || chunk.type == "zTXt" || chunk.type == "iTXt";
    if (!carried(chunk.type) || (present.contains(chunk.type) && !text)) continue;
    if (chunk.type == "eXIf") {
      IOParams params;
      params.exif.assign(chunk.data.begin(), chunk.data.end());
      fit_metadata(params, MetadataKeep::All, width, height, true);
      mark_exif_upright(params.exif);
      const std::vector<uint8_t> fixed = chunk_bytes(chunk.type, params.exif);
      extra.insert(extra.end(), fixed.begin(), fixed.end());
      continue;
    }
    extra.insert(extra.end(), chunk.whole.begin(), chunk.whole.end());
  }
  std::vector<uint8_t> out(rewritten.begin(), rewritten.begin() + kSignature);
  out.insert(out.end(), ours.front().whole.begin(), ours.front().whole.end());
  out.insert(out.end(), extra.begin(), extra.end());
  const size_t rest = kSignature + ours.front().whole.size();
  out.insert(out.end(), rewritten.begin() + rest, rewritten.end());
  return out;
}

}  // namespace lumatrix
