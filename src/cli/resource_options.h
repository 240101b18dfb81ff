#pragma once
// The --jobs and --memory options of `lumatrix process`: how many workers a run uses and how
// much memory the images in flight may take.
#include <cstdint>
#include <string>

namespace lumatrix::cli {

// A worker count, 0 (as many as the CPUs allow) to 1024. Throws UsageError otherwise.
int jobs_value(const std::string& text);

// A size in bytes: a whole number with an optional K, M, G or T (powers of 1024, either case,
// an optional "B" or "iB" after it): "512M", "2G", "1500000". 0 is automatic. Throws
// UsageError for anything else.
uint64_t memory_value(const std::string& text);

}  // namespace lumatrix::cli
