#pragma once
// What reading one image may cost, in one place: how many pixels, how much memory and how much
// time. Every reader checks the sizes a header declares against these limits before it
// allocates anything, so that no file, however small or hostile, can take the machine down, and
// one image's refusal stays one image's refusal.
//
// The defaults follow the field: 2^28 pixels is sharp's limitInputPixels (0x3FFF squared, within
// a fraction of a percent); 2 GiB of memory per image is what ImageMagick's stock policy lets one
// image hold in memory, map and disk cache together (256 MiB + 512 MiB + 1 GiB), rounded up, and
// about two and a half times the largest picture the pixel limit allows (3 bytes a pixel). Neither
// tool stops a slow decode by default (ImageMagick suggests an hour); two minutes per image keep a
// batch run moving past a pathological file while leaving every real picture ample time.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumatrix {

struct ResourcePolicy {
  // Width × height of the largest picture a reader produces.
  uint64_t max_pixels = uint64_t{1} << 28;
  // Bytes one image's reading may hold at once: the decoded picture and the reader's own buffers
  // (strips, rows, a library's working planes), as the header lets the reader work them out.
  uint64_t max_memory = uint64_t{2} << 30;
  // A small file may claim a large picture, which is how decompression bombs work: below the
  // memory limit, a file may cost at most this many bytes for each byte it holds, and at least
  // the floor, so that a file of a few hundred kilobytes costs a few hundred megabytes at most.
  // Real compression stays well inside the factor (deflate cannot exceed 1032, JPEG 2000 at our
  // lowest quality needs about 1800 for its working planes).
  uint64_t memory_per_file_byte = 2048;
  uint64_t memory_floor = uint64_t{256} << 20;
  // Time one image's decoding may take. Readers check it between rows, strips or tiles; a
  // library call already under way (one JPEG 2000 tile) runs to its end first.
  std::chrono::milliseconds max_time{std::chrono::minutes(2)};
};

// The policy in force (a copy, so that a change while images are read reaches only the next).
ResourcePolicy resource_policy();
void set_resource_policy(const ResourcePolicy& policy);

// The pixel limit alone, for callers that only ever needed that.
uint64_t pixel_limit();
void set_pixel_limit(uint64_t pixels);
// Throws ImageError("image of WxH pixels exceeds the limit of N pixels") when width × height is
// above the pixel limit.
void check_pixel_limit(uint64_t width, uint64_t height);

// Bytes of a decoded picture of width × height at `bits_per_pixel` (rows padded to whole bytes),
// with a byte more per pixel when it has an alpha plane.
uint64_t picture_bytes(uint64_t width, uint64_t height, int bits_per_pixel, bool alpha = false);

// "2.3 GB", "512 KB", "87 bytes": sizes in messages, in decimal units.
std::string byte_size_text(uint64_t bytes);

// The limits as one reading sees them: the policy when the reading began, the size of the file,
// and the clock started then. A reader makes one at its start and asks it before each
// allocation the header announces and between the rows it decodes.
class ReadBudget {
 public:
  explicit ReadBudget(uint64_t file_size);

  const ResourcePolicy& policy() const { return policy_; }
  // The most this file's reading may hold at once: the memory limit, or less for a small file.
  uint64_t memory_allowed() const;
  // Refuses a picture above the pixel limit.
  void check_pixels(uint64_t width, uint64_t height) const;
  // Refuses when reading would hold `bytes` at once; `what` says what they are for ("a TIFF strip
  // of 96 rows of 8704 samples"), so the message explains the refusal.
  void check_memory(uint64_t bytes, std::string_view what) const;
  // Both checks for a reader that holds little besides its picture: width × height at
  // `bits_per_pixel`, with alpha, plus `scratch` bytes; `format` names it ("a GIF image of ...").
  void check_picture(uint64_t width, uint64_t height, int bits_per_pixel, bool alpha,
                     std::string_view format, uint64_t scratch = 0) const;
  // True once the time limit has passed; for library callbacks, which must not throw.
  bool out_of_time() const;
  // Throws ImageError("decoding took longer than ...") once the time limit has passed.
  void check_time() const;
  // The message check_time() throws, for readers that must leave a library before throwing.
  std::string out_of_time_reason() const;

 private:
  ResourcePolicy policy_;
  uint64_t file_size_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace lumatrix
