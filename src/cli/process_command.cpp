// `lumatrix process`: "Process All" from the command line — the source list from files, folders
// and list files, one run on the terminal.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/orientation_option.h"
#include "cli/resource_options.h"
#include "cli/shard_option.h"
#include "cli/terminal_run_host.h"
#include "runs/standard_runs.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

struct ProcessArgs {
  bool recursive = false, yes = false, in_place = false, strict = false, fast = false;
  std::optional<std::string> output;
  std::optional<fs::path> list_file;
  std::optional<std::string> orientation;
  RunResources resources;
  std::optional<Shard> shard;
  bool skip_done = false;
  std::optional<fs::path> manifest;
  std::vector<fs::path> sources;
};

ProcessArgs parse(const std::vector<std::string>& rest) {
  ProcessArgs parsed;
  for (size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    const auto value = [&](std::string_view name) { return option_value(rest, i, name); };
    if (arg == "--recursive" || arg == "-r") {
      parsed.recursive = true;
    } else if (arg == "--yes" || arg == "-y") {
      parsed.yes = true;
    } else if (arg == "--in-place") {
      parsed.in_place = true;
    } else if (arg == "--strict") {
      parsed.strict = true;
    } else if (auto output = arg == "-o" ? value("-o") : value("--output")) {
      if (parsed.output) throw UsageError{"--output given twice"};
      if (output->empty()) throw UsageError{"--output needs a folder"};
      parsed.output = *output;
    } else if (arg == "--fast") {
      parsed.fast = true;
    } else if (auto list = value("--list")) {
      if (parsed.list_file) throw UsageError{"--list given twice"};
      parsed.list_file = *list;
    } else if (auto orientation = value("--orientation")) {
      parsed.orientation = orientation_value(*orientation);
    } else if (auto jobs = arg == "-j" ? value("-j") : value("--jobs")) {
      parsed.resources.workers = jobs_value(*jobs);
    } else if (auto memory = value("--memory")) {
      parsed.resources.memory_bytes = memory_value(*memory);
    } else if (auto shard = value("--shard")) {
      parsed.shard = shard_value(*shard);
    } else if (arg == "--skip-done") {
      parsed.skip_done = true;
    } else if (auto manifest = value("--manifest")) {
      parsed.manifest = *manifest;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      throw unknown_option(arg);
    } else {
      parsed.sources.emplace_back(arg);
    }
  }
  if (parsed.sources.empty() && !parsed.list_file)
    throw UsageError{"no images to process: name files, folders or --list FILE"};
  return parsed;
}

// The list file's rows first, then the sources in command-line order (a folder as a folder
// load gives it; with --recursive, without the folders below it that this run writes into).
SourceList build_list(const ProcessArgs& parsed, const Settings& settings) {
  SourceList list;
  if (parsed.list_file) {
    std::ifstream in(*parsed.list_file, std::ios::binary);
    if (!in) throw UsageError{"--list: cannot read '" + parsed.list_file->string() + "'"};
    try {
      list = read_list(in, parsed.list_file->parent_path());
    } catch (const std::runtime_error& error) {
      throw UsageError{"--list: " + parsed.list_file->string() + ": " + error.what()};
    }
  }
  for (const fs::path& source : parsed.sources) {
    std::error_code error;
    if (fs::is_directory(source, error)) {
      const size_t first = list.size();
      list.add_folder(source, parsed.recursive);
      if (parsed.recursive) {
        // Else a second run would take the first run's results for sources.
        const std::vector<fs::path> outputs = output_folders_below(settings, list, source);
        if (drop_rows_in(list, first, outputs) > 0)
          for (const fs::path& folder : outputs)
            std::cerr << "lumatrix process: leaving out " << folder.string()
                      << ": this run writes into it\n";
      }
      if (list.size() == first)
        std::cerr << "lumatrix process: warning: no images in folder '" << source.string() << "'\n";
    } else if (fs::exists(source, error)) {
      list.add_files({source});
    } else {
      throw UsageError{"'" + source.string() + "': no such file or folder"};
    }
  }
  if (parsed.orientation) list.set_orientation(*parsed.orientation);
  return list;
}

// Outputs over the run's own sources are what the default settings do (the source's folder,
// its format): a command line that does not ask for it in so many words is refused.
void refuse_replacing_sources(const Settings& settings, const SourceList& list) {
  const BatchPlan plan = plan_batch(settings, list, {});
  if (!plan.replaces_source) return;
  const SourceOverwrite& clash = *plan.replaces_source;
  throw UsageError{"entry " + std::to_string(clash.position) + " would write " +
                   clash.output.string() + ", replacing the source " + clash.source.string() +
                   "; name an output folder with -o DIR (or the setting save_in_directory), or "
                   "pass --in-place to replace the sources"};
}

