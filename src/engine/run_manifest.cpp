#include "engine/run_manifest.h"

#include <unistd.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/file_bytes.h"
#include "base/file_digest.h"
#include "base/image_error.h"
#include "settings/profile_file.h"

namespace lumatrix {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kVersion = 1;

// File names need not be UTF-8; what JSON cannot hold is replaced, and such an entry simply
// does not match on a rerun (it is processed again).
std::string line_of(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

json header_json(const ManifestHeader& header) {
  return {{"lumatrix_manifest", kVersion},
          {"settings", header.settings},
          {"list", header.list},
          {"entries", header.entries},
          {"shard", header.shard.text()}};
}

json entry_json(const ManifestEntry& entry) {
  json outputs = json::array();
  for (const WrittenFile& file : entry.outputs)
    outputs.push_back({{"path", file.path}, {"size", file.size}, {"sha256", file.sha256}});
  return {{"position", entry.position},
          {"source", entry.source},
          {"source_size", entry.source_size},
          {"source_time", entry.source_time},
          {"status", entry.status},
          {"reason", entry.reason},
          {"outputs", std::move(outputs)},
          {"display_name", entry.display_name},
          {"caption", entry.caption},
          {"last_output", entry.last_output},
          {"counts",
           {{"saved", entry.counts.saved},
            {"unwritten", entry.counts.unwritten},
            {"failed", entry.counts.failed},
            {"refused", entry.counts.refused}}}};
}

Shard shard_of(const std::string& text) {
  Shard shard;
  const size_t slash = text.find('/');
  if (slash == std::string::npos) throw std::invalid_argument("shard");
  shard.index = std::stoi(text.substr(0, slash));
  shard.count = std::stoi(text.substr(slash + 1));
  if (shard.count < 1 || shard.index < 1 || shard.index > shard.count)
    throw std::invalid_argument("shard");
  return shard;
}

ManifestEntry entry_of(const json& line) {
  ManifestEntry entry;
  entry.position = line.at("position").get<int>();
  entry.source = line.at("source").get<std::string>();
  entry.source_size = line.at("source_size").get<uint64_t>();
  entry.source_time = line.at("source_time").get<int64_t>();
  entry.status = line.at("status").get<std::string>();
  entry.reason = line.at("reason").get<std::string>();
  for (const json& file : line.at("outputs"))
    entry.outputs.push_back({file.at("path").get<std::string>(), file.at("size").get<uint64_t>(),
                             file.at("sha256").get<std::string>()});
  entry.display_name = line.at("display_name").get<std::string>();
  entry.caption = line.at("caption").get<std::string>();
  entry.last_output = line.at("last_output").get<std::string>();
  const json& counts = line.at("counts");
  entry.counts.saved = counts.at("saved").get<int>();
  entry.counts.unwritten = counts.at("unwritten").get<int>();
  entry.counts.failed = counts.at("failed").get<int>();
  entry.counts.refused = counts.at("refused").get<int>();
  return entry;
}

// `journal`: the last line may be torn (no line end, or not JSON) and is then left out.
RunManifest parse(const fs::path& path, const std::string& text, bool journal) {
  RunManifest manifest;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  bool header = false;
  while (std::getline(in, line)) {
    ++number;
    const bool last = in.peek() == std::char_traits<char>::eof();
    const bool torn = last && (text.empty() || text.back() != '\n');
    try {
      const json value = json::parse(line);
      if (!header) {
        if (value.at("lumatrix_manifest").get<int>() != kVersion)
          throw ImageError(path, "manifest version " + value.at("lumatrix_manifest").dump() +
                                     " is not one this program reads");
        manifest.header.settings = value.at("settings").get<std::string>();
        manifest.header.list = value.at("list").get<std::string>();
        manifest.header.entries = value.at("entries").get<int>();
        manifest.header.shard = shard_of(value.at("shard").get<std::string>());
        header = true;
      } else if (value.contains("end")) {
        manifest.end = value.at("end").get<std::string>();
      } else {
        manifest.entries.push_back(entry_of(value));
      }
    } catch (const ImageError&) {
      throw;
    } catch (const std::exception&) {
      if (journal && torn && header) break;
      throw ImageError(path, "line " + std::to_string(number) + " is not a manifest line");
    }
  }
  if (!header) throw ImageError(path, "not a run manifest (no header line)");
  return manifest;
}

std::optional<RunManifest> read(const fs::path& path, bool journal) {
  std::error_code error;
  if (!fs::exists(path, error)) return std::nullopt;
  const std::vector<uint8_t> bytes = read_file_bytes(path);
  return parse(path, std::string(bytes.begin(), bytes.end()), journal);
}

std::string first_problem(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.starts_with("Skipping Invalid Image : ")) {
      const bool reason_follows = i + 1 < lines.size() && !lines[i + 1].starts_with("Saving ");
      return reason_follows ? line + " (" + lines[i + 1] + ")" : line;
    }
    if (line.starts_with("Error: ") || line.starts_with("Not saved: ") ||
        line.starts_with("Resize failed"))
      return line;
  }
  return {};
}

bool intact(const WrittenFile& file) {
  std::error_code error;
  const uintmax_t size = fs::file_size(file.path, error);
  if (error || size != file.size) return false;
  try {
    return file_sha256(file.path) == file.sha256;
  } catch (const ImageError&) {
    return false;
  }
}

struct SourceStamp {
  uint64_t size = 0;
  int64_t time = 0;
};

