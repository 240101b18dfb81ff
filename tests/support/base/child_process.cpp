#include "child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

namespace lumatrix::test {

std::optional<std::string> run_in_child(const std::function<std::string()>& body,
                                        std::chrono::milliseconds limit) {
  int report[2];
  if (::pipe(report) != 0) return std::string("pipe failed");
  const pid_t child = ::fork();
  if (child < 0) return std::string("fork failed");
  if (child == 0) {
    ::close(report[0]);
    std::string result;
    try {
      result = body();
    } catch (const std::exception& error) {
      result = std::string("exception: ") + error.what();
    } catch (...) {
      result = "unknown exception";
    }
    for (size_t done = 0; done < result.size();) {
      const ssize_t n = ::write(report[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(report[1]);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::string result;
  bool ended = false;
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
      ended = true;  // the child closed its end: it has finished
      break;
    }
    result.append(buffer, static_cast<size_t>(n));
  }
  ::close(report[0]);
  if (!ended) ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!ended) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result += " (the child did not end normally)";
  return result;
}

}  // namespace lumatrix::test
