// Times one run of a command, from its start to its exit, and prints the wall time in
// microseconds. The shell scripts time commands with this rather than with `date` around
// the command: a shell forks itself for each command and `date` is a process of its own,
// which on some machines costs more than the whole of a short command (8 ms against 2 ms
// for `quillrun` with no change due), and would fall on the compared commands unevenly.
//   qm_bench_time COMMAND [ARG...]   (found on PATH; its output is discarded)
// Exits with the command's status, 127 when it could not be started.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s COMMAND [ARG...]\n", argv[0]);
    return 2;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[1], &actions, nullptr, argv + 1, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::fprintf(stderr, "%s: cannot start %s\n", argv[0], argv[1]);
    return 127;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  const auto end = std::chrono::steady_clock::now();
  std::printf("%lld\n", static_cast<long long>(
                            std::chrono::duration_cast<std::chrono::microseconds>(end - start).count()));
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
