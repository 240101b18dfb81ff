// `lumatrix scan`: one page from a scanner, saved under the next free "scan_" number in a folder
// and, with --list, added to a list file for `lumatrix process --list`.
#include <atomic>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <future>
#include <iostream>
#include <optional>
#include <sstream>

#include "base/file_bytes.h"
#include "base/image_error.h"
#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/terminal_run_host.h"
#include "extras/sane_scanner.h"
#include "extras/scanned_page.h"
#include "imaging/codec.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

struct ScanArgs {
  bool list_devices = false;
  std::optional<std::string> device;
  std::optional<int> source;
  std::optional<fs::path> list_file;
  std::string extension{kScanExtension};
  std::optional<fs::path> folder;
};

int index_value(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw UsageError{"--source needs a number, got '" + text + "'"};
  return value;
}

ScanArgs parse(const std::vector<std::string>& rest) {
  ScanArgs parsed;
  for (size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    const auto value = [&](std::string_view name) { return option_value(rest, i, name); };
    if (arg == "--list-devices") {
      parsed.list_devices = true;
    } else if (auto device = value("--device")) {
      if (parsed.device) throw UsageError{"--device given twice"};
      parsed.device = *device;
    } else if (auto source = value("--source")) {
      if (parsed.source) throw UsageError{"--source given twice"};
      parsed.source = index_value(*source);
    } else if (auto list = value("--list")) {
      if (parsed.list_file) throw UsageError{"--list given twice"};
      if (list->empty()) throw UsageError{"--list needs a file name"};
      parsed.list_file = *list;
    } else if (auto extension = value("--extension")) {
      parsed.extension = extension->starts_with('.') ? *extension : "." + *extension;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      throw unknown_option(arg);
    } else {
      if (parsed.folder) throw UsageError{"one FOLDER only, got '" + arg + "' as well"};
      parsed.folder = arg;
    }
  }
  if (parsed.device && parsed.source) throw UsageError{"give --device or --source, not both"};
  if (!parsed.list_devices) {
    if (!parsed.folder) throw UsageError{"no FOLDER to save the scanned page in"};
    const Codec* codec = find_codec("scan" + parsed.extension);
    if (codec == nullptr || codec->encode == nullptr)
      throw UsageError{"--extension: no image format is written as '" + parsed.extension + "'"};
  }
  return parsed;
}

// The list file a scan is added to, read before scanning so that a list that cannot take the
// row stops the command before the page is scanned.
struct ListFile {
  fs::path path;
  std::string text;  // as it is now; empty for a new file
};

ListFile open_list_file(const fs::path& path) {
  ListFile list{path, {}};
  std::error_code error;
  if (!fs::exists(path, error)) return list;
  try {
    const std::vector<uint8_t> bytes = read_file_bytes(path);
    list.text.assign(bytes.begin(), bytes.end());
    std::istringstream in(list.text);
    read_list(in, path.parent_path());
  } catch (const std::runtime_error& e) {
    throw UsageError{"--list: " + path.string() + ": " + e.what()};
  }
  return list;
}

// Adds the row at the end of the file as it was read, or starts a new file with the header.
void append_row(ListFile& list, const ListEntry& entry) {
  SourceList one;
  one.entries.push_back(entry);
  std::ostringstream written;
  write_list(written, one);
  std::string lines = written.str();
  if (!list.text.empty()) {
    lines.erase(0, lines.find('\n') + 1);  // the header the file already has
    if (list.text.back() != '\n') list.text += '\n';
  }
  list.text += lines;
  write_file_atomically(
      list.path, std::span(reinterpret_cast<const uint8_t*>(list.text.data()), list.text.size()));
}

// Picks the source by --device, by --source or by twainnumber, in that order of preference.
void choose_source(Scanner& scanner, const std::vector<ScanSource>& sources, const ScanArgs& args,
                   const Settings& settings) {
  int index = args.source.value_or(settings.twainnumber);
  if (args.device) {
    index = -1;
    std::string present;
    for (size_t i = 0; i < sources.size(); ++i) {
      if (sources[i].name == *args.device) index = static_cast<int>(i);
      present += (i ? ", " : "") + sources[i].name;
    }
    if (index < 0)
      throw ScanError(*args.device, "no such scanner device (present: " + present + ")");
  }
  if (!scanner.select_source(index))
    throw std::runtime_error("scanner source " + std::to_string(index) + " is not present (" +
                             std::to_string(sources.size()) +
                             " found, see --list-devices); choose one with --source or --device");
}

