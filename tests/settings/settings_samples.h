#pragma once
// A settings record in which every option differs from its default, for round-trip tests.
#include "settings/settings.h"

namespace lumatrix::test {

// With `control_characters`, texts also hold a tab, CR and other bytes below 32; without, they
// still hold '$', quotes, backslashes and UTF-8.
Settings every_value_changed(bool control_characters);

// `s` with what profiles do not store put back to the defaults: options without keys, and the
// font parts a font option has no key for (the caption fonts keep no size).
Settings stored_parts(const Settings& s);

}  // namespace lumatrix::test
