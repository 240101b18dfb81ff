// Lists the readers fuzz_decoder can be told to fuzz, for scripts/fuzz.
//   fuzz_readers          one line per reader: its names, then its extensions
//   fuzz_readers WORD     the extensions (without the dot) of the reader WORD names; status 1
//                         when it names none
#include <iostream>

#include "readers.h"

int main(int argc, char** argv) {
  const std::vector<lumatrix::fuzz::Reader> all = lumatrix::fuzz::readers();
  if (argc < 2) {
    for (const lumatrix::fuzz::Reader& reader : all) {
      for (size_t i = 0; i < reader.names.size(); ++i)
        std::cout << (i ? ", " : "") << reader.names[i];
      std::cout << ":";
      for (std::string_view extension : reader.extensions) std::cout << " " << extension;
      std::cout << "\n";
    }
    return 0;
  }
  const lumatrix::fuzz::Reader* reader = lumatrix::fuzz::reader_named(all, argv[1]);
  if (reader == nullptr) {
    std::cerr << "fuzz_readers: no reader is named '" << argv[1] << "'\n";
    return 1;
  }
  for (size_t i = 0; i < reader->extensions.size(); ++i)
    std::cout << (i ? " " : "") << reader->extensions[i].substr(1);
  std::cout << "\n";
  return 0;
}
