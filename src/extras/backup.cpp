#include "extras/backup.h"

#include <zip.h>

#include <array>
#include <cstdio>
#include <memory>
#include <set>

#include "base/choice_text.h"
#include "base/file_bytes.h"
#include "base/image_error.h"

namespace lumatrix {

namespace fs = std::filesystem;

namespace {

// An archive being written; discarded (nothing written) unless closed.
struct ArchiveDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveDiscard>;

std::string archive_reason(zip_t* archive) {
  return zip_strerror(archive);
}

// libzip writes no file at all for an archive without entries, so the empty archive is its
// end-of-central-directory record alone.
void write_empty_archive(const fs::path& archive) {
  std::array<uint8_t, 22> record{};
  record[0] = 'P';
  record[1] = 'K';
  record[2] = 5;
  record[3] = 6;
  write_file_atomically(archive, record);
}

}  // namespace

std::string proposed_backup_name(const std::tm& date) {
  char digits[48];
  std::snprintf(digits, sizeof digits, "%02d%02d%04d", date.tm_mon + 1, date.tm_mday,
                date.tm_year + 1900);
  return "imagebackup" + std::string(digits) + ".zip";
}

std::vector<std::string> archive_names(const SourceList& list) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const ListEntry& entry : list.entries) {
    std::string name = entry.file_name;
    if (taken.contains(lower_ascii(name))) {
      const size_t dot = name.rfind('.');
      const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
      const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
      for (int k = 2; taken.contains(lower_ascii(name)); ++k)
        name = stem + " (" + std::to_string(k) + ")" + extension;
    }
    taken.insert(lower_ascii(name));
    names.push_back(std::move(name));
  }
  return names;
}

void backup_all(const SourceList& list, const fs::path& archive, const RunSeam& run) {
  const int count = static_cast<int>(std::min<size_t>(list.size(), INT32_MAX));
  run.events.set_progress(0, count);
  const std::vector<std::string> names = archive_names(list);
  // libzip creates the file itself, under the name chosen here.
  TemporarySibling temp(archive, TemporarySibling::Create::NameOnly);

  int error_code = 0;
  Archive zip(zip_open(temp.path().c_str(), ZIP_CREATE | ZIP_EXCL, &error_code));
  if (!zip) {
    zip_error_t error;
    zip_error_init_with_code(&error, error_code);
    const std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw ImageError(archive, reason);
  }
  int added = 0;
  for (int i = 0; i < count; ++i) {
    const ListEntry& entry = list.entries[static_cast<size_t>(i)];
    const fs::path source = entry.full_path();
    std::error_code error;
    if (!fs::is_regular_file(source, error)) {
      run.events.log("Skipping Missing File : " + source.string());
    } else {
      // The file is read when the archive is closed (length -1: to its end); libzip takes its
      // time stamp now.
      zip_source_t* data = zip_source_file(zip.get(), source.c_str(), 0, -1);
      if (!data) throw ImageError(source, archive_reason(zip.get()));
      const zip_int64_t index =
          zip_file_add(zip.get(), names[static_cast<size_t>(i)].c_str(), data, ZIP_FL_ENC_UTF_8);
      if (index < 0) {
        zip_source_free(data);
        throw ImageError(source, archive_reason(zip.get()));
      }
      if (zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                   6) != 0)
        throw ImageError(source, archive_reason(zip.get()));
      ++added;
      run.events.log("Adding " + entry.file_name);
    }
    run.events.set_progress(i + 1, count);
  }

  if (added == 0) {
    // Nothing to compress: zip_discard (on leaving) writes nothing and removes nothing.
    write_empty_archive(temp.path());
  } else if (zip_close(zip.get()) != 0) {
    throw ImageError(archive, archive_reason(zip.get()));
  } else {
    zip.release();  // closed: the handle is freed
  }
  temp.replace_target();
  run.questions.inform("Backup Completed : " + fs::absolute(archive).lexically_normal().string());
}

}  // namespace lumatrix
