#include "tests/reliability/fault_helpers.h"

#include <dirent.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <thread>

namespace fault {

int CountFromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  long n = std::strtol(text, &end, 10);
  return (*end == '\0' && n > 0 && n < 100000000) ? static_cast<int>(n) : fallback;
}

int Spawn(const std::function<int()>& body) {
  int pid = fork();
  if (pid == 0) {
    int code = 111;
    try {
      code = body();
    } catch (...) {
    }
    // Skip the parent's exit-time work (gtest, static destructors) that the fork copied.
    _exit(code);
  }
  return pid;
}

Ending Wait(int pid, double seconds) {
  Ending ending;
  if (pid <= 0) return ending;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  for (;;) {
    int r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (r < 0) return ending;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ending.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) {
    ending.exited = true;
    ending.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    ending.code = WTERMSIG(status);
  }
  return ending;
}

void DropFileOverride() {
  if (geteuid() != 0) return;
  const int caps[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};
  // Out of the bounding set, so that a program started from here does not get them back.
  for (int cap : caps) prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) _exit(112);
  for (int cap : caps) {
    data[0].effective &= ~(1u << cap);
    data[0].permitted &= ~(1u << cap);
    data[0].inheritable &= ~(1u << cap);
  }
  if (syscall(SYS_capset, &header, data) != 0) _exit(113);
}

Ending RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, const std::string& errorFile,
                  bool withoutFileOverride, double seconds) {
  int pid = fork();
  if (pid == 0) {
    if (withoutFileOverride) DropFileOverride();
    int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) dup2(err, 2);
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return Wait(pid, seconds);
}

std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
    }
    closedir(d);
  }
  return names;
}

}  // namespace fault
