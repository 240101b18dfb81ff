#include "files/filename_pattern.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "base/choice_text.h"
#include "imaging/metadata.h"

namespace lumatrix {

namespace {

std::string change_case(std::string text, int filename_case) {
  if (filename_case == 1) return lower_ascii(text);
  if (filename_case == 2) return upper_ascii(text);
  return text;
}

std::string extension_of(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string two_digits(int value) {
  return pad_number(value % 100, 2);
}

// The user's abbreviated month name (LC_TIME from the environment), without changing the
// process's locale; English when the environment names none.
std::string month_abbreviation(int month) {
  static const locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  static const char* const english[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (user != static_cast<locale_t>(0)) {
    const char* name = nl_langinfo_l(static_cast<nl_item>(ABMON_1 + month), user);
    if (name != nullptr && *name != '\0') return name;
  }
  return english[month];
}

}  // namespace

std::string pad_number(long long value, int digits) {
  std::string text = std::to_string(value < 0 ? -value : value);
  const int width = digits - (value < 0 ? 1 : 0);
  if (width > 0 && static_cast<int>(text.size()) < width)
    text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  return value < 0 ? "-" + text : text;
}

std::string formatmynumber(const Settings& settings, long long value) {
  return pad_number(value, settings.no_of_digits);
}

std::string formatmynumbertn(const Settings& settings, std::string_view text, long long value) {
  return std::string(text) + pad_number(value, settings.numnum);
}

std::string format_date(const std::tm& date, std::string_view pattern) {
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[i])));
    size_t run = 1;
    while (i + run < pattern.size() &&
           std::toupper(static_cast<unsigned char>(pattern[i + run])) == c)
      ++run;
    if (c == 'D') {
      out += two_digits(date.tm_mday);
    } else if (c == 'M') {
      out += run >= 3 ? month_abbreviation(date.tm_mon) : two_digits(date.tm_mon + 1);
    } else if (c == 'Y') {
      out += run >= 4 ? pad_number(date.tm_year + 1900, 4) : two_digits(date.tm_year + 1900);
    } else {
      out.append(pattern.substr(i, run));
    }
    i += run;
  }
  return out;
}

std::optional<std::tm> file_write_date(const std::filesystem::path& path) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  const auto system = std::chrono::file_clock::to_sys(written);
  std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(system));
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
  local.tm_sec -= local.tm_sec % 2;  // DOS time stamps count seconds in twos
  return local;
}

namespace {

// "YYYY:MM:DD HH:MM:SS" as EXIF writes dates; nothing for a blank or malformed text.
std::optional<std::tm> exif_date(const std::string& text) {
  std::tm date{};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(text.c_str(), "%4d:%2d:%2d %2d:%2d:%2d", &year, &month, &day, &hour, &minute,
                  &second) != 6)
    return std::nullopt;
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 60 || hour < 0 || minute < 0 || second < 0)
    return std::nullopt;
  date.tm_year = year - 1900;
  date.tm_mon = month - 1;
  date.tm_mday = day;
  date.tm_hour = hour;
  date.tm_min = minute;
  date.tm_sec = second;
  date.tm_isdst = -1;
  // Fills in the weekday and day of the year; the fields themselves stay as the camera wrote them.
  std::tm normalised = date;
  if (std::mktime(&normalised) != -1)
    date.tm_wday = normalised.tm_wday, date.tm_yday = normalised.tm_yday;
  return date;
}

}  // namespace

std::optional<std::tm> source_date(DateType type, const std::filesystem::path& path) {
  if (type == DateType::Taken) {
    const ImageFacts facts = read_image_facts(path);
    // read_image_facts falls back on the digitised date; a name by the shot takes only the
    // original one.
    if (std::optional<std::tm> taken = exif_date(facts.taken_original)) return taken;
    return file_write_date(path);
  }
  if (type == DateType::Creation) return file_write_date(path);
  return std::nullopt;
}

std::string build_file_name(const Settings& settings, std::string_view name,
                            std::string_view extension, long long position,
                            const NameParts& parts) {
  std::string ext = trim_blanks(extension).empty() ? extension_of(name) : std::string(extension);
  std::string result;
  if (settings.appendprefixsuffix) {
    result = parts.prefix + std::string(name) + parts.suffix;
  } else {
    const std::string number = formatmynumber(settings, settings.start_number + position - 1);
    for (NameComponent c : settings.filenameorder.value()) {
      switch (c) {
        case NameComponent::Prefix:
          result += parts.prefix;
          break;
        case NameComponent::Number:
          result += number;
          break;
        case NameComponent::Date:
          result += parts.date;
          break;
        case NameComponent::Suffix:
          result += parts.suffix;
          break;
      }
    }
  }
  return change_case(result + ext, settings.Filename_Case);
}

std::string changefilename(const Settings& settings, std::string_view name,
                           std::string_view extension, long long position,
                           const std::filesystem::path& current_source_path) {
  NameParts parts{settings.file_prefix, settings.file_suffix, {}};
  if (settings.append_date) {
    std::optional<std::tm> date = source_date(settings.date_type.value(), current_source_path);
    if (!date) {
      // Today's date also stands in when the source's time stamp cannot be read.
      const std::time_t now = std::time(nullptr);
      std::tm local{};
      localtime_r(&now, &local);
      date = local;
    }
    parts.date = format_date(*date, settings.date_format);
  }
  return build_file_name(settings, name, extension, position, parts);
}

std::string changefilename_thumbnail(const Settings& settings, std::string_view name,
                                     std::string_view extension, long long position,
                                     std::string_view prefix, std::string_view suffix) {
  return build_file_name(settings, name, extension, position,
                         NameParts{std::string(prefix), std::string(suffix), {}});
}

}  // namespace lumatrix
