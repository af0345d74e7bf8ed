#include "platform/idle.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shortcut.h"
#include "platform/write_failures.h"

extern char** environ;

namespace {
constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr int kMaxTimeoutSeconds = 24 * 60 * 60;
// What the X server starts with, and what the platform reports when nothing is set.
constexpr long long kDefaultTimeoutMs = 600 * 1000;
// The server's own saver comes on from a timer; give it this long before its silence
// counts as a suspension.
constexpr long long kServerSlackMs = 3000;
constexpr int kCoarsePollMs = 5000;
constexpr int kChildPollMs = 1000;
constexpr int kMinPollMs = 200;
constexpr long long kStopGraceMs = 3000;

// A REG_SZ value's text; false when it is missing or of another type (as the platform's
// screen-saver settings read it).
bool ReadDesktopValue(HKEY key, const char* name, std::string& value) {
  char buffer[64] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  value = buffer;
  return true;
}

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string FileStamp(const std::string& path) {
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return "-";
  return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ":" +
         std::to_string(st.st_size) + ":" + std::to_string(st.st_ino);
}

bool IsRunnableFile(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

int ClampPoll(long long ms) {
  return static_cast<int>(std::clamp<long long>(ms, kMinPollMs, kCoarsePollMs));
}

void MakeFolders(const std::string& folder) {
  std::string partial;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    partial += folder[i];
    if ((folder[i] == '/' && i > 0) || i + 1 == folder.size()) mkdir(partial.c_str(), 0700);
  }
}

std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config";
}
}  // namespace

int ParseScreenSaveTimeOut(const std::string& text) {
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(start, &end, 10);
  if (end == start || errno == ERANGE || value < 1 || value > kMaxTimeoutSeconds) return 0;
  return static_cast<int>(value);
}

IdleSettings ReadIdleSettings() {
  IdleSettings settings;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    std::string value;
    if (ReadDesktopValue(key, "ScreenSaveActive", value)) {
      settings.activeRecorded = true;
      settings.active = ParseScreenSaveTimeOut(value) != 0;
    }
    if (ReadDesktopValue(key, "ScreenSaveTimeOut", value)) settings.timeoutSeconds = ParseScreenSaveTimeOut(value);
    RegCloseKey(key);
  }
  char path[MAX_PATH] = {};
  GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", path, sizeof path, "system.ini");
  settings.saverPath = path;
  return settings;
}

std::string IdleSettingsStamp() {
  std::string windows = WindowsDirectory();
  return FileStamp(windows + "/user.reg") + "|" + FileStamp(windows + "/system.ini");
}

bool ServerSaverLooksSuspended(long long idleMs, long long serverTimeoutMs, bool serverSaverOn) {
  return serverTimeoutMs > 0 && !serverSaverOn && idleMs >= serverTimeoutMs + kServerSlackMs;
}

IdleDecision DecideIdle(const IdleSettings& settings, const IdleObservation& seen) {
  IdleDecision decision;
  bool on = settings.activeRecorded ? settings.active : seen.serverTimeoutMs > 0;
  if (!on) {
    decision.action = IdleAction::Exit;
    return decision;
  }
  if (seen.otherSaverFramework || seen.lockerActive) {
    decision.action = seen.saverRunning ? IdleAction::StopSaver : IdleAction::Wait;
    decision.blocked = true;
    // Until it has gone, look often: the locker is waiting for the keyboard.
    decision.nextCheckMs = seen.saverRunning ? kMinPollMs / 2 : kChildPollMs;
    return decision;
  }
  bool suspended = ServerSaverLooksSuspended(seen.idleMs, seen.serverTimeoutMs, seen.serverSaverOn);
  if (seen.saverRunning || seen.fullscreen || suspended) {
    decision.blocked = true;
    decision.nextCheckMs = seen.saverRunning ? kChildPollMs : kCoarsePollMs;
    return decision;
  }
  if (settings.saverPath.empty()) {
    decision.nextCheckMs = kCoarsePollMs;
    return decision;
  }
  long long timeoutMs = settings.timeoutSeconds > 0 ? static_cast<long long>(settings.timeoutSeconds) * 1000
                        : seen.serverTimeoutMs > 0 ? seen.serverTimeoutMs
                                                   : kDefaultTimeoutMs;
  long long idle = seen.msSinceBlocked >= 0 ? std::min(seen.idleMs, seen.msSinceBlocked) : seen.idleMs;
  if (idle < timeoutMs) {
    decision.nextCheckMs = ClampPoll(timeoutMs - idle);
    return decision;
  }
  // The server's saver is due too but has not said yet whether it is suspended: a
  // moment's wait settles it, and starting now could cover a film.
  if (seen.serverTimeoutMs > 0 && !seen.serverSaverOn && seen.idleMs >= seen.serverTimeoutMs) {
    decision.nextCheckMs = 500;
    return decision;
  }
  decision.action = IdleAction::StartSaver;
  decision.nextCheckMs = kChildPollMs;
  return decision;
}

