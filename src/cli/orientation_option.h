#pragma once
// The --orientation option of the job commands: an entry's orientation value, where the degree
// sign may be left out when typing.
#include <string>

namespace lumatrix::cli {

// The orientation value `text` names ("Rotate Left 90" gives "Rotate Left 90°"). Throws
// UsageError listing the values for any other text.
std::string orientation_value(const std::string& text);

}  // namespace lumatrix::cli
