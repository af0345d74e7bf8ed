// Windows with window procedures on Qt. A top-level window is a QWidget that shows a
// QImage surface; child windows are rectangles on that surface. Qt input becomes
// WM_* messages; posted messages, paints and timers go through one dispatcher object so
// that they run from whichever Qt event loop is spinning (the program's or a modal one).
#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cmath>
#include <dlfcn.h>
#include <cctype>
#include <cstring>
#include <map>
#include <unordered_set>
#include <vector>

#include "platform/gdi.h"
#include "platform/qt/framework_internal.h"
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"
#include "platform/qt/window_surface.h"
#include "platform/window.h"

// ---- Small helpers ----------------------------------------------------------------------------
int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long product = static_cast<long long>(number) * numerator;
  long long d = denominator;
  bool negative = (product < 0) != (d < 0);
  unsigned long long a = product < 0 ? static_cast<unsigned long long>(-product) : static_cast<unsigned long long>(product);
  unsigned long long b = d < 0 ? static_cast<unsigned long long>(-d) : static_cast<unsigned long long>(d);
  unsigned long long q = (a + b / 2) / b;  // halves away from zero
  if (q > 0x7FFFFFFFull + (negative ? 1 : 0)) return -1;
  return negative ? static_cast<int>(-static_cast<long long>(q)) : static_cast<int>(q);
}

BOOL SetRect(RECT* r, int l, int t, int rt, int b) {
  if (!r) return FALSE;
  *r = RECT{l, t, rt, b};
  return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx; r->right += dx; r->top += dy; r->bottom += dy;
  return TRUE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

namespace {
QRect toQRect(const RECT& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }
RECT toRECT(const QRect& r) {
  if (r.isEmpty()) return RECT{};
  return RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

struct InstanceObjectImpl {};

std::unordered_set<HWND>& liveWindows() {
  static std::unordered_set<HWND> s;
  return s;
}
std::map<std::string, WindowClassInfo*>& classes() {
  static std::map<std::string, WindowClassInfo*> m;
  return m;
}
std::string lower(const char* s) {
  std::string r = s ? s : "";
  for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}
QElapsedTimer& uptime() {
  static QElapsedTimer t;
  if (!t.isValid()) t.start();
  return t;
}

bool quitPosted = false;
int quitCode = 0;
}  // namespace

HINSTANCE GetModuleHandle(LPCSTR) {
  static InstanceObjectImpl instance;
  return reinterpret_cast<HINSTANCE>(&instance);
}

// ---- The dispatcher: posted messages, paints, timers ---------------------------------------
namespace {
constexpr QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::User + 701);
constexpr QEvent::Type kPaintDue = static_cast<QEvent::Type>(QEvent::User + 702);

struct PostedMessage : QEvent {
  PostedMessage(const MSG& m) : QEvent(kPostedMessage), msg(m) {}
  MSG msg;
};
struct PaintDue : QEvent {
  explicit PaintDue(HWND w) : QEvent(kPaintDue), window(w) {}
  HWND window;
};

struct TimerEntry {
  HWND window;
  UINT_PTR id;
  TIMERPROC proc;
};

class Dispatcher : public QObject {
 public:
  std::map<int, TimerEntry> timers;  // Qt timer id -> the caller's timer

  int find(HWND w, UINT_PTR id) const {
    for (auto& [qt, e] : timers)
      if (e.window == w && e.id == id) return qt;
    return 0;
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == kPostedMessage) {
      MSG m = static_cast<PostedMessage*>(e)->msg;
      if (m.hwnd == nullptr) return true;
      if (IsLiveWindow(m.hwnd)) SendMessage(m.hwnd, m.message, m.wParam, m.lParam);
      return true;
    }
    if (e->type() == kPaintDue) {
      HWND w = static_cast<PaintDue*>(e)->window;
      if (IsLiveWindow(w)) {
        w->paintQueued = false;
        HWND top = SurfaceOwner(w, nullptr);
        // A window that is shown but not yet on the screen paints once it is there, so
        // that drawing paced by Sleep is seen.
        if (top && top->visible && top->surface && top->surface->windowHandle() &&
            !top->surface->windowHandle()->isExposed())
          return true;
        if (!w->update.isEmpty() && (w->kind == WindowObject::Kind::Surface || w->kind == WindowObject::Kind::Child))
          SendMessage(w, WM_PAINT, 0, 0);
      }
      return true;
    }
    return QObject::event(e);
  }
  void timerEvent(QTimerEvent* e) override {
    auto it = timers.find(e->timerId());
    if (it == timers.end()) return;
    TimerEntry entry = it->second;
    DWORD now = GetTickCount();
    if (entry.proc) {
      entry.proc(entry.window, WM_TIMER, entry.id, now);
    } else if (IsLiveWindow(entry.window)) {
      SendMessage(entry.window, WM_TIMER, entry.id, 0);
    }
  }
};

Dispatcher& dispatcher() {
  static Dispatcher* d = new Dispatcher;
  return *d;
}

void queuePaint(HWND w) {
  if (w->paintQueued) return;
  w->paintQueued = true;
  // Paints come after everything else waiting, as the old loop made them.
  QCoreApplication::postEvent(&dispatcher(), new PaintDue(w), Qt::LowEventPriority);
}

// ---- Cursor state ----------------------------------------------------------------------------
struct CursorImpl {
  Qt::CursorShape shape;
};
HCURSOR currentCursor = nullptr;
bool cursorChosen = false;

Qt::CursorShape effectiveShape() {
  if (!cursorChosen) return Qt::ArrowCursor;
  return currentCursor ? reinterpret_cast<CursorImpl*>(currentCursor)->shape : Qt::BlankCursor;
}
void applyCursor() {
  Qt::CursorShape shape = effectiveShape();
  for (HWND w : liveWindows())
    if (w->surface) w->surface->setCursor(shape);
}
}  // namespace

