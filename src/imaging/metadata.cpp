#include "imaging/metadata.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>
#include <string_view>

namespace lumatrix {

namespace {

// Exiv2 reports oddities it recovers from on stderr; a batch run has its own log, and corrupt
// metadata is dropped on purpose here, so its messages would only be noise.
void quiet_exiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    // The XMP toolkit sets itself up on first use, which is not safe from parallel workers.
    Exiv2::XmpParser::initialize();
  });
}

constexpr uint8_t kIimTagMarker = 0x1C;
constexpr uint16_t kIptcResourceId = 0x0404;

void put_u16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  put_u16(out, v >> 16);
  put_u16(out, v & 0xFFFF);
}

// Parses `exif`, or returns false when Exiv2 cannot make sense of it.
bool decode_exif(std::span<const uint8_t> exif, Exiv2::ExifData& data) {
  if (exif.empty()) return false;
  quiet_exiv2();
  try {
    Exiv2::ExifParser::decode(data, exif.data(), static_cast<uint32_t>(exif.size()));
    return !data.empty();
  } catch (const Exiv2::AnyError&) {
  } catch (const std::exception&) {
    // Exiv2 also lets std::out_of_range and friends escape on malformed offsets.
  }
  data.clear();
  return false;
}

std::optional<double> rational_tag(const Exiv2::ExifData& data, const char* key) {
  auto it = data.findKey(Exiv2::ExifKey(key));
  if (it == data.end() || it->count() == 0) return std::nullopt;
  const Exiv2::Rational r = it->toRational(0);
  if (r.second == 0 || r.first <= 0 || r.second < 0) return std::nullopt;
  return static_cast<double>(r.first) / r.second;
}

