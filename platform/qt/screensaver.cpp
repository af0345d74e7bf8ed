// The screen-saver framework: command line, the saver window and its default processing.
#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <poll.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/gdi.h"
#include "platform/gui.h"
#include "platform/isolated_call.h"
#include "platform/qt/window_internal.h"
#include "platform/qt/window_surface.h"
#include "platform/screensaver.h"
#include "platform/x11/input_watch.h"
#include "platform/x11/saver_window.h"

HINSTANCE hMainInstance = nullptr;
HWND hMainWindow = nullptr;
BOOL fChildPreview = FALSE;

namespace {
constexpr char kClassName[] = "WindowsScreenSaverClass";
bool inputEnds = true;
bool seenPointer = false;
// The primary monitor inside a full-screen window; empty for the whole client area.
QRect showArea;
POINT firstPointer;

LRESULT CALLBACK saverWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) hMainWindow = w;
  LRESULT r = ScreenSaverProc(w, message, wParam, lParam);
  if (message == WM_NCDESTROY && hMainWindow == w) hMainWindow = nullptr;
  return r;
}

bool registerSaverClass() {
  static bool done = false;
  if (done) return true;
  WNDCLASS wc;
  wc.style = CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = saverWindowProc;
  wc.hInstance = hMainInstance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kClassName;
  done = RegisterClass(&wc) != 0;
  return done;
}

HWND makeSaverWindow(int x, int y, int width, int height, bool preview) {
  if (!hMainInstance) hMainInstance = GetModuleHandle(nullptr);
  fChildPreview = preview ? TRUE : FALSE;
  // Moves count from where the pointer is when the saver starts.
  seenPointer = GetCursorPos(&firstPointer) != FALSE;
  if (!registerSaverClass()) return nullptr;
  return CreateWindowEx(preview ? 0 : WS_EX_TOPMOST, kClassName, "Screen Saver", WS_POPUP, x, y, width,
                        height, nullptr, nullptr, hMainInstance, nullptr);
}

// Signals become a close of the saver window from inside the loop.
int signalPipe[2] = {-1, -1};
void onSignal(int) {
  char c = 1;
  ssize_t ignored = write(signalPipe[1], &c, 1);
  (void)ignored;
}
void watchSignals() {
  if (signalPipe[0] >= 0 || pipe(signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    char buffer[16];
    ssize_t ignored = read(signalPipe[0], buffer, sizeof buffer);
    (void)ignored;
    // Not WM_CLOSE: the module may refuse that while it is busy, but it must end now.
    if (IsWindow(hMainWindow)) DestroyWindow(hMainWindow);
    else PostQuitMessage(0);
  });
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

bool signalWaiting() {
  pollfd ready{signalPipe[0], POLLIN, 0};
  return signalPipe[0] >= 0 && poll(&ready, 1, 0) > 0;
}

// The module calls the decoder in a child process and waits for it without running the
// loop, so its window gets no messages meanwhile; a crafted picture could hold the saver
// for as long as the decoder's time limit. The framework therefore watches those waits
// itself: a signal that ends the saver, or (full screen) input that ends it, kills the
// decoder at once. The wait returns as a failed decode, the module carries on to the
// loop, and there the signal or the input ends the saver the usual way. Input that went
// to no window of ours (before the grab) still ends it a moment later.
bool endedDuringDecode = false;

void watchDecoderWaits(bool inputEnds) {
  static InputWatch* input = nullptr;
  if (inputEnds && !input) input = new InputWatch();
  const bool watchInput = inputEnds && input->Active();
  IsolatedCallWatch watch;
  if (signalPipe[0] >= 0) watch.fds.push_back(signalPipe[0]);
  if (watchInput) watch.fds.push_back(input->Fd());
  watch.start = [watchInput] {
    if (watchInput) input->Forget();
  };
  watch.stop = [watchInput] {
    if (signalWaiting()) return endedDuringDecode = true;
    if (!watchInput) return false;
    if (!seenPointer) seenPointer = GetCursorPos(&firstPointer) != FALSE;
    if (!input->SaverEndingInput(firstPointer.x, firstPointer.y, SCREENSAVER_MOVE_THRESHOLD))
      return false;
    endedDuringDecode = true;
    QTimer::singleShot(300, [] {
      if (IsWindow(hMainWindow)) DestroyWindow(hMainWindow);
    });
    return true;
  };
  SetIsolatedCallWatch(std::move(watch));
}

}  // namespace

BOOL ScreenSaverIsEnding() { return endedDuringDecode ? TRUE : FALSE; }

namespace {
bool parseWindowId(const char* text, unsigned long* id) {
  if (!text || !*text) return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text, &end, 0);
  if (!end || *end != '\0' || v == 0 || v > 0xFFFFFFFFull) return false;
  *id = static_cast<unsigned long>(v);
  return true;
}

