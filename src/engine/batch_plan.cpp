#include "engine/batch_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/file_bytes.h"
#include "engine/thumbnails.h"
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
  Planner(const Settings& settings, const SourceList& list,
          const std::vector<fs::path>& shared_inputs)
      : settings_(settings),
        dated_names_(names_follow_source_date(settings)),
        policy_(settings.overwrite_policy.value()) {
    for (const fs::path& input : shared_inputs)
      for (std::string& key : keys_.of_file(input)) shared_reads_.push_back(std::move(key));
    for (const ListEntry& entry : list.entries)
      for (std::string& key : keys_.of_file(entry.full_path()))
        sources_.emplace(std::move(key), entry.full_path());
  }

  PlannedEntry plan(const ListEntry& entry, int position) {
    PlannedEntry planned;
    planned.position = position;
    planned.target = output_target(settings_, entry, position);
    planned.never_replace = policy_ == OverwritePolicy::KeepBoth;

    EntryFiles files;
    files.reads = keys_.of_file(entry.full_path());
    const bool source_written_before = written_before(files.reads);
    files.reads.insert(files.reads.end(), shared_reads_.begin(), shared_reads_.end());
    planned.main = place(files, planned,
                         {output_directory(settings_, settings_.save_in_directory.text(), entry),
                          planned.target.output_name});
    planned.target.output_name = planned.main.name;
    for (int which = 1; which <= 2; ++which) {
      if (!thumbnail_enabled(settings_, which)) continue;
      planned.thumbnails[which - 1] = place(
          files, planned,
          {output_directory(settings_, thumbnail_group(settings_, which).save_in.text(), entry),
           thumbnail_name(settings_, which, planned.target, position)});
    }

    planned.names_at_turn = dated_names_ && source_written_before;
    planned.alone = planned.names_at_turn || crosses_folders(files);
    planned.after = waits_for(files);
    record(files, position);
    return planned;
  }

  std::optional<SourceOverwrite> replaces_source() const { return replaces_source_; }

 private:
  // The output under the overwrite policy, entered among the entry's writes unless skipped.
  PlannedOutput place(EntryFiles& files, PlannedEntry& planned, PlannedOutput output) {
    output = apply_overwrite_policy(policy_, std::move(output), [&](const std::string& path) {
      return name_taken(path) || earlier_writer(path) != 0;
    });
    const std::string path = output.path();
    const int writer = earlier_writer(path);
    if (output.skip) {
      planned.notes.push_back(
          writer != 0
              ? path + " is also the output of entry " + std::to_string(writer) +
                    "; the earlier one remains (overwrite_policy \"Skip existing\")"
              : "Not overwritten: " + path + " exists (overwrite_policy \"Skip existing\")");
      return output;
    }
    if (writer != 0)
      planned.notes.push_back(path + " is also the output of entry " + std::to_string(writer) +
                              "; the later one remains");
    const size_t first_key = files.writes.size();
    add_output(files, output.directory, output.name);
    for (size_t i = first_key; i < files.writes.size() && !replaces_source_; ++i)
      if (auto source = sources_.find(files.writes[i]); source != sources_.end())
        replaces_source_ = SourceOverwrite{planned.position, path, source->second};
    return output;
  }

  void add_output(EntryFiles& files, const std::string& directory, const std::string& name) {
    for (std::string& key : keys_.of_file(directory + name)) files.writes.push_back(std::move(key));
    for (std::string& folder : keys_.of_folder_and_parents(directory))
      files.folders.push_back(std::move(folder));
  }

  // The last earlier entry that writes the file, 0 for none.
  int earlier_writer(const std::string& path) {
    int writer = 0;
    for (const std::string& key : keys_.of_file(path))
      if (auto use = uses_.find(key); use != uses_.end())
        writer = std::max(writer, use->second.last_writer);
    return writer;
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
  const OverwritePolicy policy_;
  PathKeys keys_;
  std::vector<std::string> shared_reads_;
  std::unordered_map<std::string, fs::path> sources_;  // every row's source, by its keys
  std::unordered_map<std::string, FileUse> uses_;
  std::unordered_set<std::string> made_folders_;
  std::optional<SourceOverwrite> replaces_source_;
};

