#pragma once
// Bounds-checked reading and plain appending of little- and big-endian integers, shared by the
// small codecs we write ourselves. A read past the end throws ImageError instead of touching
// memory outside the data, so a decoder built on these needs no size checks of its own for
// correctness, only for clearer messages.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/image_error.h"

namespace lumatrix {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  size_t size() const { return data_.size(); }
  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ >= data_.size(); }
  std::span<const uint8_t> data() const { return data_; }

  // Moves to an absolute offset; the end itself is a valid position.
  void seek(size_t offset) {
    if (offset > data_.size()) fail(offset - pos_);
    pos_ = offset;
  }
  void skip(size_t count) {
    require(count);
    pos_ += count;
  }

  uint8_t peek() {
    require(1);
    return data_[pos_];
  }
  uint8_t u8() {
    require(1);
    return data_[pos_++];
  }
  uint16_t u16le() { return static_cast<uint16_t>(unsigned_le(2)); }
  uint32_t u32le() { return static_cast<uint32_t>(unsigned_le(4)); }
  int32_t i32le() { return static_cast<int32_t>(u32le()); }
  int16_t i16le() { return static_cast<int16_t>(u16le()); }
  uint16_t u16be() { return static_cast<uint16_t>(unsigned_be(2)); }
  uint32_t u32be() { return static_cast<uint32_t>(unsigned_be(4)); }

  // The next `count` bytes, consumed.
  std::span<const uint8_t> bytes(size_t count) {
    require(count);
    std::span<const uint8_t> out = data_.subspan(pos_, count);
    pos_ += count;
    return out;
  }

  // Throws unless `count` more bytes are available.
  void require(size_t count) const {
    if (count > remaining()) fail(count);
  }

 private:
  [[noreturn]] void fail(size_t wanted) const {
    throw ImageError("truncated data: " + std::to_string(wanted) + " bytes needed at offset " +
                     std::to_string(pos_) + " of " + std::to_string(data_.size()));
  }
  uint64_t unsigned_le(int count) {
    require(static_cast<size_t>(count));
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | data_[pos_ + i];
    pos_ += static_cast<size_t>(count);
    return value;
  }
  uint64_t unsigned_be(int count) {
    require(static_cast<size_t>(count));
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | data_[pos_ + i];
    pos_ += static_cast<size_t>(count);
    return value;
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

// Appends integers to a growing byte buffer; `patch_*` fills in fields (sizes, offsets) whose
// value is only known after the data that follows them.
class ByteWriter {
 public:
  std::vector<uint8_t>& bytes() { return out_; }
  std::vector<uint8_t> take() { return std::move(out_); }
  size_t size() const { return out_.size(); }

  void u8(uint8_t v) { out_.push_back(v); }
  void u16le(uint16_t v) { le(v, 2); }
  void u32le(uint32_t v) { le(v, 4); }
  void i32le(int32_t v) { le(static_cast<uint32_t>(v), 4); }
  void u16be(uint16_t v) { be(v, 2); }
  void u32be(uint32_t v) { be(v, 4); }
  void append(std::span<const uint8_t> data) { out_.insert(out_.end(), data.begin(), data.end()); }
  void append(const std::string& text) { out_.insert(out_.end(), text.begin(), text.end()); }
  void fill(size_t count, uint8_t value) { out_.insert(out_.end(), count, value); }

  void patch_u32le(size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
  }

 private:
  void le(uint32_t v, int count) {
    for (int i = 0; i < count; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void be(uint32_t v, int count) {
    for (int i = count - 1; i >= 0; --i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }

  std::vector<uint8_t> out_;
};

}  // namespace lumatrix
