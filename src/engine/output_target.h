#pragma once
// Where one list entry's outputs go: its source extension and base name, the output extension
// and name a run gives it, and the one place that writes an output and reports how it went.
#include <filesystem>
#include <string>

#include "base/run_host.h"
#include "engine/pipeline.h"
#include "files/source_list.h"
#include "imaging/image_document.h"
#include "settings/settings.h"

namespace lumatrix {

struct OutputTarget {
  std::string source_extension;  // letter case kept; empty without a dot
  std::string base_name;         // the file name up to the first occurrence of the extension
  std::string output_extension;  // by Image_Format
  std::string output_name;       // the Filename Changer's name when it is on
};

// The naming of the entry at 1-based `position`, as a run and Preview One form it.
OutputTarget output_target(const Settings& settings, const ListEntry& entry, long long position);

// The row as the pipeline takes it, with the output name the captions may print.
PipelineEntry pipeline_entry(const ListEntry& entry, long long position,
                             const std::string& output_name);

// What happened to the files a run meant to write.
struct OutputCounts {
  int saved = 0;
  int unwritten = 0;  // no writer for the extension: nothing was written
  int failed = 0;     // the folder or the file could not be written
  int refused = 0;    // a thumbnail that would have replaced another file of the entry
};

// Creates `directory` with its missing parents. On failure logs "Error: <dir>: <reason>",
// counts it and returns false.
bool prepare_output_directory(const std::string& directory, EventSink& events,
                              OutputCounts& counts);

// Saves `doc` to `path` whole or not at all. An extension without a writer is logged (the file
// would otherwise silently not exist), a failure is logged as "Error: <path>: <reason>"; neither
// ends the run. Returns whether the file was written.
bool save_output(const ImageDocument& doc, const std::filesystem::path& path, EventSink& events,
                 OutputCounts& counts);

// Whether two output paths name the same file (after making them absolute and normal; existing
// files are compared by identity, so links and "." or ".." segments do not hide a clash).
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace lumatrix
