#pragma once
// Profile files: INI text holding the settings record in section [Settings], one key per
// stored property, every key on every save, in a fixed order, CR LF line ends. The extension
// options follow in section [Lumatrix], written only when one of them differs from its default;
// readers that know only [Settings] skip it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace lumatrix {

// The whole profile text for a record.
std::string profile_text(const Settings& settings);
// Applies a profile text to a record: keys present set their value, absent keys leave it (a
// profile without [Lumatrix] leaves the extensions), unknown keys and other sections are
// ignored, a key in the other section than its own too, a later key wins. A value that does not fit
// its property is skipped; the returned warnings say which ("perpage.AsInt64: Can't read value as
// integer type.").
std::vector<std::string> apply_profile_text(std::string_view text, Settings& settings);

// Writes a profile whole or not at all (temporary file, then rename). Throws ImageError with
// the path and the reason.
void save_profile(const std::filesystem::path& path, const Settings& settings);

struct ProfileLoad {
  bool missing = false;               // no such file: the record is untouched
  std::vector<std::string> warnings;  // values skipped, prefixed by the file's path
};
// Loads a profile over `settings`. A missing file is reported, not thrown; a file that exists
// but cannot be read throws ImageError.
ProfileLoad load_profile(const std::filesystem::path& path, Settings& settings);

// The automatic profile "default.ini" in the per-user folder (created when saving).
void save_default_profile(const Settings& settings);
ProfileLoad load_default_profile(Settings& settings);

// Value encodings, as they appear after "key=".
// A text: quoted; empty as nothing; with control characters in the "text:" form.
std::string encode_profile_text(std::string_view text);
// The reverse; nullopt when a "text:" value is malformed.
std::optional<std::string> decode_profile_text(std::string_view value);
// "int64:N" when N fits 32 bits signed, else the bare digits.
std::string encode_profile_int64(int64_t value);

}  // namespace lumatrix
