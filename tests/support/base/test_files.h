#pragma once
// Helpers every test may use: scratch folders, files as bytes, running other programs.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumatrix::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Points the per-user folder (LUMATRIX_HOME) at `folder` for the object's lifetime, so that a
// test never reads or writes the real default.ini.
class ScopedUserFolder {
 public:
  explicit ScopedUserFolder(const std::filesystem::path& folder);
  ~ScopedUserFolder();
  ScopedUserFolder(const ScopedUserFolder&) = delete;
  ScopedUserFolder& operator=(const ScopedUserFolder&) = delete;

 private:
  std::optional<std::string> old_;
};

struct CommandResult {
  int status = -1;     // exit status, or -1 when the program could not be run
  std::string output;  // standard output and standard error together
};
// Runs `command` through /bin/sh.
CommandResult run_shell(const std::string& command);
// The quoted form of a path or word for /bin/sh.
std::string shell_quote(const std::string& text);

struct CliResult {
  int status = -1;
  std::string out, err;
};
// Runs the built `lumatrix` with `args`, its per-user folder set to `dir`/home so tests never
// touch the real one; standard output and standard error kept apart.
// With a time limit the program is killed when it runs longer (status 137).
CliResult run_lumatrix(const TempDir& dir, const std::vector<std::string>& args,
                       int time_limit_seconds = 0);

std::vector<uint8_t> read_bytes(const std::filesystem::path& path);
// The whole file as text (empty when it cannot be read).
std::string text_of(const std::filesystem::path& path);
// The names of the folder's entries, sorted.
std::vector<std::string> names_in(const std::filesystem::path& folder);
void write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);

}  // namespace lumatrix::test
