#include "engine/batch_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "engine/thumbnails.h"
#include "files/subfolders.h"
#include "settings/setting_groups.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

// The names under which a path is recognised: its absolute form with the links of its folders
// resolved, and for an existing file its device and inode, which hard links share.
class PathKeys {
 public:
  std::vector<std::string> of_file(const fs::path& file) {
    const fs::path absolute = fs::absolute(file).lexically_normal();
    std::vector<std::string> keys{folder(absolute.parent_path()) + "/" +
                                  absolute.filename().string()};
    struct stat info {};
    if (::stat(absolute.c_str(), &info) == 0)
      keys.push_back("#" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino));
    return keys;
  }

  // The folder's resolved form and those of its parents, the folder first.
  std::vector<std::string> of_folder_and_parents(const std::string& directory) {
    std::vector<std::string> out;
    std::string path = folder(fs::absolute(directory).lexically_normal());
    while (!path.empty()) {
      out.push_back(path);
      const size_t slash = path.rfind('/');
      path.resize(slash == std::string::npos ? 0 : slash);
    }
    return out;
  }

 private:
  // Resolved once per folder: most entries share a handful.
  const std::string& folder(const fs::path& dir) {
    const std::string text = dir.string();
    auto found = folders_.find(text);
    if (found != folders_.end()) return found->second;
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(dir, error);
    if (error) resolved = dir;
    std::string key = resolved.lexically_normal().string();
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    if (key == "/") key.clear();  // the root: file keys become "/name"
    return folders_.emplace(text, std::move(key)).first->second;
  }

  std::unordered_map<std::string, std::string> folders_;
};

// What the entries so far did to one file.
struct FileUse {
  int last_writer = 0;       // row, 0 for none
  std::vector<int> readers;  // rows that read it since
};

struct EntryFiles {
  std::vector<std::string> reads, writes;  // file keys
  std::vector<std::string> folders;        // output folders, resolved
};

class Planner {
 public:
  Planner(const Settings& settings, const std::vector<fs::path>& shared_inputs)
      : settings_(settings), dated_names_(names_follow_source_date(settings)) {
    for (const fs::path& input : shared_inputs)
      for (std::string& key : keys_.of_file(input)) shared_reads_.push_back(std::move(key));
  }

  PlannedEntry plan(const ListEntry& entry, int position) {
    PlannedEntry planned;
    planned.position = position;
    planned.target = output_target(settings_, entry, position);
    planned.main_directory = expand_save_in(settings_.save_in_directory.text(), entry.file_path);

    EntryFiles files;
    files.reads = keys_.of_file(entry.full_path());
    const bool source_written_before = written_before(files.reads);
    files.reads.insert(files.reads.end(), shared_reads_.begin(), shared_reads_.end());
    add_output(files, planned.main_directory, planned.target.output_name);
    for (int which = 1; which <= 2; ++which) {
      if (!thumbnail_enabled(settings_, which)) continue;
      add_output(files,
                 expand_save_in(thumbnail_group(settings_, which).save_in.text(), entry.file_path),
                 thumbnail_name(settings_, which, planned.target, position));
    }

    planned.names_at_turn = dated_names_ && source_written_before;
    planned.alone = planned.names_at_turn || crosses_folders(files);
    planned.after = waits_for(files);
    record(files, position);
    return planned;
  }

 private:
  void add_output(EntryFiles& files, const std::string& directory, const std::string& name) {
    for (std::string& key : keys_.of_file(directory + name)) files.writes.push_back(std::move(key));
    for (std::string& folder : keys_.of_folder_and_parents(directory))
      files.folders.push_back(std::move(folder));
  }

  bool written_before(const std::vector<std::string>& keys) const {
    return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
      auto use = uses_.find(key);
      return use != uses_.end() && use->second.last_writer != 0;
    });
  }

  // A file where an earlier entry made a folder, or a folder where an earlier entry wrote a
  // file: which of the two fails depends on the order, so it stays the list's.
  bool crosses_folders(const EntryFiles& files) const {
    for (const std::string& key : files.writes)
      if (made_folders_.count(key)) return true;
    return written_before(files.folders);
  }

  std::vector<int> waits_for(const EntryFiles& files) const {
    std::vector<int> rows;
    for (const std::string& key : files.reads) {
      auto use = uses_.find(key);
      if (use != uses_.end() && use->second.last_writer) rows.push_back(use->second.last_writer);
    }
    for (const std::string& key : files.writes) {
      auto use = uses_.find(key);
      if (use == uses_.end()) continue;
      if (use->second.last_writer) rows.push_back(use->second.last_writer);
      // The readers since that writer waited for it, so waiting for them covers it too.
      rows.insert(rows.end(), use->second.readers.begin(), use->second.readers.end());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
  }

  void record(const EntryFiles& files, int position) {
    for (const std::string& key : files.reads) {
      std::vector<int>& readers = uses_[key].readers;
      if (readers.empty() || readers.back() != position) readers.push_back(position);
    }
    for (const std::string& key : files.writes) {
      FileUse& use = uses_[key];
      use.last_writer = position;
      use.readers.clear();
    }
    made_folders_.insert(files.folders.begin(), files.folders.end());
  }

  const Settings& settings_;
  const bool dated_names_;
  PathKeys keys_;
  std::vector<std::string> shared_reads_;
  std::unordered_map<std::string, FileUse> uses_;
  std::unordered_set<std::string> made_folders_;
};

}  // namespace

bool names_follow_source_date(const Settings& settings) {
  return settings.use_filename_changer && settings.append_date &&
         settings.date_type.value() == DateType::Creation;
}

BatchPlan plan_batch(const Settings& settings, const SourceList& list,
                     const std::vector<fs::path>& shared_inputs) {
  BatchPlan plan;
  plan.entries.reserve(list.size());
  Planner planner(settings, shared_inputs);
  int position = 0;
  for (const ListEntry& entry : list.entries)
    plan.entries.push_back(planner.plan(entry, ++position));
  return plan;
}

}  // namespace lumatrix
