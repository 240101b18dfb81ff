#include "base/system_resources.h"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "base/choice_text.h"

namespace lumatrix {

namespace {

// A v1 memory limit this large is the kernel's way of saying "none" (2^63 rounded to pages).
constexpr uint64_t kNoV1Limit = uint64_t{1} << 62;

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

template <class F>
void each_line(std::string_view text, F&& f) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    f(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::optional<uint64_t> parse_count(std::string_view text) {
  const std::optional<int64_t> value = parse_decimal(trim_blanks(text));
  if (!value || *value < 0) return std::nullopt;
  return static_cast<uint64_t>(*value);
}

bool has_word(std::string_view list, std::string_view word, char separator) {
  while (true) {
    const size_t end = list.find(separator);
    if (list.substr(0, end) == word) return true;
    if (end == std::string_view::npos) return false;
    list.remove_prefix(end + 1);
  }
}

// `path` below `root` ("/" roots everything); nullopt when it lies outside.
std::optional<std::string> below(std::string_view path, std::string_view root) {
  if (root == "/") return std::string(path);
  if (!path.starts_with(root)) return std::nullopt;
  const std::string_view rest = path.substr(root.size());
  if (!rest.empty() && rest.front() != '/') return std::nullopt;
  return std::string(rest);
}

int affinity_count() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return 0;
  return CPU_COUNT(&set);
}

std::optional<CgroupDir> own_cgroup(std::string_view controller) {
  const CgroupDirs dirs =
      cgroup_dirs(file_text("/proc/self/mountinfo"), file_text("/proc/self/cgroup"), controller);
  if (dirs.unified) {
    const std::string enabled =
        file_text(dirs.unified->mount + dirs.unified->path + "/cgroup.controllers");
    if (has_word(trim_blanks(enabled), controller, ' ') || !dirs.legacy) return dirs.unified;
  }
  return dirs.legacy;
}

}  // namespace

CgroupDirs cgroup_dirs(std::string_view mountinfo, std::string_view cgroups,
                       std::string_view controller) {
  // /proc/self/cgroup: "0::/path" for v2, "4:memory:/path" (or "2:cpu,cpuacct:/path") for v1.
  std::optional<std::string> v2_path, v1_path;
  each_line(cgroups, [&](std::string_view line) {
    const size_t first = line.find(':');
    const size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) return;
    const std::string_view controllers = line.substr(first + 1, second - first - 1);
    const std::string_view path = line.substr(second + 1);
    if (line.substr(0, first) == "0" && controllers.empty())
      v2_path = std::string(path);
    else if (has_word(controllers, controller, ','))
      v1_path = std::string(path);
  });
  // mountinfo: "id parent dev root mountpoint options [optional...] - fstype source superoptions".
  CgroupDirs dirs;
  each_line(mountinfo, [&](std::string_view line) {
    const std::vector<std::string_view> w = words(line);
    const auto dash = std::find(w.begin(), w.end(), "-");
    if (w.size() < 5 || dash == w.end() || w.end() - dash < 4) return;
    const std::string_view root = w[3], mount = w[4], type = dash[1], options = dash[3];
    if (type == "cgroup2" && v2_path && !dirs.unified) {
      if (auto rest = below(*v2_path, root))
        dirs.unified = CgroupDir{true, std::string(mount), *rest};
    } else if (type == "cgroup" && v1_path && !dirs.legacy && has_word(options, controller, ',')) {
      if (auto rest = below(*v1_path, root))
        dirs.legacy = CgroupDir{false, std::string(mount), *rest};
    }
  });
  return dirs;
}

std::vector<std::string> cgroup_chain(const CgroupDir& dir) {
  std::vector<std::string> chain;
  std::string path = dir.path;
  while (!path.empty() && path != "/") {
    chain.push_back(dir.mount + path);
    path.resize(path.rfind('/'));
  }
  chain.push_back(dir.mount);
  return chain;
}

std::optional<double> cpu_limit_v2(std::string_view cpu_max) {
  const std::vector<std::string_view> w = words(trim_blanks(cpu_max));
  if (w.size() != 2 || w[0] == "max") return std::nullopt;
  const std::optional<uint64_t> quota = parse_count(w[0]), period = parse_count(w[1]);
  if (!quota || !period || *period == 0) return std::nullopt;
  return static_cast<double>(*quota) / static_cast<double>(*period);
}

std::optional<double> cpu_limit_v1(std::string_view quota, std::string_view period) {
  const std::optional<uint64_t> q = parse_count(quota), p = parse_count(period);
  if (!q || !p || *q == 0 || *p == 0) return std::nullopt;  // -1 does not parse as a count
  return static_cast<double>(*q) / static_cast<double>(*p);
}

std::optional<uint64_t> meminfo_available(std::string_view meminfo) {
  std::optional<uint64_t> bytes;
  each_line(meminfo, [&](std::string_view line) {
    const std::vector<std::string_view> w = words(line);
    if (w.size() >= 2 && w[0] == "MemAvailable:")
      if (auto kib = parse_count(w[1])) bytes = *kib * 1024;
  });
  return bytes;
}

std::optional<uint64_t> cgroup_memory_room(std::string_view limit, std::string_view usage,
                                           std::string_view stat) {
  const std::optional<uint64_t> cap = parse_count(limit);
  if (!cap || *cap >= kNoV1Limit) return std::nullopt;
  uint64_t used = parse_count(usage).value_or(0);
  uint64_t inactive = 0;
  each_line(stat, [&](std::string_view line) {
    const std::vector<std::string_view> w = words(line);
    // v1 names the whole subtree's figure total_inactive_file; v2 has inactive_file only.
    if (w.size() == 2 && (w[0] == "inactive_file" || w[0] == "total_inactive_file"))
      inactive = std::max(inactive, parse_count(w[1]).value_or(0));
  });
  used -= std::min(used, inactive);
  return *cap > used ? *cap - used : 0;
}

int usable_cpu_count() {
  int cpus = affinity_count();
  if (cpus <= 0) cpus = 1;
  if (const std::optional<CgroupDir> dir = own_cgroup("cpu")) {
    for (const std::string& folder : cgroup_chain(*dir)) {
      const std::optional<double> limit =
          dir->unified ? cpu_limit_v2(file_text(folder + "/cpu.max"))
                       : cpu_limit_v1(file_text(folder + "/cpu.cfs_quota_us"),
                                      file_text(folder + "/cpu.cfs_period_us"));
      if (limit) cpus = std::min(cpus, std::max(1, static_cast<int>(std::ceil(*limit))));
    }
  }
  return cpus;
}

std::optional<uint64_t> available_memory_bytes() {
  std::optional<uint64_t> room = meminfo_available(file_text("/proc/meminfo"));
  if (const std::optional<CgroupDir> dir = own_cgroup("memory")) {
    for (const std::string& folder : cgroup_chain(*dir)) {
      const std::optional<uint64_t> left =
          dir->unified ? cgroup_memory_room(file_text(folder + "/memory.max"),
                                            file_text(folder + "/memory.current"),
                                            file_text(folder + "/memory.stat"))
                       : cgroup_memory_room(file_text(folder + "/memory.limit_in_bytes"),
                                            file_text(folder + "/memory.usage_in_bytes"),
                                            file_text(folder + "/memory.stat"));
      if (left) room = room ? std::min(*room, *left) : *left;
    }
  }
  return room;
}

}  // namespace lumatrix
