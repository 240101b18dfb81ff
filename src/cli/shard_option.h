#pragma once
// --shard K/N of `lumatrix process`: which share of the list this run does. "auto" takes it from
// the engine that started the process: a Slurm job array (SLURM_ARRAY_TASK_ID counted from
// SLURM_ARRAY_TASK_MIN, of SLURM_ARRAY_TASK_COUNT), or a Kubernetes Indexed Job
// (JOB_COMPLETION_INDEX, counted from 0, with the count given as "auto/N").
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "engine/run_shards.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix::cli {

using Environment = std::function<std::optional<std::string>(const std::string& name)>;
// The process's own environment.
std::optional<std::string> process_environment(const std::string& name);

// Throws UsageError naming what is wrong.
Shard shard_value(const std::string& text, const Environment& environment = process_environment);

// Where a run's manifest goes unless --manifest says: the first entry's output folder, named
// for the shard ("lumatrix-manifest.jsonl", "lumatrix-manifest-2-of-3.jsonl").
std::filesystem::path default_manifest_path(const Settings& settings, const SourceList& list,
                                            const std::optional<Shard>& shard);

}  // namespace lumatrix::cli
