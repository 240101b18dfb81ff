#include "files/rename_list.h"

#include <algorithm>

#include "base/choice_text.h"
#include "files/filename_pattern.h"
#include "files/subfolders.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {}  // namespace

std::pair<std::string, std::string> split_extension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, dot)), std::string(name.substr(dot))};
}

std::string pattern_name(const Settings& settings, const RenameEntry& entry, long long position) {
  const auto [stem, extension] = split_extension(entry.old_name);
  return changefilename(settings, stem, extension, position, entry.full_path());
}

std::string RenameList::count_label() const {
  return "Total Loaded Files : " + std::to_string(entries.size());
}

void RenameList::append(const fs::path& file, const Settings& settings) {
  const fs::path absolute = fs::absolute(file).lexically_normal();
  RenameEntry entry{directory_text(absolute.parent_path()), absolute.filename().string(), {}};
  entry.new_name = pattern_name(settings, entry, static_cast<long long>(entries.size()) + 1);
  entries.push_back(std::move(entry));
}

void RenameList::add_files(std::vector<fs::path> files, const Settings& settings) {
  std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
    return less_ignoring_case(a.string(), b.string());
  });
  for (const auto& file : files) append(file, settings);
}

size_t RenameList::add_folder(const fs::path& folder, bool recursive, const Settings& settings) {
  std::vector<fs::path> files, folders;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kind_error;
    if (it->is_directory(kind_error)) {
      if (recursive && !it->is_symlink(kind_error)) folders.push_back(it->path());
    } else {
      files.push_back(it->path());
    }
  }
  const size_t before = entries.size();
  add_files(std::move(files), settings);
  std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
    return less_ignoring_case(a.filename().string(), b.filename().string());
  });
  for (const auto& sub : folders) add_folder(sub, true, settings);
  return entries.size() - before;
}

void RenameList::fill_from(const SourceList& sources, const Settings& settings) {
  entries.clear();
  for (const ListEntry& source : sources.entries) {
    RenameEntry entry{source.file_path, source.file_name, {}};
    entry.new_name = pattern_name(settings, entry, static_cast<long long>(entries.size()) + 1);
    entries.push_back(std::move(entry));
  }
}

void RenameList::delete_rows(const std::set<size_t>& selected) {
  size_t index = 0;
  std::erase_if(entries, [&](const RenameEntry&) { return selected.contains(index++); });
}

void RenameList::sort(bool ascending, const Settings& settings) {
  std::stable_sort(entries.begin(), entries.end(), [&](const RenameEntry& a, const RenameEntry& b) {
    return ascending ? less_ignoring_case(a.old_name, b.old_name)
                     : less_ignoring_case(b.old_name, a.old_name);
  });
  recompute_names(settings);
}

void RenameList::recompute_names(const Settings& settings) {
  for (size_t i = 0; i < entries.size(); ++i)
    entries[i].new_name = pattern_name(settings, entries[i], static_cast<long long>(i) + 1);
}

}  // namespace lumatrix
