#include "platform/isolated_call.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

extern char** environ;

namespace {

// What the host writes when it has finished, so that a host that dies half-way through
// is told apart from one that answered.
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

// Where the host finds what the caller handed it.
constexpr int kAnswerFd = 3;  // the pipe for the Answer
constexpr int kBlockFd = 4;   // the memory file the answer's block goes into
constexpr int kInputFd = 5;   // the memory file of the input block, when there is one
constexpr int kCallFd = 6;    // a host started ahead reads its arguments here
// The one argument of a host started ahead.
constexpr const char* kCallFollows = "--call-follows";
// More than any call's arguments (a few paths and numbers) take.
constexpr std::size_t kMaxCallBytes = 1 << 20;

// A descriptor that stays clear of 0..kInputFd, so the moves into place cannot collide.
int HighCopy(int fd) { return fcntl(fd, F_DUPFD_CLOEXEC, 10); }

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// A memory file holding the input block: its own when it came from a host, opened again
// for reading only (the host must not change the caller's block), else a copy.
int InputFile(HGLOBAL input) {
  if (const int own = GlobalBlockFd(input); own >= 0) {
    const std::string path = "/proc/self/fd/" + std::to_string(own);
    Fd readOnly(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (readOnly.get() >= 0) return HighCopy(readOnly.get());
  }
  Fd file(memfd_create("quillmark-input", MFD_CLOEXEC));
  if (file.get() < 0) return -1;
  const std::size_t size = GlobalSize(input);
  const void* bytes = GlobalLock(input);
  const bool written = !size || (bytes && WriteAll(file.get(), bytes, size));
  GlobalUnlock(input);
  if (!written) return -1;
  const int high = HighCopy(file.get());
  return high;
}

pid_t StartHost(const std::string& program, const std::vector<std::string>& args, int answerFd,
                int blockFd, int inputFd, int callFd) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return -1;
  }
  posix_spawn_file_actions_adddup2(&actions, answerFd, kAnswerFd);
  posix_spawn_file_actions_adddup2(&actions, blockFd, kBlockFd);
  // Without an input block the slot holds an empty file, never a descriptor the caller
  // happened to leave open there.
  if (inputFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, inputFd, kInputFd);
  else
    posix_spawn_file_actions_addopen(&actions, kInputFd, "/dev/null", O_RDONLY, 0);
  // Only a host started ahead reads its slot (IsolatedCallArguments closes it otherwise).
  if (callFd >= 0) posix_spawn_file_actions_adddup2(&actions, callFd, kCallFd);
  // A caller that ignores or blocks signals (SIGPIPE, the saver's own) must not pass that
  // on: the host is ended by the usual signals, and a broken pipe ends it too.
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
    child = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return child;
}

// The ends of a host's descriptors that its caller keeps.
struct HostEnds {
  pid_t pid = -1;
  Fd answer, block;
};

// Starts a host with the answer pipe and the memory file for its block; false (nothing
// started) when they cannot be made.
bool StartWithEnds(const std::string& program, const std::vector<std::string>& args,
                   HGLOBAL input, int callFd, HostEnds& ends) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  ends.answer.reset(pipeFds[0]);
  Fd writeEnd(HighCopy(pipeFds[1]));
  close(pipeFds[1]);
  ends.block.reset(memfd_create("quillmark-block", MFD_CLOEXEC));
  Fd blockHigh(ends.block.get() >= 0 ? HighCopy(ends.block.get()) : -1);
  Fd inputFile(input ? InputFile(input) : -1);
  if (writeEnd.get() >= 0 && blockHigh.get() >= 0 && (!input || inputFile.get() >= 0))
    ends.pid = StartHost(program, args, writeEnd.get(), blockHigh.get(), inputFile.get(), callFd);
  return ends.pid >= 0;
}

// Waits for a child's end and reaps it; its status in `status` when given. False when it is
// not this program's to wait for (a caller that reaps its children itself).
bool Reap(pid_t pid, int* status = nullptr) {
  pid_t waited;
  do {
    waited = waitpid(pid, status, 0);
  } while (waited < 0 && errno == EINTR);
  return waited == pid;
}

// A host started ahead of its call (PrestartIsolatedHost), waiting for its arguments.
struct WaitingHost {
  std::string program;
  HostEnds ends;
  Fd call;  // where its arguments go; closing it without any ends the host

