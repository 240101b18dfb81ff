#pragma once
// The readers the fuzz programs know, taken from the codec rows: one per decoder, with the
// names and extensions of every row that shares it (icons and cursors, JPEG 2000 files and code
// streams).
#include <string>
#include <string_view>
#include <vector>

#include "base/choice_text.h"
#include "imaging/codec.h"

namespace lumatrix::fuzz {

struct Reader {
  const Codec* codec = nullptr;  // the first row with this decoder
  std::vector<std::string_view> names;
  std::vector<std::string_view> extensions;  // with the dot
};

inline std::vector<Reader> readers() {
  std::vector<Reader> out;
  for (const Codec& codec : codecs()) {
    if (codec.decode == nullptr) continue;
    Reader* reader = nullptr;
    for (Reader& r : out)
      if (r.codec->decode == codec.decode) reader = &r;
    if (reader == nullptr) reader = &out.emplace_back(Reader{&codec, {}, {}});
    reader->names.push_back(codec.name);
    reader->extensions.insert(reader->extensions.end(), codec.extensions.begin(),
                              codec.extensions.end());
  }
  return out;
}

// The reader a word names: one of its rows' names or extensions (without the dot), in any
// letter case ("png", "pnm", "tga", "jpeg 2000"). Null when none does.
inline const Reader* reader_named(const std::vector<Reader>& all, std::string_view word) {
  const std::string wanted = lower_ascii(word);
  for (const Reader& reader : all) {
    for (std::string_view name : reader.names)
      if (lower_ascii(name) == wanted) return &reader;
    for (std::string_view extension : reader.extensions)
      if (extension.substr(1) == wanted) return &reader;
  }
  return nullptr;
}

}  // namespace lumatrix::fuzz