// ---- Window bookkeeping --------------------------------------------------------------------
bool IsLiveWindow(HWND w) { return w && liveWindows().count(w) && !w->destroying; }

HWND SurfaceOwner(HWND w, QPoint* offset) {
  QPoint off;
  while (w && w->kind == WindowObject::Kind::Child) {
    off += w->rect.topLeft();
    w = w->parent;
  }
  if (offset) *offset = off;
  return (w && w->kind == WindowObject::Kind::Surface) ? w : nullptr;
}

QRect VisibleClientRect(HWND w) {
  QPoint off;
  HWND top = SurfaceOwner(w, &off);
  if (!top) return {};
  QRect r(off, w->rect.size());
  for (HWND p = w->parent; p && p->kind == WindowObject::Kind::Child; p = p->parent) {
    QPoint poff;
    SurfaceOwner(p, &poff);
    r &= QRect(poff, p->rect.size());
  }
  return r & QRect(QPoint(0, 0), top->rect.size());
}

QImage* SurfaceImage(HWND top) {
  if (!top || !top->surface) return nullptr;
  return &top->surface->image;
}

namespace {
std::unordered_set<HWND>& dirtyWindows() {
  static std::unordered_set<HWND> s;
  return s;
}
}  // namespace

void MarkSurfaceDirty(HWND top, const QRect& r) {
  if (!top || !top->surface) return;
  top->surface->dirty += r;
  if (!top->surface->drawnThrough.isEmpty()) top->surface->drawnThrough -= r;
  dirtyWindows().insert(top);
}

namespace {
qint64 serialOf(const QImage& image) { return image.cacheKey() >> 32; }  // not its edits

bool onX11() {
  static const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  return x11;
}
}  // namespace

// Only on X: there the backing image stays in this process and the server reads from it
// only when asked; a Wayland buffer may be the compositor's until it lets it go.
QImage* BackingImageForDrawing(HWND top) {
  if (!top || !top->surface || !onX11()) return nullptr;
  SurfaceWidget* s = top->surface;
  if (!s->straightSerial || !s->moves.empty() || !s->isVisible()) return nullptr;
  QWindow* handle = s->windowHandle();
  if (!handle || !handle->isExposed()) return nullptr;
  QBackingStore* store = s->backingStore();
  QPaintDevice* device = store ? store->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* backing = static_cast<QImage*>(device);
  if (serialOf(*backing) != s->straightSerial || backing->size() != s->image.size() || !backing->isDetached())
    return nullptr;
  return backing;
}

void MarkSurfaceDrawnThrough(HWND top, const QRect& r, const QImage& backing) {
  if (!top || !top->surface) return;
  MarkSurfaceDirty(top, r);
  SurfaceWidget* s = top->surface;
  const qint64 serial = serialOf(backing);
  if (serial != s->throughSerial) s->drawnThrough = QRegion();
  s->throughSerial = serial;
  s->drawnThrough += r;
}

void MarkSurfaceScrolled(HWND top, const QRect& r, QPoint d) {
  if (!top || !top->surface) return;
  SurfaceWidget* s = top->surface;
  // The toolkit moves its backing image too; what was drawn through is copied again.
  s->drawnThrough = QRegion();
  // What was drawn but not yet shown moved along with the rest.
  if (!s->dirty.isEmpty()) s->dirty += s->dirty.translated(d) & r;
  constexpr std::size_t kMaxPendingMoves = 16;
  if (s->moves.size() < kMaxPendingMoves) s->moves.push_back({r, d});
  else s->dirty += r;
  dirtyWindows().insert(top);
}

namespace {
// repaint() hands the pixels to the X connection, which sends them only when its buffer is
// flushed, normally by the event loop. Drawing that sleeps inside one paint must be seen
// at once, so the connection is flushed here; libxcb is already loaded by Qt's X11 plugin.
void flushDisplayConnection() {
  using FlushFn = int (*)(void*);
  static FlushFn flush = [] {
    void* lib = dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
    return lib ? reinterpret_cast<FlushFn>(dlsym(lib, "xcb_flush")) : nullptr;
  }();
  if (!flush) return;
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 && x11->connection()) flush(x11->connection());
}

qint64 lastPresented = -1;  // uptime in ms when drawing last reached the screen
}  // namespace

void PresentSurfaces() {
  auto windows = dirtyWindows();
  dirtyWindows().clear();
  bool shown = false;
  for (HWND w : windows) {
    if (!liveWindows().count(w) || !w->surface) continue;
    const QRegion r = w->surface->dirty;
    w->surface->dirty = QRegion();
    const std::vector<SurfaceWidget::Move> moves = std::move(w->surface->moves);
    w->surface->moves.clear();
    if (!w->surface->isVisible()) {
      w->surface->drawnThrough = QRegion();
      continue;
    }
    // The toolkit moves what the window already shows (on X, a copy on the server) and
    // asks for what the move uncovered, which the next paint draws from the surface.
    QRegion paint(r);
    for (const SurfaceWidget::Move& m : moves) {
      w->surface->scroll(m.delta.x(), m.delta.y(), m.rect);
      paint += QRegion(m.rect) - QRegion(m.rect.translated(m.delta) & m.rect);
    }
    if (!paint.isEmpty()) {
      w->surface->repaint(paint);
      shown = true;
    }
  }
  if (shown) {
    flushDisplayConnection();
    lastPresented = uptime().elapsed();
  }
}

