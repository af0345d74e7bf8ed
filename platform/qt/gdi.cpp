// Device contexts, GDI objects, blits, device-independent bitmaps, palettes and shapes on
// QImage rasters. Every raster is QImage::Format_RGB32; colours are drawn exactly as given
// (a true-colour display), so palettes only matter for DIB_PAL_COLORS colour tables.
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "platform/gdi.h"
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

// ---- Object bookkeeping ---------------------------------------------------------------------
namespace {
std::unordered_set<GdiObject*>& liveObjects() {
  static std::unordered_set<GdiObject*> s;
  return s;
}
std::unordered_set<DeviceContext*>& liveDCs() {
  static std::unordered_set<DeviceContext*> s;
  return s;
}
template <class T>
T* track(T* object) {
  liveObjects().insert(object);
  return object;
}
}  // namespace

void TrackObject(GdiObject* object) { liveObjects().insert(object); }

GdiState* StateOf(HGDIOBJ object) {
  if (!object || !liveObjects().count(object)) return nullptr;
  return dynamic_cast<GdiState*>(object);
}
template <class T>
T* Live(HGDIOBJ object) {
  if (!object || !liveObjects().count(object)) return nullptr;
  return dynamic_cast<T*>(object);
}
template PenImpl* Live<PenImpl>(HGDIOBJ);
template BrushImpl* Live<BrushImpl>(HGDIOBJ);
template FontImpl* Live<FontImpl>(HGDIOBJ);
template BitmapImpl* Live<BitmapImpl>(HGDIOBJ);
template PaletteImpl* Live<PaletteImpl>(HGDIOBJ);