std::optional<SourceStamp> stamp_of(const fs::path& source) {
  std::error_code error;
  SourceStamp stamp;
  stamp.size = fs::file_size(source, error);
  if (error) return std::nullopt;
  const auto time = fs::last_write_time(source, error);
  if (error) return std::nullopt;
  stamp.time =
      std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  return stamp;
}

}  // namespace

std::string settings_fingerprint(const Settings& settings) {
  Settings shaping = settings;
  const Settings defaults;
  shaping.workers = defaults.workers;
  shaping.memory_budget = defaults.memory_budget;
  return text_sha256(profile_text(shaping));
}

std::string list_fingerprint(const SourceList& list) {
  std::ostringstream text;
  write_list(text, list);
  return text_sha256(text.str());
}

fs::path journal_path(const fs::path& manifest) {
  fs::path journal = manifest;
  journal += ".partial";
  return journal;
}

std::optional<RunManifest> read_manifest(const fs::path& path) {
  return read(path, false);
}

std::optional<RunManifest> read_manifest_or_journal(const fs::path& path) {
  if (auto manifest = read(path, false)) return manifest;
  return read(journal_path(path), true);
}

ManifestEntry manifest_entry(const ListEntry& entry, int position, const EntryReport& report) {
  ManifestEntry line;
  line.position = position;
  line.source = entry.full_path().string();
  if (auto stamp = stamp_of(entry.full_path())) {
    line.source_size = stamp->size;
    line.source_time = stamp->time;
  }
  const OutputCounts& counts = report.outputs;
  line.status = counts.failed + counts.unwritten > 0 ? "failed"
                : report.skipped                     ? "skipped"
                                                     : "done";
  if (line.status != "done") line.reason = first_problem(report.lines);
  line.outputs = report.written;
  line.display_name = entry.display_name;
  line.caption = entry.caption;
  line.last_output = report.last_output;
  line.counts = counts;
  return line;
}

void describe_written(std::vector<WrittenFile>& files) {
  for (WrittenFile& file : files) {
    std::error_code error;
    file.size = fs::file_size(file.path, error);
    try {
      file.sha256 = file_sha256(file.path);
    } catch (const ImageError&) {
      file.sha256.clear();  // gone already: such an entry never counts as finished
    }
  }
}

ManifestWriter::ManifestWriter(fs::path path, ManifestHeader header) : path_(std::move(path)) {
  manifest_.header = std::move(header);
  const fs::path journal = journal_path(path_);
  std::error_code error;
  if (!path_.parent_path().empty()) fs::create_directories(path_.parent_path(), error);
  journal_.open(journal, std::ios::binary | std::ios::trunc);
  if (!journal_) throw ImageError(journal, "cannot write the run's journal");
  append(line_of(header_json(manifest_.header)));
}

void ManifestWriter::append(const std::string& line) {
  journal_ << line;
  journal_.flush();
  if (!journal_) throw ImageError(journal_path(path_), "cannot write the run's journal");
}

void ManifestWriter::add(ManifestEntry entry) {
  append(line_of(entry_json(entry)));
  manifest_.entries.push_back(std::move(entry));
}

void ManifestWriter::close(const std::string& end) {
  std::string text = line_of(header_json(manifest_.header));
  for (const ManifestEntry& entry : manifest_.entries) text += line_of(entry_json(entry));
  text += line_of(json{{"end", end}});
  write_file_atomically(path_, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  journal_.close();
  std::error_code error;
  fs::remove(journal_path(path_), error);
}

std::vector<const ManifestEntry*> finished_before(const RunManifest& earlier,
                                                  const Settings& settings, const SourceList& list,
                                                  const BatchPlan& plan,
                                                  const std::vector<int>& groups) {
  const size_t count = list.size();
  std::vector<const ManifestEntry*> found(count, nullptr);
  if (earlier.header.settings != settings_fingerprint(settings)) return found;
  std::map<int, const ManifestEntry*> by_position;
  for (const ManifestEntry& entry : earlier.entries) by_position[entry.position] = &entry;

  // Whether each entry, taken alone, was finished: same source unchanged, status done.
  std::vector<bool> done(count, false);
  for (size_t i = 0; i < count; ++i) {
    auto line = by_position.find(plan.entries[i].position);
    if (line == by_position.end()) continue;
    const ManifestEntry& entry = *line->second;
    const auto stamp = stamp_of(list.entries[i].full_path());
    done[i] = entry.status == "done" && entry.source == list.entries[i].full_path().string() &&
              stamp && stamp->size == entry.source_size && stamp->time == entry.source_time;
    if (done[i]) found[i] = &entry;
  }
  // A group counts as finished when all its entries are, and each file holds what the group's
  // last entry to write it recorded.
  const int group_count = groups.empty() ? 0 : *std::max_element(groups.begin(), groups.end()) + 1;
  std::vector<bool> group_done(static_cast<size_t>(group_count), true);
  std::vector<std::map<std::string, const WrittenFile*>> last_written(
      static_cast<size_t>(group_count));
  for (size_t i = 0; i < count; ++i) {
    const auto group = static_cast<size_t>(groups[i]);
    if (!done[i]) {
      group_done[group] = false;
      continue;
    }
    for (const WrittenFile& file : found[i]->outputs) last_written[group][file.path] = &file;
  }
  for (size_t group = 0; group < group_done.size(); ++group) {
    if (!group_done[group]) continue;
    for (const auto& [path, file] : last_written[group])
      if (!intact(*file)) {
        group_done[group] = false;
        break;
      }
  }
  for (size_t i = 0; i < count; ++i)
    if (!group_done[static_cast<size_t>(groups[i])]) found[i] = nullptr;
  return found;
}

}  // namespace lumatrix