HWND RegisterForeignWindow(WindowObject::Kind kind, QWidget* widget, HWND parent, int id) {
  auto* w = new WindowObject;
  w->kind = kind;
  w->widget = widget;
  w->parent = parent;
  w->controlId = id;
  w->visible = widget ? !widget->isHidden() : false;
  if (parent) parent->children.push_back(w);
  liveWindows().insert(w);
  return w;
}

void ForgetWindow(HWND w) {
  if (!w || !liveWindows().count(w)) return;
  for (HWND c : std::vector<HWND>(w->children)) ForgetWindow(c);
  if (w->parent && liveWindows().count(w->parent)) {
    auto& siblings = w->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
  }
  liveWindows().erase(w);
  dirtyWindows().erase(w);
  delete w;
}

// ---- The surface widget ----------------------------------------------------------------------
namespace {
WPARAM vkFromQt(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WPARAM>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WPARAM>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<WPARAM>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return VK_LWIN;
    case Qt::Key_Super_R: return VK_RWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    default: return 0xFF;  // a key the old keyboard had no code for; still a key press
  }
}

WPARAM mouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  WPARAM k = 0;
  if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
  if (buttons & Qt::RightButton) k |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
  if (mods & Qt::ShiftModifier) k |= MK_SHIFT;
  if (mods & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}

// The deepest visible child under a client point of a window, and the point in its client
// coordinates.
HWND hitTest(HWND w, QPoint* p) {
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    HWND c = *it;
    if (!IsLiveWindow(c) || c->kind != WindowObject::Kind::Child || !c->visible) continue;
    if (c->rect.contains(*p)) {
      *p -= c->rect.topLeft();
      return hitTest(c, p);
    }
  }
  return w;
}

void sendMouse(HWND top, UINT message, const QPointF& pos, WPARAM keys) {
  QPoint p = pos.toPoint();
  HWND target = hitTest(top, &p);
  SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(HTCLIENT, static_cast<int>(message)));
  if (IsLiveWindow(target)) SendMessage(target, message, keys, MAKELPARAM(p.x(), p.y()));
}

UINT buttonMessage(Qt::MouseButton b, int kind) {  // kind 0 down, 1 up, 2 double
  UINT base = b == Qt::RightButton ? WM_RBUTTONDOWN : b == Qt::MiddleButton ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
  return base + static_cast<UINT>(kind);
}
}  // namespace

SurfaceWidget::SurfaceWidget(HWND owner) : owner_(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(effectiveShape());
}

HWND SurfaceWidget::keyTarget() const {
  HWND f = owner_->focusChild;
  return IsLiveWindow(f) ? f : owner_;
}

namespace {
// The window's backing image, when the painter would only translate the surface's rows
// into it (by `offset`): the saver's blinds show sixteen one-pixel columns a step, which
// the painter draws a pixel a call. nullptr when the toolkit paints otherwise (a scaled
// display, another engine or format); the painter then draws.
QImage* straightTarget(QPainter& p, const QImage& image, QPoint* offset) {
  QPaintEngine* engine = p.paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster || image.format() != QImage::Format_RGB32) return nullptr;
  QPaintDevice* device = engine->paintDevice();
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* target = static_cast<QImage*>(device);
  if ((target->format() != QImage::Format_RGB32 && target->format() != QImage::Format_ARGB32_Premultiplied) ||
      !target->isDetached())
    return nullptr;
  const QTransform t = p.deviceTransform();
  if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
    return nullptr;
  *offset = QPoint(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
  return target;
}

// Copies the surface's rows in `region` into the backing image from straightTarget.
void copyStraight(QImage* target, QPoint offset, const QImage& image, const QRegion& region) {
  const qsizetype targetStride = target->bytesPerLine(), sourceStride = image.bytesPerLine();
  uchar* targetBits = target->bits();
  const uchar* sourceBits = image.constBits();
  const QRect bounds = image.rect() & target->rect().translated(-offset);
  // A region keeps its rectangles in bands of equal height (the blinds' sixteen columns
  // are one band). A band is copied a row at a time across all its rectangles: on X the
  // backing image is shared memory in small pages, and walking down one column after
  // another would touch a new page every row, sixteen times over.
  std::vector<QRect> band;
  for (auto it = region.begin(); it != region.end();) {
    const int top = it->top(), bottom = it->bottom();
    band.clear();
    for (; it != region.end() && it->top() == top && it->bottom() == bottom; ++it) {
      const QRect from = *it & bounds;
      if (!from.isEmpty()) band.push_back(from);
    }
    if (band.empty()) continue;
    // Each narrow column costs a cache line of both images a row, and on a large screen
    // they no longer lie in the cache a refresh later: the rows ahead are fetched
    // meanwhile, as the blit that drew them does.
    const int last = band.front().bottom();
    for (int y = band.front().top(); y <= last; ++y) {
      uchar* to = targetBits + (y + offset.y()) * targetStride + offset.x() * 4;
      const uchar* row = sourceBits + y * sourceStride;
      for (const QRect& from : band) {
        if (from.width() <= 4) {
          if (y + kColumnRowsAhead <= last) {
            __builtin_prefetch(to + kColumnRowsAhead * targetStride + from.left() * 4, 1);
            __builtin_prefetch(row + kColumnRowsAhead * sourceStride + from.left() * 4);
          }
          for (int x = from.left(); x <= from.right(); ++x)
            reinterpret_cast<QRgb*>(to)[x] = reinterpret_cast<const QRgb*>(row)[x];
        } else
          std::memcpy(to + from.left() * 4, row + from.left() * 4, static_cast<std::size_t>(from.width()) * 4);
      }
    }
  }
}
}  // namespace

void SurfaceWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  QPoint offset;
  QImage* target = straightTarget(p, image, &offset);
  straightSerial = target && offset.isNull() ? serialOf(*target) : 0;
  QRegion region = e->region();
  if (!drawnThrough.isEmpty()) {
    if (straightSerial && straightSerial == throughSerial) region -= drawnThrough;
    drawnThrough -= e->region();
  }
  if (target)
    copyStraight(target, offset, image, region);
  else
    for (const QRect& r : region) p.drawImage(r, image, r);
  // Paints held back until the window reached the screen.
  std::vector<HWND> pending{owner_};
  while (!pending.empty()) {
    HWND w = pending.back();
    pending.pop_back();
    if (!IsLiveWindow(w)) continue;
    if (!w->update.isEmpty()) queuePaint(w);
    for (HWND c : w->children) pending.push_back(c);
  }
}

void SurfaceWidget::resizeEvent(QResizeEvent*) {
  drawnThrough = QRegion();
  if (!IsLiveWindow(owner_)) return;
  QSize old = image.size();
  if (old == size()) return;
  const QSize nextSize = size().expandedTo(QSize(1, 1));
  QImage next = NewSurfaceImage(nextSize.width(), nextSize.height());
  QPainter(&next).drawImage(0, 0, image);
  image = next;
  owner_->rect.setSize(size());
  SendMessage(owner_, WM_SIZE, 0, MAKELPARAM(width(), height()));
  UINT cs = owner_->cls ? owner_->cls->wc.style : 0;
  if ((cs & CS_HREDRAW && old.width() != width()) || (cs & CS_VREDRAW && old.height() != height()) || old.isEmpty()) {
    InvalidateRect(owner_, nullptr, TRUE);
  } else {
    QRegion fresh = QRegion(rect()) - QRegion(QRect(QPoint(0, 0), old));
    for (const QRect& r : fresh) {
      RECT rr = toRECT(r);
      InvalidateRect(owner_, &rr, TRUE);
    }
  }
}

bool SurfaceWidget::event(QEvent* e) {
  // Tab belongs to the window procedure, not to Qt's focus chain.
  if (e->type() == QEvent::KeyPress) {
    keyPressEvent(static_cast<QKeyEvent*>(e));
    return true;
  }
  if (e->type() == QEvent::ShortcutOverride) {
    e->accept();
    return true;
  }
  return QWidget::event(e);
}

void SurfaceWidget::keyPressEvent(QKeyEvent* e) {
  if (!IsLiveWindow(owner_)) return;
  bool alt = e->modifiers() & Qt::AltModifier;
  WPARAM vk = vkFromQt(e->key());
  LPARAM lp = 1 | ((static_cast<LPARAM>(e->nativeScanCode()) & 0xFF) << 16) | (alt ? (1 << 29) : 0) |
              (e->isAutoRepeat() ? (1 << 30) : 0);
  HWND target = keyTarget();
  // F10 is the key of the window menu, so it comes as a system key, as Alt combinations do.
  constexpr WPARAM kMenuKey = VK_F1 + 9;
  SendMessage(target, alt || vk == kMenuKey ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
  // The character the key makes, as the old TranslateMessage produced it (8-bit).
  if (!IsLiveWindow(target)) return;
  const QString text = e->text();
  for (QChar c : text) {
    char16_t u = c.unicode();
    if (u == 0 || (u < 0x20 && u != '\t' && u != '\r' && u != 0x1B && u != '\b')) continue;
    WPARAM ch = u < 0x100 ? u : '?';
    SendMessage(target, alt ? WM_SYSCHAR : WM_CHAR, ch, lp);
    if (!IsLiveWindow(target)) return;
  }
}

void SurfaceWidget::keyReleaseEvent(QKeyEvent* e) {
  if (!IsLiveWindow(owner_) || e->isAutoRepeat()) return;
  bool alt = e->modifiers() & Qt::AltModifier;
  LPARAM lp = 1 | ((static_cast<LPARAM>(e->nativeScanCode()) & 0xFF) << 16) | (1 << 30) |
              (static_cast<LPARAM>(1) << 31);
  SendMessage(keyTarget(), alt ? WM_SYSKEYUP : WM_KEYUP, vkFromQt(e->key()), lp);
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* e) {
  if (IsLiveWindow(owner_)) sendMouse(owner_, WM_MOUSEMOVE, e->position(), mouseKeys(e->buttons(), e->modifiers()));
}
void SurfaceWidget::mousePressEvent(QMouseEvent* e) {
  if (IsLiveWindow(owner_)) sendMouse(owner_, buttonMessage(e->button(), 0), e->position(), mouseKeys(e->buttons(), e->modifiers()));
}
void SurfaceWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (IsLiveWindow(owner_)) sendMouse(owner_, buttonMessage(e->button(), 1), e->position(), mouseKeys(e->buttons(), e->modifiers()));
}
void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (!IsLiveWindow(owner_)) return;
  bool doubles = owner_->cls && (owner_->cls->wc.style & CS_DBLCLKS);
  sendMouse(owner_, buttonMessage(e->button(), doubles ? 2 : 0), e->position(), mouseKeys(e->buttons(), e->modifiers()));
}
void SurfaceWidget::wheelEvent(QWheelEvent* e) {
  if (!IsLiveWindow(owner_)) return;
  QPoint global = e->globalPosition().toPoint();
  WPARAM wp = MAKEWPARAM(static_cast<int>(mouseKeys(e->buttons(), e->modifiers())), e->angleDelta().y());
  SendMessage(keyTarget(), WM_MOUSEWHEEL, wp, MAKELPARAM(global.x(), global.y()));
}
void SurfaceWidget::focusInEvent(QFocusEvent*) {
  if (IsLiveWindow(owner_)) SendMessage(keyTarget(), WM_SETFOCUS, 0, 0);
}
void SurfaceWidget::focusOutEvent(QFocusEvent*) {
  if (IsLiveWindow(owner_)) SendMessage(keyTarget(), WM_KILLFOCUS, 0, 0);
}
void SurfaceWidget::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && IsLiveWindow(owner_)) {
    bool active = isActiveWindow();
    SendMessage(owner_, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
    if (IsLiveWindow(owner_)) SendMessage(owner_, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
  }
  QWidget::changeEvent(e);
}
void SurfaceWidget::closeEvent(QCloseEvent* e) {
  // The close box asks the procedure, which decides (DefWindowProc destroys).
  e->ignore();
  if (IsLiveWindow(owner_)) SendMessage(owner_, WM_CLOSE, 0, 0);
}

// ---- Classes ---------------------------------------------------------------------------------
ATOM RegisterClass(const WNDCLASS* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc || !*wc->lpszClassName) return 0;
  std::string key = lower(wc->lpszClassName);
  if (classes().count(key)) return 0;
  static ATOM next = 0xC000;
  auto* info = new WindowClassInfo;
  info->name = wc->lpszClassName;
  info->wc = *wc;
  info->wc.lpszClassName = info->name.c_str();
  info->wc.lpszMenuName = nullptr;
  info->atom = next++;
  classes()[key] = info;
  return info->atom;
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
  auto it = classes().find(lower(className));
  if (it == classes().end() || it->second->windows > 0) return FALSE;
  delete it->second;
  classes().erase(it);
  return TRUE;
}

