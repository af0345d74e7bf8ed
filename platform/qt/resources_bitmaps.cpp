#include <map>

#include "platform/qt/gdi_internal.h"
#include "platform/resources_tables.h"

namespace {
struct BitmapResource {
  int width = 0;
  int height = 0;
  BitmapPainter painter = nullptr;
};

std::map<UINT, BitmapResource>& bitmaps() {
  static std::map<UINT, BitmapResource> table;
  return table;
}

QImage* ImageOf(HBITMAP bitmap) {
  if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP) return nullptr;
  return &static_cast<BitmapImpl*>(bitmap)->image;
}
}  // namespace

void RegisterBitmapResource(UINT id, int width, int height, BitmapPainter painter) {
  bitmaps()[id] = BitmapResource{width, height, painter};
}

HBITMAP LoadBitmapResource(UINT id) {
  auto it = bitmaps().find(id);
  if (it == bitmaps().end()) return nullptr;
  const BitmapResource& r = it->second;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, r.width, r.height);
  if (bitmap) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (r.painter) r.painter(dc, r.width, r.height);
    SelectObject(dc, old);
  }
  DeleteDC(dc);
  return bitmap;
}

void ReplaceBackgroundColor(HBITMAP bitmap, COLORREF color) {
  QImage* image = ImageOf(bitmap);
  if (!image || image->isNull()) return;
  // Compare colours only: the raster's unused alpha byte is no part of a GDI colour.
  const QRgb background = image->pixel(0, 0) & 0xFFFFFF;
  const QRgb replacement = qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
  for (int y = 0; y < image->height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
    for (int x = 0; x < image->width(); ++x)
      if ((row[x] & 0xFFFFFF) == background) row[x] = replacement;
  }
}
