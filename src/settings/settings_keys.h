#pragma once
// The keys of a profile file in the order they are written, each bound to the option that owns
// it and the property it stores.
#include <span>
#include <string_view>

#include "settings/settings.h"

namespace lumatrix {

struct ProfileKey {
  std::string_view key;       // "perpage.AsInt64"
  const OptionDecl* option;   // the owner (declares the key among its keys)
  std::string_view property;  // the part after the last dot: "AsInt64", "Text", "Style", ...
};

// The keys of the [Settings] section, in file order (219 of them).
std::span<const ProfileKey> profile_keys();
// The key of that name, compared without regard to case as INI files do; nullptr if unknown.
const ProfileKey* find_profile_key(std::string_view key);

// The keys of the extension section, in table order.
std::span<const ProfileKey> extension_keys();
const ProfileKey* find_extension_key(std::string_view key);

}  // namespace lumatrix
