#pragma once
// What the window, drawing and dialog layers share inside the Qt implementation.
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"

class SurfaceWidget;
struct DialogState;

struct WindowClassInfo {
  std::string name;
  WNDCLASS wc;
  ATOM atom = 0;
  int windows = 0;
};

struct WindowObject {
  enum class Kind { Surface, Child, Dialog, Control };
  Kind kind = Kind::Surface;
  WindowClassInfo* cls = nullptr;  // Surface and Child windows only
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;
  std::vector<HWND> children;  // in creation order: later ones lie on top
  QRect rect;                  // top level: screen; child: parent's client coordinates
  bool visible = false;
  bool enabled = true;
  std::string text;
  int controlId = 0;
  // Paint state.
  QRegion update;
  bool erasePending = false;
  bool paintQueued = false;
  QPointer<SurfaceWidget> surface;  // Surface kind only
  QPointer<QWidget> widget;         // Dialog and Control kinds
  DialogState* dialog = nullptr;    // Dialog kind
  HWND focusChild = nullptr;        // a child that took the keyboard with SetFocus
  bool dying = false;       // DestroyWindow has begun
  bool destroying = false;  // gone: only the object is left
};

// Live windows; IsWindow looks here.
bool IsLiveWindow(HWND w);
// The top-level window whose surface a window draws on, and the offset of the window's
// client area within that surface.
HWND SurfaceOwner(HWND w, QPoint* offset);
// The window's client area within its surface, cut by every ancestor's client area.
QRect VisibleClientRect(HWND w);
QImage* SurfaceImage(HWND topLevel);
// Records a changed area of a surface (surface coordinates); it is presented at the next
// presentation point.
void MarkSurfaceDirty(HWND topLevel, const QRect& r);
// The toolkit's backing image of a shown top-level window when drawing onto the surface
// may write the same pixels into it as it goes (on X, at the surface's size, as the last
// paint found it), so that showing them needs no second copy; nullptr otherwise.
QImage* BackingImageForDrawing(HWND topLevel);
// Records a changed area of a surface whose pixels were also written into `backing`
// (from BackingImageForDrawing): presented as MarkSurfaceDirty's, without the copy.
void MarkSurfaceDrawnThrough(HWND topLevel, const QRect& r, const QImage& backing);
// Records that the area `r` of a surface moved by `d` within itself: shown by moving what
// is already on the screen, and drawing only what the move did not bring.
void MarkSurfaceScrolled(HWND topLevel, const QRect& r, QPoint d);
// Shows every changed area now.
void PresentSurfaces();
// Registers a window made by another layer (dialogs, controls) so the window functions
// accept its handle; the window's widget owns nothing here.
HWND RegisterForeignWindow(WindowObject::Kind kind, QWidget* widget, HWND parent, int id);
void ForgetWindow(HWND w);

// Device contexts (gdi.cpp).
struct DeviceContext;
HDC MakeWindowDC(HWND w, const QRect* clipClient);
void FreeDC(HDC dc);
bool IsLiveDC(HDC dc);

QColor ColorFromRef(COLORREF c);
inline QRgb RgbFromRef(COLORREF c) {
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF RefFromRgb(QRgb c) {
  return RGB(static_cast<BYTE>(qRed(c)), static_cast<BYTE>(qGreen(c)), static_cast<BYTE>(qBlue(c)));
}

// Runs a Qt event loop that PostQuitMessage ends (at once when a quit is already posted).
class QEventLoop;
int RunLoopUntilQuit(QEventLoop& loop);

// Fonts (gdi_text.cpp).
QFont FontFromLogFont(const LOGFONT& lf);
QString DecodeText(const char* text, int count, BYTE charset);
