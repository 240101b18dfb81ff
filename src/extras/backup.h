#pragma once
// Backup All: every file of the Control Center list copied into one ZIP archive.
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/run_host.h"
#include "files/source_list.h"

namespace lumatrix {

// "imagebackup" + mmddyyyy + ".zip": imagebackup03072003.zip on 7 March 2003.
std::string proposed_backup_name(const std::tm& date);

// The names the rows get inside the archive: each file's own name, and for a name already
// given (ignoring letter case) "name (2).jpg", "name (3).jpg", ...
std::vector<std::string> archive_names(const SourceList& list);

// Writes every row's file into the ZIP archive `archive` (deflate level 6, ZIP64 where sizes
// need it), logging "Adding " + file name for each and finally informing "Backup Completed : "
// + the archive's path. A row whose file is missing is logged and left out. The archive is
// built under a temporary name beside `archive` and renamed over it when complete: on any
// failure (ImageError with the reason) the temporary is removed and an existing file named
// `archive` is untouched. An empty list gives an empty archive.
void backup_all(const SourceList& list, const std::filesystem::path& archive, const RunSeam& run);

}  // namespace lumatrix
