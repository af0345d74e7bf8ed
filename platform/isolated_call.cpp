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

// When the caller stops waiting; no limit when `limited` is false.
struct Deadline {
  bool limited = false;
  Clock::time_point at;
};

// Reads up to `size` bytes; fewer at the end of the pipe, or when the deadline passes
// first (then `late` is set).
std::size_t ReadAll(int fd, void* bytes, std::size_t size, const Deadline& deadline, bool& late) {
  char* p = static_cast<char*>(bytes);
  std::size_t got = 0;
  while (got < size) {
    if (deadline.limited) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline.at - Clock::now());
      if (left.count() <= 0) {
        late = true;
        break;
      }
      pollfd ready{fd, POLLIN, 0};
      const int polled = poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
      if (polled < 0 && errno != EINTR) break;
      if (polled <= 0) continue;
    }
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
  Deadline deadline;
  if (timeLimitSeconds > 0) {
    deadline.limited = true;
    deadline.at = Clock::now() + std::chrono::seconds(timeLimitSeconds);
  }
  bool late = false;
  Answer answer{};
  bool answered = ReadAll(pipeFds[0], &answer, sizeof answer, deadline, late) == sizeof answer &&
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
      const std::size_t got = ReadAll(pipeFds[0], result.data.data() + at, piece, deadline, late);
      if (got != piece) answered = false;
      left -= piece;
    }
  }
  close(pipeFds[0]);
  if (late) {
    kill(child, SIGKILL);
    result.timedOut = true;
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
