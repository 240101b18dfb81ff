#pragma once
// Save-in patterns: the "[Source Directory]" and "[subfolders]" tokens that put outputs beside
// their sources or mirror the source tree under another folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace lumatrix {

// The platform's path separator; directory texts end with it.
constexpr char kSeparator = '/';

// A directory as the lists hold it: its text ending with a separator.
std::string directory_text(const std::filesystem::path& dir);

// A save-in pattern with backslashes read as separators (patterns from older profiles use them).
std::string with_platform_separators(std::string_view pattern);

// Mirrors the source tree: `pattern` up to its first "[subfolders]" (any letter case; the rest is
// dropped) followed by what comes after the second separator of `source_dir` (at most 1024
// characters; nothing when it has fewer than two). "/Out/[subfolders]" with source
// "/Photos/2003/Trip/" gives "/Out/2003/Trip/".
std::string mirror_subfolders(std::string_view pattern, std::string_view source_dir);

// The directory a save-in text names for a file in `source_dir` (which ends with a separator):
// "[Source Directory]" at the start stands for `source_dir` (the rest of the text, at most 512
// characters, follows it); "[subfolders]" mirrors the source tree; an empty text is
// `source_dir`. The result ends with a separator.
std::string expand_save_in(std::string_view save_in, std::string_view source_dir);

}  // namespace lumatrix
