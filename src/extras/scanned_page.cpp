#include "extras/scanned_page.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "base/image_error.h"
#include "engine/save_options.h"
#include "files/filename_pattern.h"
#include "imaging/codec.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

// Whether anything has the name, followed or not. A name that cannot be looked up (the folder
// is unreadable or not a folder) is an error: every other number would fail the same way.
bool name_taken(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (error && error != std::errc::no_such_file_or_directory)
    throw ImageError(path, error.message());
  return fs::exists(status);
}

void require_writer(const fs::path& path) {
  const Codec* codec = find_codec(path);
  if (codec == nullptr || codec->encode == nullptr)
    throw ImageError(
        path, "no image format is written with the extension '" + path.extension().string() + "'");
}

// The page as it is written: the job's format options, the scanned resolution.
ImageDocument for_saving(const ImageDocument& page, const Settings& settings) {
  ImageDocument out = page;
  apply_save_options(settings, out);
  out.params.dpi_x = page.params.dpi_x;
  out.params.dpi_y = page.params.dpi_y;
  return out;
}

fs::path partial_name(const fs::path& folder, std::string_view extension) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  return folder /
         (".scan." + std::to_string(rng() % 1000000000) + ".partial" + std::string(extension));
}

// Gives `from` the name `to` unless something has that name; false when something has. A file
// system without hard links gets a check and a rename instead, which leaves a moment in which
// a file arriving at `to` is replaced.
bool rename_unless_taken(const fs::path& from, const fs::path& to) {
  if (::link(from.c_str(), to.c_str()) == 0) {
    std::error_code ignored;
    fs::remove(from, ignored);
    return true;
  }
  const int error = errno;
  if (error == EEXIST) return false;
  if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK)
    throw ImageError(to, std::strerror(error));
  if (name_taken(to)) return false;
  std::error_code renamed;
  fs::rename(from, to, renamed);
  if (renamed) throw ImageError(to, renamed.message());
  return true;
}

}  // namespace

std::string scan_file_name(const Settings& settings, long long number, std::string_view extension) {
  return "scan_" + formatmynumber(settings, number) + std::string(extension);
}

fs::path proposed_scan_path(const Settings& settings, const fs::path& folder,
                            std::string_view extension) {
  for (long long number = 1;; ++number) {
    fs::path candidate = folder / scan_file_name(settings, number, extension);
    if (!name_taken(candidate)) return candidate;
  }
}

ListEntry save_scanned_page(const ImageDocument& page, const Settings& settings,
                            const fs::path& path, SourceList& list) {
  require_writer(path);
  for_saving(page, settings).save(path);
  list.entries.push_back(entry_for(path));
  return list.entries.back();
}

fs::path save_under_free_number(const ImageDocument& page, const Settings& settings,
                                const fs::path& folder, std::string_view extension) {
  require_writer(folder / scan_file_name(settings, 1, extension));
  const fs::path partial = partial_name(folder, extension);
  for_saving(page, settings).save(partial);
  try {
    for (;;) {
      const fs::path target = proposed_scan_path(settings, folder, extension);
      if (rename_unless_taken(partial, target)) return target;
    }
  } catch (...) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw;
  }
}

ListEntry scan_into_folder(Scanner& scanner, const Settings& settings, const fs::path& folder,
                           std::string_view extension, SourceList& list, std::stop_token stop,
                           const ScanProgress& progress) {
  const ImageDocument page = scanner.acquire(stop, progress);
  const fs::path saved = save_under_free_number(page, settings, folder, extension);
  list.entries.push_back(entry_for(saved));
  return list.entries.back();
}

}  // namespace lumatrix
