#include "platform/message_box.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

extern char** environ;

namespace {
MessageBoxHandler& handler() {
  static MessageBoxHandler h;
  return h;
}
std::string& title() {
  static std::string t;
  return t;
}
}  // namespace

namespace {
int defaultAnswer(const std::string& text, const std::string& caption, UINT type) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  UINT buttons = type & 0xF;
  if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) return IDNO;
  return IDOK;
}

bool displayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// quillmsg answers with its exit status; anything else (not started, killed) is no answer.
int answerFrom(const std::string& program, const std::string& text, const std::string& caption,
               UINT type) {
  const std::string typeText = std::to_string(type);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(caption.c_str()),
                  const_cast<char*>(text.c_str()), const_cast<char*>(typeText.c_str()), nullptr};
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return 0;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited != child || !WIFEXITED(status)) return 0;
  const int answer = WEXITSTATUS(status);
  return answer == IDOK || answer == IDCANCEL || answer == IDYES || answer == IDNO ? answer : 0;
}
}  // namespace

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
  std::string t = text ? text : "";
  std::string c = caption ? caption : "Error";
  if (handler()) return handler()(t, c, type);
  return defaultAnswer(t, c, type);
}

void ShowMessagesThrough(const std::string& program) {
  SetMessageBoxHandler([program](const std::string& text, const std::string& caption, UINT type) {
    if (displayNamed())
      if (const int answer = answerFrom(program, text, caption, type)) return answer;
    return defaultAnswer(text, caption, type);
  });
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler h) {
  return std::exchange(handler(), std::move(h));
}

void SetApplicationTitle(const std::string& t) { title() = t; }
const std::string& ApplicationTitle() { return title(); }