  WaitingHost() = default;
  // A host never called is ended and waited for with the caller's program, so that it
  // does not outlive it even for a moment.
  ~WaitingHost() { Abandon(); }
  WaitingHost(const WaitingHost&) = delete;
  WaitingHost& operator=(const WaitingHost&) = delete;

  void Clear() {
    program.clear();
    ends.pid = -1;
    ends.answer.reset();
    ends.block.reset();
    call.reset();
  }
  void Abandon() {
    if (ends.pid >= 0) {
      kill(ends.pid, SIGKILL);
      Reap(ends.pid);
    }
    Clear();
  }
};

WaitingHost& waitingHost() {
  static WaitingHost host;
  return host;
}
// Calls may be made from more than one thread.
std::mutex& waitingMutex() {
  static std::mutex mutex;
  return mutex;
}

// Hosts that have answered and are ending on their own. A thread waits for each, so that
// the caller goes on with the answer at once and no ended host stays a zombie; one still
// there when the program ends is killed first: none outlives it.
class EndingHosts {
 public:
  ~EndingHosts() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      for (const Ending& host : hosts_)
        if (!host.reaped) kill(host.pid, SIGKILL);
    }
    for (Ending& host : hosts_) host.waiter.join();
  }
  void Add(pid_t pid) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = hosts_.begin(); it != hosts_.end();) {
      if (!it->reaped) {
        ++it;
        continue;
      }
      it->waiter.join();  // past its last use of the lock
      it = hosts_.erase(it);
    }
    Ending& host = hosts_.emplace_back();
    host.pid = pid;
    try {
      host.waiter = std::thread(&EndingHosts::Wait, this, pid);
    } catch (const std::system_error&) {
      hosts_.pop_back();
      Reap(pid);
    }
  }

 private:
  struct Ending {
    pid_t pid = -1;
    std::thread waiter;
    bool reaped = false;
  };
  // Waits for the end without reaping, so that the pid stays this program's (and safe to
  // kill) until it is reaped under the lock.
  void Wait(pid_t pid) {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    waitpid(pid, nullptr, WNOHANG);
    for (Ending& host : hosts_)
      if (host.pid == pid) host.reaped = true;
  }

  std::mutex mutex_;
  std::list<Ending> hosts_;
};

EndingHosts& endingHosts() {
  static EndingHosts hosts;
  return hosts;
}

// Hands the call to the host waiting for it, if there is one for this program: its
// arguments, each ended by a NUL, then the end of the stream. False when there is none, or
// it is gone (it is then ended and waited for).
bool TakeWaitingHost(const IsolatedCall& call, HostEnds& ends) {
  const std::lock_guard<std::mutex> lock(waitingMutex());
  WaitingHost& waiting = waitingHost();
  if (waiting.ends.pid < 0 || waiting.program != call.program || call.input || call.args.empty())
    return false;
  std::string bytes;
  for (const std::string& arg : call.args) bytes.append(arg).push_back('\0');
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(waiting.call.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  if (sent < bytes.size()) {
    waiting.Abandon();
    return false;
  }
  ends.pid = std::exchange(waiting.ends.pid, -1);
  ends.answer.reset(waiting.ends.answer.release());
  ends.block.reset(waiting.ends.block.release());
  waiting.Clear();
  return true;
}

// The block the host wrote: mapped from the memory file as it is, no copy made. The size
// is the host's word, so the file must really hold it (a mapping past its end would fault).
HGLOBAL MapAnswerBlock(Fd& file, std::uint64_t size) {
  struct stat st{};
  if (fstat(file.get(), &st) != 0 || st.st_size < 0 ||
      static_cast<std::uint64_t>(st.st_size) < size || size > SIZE_MAX)
    return nullptr;
  void* data = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED,
                    file.get(), 0);
  if (data == MAP_FAILED) return nullptr;
  HGLOBAL block = GlobalAdoptMapping(data, static_cast<std::size_t>(size), file.get());
  if (!block) {
    munmap(data, static_cast<std::size_t>(size));
    return nullptr;
  }
  file.release();
  return block;
}

}  // namespace

