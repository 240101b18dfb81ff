// `lumatrix turn`: turns or mirrors source files in place without loss, before a run.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>

#include "base/image_error.h"
#include "cli/command.h"
#include "files/source_turn.h"

namespace lumatrix::cli {

namespace {

constexpr std::string_view kOptions[] = {"--left", "--right", "--vertical", "--horizontal"};

struct TurnArgs {
  SourceTurn turn = SourceTurn::Right;
  std::vector<std::filesystem::path> files;
};

TurnArgs parse(const std::vector<std::string>& args) {
  TurnArgs parsed;
  std::optional<std::string> chosen;
  bool files_only = false;
  for (const std::string& arg : args) {
    if (!files_only && arg == "--") {
      files_only = true;
      continue;
    }
    if (files_only || !arg.starts_with("-") || arg.size() == 1) {
      parsed.files.emplace_back(arg);
      continue;
    }
    static constexpr std::pair<std::string_view, SourceTurn> kTurns[] = {
        {"--left", SourceTurn::Left},
        {"--right", SourceTurn::Right},
        {"--vertical", SourceTurn::Vertical},
        {"--horizontal", SourceTurn::Horizontal}};
    const auto* found = std::find_if(std::begin(kTurns), std::end(kTurns),
                                     [&](const auto& entry) { return entry.first == arg; });
    if (found == std::end(kTurns)) throw unknown_option(arg);
    if (chosen && *chosen != arg)
      throw UsageError{"choose one turn: " + *chosen + " and " + arg + " both given"};
    chosen = arg;
    parsed.turn = found->second;
  }
  if (!chosen) throw UsageError{"choose --left, --right, --vertical or --horizontal"};
  if (parsed.files.empty()) throw UsageError{"no files to turn"};
  return parsed;
}

int run(const std::vector<std::string>& args) {
  const TurnArgs parsed = parse(args);
  bool refused = false;
  for (const std::filesystem::path& file : parsed.files) {
    try {
      turn_source_file(file, parsed.turn);
    } catch (const ImageError& e) {
      std::cerr << "lumatrix turn: " << e.what() << "\n";
      refused = true;
    }
  }
  return refused ? kExitFailure : kExitOk;
}

void help(std::ostream& out) {
  out << "Usage: lumatrix turn --left|--right|--vertical|--horizontal FILE...\n"
         "Turns or mirrors each FILE in place, without loss, in the order given:\n"
         "  --left        a quarter turn counter-clockwise\n"
         "  --right       a quarter turn clockwise\n"
         "  --vertical    mirrors top to bottom\n"
         "  --horizontal  mirrors left to right\n"
         "JPEG files are turned block by block, without decoding: every marker (EXIF, XMP,\n"
         "IPTC, colour profile, comments) is kept, the EXIF Orientation becomes 1 and the\n"
         "EXIF thumbnail is dropped. A JPEG whose size is not a whole number of its blocks\n"
         "in the direction the turn moves is refused: cutting the edge could not be undone.\n"
         "PNG, BMP, TIFF, GIF, PCX, Targa and PNM files are turned pixel for pixel and\n"
         "written back in the same format with the same bit depth and palette; a file that\n"
         "could not be written back exactly (16-bit samples, several pages or frames,\n"
         "metadata the writer drops) is refused. Other formats are not lossless and are\n"
         "refused. Each file is replaced whole, keeping its permissions; a refused file is\n"
         "left as it was, its reason shown, and the others are still turned.\n"
         "Exit status: 0 when every file was turned, 1 when any was refused.\n";
}

}  // namespace

extern const Command turn_command{"turn", "turn or mirror source files without loss", run, help,
                                  kOptions};

}  // namespace lumatrix::cli
