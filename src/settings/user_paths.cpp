#include "settings/user_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "base/image_error.h"

namespace lumatrix {

namespace {
std::filesystem::path environment_path(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? std::filesystem::path(value) : std::filesystem::path();
}

std::filesystem::path home_folder() {
  std::filesystem::path home = environment_path("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return std::filesystem::current_path();
}
}  // namespace

std::filesystem::path user_folder() {
  if (auto own = environment_path("LUMATRIX_HOME"); !own.empty()) return own;
  if (auto config = environment_path("XDG_CONFIG_HOME"); !config.empty())
    return config / "lumatrix";
  return home_folder() / ".config" / "lumatrix";
}

std::filesystem::path default_profile_path() {
  return user_folder() / "default.ini";
}

std::filesystem::path fonts_list_path() {
  return user_folder() / "fonts.txt";
}

void create_user_folder() {
  const std::filesystem::path folder = user_folder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw ImageError(folder, error.message());
}

}  // namespace lumatrix