void PrestartIsolatedHost(const std::string& program) {
  const std::lock_guard<std::mutex> lock(waitingMutex());
  WaitingHost& waiting = waitingHost();
  waiting.Abandon();
  int callFds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, callFds) != 0) return;
  waiting.call.reset(callFds[0]);
  Fd theirs(HighCopy(callFds[1]));
  close(callFds[1]);
  if (theirs.get() < 0 || !StartWithEnds(program, {kCallFollows}, nullptr, theirs.get(), waiting.ends)) {
    waiting.Clear();
    return;
  }
  waiting.program = program;
}

IsolatedCallResult RunIsolated(const IsolatedCall& call, int timeLimitSeconds) {
  IsolatedCallResult result;
  HostEnds ends;
  if (!TakeWaitingHost(call, ends) && !StartWithEnds(call.program, call.args, call.input, -1, ends)) {
    result.notStarted = true;
    return result;
  }
  const pid_t child = ends.pid;
  Fd& readEnd = ends.answer;
  Fd& blockFile = ends.block;

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
  const bool answered = ReadAll(readEnd.get(), &answer, sizeof answer, wait) == sizeof answer &&
                        answer.magic == kAnswerMagic;
  readEnd.reset();
  if (answered) {
    // Its whole answer is the proof that it finished; its exit (a process's teardown, a
    // millisecond) is not waited for.
    endingHosts().Add(child);
  } else {
    // The pipe closed without an answer: the host is ending, or has shut the pipe and goes
    // on. Its end is waited for no longer than its answer would have been (a process's
    // descriptor becomes readable when it ends).
    if (!wait.late && !wait.interrupted) {
      const Fd process(static_cast<int>(syscall(SYS_pidfd_open, child, 0)));
      if (process.get() >= 0) wait.ForReadable(process.get());
    }
    if (wait.late || wait.interrupted) {
      kill(child, SIGKILL);
      result.timedOut = wait.late;
      result.interrupted = wait.interrupted;
    }
    int status = 0;
    if (Reap(child, &status) && WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
  }
  if (answer.size > 0) {
    result.block = MapAnswerBlock(blockFile, answer.size);
    if (!result.block) return result;
  }
  result.completed = true;
  result.value = static_cast<long>(answer.value);
  return result;
}

void PrepareIsolatedHost() {
  struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  // Whatever else the caller left open without close-on-exec is none of the library's business.
  close_range(kCallFd + 1, ~0u, 0);
}

bool IsolatedCallArguments(int argc, char** argv, std::vector<std::string>& args) {
  args.clear();
  if (argc != 2 || std::strcmp(argv[1], kCallFollows) != 0) {
    close(kCallFd);
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return true;
  }
  std::string bytes;
  char chunk[4096];
  bool whole = false;
  for (;;) {
    const ssize_t n = read(kCallFd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > kMaxCallBytes) break;
    if (n == 0) {
      whole = true;
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  close(kCallFd);
  // A caller that never made its call, or one cut off half-way (or sending more than any
  // call takes), leaves nothing to do.
  if (!whole || bytes.empty() || bytes.back() != '\0') return false;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\0', start);
    args.emplace_back(bytes, start, end - start);
    start = end + 1;
  }
  return true;
}

HGLOBAL IsolatedCallInput() {
  struct stat st{};
  if (fstat(kInputFd, &st) != 0 || st.st_size <= 0) return nullptr;
  const auto size = static_cast<std::size_t>(st.st_size);
  // Private: whatever the library does to the block stays in the host.
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, kInputFd, 0);
  if (data == MAP_FAILED) return nullptr;
  const int fd = fcntl(kInputFd, F_DUPFD_CLOEXEC, 10);
  HGLOBAL block = fd >= 0 ? GlobalAdoptMapping(data, size, fd) : nullptr;
  if (!block) {
    munmap(data, size);
    if (fd >= 0) close(fd);
  }
  return block;
}

bool AnswerIsolatedCall(long value, const void* data, std::size_t size) {
  if (size > 0) {
    if (ftruncate(kBlockFd, static_cast<off_t>(size)) != 0) return false;
    if (lseek(kBlockFd, 0, SEEK_SET) != 0 || !WriteAll(kBlockFd, data, size)) return false;
  }
  Answer answer{kAnswerMagic, value, size};
  return WriteAll(kAnswerFd, &answer, sizeof answer);
}

void SetIsolatedCallWatch(IsolatedCallWatch watch) { ProgramWatch() = std::move(watch); }
