#pragma once
// The Filename Changer's own list of files: for each its directory, its current name and the
// name the pattern gives it at its position.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

struct RenameEntry {
  std::string directory;  // "Existing Directory Path", ending with a separator
  std::string old_name;   // "Old Filename"
  std::string new_name;   // "New Filename"

  std::filesystem::path full_path() const { return std::filesystem::path(directory + old_name); }
  friend bool operator==(const RenameEntry&, const RenameEntry&) = default;
};

// A name's stem and extension: the extension is everything from the last dot on
// ("holiday.jpg.jpg" -> "holiday.jpg", ".jpg"; "README" -> "README", "").
std::pair<std::string, std::string> split_extension(std::string_view name);

// The pattern's name for `entry` at `position` (counting from 1), the entry's own file being
// the source whose time a "Creation" date reads.
std::string pattern_name(const Settings& settings, const RenameEntry& entry, long long position);

class RenameList {
 public:
  std::vector<RenameEntry> entries;

  size_t size() const { return entries.size(); }
  bool empty() const { return entries.empty(); }
  // "Total Loaded Files : N"
  std::string count_label() const;

  // Appends the files sorted by full path, ignoring letter case, each with its new name.
  void add_files(std::vector<std::filesystem::path> files, const Settings& settings);
  // Appends every file of `folder` whatever its extension (and, when `recursive`, of its
  // subfolders): each folder's files in name order, then its subfolders in name order. Returns
  // how many rows were added. Unreadable subfolders are skipped.
  size_t add_folder(const std::filesystem::path& folder, bool recursive, const Settings& settings);
  // Replaces the rows with one per Control Center entry, in the same order.
  void fill_from(const SourceList& sources, const Settings& settings);

  // Removes the rows whose indices (0-based) are in `selected`; the new names of the remaining
  // rows stay as they were until the next preview, sort or run.
  void delete_rows(const std::set<size_t>& selected);
  void clear() { entries.clear(); }
  // Sorts on the old name ignoring letter case, then renames every row for its new position.
  void sort(bool ascending, const Settings& settings);
  // Computes every row's new name for its position.
  void recompute_names(const Settings& settings);

 private:
  void append(const std::filesystem::path& file, const Settings& settings);
};

}  // namespace lumatrix
