// `lumatrix preview`: Preview One on a single source; the "After" image goes to one named file.
#include <filesystem>
#include <iostream>
#include <optional>

#include "base/image_error.h"
#include "cli/command.h"
#include "cli/job_options.h"
#include "cli/orientation_option.h"
#include "cli/terminal_run_host.h"
#include "engine/save_options.h"
#include "imaging/codec.h"
#include "runs/standard_runs.h"

namespace lumatrix::cli {

namespace fs = std::filesystem;

namespace {

struct PreviewArgs {
  std::optional<fs::path> source, after;
  std::string orientation = "As Is";
  long long position = 1;
};

PreviewArgs parse(const std::vector<std::string>& rest) {
  PreviewArgs parsed;
  for (size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    const auto value = [&](std::string_view name) { return option_value(rest, i, name); };
    if (auto after = value("--after")) {
      parsed.after = *after;
    } else if (auto orientation = value("--orientation")) {
      parsed.orientation = orientation_value(*orientation);
    } else if (auto position = value("--position")) {
      try {
        size_t used = 0;
        parsed.position = std::stoll(*position, &used);
        if (used != position->size() || parsed.position < 1) throw std::invalid_argument("");
      } catch (const std::logic_error&) {
        throw UsageError{"--position needs a whole number from 1, got '" + *position + "'"};
      }
    } else if (arg.starts_with("-") && arg.size() > 1) {
      throw unknown_option(arg);
    } else if (parsed.source) {
      throw UsageError{"one SOURCE only"};
    } else {
      parsed.source = arg;
    }
  }
  if (!parsed.source) throw UsageError{"no SOURCE image"};
  if (!parsed.after) throw UsageError{"--after FILE is required: where the result goes"};
  return parsed;
}

int run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  const JobOptions job = parse_job_options(args, rest);
  const PreviewArgs parsed = parse(rest);
  const Settings settings = job_settings(job, std::cerr);
  if (!fs::is_regular_file(*parsed.source))
    throw UsageError{"'" + parsed.source->string() + "': no such file"};
  const Codec* writer = find_codec(*parsed.after);
  if (writer == nullptr || writer->encode == nullptr)
    throw UsageError{"--after: cannot write images named '" + parsed.after->filename().string() +
                     "'; use an extension such as .png or .jpg"};

  // Rows before the previewed one only number it (the Filename Changer's name counts them).
  SourceList list;
  list.add_files({*parsed.source});
  list.entries.front().orientation = parsed.orientation;
  const size_t index = static_cast<size_t>(parsed.position - 1);
  list.entries.insert(list.entries.begin(), index, list.entries.front());

  TerminalRunHost host(true);
  Workspace ws;
  const PreviewResult result = run_preview_one(ws, host, settings, list, index);
  if (!result.valid) {
    std::cerr << "lumatrix preview: " << parsed.source->string()
              << ": not a valid image; nothing written\n";
    return kExitFailure;
  }
  ImageDocument& after = ws.afterpreview;
  apply_main_output_options(settings, after);
  if (parsed.after->has_parent_path()) {
    std::error_code error;
    fs::create_directories(parsed.after->parent_path(), error);
    if (error) throw ImageError(parsed.after->parent_path(), error.message());
  }
  after.save(*parsed.after);
  return kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix preview [--profile FILE] [--set NAME=VALUE]... [--orientation TEXT]\n"
         "                        [--position N] SOURCE --after FILE\n"
         "Runs the processing of one image (Preview One) with the job settings and writes\n"
         "only the result, the \"After\" image, to FILE, in the format its extension names\n"
         "(with the saving options of the settings). No output of a run, no thumbnail and no\n"
         "profile is written. The log lines, ending with \"Image Processed\", go to standard\n"
         "output; the name a run would give the output (printed by [FILENAME] captions) is\n"
         "formed as for entry N of the list (default 1).\n"
         "\n"
         "Options:\n"
         "  --after FILE         where the result goes (required; replaced whole)\n"
         "  --orientation TEXT   the entry's orientation: As Is, Rotate Left 90, Rotate\n"
         "                       Right 90, Rotate 180, Flip Left, Flip Right, Flip Down\n"
         "  --position N         the entry's row number, for the Filename Changer's name\n";
  describe_job_options(out);
  out << "\nExit status: 0 written; 1 SOURCE is not a valid image or FILE could not be\n"
         "written; 2 a command-line mistake.\n";
}

constexpr std::string_view kOptions[] = {"--after", "--orientation", "--position"};

}  // namespace

extern const Command preview_command{
    "preview", "process one image and write the result", run, help, kOptions, true};

}  // namespace lumatrix::cli
