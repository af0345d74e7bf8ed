#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>

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

void StartUserInterface(int& argc, char** argv) {
  if (app() || QApplication::instance()) return;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  app() = new QApplication(argc, argv);
  // Nobody could answer a dialog on the offscreen platform: keep the stderr default there.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
  SetMessageBoxHandler([](const std::string& text, const std::string& caption, UINT type) {
    return ShowQtMessageBox(text, caption, type);
  });
}

bool UserInterfaceStarted() { return QApplication::instance() != nullptr; }

int RunUserInterface() { return QApplication::instance() ? QApplication::exec() : 0; }

void StopUserInterface() {
  SetMessageBoxHandler({});
  delete app();
  app() = nullptr;
}

void QuitUserInterface(int code) {
  if (QApplication::instance()) QApplication::exit(code);
}