// A window of another program to draw in (a preview pane, or the window xscreensaver
// made): nullptr when it does not exist.
QWindow* foreignWindow(unsigned long id, QSize* size) {
  int width = 0, height = 0;
  if (QGuiApplication::platformName() != QLatin1String("xcb") || !ForeignWindowSize(id, &width, &height))
    return nullptr;
  QWindow* host = QWindow::fromWinId(static_cast<WId>(id));
  // X counts device pixels; the saver window is laid out in the toolkit's units, which
  // are larger on a scaled display.
  const qreal ratio = host && host->devicePixelRatio() > 0 ? host->devicePixelRatio() : 1.0;
  *size = QSize(qRound(width / ratio), qRound(height / ratio));
  return host;
}

// Puts the saver window inside the host, covering it.
void embedInto(HWND w, QWindow* host, QSize size) {
  SurfaceWidget* s = w->surface;
  s->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  s->setAttribute(Qt::WA_NativeWindow);
  s->winId();
  s->windowHandle()->setParent(host);
  MoveWindow(w, 0, 0, size.width(), size.height(), TRUE);
}

enum class Mode { Configure, FullScreen, Preview, OwnPreview, Root, WindowId, Windowed, Bad };

std::string lower(const char* text) {
  std::string out;
  for (const char* c = text; *c; ++c) out += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  return out;
}

// The old framework's switches: "/x" or "-x", with "/x:value" or "/x value" after it.
bool isFrameworkSwitch(const std::string& a) {
  return a.size() >= 2 && (a[0] == '/' || (a[0] == '-' && (a.size() == 2 || a[2] == ':' || a[2] == ' ')));
}

// Options of xscreensaver's hack convention that take a value. Hosts add others of their
// own (-install, -fps, -no-fps, ...): a hack ignores what it does not use, and so do we.
bool takesValue(const std::string& word) {
  return word == "window-id" || word == "visual" || word == "display" || word == "geometry" ||
         word == "delay" || word == "duration";
}

Mode parseHackOptions(int argc, char** argv, unsigned long* id) {
  Mode mode = Mode::Bad;
  bool sawMode = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = lower(argv[i]);
    if (a.size() < 2 || a[0] != '-') continue;  // a stray word is no reason to fail a host
    std::string word = a.substr(a[1] == '-' ? 2 : 1);
    std::string value;
    bool hasValue = false;
    if (std::size_t eq = word.find('='); eq != std::string::npos) {
      value = std::string(argv[i]).substr(argv[i][1] == '-' ? eq + 3 : eq + 2);
      word.resize(eq);
      hasValue = true;
    } else if (takesValue(word) && i + 1 < argc) {
      value = argv[++i];
      hasValue = true;
    }
    if (word == "root") {
      mode = Mode::Root;
      sawMode = true;
    } else if (word == "window") {
      if (!sawMode) mode = Mode::Windowed;
      sawMode = true;
    } else if (word == "window-id") {
      mode = hasValue && parseWindowId(value.c_str(), id) ? Mode::WindowId : Mode::Bad;
      sawMode = true;
      if (mode == Mode::Bad) return mode;
    }
  }
  if (sawMode) return mode;
  // Only options we do not use: the host says where to draw through the environment, or
  // nothing tells us and it is the configuration dialog, as with no argument at all.
  const char* env = std::getenv("XSCREENSAVER_WINDOW");
  return env && *env ? Mode::Root : Mode::Configure;
}

Mode parse(int argc, char** argv, unsigned long* id) {
  if (argc < 2) {
    const char* env = std::getenv("XSCREENSAVER_WINDOW");
    return env && *env ? Mode::Root : Mode::Configure;
  }
  std::string a = argv[1];
  std::string lowerArg = lower(argv[1]);
  if (!isFrameworkSwitch(lowerArg)) return parseHackOptions(argc, argv, id);
  char sw = lowerArg[1];
  std::string rest = lowerArg.size() > 2 && (lowerArg[2] == ':' || lowerArg[2] == ' ') ? a.substr(3) : "";
  switch (sw) {
    case 's': return Mode::FullScreen;
    case 'c': return Mode::Configure;
    case 'a': return Mode::Configure;  // password change: there are no saver passwords here
    case 'p':
    case 'l': {
      const char* idText = !rest.empty() ? rest.c_str() : (argc > 2 ? argv[2] : nullptr);
      if (!idText) return Mode::OwnPreview;
      return parseWindowId(idText, id) ? Mode::Preview : Mode::Bad;
    }
    default: return Mode::Bad;
  }
}
}  // namespace

