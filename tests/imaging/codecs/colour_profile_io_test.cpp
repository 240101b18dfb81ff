// Embedded colour profiles from load to save in every format that holds one, the JPEG segments
// that carry them, and the XMP packet the newer containers carry beside them.
#include <gtest/gtest.h>

#include <string>

#include "base/image_error.h"
#include "imaging/codec.h"
#include "imaging/codecs/codecs.h"
#include "imaging/codecs/jpeg_icc.h"
#include "test_profiles.h"
#include "test_support.h"

namespace lumatrix {
namespace {

using test::display_p3_profile;
using test::grey_gamma22_profile;
using test::TempDir;

// The formats that write a profile, with the quality each is saved at.
struct Target {
  const char* extension;
  int quality;
};
constexpr Target kTargets[] = {{".jpg", 90},  {".png", 80},  {".tif", 80},  {".webp", 80},
                               {".avif", 60}, {".heic", 60}, {".jxl", 100}, {".jxl", 80}};

// The codec for a format this build writes; libheif may lack an AV1 or HEVC encoder.
const Codec* writer_for(const char* extension) {
  const Codec* codec = find_codec(std::string("a") + extension);
  if (codec == nullptr || codec->encode == nullptr) return nullptr;
  try {
    codec->encode(test::gradient_rgb(8, 8), IOParams{}, extension);
  } catch (const ImageError&) {
    return nullptr;
  }
  return codec;
}

std::vector<uint8_t> saved(const Codec& codec, const Raster& raster, std::vector<uint8_t> icc,
                           const Target& target) {
  IOParams params;
  params.jpeg_quality = target.quality;
  params.icc_profile = std::move(icc);
  return codec.encode(raster, params, target.extension);
}

IOParams read_back(const Codec& codec, std::span<const uint8_t> bytes) {
  IOParams params;
  codec.decode(bytes, params);
  return params;
}

TEST(ColourProfileIo, AnRgbProfileIsWrittenAndReadBackByteForByteInEveryFormat) {
  const std::vector<uint8_t> p3 = display_p3_profile();
  const Raster picture = test::gradient_rgb(24, 16);
  int formats = 0;
  for (const Target& target : kTargets) {
    const Codec* codec = writer_for(target.extension);
    if (codec == nullptr) continue;
    ++formats;
    SCOPED_TRACE(std::string(target.extension) + " at " + std::to_string(target.quality));
    const std::vector<uint8_t> bytes = saved(*codec, picture, p3, target);
    EXPECT_EQ(read_back(*codec, bytes).icc_profile, p3);
    // The header reader, which decides before a load whether a source has one, sees it too.
    IOParams header;
    codec->read_header(bytes, header);
    EXPECT_EQ(header.icc_profile, p3);
    // Without a profile nothing is written that would read back as one.
    EXPECT_TRUE(read_back(*codec, saved(*codec, picture, {}, target)).icc_profile.empty());
  }
  EXPECT_GE(formats, 4);
}

TEST(ColourProfileIo, AProfileIsWrittenOnlyBesideSamplesOfItsOwnKind) {
  const Raster grey = test::grey_ramp(16, 16);
  const Raster colour = test::gradient_rgb(16, 16);
  for (const char* extension : {".jpg", ".png", ".tif"}) {
    SCOPED_TRACE(extension);
    const Codec& codec = *find_codec(std::string("a") + extension);
    const Target target{extension, 90};
    // An RGB profile on grey samples, and a grey one on colour samples, would misstate them.
    EXPECT_TRUE(
        read_back(codec, saved(codec, grey, display_p3_profile(), target)).icc_profile.empty());
    EXPECT_TRUE(
        read_back(codec, saved(codec, colour, grey_gamma22_profile(), target)).icc_profile.empty());
    EXPECT_EQ(read_back(codec, saved(codec, grey, grey_gamma22_profile(), target)).icc_profile,
              grey_gamma22_profile());
  }
  // A palette picture is colour: PNG writes it as a palette with its RGB profile.
  const Codec& png = *find_codec("a.png");
  EXPECT_EQ(
      read_back(png, saved(png, test::paletted(16, 16, 40), display_p3_profile(), {".png", 80}))
          .icc_profile,
      display_p3_profile());
  // JPEG's CMYK samples come from a formula no RGB profile describes.
  IOParams cmyk;
  cmyk.jpeg_color_space = JpegColorSpace::CMYK;
  cmyk.icc_profile = display_p3_profile();
  EXPECT_TRUE(
      read_back(*find_codec("a.jpg"), encode_jpeg(colour, cmyk, ".jpg")).icc_profile.empty());
}

TEST(ColourProfileIo, JpegSplitsALargeProfileOverSegmentsAndJoinsThem) {
  const std::vector<uint8_t> large = test::large_rgb_profile(150000);
  ASSERT_GT(large.size(), 2u * 65519);
  const std::vector<std::vector<uint8_t>> segments = icc_app2_segments(large);
  const size_t count = (large.size() + 65518) / 65519;
  ASSERT_EQ(segments.size(), count);
  size_t carried = 0;
  for (size_t i = 0; i < count; ++i) {
    EXPECT_EQ(segments[i][12], i + 1);  // sequence number
    EXPECT_EQ(segments[i][13], count);
    carried += segments[i].size() - 14;
  }
  EXPECT_EQ(segments[0].size(), 14u + 65519);
  EXPECT_EQ(carried, large.size());
  const Codec& jpeg = *find_codec("a.jpg");
  EXPECT_EQ(read_back(jpeg, saved(jpeg, test::gradient_rgb(8, 8), large, {".jpg", 80})).icc_profile,
            large);
}

TEST(ColourProfileIo, JpegSegmentsAreJoinedBySequenceNumberAndBrokenSequencesAreDamage) {
  const std::vector<uint8_t> large = test::large_rgb_profile(100000);
  const std::vector<std::vector<uint8_t>> s = icc_app2_segments(large);
  ASSERT_GE(s.size(), 2u);
  const std::vector<uint8_t> other = {'M', 'P', 'F', 0, 1, 2};  // another APP2 user
  // Stored back to front, with an unrelated APP2 segment between: joined by their numbers.
  std::vector<std::span<const uint8_t>> reversed(s.rbegin(), s.rend());
  reversed.insert(reversed.begin() + 1, other);
  const IccChunks joined = icc_from_app2(reversed);
  EXPECT_EQ(joined.profile, large);
  EXPECT_TRUE(joined.damage.empty());
  EXPECT_TRUE(icc_from_app2({other}).damage.empty());
  EXPECT_TRUE(icc_from_app2({}).profile.empty());

  // A missing piece, a repeated one, a count that changes: no profile, and the reason.
  std::vector<std::span<const uint8_t>> missing(s.begin(), s.end() - 1);
  std::vector<std::span<const uint8_t>> repeated(s.begin(), s.end());
  repeated.back() = s.front();
  for (const std::vector<std::span<const uint8_t>>& broken : {missing, repeated}) {
    const IccChunks result = icc_from_app2(broken);
    EXPECT_TRUE(result.profile.empty());
    EXPECT_NE(result.damage.find("incomplete or inconsistent"), std::string::npos) << result.damage;
  }
  std::vector<uint8_t> recounted = s[1];
  recounted[13] = static_cast<uint8_t>(s.size() + 1);
  std::vector<std::span<const uint8_t>> changed(s.begin(), s.end());
  changed[1] = recounted;
  EXPECT_TRUE(icc_from_app2(changed).profile.empty());
  EXPECT_FALSE(icc_from_app2(changed).damage.empty());
}

TEST(ColourProfileIo, TheFormatsOwnToolsFindTheProfileWeWrote) {
  const std::vector<uint8_t> p3 = display_p3_profile();
  const TempDir dir;
  const Raster picture = test::gradient_rgb(20, 12);
  // webpmux extracts the ICCP chunk; ImageMagick the JPEG, PNG and TIFF ones.
  const Codec& webp = *find_codec("a.webp");
  test::write_bytes(dir / "a.webp", saved(webp, picture, p3, {".webp", 80}));
  const test::CommandResult mux =
      test::run_shell("webpmux -get icc " + test::shell_quote((dir / "a.webp").string()) + " -o " +
                      test::shell_quote((dir / "webp.icc").string()));
  ASSERT_EQ(mux.status, 0) << mux.output;
  EXPECT_EQ(test::read_bytes(dir / "webp.icc"), p3);
  if (test::run_shell("command -v convert").status != 0) GTEST_SKIP() << "no ImageMagick";
  for (const char* extension : {".jpg", ".png", ".tif"}) {
    SCOPED_TRACE(extension);
    const std::string name = std::string("a") + extension;
    test::write_bytes(dir / name, saved(*find_codec(name), picture, p3, {extension, 90}));
    const test::CommandResult extracted =
        test::run_shell("convert " + test::shell_quote((dir / name).string()) + " " +
                        test::shell_quote("icc:" + (dir / (name + ".icc")).string()));
    ASSERT_EQ(extracted.status, 0) << extracted.output;
    EXPECT_EQ(test::read_bytes(dir / (name + ".icc")), p3);
  }
}

TEST(ColourProfileIo, TheNewerContainersCarryTheXmpPacketWithTheProfile) {
  const std::string xmp =
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/></x:xmpmeta>";
  int formats = 0;
  for (const Target& target : kTargets) {
    const std::string_view extension = target.extension;
    if (extension == ".png" || extension == ".tif") continue;  // their XMP is not carried
    const Codec* codec = writer_for(target.extension);
    if (codec == nullptr) continue;
    ++formats;
    SCOPED_TRACE(target.extension);
    IOParams params;
    params.jpeg_quality = target.quality;
    params.xmp = xmp;
    params.icc_profile = display_p3_profile();
    const IOParams back =
        read_back(*codec, codec->encode(test::gradient_rgb(16, 16), params, target.extension));
    EXPECT_EQ(back.xmp, xmp);
    EXPECT_EQ(back.icc_profile, display_p3_profile());
    EXPECT_TRUE(
        read_back(*codec, saved(*codec, test::gradient_rgb(16, 16), {}, target)).xmp.empty());
  }
  EXPECT_GE(formats, 3);
}

}  // namespace
}  // namespace lumatrix
