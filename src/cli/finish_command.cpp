// `lumatrix finish`: the join of a sharded run, once every shard is through — the gallery or
// slicing over all outputs, the numbering moved on, and a summary.
#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/terminal_run_host.h"
#include "engine/run_join.h"
#include "runs/standard_runs.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  const JobOptions job = parse_job_options(args, rest);
  std::vector<fs::path> manifests;
  for (const std::string& arg : rest) {
    if (arg.starts_with("-") && arg.size() > 1) throw unknown_option(arg);
    manifests.emplace_back(arg);
  }
  if (manifests.empty()) throw UsageError{"name the manifests of every shard"};
  Settings settings = job_settings(job, std::cerr);
  const JoinedRun joined = join_manifests(manifests);
  if (joined.header.settings != settings_fingerprint(settings))
    throw UsageError{
        "the settings differ from those the shards ran with: give finish the same "
        "--profile and --set as the shards"};

  TerminalRunHost host(true);
  const int32_t first_number = settings.start_number;
  run_joined_after_pass(host.seam(), settings, joined_gallery(joined), joined.header.entries,
                        [](const fs::path& start_page) {
                          std::cout << "Gallery start page: " << start_page.string() << "\n";
                        });
  if (settings.start_number != first_number)
    keep_start_number(job, settings.start_number, "finish");

  OutputCounts total;
  int skipped = 0, failed = 0;
  for (const ManifestEntry& entry : joined.entries) {
    total.saved += entry.counts.saved;
    total.failed += entry.counts.failed;
    total.unwritten += entry.counts.unwritten;
    total.refused += entry.counts.refused;
    if (entry.status == "skipped") ++skipped;
    if (entry.status == "failed") ++failed;
  }
  std::cout << "Joined " << manifests.size() << " shards: " << joined.entries.size() << " entries, "
            << total.saved << " files written, " << skipped << " not valid images, " << failed
            << " failed\n";
  for (const ManifestEntry& entry : joined.entries)
    if (entry.status != "done")
      std::cout << "  entry " << entry.position << " " << entry.source << ": " << entry.status
                << (entry.reason.empty() ? "" : ": " + entry.reason) << "\n";
  return total.failed + total.unwritten > 0 ? kExitFailure : kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix finish [--profile FILE] [--set NAME=VALUE]... MANIFEST...\n"
         "Joins the shards of a run made with 'lumatrix process --shard K/N', once all of\n"
         "them are through: makes the gallery or the slicing over every shard's outputs (the\n"
         "pages one run makes), moves start_number on by the whole list (written back to the\n"
         "--profile file when resetstartnumber is false) and prints a summary with every\n"
         "entry that failed or was not a valid image.\n"
         "Give the manifests of all N shards and the settings the shards ran with. Refuses,\n"
         "naming it, a shard whose manifest is missing, unfinished (only FILE.partial: run\n"
         "that shard again with --skip-done) or stopped, or of other settings.\n";
  describe_job_options(out);
  out << "Exit status: 0 joined; 1 an entry's output could not be written, or the manifests\n"
         "do not make one whole run; 2 a command-line mistake.\n";
}

}  // namespace

extern const Command finish_command{
    "finish", "join the shards of a run: gallery, numbering, summary", run, help};

}  // namespace lumatrix::cli
