#include "imaging/resource_policy.h"

#include <gtest/gtest.h>

#include "base/image_error.h"
#include "imaging/codec.h"

namespace lumatrix {
namespace {

// Sets a policy for one test and puts the previous one back.
class PolicyScope {
 public:
  explicit PolicyScope(const ResourcePolicy& policy) : saved_(resource_policy()) {
    set_resource_policy(policy);
  }
  ~PolicyScope() { set_resource_policy(saved_); }

 private:
  ResourcePolicy saved_;
};

std::string refusal(const std::function<void()>& action) {
  try {
    action();
  } catch (const ImageError& e) {
    return e.reason();
  }
  return "";
}

TEST(ResourcePolicy, DefaultsAreTheFieldsLimits) {
  const ResourcePolicy defaults;
  EXPECT_EQ(defaults.max_pixels, uint64_t{1} << 28);
  EXPECT_EQ(defaults.max_memory, uint64_t{2} << 30);
  EXPECT_EQ(defaults.max_time, std::chrono::minutes(2));
}

TEST(ReadBudget, SmallFilesMayTakeTheFloorLargerOnesTheirShareUpToTheLimit) {
  ResourcePolicy policy;
  policy.max_memory = 1000000;
  policy.memory_per_file_byte = 100;
  policy.memory_floor = 50000;
  const PolicyScope scope(policy);
  EXPECT_EQ(ReadBudget(10).memory_allowed(), 50000u);       // 1000 bytes: the floor
  EXPECT_EQ(ReadBudget(2000).memory_allowed(), 200000u);    // the file's share
  EXPECT_EQ(ReadBudget(50000).memory_allowed(), 1000000u);  // the limit
  EXPECT_EQ(ReadBudget(UINT64_MAX).memory_allowed(), 1000000u);

  const std::string small = refusal([] { ReadBudget(2000).check_memory(200001, "a strip"); });
  EXPECT_EQ(small,
            "a strip would need 200 KB, more than the 200 KB a file of 2.0 KB may take (100 bytes "
            "for each byte of the file, at least 50 KB)");
  const std::string large = refusal([] { ReadBudget(50000).check_memory(1000001, "a strip"); });
  EXPECT_EQ(large, "a strip would need 1.0 MB, more than the limit of 1.0 MB for one image");
  EXPECT_EQ(refusal([] { ReadBudget(2000).check_memory(200000, "a strip"); }), "");
}

TEST(ReadBudget, PixelsAreCountedWithoutOverflow) {
  ResourcePolicy policy;
  policy.max_pixels = 100;
  const PolicyScope scope(policy);
  const ReadBudget budget(1);
  EXPECT_EQ(refusal([&] { budget.check_pixels(10, 10); }), "");
  EXPECT_EQ(refusal([&] { budget.check_pixels(101, 1); }),
            "image of 101x1 pixels exceeds the limit of 100 pixels");
  // A product that wraps around 64 bits must not pass.
  EXPECT_NE(refusal([&] { budget.check_pixels(uint64_t{1} << 32, uint64_t{1} << 32); }), "");
  EXPECT_NE(refusal([&] { budget.check_picture(0, uint64_t{1} << 40, 24, true, "BMP"); }), "");
}

TEST(ReadBudget, KeepsThePolicyItBeganWith) {
  ResourcePolicy policy;
  policy.max_pixels = 100;
  policy.max_time = std::chrono::milliseconds(0);
  std::optional<ReadBudget> budget;
  {
    const PolicyScope scope(policy);
    budget.emplace(1);
  }
  EXPECT_EQ(budget->policy().max_pixels, 100u);
  EXPECT_TRUE(budget->out_of_time());
  EXPECT_EQ(refusal([&] { budget->check_time(); }),
            "decoding took longer than the limit of 0 s for one image");
  EXPECT_FALSE(ReadBudget(1).out_of_time());
}

// A flat picture compresses to almost nothing: a small file that declares a large picture, as
// decompression bombs do. Every reader must refuse it from what its header declares once the
// memory the file may take is below the picture, and read it under the defaults.
TEST(ReadBudget, RegressionEveryReaderRefusesASmallFileDeclaringALargePicture) {
  Raster flat(1200, 1000, PixelFormat::Rgb24);
  for (int y = 0; y < flat.height(); ++y)
    for (int x = 0; x < flat.width(); ++x) flat.set_pixel(x, y, Rgb{40, 90, 200});
  int readers = 0;
  std::string tested;
  for (const Codec& codec : codecs()) {
    if (codec.encode == nullptr || codec.decode == nullptr) continue;
    SCOPED_TRACE(std::string(codec.name));
    IOParams write;
    write.tiff_compression = TiffCompression::LZW;
    write.bmp_compression = BmpCompression::RLE;
    const std::vector<uint8_t> bytes = codec.encode(flat, write, codec.extensions.front());
    // Uncompressed files are as large as their pictures: no bomb there.
    if (bytes.size() > 1200u * 1000u / 10) continue;
    {
      ResourcePolicy policy;
      policy.memory_floor = 1 << 20;
      policy.memory_per_file_byte = (uint64_t{1} << 20) / bytes.size();
      const PolicyScope scope(policy);
      IOParams read;
      const std::string reason = refusal([&] { codec.decode(bytes, read); });
      EXPECT_NE(reason.find("would need"), std::string::npos) << reason;
    }
    IOParams read;
    EXPECT_EQ(codec.decode(bytes, read).width(), 1200);
    ++readers;
    tested += std::string(codec.name) + ", ";
  }
  EXPECT_GE(readers, 6) << tested;  // TIFF among them
}

}  // namespace
}  // namespace lumatrix
