#pragma once
// ICC profiles in JPEG files: APP2 segments that each start with "ICC_PROFILE\0", a sequence
// number (from 1) and the number of segments, then their piece of the profile.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumatrix {

struct IccChunks {
  std::vector<uint8_t> profile;  // the pieces joined in sequence order; empty on damage
  std::string damage;            // why the pieces make no whole profile; empty when they do
};

// The profile from a file's APP2 payloads in file order (others than ICC ones are skipped).
// Pieces that are missing, repeated, or disagree on their count make no profile: the damage
// says so, and the picture is read without one.
IccChunks icc_from_app2(const std::vector<std::span<const uint8_t>>& app2);

// The APP2 payloads that carry `profile`, each at most 65519 bytes of it; none when the
// profile is empty or needs more than 255 segments.
std::vector<std::vector<uint8_t>> icc_app2_segments(std::span<const uint8_t> profile);

}  // namespace lumatrix
