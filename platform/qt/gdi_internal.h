#pragma once
// GDI objects and device contexts as the Qt drawing layer holds them.
#include <QImage>
#include <QRect>
#include <functional>
#include <vector>

#include "platform/gdi.h"

// Bookkeeping every object carries: stock objects are never deleted, selected ones wait.
struct GdiState {
  virtual ~GdiState() = default;
  bool stock = false;
  int selected = 0;  // how many device contexts hold it
};

struct PenImpl : PenObject, GdiState {
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
};
struct BrushImpl : BrushObject, GdiState {
  enum class Kind { Solid, Null };
  Kind kind = Kind::Solid;
  COLORREF color = 0;
};
struct FontImpl : FontObject, GdiState {
  LOGFONT lf;
  bool systemFont = false;  // the device context's own font
};
struct BitmapImpl : BitmapObject, GdiState {
  QImage image;  // Format_RGB32
  DeviceContext* selectedIn = nullptr;
};
struct PaletteImpl : PaletteObject, GdiState {
  std::vector<PALETTEENTRY> entries;
};

struct DeviceContext {
  enum class Kind { Window, Memory, Screen };
  Kind kind = Kind::Memory;
  HWND window = nullptr;
  bool hasClip = false;
  QRect clipClient;  // a paint's update rectangle, client coordinates
  BitmapImpl* bitmap = nullptr;
  PenImpl* pen = nullptr;
  BrushImpl* brush = nullptr;
  FontImpl* font = nullptr;
  PaletteImpl* palette = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);  // behind OPAQUE text
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
  POINT pos;
};

// Where a context draws: the raster, the offset of the context's origin in it and the
// area that may be touched (raster coordinates); the top-level window for window contexts.
struct Target {
  QImage* image = nullptr;
  QPoint origin;
  QRect clip;
  HWND top = nullptr;
};
Target TargetOf(HDC dc);
// How many rows ahead a copy of narrow columns fetches (the blits and the window's paint):
// down a large image each row is a new page, which the hardware does not guess.
constexpr int kColumnRowsAhead = 8;
// A black 32-bit image for a bitmap or a window surface (surface_block.cpp). A
// screen-sized one sits on huge pages where the system offers them: the saver's wipes copy
// it a column at a time, and with small pages every row of a column costs a page-table
// walk; and it has spare rows around it, so that it can move within itself.
QImage NewSurfaceImage(int width, int height);
// Moves a whole image by `delta` (source = destination + delta, one axis, at most half
// the image) as a copy of the image onto itself would, without moving its pixels when it
// is a large surface (NewSurfaceImage); false, with nothing done, when it cannot.
bool MoveImageInPlace(QImage& image, QPoint delta);
// Records that an area of a window surface changed.
void Touched(const Target& t, const QRect& r);
// Records that the pixels of area `r` + `delta` of a window surface moved to `r`.
void Moved(const Target& t, const QRect& r, QPoint delta);
bool StretchPixels(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int srcWidth,
                   int srcHeight, const std::function<bool(int sx, int sy, QRgb*)>& fetch, DWORD rop);

GdiState* StateOf(HGDIOBJ object);
// The object as that kind when it is alive and of that kind.
template <class T>
T* Live(HGDIOBJ object);
// Makes a new object known to the handle checks.
void TrackObject(GdiObject* object);
template <class T>
T* Track(T* object) {
  TrackObject(object);
  return object;
}
