#include "engine/run_join.h"

#include <map>

#include "base/image_error.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

RunManifest finished_manifest(const fs::path& path) {
  std::optional<RunManifest> manifest = read_manifest(path);
  if (!manifest) {
    std::error_code error;
    if (fs::exists(journal_path(path), error))
      throw ImageError(path, "the shard has not finished (only its journal " +
                                 journal_path(path).filename().string() +
                                 " is there); run it again with --skip-done");
    throw ImageError(path, "no such manifest");
  }
  if (manifest->end != "complete")
    throw ImageError(path, "shard " + manifest->header.shard.text() +
                               " was stopped before its end; run it again with --skip-done");
  return std::move(*manifest);
}

}  // namespace

JoinedRun join_manifests(const std::vector<fs::path>& paths) {
  if (paths.empty()) throw ImageError("no manifests to join");
  JoinedRun joined;
  std::map<int, fs::path> shards;  // index -> manifest
  std::map<int, ManifestEntry> entries;
  for (const fs::path& path : paths) {
    RunManifest manifest = finished_manifest(path);
    const ManifestHeader& header = manifest.header;
    if (shards.empty()) {
      joined.header = header;
    } else if (header.settings != joined.header.settings || header.list != joined.header.list ||
               header.entries != joined.header.entries) {
      throw ImageError(path,
                       "is the manifest of another run (other settings or another list) "
                       "than " +
                           shards.begin()->second.string());
    } else if (header.shard.count != joined.header.shard.count) {
      throw ImageError(path, "is shard " + header.shard.text() + ", the others are of " +
                                 std::to_string(joined.header.shard.count));
    }
    if (auto [at, added] = shards.emplace(header.shard.index, path); !added)
      throw ImageError(path, "shard " + header.shard.text() + " is given twice (also " +
                                 at->second.string() + ")");
    for (ManifestEntry& entry : manifest.entries) {
      const int position = entry.position;
      entries.insert_or_assign(position, std::move(entry));
    }
  }
  std::string missing;
  for (int index = 1; index <= joined.header.shard.count; ++index)
    if (!shards.count(index))
      missing += (missing.empty() ? "" : ", ") + std::to_string(index) + "/" +
                 std::to_string(joined.header.shard.count);
  if (!missing.empty()) throw ImageError("the manifest of shard " + missing + " is missing");
  for (int position = 1; position <= joined.header.entries; ++position) {
    auto entry = entries.find(position);
    if (entry == entries.end())
      throw ImageError("entry " + std::to_string(position) + " of " +
                       std::to_string(joined.header.entries) + " is in no manifest");
    joined.entries.push_back(std::move(entry->second));
  }
  return joined;
}

std::vector<GalleryRecord> joined_gallery(const JoinedRun& run) {
  std::vector<GalleryRecord> records;
  for (const ManifestEntry& entry : run.entries)
    add_gallery_record(records, {entry.display_name, entry.caption, entry.last_output});
  return records;
}

}  // namespace lumatrix