// A folder with its links resolved, for comparing folders by place.
fs::path resolved_folder(const fs::path& folder) {
  std::error_code error;
  fs::path resolved = fs::weakly_canonical(fs::absolute(folder, error), error);
  if (error) resolved = fs::absolute(folder).lexically_normal();
  std::string text = resolved.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

// Whether `inner` is `outer` or lies below it (both resolved).
bool within(const fs::path& inner, const fs::path& outer) {
  const auto [rest, unused] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return rest == outer.end();
}

}  // namespace

bool names_follow_source_date(const Settings& settings) {
  return settings.use_filename_changer && settings.append_date &&
         (settings.date_type.value() == DateType::Creation ||
          settings.date_type.value() == DateType::Taken);
}

BatchPlan plan_batch(const Settings& settings, const SourceList& list,
                     const std::vector<fs::path>& shared_inputs) {
  BatchPlan plan;
  plan.entries.reserve(list.size());
  Planner planner(settings, list, shared_inputs);
  int position = 0;
  for (const ListEntry& entry : list.entries)
    plan.entries.push_back(planner.plan(entry, ++position));
  plan.replaces_source = planner.replaces_source();
  return plan;
}

void name_at_turn(const Settings& settings, const ListEntry& entry, PlannedEntry& planned) {
  const OverwritePolicy policy = settings.overwrite_policy.value();
  const auto on_disk = [](const std::string& path) { return name_taken(path); };
  const auto place = [&](PlannedOutput output) {
    output = apply_overwrite_policy(policy, std::move(output), on_disk);
    if (output.skip)
      planned.notes.push_back("Not overwritten: " + output.path() +
                              " exists (overwrite_policy \"Skip existing\")");
    return output;
  };
  planned.notes.clear();
  planned.target = output_target(settings, entry, planned.position);
  planned.main = place({planned.main.directory, planned.target.output_name});
  planned.target.output_name = planned.main.name;
  for (int which = 1; which <= 2; ++which)
    if (planned.thumbnails[which - 1])
      planned.thumbnails[which - 1] =
          place({planned.thumbnails[which - 1]->directory,
                 thumbnail_name(settings, which, planned.target, planned.position)});
}

PlannedOutput apply_overwrite_policy(OverwritePolicy policy, PlannedOutput output,
                                     const std::function<bool(const std::string&)>& taken) {
  if (policy != OverwritePolicy::SkipExisting && policy != OverwritePolicy::KeepBoth) return output;
  if (!taken(output.path())) return output;
  if (policy == OverwritePolicy::SkipExisting) {
    output.skip = true;
    return output;
  }
  const size_t dot = output.name.rfind('.');
  const std::string stem = output.name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? "" : output.name.substr(dot);
  for (long long number = 2;; ++number) {
    std::string name = stem + " (" + std::to_string(number) + ")" + extension;
    if (!taken(output.directory + name)) {
      output.name = std::move(name);
      return output;
    }
  }
}

std::vector<fs::path> output_folders_below(const Settings& settings, const SourceList& list,
                                           const fs::path& root) {
  const fs::path top = resolved_folder(root);
  std::vector<fs::path> folders;
  const auto consider = [&](std::string_view save_in, const ListEntry& entry) {
    const fs::path folder = resolved_folder(output_directory(settings, save_in, entry));
    if (folder == top || !within(folder, top)) return;
    if (folder == resolved_folder(entry.file_path)) return;  // in place: the source's own
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(folder);
  };
  for (const ListEntry& entry : list.entries) {
    consider(settings.save_in_directory.text(), entry);
    for (int which = 1; which <= 2; ++which)
      if (thumbnail_enabled(settings, which))
        consider(thumbnail_group(settings, which).save_in.text(), entry);
  }
  return folders;
}

size_t drop_rows_in(SourceList& list, size_t first, const std::vector<fs::path>& folders) {
  if (folders.empty() || first >= list.size()) return 0;
  size_t index = 0;
  return std::erase_if(list.entries, [&](const ListEntry& entry) {
    if (index++ < first) return false;
    const fs::path folder = resolved_folder(entry.file_path);
    return std::any_of(folders.begin(), folders.end(),
                       [&](const fs::path& f) { return within(folder, f); });
  });
}

}  // namespace lumatrix
