#include "imaging/resource_policy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "base/image_error.h"

namespace lumatrix {

namespace {

std::mutex g_policy_mutex;
ResourcePolicy g_policy;

std::string duration_text(std::chrono::milliseconds time) {
  const auto ms = time.count();
  if (ms % 1000 != 0) return std::to_string(ms) + " ms";
  return std::to_string(ms / 1000) + " s";
}

void check_pixels_within(uint64_t width, uint64_t height, uint64_t limit) {
  // Both factors fit in 32 bits wherever a header can state them; larger ones are over anyway.
  const bool over = width > UINT32_MAX || height > UINT32_MAX || width * height > limit;
  if (over)
    throw ImageError("image of " + std::to_string(width) + "x" + std::to_string(height) +
                     " pixels exceeds the limit of " + std::to_string(limit) + " pixels");
}

}  // namespace

ResourcePolicy resource_policy() {
  std::lock_guard lock(g_policy_mutex);
  return g_policy;
}

void set_resource_policy(const ResourcePolicy& policy) {
  std::lock_guard lock(g_policy_mutex);
  g_policy = policy;
}

uint64_t pixel_limit() {
  return resource_policy().max_pixels;
}

void set_pixel_limit(uint64_t pixels) {
  std::lock_guard lock(g_policy_mutex);
  g_policy.max_pixels = pixels;
}

void check_pixel_limit(uint64_t width, uint64_t height) {
  check_pixels_within(width, height, pixel_limit());
}

uint64_t picture_bytes(uint64_t width, uint64_t height, int bits_per_pixel, bool alpha) {
  if (width > UINT32_MAX || height > UINT32_MAX) return UINT64_MAX;
  const uint64_t row = (width * static_cast<uint64_t>(bits_per_pixel) + 7) / 8;
  return (row + (alpha ? width : 0)) * height;
}

std::string byte_size_text(uint64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1000 && unit < 5) value /= 1000, ++unit;
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
  return text;
}

ReadBudget::ReadBudget(uint64_t file_size) : policy_(resource_policy()), file_size_(file_size) {
  const auto now = std::chrono::steady_clock::now();
  // A limit beyond a century is no limit; it must not overflow the clock.
  const auto allowed = std::min<std::chrono::milliseconds>(
      std::max<std::chrono::milliseconds>(policy_.max_time, std::chrono::milliseconds(0)),
      std::chrono::hours(24 * 365 * 100));
  deadline_ = now + allowed;
}

uint64_t ReadBudget::memory_allowed() const {
  const uint64_t per_byte = policy_.memory_per_file_byte;
  const uint64_t for_file = file_size_ > UINT64_MAX / std::max<uint64_t>(per_byte, 1)
                                ? UINT64_MAX
                                : file_size_ * per_byte;
  return std::min(policy_.max_memory, std::max(policy_.memory_floor, for_file));
}

void ReadBudget::check_pixels(uint64_t width, uint64_t height) const {
  check_pixels_within(width, height, policy_.max_pixels);
}

void ReadBudget::check_memory(uint64_t bytes, std::string_view what) const {
  const uint64_t allowed = memory_allowed();
  if (bytes <= allowed) return;
  std::string reason = std::string(what) + " would need " + byte_size_text(bytes) + ", more than ";
  if (allowed == policy_.max_memory)
    reason += "the limit of " + byte_size_text(allowed) + " for one image";
  else
    reason += "the " + byte_size_text(allowed) + " a file of " + byte_size_text(file_size_) +
              " may take (" + std::to_string(policy_.memory_per_file_byte) +
              " bytes for each byte of the file, at least " + byte_size_text(policy_.memory_floor) +
              ")";
  throw ImageError(reason);
}

void ReadBudget::check_picture(uint64_t width, uint64_t height, int bits_per_pixel, bool alpha,
                               std::string_view format, uint64_t scratch) const {
  check_pixels(width, height);
  check_memory(picture_bytes(width, height, bits_per_pixel, alpha) + scratch,
               "a " + std::string(format) + " image of " + std::to_string(width) + "x" +
                   std::to_string(height) + " pixels");
}

bool ReadBudget::out_of_time() const {
  return std::chrono::steady_clock::now() >= deadline_;
}

std::string ReadBudget::out_of_time_reason() const {
  return "decoding took longer than the limit of " + duration_text(policy_.max_time) +
         " for one image";
}

void ReadBudget::check_time() const {
  if (out_of_time()) throw ImageError(out_of_time_reason());
}

}  // namespace lumatrix