// Scans on a worker thread so that Ctrl-C can cancel at the device while a read waits for data.
ListEntry scan_with_interrupt(Scanner& scanner, const Settings& settings, const ScanArgs& args,
                              SourceList& list) {
  TerminalRunHost host(true);
  std::stop_source stop;
  std::atomic<int64_t> received{0}, expected{-1};
  auto scanning = std::async(std::launch::async, [&] {
    return scan_into_folder(scanner, settings, *args.folder, args.extension, list, stop.get_token(),
                            [&](int64_t done, int64_t total) {
                              received = done;
                              expected = total;
                            });
  });
  while (scanning.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (interrupt_pending()) stop.request_stop();
    const int64_t total = expected;
    if (total > 0)
      host.set_progress(static_cast<int>(received / 1024), static_cast<int>(total / 1024));
  }
  host.set_progress(0, 0);
  return scanning.get();
}

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  const JobOptions job = parse_job_options(args, rest);
  const ScanArgs parsed = parse(rest);
  const Settings settings = job_settings(job, std::cerr);
  std::optional<ListFile> list_file;
  if (parsed.list_file) list_file = open_list_file(*parsed.list_file);

  SaneScanner scanner;
  const std::vector<ScanSource> sources = scanner.list_sources();
  if (sources.empty()) {
    std::cerr << "lumatrix scan: no scanner found\n";
    return kExitFailure;
  }
  if (parsed.list_devices) {
    for (size_t i = 0; i < sources.size(); ++i)
      std::cout << i << '\t' << sources[i].name << '\t' << sources[i].description() << '\n';
    return kExitOk;
  }
  choose_source(scanner, sources, parsed, settings);
  std::error_code error;
  fs::create_directories(*parsed.folder, error);
  if (error) throw ImageError(*parsed.folder, error.message());

  SourceList scanned;
  ListEntry entry;
  try {
    entry = scan_with_interrupt(scanner, settings, parsed, scanned);
  } catch (const ScanCancelled&) {
    std::cerr << "lumatrix scan: cancelled; nothing saved\n";
    return 130;
  }
  std::cout << entry.full_path().string() << '\n' << std::flush;
  if (list_file) {
    try {
      append_row(*list_file, entry);
    } catch (const ImageError& e) {
      std::cerr << "lumatrix scan: the page is saved, but not added to the list: " << e.what()
                << "\n";
      return kExitFailure;
    }
  }
  return kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix scan [--list-devices] [--device NAME | --source INDEX] [--list FILE]\n"
         "                     [--extension EXT] [--profile FILE] [--set NAME=VALUE]... FOLDER\n"
         "Acquires one page from a scanner (through SANE) and saves it in FOLDER under the\n"
         "first free name scan_N.jpg, N counted from 1 and padded with zeros to\n"
         "no_of_digits digits (0: no padding). Prints the saved file's path. The scanner's\n"
         "current settings decide mode, resolution and area (see scanimage -A); the file\n"
         "keeps the scanned resolution and gets the job's JPEG options. Missing folders of\n"
         "FOLDER are created; an existing file is never replaced.\n"
         "\n"
         "Options:\n"
         "  --list-devices       list the scanners found (index, device name, description)\n"
         "  --device NAME        scan with this device (a name --list-devices shows)\n"
         "  --source INDEX       scan with the INDEX-th device, from 0; without either option\n"
         "                       the setting twainnumber chooses\n"
         "  --list FILE          also add the file as one row (As Is, display name = file\n"
         "                       name) to this tab-separated list file, the kind\n"
         "                       'lumatrix process --list' reads; a new file gets a header\n"
         "  --extension EXT      save as scan_N.EXT in the format EXT names (.jpeg, .bmp, ...)\n";
  describe_job_options(out);
  out << "\n"
         "Which backends SANE asks follows its configuration: dll.conf in $SANE_CONFIG_DIR,\n"
         "else /etc/sane.d. Ctrl-C cancels the scan; nothing is saved then.\n"
         "Exit status: 0 saved; 1 no scanner found, the chosen one is not present, or the\n"
         "scan or the save failed; 2 a command-line mistake; 130 the scan was cancelled\n"
         "(Ctrl-C).\n";
}

constexpr std::string_view kOptions[] = {"--list-devices", "--device", "--source", "--list",
                                         "--extension"};

}  // namespace

extern const Command scan_command{
    "scan", "acquire one page from a scanner into a folder", run, help, kOptions, true};

}  // namespace lumatrix::cli
