#include "imaging/format_facts.h"

#include <algorithm>

#include "base/choice_text.h"

namespace lumatrix {

std::span<const std::string_view> save_choice_labels() {
  static const std::vector<std::string_view> labels = [] {
    std::vector<const Codec*> saved;
    for (const Codec& codec : codecs())
      if (codec.save) saved.push_back(&codec);
    std::stable_sort(saved.begin(), saved.end(), [](const Codec* a, const Codec* b) {
      return a->save->list_position < b->save->list_position;
    });
    std::vector<std::string_view> out;
    for (const Codec* codec : saved)
      for (const SaveChoice& choice : codec->save->choices) out.push_back(choice.label);
    return out;
  }();
  return labels;
}

const SaveChoice* save_choice_named(std::string_view image_format) {
  const std::string text = normalized_choice(image_format);
  for (const Codec& codec : codecs()) {
    if (!codec.save || codec.save->choices.empty()) continue;
    for (const SaveChoice& choice : codec.save->choices)
      if (text == lower_ascii(choice.label)) return &choice;
    for (std::string_view alias : codec.save->aliases)
      if (text == alias) return &codec.save->choices.front();
  }
  // After every exact name, so that a word inside a text never hides an item named in full.
  for (const Codec& codec : codecs())
    if (codec.save && !codec.save->choices.empty() && !codec.save->named_within.empty() &&
        text.find(codec.save->named_within) != std::string::npos)
      return &codec.save->choices.front();
  return nullptr;
}

std::span<const std::string_view> folder_load_extensions() {
  static const std::vector<std::string_view> extensions = [] {
    std::vector<std::string_view> out;
    for (const Codec& codec : codecs())
      out.insert(out.end(), codec.folder_load.begin(), codec.folder_load.end());
    return out;
  }();
  return extensions;
}

std::string misnamed_notice(std::string_view file, const Codec& named, const Codec& read) {
  return std::string(file) + ": content is " + std::string(read.name) + ", not " +
         std::string(named.name) + " as its extension says; read as " + std::string(read.name);
}

}  // namespace lumatrix
