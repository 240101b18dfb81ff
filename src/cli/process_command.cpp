// `lumatrix process`: "Process All" from the command line — the source list from files, folders
// and list files, one run on the terminal.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/orientation_option.h"
#include "cli/resource_options.h"
#include "cli/terminal_run_host.h"
#include "engine/batch_run.h"
#include "overlay/overlays.h"
#include "settings/profile_file.h"
#include "web/after_pass.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

struct ProcessArgs {
  bool recursive = false, yes = false, fast = false;
  std::optional<fs::path> list_file;
  std::optional<std::string> orientation;
  RunResources resources;
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
    } else if (arg.starts_with("-") && arg.size() > 1) {
      throw UsageError{"unexpected option '" + arg + "'"};
    } else {
      parsed.sources.emplace_back(arg);
    }
  }
  if (parsed.sources.empty() && !parsed.list_file)
    throw UsageError{"no images to process: name files, folders or --list FILE"};
  return parsed;
}

// The list file's rows first, then the sources in command-line order (a folder as a folder
// load gives it).
SourceList build_list(const ProcessArgs& parsed) {
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
      if (list.add_folder(source, parsed.recursive) == 0)
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

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  const JobOptions job = parse_job_options(args, rest);
  const ProcessArgs parsed = parse(rest);
  Settings settings = job_settings(job, std::cerr);
  const SourceList list = build_list(parsed);

  TerminalRunHost host(parsed.yes);
  // Refused before anything is written, the automatic profile included.
  if (!host.can_ask())
    throw UsageError{host.no_terminal_message(confirmation_question(settings.save_in_directory))};

  // Every run started stores its settings, whether or not it is confirmed.
  save_default_profile(settings);
  // For this run only, as --jobs is; the setting fast_resize is the lasting choice.
  if (parsed.fast) settings.fast_resize = true;

  Workspace ws;
  WebAfterPass after_pass;
  // The terminal has no page viewer: the gallery's start page is named for the user to open.
  after_pass.preview = [](const fs::path& start_page) {
    std::cout << "Gallery start page: " << start_page.string() << "\n";
  };
  const BatchRunResult result = process_all(ws, host.seam(), settings, list, standard_overlays(),
                                            &after_pass, parsed.resources);
  if (!result.confirmed) {
    std::cerr << "lumatrix process: not confirmed; nothing was processed\n";
    return kExitFailure;
  }
  const int32_t first_number = settings.start_number;
  carry_start_number(settings, result);
  if (settings.start_number != first_number)
    keep_start_number(job, settings.start_number, "process");
  const OutputCounts& out = result.outputs;
  if (out.failed + out.unwritten + out.refused > 0)
    std::cerr << "lumatrix process: " << out.saved << " files written; " << out.failed
              << " failed, " << out.unwritten << " without a writer, " << out.refused
              << " thumbnails refused (see the log lines above)\n";
  if (result.stopped) return 130;
  return out.failed + out.unwritten > 0 ? kExitFailure : kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix process [--profile FILE] [--set NAME=VALUE]... [--recursive] [--yes]\n"
         "                        [--list FILE] [--orientation TEXT] [--jobs N]\n"
         "                        [--memory SIZE] [--fast] SOURCE...\n"
         "Processes every image of the list with the job settings and saves the results\n"
         "(and thumbnails 1 and 2 when enabled), as \"Process All\" does. Each SOURCE file is\n"
         "one entry; a folder gives its images with the accepted extensions, in name order.\n"
         "\n"
         "Options:\n"
         "  -r, --recursive      folders: take the images of every subfolder too\n"
         "  -y, --yes            answer the confirmation (and a stop question) with yes/OK;\n"
         "                       required when there is no terminal to ask on\n"
         "  --list FILE          entries from a tab-separated list file, before the sources:\n"
         "                       file name, orientation, display name, caption, original\n"
         "                       file path (a header line allowed; later columns optional;\n"
         "                       without the fifth column the file name may be a path,\n"
         "                       relative to the list file)\n"
         "  --orientation TEXT   every entry's orientation: As Is, Rotate Left 90, Rotate\n"
         "                       Right 90, Rotate 180, Flip Left, Flip Right, Flip Down\n"
         "  -j, --jobs N         images processed at once (default: the setting workers,\n"
         "                       whose 0 means one per CPU this process may use). The log\n"
         "                       and every file written are the same for any N.\n"
         "  --memory SIZE        memory the images in flight may take, e.g. 512M or 2G\n"
         "                       (default: the setting memory_budget in MB, whose 0 means\n"
         "                       three quarters of the memory available). An image starts\n"
         "                       when its decoded size (four copies of it) fits beside the\n"
         "                       running ones; one larger than the whole budget runs alone.\n"
         "  --fast               fast JPEG resize for this run (the setting fast_resize):\n"
         "                       where the first step shrinks a JPEG, it is decoded at a\n"
         "                       half, a quarter or an eighth of its size and resampled\n"
         "                       from there. Much faster on large photos, but the pixels\n"
         "                       differ slightly from those of the exact resize.\n";
  describe_job_options(out);
  out << "\n"
         "The automatic profile default.ini in the per-user folder ($LUMATRIX_HOME, else\n"
         "~/.config/lumatrix) is written with the settings at the start of every run.\n"
         "Outputs with the same name are replaced; a thumbnail that would replace its own\n"
         "main output or source is not saved (give it a folder, prefix or suffix).\n"
         "With resetstartnumber=false, start_number moves on by the number of entries and is\n"
         "written back to the --profile file, so the next run goes on counting.\n"
         "\n"
         "Log lines go to standard output; a progress bar to standard error when it is a\n"
         "terminal. Ctrl-C starts no further image; the images being processed are\n"
         "finished, then the run asks whether to stop (on a terminal). A second Ctrl-C\n"
         "ends at once.\n"
         "Exit status: 0 the run completed (also when invalid images were skipped); 1 an\n"
         "output could not be written, or the run was not confirmed, or a run-ending error;\n"
         "2 a command-line mistake; 130 stopped by Ctrl-C.\n";
}

}  // namespace

extern const Command process_command{"process", "process a list of images with the job settings",
                                     run, help};

}  // namespace lumatrix::cli