QColor ColorFromRef(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

namespace {
template <class T>
T* stock(T* object) {
  object->stock = true;
  return track(object);
}
PenImpl* makePen(int style, int width, COLORREF color) {
  auto* p = new PenImpl;
  p->style = style;
  p->width = width;
  p->color = color;
  return p;
}
BrushImpl* makeBrush(BrushImpl::Kind kind, COLORREF color) {
  auto* b = new BrushImpl;
  b->kind = kind;
  b->color = color;
  return b;
}

HGDIOBJ stockObject(int index) {
  static HGDIOBJ objects[18] = {};
  if (index < 0 || index >= 18) return nullptr;
  if (objects[index]) return objects[index];
  HGDIOBJ made = nullptr;
  switch (index) {
    case WHITE_BRUSH: made = stock(makeBrush(BrushImpl::Kind::Solid, RGB(255, 255, 255))); break;
    case LTGRAY_BRUSH: made = stock(makeBrush(BrushImpl::Kind::Solid, RGB(192, 192, 192))); break;
    case GRAY_BRUSH: made = stock(makeBrush(BrushImpl::Kind::Solid, RGB(128, 128, 128))); break;
    case DKGRAY_BRUSH: made = stock(makeBrush(BrushImpl::Kind::Solid, RGB(64, 64, 64))); break;
    case BLACK_BRUSH: made = stock(makeBrush(BrushImpl::Kind::Solid, RGB(0, 0, 0))); break;
    case NULL_BRUSH: made = stock(makeBrush(BrushImpl::Kind::Null, 0)); break;
    case WHITE_PEN: made = stock(makePen(PS_SOLID, 0, RGB(255, 255, 255))); break;
    case BLACK_PEN: made = stock(makePen(PS_SOLID, 0, RGB(0, 0, 0))); break;
    case NULL_PEN: made = stock(makePen(PS_NULL, 0, 0)); break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: {
      auto* f = new FontImpl;
      f->lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      std::strcpy(f->lf.lfFaceName, "Courier New");
      f->lf.lfHeight = 16;
      f->systemFont = false;
      made = stock(f);
      break;
    }
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT: {
      auto* f = new FontImpl;
      std::strcpy(f->lf.lfFaceName, "MS Sans Serif");
      f->lf.lfHeight = -11;
      f->systemFont = false;
      made = stock(f);
      break;
    }
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: {
      auto* f = new FontImpl;
      f->systemFont = true;
      made = stock(f);
      break;
    }
    case DEFAULT_PALETTE: {
      auto* p = new PaletteImpl;
      // The 20 static colours of the old display.
      static const BYTE c[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                    {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                    {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                    {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                    {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
      for (auto& e : c) p->entries.push_back(PALETTEENTRY{e[0], e[1], e[2], 0});
      made = stock(p);
      break;
    }
    default: return nullptr;
  }
  objects[index] = made;
  return made;
}

BitmapImpl* stockBitmap() {
  static BitmapImpl* b = nullptr;
  if (!b) {
    b = new BitmapImpl;
    b->image = QImage(1, 1, QImage::Format_RGB32);
    b->image.fill(qRgb(0, 0, 0));
    stock(b);
  }
  return b;
}

void selectInto(GdiState* incoming, GdiState* outgoing) {
  if (incoming) ++incoming->selected;
  if (outgoing && outgoing->selected > 0) --outgoing->selected;
}
}  // namespace

HGDIOBJ GetStockObject(int index) { return stockObject(index); }

BOOL DeleteObject(HGDIOBJ object) {
  GdiState* st = StateOf(object);
  if (!st) return FALSE;
  if (st->stock) return TRUE;
  if (st->selected > 0) return FALSE;
  liveObjects().erase(object);
  delete object;
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ object) {
  if (Live<PenImpl>(object)) return OBJ_PEN;
  if (Live<BrushImpl>(object)) return OBJ_BRUSH;
  if (Live<FontImpl>(object)) return OBJ_FONT;
  if (Live<BitmapImpl>(object)) return OBJ_BITMAP;
  if (Live<PaletteImpl>(object)) return OBJ_PAL;
  return 0;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
  if (auto* b = Live<BitmapImpl>(object)) {
    if (!buffer) return static_cast<int>(sizeof(BITMAP));
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm;
    bm.bmWidth = b->image.width();
    bm.bmHeight = b->image.height();
    bm.bmWidthBytes = b->image.width() * 4;
    std::memcpy(buffer, &bm, sizeof bm);
    return static_cast<int>(sizeof bm);
  }
  if (auto* f = Live<FontImpl>(object)) {
    if (!buffer) return static_cast<int>(sizeof(LOGFONT));
    if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
    std::memcpy(buffer, &f->lf, sizeof(LOGFONT));
    return static_cast<int>(sizeof(LOGFONT));
  }
  return 0;
}

// ---- Device contexts ----------------------------------------------------------------------
bool IsLiveDC(HDC dc) { return dc && liveDCs().count(dc); }

namespace {
DeviceContext* newDC(DeviceContext::Kind kind) {
  auto* dc = new DeviceContext;
  dc->kind = kind;
  dc->pen = static_cast<PenImpl*>(stockObject(BLACK_PEN));
  dc->brush = static_cast<BrushImpl*>(stockObject(WHITE_BRUSH));
  dc->font = static_cast<FontImpl*>(stockObject(SYSTEM_FONT));
  dc->palette = static_cast<PaletteImpl*>(stockObject(DEFAULT_PALETTE));
  selectInto(dc->pen, nullptr);
  selectInto(dc->brush, nullptr);
  selectInto(dc->font, nullptr);
  selectInto(dc->palette, nullptr);
  if (kind == DeviceContext::Kind::Memory) {
    dc->bitmap = stockBitmap();
    selectInto(dc->bitmap, nullptr);
  }
  liveDCs().insert(dc);
  return dc;
}
}  // namespace

HDC MakeWindowDC(HWND w, const QRect* clipClient) {
  DeviceContext* dc = newDC(w ? DeviceContext::Kind::Window : DeviceContext::Kind::Screen);
  dc->window = w;
  if (clipClient) {
    dc->hasClip = true;
    dc->clipClient = *clipClient;
  }
  return dc;
}

void FreeDC(HDC dc) {
  if (!IsLiveDC(dc)) return;
  selectInto(nullptr, dc->pen);
  selectInto(nullptr, dc->brush);
  selectInto(nullptr, dc->font);
  selectInto(nullptr, dc->palette);
  if (dc->bitmap) {
    selectInto(nullptr, dc->bitmap);
    if (dc->bitmap->selectedIn == dc) dc->bitmap->selectedIn = nullptr;
  }
  liveDCs().erase(dc);
  if (dc->kind == DeviceContext::Kind::Window && dc->window) PresentSurfaces();
  delete dc;
}

Target TargetOf(HDC dc) {
  Target t;
  if (!IsLiveDC(dc)) return t;
  switch (dc->kind) {
    case DeviceContext::Kind::Memory:
      t.image = &dc->bitmap->image;
      t.clip = t.image->rect();
      break;
    case DeviceContext::Kind::Window: {
      if (!IsLiveWindow(dc->window)) return t;
      QPoint off;
      t.top = SurfaceOwner(dc->window, &off);
      t.image = SurfaceImage(t.top);
      if (!t.image) return t;
      t.origin = off;
      t.clip = VisibleClientRect(dc->window) & t.image->rect();
      if (dc->hasClip) t.clip &= dc->clipClient.translated(off);
      break;
    }
    case DeviceContext::Kind::Screen:
      break;
  }
  return t;
}

void Touched(const Target& t, const QRect& r) {
  if (t.top && !r.isEmpty()) MarkSurfaceDirty(t.top, r);
}

void Moved(const Target& t, const QRect& r, QPoint delta) {
  if (t.top && !r.isEmpty()) MarkSurfaceScrolled(t.top, r | r.translated(delta), -delta);
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !IsLiveDC(dc)) return nullptr;
  return newDC(DeviceContext::Kind::Memory);
}

BOOL DeleteDC(HDC dc) {
  if (!IsLiveDC(dc)) return FALSE;
  FreeDC(dc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!IsLiveDC(dc)) return nullptr;
  if (auto* p = Live<PenImpl>(object)) {
    PenImpl* old = dc->pen;
    selectInto(p, old);
    dc->pen = p;
    return old;
  }
  if (auto* b = Live<BrushImpl>(object)) {
    BrushImpl* old = dc->brush;
    selectInto(b, old);
    dc->brush = b;
    return old;
  }
  if (auto* f = Live<FontImpl>(object)) {
    FontImpl* old = dc->font;
    selectInto(f, old);
    dc->font = f;
    return old;
  }
  if (auto* bm = Live<BitmapImpl>(object)) {
    if (dc->kind != DeviceContext::Kind::Memory) return nullptr;
    if (bm == dc->bitmap) return bm;
    if (!bm->stock && bm->selectedIn && bm->selectedIn != dc) return nullptr;
    BitmapImpl* old = dc->bitmap;
    selectInto(bm, old);
    if (old && old->selectedIn == dc) old->selectedIn = nullptr;
    if (!bm->stock) bm->selectedIn = dc;
    dc->bitmap = bm;
    return old;
  }
  return nullptr;
}

int GetDeviceCaps(HDC dc, int index) {
  if (dc && !IsLiveDC(dc)) return 0;
  QScreen* screen = QGuiApplication::primaryScreen();
  QRect g = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  switch (index) {
    case HORZRES: return g.width();
    case VERTRES: return g.height();
    case BITSPIXEL: return 24;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    default: return 0;
  }
}

int SetStretchBltMode(HDC dc, int mode) {
  if (!IsLiveDC(dc) || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int old = dc->stretchMode;
  dc->stretchMode = mode;
  return old;
}

// ---- Copying pixels --------------------------------------------------------------------------
// The suite copies pixels and nothing else: SRCCOPY is the one raster operation, and any
// other is refused rather than drawn wrongly.
namespace {
// Source pixels for a blit: a rectangle of an image, copied first when it is the image
// being drawn on, so a surface can be moved within itself.
struct SourceView {
  const QImage* image = nullptr;
  QImage copy;
  QPoint delta;  // source = destination + delta, in image coordinates
};

bool blit(HDC dc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop) {
  if (rop != SRCCOPY || !IsLiveDC(dc) || !IsLiveDC(source)) return false;
  Target t = TargetOf(dc);
  if (width <= 0 || height <= 0 || !t.image) return true;
  QRect dest(x + t.origin.x(), y + t.origin.y(), width, height);
  QRect area = dest & t.clip;
  Target s = TargetOf(source);
  if (!s.image) return true;
  SourceView sv;
  sv.image = s.image;
  sv.delta = QPoint(xSrc + s.origin.x(), ySrc + s.origin.y()) - dest.topLeft();
  area &= s.clip.translated(-sv.delta);
  if (area.isEmpty()) return true;
  if (sv.image == t.image) {
    // A whole surface moved by a few pixels (the saver's pan) moves without its pixels.
    const QRect all = t.image->rect();
    if (area == (all & all.translated(-sv.delta)) && MoveImageInPlace(*t.image, sv.delta)) {
      Moved(t, area, sv.delta);
      return true;
    }
  }
  // The saver's wipes copy one-pixel strips and its pan moves the whole view within one
  // image: rows are moved in an order that never reads one already written, per row only
  // the pointer moves on, and the view is never copied aside.
  uchar* targetBits = t.image->bits();  // first: it may detach the target from the source
  const qsizetype targetStride = t.image->bytesPerLine();
  const uchar* sourceBits = sv.image->constBits();
  const qsizetype sourceStride = sv.image->bytesPerLine();
  const bool sameImage = sv.image == t.image;
  const bool upward = sameImage && sv.delta.y() < 0;
  const std::size_t bytes = static_cast<std::size_t>(area.width()) * 4;
  // A blind's columns go into the window's backing image as well while their source rows
  // are at hand: read back from the surface at the next refresh, down a 4K screen, they
  // are no longer in the cache.
  QImage* backing = t.top && bytes <= 16 && !sameImage ? BackingImageForDrawing(t.top) : nullptr;
  uchar* backingBits = backing ? backing->bits() : nullptr;
  const qsizetype backingStride = backing ? backing->bytesPerLine() : 0;
  for (int i = 0; i < area.height(); ++i) {
    const int row = upward ? area.bottom() - i : area.top() + i;
    auto* d = reinterpret_cast<QRgb*>(targetBits + row * targetStride) + area.left();
    const auto* src = reinterpret_cast<const QRgb*>(sourceBits + (row + sv.delta.y()) * sourceStride) +
                      area.left() + sv.delta.x();
    // Narrow strips go down a column: fetch the rows ahead, which the hardware would
    // not guess across a whole page per row.
    if (bytes <= 64 && i + kColumnRowsAhead < area.height()) {
      const int ahead = upward ? row - kColumnRowsAhead : row + kColumnRowsAhead;
      __builtin_prefetch(targetBits + ahead * targetStride + area.left() * 4, 1);
      __builtin_prefetch(sourceBits + (ahead + sv.delta.y()) * sourceStride +
                         (area.left() + sv.delta.x()) * 4);
    }
    if (bytes <= 16 && !sameImage) {
      // A blind's few columns: a call to memmove costs more than the pixels.
      for (std::size_t k = 0; k < bytes / 4; ++k) d[k] = src[k];
      if (backingBits) {
        auto* b = reinterpret_cast<QRgb*>(backingBits + row * backingStride) + area.left();
        if (i + kColumnRowsAhead < area.height())
          __builtin_prefetch(b + kColumnRowsAhead * backingStride / 4, 1);
        for (std::size_t k = 0; k < bytes / 4; ++k) b[k] = src[k];
      }
    } else {
      std::memmove(d, src, bytes);
    }
  }
  if (sameImage) Moved(t, area, sv.delta);
  else if (backing) MarkSurfaceDrawnThrough(t.top, area, *backing);
  else Touched(t, area);
  return true;
}
}  // namespace

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop) {
  return blit(dc, x, y, width, height, source, xSrc, ySrc, rop) ? TRUE : FALSE;
}

// Nearest-pixel (or averaged, HALFTONE) scaling of source pixels given by a fetch function
// onto the destination rectangle; shared by StretchBlt and StretchDIBits.
bool StretchPixels(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int srcWidth,
                   int srcHeight, const std::function<bool(int sx, int sy, QRgb*)>& fetch, DWORD rop) {
  if (rop != SRCCOPY) return false;
  Target t = TargetOf(dc);
  if (!t.image || destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return true;
  bool mirrorX = (destWidth < 0) != (srcWidth < 0);
  bool mirrorY = (destHeight < 0) != (srcHeight < 0);
  int dw = std::abs(destWidth), dh = std::abs(destHeight);
  int sw = std::abs(srcWidth), sh = std::abs(srcHeight);
  int left = destWidth < 0 ? xDest + destWidth + 1 : xDest;
  int top = destHeight < 0 ? yDest + destHeight + 1 : yDest;
  QRect dest(left + t.origin.x(), top + t.origin.y(), dw, dh);
  QRect area = dest & t.clip;
  if (area.isEmpty()) return true;
  if (dc->stretchMode == HALFTONE && (dw != sw || dh != sh)) {
    QImage src(sw, sh, QImage::Format_RGB32);
    for (int r = 0; r < sh; ++r) {
      auto* line = reinterpret_cast<QRgb*>(src.scanLine(r));
      for (int c = 0; c < sw; ++c)
        if (!fetch(c, r, &line[c])) line[c] = qRgb(0, 0, 0);
    }
    QImage scaled = src.scaled(dw, dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .mirrored(mirrorX, mirrorY)
                        .convertToFormat(QImage::Format_RGB32);
    for (int row = area.top(); row <= area.bottom(); ++row) {
      auto* d = reinterpret_cast<QRgb*>(t.image->scanLine(row));
      auto* s = reinterpret_cast<const QRgb*>(scaled.constScanLine(row - dest.top()));
      for (int col = area.left(); col <= area.right(); ++col) d[col] = s[col - dest.left()];
    }
    Touched(t, area);
    return true;
  }
  std::vector<int> columns(static_cast<size_t>(dw));
  for (int i = 0; i < dw; ++i) {
    int c = static_cast<int>((2LL * i + 1) * sw / (2LL * dw));
    columns[static_cast<size_t>(i)] = mirrorX ? sw - 1 - c : c;
  }
  for (int row = area.top(); row <= area.bottom(); ++row) {
    int j = row - dest.top();
    int r = static_cast<int>((2LL * j + 1) * sh / (2LL * dh));
    if (mirrorY) r = sh - 1 - r;
    auto* d = reinterpret_cast<QRgb*>(t.image->scanLine(row));
    for (int col = area.left(); col <= area.right(); ++col) {
      QRgb s;
      if (fetch(columns[static_cast<size_t>(col - dest.left())], r, &s)) d[col] = s;
    }
  }
  Touched(t, area);
  return true;
}

BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop) {
  if (!IsLiveDC(dc) || !IsLiveDC(source)) return FALSE;
  Target s = TargetOf(source);
  if (!s.image) return TRUE;
  int sx0 = (srcWidth < 0 ? xSrc + srcWidth + 1 : xSrc) + s.origin.x();
  int sy0 = (srcHeight < 0 ? ySrc + srcHeight + 1 : ySrc) + s.origin.y();
  QRect from(sx0, sy0, std::abs(srcWidth), std::abs(srcHeight));
  QRect valid = from & s.clip;
  const QImage snapshot = s.image->copy(from);  // the source may be the destination
  auto fetch = [&](int c, int r, QRgb* out) {
    if (!valid.contains(from.left() + c, from.top() + r)) return false;
    *out = snapshot.pixel(c, r) | 0xFF000000u;
    return true;
  };
  return StretchPixels(dc, x, y, width, height, srcWidth, srcHeight, fetch, rop) ? TRUE : FALSE;
}

// ---- Bitmaps --------------------------------------------------------------------------------
namespace {
constexpr long long kMaxPixels = 1LL << 28;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (dc && !IsLiveDC(dc)) return nullptr;
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxPixels) return nullptr;
  auto* b = new BitmapImpl;
  b->image = NewSurfaceImage(width, height);
  if (b->image.isNull()) {
    delete b;
    return nullptr;
  }
  return track(b);
}

// ---- Palettes ---------------------------------------------------------------------------------
HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
  auto* p = new PaletteImpl;
  p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return track(p);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  auto* p = Live<PaletteImpl>(palette);
  if (!IsLiveDC(dc) || !p) return nullptr;
  PaletteImpl* old = dc->palette;
  selectInto(p, old);
  dc->palette = p;
  return old;
}

UINT RealizePalette(HDC dc) { return IsLiveDC(dc) ? 0 : static_cast<UINT>(GDI_ERROR); }

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  auto* p = Live<PaletteImpl>(palette);
  if (!p) return 0;
  UINT size = static_cast<UINT>(p->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}

// ---- Pens, brushes, shapes ------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  return track(makePen(style, std::max(width, 0), color));
}

HBRUSH CreateSolidBrush(COLORREF color) { return track(makeBrush(BrushImpl::Kind::Solid, color)); }

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto* b = Live<BrushImpl>(brush);
  if (!IsLiveDC(dc) || !rect || !b) return 0;
  Target t = TargetOf(dc);
  if (!t.image) return 1;
  QRect area = QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1))
                   .translated(t.origin) & t.clip;
  if (area.isEmpty() || b->kind == BrushImpl::Kind::Null) return 1;
  const QRgb colour = RgbFromRef(b->color);
  for (int row = area.top(); row <= area.bottom(); ++row) {
    auto* d = reinterpret_cast<QRgb*>(t.image->scanLine(row));
    std::fill(d + area.left(), d + area.right() + 1, colour);
  }
  Touched(t, area);
  return 1;
}

