#include "test_files.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

namespace lumatrix::test {

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("lumatrix-test-" + std::to_string(rd()) + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedUserFolder::ScopedUserFolder(const std::filesystem::path& folder) {
  if (const char* old = std::getenv("LUMATRIX_HOME")) old_ = old;
  setenv("LUMATRIX_HOME", folder.c_str(), 1);
}

ScopedUserFolder::~ScopedUserFolder() {
  if (old_)
    setenv("LUMATRIX_HOME", old_->c_str(), 1);
  else
    unsetenv("LUMATRIX_HOME");
}

std::string shell_quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

CommandResult run_shell(const std::string& command) {
  CommandResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
    result.output.append(buffer.data(), n);
  int status = pclose(pipe.release());
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

CliResult run_lumatrix(const TempDir& dir, const std::vector<std::string>& args,
                       int time_limit_seconds) {
  std::string command = "LUMATRIX_HOME=" + shell_quote((dir / "home").string()) + " ";
  if (time_limit_seconds > 0)
    command += "timeout -s KILL " + std::to_string(time_limit_seconds) + " ";
  command += shell_quote(LUMATRIX_CLI_PATH);
  for (const std::string& a : args) command += " " + shell_quote(a);
  const std::filesystem::path err = dir / ".stderr";
  // The braces keep this redirection of standard error apart from run_shell's own.
  const CommandResult r = run_shell("{ " + command + " 2>" + shell_quote(err.string()) + "; }");
  const std::vector<uint8_t> err_bytes = read_bytes(err);
  std::filesystem::remove(err);
  return {r.status, r.output, std::string(err_bytes.begin(), err_bytes.end())};
}

std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string text_of(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = read_bytes(path);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::string> names_in(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace lumatrix::test