// ---- Creating and destroying -----------------------------------------------------------------
HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  if (!QApplication::instance()) return nullptr;
  auto it = classes().find(lower(className));
  if (it == classes().end()) return nullptr;
  if (parent && !IsLiveWindow(parent)) return nullptr;
  bool child = style & WS_CHILD;
  if (child && (!parent || SurfaceOwner(parent, nullptr) == nullptr)) return nullptr;
  if (x == CW_USEDEFAULT) x = 0;
  if (y == CW_USEDEFAULT) y = 0;
  if (width == CW_USEDEFAULT || width < 0) width = child ? 0 : 640;
  if (height == CW_USEDEFAULT || height < 0) height = child ? 0 : 480;
  width = std::min(width, 32767);
  height = std::min(height, 32767);

  auto* w = new WindowObject;
  w->kind = child ? WindowObject::Kind::Child : WindowObject::Kind::Surface;
  w->cls = it->second;
  w->proc = it->second->wc.lpfnWndProc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->parent = parent;
  w->rect = QRect(x, y, width, height);
  w->text = windowName ? windowName : "";
  w->enabled = !(style & WS_DISABLED);
  liveWindows().insert(w);
  ++w->cls->windows;
  if (child) {
    parent->children.push_back(w);
  } else {
    auto* s = new SurfaceWidget(w);
    Qt::WindowFlags flags = Qt::Window;
    if (style & WS_POPUP) flags |= Qt::FramelessWindowHint;
    if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
    if (exStyle & WS_EX_TOOLWINDOW) flags |= Qt::Tool;
    s->setWindowFlags(flags);
    s->setWindowTitle(QString::fromUtf8(w->text.c_str()));
    s->image = NewSurfaceImage(std::max(width, 1), std::max(height, 1));
    s->setGeometry(x, y, width, height);
    w->surface = s;
  }

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  LPARAM lp = reinterpret_cast<LPARAM>(&cs);
  if (!SendMessage(w, WM_NCCREATE, 0, lp) || !IsLiveWindow(w) || SendMessage(w, WM_CREATE, 0, lp) == -1 ||
      !IsLiveWindow(w)) {
    if (IsLiveWindow(w)) DestroyWindow(w);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
  return w;
}

BOOL DestroyWindow(HWND w) {
  if (!IsLiveWindow(w) || w->dying) return FALSE;
  if (w->kind == WindowObject::Kind::Dialog || w->kind == WindowObject::Kind::Control) return FALSE;
  w->dying = true;  // a procedure that destroys its window again from WM_DESTROY is ignored
  if (w->visible && w->kind == WindowObject::Kind::Child) ShowWindow(w, SW_HIDE);
  SendMessage(w, WM_DESTROY, 0, 0);
  for (HWND c : std::vector<HWND>(w->children))
    if (IsLiveWindow(c)) DestroyWindow(c);
  SendMessage(w, WM_NCDESTROY, 0, 0);
  w->destroying = true;
  for (auto it = dispatcher().timers.begin(); it != dispatcher().timers.end();) {
    if (it->second.window == w) {
      dispatcher().killTimer(it->first);
      it = dispatcher().timers.erase(it);
    } else {
      ++it;
    }
  }
  if (w->cls) --w->cls->windows;
  if (w->surface) {
    SurfaceWidget* s = w->surface;
    s->hide();
    s->deleteLater();
  }
  // Messages already queued for it find no window; the object goes once the procedure
  // that may still be running for it has returned.
  HWND dead = w;
  QTimer::singleShot(0, [dead] { ForgetWindow(dead); });
  return TRUE;
}

