#include "imaging/codecs/jpeg_icc.h"

#include <algorithm>
#include <cstring>

namespace lumatrix {

namespace {
constexpr char kSignature[] = "ICC_PROFILE";  // 12 bytes with the final '\0'
constexpr size_t kSignatureSize = sizeof(kSignature);
constexpr size_t kHeaderSize = kSignatureSize + 2;  // then sequence number and count
// A segment's payload is at most 65533 bytes; the header takes 14 of them.
constexpr size_t kMaxPiece = 65533 - kHeaderSize;
}  // namespace

IccChunks icc_from_app2(const std::vector<std::span<const uint8_t>>& app2) {
  IccChunks result;
  std::vector<std::span<const uint8_t>> pieces;
  int count = 0;
  bool seen = false, consistent = true;
  for (std::span<const uint8_t> payload : app2) {
    if (payload.size() < kHeaderSize || std::memcmp(payload.data(), kSignature, kSignatureSize))
      continue;
    const int sequence = payload[kSignatureSize];
    const int total = payload[kSignatureSize + 1];
    if (!seen) {
      seen = true;
      count = total;
      pieces.resize(static_cast<size_t>(total));
    }
    if (total != count || sequence < 1 || sequence > count ||
        !pieces[static_cast<size_t>(sequence - 1)].empty() || payload.size() == kHeaderSize) {
      consistent = false;
      continue;
    }
    pieces[static_cast<size_t>(sequence - 1)] = payload.subspan(kHeaderSize);
  }
  if (!seen) return result;
  if (count == 0) consistent = false;
  const size_t missing = static_cast<size_t>(
      std::count_if(pieces.begin(), pieces.end(), [](auto p) { return p.empty(); }));
  if (!consistent || missing > 0) {
    result.damage = "the embedded colour profile's " + std::to_string(count) +
                    " APP2 segments are incomplete or inconsistent (" + std::to_string(missing) +
                    " missing); it is left out";
    return result;
  }
  for (std::span<const uint8_t> piece : pieces)
    result.profile.insert(result.profile.end(), piece.begin(), piece.end());
  return result;
}

std::vector<std::vector<uint8_t>> icc_app2_segments(std::span<const uint8_t> profile) {
  std::vector<std::vector<uint8_t>> segments;
  const size_t count = (profile.size() + kMaxPiece - 1) / kMaxPiece;
  if (count == 0 || count > 255) return segments;
  for (size_t i = 0; i < count; ++i) {
    const std::span<const uint8_t> piece =
        profile.subspan(i * kMaxPiece, std::min(kMaxPiece, profile.size() - i * kMaxPiece));
    std::vector<uint8_t> segment(kSignature, kSignature + kSignatureSize);
    segment.push_back(static_cast<uint8_t>(i + 1));
    segment.push_back(static_cast<uint8_t>(count));
    segment.insert(segment.end(), piece.begin(), piece.end());
    segments.push_back(std::move(segment));
  }
  return segments;
}

}  // namespace lumatrix
