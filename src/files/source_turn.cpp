#include "files/source_turn.h"

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/file_bytes.h"
#include "base/image_error.h"
#include "base/posix_file.h"
#include "imaging/codec.h"
#include "imaging/codecs/jpeg_transform.h"
#include "imaging/codecs/png_chunks.h"
#include "imaging/codecs/pnm_comments.h"
#include "imaging/image_document.h"
#include "imaging/metadata.h"
#include "imaging/rotate_flip.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

JpegTransform jpeg_transform_for(SourceTurn turn) {
  switch (turn) {
    case SourceTurn::Left:
      return JpegTransform::Rotate270;
    case SourceTurn::Right:
      return JpegTransform::Rotate90;
    case SourceTurn::Vertical:
      return JpegTransform::FlipVertical;
    case SourceTurn::Horizontal:
      return JpegTransform::FlipHorizontal;
  }
  return JpegTransform::Rotate90;
}

// The codec of the file's content: its signature decides, as it does when the file is loaded,
// and the extension only where the content carries none.
const Codec* content_codec(const fs::path& path, std::span<const uint8_t> bytes) {
  if (const Codec* by_signature = codec_by_signature(bytes)) return by_signature;
  return find_codec(path);
}

bool quarter(SourceTurn turn) {
  return turn == SourceTurn::Left || turn == SourceTurn::Right;
}

void turn_document(ImageDocument& doc, SourceTurn turn) {
  switch (turn) {
    case SourceTurn::Left:
      rotate(doc, 90);
      break;
    case SourceTurn::Right:
      rotate(doc, -90);
      break;
    case SourceTurn::Vertical:
      flip(doc, FlipDirection::Vertical);
      break;
    case SourceTurn::Horizontal:
      flip(doc, FlipDirection::Horizontal);
      break;
  }
  if (quarter(turn)) std::swap(doc.params.dpi_x, doc.params.dpi_y);
}

// A grid of `cell`-byte cells turned: the samples of a picture as stored, whatever they are.
std::vector<uint8_t> turned_cells(std::span<const uint8_t> cells, int width, int height, int cell,
                                  SourceTurn turn) {
  std::vector<uint8_t> out(cells.size());
  const int out_width = quarter(turn) ? height : width;
  const int out_height = quarter(turn) ? width : height;
  for (int y = 0; y < out_height; ++y)
    for (int x = 0; x < out_width; ++x) {
      int sx = x, sy = y;
      switch (turn) {
        case SourceTurn::Right:
          sx = y, sy = height - 1 - x;
          break;
        case SourceTurn::Left:
          sx = width - 1 - y, sy = x;
          break;
        case SourceTurn::Horizontal:
          sx = width - 1 - x;
          break;
        case SourceTurn::Vertical:
          sy = height - 1 - y;
          break;
      }
      std::copy_n(cells.data() + (static_cast<size_t>(sy) * width + sx) * cell, cell,
                  out.data() + (static_cast<size_t>(y) * out_width + x) * cell);
    }
  return out;
}

// A PNG of 16-bit samples, which the decoder rounds to 8 bits, turned sample by sample.
std::vector<uint8_t> rewritten_deep_png(std::span<const uint8_t> bytes, SourceTurn turn) {
  const PngSamples source = read_png_samples(bytes);
  PngSamples turned = source;
  turned.pixels =
      turned_cells(source.pixels, source.width, source.height, source.pixel_bytes, turn);
  if (quarter(turn)) {
    std::swap(turned.width, turned.height);
    if (turned.resolution) std::swap(turned.resolution->x, turned.resolution->y);
  }
  std::vector<uint8_t> out =
      carry_png_chunks(bytes, write_png_samples(turned), turned.width, turned.height);
  if (read_png_samples(out).pixels != turned.pixels)
    throw ImageError("this PNG file cannot be written back exactly");
  return out;
}

// The same picture, pixel for pixel: size, pixel format (so palette, grey and bit depth), the
// colours and the transparency.
bool same_picture(const Raster& a, const Raster& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.format() != b.format() ||
      a.has_alpha() != b.has_alpha())
    return false;
  const Raster ra = a.to_rgb24(), rb = b.to_rgb24();
  for (int y = 0; y < ra.height(); ++y) {
    if (!std::equal(ra.row(y), ra.row(y) + ra.stride(), rb.row(y))) return false;
    if (ra.has_alpha() &&
        !std::equal(ra.alpha_row(y), ra.alpha_row(y) + ra.width(), rb.alpha_row(y)))
      return false;
  }
  return true;
}

// The file parameters a rewrite must keep as they were.
bool same_coding(const IOParams& a, const IOParams& b) {
  return a.bits_per_sample == b.bits_per_sample && a.samples_per_pixel == b.samples_per_pixel &&
         a.tiff_compression == b.tiff_compression && a.bmp_compression == b.bmp_compression &&
         a.pcx_compressed == b.pcx_compressed && a.gif_interlaced == b.gif_interlaced;
}