std::string text_tag(const Exiv2::ExifData& data, const char* key) {
  auto it = data.findKey(Exiv2::ExifKey(key));
  if (it == data.end()) return {};
  std::string text = it->toString();
  while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::vector<IptcRecord> parse_iptc_iim(std::span<const uint8_t> iim) {
  std::vector<IptcRecord> records;
  size_t pos = 0;
  while (pos < iim.size()) {
    // Writers pad between datasets now and then; resynchronise on the next tag marker.
    if (iim[pos] != kIimTagMarker) {
      ++pos;
      continue;
    }
    if (iim.size() - pos < 5) break;
    IptcRecord record;
    record.record = iim[pos + 1];
    record.dataset = iim[pos + 2];
    size_t length = (size_t{iim[pos + 3]} << 8) | iim[pos + 4];
    pos += 5;
    if (length & 0x8000) {
      // Extended dataset: the low bits count the bytes that hold the real length.
      const size_t count = length & 0x7FFF;
      if (count == 0 || count > 4 || iim.size() - pos < count) break;
      length = 0;
      for (size_t i = 0; i < count; ++i) length = (length << 8) | iim[pos + i];
      pos += count;
    }
    if (iim.size() - pos < length) break;
    record.data.assign(reinterpret_cast<const char*>(iim.data() + pos), length);
    pos += length;
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<uint8_t> build_iptc_iim(const std::vector<IptcRecord>& records) {
  std::vector<uint8_t> out;
  for (const IptcRecord& r : records) {
    out.push_back(kIimTagMarker);
    out.push_back(r.record);
    out.push_back(r.dataset);
    if (r.data.size() <= 0x7FFF) {
      put_u16(out, static_cast<uint32_t>(r.data.size()));
    } else {
      put_u16(out, 0x8004);
      put_u32(out, static_cast<uint32_t>(r.data.size()));
    }
    out.insert(out.end(), r.data.begin(), r.data.end());
  }
  return out;
}

std::vector<IptcRecord> iptc_from_photoshop_irb(std::span<const uint8_t> irb) {
  quiet_exiv2();
  std::vector<IptcRecord> records;
  const Exiv2::byte* cur = irb.data();
  const Exiv2::byte* const end = irb.data() + irb.size();
  try {
    const Exiv2::byte* record = nullptr;
    uint32_t size_header = 0, size_data = 0;
    // Photoshop may spread the IPTC data over several 0x0404 resources; they join in order.
    while (cur < end && Exiv2::Photoshop::locateIptcIrb(cur, static_cast<long>(end - cur), &record,
                                                        &size_header, &size_data) == 0) {
      const Exiv2::byte* data = record + size_header;
      if (data > end || static_cast<size_t>(end - data) < size_data) break;
      std::vector<IptcRecord> part = parse_iptc_iim({data, size_data});
      records.insert(records.end(), part.begin(), part.end());
      cur = data + size_data + (size_data & 1);
    }
  } catch (const Exiv2::AnyError&) {
  } catch (const std::exception&) {
  }
  return records;
}

std::vector<uint8_t> photoshop_irb_from_iptc(const std::vector<IptcRecord>& records) {
  const std::vector<uint8_t> iim = build_iptc_iim(records);
  std::vector<uint8_t> out = {'8', 'B', 'I', 'M'};
  put_u16(out, kIptcResourceId);
  put_u16(out, 0);  // empty Pascal name, padded to an even length
  put_u32(out, static_cast<uint32_t>(iim.size()));
  out.insert(out.end(), iim.begin(), iim.end());
  if (iim.size() & 1) out.push_back(0);
  return out;
}

std::optional<Resolution> exif_resolution(std::span<const uint8_t> exif) {
  Exiv2::ExifData data;
  if (!decode_exif(exif, data)) return std::nullopt;
  try {
    const std::optional<double> x = rational_tag(data, "Exif.Image.XResolution");
    const std::optional<double> y = rational_tag(data, "Exif.Image.YResolution");
    if (!x || !y) return std::nullopt;
    double scale = 1.0;
    auto unit = data.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
    if (unit != data.end() && unit->count() > 0) {
      const long u = unit->toLong(0);
      if (u == 3)
        scale = 2.54;
      else if (u != 2)
        return std::nullopt;  // 1: no absolute unit, only an aspect ratio
    }
    const double dpi_x = std::round(*x * scale), dpi_y = std::round(*y * scale);
    if (dpi_x < 1 || dpi_y < 1 || dpi_x > 1e6 || dpi_y > 1e6) return std::nullopt;
    return Resolution{static_cast<int>(dpi_x), static_cast<int>(dpi_y)};
  } catch (const Exiv2::AnyError&) {
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::string icc_description(std::span<const uint8_t> icc) {
  const auto u32 = [&](size_t at) -> uint32_t {
    return (uint32_t{icc[at]} << 24) | (uint32_t{icc[at + 1]} << 16) |
           (uint32_t{icc[at + 2]} << 8) | icc[at + 3];
  };
  constexpr size_t kHeader = 128;
  if (icc.size() < kHeader + 4) return {};
  const uint32_t tags = u32(kHeader);
  if (tags > (icc.size() - kHeader - 4) / 12) return {};
  for (uint32_t i = 0; i < tags; ++i) {
    const size_t entry = kHeader + 4 + size_t{i} * 12;
    if (u32(entry) != 0x64657363) continue;  // 'desc'
    const size_t offset = u32(entry + 4), size = u32(entry + 8);
    if (offset > icc.size() || size > icc.size() - offset || size < 12) return {};
    const std::span<const uint8_t> tag = icc.subspan(offset, size);
    std::string text;
    if (std::equal(tag.begin(), tag.begin() + 4, "desc")) {
      // textDescriptionType: a counted ASCII text, its terminating zero included.
      const size_t count =
          (size_t{tag[8]} << 24) | (size_t{tag[9]} << 16) | (size_t{tag[10]} << 8) | tag[11];
      if (count > size - 12) return {};
      text.assign(reinterpret_cast<const char*>(tag.data() + 12), count);
    } else if (std::equal(tag.begin(), tag.begin() + 4, "mluc") && size >= 28) {
      // multiLocalizedUnicodeType: the first record's UTF-16BE text, kept where it is ASCII.
      const size_t length =
          (size_t{tag[20]} << 24) | (size_t{tag[21]} << 16) | (size_t{tag[22]} << 8) | tag[23];
      const size_t start =
          (size_t{tag[24]} << 24) | (size_t{tag[25]} << 16) | (size_t{tag[26]} << 8) | tag[27];
      if (start > size || length > size - start) return {};
      for (size_t k = 0; k + 1 < length; k += 2) {
        const unsigned unit = (unsigned{tag[start + k]} << 8) | tag[start + k + 1];
        text += unit < 0x80 ? static_cast<char>(unit) : '?';
      }
    }
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    return text;
  }
  return {};
}

namespace {

ImageFacts facts_of(Exiv2::Image& image) {
  ImageFacts facts;
  image.readMetadata();
  const Exiv2::ExifData& data = image.exifData();
  auto orientation = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
  if (orientation != data.end() && orientation->count() > 0) {
    const long value = orientation->toLong(0);
    if (value >= 1 && value <= 8) facts.orientation = static_cast<int>(value);
  }
  facts.taken_original = text_tag(data, "Exif.Photo.DateTimeOriginal");
  facts.taken = facts.taken_original;
  if (facts.taken.empty()) facts.taken = text_tag(data, "Exif.Photo.DateTimeDigitized");
  const std::string make = text_tag(data, "Exif.Image.Make");
  const std::string model = text_tag(data, "Exif.Image.Model");
  // Many cameras repeat the make in the model ("Canon" / "Canon EOS 5D").
  facts.camera = model.starts_with(make) ? model : model.empty() ? make : make + " " + model;
  for (const Exiv2::Exifdatum& datum : data)
    if (datum.groupName() == "GPSInfo") {
      facts.gps = true;
      break;
    }
  if (image.iccProfileDefined()) {
    const Exiv2::DataBuf* icc = image.iccProfile();
    facts.has_colour_profile = true;
    facts.colour_profile =
        icc_description({icc->pData_, static_cast<size_t>(std::max<long>(icc->size_, 0))});
  }
  return facts;
}

// Facts from the image Exiv2 opens, or none when it cannot.
template <typename Open>
ImageFacts read_facts(Open&& open) {
  quiet_exiv2();
  try {
    auto image = open();
    if (image.get() != nullptr) return facts_of(*image);
  } catch (const Exiv2::AnyError&) {
  } catch (const std::exception&) {
  }
  return {};
}

}  // namespace

ImageFacts read_image_facts(std::span<const uint8_t> file) {
  if (file.empty()) return {};
  return read_facts(
      [&] { return Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size())); });
}

ImageFacts read_image_facts(const std::filesystem::path& file) {
  return read_facts([&] { return Exiv2::ImageFactory::open(file.string()); });
}

ExifSummary exif_summary(const std::vector<uint8_t>& exif) {
  ExifSummary summary;
  Exiv2::ExifData data;
  if (!decode_exif(exif, data)) return summary;
  try {
    summary.tag_count = static_cast<int>(data.count());
    summary.make = text_tag(data, "Exif.Image.Make");
    summary.model = text_tag(data, "Exif.Image.Model");
    summary.date_time = text_tag(data, "Exif.Photo.DateTimeOriginal");
    if (summary.date_time.empty()) summary.date_time = text_tag(data, "Exif.Image.DateTime");
    summary.readable = true;
  } catch (const Exiv2::AnyError&) {
    summary = ExifSummary{};
  } catch (const std::exception&) {
    summary = ExifSummary{};
  }
  return summary;
}

namespace {

// GPS tags, the pointer to them, serial numbers and owner names wherever Exiv2 finds them
// (Exif.Photo.BodySerialNumber, Exif.Canon.SerialNumber, Exif.Photo.CameraOwnerName, ...).
bool locates_or_identifies(const Exiv2::Exifdatum& datum) {
  const std::string tag = datum.tagName();
  return datum.groupName() == "GPSInfo" || datum.key() == "Exif.Image.GPSTag" ||
         tag.find("SerialNumber") != std::string::npos ||
         tag.find("OwnerName") != std::string::npos;
}

// Sets a pixel size tag that is present to `value`; whether it had another.
bool set_dimension(Exiv2::ExifData& data, const char* key, int value) {
  auto it = data.findKey(Exiv2::ExifKey(key));
  if (it == data.end() || value <= 0) return false;
  if (it->count() == 1 && it->toLong(0) == value) return false;
  if (it->typeId() == Exiv2::unsignedShort && value <= 0xFFFF)
    *it = static_cast<uint16_t>(value);
  else
    *it = static_cast<uint32_t>(value);
  return true;
}

// The XMP packet by the same rules as the EXIF block: its GPS properties, serial numbers and
// owner names, its pixel size, its thumbnails.
void fit_xmp(std::string& xmp, bool keep_all, int width, int height, bool reshaped) {
  if (xmp.empty()) return;
  quiet_exiv2();
  try {
    Exiv2::XmpData data;
    if (Exiv2::XmpParser::decode(data, xmp) != 0) {
      if (!keep_all) xmp.clear();
      return;
    }
    bool changed = false;
    for (auto it = data.begin(); it != data.end();) {
      const std::string key = it->key();
      const bool private_ = key.starts_with("Xmp.exif.GPS") ||
                            key.find("SerialNumber") != std::string::npos ||
                            key.find("OwnerName") != std::string::npos;
      const bool stale = reshaped && key.starts_with("Xmp.xmp.Thumbnails");
      if ((private_ && !keep_all) || stale) {
        it = data.erase(it);
        changed = true;
      } else {
        ++it;
      }
    }
    for (const auto& [key, value] :
         {std::pair{"Xmp.exif.PixelXDimension", width},
          std::pair{"Xmp.exif.PixelYDimension", height}, std::pair{"Xmp.tiff.ImageWidth", width},
          std::pair{"Xmp.tiff.ImageLength", height}}) {
      auto it = data.findKey(Exiv2::XmpKey(key));
      if (it == data.end() || value <= 0 || it->toString() == std::to_string(value)) continue;
      it->setValue(std::to_string(value));
      changed = true;
    }
    if (!changed) return;
    std::string packet;
    if (Exiv2::XmpParser::encode(packet, data) != 0) {
      if (!keep_all) xmp.clear();
      return;
    }
    xmp = std::move(packet);
  } catch (const Exiv2::AnyError&) {
    if (!keep_all) xmp.clear();
  } catch (const std::exception&) {
    if (!keep_all) xmp.clear();
  }
}

}  // namespace

void fit_metadata(IOParams& params, MetadataKeep keep, int width, int height, bool reshaped) {
  if (keep == MetadataKeep::None) {
    params.exif.clear();
    params.iptc.clear();
    params.xmp.clear();
    return;
  }
  const bool keep_all = keep != MetadataKeep::AllButLocationAndIdentity;
  fit_xmp(params.xmp, keep_all, width, height, reshaped);
  if (params.exif.empty()) return;
  Exiv2::ExifData data;
  if (!decode_exif(params.exif, data)) {
    if (!keep_all) params.exif.clear();
    return;
  }
  try {
    bool changed = false;
    if (!keep_all) {
      for (auto it = data.begin(); it != data.end();) {
        if (locates_or_identifies(*it)) {
          it = data.erase(it);
          changed = true;
        } else {
          ++it;
        }
      }
    }
    changed |= set_dimension(data, "Exif.Photo.PixelXDimension", width);
    changed |= set_dimension(data, "Exif.Photo.PixelYDimension", height);
    if (reshaped && std::any_of(data.begin(), data.end(), [](const Exiv2::Exifdatum& d) {
          return d.groupName() == "Thumbnail";
        })) {
      Exiv2::ExifThumb(data).erase();
      changed = true;
    }
    if (!changed) return;
    const Exiv2::ByteOrder order = params.exif[0] == 'M' ? Exiv2::bigEndian : Exiv2::littleEndian;
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order, data);
    params.exif = std::move(blob);
  } catch (const Exiv2::AnyError&) {
    if (!keep_all) params.exif.clear();
  } catch (const std::exception&) {
    if (!keep_all) params.exif.clear();
  }
}

void mark_xmp_upright(std::string& xmp) {
  if (xmp.find("Orientation") == std::string::npos) return;
  quiet_exiv2();
  try {
    Exiv2::XmpData data;
    if (Exiv2::XmpParser::decode(data, xmp) != 0) return;
    auto it = data.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
    if (it == data.end() || it->toString() == "1") return;
    it->setValue("1");
    std::string packet;
    if (Exiv2::XmpParser::encode(packet, data) == 0) xmp = std::move(packet);
  } catch (const Exiv2::AnyError&) {
  } catch (const std::exception&) {
  }
}

namespace {

// TIFF tags that describe how the pixels are stored, or point at other blocks, rather than say
// anything about the picture; a writer of a turned picture sets them anew.
bool describes_coding(const Exiv2::Exifdatum& datum) {
  static const std::set<std::string_view> kCoding{"NewSubfileType",
                                                  "SubfileType",
                                                  "ImageWidth",
                                                  "ImageLength",
                                                  "BitsPerSample",
                                                  "Compression",
                                                  "PhotometricInterpretation",
                                                  "FillOrder",
                                                  "StripOffsets",
                                                  "Orientation",
                                                  "SamplesPerPixel",
                                                  "RowsPerStrip",
                                                  "StripByteCounts",
                                                  "XResolution",
                                                  "YResolution",
                                                  "PlanarConfiguration",
                                                  "ResolutionUnit",
                                                  "Predictor",
                                                  "ColorMap",
                                                  "TileWidth",
                                                  "TileLength",
                                                  "TileOffsets",
                                                  "TileByteCounts",
                                                  "ExtraSamples",
                                                  "SampleFormat",
                                                  "T4Options",
                                                  "T6Options",
                                                  "JPEGTables",
                                                  "YCbCrSubSampling",
                                                  "YCbCrPositioning",
                                                  "ExifTag",
                                                  "GPSTag",
                                                  "InterColorProfile",
                                                  "XMLPacket",
                                                  "IPTCNAA",
                                                  "ImageResources",
                                                  "PixelXDimension",
                                                  "PixelYDimension"};
  return datum.groupName() == "Thumbnail" || kCoding.contains(datum.tagName());
}

struct HeldMetadata {
  std::set<std::string> exif;
  bool xmp = false, iptc = false, icc = false, comment = false;
};

std::optional<HeldMetadata> held_metadata(std::span<const uint8_t> file) {
  quiet_exiv2();
  try {
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    if (image.get() == nullptr) return std::nullopt;
    image->readMetadata();
    HeldMetadata held;
    for (const Exiv2::Exifdatum& datum : image->exifData())
      if (!describes_coding(datum)) held.exif.insert(datum.key());
    held.xmp = !image->xmpData().empty();
    held.iptc = !image->iptcData().empty();
    held.icc = image->iccProfileDefined();
    held.comment = !image->comment().empty();
    return held;
  } catch (const Exiv2::AnyError&) {
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

}  // namespace

std::string metadata_lost(std::span<const uint8_t> before, std::span<const uint8_t> after) {
  const std::optional<HeldMetadata> had = held_metadata(before);
  if (!had) return {};
  const HeldMetadata has = held_metadata(after).value_or(HeldMetadata{});
  std::vector<std::string> lost;
  std::string tags;
  for (const std::string& key : had->exif)
    if (!has.exif.contains(key)) tags += (tags.empty() ? "" : ", ") + key;
  if (!tags.empty()) lost.push_back("EXIF tags (" + tags + ")");
  if (had->xmp && !has.xmp) lost.push_back("XMP");
  if (had->iptc && !has.iptc) lost.push_back("IPTC");
  if (had->icc && !has.icc) lost.push_back("colour profile");
  if (had->comment && !has.comment) lost.push_back("comment");
  std::string text;
  for (const std::string& part : lost) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace lumatrix