bool IsIdleLockerName(const std::string& name) {
  return name == "xss-lock" || name == "xautolock" || name == "xidlehook";
}

namespace {
// host and display number of a DISPLAY value, without the screen; false when it is not
// of the form [host]:number[.screen].
bool splitDisplay(const std::string& display, std::string& host, std::string& number) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  host = display.substr(0, colon);
  if (host == "unix") host.clear();
  number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  // Compared as text, so that no length of digits can overflow.
  number.erase(0, std::min(number.find_first_not_of('0'), number.size() - 1));
  return true;
}
}  // namespace

bool SameXDisplay(const std::string& a, const std::string& b) {
  std::string hostA, numberA, hostB, numberB;
  if (!splitDisplay(a, hostA, numberA) || !splitDisplay(b, hostB, numberB)) return a == b;
  return hostA == hostB && numberA == numberB;
}

namespace {
// The value of DISPLAY in a process's environment; "" when it has none or we may not look.
std::string ProcessDisplay(const std::string& procDir) {
  FILE* file = std::fopen((procDir + "/environ").c_str(), "re");
  if (!file) return {};
  std::string environment;
  char chunk[4096];
  std::size_t n = 0;
  while (environment.size() < (1u << 20) && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    environment.append(chunk, n);
  std::fclose(file);
  for (std::size_t at = 0; at < environment.size();) {
    std::size_t end = environment.find('\0', at);
    if (end == std::string::npos) end = environment.size();
    if (environment.compare(at, 8, "DISPLAY=") == 0) return environment.substr(at + 8, end - at - 8);
    at = end + 1;
  }
  return {};
}
}  // namespace

std::string IdleLockerProgramRunning(const std::string& display) {
  DIR* proc = opendir("/proc");
  if (!proc) return {};
  std::string found;
  const uid_t me = getuid();
  while (dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
    const std::string dir = std::string("/proc/") + entry->d_name;
    struct stat st{};
    if (stat(dir.c_str(), &st) != 0 || st.st_uid != me) continue;
    FILE* comm = std::fopen((dir + "/comm").c_str(), "re");
    if (!comm) continue;
    char name[64] = {};
    const bool read = std::fgets(name, sizeof name, comm) != nullptr;
    std::fclose(comm);
    if (!read) continue;
    name[std::strcspn(name, "\n")] = '\0';
    // A locker of another X display of this user (a second seat, a nested server) is
    // none of this session's business.
    if (IsIdleLockerName(name) && SameXDisplay(ProcessDisplay(dir), display)) {
      found = name;
      break;
    }
  }
  closedir(proc);
  return found;
}

std::string ResolveSaverProgram(const std::string& scrnsaveValue) {
  std::string value = Trim(scrnsaveValue);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = Trim(value.substr(1, value.size() - 2));
  if (value.empty()) return {};
  std::string native = NativePath(value);
  if (native.find('/') != std::string::npos) return IsRunnableFile(native) ? native : std::string();
  for (const std::string& folder : {ProgramFolder(), WindowsDirectory()}) {
    std::string candidate = WithTrailingSeparator(folder) + native;
    if (IsRunnableFile(candidate)) return candidate;
  }
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t colon = list.find(':', pos);
    std::string folder = list.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
    // An empty entry would be the current folder: a file lying there must not become the saver.
    if (!folder.empty() && folder[0] == '/' && IsRunnableFile(WithTrailingSeparator(folder) + native))
      return WithTrailingSeparator(folder) + native;
    if (colon == std::string::npos) break;
    pos = colon + 1;
  }
  return {};
}

