#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace lumatrix {

// Reads a whole file. Throws ImageError with the path and the system's reason.
std::vector<uint8_t> read_file_bytes(const std::filesystem::path& path);
// Writes a file whole or not at all: a temporary file in the target's folder, flushed, then
// renamed over the target. Throws ImageError with the path and the system's reason; an existing
// target is then untouched and no temporary file is left behind.
void write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes);

}  // namespace lumatrix
