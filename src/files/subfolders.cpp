#include "files/subfolders.h"

#include <algorithm>

#include "base/choice_text.h"

namespace lumatrix {

namespace {
constexpr std::string_view kSourceToken = "[source directory]";
constexpr std::string_view kSubfoldersToken = "[subfolders]";
constexpr size_t kMaxRest = 512;
constexpr size_t kMaxTail = 1024;

}  // namespace

std::string directory_text(const std::filesystem::path& dir) {
  std::string text = dir.string();
  if (text.empty() || text.back() != kSeparator) text += kSeparator;
  return text;
}

std::string with_platform_separators(std::string_view pattern) {
  std::string text(pattern);
  if constexpr (kSeparator != '\\') std::replace(text.begin(), text.end(), '\\', kSeparator);
  return text;
}

std::string mirror_subfolders(std::string_view pattern, std::string_view source_dir) {
  const size_t token = lower_ascii(pattern).find(kSubfoldersToken);
  std::string result(pattern.substr(0, token));
  const size_t first = source_dir.find(kSeparator);
  const size_t second =
      first == std::string_view::npos ? first : source_dir.find(kSeparator, first + 1);
  if (second != std::string_view::npos) result += source_dir.substr(second + 1, kMaxTail);
  return result;
}

std::string expand_save_in(std::string_view save_in, std::string_view source_dir) {
  std::string dir = with_platform_separators(save_in);
  if (lower_ascii(dir).starts_with(kSourceToken)) {
    // The token is followed by a separator in every pattern the lists offer; a text glued to the
    // token ("[Source Directory]small") keeps all of its letters.
    size_t rest = kSourceToken.size();
    if (rest < dir.size() && dir[rest] == kSeparator) ++rest;
    dir = std::string(source_dir) + dir.substr(rest, kMaxRest);
  }
  if (lower_ascii(dir).find(kSubfoldersToken) != std::string::npos)
    dir = mirror_subfolders(dir, source_dir);
  if (trim_blanks(dir).empty()) dir = source_dir;
  if (dir.empty() || dir.back() != kSeparator) dir += kSeparator;
  return dir;
}

}  // namespace lumatrix
