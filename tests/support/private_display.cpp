#include "tests/support/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/window.h"

extern char** environ;

namespace {
bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string rest = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= rest.size();) {
    std::size_t end = rest.find(':', start);
    if (end == std::string::npos) end = rest.size();
    if (access((rest.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// The environment with DISPLAY set to `display`.
std::vector<std::string> EnvironmentFor(const std::string& display) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.emplace_back(*e);
  env.push_back("DISPLAY=" + display);
  return env;
}

int Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
          posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data()) != 0) return -1;
  return pid;
}
}  // namespace

PrivateDisplay::PrivateDisplay() {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) {
    why_ = "Xvfb or xdotool is missing";
    return;
  }
  int fds[2];
  if (pipe(fds) != 0) {
    why_ = "no pipe";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset", "-nolisten", "tcp", "-screen", "0",
                "1024x768x24"},
               EnvironmentFor(""), &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string number;
  pollfd wait{fds[0], POLLIN, 0};
  char c;
  while (pid_ > 0 && poll(&wait, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) {
    why_ = "Xvfb did not start";
    return;
  }
  name_ = ":" + number;
  setenv("DISPLAY", name_.c_str(), 1);
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("WAYLAND_DISPLAY");
  ready_ = true;
}

PrivateDisplay::~PrivateDisplay() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool PrivateDisplay::xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> command{"xdotool"};
  command.insert(command.end(), args.begin(), args.end());
  const int pid = Spawn(command, EnvironmentFor(name_), nullptr);
  if (pid < 0) return false;
  int status = 0;
  // The program under test must go on handling events while xdotool waits for them.
  while (waitpid(pid, &status, WNOHANG) == 0) PumpMessages(10);
  PumpMessages(150);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