namespace {
void plot(const Target& t, int x, int y, QRgb c, QRect* touched) {
  if (!t.clip.contains(x, y)) return;
  reinterpret_cast<QRgb*>(t.image->scanLine(y))[x] = c;
  *touched |= QRect(x, y, 1, 1);
}

// The old platform drew thin solid lines with Bresenham's rule and left out the end point;
// anything wider or styled goes through QPainter.
void drawLine(HDC dc, int x0, int y0, int x1, int y1) {
  PenImpl* pen = dc->pen;
  if (!pen || pen->style == PS_NULL) return;
  Target t = TargetOf(dc);
  if (!t.image) return;
  x0 += t.origin.x(); x1 += t.origin.x();
  y0 += t.origin.y(); y1 += t.origin.y();
  QRgb c = RgbFromRef(pen->color);
  QRect touched;
  if (pen->width <= 1 && (pen->style == PS_SOLID || pen->style == PS_INSIDEFRAME)) {
    // Skip the part of a long line that lies outside the clip cheaply: lines here are
    // short or cross the surface once.
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (!(x == x1 && y == y1)) {
      plot(t, x, y, c, &touched);
      int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x += sx; }
      if (e2 <= dx) { err += dx; y += sy; }
    }
  } else {
    QPainter painter(t.image);
    painter.setClipRect(t.clip);
    QPen qpen(ColorFromRef(pen->color));
    qpen.setWidth(std::max(pen->width, 1));
    switch (pen->style) {
      case PS_DASH: qpen.setStyle(Qt::DashLine); break;
      case PS_DOT: qpen.setStyle(Qt::DotLine); break;
      case PS_DASHDOT: qpen.setStyle(Qt::DashDotLine); break;
      case PS_DASHDOTDOT: qpen.setStyle(Qt::DashDotDotLine); break;
      default: break;
    }
    painter.setPen(qpen);
    painter.drawLine(x0, y0, x1, y1);
    int half = qpen.width();
    touched = QRect(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)))
                  .adjusted(-half, -half, half, half) & t.clip;
  }
  Touched(t, touched);
}
}  // namespace

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  if (!IsLiveDC(dc)) return FALSE;
  if (previous) *previous = dc->pos;
  dc->pos = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  if (!IsLiveDC(dc)) return FALSE;
  drawLine(dc, dc->pos.x, dc->pos.y, x, y);
  dc->pos = POINT{x, y};
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  Target t = TargetOf(dc);
  if (!t.image) return CLR_INVALID;
  QPoint p(x + t.origin.x(), y + t.origin.y());
  if (!t.clip.contains(p)) return CLR_INVALID;
  reinterpret_cast<QRgb*>(t.image->scanLine(p.y()))[p.x()] = RgbFromRef(color);
  Touched(t, QRect(p, QSize(1, 1)));
  return color;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Target t = TargetOf(dc);
  if (!t.image) return CLR_INVALID;
  QPoint p(x + t.origin.x(), y + t.origin.y());
  QRect readable = t.clip;
  if (IsLiveDC(dc) && dc->kind == DeviceContext::Kind::Window) readable = VisibleClientRect(dc->window) & t.image->rect();
  if (!readable.contains(p)) return CLR_INVALID;
  return RefFromRgb(reinterpret_cast<const QRgb*>(t.image->constScanLine(p.y()))[p.x()]);
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (!IsLiveDC(dc)) return CLR_INVALID;
  COLORREF old = dc->textColor;
  dc->textColor = color;
  return old;
}
int SetBkMode(HDC dc, int mode) {
  if (!IsLiveDC(dc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}
