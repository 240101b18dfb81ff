#include "base/system_resources.h"

#include <gtest/gtest.h>

namespace lumatrix {
namespace {

// The hybrid layout of a container: v1 controllers, an empty v2 hierarchy beside them, and
// the memory controller's folder named by its path in the host's tree.
constexpr std::string_view kHybridMounts =
    "31 23 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
    "32 31 0:29 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "35 31 0:32 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n"
    "41 31 0:38 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";
constexpr std::string_view kHybridGroups =
    "4:memory:/jobs/a1\n"
    "2:cpuacct:/\n"
    "1:cpu:/\n"
    "0::/\n";

TEST(CgroupDirs, FindsEachControllersFolderInItsHierarchy) {
  const CgroupDirs memory = cgroup_dirs(kHybridMounts, kHybridGroups, "memory");
  ASSERT_TRUE(memory.legacy);
  EXPECT_EQ(memory.legacy->mount, "/sys/fs/cgroup/memory");
  EXPECT_EQ(memory.legacy->path, "/jobs/a1");
  ASSERT_TRUE(memory.unified);
  EXPECT_EQ(memory.unified->mount, "/sys/fs/cgroup/unified");
  EXPECT_EQ(cgroup_chain(*memory.legacy),
            (std::vector<std::string>{"/sys/fs/cgroup/memory/jobs/a1", "/sys/fs/cgroup/memory/jobs",
                                      "/sys/fs/cgroup/memory"}));
  // "cpu" is not "cpuacct": the folder of the cpu line is taken.
  const CgroupDirs cpu = cgroup_dirs(kHybridMounts, kHybridGroups, "cpu");
  ASSERT_TRUE(cpu.legacy);
  EXPECT_EQ(cgroup_chain(*cpu.legacy), std::vector<std::string>{"/sys/fs/cgroup/cpu"});
  EXPECT_FALSE(cgroup_dirs(kHybridMounts, kHybridGroups, "pids").legacy);
}

TEST(CgroupDirs, AContainersOwnRootHidesTheHostPath) {
  // v2 only, mounted at the container's group: the process's path lies below the mount root.
  const CgroupDirs dirs =
      cgroup_dirs("30 22 0:26 /docker/abc /sys/fs/cgroup ro,nosuid - cgroup2 cgroup2 rw\n",
                  "0::/docker/abc/worker\n", "cpu");
  ASSERT_TRUE(dirs.unified);
  EXPECT_FALSE(dirs.legacy);
  EXPECT_EQ(cgroup_chain(*dirs.unified),
            (std::vector<std::string>{"/sys/fs/cgroup/worker", "/sys/fs/cgroup"}));
  // A group outside the mount's root cannot be read there.
  EXPECT_FALSE(cgroup_dirs("30 22 0:26 /docker/abc /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n",
                           "0::/elsewhere\n", "cpu")
                   .unified);
}

TEST(CpuLimit, QuotaOverPeriodOrNone) {
  EXPECT_DOUBLE_EQ(*cpu_limit_v2("150000 100000\n"), 1.5);
  EXPECT_FALSE(cpu_limit_v2("max 100000\n"));
  EXPECT_FALSE(cpu_limit_v2(""));
  EXPECT_DOUBLE_EQ(*cpu_limit_v1("200000\n", "100000\n"), 2.0);
  EXPECT_FALSE(cpu_limit_v1("-1\n", "100000\n"));
  EXPECT_FALSE(cpu_limit_v1("50000", "0"));
}

TEST(MemoryRoom, AvailableAndWhatALimitLeaves) {
  EXPECT_EQ(meminfo_available("MemTotal:  32000000 kB\nMemAvailable:   23622036 kB\n"),
            uint64_t{23622036} * 1024);
  EXPECT_FALSE(meminfo_available("MemTotal: 1 kB\n"));
  // Page cache the kernel drops first does not count as used.
  EXPECT_EQ(cgroup_memory_room("1000000\n", "700000\n", "active_file 5\ninactive_file 200000\n"),
            500000u);
  EXPECT_EQ(cgroup_memory_room("1000\n", "5000\n", ""), 0u);
  EXPECT_FALSE(cgroup_memory_room("max\n", "5000\n", ""));
  EXPECT_FALSE(cgroup_memory_room("9223372036854771712\n", "5000\n", ""));
}

TEST(SystemResources, ThisMachineGivesAtLeastOneCpuAndSomeMemory) {
  EXPECT_GE(usable_cpu_count(), 1);
  const std::optional<uint64_t> memory = available_memory_bytes();
  ASSERT_TRUE(memory);
  EXPECT_GT(*memory, 0u);
}

}  // namespace
}  // namespace lumatrix
