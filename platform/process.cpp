#include "platform/process.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/paths.h"

extern char** environ;

namespace {

// WinExec's results: above 31 is success, the rest are the old platform's error codes.
constexpr UINT kStarted = 33;
constexpr UINT kOutOfResources = 0;
constexpr UINT kFileNotFound = 2;
constexpr UINT kPathNotFound = 3;
constexpr UINT kAccessDenied = 5;
constexpr UINT kBadFormat = 11;

bool isRegularFile(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool endsWithExe(const std::string& name) {
  return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0;
}

// The old platform's file names ignore letter case, and the suite's callers spell them
// as they were there ("Quillmrk.hlp", "NetJumper.exe"); an exact match comes first.
std::string findInFolder(const std::string& folder, const std::string& name) {
  std::string exact = WithTrailingSeparator(folder) + name;
  if (isRegularFile(exact)) return exact;
  std::string found;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (strcasecmp(entry->d_name, name.c_str()) == 0) {
        std::string candidate = WithTrailingSeparator(folder) + entry->d_name;
        if (isRegularFile(candidate)) {
          found = candidate;
          break;
        }
      }
    }
    closedir(dir);
  }
  return found;
}

std::string searchOnce(const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
    std::string path = NativePath(name);
    return isRegularFile(path) ? path : std::string();
  }
  for (const std::string& folder : {ProgramFolder(), WindowsDirectory()}) {
    std::string found = findInFolder(folder, name);
    if (!found.empty()) return found;
  }
  // PATH as the exec functions search it: only files this user may run count, and an
  // empty entry (the current folder) is skipped, so a file lying around cannot shadow
  // a system program.
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t colon = list.find(':', pos);
    std::string folder = list.substr(pos, colon == std::string::npos ? std::string::npos
                                                                       : colon - pos);
    if (!folder.empty()) {
      std::string candidate = WithTrailingSeparator(folder) + name;
      if (isRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (colon == std::string::npos) break;
    pos = colon + 1;
  }
  return {};
}

// The file a program name stands for, or "" when there is none. Programs here have no
// ".exe", so a name written with it also finds the file without.
std::string findProgram(const std::string& name) {
  if (name.empty()) return {};
  std::string found = searchOnce(name);
  if (found.empty() && endsWithExe(name)) found = searchOnce(name.substr(0, name.size() - 4));
  return found;
}

// Every child is waited for by a thread of its own, so no zombie stays behind and no
// process-wide SIGCHLD handling is needed that would take children from Qt's own
// process handling.
void reapLater(pid_t pid) {
  try {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (...) {
    // Without a thread the child is reaped when this process ends.
  }
}

// 0 when started, else an errno value.
int spawnResolved(const std::string& path, const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The child starts with a clean signal state, whatever the caller (or Qt) has set.
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return ENOMEM;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  int error = posix_spawn(&pid, path.c_str(), nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (error == 0) reapLater(pid);
  return error;
}

UINT winExecResult(int error) {
  switch (error) {
    case 0: return kStarted;
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM: return kAccessDenied;
    case ENOEXEC: return kBadFormat;
    default: return kOutOfResources;
  }
}

bool isCommandBlank(char c) { return c == ' ' || c == '\t'; }

// The arguments after the program name, split as the old platform's C runtime split a
// command line: blanks separate, double quotes group (and may start or end in the middle
// of an argument), 2n backslashes before a quote give n backslashes, 2n+1 give n and a
// literal quote, "" inside quotes is one literal quote, and any other backslash is kept.
std::vector<std::string> splitArguments(const std::string& text) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = text.size();
  for (;;) {
    while (i < n && isCommandBlank(text[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      char c = text[i];
      if (c == '\\') {
        std::size_t slashes = 0;
        while (i < n && text[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && text[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg += '"';
            ++i;
          }
          // An even count leaves the quote to act as a quote.
        } else {
          arg.append(slashes, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else if (isCommandBlank(c) && !quoted) {
        break;
      } else {
        arg += c;
        ++i;
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace

bool SpawnProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  std::string path = findProgram(argv[0]);
  if (path.empty()) return false;
  return spawnResolved(path, argv) == 0;
}

UINT WinExec(const char* commandLine, UINT /*show: windows are shown as they choose*/) {
  if (!commandLine) return kFileNotFound;
  std::string line = commandLine;
  std::size_t start = 0;
  while (start < line.size() && isCommandBlank(line[start])) ++start;
  if (start >= line.size()) return kFileNotFound;

  std::string name, path, rest;
  if (line[start] == '"') {
    std::size_t close = line.find('"', start + 1);
    name = line.substr(start + 1, close == std::string::npos ? std::string::npos
                                                             : close - start - 1);
    rest = close == std::string::npos ? std::string() : line.substr(close + 1);
    path = findProgram(name);
  } else {
    // An unquoted name may hold blanks: the longest run of words that names an existing
    // file is the program. Longest first, so that a stray file named like the first
    // word ("Quillmark") cannot take the place of the program that was meant.
    std::size_t end = line.size();
    while (end > start) {
      while (end > start && isCommandBlank(line[end - 1])) --end;
      std::string candidate = line.substr(start, end - start);
      if (candidate.find('"') == std::string::npos) {
        path = findProgram(candidate);
        if (!path.empty()) {
          name = candidate;
          rest = line.substr(end);
          break;
        }
      }
      while (end > start && !isCommandBlank(line[end - 1])) --end;
    }
  }
  if (path.empty()) return kFileNotFound;

  std::vector<std::string> argv{name};
  for (std::string& a : splitArguments(rest)) argv.push_back(std::move(a));
  return winExecResult(spawnResolved(path, argv));
}

void BecomeProgram(const std::string& path, char** argv, std::string& error) {
  std::vector<char*> args{const_cast<char*>(path.c_str())};
  if (argv && argv[0])
    for (char** arg = argv + 1; *arg; ++arg) args.push_back(*arg);
  args.push_back(nullptr);
  execv(path.c_str(), args.data());
  error = std::strerror(errno);
}