bool SaverProcess::Start(const std::string& program) {
  if (Running()) return false;
  std::vector<std::string> argv = {program, "/s"};
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);

  // The saver starts with a clean signal state and a session of its own, so a signal
  // meant for the watcher (its terminal closing, say) does not end the slideshow.
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  int error = posix_spawn(&pid, program.c_str(), nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (error != 0) return false;
  m_pid = pid;
  return true;
}

bool SaverProcess::Running() {
  if (m_pid <= 0) return false;
  int status = 0;
  pid_t done = waitpid(m_pid, &status, WNOHANG);
  if (done == 0) return true;
  if (done < 0 && errno == EINTR) return true;
  m_pid = 0;  // ended and reaped (or not ours to wait for any more)
  m_stopAskedMs = -1;
  return false;
}

bool SaverProcess::Stop() {
  if (!Running()) return false;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long nowMs = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  if (m_stopAskedMs < 0) {
    kill(m_pid, SIGTERM);
    m_stopAskedMs = nowMs;
    return true;
  }
  // A saver stuck in a picture must not keep the keyboard from the locker.
  if (nowMs - m_stopAskedMs > kStopGraceMs) kill(m_pid, SIGKILL);
  return false;
}

std::string IdleWatcherLockPath(const std::string& display) {
  std::string name = "quillidle-";
  for (char c : display) name += (c == '/' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
  name += ".lock";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st{};
  if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
    return WithTrailingSeparator(runtime) + name;
  return WindowsDirectory() + "/" + name;
}

IdleWatcherLock::IdleWatcherLock(const std::string& display) : m_path(IdleWatcherLockPath(display)) {}

IdleWatcherLock::~IdleWatcherLock() { Release(); }

bool IdleWatcherLock::Acquire() {
  if (m_fd >= 0) return true;
  int fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) == 0) {
    ssize_t written = write(fd, pid.data(), pid.size());
    (void)written;  // the pid is a help for uninstalling, not needed for the lock
  }
  m_fd = fd;
  return true;
}

bool IdleWatcherLock::IsHeld() const {
  int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;  // no file: no watcher ever ran here
  const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

void IdleWatcherLock::Release() {
  if (m_fd < 0) return;
  close(m_fd);  // drops the lock; the file stays, an unlocked file means nothing
  m_fd = -1;
}

std::string IdleAutostartPath() { return ConfigHome() + "/autostart/quillidle.desktop"; }

std::string IdleAutostartEntry(const std::string& watcherProgram) {
  CShellLink link;
  link.SetPath(watcherProgram);
  link.SetDescription("QuillMark screen saver start");
  std::string text = link.EntryText();
  if (text.empty()) return {};
  return text + "X-GNOME-Autostart-enabled=true\n";
}

bool SetIdleWatcherEnabled(bool on) {
  std::string entry = IdleAutostartPath();
  if (!on) {
    if (unlink(entry.c_str()) != 0 && errno != ENOENT) {
      RecordWriteFailure(entry, errno);
      return false;
    }
    return true;
  }
  std::string watcher = ProgramFolder() + "quillidle";
  std::string text = IdleAutostartEntry(watcher);
  if (text.empty()) return false;
  MakeFolders(entry.substr(0, entry.rfind('/')));
  if (!WriteFileAtomically(entry, text)) return false;

  // Inside a running session the log-on start has already passed; start it now.
  const char* display = std::getenv("DISPLAY");
  if (display && *display && IsRunnableFile(watcher)) {
    if (!IdleWatcherLock(display).IsHeld() && !SpawnProgram({watcher}))
      std::fprintf(stderr, "cannot start %s\n", watcher.c_str());
  }
  return true;
}