// The extension the writer is told: the file's own where the row has it (PNM writes the variant
// it names), else the row's first.
std::string writer_extension(const Codec& codec, const fs::path& path) {
  const std::string own = lower_extension(path);
  for (std::string_view extension : codec.extensions)
    if (extension == own) return own;
  return std::string(codec.extensions.front());
}

// Decodes, turns and encodes the file again, and reads the result back to make sure the writer
// kept every pixel and the coding; anything short of that is refused rather than written.
std::vector<uint8_t> rewritten(const Codec& codec, const fs::path& path,
                               std::span<const uint8_t> bytes, SourceTurn turn) {
  const std::string name(codec.name);
  if (codec.can.multi_image) {
    const int images = codec.count_images != nullptr ? codec.count_images(bytes) : 0;
    if (images != 1)
      throw ImageError("it holds " + (images > 1 ? std::to_string(images) : "several") +
                       " images; writing it back would keep only the first");
  }
  ImageDocument doc;
  doc.auto_undo = false;
  doc.raster = codec.decode(bytes, doc.params);
  if (!doc.params.warnings.empty())
    throw ImageError("it is damaged (" + doc.params.warnings.front() +
                     "); writing it back would make the damage part of the picture");
  const IOParams read = doc.params;
  if (codec.file_type == FileType::PNG && read.bits_per_sample == 16) {
    std::vector<uint8_t> out = rewritten_deep_png(bytes, turn);
    if (const std::string lost = metadata_lost(bytes, out); !lost.empty())
      throw ImageError("writing it back would lose its " + lost);
    return out;
  }
  turn_document(doc, turn);
  std::vector<uint8_t> out = codec.encode(doc.raster, doc.params, writer_extension(codec, path));
  if (codec.file_type == FileType::PNG)
    out = carry_png_chunks(bytes, out, doc.width(), doc.height());
  else if (codec.file_type == FileType::TIFF)
    out = with_missing_metadata(bytes, std::move(out));
  else if (codec.file_type == FileType::PNM)
    out = carry_pnm_comments(bytes, std::move(out));

  // A file without the format's signature (a raw fax page read by the TIFF reader) would come
  // back as another kind of file.
  if (codec.sniff != nullptr && codec.sniff(out) != codec.sniff(bytes))
    throw ImageError("this " + name + " variant cannot be written back as it is");
  IOParams again;
  const Raster back = codec.decode(out, again);
  if (!same_picture(back, doc.raster) || !same_coding(again, read))
    throw ImageError("this " + name + " file (" + std::to_string(read.bits_per_sample) +
                     " bits per sample) cannot be written back exactly; turning it would lose "
                     "detail");
  if (const std::string lost = metadata_lost(bytes, out); !lost.empty())
    throw ImageError("writing it back would lose its " + lost);
  return out;
}

std::vector<uint8_t> turned_bytes(const fs::path& path, std::span<const uint8_t> bytes,
                                  SourceTurn turn) {
  const Codec* codec = content_codec(path, bytes);
  if (codec == nullptr || codec->decode == nullptr)
    throw ImageError("not a picture this program can read");
  switch (codec->lossless_turn) {
    case LosslessTurn::Transform:
      return transform_jpeg(bytes, jpeg_transform_for(turn));
    case LosslessTurn::Rewrite:
      return rewritten(*codec, path, bytes, turn);
    case LosslessTurn::None:
      break;
  }
  throw ImageError("not lossless: " + std::string(codec->name) +
                   " pictures cannot be turned without re-coding them");
}

// Puts `bytes` in place of the file whole: a temporary beside it with the file's permission bits,
// renamed over it. The modification time is the time of the turn: it is a new picture.
void replace_file(const fs::path& file, std::span<const uint8_t> bytes) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) throw ImageError(file, system_reason());
  TemporarySibling temp(file);
  if (::fchmod(temp.fd(), info.st_mode & 07777) != 0) throw ImageError(file, system_reason());
  temp.write(bytes);
  temp.flush_and_close();
  temp.replace_target();
}

}  // namespace

void turn_source_file(const fs::path& path, SourceTurn turn) {
  // A link stays a link: the picture it points to is turned.
  std::error_code error;
  const fs::path file = fs::is_symlink(path, error) ? fs::canonical(path, error) : path;
  if (error) throw ImageError(path, error.message());
  const std::vector<uint8_t> bytes = read_file_bytes(file);
  std::vector<uint8_t> turned;
  try {
    turned = turned_bytes(file, bytes, turn);
  } catch (const ImageError& e) {
    if (!e.path().empty()) throw;
    throw ImageError(path, e.reason());
  }
  try {
    replace_file(file, turned);
  } catch (const ImageError& e) {
    throw ImageError(path, e.reason());
  }
}

}  // namespace lumatrix
