#pragma once
// EXIF and IPTC blocks as JPEG files carry them. EXIF stays the raw TIFF-structured block found
// after "Exif\0\0" in APP1; IPTC-IIM datasets live in a Photoshop image resource (8BIM 0x0404)
// inside APP13 "Photoshop 3.0". Corrupt metadata never fails an image: the readers here return
// what they could make sense of, and nothing when the block is unreadable.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/io_params.h"

namespace lumatrix {

// The IPTC datasets of a Photoshop resource block (an APP13 payload after "Photoshop 3.0\0"),
// every 0x0404 resource in file order. Unreadable or truncated parts are left out.
std::vector<IptcRecord> iptc_from_photoshop_irb(std::span<const uint8_t> irb);
// A Photoshop resource block holding one 0x0404 resource with `records` in the given order.
std::vector<uint8_t> photoshop_irb_from_iptc(const std::vector<IptcRecord>& records);

// IPTC-IIM datasets (0x1C, record, dataset, length, value) and back.
std::vector<IptcRecord> parse_iptc_iim(std::span<const uint8_t> iim);
std::vector<uint8_t> build_iptc_iim(const std::vector<IptcRecord>& records);

struct Resolution {
  int dpi_x = 0, dpi_y = 0;
};
// XResolution/YResolution of IFD0 in dots per inch (ResolutionUnit centimetres converted), or
// nothing when the block lacks them or cannot be parsed.
std::optional<Resolution> exif_resolution(std::span<const uint8_t> exif);

struct ExifSummary {
  bool readable = false;  // false: the block is empty or corrupt, the rest is empty
  int tag_count = 0;
  std::string make, model, date_time;  // Exif.Image.Make/Model, the original date when known
};
ExifSummary exif_summary(const std::vector<uint8_t>& exif);

// What of a source's metadata a saved picture keeps. AllButLocationAndIdentity leaves out the
// GPS position, every serial number (camera body, lens, maker notes) and the owner's name.
// Unrecognised keeps everything, as All does.
enum class MetadataKeep { All, AllButLocationAndIdentity, None, Unrecognised };

// Makes the metadata in `params` fit the picture about to be saved, `width` x `height` pixels:
// what `keep` leaves out is removed (None empties EXIF, XMP and IPTC), the EXIF pixel size tags
// where present say the new size (the XMP packet is treated alike), and with `reshaped` (the
// picture was turned, cropped or resized) an embedded EXIF thumbnail, which would show the old
// picture, is dropped. A block that needs none of this is kept byte for byte; one Exiv2 cannot
// parse is kept under All and dropped otherwise, as nothing in it could be vouched for.
void fit_metadata(IOParams& params, MetadataKeep keep, int width, int height, bool reshaped);

// Sets the XMP packet's tiff:Orientation to 1 where it says another turn, for a picture whose
// pixels have been turned upright. A packet without one, or one Exiv2 cannot read, is kept.
void mark_xmp_upright(std::string& xmp);

// What of the metadata in `before` (a file's bytes) `after` lacks, as Exiv2 reads both: "EXIF
// tags (...)", "XMP", "IPTC", "colour profile", "comment", joined by ", "; empty when nothing
// is missing or Exiv2 cannot read `before`. The tags that describe the coding (size, strips,
// compression, resolution) and the orientation are not counted: a writer sets them anew.
std::string metadata_lost(std::span<const uint8_t> before, std::span<const uint8_t> after);

// What a file's metadata say about the picture, as `lumatrix info` shows them. Read by Exiv2
// from the file's bytes, in every format Exiv2 knows (JPEG, PNG, TIFF, WebP, ...); a format it
// does not know, or unreadable metadata, leave the facts empty.
struct ImageFacts {
  std::optional<int> orientation;  // Exif.Image.Orientation, 1..8
  std::string taken;               // the date and time the picture was taken, as stored
  std::string taken_original;      // Exif.Photo.DateTimeOriginal alone, as stored
  std::string camera;              // make and model
  bool gps = false;                // any Exif.GPSInfo tag
  bool has_colour_profile = false;
  std::string colour_profile;  // the embedded ICC profile's description (may be empty)
};
ImageFacts read_image_facts(std::span<const uint8_t> file);
// The same from the file itself (Exiv2 reads only the parts that hold metadata).
ImageFacts read_image_facts(const std::filesystem::path& file);

// The description ('desc' tag, ICC v2 text or v4 multi-localised, first record) of an ICC
// profile; empty when it has none or the profile is malformed.
std::string icc_description(std::span<const uint8_t> profile);

}  // namespace lumatrix