LRESULT WINAPI DefScreenSaverProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(w)) return 0;
  bool ends = inputEnds && !fChildPreview;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:  // a wheel turn is a button press to X, and a sign of life as well
      if (ends) PostMessage(w, WM_CLOSE, 0, 0);
      break;
    case WM_MOUSEMOVE: {
      if (!ends) break;
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(w, &p);
      if (!seenPointer) {
        seenPointer = true;
        firstPointer = p;
      } else if (std::abs(p.x - firstPointer.x) > SCREENSAVER_MOVE_THRESHOLD ||
                 std::abs(p.y - firstPointer.y) > SCREENSAVER_MOVE_THRESHOLD) {
        PostMessage(w, WM_CLOSE, 0, 0);
      }
      break;
    }
    case WM_SETCURSOR:
      if (!fChildPreview) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      if (wParam == SC_SCREENSAVE || wParam == SC_CLOSE) return FALSE;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProc(w, message, wParam, lParam);
}

BOOL GetScreenSaverViewRect(HWND window, RECT* rect) {
  if (!rect || !GetClientRect(window, rect)) return FALSE;
  const QRect client(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  const QRect area = showArea.isEmpty() ? client : showArea.intersected(client);
  if (area.isEmpty()) return TRUE;
  SetRect(rect, area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
  return TRUE;
}

HWND CreateScreenSaverWindowForTesting(int width, int height, BOOL preview) {
  inputEnds = true;
  showArea = QRect();
  HWND w = makeSaverWindow(0, 0, width, height, preview != FALSE);
  if (w) ShowWindow(w, SW_SHOWNA);
  return w;
}

int ScreenSaverMain(int argc, char** argv) {
  unsigned long id = 0;
  Mode mode = parse(argc, argv, &id);
  if (mode == Mode::Bad) {
    std::fprintf(stderr,
                 "usage: %s [/s | /c | /p <window id> | -root | -window-id <window id> | -window]\n",
                 argc > 0 ? argv[0] : "saver");
    return 1;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool waylandDesktop = mode == Mode::FullScreen && wayland && *wayland;
  if (mode == Mode::FullScreen || mode == Mode::Root) PreferXDisplay();
  StartUserInterface(argc, argv);
  hMainInstance = GetModuleHandle(nullptr);

  if (mode == Mode::Configure) {
    if (!RegisterDialogClasses(hMainInstance)) return 1;
    INT_PTR r = DialogBox(hMainInstance, MAKEINTRESOURCE(DLG_SCRNSAVECONFIGURE), nullptr, ScreenSaverConfigureDialog);
    return r == -1 ? 1 : 0;
  }

  watchSignals();
  if (mode == Mode::Root) {
    const char* env = std::getenv("XSCREENSAVER_WINDOW");
    if (env && *env) {
      if (!parseWindowId(env, &id)) return 1;
      mode = Mode::WindowId;
    }
  }
  watchDecoderWaits(mode == Mode::FullScreen);
  QScreen* screen = QGuiApplication::primaryScreen();
  QRect whole = screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
  HWND w = nullptr;
  inputEnds = true;
  switch (mode) {
    case Mode::FullScreen:
    case Mode::Root:
      inputEnds = mode == Mode::FullScreen;
      // Known before the window's first message, which starts the show.
      if (screen && screen->geometry() != whole) showArea = screen->geometry().translated(-whole.topLeft());
      w = makeSaverWindow(whole.x(), whole.y(), whole.width(), whole.height(), false);
      if (w) {
        // A Wayland compositor gives the keyboard to the windows it manages: a window that
        // bypasses it (XWayland's override-redirect) may stay without input there, under a
        // panel. A full-screen window of its own stands above the panels and has the focus.
        w->surface->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                   (waylandDesktop ? Qt::WindowFlags() : Qt::X11BypassWindowManagerHint));
        w->surface->setGeometry(whole);
      }
      break;
    case Mode::Preview:
    case Mode::WindowId:
    {
      inputEnds = false;
      QSize size;
      QWindow* host = foreignWindow(id, &size);
      if (!host) {
        std::fprintf(stderr, "%s: no window 0x%lx to draw in\n", argc > 0 ? argv[0] : "saver", id);
        return 1;
      }
      // The module sees the host's size from its first message on.
      w = makeSaverWindow(0, 0, size.width(), size.height(), mode == Mode::Preview);
      if (w) embedInto(w, host, size);
      break;
    }
    case Mode::OwnPreview:
      w = makeSaverWindow(100, 100, 152, 112, true);
      break;
    case Mode::Windowed:
      inputEnds = false;
      w = makeSaverWindow(100, 100, 640, 480, false);
      break;
    default:
      break;
  }
  if (!w) return 1;
  if (IsWindow(w)) ShowWindow(w, SW_SHOW);
  if (mode == Mode::FullScreen && IsWindow(w) && w->surface) {
    if (waylandDesktop) w->surface->showFullScreen();
    w->surface->activateWindow();
    w->surface->setFocus();
    w->surface->grabKeyboard();
    w->surface->grabMouse();
  }
  int code = RunMessageLoop();
  if (IsWindow(w)) DestroyWindow(w);
  PumpMessages(0);
  (void)code;
  return 0;
}
