#pragma once
// The vocabularies of file naming and placing: which date a name or caption takes, the order of
// a new name's parts, and whether a save-in folder is the source's own.
#include <span>
#include <string_view>
#include <vector>

#include "settings/settings_values.h"

namespace lumatrix {

// date_type: trimmed and lower-cased. "Creation" reads the source's time stamp, "Date Taken"
// the moment its EXIF says it was shot (the time stamp where it says nothing); any other text
// takes today's date, as "Current" does.
enum class DateType { Current, Creation, Taken, Unrecognised };
struct DateTypeChoice {
  static constexpr std::span<const std::string_view> items = kDateTypes;
  static DateType parse(std::string_view text);
};

// overwrite_policy, trimmed and lower-cased: what a run does with an output whose name is taken,
// by a file there before the run or by an earlier entry's output. "Replace" writes over it (the
// later entry's file remains); "Skip existing" leaves the file there and does not write it;
// "Keep both" writes under the first free name "name (2).jpg", "name (3).jpg", ... and never
// replaces a file. A text it does not recognise replaces, as runs always have.
enum class OverwritePolicy { Replace, SkipExisting, KeepBoth, Unrecognised };
struct OverwritePolicyChoice {
  static constexpr std::span<const std::string_view> items = kOverwritePolicies;
  static OverwritePolicy parse(std::string_view text);
};

enum class NameComponent { Prefix, Number, Date, Suffix };
using NameOrder = std::vector<NameComponent>;

// filenameorder, trimmed and lower-cased: the six listed orders; any other text is read in
// groups of three letters ("pre", "num", "dat", "suf"; other groups name nothing), and a text
// naming no part at all (the list's empty items among them) takes the first order.
struct FilenameOrderChoice {
  static constexpr std::span<const std::string_view> items = kFilenameOrders;
  static NameOrder parse(std::string_view text);
};

// save_in_directory and the thumbnails' folders: the source's own folder when the text is
// empty, "[Source Directory]\" or "[Source Directory]/" (trimmed and lower-cased).
enum class SaveInFolder { Source, Elsewhere };
struct SaveInChoice {
  static constexpr std::span<const std::string_view> items = kSaveInDirectories;
  static SaveInFolder parse(std::string_view text);
};

}  // namespace lumatrix
