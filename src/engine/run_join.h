#pragma once
// Joining the shards of one run: their manifests, checked to be the whole list once, and what
// only the whole run can do from them (the gallery records, the entry count for the numbering).
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ordered_reduce.h"
#include "engine/run_manifest.h"

namespace lumatrix {

struct JoinedRun {
  ManifestHeader header;               // the shard part is the count only
  std::vector<ManifestEntry> entries;  // every entry of the list, in list order
};

// Reads the manifests of shards 1..N of one run. Refuses (ImageError naming the file or the
// shard) a manifest that is missing or only a journal (its shard did not finish), a stopped
// shard, one of another run or settings, a shard given twice or missing, and entries missing.
JoinedRun join_manifests(const std::vector<std::filesystem::path>& manifests);

// The gallery records the one-machine run would have collected.
std::vector<GalleryRecord> joined_gallery(const JoinedRun& run);

}  // namespace lumatrix
