#pragma once
// The settings that bound what reading one image may take, as the readers' resource policy.
#include "imaging/resource_policy.h"
#include "settings/settings.h"

namespace lumatrix {

// The policy the settings pixel_limit, memory_per_image (MB) and time_per_image (seconds) give;
// what the settings do not say (the share of a small file) stays as the defaults have it.
ResourcePolicy read_limits(const Settings& settings);

// Puts read_limits(settings) in force for the readings that start from now on.
void apply_read_limits(const Settings& settings);

}  // namespace lumatrix
