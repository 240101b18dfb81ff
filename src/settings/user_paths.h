#pragma once
// The per-user folder: the automatic profile "default.ini" and the optional "fonts.txt".
#include <filesystem>

namespace lumatrix {

// $LUMATRIX_HOME when set, else $XDG_CONFIG_HOME/lumatrix, else ~/.config/lumatrix.
std::filesystem::path user_folder();
std::filesystem::path default_profile_path();
std::filesystem::path fonts_list_path();
// Creates the per-user folder (and missing parents); throws ImageError when it cannot.
void create_user_folder();

}  // namespace lumatrix