BOOL IsWindow(HWND w) { return IsLiveWindow(w) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND w) {
  for (HWND p = w; p; p = p->parent) {
    if (!IsLiveWindow(p) || !p->visible) return FALSE;
    if (p->kind != WindowObject::Kind::Child) break;
  }
  return IsLiveWindow(w) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND w, int command) {
  if (!IsLiveWindow(w)) return FALSE;
  bool was = w->visible;
  bool show = command != SW_HIDE && command != SW_MINIMIZE;
  if (w->kind == WindowObject::Kind::Dialog || w->kind == WindowObject::Kind::Control) {
    if (w->widget) w->widget->setVisible(show);
    w->visible = show;
    return was ? TRUE : FALSE;
  }
  if (show == was) return was ? TRUE : FALSE;
  SendMessage(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!IsLiveWindow(w)) return was ? TRUE : FALSE;
  w->visible = show;
  if (w->kind == WindowObject::Kind::Surface) {
    if (show) {
      if (command == SW_SHOWMAXIMIZED) w->surface->showMaximized();
      else w->surface->show();
      if (command != SW_SHOWNOACTIVATE && command != SW_SHOWNA) {
        w->surface->raise();
        w->surface->activateWindow();
      }
      InvalidateRect(w, nullptr, TRUE);
    } else {
      w->surface->hide();
    }
  } else if (show) {
    InvalidateRect(w, nullptr, TRUE);
  } else if (w->parent) {
    // The parent must repaint what the child covered.
    RECT covered = toRECT(w->rect);
    InvalidateRect(w->parent, &covered, TRUE);
  }
  return was ? TRUE : FALSE;
}

BOOL MoveWindow(HWND w, int x, int y, int width, int height, BOOL repaint) {
  if (!IsLiveWindow(w)) return FALSE;
  width = std::clamp(width, 0, 32767);
  height = std::clamp(height, 0, 32767);
  QRect old = w->rect;
  QRect next(x, y, width, height);
  if (w->kind == WindowObject::Kind::Surface) {
    w->rect = next;
    w->surface->setGeometry(next);  // resizeEvent sends WM_SIZE and invalidates
    if (old.topLeft() != next.topLeft()) SendMessage(w, WM_MOVE, 0, MAKELPARAM(x, y));
    return TRUE;
  }
  if (w->kind != WindowObject::Kind::Child) {
    if (w->widget) w->widget->setGeometry(next);
    w->rect = next;
    return TRUE;
  }
  w->rect = next;
  if (old.topLeft() != next.topLeft()) SendMessage(w, WM_MOVE, 0, MAKELPARAM(x, y));
  if (old.size() != next.size()) SendMessage(w, WM_SIZE, 0, MAKELPARAM(width, height));
  if (repaint && IsLiveWindow(w)) {
    InvalidateRect(w, nullptr, TRUE);
    if (w->visible && w->parent) {
      RECT uncovered = toRECT(old);
      InvalidateRect(w->parent, &uncovered, TRUE);
    }
  }
  return TRUE;
}

BOOL GetClientRect(HWND w, RECT* r) {
  if (!IsLiveWindow(w) || !r) return FALSE;
  QSize size = w->rect.size();
  if (w->widget) size = w->widget->size();
  *r = RECT{0, 0, size.width(), size.height()};
  return TRUE;
}

namespace {
QPoint clientOrigin(HWND w) {
  if (w->widget) return w->widget->mapToGlobal(QPoint(0, 0));
  QPoint off;
  HWND top = SurfaceOwner(w, &off);
  if (!top) return {};
  QPoint base = top->surface && top->surface->isVisible() ? top->surface->mapToGlobal(QPoint(0, 0)) : top->rect.topLeft();
  return base + off;
}
}  // namespace

BOOL GetWindowRect(HWND w, RECT* r) {
  if (!IsLiveWindow(w) || !r) return FALSE;
  QPoint o = clientOrigin(w);
  RECT c;
  GetClientRect(w, &c);
  *r = RECT{o.x(), o.y(), o.x() + c.right, o.y() + c.bottom};
  return TRUE;
}

BOOL ClientToScreen(HWND w, POINT* p) {
  if (!IsLiveWindow(w) || !p) return FALSE;
  QPoint o = clientOrigin(w);
  p->x += o.x();
  p->y += o.y();
  return TRUE;
}

BOOL ScreenToClient(HWND w, POINT* p) {
  if (!IsLiveWindow(w) || !p) return FALSE;
  QPoint o = clientOrigin(w);
  p->x -= o.x();
  p->y -= o.y();
  return TRUE;
}

