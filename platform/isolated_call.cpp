#include "platform/isolated_call.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

namespace {

// What the child writes before the data, so that a child that dies half-way through
// its answer is told apart from one that answered.
struct Answer {
  std::uint64_t magic;
  std::int64_t value;
  std::uint64_t size;
};
constexpr std::uint64_t kAnswerMagic = 0x51554c4c49534f4cull;  // "QULLISOL"

bool WriteAll(int fd, const void* bytes, std::size_t size) {
  const char* p = static_cast<const char*>(bytes);
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

using Clock = std::chrono::steady_clock;

IsolatedCallWatch& ProgramWatch() {
  static IsolatedCallWatch watch;
  return watch;
}

// How long the caller waits for the child, and what stopped the wait early.
struct Wait {
  bool limited = false;  // a deadline applies
  Clock::time_point at;
  const IsolatedCallWatch* watch = nullptr;
  bool late = false;
  bool interrupted = false;

  // True when `fd` can be read (or reports an error); false when the deadline passed or
  // the watch stopped the wait.
  bool ForReadable(int fd) {
    const bool watching = watch && watch->stop;
    if (!limited && !watching) return true;  // the read itself blocks
    std::vector<pollfd> fds{{fd, POLLIN, 0}};
    if (watching)
      for (int other : watch->fds) fds.push_back({other, POLLIN, 0});
    for (;;) {
      int timeout = -1;
      if (limited) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now());
        if (left.count() <= 0) {
          late = true;
          return false;
        }
        timeout = static_cast<int>(std::min<long long>(left.count(), 60000));
      }
      if (watching) timeout = timeout < 0 ? 100 : std::min(timeout, 100);
      const int polled = poll(fds.data(), fds.size(), timeout);
      if (polled < 0 && errno != EINTR) return true;  // the read reports it
      if (polled > 0 && fds[0].revents != 0) return true;
      if (watching && watch->stop()) {
        interrupted = true;
        return false;
      }
    }
  }
};

// Reads up to `size` bytes; fewer at the end of the pipe, or when the wait is stopped.
std::size_t ReadAll(int fd, void* bytes, std::size_t size, Wait& wait) {
  char* p = static_cast<char*>(bytes);
  std::size_t got = 0;
  while (got < size) {
    if (!wait.ForReadable(fd)) break;
    ssize_t n = read(fd, p + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

[[noreturn]] void AnswerAndExit(int fd, long value, const std::vector<unsigned char>& data) {
  Answer answer{kAnswerMagic, value, data.size()};
  bool ok = WriteAll(fd, &answer, sizeof answer) &&
            (data.empty() || WriteAll(fd, data.data(), data.size()));
  // No exit handlers: they belong to the caller's process, not to this copy of it.
  _exit(ok ? 0 : 1);
}

}  // namespace

IsolatedCallResult RunIsolated(const std::function<long(std::vector<unsigned char>& data)>& call,
                               int timeLimitSeconds) {
  IsolatedCallResult result;
  int pipeFds[2];
  pid_t child = -1;
  if (pipe2(pipeFds, O_CLOEXEC) == 0) {
    child = fork();
    if (child < 0) {
      close(pipeFds[0]);
      close(pipeFds[1]);
    }
  }
  if (child < 0) {
    result.value = call(result.data);
    result.completed = true;
    return result;
  }
  if (child == 0) {
    close(pipeFds[0]);
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // A caller that ignores SIGPIPE passes that on; the answer's write reports the error.
    std::vector<unsigned char> data;
    long value = call(data);
    AnswerAndExit(pipeFds[1], value, data);
  }

  close(pipeFds[1]);
  Wait wait;
  if (timeLimitSeconds > 0) {
    wait.limited = true;
    wait.at = Clock::now() + std::chrono::seconds(timeLimitSeconds);
  }
  const IsolatedCallWatch watch = ProgramWatch();  // a copy: `stop` may replace the watch
  if (watch.stop) {
    wait.watch = &watch;
    if (watch.start) watch.start();
  }
  Answer answer{};
  bool answered = ReadAll(pipeFds[0], &answer, sizeof answer, wait) == sizeof answer &&
                  answer.magic == kAnswerMagic;
  if (answered && answer.size > 0) {
    // Read in pieces: the size is the child's word, and a child that dies half-way must
    // not have made us reserve memory for bytes that never come.
    constexpr std::size_t kPiece = 1 << 20;
    std::uint64_t left = answer.size;
    while (answered && left > 0) {
      const std::size_t piece = left < kPiece ? static_cast<std::size_t>(left) : kPiece;
      const std::size_t at = result.data.size();
      result.data.resize(at + piece);
      const std::size_t got = ReadAll(pipeFds[0], result.data.data() + at, piece, wait);
      if (got != piece) answered = false;
      left -= piece;
    }
  }
  close(pipeFds[0]);
  if (wait.late || wait.interrupted) {
    kill(child, SIGKILL);
    result.timedOut = wait.late;
    result.interrupted = wait.interrupted;
    answered = false;
  }

  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == child) {
    if (WIFSIGNALED(status)) {
      result.signal = WTERMSIG(status);
      answered = false;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      answered = false;
    }
  }
  // Where the child could not be waited for (a caller that reaps its children itself),
  // its whole answer is the proof that it finished.
  if (!answered) {
    result.data.clear();
    return result;
  }
  result.completed = true;
  result.value = static_cast<long>(answer.value);
  return result;
}

void SetIsolatedCallWatch(IsolatedCallWatch watch) { ProgramWatch() = std::move(watch); }
