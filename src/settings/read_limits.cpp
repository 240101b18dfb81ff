#include "settings/read_limits.h"

#include <algorithm>

namespace lumatrix {

ResourcePolicy read_limits(const Settings& settings) {
  ResourcePolicy policy;
  policy.max_pixels = static_cast<uint64_t>(settings.pixel_limit);
  policy.max_memory = static_cast<uint64_t>(settings.memory_per_image) << 20;
  // A small file's floor never rises above the limit for any file.
  policy.memory_floor = std::min(policy.memory_floor, policy.max_memory);
  policy.max_time = std::chrono::seconds(settings.time_per_image);
  return policy;
}

void apply_read_limits(const Settings& settings) {
  set_resource_policy(read_limits(settings));
}

}  // namespace lumatrix
