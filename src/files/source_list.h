#pragma once
// The list of source images a run processes: one entry per row, five text columns.
#include <filesystem>
#include <istream>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "settings/choice.h"
#include "settings/image_choices.h"

namespace lumatrix {

struct ListEntry {
  std::string file_name;  // name with extension, no directory
  Choice<OrientationChoice> orientation = "As Is";
  std::string display_name;  // new rows: the file name
  std::string caption;
  std::string file_path;  // the directory, ending with a separator
  // Where a folder load found the file below the folder it was given ("2003/Trip/", ending with
  // a separator; empty for its own files and for files added one by one). Not a column: the
  // list neither shows nor stores it.
  std::string subfolder;

  std::filesystem::path full_path() const { return std::filesystem::path(file_path + file_name); }
  friend bool operator==(const ListEntry&, const ListEntry&) = default;
};

// The extensions a folder load takes (lower case, with the dot).
bool accepted_by_folder_load(const std::filesystem::path& path);

// A new row for a file: its absolute directory, "As Is", the file name as display name.
ListEntry entry_for(const std::filesystem::path& file);

class SourceList {
 public:
  std::vector<ListEntry> entries;

  size_t size() const { return entries.size(); }
  bool empty() const { return entries.empty(); }
  // "Total Loaded Files : N"
  std::string count_label() const;

  // Appends the files sorted by full path, ignoring letter case.
  void add_files(std::vector<std::filesystem::path> files);
  // Appends every file of `folder` (and, when `recursive`, of its subfolders) whose lower-cased
  // extension a folder load accepts; each folder's files in name order, then its subfolders in
  // name order. Returns how many rows were added. Unreadable subfolders are skipped.
  // Each row's `subfolder` says where below `folder` it was found.
  size_t add_folder(const std::filesystem::path& folder, bool recursive);

  // Sorts by file name ignoring letter case; rows with equal names keep their order.
  void sort(bool ascending);
  void set_orientation(std::string_view value);
  void set_orientation(std::string_view value, const std::set<size_t>& selected);
  void set_display_names_to_file_names();
  // holiday.final.jpg -> holiday.final
  void set_display_names_without_extension();
  void clear_display_names();
  // Removes the rows whose indices (0-based) are in `selected`.
  void delete_rows(const std::set<size_t>& selected);
  void clear() { entries.clear(); }

 private:
  size_t add_folder_below(const std::filesystem::path& folder, bool recursive,
                          const std::string& subfolder);
};

// The list as tab-separated text: a header line, then one line per row with the five columns
// (tab, line end and backslash written as \t, \n, \r and \\).
void write_list(std::ostream& out, const SourceList& list);
// Reads rows written by write_list or by hand: the header line (a first line whose first field
// is "FileName" in any letter case) is optional; orientations are read as orientation_item
// reads them, other texts kept as written; a row may give only its first columns (orientation "As
// Is", display name = file name, caption empty; a file name without a fifth column may be a path,
// relative to `base`). Throws std::runtime_error naming the line for a row with more than five
// columns or without a file name.
SourceList read_list(std::istream& in, const std::filesystem::path& base);

}  // namespace lumatrix
