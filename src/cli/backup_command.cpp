// `lumatrix backup`: Backup All from the command line.
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>

#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/terminal_run_host.h"
#include "extras/backup.h"
#include "files/source_list.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

std::string today_proposal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return proposed_backup_name(local);
}

int run(const std::vector<std::string>& args) {
  std::optional<fs::path> output;
  bool recursive = false, yes = false;
  std::vector<fs::path> sources;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      sources.insert(sources.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    const bool short_output = arg == "-o";
    if (auto given = option_value(args, i, short_output ? "-o" : "--output")) {
      if (output) throw UsageError{"--output given twice"};
      if (given->empty()) throw UsageError{"--output needs a file name"};
      output = *given;
    } else if (arg == "--recursive" || arg == "-r") {
      recursive = true;
    } else if (arg == "--yes" || arg == "-y") {
      yes = true;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      throw UsageError{"unexpected option '" + arg + "'"};
    } else {
      sources.emplace_back(arg);
    }
  }
  if (sources.empty()) throw UsageError{"no files or folders to back up"};

  SourceList list;
  for (const fs::path& source : sources) {
    std::error_code error;
    if (fs::is_directory(source, error))
      list.add_folder(source, recursive);
    else if (fs::exists(source, error))
      list.add_files({source});
    else
      throw UsageError{"'" + source.string() + "': no such file or folder"};
  }

  const fs::path archive = output ? *output : fs::path(today_proposal());
  std::error_code error;
  if (fs::is_directory(archive, error)) throw UsageError{"'" + archive.string() + "' is a folder"};
  TerminalRunHost host(yes);
  if (fs::exists(archive, error) &&
      !host.ask_yes_no(archive.string() + " already exists. Do you want to replace it?")) {
    std::cerr << "lumatrix backup: nothing written\n";
    return kExitFailure;
  }
  backup_all(list, archive, host.seam());
  return kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix backup [--output FILE.zip] [--recursive] [--yes] SOURCE...\n"
         "Copies images into one ZIP archive (deflate, level 6; ZIP64 when sizes need it).\n"
         "Each SOURCE file is taken as it is; a folder gives its images (the extensions a\n"
         "folder load accepts: .jpg .jpeg .bmp .tif .tiff .pcx .png .gif .dib .rle .tga\n"
         ".vda .icb .vst .pix .pbm .pgm .ppm .wmf .fax .cut .pcd .psp .pdd .psd, any case).\n"
         "Inside the archive each file is stored under its own name; a name met again gets\n"
         "\" (2)\", \" (3)\", ... before its extension. A file missing by the time it is\n"
         "added is reported and left out. The archive appears only when complete; an\n"
         "existing file of that name is replaced only then.\n"
         "\n"
         "Options:\n"
         "  -o, --output FILE    the archive; default imagebackupMMDDYYYY.zip (today's date)\n"
         "                       in the current folder\n"
         "  -r, --recursive      folders: take the images of every subfolder too\n"
         "  -y, --yes            replace an existing archive without asking (needed when\n"
         "                       there is no terminal to ask on)\n"
         "\n"
         "Exit status: 0 done; 1 a file could not be read or written, or not replaced;\n"
         "2 a command-line mistake (or a question with no terminal and no --yes).\n";
}

}  // namespace

extern const Command backup_command{"backup", "copy images into one ZIP archive (Backup All)", run,
                                    help};

}  // namespace lumatrix::cli
