#include "imaging/image_document.h"

#include <algorithm>

#include "base/file_bytes.h"
#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/flatten.h"
#include "imaging/format_facts.h"

namespace lumatrix {

namespace {
// Decoders report only the reason; the document adds the file it was reading.
template <typename Fn>
auto with_path(const std::filesystem::path& path, Fn&& fn) {
  try {
    return fn();
  } catch (const ImageError& e) {
    if (!e.path().empty()) throw;
    throw ImageError(path, e.reason());
  } catch (const std::bad_alloc&) {
    throw ImageError(path, "out of memory");
  }
}

// Reads `bytes` with the codec the extension names, unless they lack that format's signature
// and carry another row's: then that row reads them, and should it refuse them, the named codec
// reads them after all. So a file whose content has its extension's signature, or no row's
// signature at all, is read exactly as by the named codec alone; a PNG named ".tif" is not taken
// for a raw fax page. `used` is set to the codec whose result is returned.
template <typename Read>
auto read_by_content(const std::filesystem::path& path, const Codec& named,
                     std::span<const uint8_t> bytes, const Codec*& used, Read&& read) {
  used = &named;
  const bool own = named.sniff != nullptr && named.sniff(bytes);
  const Codec* other = own ? nullptr : codec_by_signature(bytes, &named);
  if (other == nullptr) return with_path(path, [&] { return read(named); });
  try {
    auto result = with_path(path, [&] { return read(*other); });
    used = other;
    return result;
  } catch (const ImageError& refused) {
    try {
      return with_path(path, [&] { return read(named); });
    } catch (const ImageError&) {
      // Both refuse: the content's format says best what is wrong with the file.
      throw ImageError(path, refused.reason() + " (content is " + std::string(other->name) +
                                 ", not " + std::string(named.name) + " as its extension says)");
    }
  }
}
}  // namespace

bool ImageDocument::load(const std::filesystem::path& path) {
  return load_with(path, [](const Codec& c, std::span<const uint8_t> bytes, IOParams& params) {
    Raster decoded = c.decode(bytes, params);
    params.width = decoded.width();
    params.height = decoded.height();
    return decoded;
  });
}

bool ImageDocument::load_resized(const std::filesystem::path& path, const ChooseTarget& choose,
                                 ResizeSpeed speed) {
  return load_with(path, [&](const Codec& c, std::span<const uint8_t> bytes, IOParams& params) {
    return decode_resized(bytes, c, params, choose, speed);
  });
}

bool ImageDocument::load_with(const std::filesystem::path& path, const Decode& decode) {
  const Codec* codec = find_codec(path);
  if (codec == nullptr || codec->decode == nullptr) {
    params.exif.clear();
    params.iptc.clear();
    params.xmp.clear();
    params.icc_profile.clear();
    aborting_ = true;
    read_with_ = misnamed_as_ = nullptr;
    return false;
  }
  aborting_ = false;
  const std::vector<uint8_t> bytes = read_file_bytes(path);
  IOParams loaded;
  const Codec* used = nullptr;
  Raster decoded = read_by_content(path, *codec, bytes, used, [&](const Codec& c) {
    loaded = IOParams{};
    loaded.cmyk_by_profile = params.cmyk_by_profile;
    return decode(c, bytes, loaded);
  });
  loaded.file_type = used->file_type;
  loaded.stream_header = params.stream_header;
  params = std::move(loaded);
  raster = std::move(decoded);
  selection_.reset();
  read_with_ = used;
  misnamed_as_ = used == codec ? nullptr : codec;
  return true;
}

std::optional<std::vector<uint8_t>> ImageDocument::encoded_for(
    const std::filesystem::path& path) const {
  const Codec* codec = find_codec(path);
  if (codec == nullptr || codec->encode == nullptr) return std::nullopt;
  if (raster.format() == PixelFormat::None) throw ImageError(path, "there is no image to save");
  return with_path(path, [&] {
    const std::string extension = lower_extension(path);
    if (raster.has_alpha() && !codec->can.writes_alpha)
      return codec->encode(flattened_onto(raster, params.flatten_colour), params, extension);
    return codec->encode(raster, params, extension);
  });
}

bool ImageDocument::save(const std::filesystem::path& path) const {
  const std::optional<std::vector<uint8_t>> bytes = encoded_for(path);
  if (!bytes) return false;
  write_file_atomically(path, *bytes);
  return true;
}

SaveOutcome ImageDocument::save_if_free(const std::filesystem::path& path) const {
  const std::optional<std::vector<uint8_t>> bytes = encoded_for(path);
  if (!bytes) return SaveOutcome::NoWriter;
  if (name_taken(path)) return SaveOutcome::NameTaken;
  TemporarySibling temp(path);
  temp.write(*bytes);
  temp.flush_and_close();
  return temp.place_if_free() ? SaveOutcome::Written : SaveOutcome::NameTaken;
}

bool ImageDocument::read_params(const std::filesystem::path& path) {
  const Codec* codec = find_codec(path);
  if (codec == nullptr || codec->decode == nullptr) {
    aborting_ = true;
    read_with_ = misnamed_as_ = nullptr;
    return false;
  }
  const std::vector<uint8_t> bytes = read_file_bytes(path);
  const Codec* used = nullptr;
  IOParams header = read_by_content(path, *codec, bytes, used, [&](const Codec& c) {
    IOParams read;
    if (c.read_header != nullptr) {
      c.read_header(bytes, read);
    } else {
      Raster decoded = c.decode(bytes, read);
      read.width = decoded.width();
      read.height = decoded.height();
    }
    return read;
  });
  header.file_type = used->file_type;
  header.stream_header = params.stream_header;
  header.cmyk_by_profile = params.cmyk_by_profile;
  params = std::move(header);
  aborting_ = false;
  read_with_ = used;
  misnamed_as_ = used == codec ? nullptr : codec;
  return true;
}

std::vector<std::string> ImageDocument::read_notices(std::string_view file) const {
  std::vector<std::string> lines;
  if (misnamed_as_ != nullptr && read_with_ != nullptr)
    lines.push_back(misnamed_notice(file, *misnamed_as_, *read_with_));
  for (const std::string& warning : params.warnings)
    lines.push_back(std::string(file) + ": damaged data, read as far as possible: " + warning);
  return lines;
}

void ImageDocument::assign(const ImageDocument& source) {
  if (&source == this) return;
  params = source.params;
  raster = source.raster;
  background = source.background;
}

void ImageDocument::reset_info() {
  // The raster carries no resolution of its own, so the defaults' display resolution stands.
  // The stream-header flag is the caller's choice for the run, not something a file says.
  const bool stream_header = params.stream_header;
  // The colour profile says what colours the pixels are, nothing about the file or its owner:
  // dropped with the header, it would shift them.
  const bool cmyk_by_profile = params.cmyk_by_profile;
  std::vector<uint8_t> icc_profile = std::move(params.icc_profile);
  params = IOParams{};
  params.stream_header = stream_header;
  params.cmyk_by_profile = cmyk_by_profile;
  params.icc_profile = std::move(icc_profile);
  params.width = raster.width();
  params.height = raster.height();
}

void ImageDocument::select(int x1, int y1, int x2, int y2) {
  selection_.reset();
  if (x1 == x2 || y1 == y2 || raster.empty()) return;
  auto clamp = [](int v, int hi) { return std::clamp(v, 0, hi); };
  x1 = clamp(x1, raster.width() - 1), x2 = clamp(x2, raster.width() - 1);
  y1 = clamp(y1, raster.height() - 1), y2 = clamp(y2, raster.height() - 1);
  selection_ = Rect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

void ImageDocument::crop_sel() {
  if (!selection_ || raster.empty()) {
    selection_.reset();
    return;
  }
  // The raster may have been replaced since the selection was made (load, assign, undo), so
  // the rectangle is clamped again to stay inside the current pixels.
  Rect r = *selection_;
  selection_.reset();
  r.x1 = std::min(r.x1, raster.width() - 1), r.x2 = std::min(r.x2, raster.width() - 1);
  r.y1 = std::min(r.y1, raster.height() - 1), r.y2 = std::min(r.y2, raster.height() - 1);
  const int w = r.x2 - r.x1 + 1, h = r.y2 - r.y1 + 1;
  const int bpp = bits_per_pixel(raster.format());
  // 1-bit rows are assembled by setting bits, so only they need a cleared start.
  Raster cropped =
      bpp >= 8 ? Raster::for_overwrite(w, h, raster.format()) : Raster(w, h, raster.format());
  cropped.palette = raster.palette;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = raster.row(r.y1 + y);
    uint8_t* dst = cropped.row(y);
    if (bpp >= 8) {
      const size_t bytes = static_cast<size_t>(bpp / 8);
      std::copy_n(src + r.x1 * bytes, w * bytes, dst);
    } else {
      for (int x = 0; x < w; ++x) {
        const int sx = r.x1 + x;
        if ((src[sx >> 3] >> (7 - (sx & 7))) & 1)
          dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
  if (raster.has_alpha()) {
    cropped.add_alpha();
    for (int y = 0; y < h; ++y)
      std::copy_n(raster.alpha_row(r.y1 + y) + r.x1, w, cropped.alpha_row(y));
  }
  replace_raster("CropSel", std::move(cropped));
}

void ImageDocument::clear() {
  if (raster.format() == PixelFormat::None) return;
  save_undo("Clear");
  if (raster.format() == PixelFormat::Rgb24) {
    for (int y = 0; y < raster.height(); ++y) {
      uint8_t* p = raster.row(y);
      for (int x = 0; x < raster.width(); ++x)
        p[3 * x] = background.r, p[3 * x + 1] = background.g, p[3 * x + 2] = background.b;
    }
    return;
  }
  for (int y = 0; y < raster.height(); ++y)
    for (int x = 0; x < raster.width(); ++x) raster.set_pixel(x, y, background);
}

void ImageDocument::convert_to_24bit() {
  if (raster.format() == PixelFormat::None || raster.format() == PixelFormat::Rgb24) return;
  replace_raster("ConvertTo24Bit", raster.to_rgb24());
}

void ImageDocument::save_undo(const std::string& label) {
  if (!auto_undo || undo_limit < 1) return;
  undo_ = UndoStep{label, raster};
}

void ImageDocument::replace_raster(const std::string& label, Raster result) {
  if (auto_undo && undo_limit >= 1) undo_ = UndoStep{label, std::move(raster)};
  raster = std::move(result);
}

const std::string& ImageDocument::undo_label() const {
  static const std::string none;
  return undo_ ? undo_->label : none;
}

bool ImageDocument::undo() {
  if (!undo_) return false;
  raster = std::move(undo_->raster);
  undo_.reset();
  return true;
}

}  // namespace lumatrix
