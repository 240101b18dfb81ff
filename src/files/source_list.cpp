#include "files/source_list.h"

#include <algorithm>
#include <stdexcept>

#include "base/choice_text.h"
#include "files/subfolders.h"
#include "imaging/format_facts.h"

namespace lumatrix {

namespace {

constexpr std::string_view kHeader =
    "FileName\tOrientation\tDisplay Name\tCaption\tOriginal File Path";

std::string escape_field(std::string_view field) {
  std::string out;
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescape_field(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char next = field[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

// The first line names the columns when its first field is "FileName" in any letter case.
bool is_header(std::string_view line) {
  return choice_is(line.substr(0, line.find('\t')), "FileName");
}

}  // namespace

bool accepted_by_folder_load(const std::filesystem::path& path) {
  const std::span<const std::string_view> accepted = folder_load_extensions();
  const std::string ext = lower_ascii(path.extension().string());
  return std::find(accepted.begin(), accepted.end(), ext) != accepted.end();
}

ListEntry entry_for(const std::filesystem::path& file) {
  const std::filesystem::path absolute = std::filesystem::absolute(file).lexically_normal();
  ListEntry entry;
  entry.file_name = absolute.filename().string();
  entry.display_name = entry.file_name;
  entry.file_path = directory_text(absolute.parent_path());
  return entry;
}

std::string SourceList::count_label() const {
  return "Total Loaded Files : " + std::to_string(entries.size());
}

void SourceList::add_files(std::vector<std::filesystem::path> files) {
  std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
    return less_ignoring_case(a.string(), b.string());
  });
  for (const auto& f : files) entries.push_back(entry_for(f));
}

size_t SourceList::add_folder(const std::filesystem::path& folder, bool recursive) {
  return add_folder_below(folder, recursive, "");
}

size_t SourceList::add_folder_below(const std::filesystem::path& folder, bool recursive,
                                    const std::string& subfolder) {
  std::vector<std::filesystem::path> files, folders;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code kind_error;
    if (it->is_directory(kind_error)) {
      if (recursive && !it->is_symlink(kind_error)) folders.push_back(it->path());
    } else if (accepted_by_folder_load(it->path())) {
      files.push_back(it->path());
    }
  }
  const size_t before = entries.size();
  add_files(files);
  for (size_t i = before; i < entries.size(); ++i) entries[i].subfolder = subfolder;
  std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
    return less_ignoring_case(a.filename().string(), b.filename().string());
  });
  for (const auto& sub : folders)
    add_folder_below(sub, true, subfolder + sub.filename().string() + kSeparator);
  return entries.size() - before;
}

void SourceList::sort(bool ascending) {
  std::stable_sort(entries.begin(), entries.end(), [&](const ListEntry& a, const ListEntry& b) {
    return ascending ? less_ignoring_case(a.file_name, b.file_name)
                     : less_ignoring_case(b.file_name, a.file_name);
  });
}

void SourceList::set_orientation(std::string_view value) {
  for (ListEntry& e : entries) e.orientation = value;
}

void SourceList::set_orientation(std::string_view value, const std::set<size_t>& selected) {
  for (size_t i : selected)
    if (i < entries.size()) entries[i].orientation = value;
}

void SourceList::set_display_names_to_file_names() {
  for (ListEntry& e : entries) e.display_name = e.file_name;
}

void SourceList::set_display_names_without_extension() {
  for (ListEntry& e : entries) e.display_name = e.file_name.substr(0, e.file_name.rfind('.'));
}

void SourceList::clear_display_names() {
  for (ListEntry& e : entries) e.display_name.clear();
}

void SourceList::delete_rows(const std::set<size_t>& selected) {
  size_t index = 0;
  std::erase_if(entries, [&](const ListEntry&) { return selected.contains(index++); });
}

void write_list(std::ostream& out, const SourceList& list) {
  out << kHeader << "\n";
  for (const ListEntry& e : list.entries)
    out << escape_field(e.file_name) << '\t' << escape_field(e.orientation.text()) << '\t'
        << escape_field(e.display_name) << '\t' << escape_field(e.caption) << '\t'
        << escape_field(e.file_path) << "\n";
}

SourceList read_list(std::istream& in, const std::filesystem::path& base) {
  SourceList list;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || (number == 1 && is_header(line))) continue;
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
      const size_t tab = line.find('\t', start);
      fields.push_back(unescape_field(std::string_view(line).substr(start, tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() > 5)
      throw std::runtime_error("line " + std::to_string(number) + ": " +
                               std::to_string(fields.size()) + " columns, at most 5 expected");
    if (fields[0].empty())
      throw std::runtime_error("line " + std::to_string(number) + ": no file name");
    ListEntry entry;
    if (fields.size() == 5 && !fields[4].empty()) {
      entry.file_name = fields[0];
      entry.file_path =
          directory_text(std::filesystem::absolute(base / fields[4]).lexically_normal());
    } else {
      entry = entry_for(base / fields[0]);
    }
    entry.display_name = entry.file_name;
    // Orientations typed by hand are read as --orientation reads them ("rotate left 90"); any
    // other text stays as written, for the pipeline's own rule.
    if (fields.size() > 1 && !fields[1].empty())
      entry.orientation = orientation_item(fields[1]).value_or(fields[1]);
    if (fields.size() > 2) entry.display_name = fields[2];
    if (fields.size() > 3) entry.caption = fields[3];
    list.entries.push_back(std::move(entry));
  }
  return list;
}

}  // namespace lumatrix
