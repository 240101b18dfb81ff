#pragma once
// New file names from a prefix, a running number, a date and a suffix, in one of six orders:
// the Filename Changer's names, run outputs with the changer on, thumbnails and gallery pages.
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace lumatrix {

// `value` in decimal, padded on the left with "0" to `digits` characters (a longer number is
// kept whole; 0 or fewer digits pads nothing).
std::string pad_number(long long value, int digits);
// start_number + position - 1, padded to no_of_digits.
std::string formatmynumber(const Settings& settings, long long value);
// `text` followed by `value` padded to the gallery's digit count (numnum).
std::string formatmynumbertn(const Settings& settings, std::string_view text, long long value);

// A date in one of the date_format patterns, read letter group by letter group and ignoring
// case: DD, MM, MMM (the locale's abbreviated month name; English when there is no locale),
// YY, YYYY; "-" and "_" are copied.
std::string format_date(const std::tm& date, std::string_view pattern);
// The local time of the file's last write at the two-second resolution of DOS time stamps, or
// nothing when the file's time cannot be read.
std::optional<std::tm> file_write_date(const std::filesystem::path& path);
// The date a name or caption takes from the source under `type`: its time stamp for Creation;
// for Taken the EXIF date it was shot (DateTimeOriginal, as the camera's clock read it), else
// its time stamp; nothing for the other types or when neither can be read (callers then take
// today's).
std::optional<std::tm> source_date(DateType type, const std::filesystem::path& path);

// What a name is built from; `date` is the formatted date, empty for none.
struct NameParts {
  std::string prefix, suffix, date;
};

// The name of the `position`-th file (counting from 1) whose current base name is `name`:
// prefix, number, date and suffix in the filenameorder (or prefix + name + suffix when
// appendprefixsuffix is on), then `extension` (taken from `name` when blank), then the letter
// case of Filename_Case (ASCII letters only).
std::string build_file_name(const Settings& settings, std::string_view name,
                            std::string_view extension, long long position, const NameParts& parts);

// build_file_name with file_prefix, file_suffix and, when append_date is on, the date of
// date_type ("Creation": the last write of `current_source_path`; else today) in date_format.
std::string changefilename(const Settings& settings, std::string_view name,
                           std::string_view extension, long long position,
                           const std::filesystem::path& current_source_path);
// The same with a thumbnail's own prefix and suffix and never a date.
std::string changefilename_thumbnail(const Settings& settings, std::string_view name,
                                     std::string_view extension, long long position,
                                     std::string_view prefix, std::string_view suffix);

}  // namespace lumatrix
