// Ancillary PNG chunks the reader does not use cost nothing to skip, whatever length they claim.
#include <gtest/gtest.h>
#include <zlib.h>

#include "base/image_error.h"
#include "child_process.h"
#include "imaging/codecs/codecs.h"
#include "test_support.h"

namespace lumatrix {
namespace {

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// A chunk with its length and CRC as the format has them.
std::vector<uint8_t> chunk(const char* type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  put_u32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4), data.data(),
                          static_cast<uInt>(data.size()));
  put_u32(out, static_cast<uint32_t>(crc));
  return out;
}

// Our own PNG of `source` with `extra` inserted after its header chunk.
std::vector<uint8_t> png_with(const Raster& source, const std::vector<uint8_t>& extra) {
  std::vector<uint8_t> png = encode_png(source, IOParams{}, ".png");
  const size_t after_header = 8 + 25;  // signature, IHDR
  png.insert(png.begin() + static_cast<long>(after_header), extra.begin(), extra.end());
  return png;
}

TEST(PngChunks, RegressionATinyFileDeclaringAHugeTextChunkCostsNoMemory) {
  // 1.9 KB of file whose zTXt chunk claims 1.1 GB made the reader allocate all of it.
  std::vector<uint8_t> huge;
  put_u32(huge, 1174408364u);
  for (const char c : std::string("zTXt")) huge.push_back(static_cast<uint8_t>(c));
  huge.resize(huge.size() + 1800, 0x41);
  std::vector<uint8_t> png = encode_png(test::gradient_rgb(80, 15), IOParams{}, ".png");
  png.resize(8 + 25);
  png.insert(png.end(), huge.begin(), huge.end());

  // Room for the allocation, so that its cost shows in the peak rather than as a failed malloc
  // libpng would shrug off.
  test::ChildLimits limits;
  limits.address_space = uint64_t{4} << 30;
  const test::ChildOutcome outcome = test::run_in_child(
      [&] {
        IOParams params;
        try {
          decode_png(png, params);
        } catch (const ImageError& e) {
          return "refused: " + e.reason();
        }
        return std::string("decoded");
      },
      limits);
  ASSERT_TRUE(outcome.finished);
  EXPECT_EQ(outcome.result, "refused: unexpected end of PNG data");
  EXPECT_LT(outcome.peak_bytes, uint64_t{32} << 20);
}

TEST(PngChunks, RegressionATinyFileDeclaringAHugeScaleChunkCostsNoMemory) {
  // 5.6 KB whose sCAL chunk claims 1.8 GB: any ancillary chunk may claim anything.
  std::vector<uint8_t> png = encode_png(test::gradient_rgb(91, 69), IOParams{}, ".png");
  png.resize(8 + 25);
  put_u32(png, 1811939366u);
  for (const char c : std::string("sCAL")) png.push_back(static_cast<uint8_t>(c));
  png.resize(png.size() + 5000, 0x31);
  test::ChildLimits limits;
  limits.address_space = uint64_t{4} << 30;
  const test::ChildOutcome outcome = test::run_in_child(
      [&] {
        IOParams params;
        try {
          decode_png(png, params);
        } catch (const ImageError& e) {
          return "refused: " + e.reason();
        }
        return std::string("decoded");
      },
      limits);
  ASSERT_TRUE(outcome.finished);
  EXPECT_EQ(outcome.result, "refused: unexpected end of PNG data");
  EXPECT_LT(outcome.peak_bytes, uint64_t{32} << 20);
}

TEST(PngChunks, AncillaryChunksWeDoNotReadAreSkippedAndThePictureStays) {
  const Raster source = test::gradient_rgb(20, 10);
  std::vector<uint8_t> extra = chunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'});
  const std::vector<uint8_t> scale = chunk("sCAL", {1, '2', 0, '3'});
  extra.insert(extra.end(), scale.begin(), scale.end());
  const std::vector<uint8_t> profile = chunk("iCCP", {'x', 0, 0, 1, 2, 3});  // not even zlib
  extra.insert(extra.end(), profile.begin(), profile.end());
  IOParams params;
  EXPECT_EQ(decode_png(png_with(source, extra), params), source);
  IOParams header;
  read_png_header(png_with(source, extra), header);
  EXPECT_EQ(header.width, 20);
}

}  // namespace
}  // namespace lumatrix