BOOL SetWindowText(HWND w, LPCSTR text) {
  if (!IsLiveWindow(w)) return FALSE;
  if (w->kind == WindowObject::Kind::Dialog || w->kind == WindowObject::Kind::Control)
    return SendMessage(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
  w->text = text ? text : "";
  if (w->surface) w->surface->setWindowTitle(QString::fromUtf8(w->text.c_str()));
  return TRUE;
}

int GetWindowText(HWND w, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  if (!IsLiveWindow(w)) return 0;
  return static_cast<int>(SendMessage(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

BOOL EnableWindow(HWND w, BOOL enable) {
  if (!IsLiveWindow(w)) return FALSE;
  bool wasDisabled = !w->enabled;
  w->enabled = enable != FALSE;
  if (w->widget) w->widget->setEnabled(w->enabled);
  if (w->surface) w->surface->setEnabled(w->enabled);
  if (wasDisabled == !w->enabled) return wasDisabled ? TRUE : FALSE;
  SendMessage(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND w) { return IsLiveWindow(w) && w->enabled ? TRUE : FALSE; }

namespace {
HWND focusWindow = nullptr;
}

HWND SetFocus(HWND w) {
  HWND old = IsLiveWindow(focusWindow) ? focusWindow : nullptr;
  if (!w) {
    focusWindow = nullptr;
    return old;
  }
  if (!IsLiveWindow(w)) return nullptr;
  if (w->widget) {
    w->widget->setFocus(Qt::OtherFocusReason);
  } else {
    HWND top = SurfaceOwner(w, nullptr);
    if (top) {
      top->focusChild = w == top ? nullptr : w;
      if (top->surface) top->surface->setFocus(Qt::OtherFocusReason);
    }
    if (old != w) {
      if (old) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w), 0);
      if (IsLiveWindow(w)) SendMessage(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
  }
  focusWindow = w;
  return old;
}

HWND GetDesktopWindow() { return nullptr; }

// ---- Messages ----------------------------------------------------------------------------------
LRESULT DefWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsLiveWindow(w)) return 0;
  switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(w); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(w, &ps);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = w->cls ? w->cls->wc.hbrBackground : nullptr;
      auto* dc = reinterpret_cast<HDC>(wParam);
      if (!brush || !IsLiveDC(dc)) return 0;
      RECT r;
      GetClientRect(w, &r);
      FillRect(dc, &r, brush);
      return 1;
    }
    case WM_SETCURSOR:
      if (w->cls && w->cls->wc.hCursor && LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
        SetCursor(w->cls->wc.hCursor);
        return TRUE;
      }
      return FALSE;
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if (w->surface) w->surface->setWindowTitle(QString::fromUtf8(w->text.c_str()));
      return TRUE;
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      auto* buffer = reinterpret_cast<char*>(lParam);
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(buffer, w->text.data(), n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_SYSKEYDOWN:
      if (wParam == VK_F1 + 3 && (lParam & (1 << 29))) PostMessage(w, WM_CLOSE, 0, 0);  // Alt+F4
      return 0;
    case WM_QUERYNEWPALETTE: return FALSE;
    default: return 0;
  }
}

LRESULT SendMessage(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!w || !liveWindows().count(w)) return 0;
  // A window that is being destroyed still gets its WM_DESTROY and WM_NCDESTROY.
  if (w->destroying) return 0;
  if (w->proc) return w->proc(w, message, wParam, lParam);
  return DefWindowProc(w, message, wParam, lParam);
}

BOOL PostMessage(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!w) {
    if (message == WM_QUIT) PostQuitMessage(static_cast<int>(wParam));
    return TRUE;
  }
  if (!IsLiveWindow(w) || !QCoreApplication::instance()) return FALSE;
  MSG m;
  m.hwnd = w;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  QCoreApplication::postEvent(&dispatcher(), new PostedMessage(m));
  return TRUE;
}

namespace {
// The loops this layer runs. A quit ends them all; QCoreApplication::exit is not used,
// because after it every later event loop of the thread would return at once.
std::vector<QEventLoop*>& runningLoops() {
  static std::vector<QEventLoop*> v;
  return v;
}
}  // namespace

int RunLoopUntilQuit(QEventLoop& loop) {
  runningLoops().push_back(&loop);
  int r = quitPosted ? 0 : loop.exec();
  runningLoops().erase(std::find(runningLoops().begin(), runningLoops().end(), &loop));
  return r;
}

void PostQuitMessage(int exitCode) {
  quitPosted = true;
  quitCode = exitCode;
  for (QEventLoop* loop : runningLoops()) loop->exit(exitCode);
}

int RunMessageLoop() {
  if (!QCoreApplication::instance()) return 0;
  while (!quitPosted) {
    QEventLoop loop;
    RunLoopUntilQuit(loop);
  }
  quitPosted = false;
  PresentSurfaces();
  return quitCode;
}

BOOL PumpMessages(DWORD milliseconds) {
  if (!QCoreApplication::instance()) return !quitPosted;
  if (!quitPosted) {
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(milliseconds), &loop, [&loop] { loop.exit(0); });
    RunLoopUntilQuit(loop);
  }
  PresentSurfaces();
  return quitPosted ? FALSE : TRUE;
}

BOOL QuitPosted(int* exitCode) {
  if (!quitPosted) return FALSE;
  if (exitCode) *exitCode = quitCode;
  quitPosted = false;
  return TRUE;
}

// ---- Timers ------------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND w, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
  if (w && !IsLiveWindow(w)) return 0;
  if (!QCoreApplication::instance()) return 0;
  Dispatcher& d = dispatcher();
  if (!w) {
    static UINT_PTR nextId = 0x7000;
    id = nextId++;
  }
  if (int existing = d.find(w, id)) {
    d.killTimer(existing);
    d.timers.erase(existing);
  }
  int qt = d.startTimer(std::max<UINT>(milliseconds, 1), Qt::PreciseTimer);
  if (!qt) return 0;
  d.timers[qt] = TimerEntry{w, id, proc};
  return w ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND w, UINT_PTR id) {
  Dispatcher& d = dispatcher();
  int qt = d.find(w, id);
  if (!qt) return FALSE;
  d.killTimer(qt);
  d.timers.erase(qt);
  return TRUE;
}

