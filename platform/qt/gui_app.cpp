#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/desktop.h"
#include "platform/gui.h"
#include "platform/message_box.h"
#include "platform/qt/text_codec.h"

namespace {
// Held by a plain pointer: a static owner would be destroyed after the toolkit's own
// statics and crash on the way out. StopUserInterface ends it in the right order; a
// program that never calls it leaves it to the end of the process.
QApplication*& app() {
  static QApplication* a = nullptr;
  return a;
}

int ShowQtMessageBox(const std::string& text, const std::string& caption, UINT type) {
  QMessageBox box;
  box.setWindowTitle(DisplayText(caption));
  box.setText(DisplayText(text));
  switch (type & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  UINT buttons = type & 0xF;
  QAbstractButton* yes = nullptr;
  QAbstractButton* no = nullptr;
  QAbstractButton* cancel = nullptr;
  if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) {
    yes = box.addButton(QMessageBox::Yes);
    no = box.addButton(QMessageBox::No);
    if (buttons == MB_YESNOCANCEL) cancel = box.addButton(QMessageBox::Cancel);
  } else {
    box.addButton(QMessageBox::Ok);
    if (buttons == MB_OKCANCEL) cancel = box.addButton(QMessageBox::Cancel);
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (clicked && clicked == yes) return IDYES;
  if (clicked && clicked == no) return IDNO;
  if (clicked && clicked == cancel) return IDCANCEL;
  if (buttons == MB_YESNO) return IDNO;  // closed without an answer: act as No
  return cancel && !clicked ? IDCANCEL : IDOK;
}
}  // namespace

namespace {
bool xDisplayReachable() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

bool waylandDisplayReachable() { return UnixSocketAnswers(WaylandSocketPath()); }

bool toolkitHasWayland() {
  const QString folder = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/";
  return QFileInfo::exists(folder + "libqwayland-generic.so") ||
         QFileInfo::exists(folder + "libqwayland-egl.so");
}

// The toolkit ends the process when the display it picks cannot be opened. A log-on
// program meets that often (a Wayland session without the toolkit's Wayland support, a
// stale DISPLAY), so the platform is chosen here from what really answers.
void chooseToolkitPlatform() {
  if (std::getenv("QT_QPA_PLATFORM")) return;
  if (waylandDisplayReachable() && toolkitHasWayland()) {
    setenv("QT_QPA_PLATFORM", "wayland", 1);
  } else if (xDisplayReachable()) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  } else {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
}
}  // namespace

void PreferXDisplay() {
  if (!std::getenv("QT_QPA_PLATFORM") && xDisplayReachable()) setenv("QT_QPA_PLATFORM", "xcb", 1);
}

void StartUserInterface(int& argc, char** argv) {
  if (app() || QApplication::instance()) return;
  chooseToolkitPlatform();
  app() = new QApplication(argc, argv);
  // Nobody could answer a dialog on the offscreen platform: keep the stderr default there.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
  SetMessageBoxHandler([](const std::string& text, const std::string& caption, UINT type) {
    return ShowQtMessageBox(text, caption, type);
  });
}

bool UserInterfaceStarted() { return QApplication::instance() != nullptr; }

bool UserCanSeeWindows() {
  return QApplication::instance() &&
         QGuiApplication::platformName() != QLatin1String("offscreen") &&
         QGuiApplication::platformName() != QLatin1String("minimal");
}

int RunUserInterface() { return QApplication::instance() ? QApplication::exec() : 0; }

void StopUserInterface() {
  SetMessageBoxHandler({});
  delete app();
  app() = nullptr;
}

void QuitUserInterface(int code) {
  if (QApplication::instance()) QApplication::exit(code);
}
