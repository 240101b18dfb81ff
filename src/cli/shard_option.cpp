#include "cli/shard_option.h"

#include <charconv>
#include <cstdlib>

#include "cli/command.h"
#include "files/subfolders.h"

namespace lumatrix::cli {

namespace {

std::optional<int> whole_number(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end || text.empty()) return std::nullopt;
  return value;
}

int variable(const Environment& environment, const std::string& name) {
  const std::optional<std::string> text = environment(name);
  if (!text) throw UsageError{"--shard auto: " + name + " is not set"};
  const std::optional<int> value = whole_number(*text);
  if (!value) throw UsageError{"--shard auto: " + name + "='" + *text + "' is not a number"};
  return *value;
}

Shard checked(Shard shard, const std::string& given) {
  if (shard.count < 1 || shard.count > 100000)
    throw UsageError{"--shard " + given + ": the shard count must be 1 to 100000"};
  if (shard.index < 1 || shard.index > shard.count)
    throw UsageError{"--shard " + given + ": shard " + std::to_string(shard.index) +
                     " is not one of 1 to " + std::to_string(shard.count)};
  return shard;
}

}  // namespace

std::optional<std::string> process_environment(const std::string& name) {
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  return std::nullopt;
}

Shard shard_value(const std::string& text, const Environment& environment) {
  const size_t slash = text.find('/');
  const std::string first = text.substr(0, slash);
  std::optional<int> given_count;
  if (slash != std::string::npos) {
    given_count = whole_number(text.substr(slash + 1));
    if (!given_count) throw UsageError{"--shard " + text + ": expected K/N, auto or auto/N"};
  }
  if (first != "auto") {
    const std::optional<int> index = whole_number(first);
    if (!index || !given_count)
      throw UsageError{"--shard " + text + ": expected K/N, auto or auto/N"};
    return checked({*index, *given_count}, text);
  }
  if (environment("SLURM_ARRAY_TASK_ID")) {
    const int id = variable(environment, "SLURM_ARRAY_TASK_ID");
    const int lowest =
        environment("SLURM_ARRAY_TASK_MIN") ? variable(environment, "SLURM_ARRAY_TASK_MIN") : 0;
    const int count = variable(environment, "SLURM_ARRAY_TASK_COUNT");
    if (given_count && *given_count != count)
      throw UsageError{"--shard " + text + ": the Slurm array has " + std::to_string(count) +
                       " tasks"};
    return checked({id - lowest + 1, count}, text);
  }
  if (environment("JOB_COMPLETION_INDEX")) {
    if (!given_count)
      throw UsageError{
          "--shard auto: a Kubernetes Indexed Job gives no count; use auto/N with "
          "N the Job's completions"};
    return checked({variable(environment, "JOB_COMPLETION_INDEX") + 1, *given_count}, text);
  }
  throw UsageError{"--shard " + text +
                   ": neither SLURM_ARRAY_TASK_ID nor JOB_COMPLETION_INDEX is set; give K/N"};
}

std::filesystem::path default_manifest_path(const Settings& settings, const SourceList& list,
                                            const std::optional<Shard>& shard) {
  const std::string name = shard ? "lumatrix-manifest-" + std::to_string(shard->index) + "-of-" +
                                       std::to_string(shard->count) + ".jsonl"
                                 : "lumatrix-manifest.jsonl";
  if (list.empty()) return name;
  return std::filesystem::path(
             expand_save_in(settings.save_in_directory.text(), list.entries.front().file_path)) /
         name;
}

}  // namespace lumatrix::cli
