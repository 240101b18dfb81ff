#include "child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>

namespace lumatrix::test {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The address space this process has mapped, from /proc/self/statm (in pages).
uint64_t mapped_bytes() {
  unsigned long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return uint64_t{pages} * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

uint64_t peak_resident_bytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}

void write_all(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

ChildOutcome run_in_child(const std::function<std::string()>& body, const ChildLimits& limits) {
  ChildOutcome outcome;
  int report[2];
  if (::pipe(report) != 0) {
    outcome.crashed = true;
    outcome.result = "pipe failed";
    return outcome;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    outcome.crashed = true;
    outcome.result = "fork failed";
    return outcome;
  }
  if (child == 0) {
    ::close(report[0]);
    if (limits.address_space > 0 && !kAddressSanitizer) {
      const rlimit cap{mapped_bytes() + limits.address_space, RLIM_INFINITY};
      ::setrlimit(RLIMIT_AS, &cap);
    }
    // What the child inherited is resident already; its own peak is what it adds.
    const uint64_t inherited = peak_resident_bytes();
    std::string result;
    try {
      result = body();
    } catch (const std::exception& error) {
      result = std::string("exception: ") + error.what();
    } catch (...) {
      result = "unknown exception";
    }
    const uint64_t peak = peak_resident_bytes();
    // The peak first, on a line of its own, then what the body said.
    write_all(report[1], std::to_string(peak > inherited ? peak - inherited : 0) + "\n" + result);
    ::_exit(0);
  }
  ::close(report[1]);
  const auto deadline = std::chrono::steady_clock::now() + limits.time;
  std::string received;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd wait{report[0], POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char buffer[4096];
    const ssize_t n = ::read(report[0], buffer, sizeof buffer);
    if (n <= 0) {
      outcome.finished = true;  // the child closed its end: it has finished
      break;
    }
    received.append(buffer, static_cast<size_t>(n));
  }
  ::close(report[0]);
  if (!outcome.finished) ::kill(child, SIGKILL);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  outcome.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  outcome.crashed = outcome.finished && (!WIFEXITED(status) || WEXITSTATUS(status) != 0);
  const size_t line = received.find('\n');
  if (line != std::string::npos) {
    outcome.peak_bytes = std::stoull(received.substr(0, line));
    outcome.result = received.substr(line + 1);
  } else {
    outcome.result = received;  // the child died before it could report
    outcome.crashed = outcome.crashed || outcome.finished;
  }
  return outcome;
}

std::optional<std::string> run_in_child(const std::function<std::string()>& body,
                                        std::chrono::milliseconds limit) {
  ChildLimits limits;
  limits.time = limit;
  ChildOutcome outcome = run_in_child(body, limits);
  if (!outcome.finished) return std::nullopt;
  if (outcome.crashed) outcome.result += " (the child did not end normally)";
  return outcome.result;
}

}  // namespace lumatrix::test
