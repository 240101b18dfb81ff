#pragma once
// The comment lines of a PNM header ("# made by ..."), which the reader passes over, for
// writing a picture back in place with them.
#include <cstdint>
#include <span>
#include <vector>

namespace lumatrix {

// `rewritten` (our writer's PNM) with the comment lines of `original`'s header, in their order,
// after its magic number. Returned as it is when `original` has none.
std::vector<uint8_t> carry_pnm_comments(std::span<const uint8_t> original,
                                        std::vector<uint8_t> rewritten);

}  // namespace lumatrix
