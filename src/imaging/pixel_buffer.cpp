#include "imaging/pixel_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumatrix {

PixelBuffer::PixelBuffer(size_t size, Fill fill) {
  resize(size, fill);
}

PixelBuffer::PixelBuffer(const PixelBuffer& other) {
  resize(other.size_, Fill::None);
  if (size_ != 0) std::memcpy(bytes_.get(), other.bytes_.get(), size_);
}

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& other) {
  if (this == &other) return *this;
  // Copies into the memory already held where it suffices, as a vector would: a document
  // assigned the same size of picture again and again keeps its pages.
  resize(other.size_, Fill::None);
  if (size_ != 0) std::memcpy(bytes_.get(), other.bytes_.get(), size_);
  return *this;
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : bytes_(std::move(other.bytes_)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
  bytes_ = std::move(other.bytes_);
  size_ = std::exchange(other.size_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  return *this;
}

void PixelBuffer::resize(size_t size, Fill fill) {
  if (size > capacity_) {
    bytes_.reset();  // the old block goes before the new one is taken
    capacity_ = 0;
    bytes_ = fill == Fill::Zero ? std::make_unique<uint8_t[]>(size)
                                : std::make_unique_for_overwrite<uint8_t[]>(size);
    capacity_ = size;
  } else if (fill == Fill::Zero && size != 0) {
    std::memset(bytes_.get(), 0, size);
  }
  size_ = size;
}

bool operator==(const PixelBuffer& a, const PixelBuffer& b) {
  return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data(), b.data(), a.size_) == 0);
}

}  // namespace lumatrix
