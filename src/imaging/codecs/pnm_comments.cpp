#include "imaging/codecs/pnm_comments.h"

#include <algorithm>

namespace lumatrix {

namespace {

bool blank(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Every comment line, its "#" and its line end included, among the header's numbers.
std::vector<uint8_t> header_comments(std::span<const uint8_t> pnm) {
  std::vector<uint8_t> comments;
  if (pnm.size() < 2 || pnm[0] != 'P' || pnm[1] < '1' || pnm[1] > '6') return comments;
  const int numbers = pnm[1] == '1' || pnm[1] == '4' ? 2 : 3;  // no maximum for bitmaps
  size_t pos = 2;
  for (int seen = 0; seen < numbers && pos < pnm.size();) {
    if (blank(pnm[pos])) {
      ++pos;
    } else if (pnm[pos] == '#') {
      const size_t start = pos;
      while (pos < pnm.size() && pnm[pos] != '\n' && pnm[pos] != '\r') ++pos;
      comments.insert(comments.end(), pnm.begin() + start, pnm.begin() + pos);
      comments.push_back('\n');
    } else {
      while (pos < pnm.size() && !blank(pnm[pos]) && pnm[pos] != '#') ++pos;
      ++seen;
    }
  }
  return comments;
}

}  // namespace

std::vector<uint8_t> carry_pnm_comments(std::span<const uint8_t> original,
                                        std::vector<uint8_t> rewritten) {
  const std::vector<uint8_t> comments = header_comments(original);
  if (comments.empty() || rewritten.size() < 3 || rewritten[0] != 'P' || rewritten[2] != '\n')
    return rewritten;
  rewritten.insert(rewritten.begin() + 3, comments.begin(), comments.end());
  return rewritten;
}

}  // namespace lumatrix
