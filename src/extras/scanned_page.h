#pragma once
// A scanned page becomes a file in a folder under a numbered name ("scan_" + number + ".jpg",
// the number in the Filename Changer's counter format) and a new row of the list, like a
// file loaded from disk.
#include <filesystem>
#include <stop_token>
#include <string>
#include <string_view>

#include "extras/scanner.h"
#include "files/source_list.h"
#include "settings/settings.h"

namespace lumatrix {

inline constexpr std::string_view kScanExtension = ".jpg";

// "scan_" + `number` padded to no_of_digits + `extension`.
std::string scan_file_name(const Settings& settings, long long number,
                           std::string_view extension = kScanExtension);

// The name to propose in `folder`: the first number from 1 whose name nothing in the folder
// has (a file, a folder, a link, even one pointing nowhere), so numbers are never reused.
std::filesystem::path proposed_scan_path(const Settings& settings,
                                         const std::filesystem::path& folder,
                                         std::string_view extension = kScanExtension);

// Saves the page at `path` in the format of its extension, replacing a file of that name (a
// save dialog has asked), and appends its row to `list`: the file name, "As Is", the file
// name again, no caption, the folder with a trailing separator. The page gets the job's
// format options (JPEG quality and the like) but keeps the resolution it was scanned at.
// Throws ImageError when no format writes that extension or the save fails; the list is then
// unchanged.
ListEntry save_scanned_page(const ImageDocument& page, const Settings& settings,
                            const std::filesystem::path& path, SourceList& list);

// Saves the page under the first free numbered name in `folder`, never over a file: a name
// taken while the page was being written moves it on to the next number. Returns the path.
std::filesystem::path save_under_free_number(const ImageDocument& page, const Settings& settings,
                                             const std::filesystem::path& folder,
                                             std::string_view extension = kScanExtension);

// One page from the scanner's chosen source, saved under the first free numbered name in
// `folder` and appended to `list`. A failed or cancelled acquisition throws before anything is
// written or appended.
ListEntry scan_into_folder(Scanner& scanner, const Settings& settings,
                           const std::filesystem::path& folder, std::string_view extension,
                           SourceList& list, std::stop_token stop = {},
                           const ScanProgress& progress = {});

}  // namespace lumatrix
