#pragma once
// The bytes of a raster. Unlike std::vector it can be sized without being filled: a decoder or a
// resample writes every byte of its result anyway, and filling a photo-sized buffer first costs a
// pass over tens of megabytes (and the page faults for all of it) that nobody reads.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace lumatrix {

class PixelBuffer {
 public:
  enum class Fill { Zero, None };

  PixelBuffer() = default;
  PixelBuffer(size_t size, Fill fill);
  PixelBuffer(const PixelBuffer& other);
  PixelBuffer& operator=(const PixelBuffer& other);
  PixelBuffer(PixelBuffer&& other) noexcept;
  PixelBuffer& operator=(PixelBuffer&& other) noexcept;
  ~PixelBuffer() = default;

  uint8_t* data() { return bytes_.get(); }
  const uint8_t* data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::span<uint8_t> span() { return {bytes_.get(), size_}; }
  std::span<const uint8_t> span() const { return {bytes_.get(), size_}; }

  // Changes the size, keeping the memory when it is large enough; the contents are then
  // unspecified (zero with Fill::Zero).
  void resize(size_t size, Fill fill);

  friend bool operator==(const PixelBuffer& a, const PixelBuffer& b);

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace lumatrix