// ---- Paint cycle -------------------------------------------------------------------------------
BOOL InvalidateRect(HWND w, const RECT* rect, BOOL erase) {
  if (!IsLiveWindow(w)) return FALSE;
  RECT client;
  GetClientRect(w, &client);
  QRect area = toQRect(client);
  if (rect) area &= toQRect(*rect);
  if (!area.isEmpty()) {
    w->update += area;
    if (erase) w->erasePending = true;
    if (QCoreApplication::instance()) queuePaint(w);
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND w, RECT* rect, BOOL erase) {
  if (!IsLiveWindow(w)) return FALSE;
  QRect bounds = w->update.boundingRect();
  if (rect) *rect = toRECT(bounds);
  if (erase && w->erasePending && !bounds.isEmpty()) {
    HDC dc = MakeWindowDC(w, &bounds);
    w->erasePending = SendMessage(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? false : true;
    FreeDC(dc);
  }
  return bounds.isEmpty() ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND w) {
  if (!IsLiveWindow(w)) return FALSE;
  if (!w->update.isEmpty()) SendMessage(w, WM_PAINT, 0, 0);
  return TRUE;
}

HDC BeginPaint(HWND w, PAINTSTRUCT* ps) {
  if (!IsLiveWindow(w) || !ps) return nullptr;
  QRect bounds = w->update.boundingRect();
  bool erase = w->erasePending;
  w->update = QRegion();
  w->erasePending = false;
  HDC dc = MakeWindowDC(w, &bounds);
  *ps = PAINTSTRUCT{};
  ps->hdc = dc;
  ps->rcPaint = toRECT(bounds);
  ps->fErase = FALSE;
  if (erase && !bounds.isEmpty())
    ps->fErase = SendMessage(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps || !IsLiveDC(ps->hdc)) return FALSE;
  FreeDC(ps->hdc);
  PresentSurfaces();
  return TRUE;
}

HDC GetDC(HWND w) {
  if (w && !IsLiveWindow(w)) return nullptr;
  if (w && !SurfaceOwner(w, nullptr)) return nullptr;
  return MakeWindowDC(w, nullptr);
}

int ReleaseDC(HWND, HDC dc) {
  if (!IsLiveDC(dc) || dc->kind == DeviceContext::Kind::Memory) return 0;
  FreeDC(dc);
  PresentSurfaces();
  return 1;
}

// ---- Cursor, icons, metrics, time ---------------------------------------------------------------
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  if (instance || !IS_INTRESOURCE(name)) return nullptr;
  static CursorImpl arrow{Qt::ArrowCursor}, wait{Qt::WaitCursor}, cross{Qt::CrossCursor}, hand{Qt::PointingHandCursor};
  CursorImpl* c = nullptr;
  if (name == IDC_ARROW) c = &arrow;
  else if (name == IDC_WAIT) c = &wait;
  else if (name == IDC_CROSS) c = &cross;
  else if (name == IDC_HAND) c = &hand;
  return reinterpret_cast<HCURSOR>(c);
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = cursorChosen ? currentCursor : LoadCursor(nullptr, IDC_ARROW);
  bool changed = !cursorChosen || cursor != currentCursor;
  currentCursor = cursor;
  cursorChosen = true;
  if (changed) applyCursor();
  return old;
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  QPoint q = QCursor::pos();
  *p = POINT{q.x(), q.y()};
  return TRUE;
}

HICON LoadIcon(HINSTANCE, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  auto id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name));
  if (HICON icon = LoadIconResource(id)) return icon;
  if (name == IDI_APPLICATION) {
    static IconObject stockIcon;
    if (stockIcon.image.isNull()) {
      stockIcon.image = QImage(32, 32, QImage::Format_ARGB32);
      stockIcon.image.fill(Qt::transparent);
      QPainter p(&stockIcon.image);
      p.fillRect(2, 4, 28, 24, QColor(255, 255, 255));
      p.fillRect(2, 4, 28, 5, QColor(0, 0, 128));
      p.setPen(QColor(0, 0, 0));
      p.drawRect(2, 4, 27, 23);
    }
    return &stockIcon;
  }
  return nullptr;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  if (!IsLiveDC(dc) || !icon) return FALSE;
  Target t = TargetOf(dc);
  if (!t.image) return TRUE;
  const QImage& image = icon->image;
  QPainter p(t.image);
  p.setClipRect(t.clip);
  QPoint at(x + t.origin.x(), y + t.origin.y());
  p.drawImage(at, image);
  p.end();
  Touched(t, QRect(at, image.size()) & t.clip);
  return TRUE;
}

DWORD GetTickCount() { return static_cast<DWORD>(uptime().elapsed()); }

namespace {
// The shortest time between two pictures any screen shows (its refresh), 60 Hz when the
// system does not say.
qint64 FrameMilliseconds() {
  qreal hz = 0;
  if (qGuiApp)
    for (QScreen* s : QGuiApplication::screens()) hz = std::max(hz, s->refreshRate());
  if (hz < 24 || hz > 500) hz = 60;
  return static_cast<qint64>(1000 / hz);
}

// How long until a screen is next due a picture: a refresh after the last one handed over.
qint64 MillisecondsToRefresh() {
  if (lastPresented < 0) return 0;
  return std::max<qint64>(0, FrameMilliseconds() - (uptime().elapsed() - lastPresented));
}
}  // namespace

BOOL ScreenRefreshDue(DWORD milliseconds) { return milliseconds >= MillisecondsToRefresh(); }

void Sleep(DWORD milliseconds) {
  // A screen shows a new picture once a refresh, so drawing paced by shorter sleeps (a
  // transition's 1 ms steps) is handed to it at most once a refresh: copying the changed
  // rows again every step would cost more than the drawing for pictures nobody sees.
  // What is held back is handed over when the next refresh falls due, within this pause
  // if need be, so nothing drawn waits longer than one refresh.
  const qint64 wait = MillisecondsToRefresh();
  if (wait == 0) {
    PresentSurfaces();
  } else if (!dirtyWindows().empty() && milliseconds >= wait) {
    QThread::msleep(static_cast<unsigned long>(wait));
    PresentSurfaces();
    milliseconds -= static_cast<DWORD>(wait);
  }
  if (milliseconds) QThread::msleep(milliseconds);
}
