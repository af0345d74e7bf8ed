#include "platform/message_box.h"

#include <cstdio>
#include <utility>

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

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
  std::string t = text ? text : "";
  std::string c = caption ? caption : "Error";
  if (handler()) return handler()(t, c, type);
  std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
  UINT buttons = type & 0xF;
  if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) return IDNO;
  return IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler h) {
  return std::exchange(handler(), std::move(h));
}

void SetApplicationTitle(const std::string& t) { title() = t; }
const std::string& ApplicationTitle() { return title(); }
