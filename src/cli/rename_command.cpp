// `lumatrix rename`: the Filename Changer from the command line.
#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>

#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/terminal_run_host.h"
#include "files/filename_changer.h"
#include "files/rename_list.h"
#include "settings/profile_file.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

struct RenameArgs {
  bool recursive = false, dry_run = false, yes = false;
  std::vector<fs::path> sources;
};

RenameArgs parse(const std::vector<std::string>& rest) {
  RenameArgs parsed;
  for (const std::string& arg : rest) {
    if (arg == "--recursive" || arg == "-r")
      parsed.recursive = true;
    else if (arg == "--dry-run" || arg == "-n")
      parsed.dry_run = true;
    else if (arg == "--yes" || arg == "-y")
      parsed.yes = true;
    else if (arg.starts_with("-") && arg.size() > 1)
      throw UsageError{"unexpected option '" + arg + "'"};
    else
      parsed.sources.emplace_back(arg);
  }
  if (parsed.sources.empty()) throw UsageError{"no files or folders to rename"};
  return parsed;
}

// The rows for the sources in command-line order: a file as one row, a folder as every file in
// it (and in its subfolders with --recursive).
RenameList list_sources(const RenameArgs& parsed, const Settings& settings) {
  RenameList list;
  for (const fs::path& source : parsed.sources) {
    std::error_code error;
    if (fs::is_directory(source, error))
      list.add_folder(source, parsed.recursive, settings);
    else if (fs::exists(source, error))
      list.add_files({source}, settings);
    else
      throw UsageError{"'" + source.string() + "': no such file or folder"};
  }
  return list;
}

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  const JobOptions job = parse_job_options(args, rest);
  const RenameArgs parsed = parse(rest);
  Settings settings = job_settings(job, std::cerr);
  RenameList list = list_sources(parsed, settings);

  if (parsed.dry_run) {
    list.recompute_names(settings);
    std::cout << "Existing Directory Path\tOld Filename\tNew Filename\n";
    for (const RenameEntry& row : list.entries)
      std::cout << row.directory << '\t' << row.old_name << '\t' << row.new_name << '\n';
    return kExitOk;
  }

  TerminalRunHost host(parsed.yes);
  const int32_t first_number = settings.start_number;
  const ChangerOutcome outcome = process_all(list, settings, host.seam());
  if (settings.start_number != first_number)
    keep_start_number(job, settings.start_number, "rename");
  if (outcome.stopped) return 130;
  return outcome.missing + outcome.refused > 0 ? kExitFailure : kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix rename [--profile FILE] [--set NAME=VALUE]... [--recursive]\n"
         "                       [--dry-run] [--yes] SOURCE...\n"
         "Renames, copies or moves files (any files) to the names of the filename pattern:\n"
         "prefix, running number, date and suffix (file_prefix, start_number, no_of_digits,\n"
         "append_date, date_type, date_format, filenameorder, Filename_Case,\n"
         "appendprefixsuffix). Each SOURCE file is one row; a folder gives every file in it,\n"
         "in name order. Rows are numbered in command-line order.\n"
         "\n"
         "Where the files go (filename_save_in): empty or \"[Source Directory]\\\" keeps each\n"
         "file in its own folder; \"[Source Directory]\\Renamed\\\" a folder inside it (created\n"
         "when missing); any other folder, where \"[subfolders]\" mirrors the source tree.\n"
         "With overwritefilename=false each file is copied to its new name and the old file\n"
         "stays; with true it is renamed (moved). A rename or move never replaces another\n"
         "file: such a row is reported \"Not Renamed\" and left as it was. A copy replaces an\n"
         "existing file of its new name, whole. Copies keep the modification time.\n"
         "With resetstartnumber=false, start_number moves on by the number of rows and is\n"
         "written back to the --profile file, so the next run goes on counting.\n"
         "\n"
         "Options:\n"
         "  -r, --recursive      folders: take the files of every subfolder too\n"
         "  -n, --dry-run        change nothing; print one line per row with three\n"
         "                       tab-separated fields after a heading line: directory, old\n"
         "                       name, new name\n"
         "  -y, --yes            answer every question with yes/OK (needed for questions\n"
         "                       when there is no terminal)\n";
  describe_job_options(out);
  out << "\n"
         "Messages go to standard output; a progress bar to standard error when it is a\n"
         "terminal. Ctrl-C stops after the current file (after asking, on a terminal); a\n"
         "second Ctrl-C ends at once.\n"
         "Exit status: 0 all done; 1 a file was missing or not renamed, or a file could not\n"
         "be read or written; 2 a command-line mistake; 130 stopped by Ctrl-C.\n";
}

}  // namespace

extern const Command rename_command{
    "rename", "rename, copy or move files to pattern names (the Filename Changer)", run, help};

}  // namespace lumatrix::cli
