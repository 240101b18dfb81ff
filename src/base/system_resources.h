#pragma once
// How much of the machine this process may use: the CPUs its affinity mask and its control
// group's CPU quota allow, and the memory the kernel reports available within its control
// group's limit. The readers parse text, so each rule is tested on samples of those files.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumatrix {

// The CPUs this process may run on at once: the affinity mask's count, lowered to the control
// group quota rounded up (1.5 CPUs of quota is 2 workers, each never quite busy); at least 1.
int usable_cpu_count();

// Bytes this process may still take: MemAvailable, lowered to the room left under the control
// group's memory limit. Empty when neither can be read.
std::optional<uint64_t> available_memory_bytes();

// --- The parts, for tests ---

// One control group hierarchy this process belongs to, as a folder to read limits from.
struct CgroupDir {
  bool unified = false;  // cgroup v2
  std::string mount;     // where the hierarchy is mounted
  std::string path;      // this process's folder in it (below `mount`, or `mount` itself)
};
// This process's folders in the v2 hierarchy and in the v1 one holding `controller` ("cpu",
// "memory"), where mounted. `mountinfo` is /proc/self/mountinfo, `cgroups` /proc/self/cgroup.
// With both (the hybrid layout) the limits are in the v1 folder unless the v2 folder's
// cgroup.controllers lists the controller.
struct CgroupDirs {
  std::optional<CgroupDir> unified, legacy;
};
CgroupDirs cgroup_dirs(std::string_view mountinfo, std::string_view cgroups,
                       std::string_view controller);
// The folders from the process's own up to the hierarchy's root; limits anywhere on the way
// apply.
std::vector<std::string> cgroup_chain(const CgroupDir& dir);

// CPUs from v2 "cpu.max" ("150000 100000" is 1.5; "max 100000" none).
std::optional<double> cpu_limit_v2(std::string_view cpu_max);
// CPUs from v1 cpu.cfs_quota_us and cpu.cfs_period_us (a quota of -1: none).
std::optional<double> cpu_limit_v1(std::string_view quota, std::string_view period);

// "MemAvailable:  23622036 kB" of /proc/meminfo, in bytes.
std::optional<uint64_t> meminfo_available(std::string_view meminfo);
// The room under a memory limit: limit − (usage − inactive file cache, which the kernel drops
// first). `limit` "max" (v2) or a value near 2^63 (v1) is no limit.
std::optional<uint64_t> cgroup_memory_room(std::string_view limit, std::string_view usage,
                                           std::string_view stat);

}  // namespace lumatrix