std::string plural(int count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// One line on stderr whatever happened: what was written, skipped and failed, and how long it
// took.
void print_summary(const BatchRunResult& result, std::chrono::steady_clock::duration took) {
  const OutputCounts& out = result.outputs;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", std::chrono::duration<double>(took).count());
  std::cerr << "lumatrix process: " << plural(out.saved, "file", "files") << " written, "
            << plural(result.skipped, "image", "images") << " skipped (not valid), "
            << out.failed + out.unwritten << " failed";
  if (out.refused > 0)
    std::cerr << ", " << plural(out.refused, "thumbnail", "thumbnails") << " refused";
  if (out.kept > 0) std::cerr << ", " << out.kept << " left as they were (overwrite_policy)";
  std::cerr << ", in " << seconds << " s"
            << (out.failed + out.unwritten + out.refused > 0 ? " (see the log lines above)" : "")
            << "\n";
}

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  JobOptions job = parse_job_options(args, rest);
  const ProcessArgs parsed = parse(rest);
  if (parsed.output) {
    job.sets.push_back({"save_in_directory", *parsed.output, "--output"});
    job.sets.push_back({"mirror_folders", "true", "--output"});
  }
  Settings settings = job_settings(job, std::cerr);
  const SourceList list = build_list(parsed, settings);
  if (!parsed.in_place) refuse_replacing_sources(settings, list);

  TerminalRunHost host(parsed.yes);
  // Refused before anything is written, the automatic profile included.
  if (!host.can_ask())
    throw UsageError{host.no_terminal_message(confirmation_question(settings.save_in_directory))};

  const int32_t first_number = settings.start_number;
  // For this run only, as --jobs is; the setting fast_resize is the lasting choice.
  RunResources resources = parsed.resources;
  resources.fast_resize = parsed.fast;
  // The terminal has no page viewer: the gallery's start page is named for the user to open.
  const auto name_start_page = [](const fs::path& start_page) {
    std::cout << "Gallery start page: " << start_page.string() << "\n";
  };
  // The other policies name outputs by the files already there, which the other shards are
  // writing at the same time: their shares would not add up to one run.
  if (parsed.shard && settings.overwrite_policy.value() != OverwritePolicy::Replace)
    throw UsageError{"--shard: overwrite_policy \"" + settings.overwrite_policy.text() +
                     "\" names outputs by the files the other shards may have written; "
                     "sharded runs need \"Replace\""};
  RunScope scope;
  scope.shard = parsed.shard;
  if (parsed.shard || parsed.skip_done || parsed.manifest)
    scope.manifest = parsed.manifest.value_or(default_manifest_path(settings, list, parsed.shard));
  std::optional<RunManifest> earlier;
  if (parsed.skip_done && (earlier = read_manifest_or_journal(scope.manifest)))
    scope.earlier = &*earlier;

  const auto started = std::chrono::steady_clock::now();
  const BatchRunResult result =
      run_process_all(host.seam(), settings, list, name_start_page, resources, scope);
  if (!result.confirmed) {
    std::cerr << "lumatrix process: not confirmed; nothing was processed\n";
    return kExitFailure;
  }
  if (result.finished_before > 0)
    std::cerr << "lumatrix process: " << result.finished_before
              << " entries were done already and kept as an earlier run wrote them\n";
  if (parsed.shard)
    std::cerr << "lumatrix process: shard " << parsed.shard->text() << " ran "
              << list.size() - static_cast<size_t>(result.elsewhere) << " of " << list.size()
              << " entries; its manifest is " << scope.manifest.string()
              << "\nWhen every shard is through: lumatrix finish MANIFEST... (with the same "
                 "--profile and --set)\n";
  if (settings.start_number != first_number)
    keep_start_number(job, settings.start_number, "process");
  std::cout.flush();
  print_summary(result, std::chrono::steady_clock::now() - started);
  const OutputCounts& out = result.outputs;
  if (result.stopped) return 130;
  if (parsed.strict && (result.skipped + out.failed + out.unwritten + out.refused > 0))
    return kExitIncomplete;
  return out.failed + out.unwritten > 0 ? kExitFailure : kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix process [OPTIONS]... SOURCE...\n"
         "Processes every image of the list with the job settings and saves the results\n"
         "(and thumbnails 1 and 2 when enabled), as \"Process All\" does. Each SOURCE file is\n"
         "one entry; a folder gives its images with the accepted extensions, in name order.\n"
         "\n"
         "Examples:\n"
         "  lumatrix process -r ~/Photos -o ~/web --fit 1600x1200 --format JPEG --quality 85\n"
         "  lumatrix process --profile web.ini --yes --strict ~/Photos/2024\n"
         "\n"
         "Options:\n"
         "  -o, --output DIR     write the outputs into DIR: sets save_in_directory=DIR and\n"
         "                       mirror_folders=true, so the images of a folder SOURCE go\n"
         "                       into DIR with the folder's tree below it (DIR/2024/trip/..)\n"
         "  -r, --recursive      folders: take the images of every subfolder too, but not\n"
         "                       of the folders this run writes into (its outputs)\n"
         "  --in-place           allow outputs to replace the run's own sources (without it a\n"
         "                       run that would, as the default settings do, is refused)\n"
         "  -y, --yes            answer the confirmation (and a stop question) with yes/OK;\n"
         "                       required when there is no terminal to ask on\n"
         "  --strict             exit with status 3 when an image was skipped or an output\n"
         "                       failed, so scripts notice\n"
         "  --list FILE          entries from a tab-separated list file, before the sources:\n"
         "                       file name, orientation, display name, caption, original\n"
         "                       file path (a header line whose first field is FileName\n"
         "                       allowed; later columns optional; without the fifth column\n"
         "                       the file name may be a path, relative to the list file;\n"
         "                       orientations as --orientation takes them)\n"
         "  --orientation TEXT   every entry's orientation: As Is, Rotate Left 90, Rotate\n"
         "                       Right 90, Rotate 180, Flip Left, Flip Right, Flip Down (any\n"
         "                       letter case, the degree sign optional)\n"
         "  -j, --jobs N         images processed at once (default: the setting workers,\n"
         "                       whose 0 means one per CPU this process may use). The log\n"
         "                       and every file written are the same for any N.\n"
         "  --memory SIZE        memory the images in flight may take, e.g. 512M or 2G\n"
         "                       (default: the setting memory_budget in MB, whose 0 means\n"
         "                       three quarters of the memory available). An image starts\n"
         "                       when its decoded size (four copies of it) fits beside the\n"
         "                       running ones; one larger than the whole budget runs alone.\n"
         "  --shard K/N          run only share K of N (1 <= K <= N) of the list, planned as\n"
         "                       the whole list: names numbered by list position, entries\n"
         "                       writing one file kept in one share. The N shares together\n"
         "                       write what one run writes; 'lumatrix finish' then makes the\n"
         "                       gallery or slicing and moves start_number on. 'auto' reads\n"
         "                       a Slurm job array's SLURM_ARRAY_TASK_ID/_MIN/_COUNT; 'auto/N'\n"
         "                       a Kubernetes Indexed Job's JOB_COMPLETION_INDEX.\n"
         "  --skip-done          keep the entries an earlier run of the same settings finished\n"
         "                       (its manifest says so and their files are unchanged); run\n"
         "                       the rest. For a run that was killed or stopped.\n"
         "  --manifest FILE      the run's manifest: one JSON line per entry (source, status,\n"
         "                       reason, outputs with size and SHA-256). Written with --shard\n"
         "                       and --skip-done too, by default in the first entry's output\n"
         "                       folder as lumatrix-manifest.jsonl (lumatrix-manifest-K-of-N\n"
         "                       .jsonl for a shard); FILE.partial while the run works.\n"
         "  --fast               fast JPEG resize for this run (the setting fast_resize):\n"
         "                       where the first step shrinks a JPEG, it is decoded at a\n"
         "                       half, a quarter or an eighth of its size and resampled\n"
         "                       from there. Much faster on large photos, but the pixels\n"
         "                       differ slightly from those of the exact resize.\n";
  describe_job_options(out);
  out << "\n"
         "The automatic profile default.ini in the per-user folder ($LUMATRIX_HOME, else\n"
         "~/.config/lumatrix) is written with the settings at the start of every run.\n"
         "An output whose name is taken, by a file already there or by an earlier entry's\n"
         "output, is treated by the setting overwrite_policy: \"Replace\" (the default; two\n"
         "entries writing one file get the log line \"... is also the output of entry N; the\n"
         "later one remains\"), \"Skip existing\" (the file is left as it is) or \"Keep\n"
         "both\" (written as \"name (2).jpg\", never replacing a file). A thumbnail that\n"
         "would replace its own main output or source is not saved (give it a folder, prefix\n"
         "or suffix). PNG files are written with zlib level 6 (png_compression); transparent\n"
         "images saved without alpha (JPEG, BMP, ...) are flattened onto flatten_colour\n"
         "(white).\n"
         "With resetstartnumber=false, start_number moves on by the number of entries and is\n"
         "written back to the --profile file, so the next run goes on counting.\n"
         "\n"
         "Log lines go to standard output; a progress bar to standard error when it is a\n"
         "terminal, and at the end one line with the files written, the images skipped, the\n"
         "outputs failed and the time taken. Ctrl-C starts no further image; the images\n"
         "being processed are finished, then the run asks whether to stop (on a terminal).\n"
         "A second Ctrl-C ends at once.\n"
         "Exit status: 0 the run completed (also when invalid images were skipped); 1 an\n"
         "output could not be written, or the run was not confirmed, or a run-ending error;\n"
         "2 a command-line mistake, or outputs that would replace sources without\n"
         "--in-place; 3 with --strict, an image skipped or an output failed; 130 stopped by\n"
         "Ctrl-C.\n";
}

constexpr std::string_view kOptions[] = {"--output", "-o", "--recursive", "-r",     "--in-place",
                                         "--yes",    "-y", "--strict",    "--list", "--orientation",
                                         "--jobs",   "-j", "--memory"};

}  // namespace

extern const Command process_command{
    "process", "process a list of images with the job settings", run, help, kOptions, true};

}  // namespace lumatrix::cli
