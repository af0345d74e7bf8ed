#include "tests/support/layout_check.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
bool Intersect(const PixelRect& a, const PixelRect& b) {
  return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}
bool Within(const PixelRect& inner, const PixelRect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
         inner.y + inner.cy <= outer.y + outer.cy;
}
std::string Place(const PixelRect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.cx) + "x" + std::to_string(r.cy);
}
std::string Name(const ShownControl& c) {
  return "#" + std::to_string(c.id) + (c.text.empty() ? "" : " \"" + c.text + "\"") + " at " + Place(c.rect) +
         (c.groupBox ? " holding " + Place(c.inside) : "");
}
std::string Setting() {
  std::string s;
  for (const char* name : {"QT_FONT_DPI", "QT_SCALE_FACTOR"})
    if (const char* v = std::getenv(name)) s += std::string(" ") + name + "=" + v;
  return s.empty() ? " (default font and scale)" : s;
}
}  // namespace

void ExpectLaidOut(const std::vector<ShownControl>& shown, const PixelRect& client, const std::string& where) {
  const std::string at = where + Setting() + ": ";
  EXPECT_GE(shown.size(), 2u) << at << "nothing to look at";
  for (size_t i = 0; i < shown.size(); ++i) {
    const ShownControl& a = shown[i];
    EXPECT_TRUE(Within(a.rect, client)) << at << Name(a) << " leaves the client area";
    EXPECT_LE(a.textWidth, a.roomWidth) << at << Name(a) << " cuts its text off at the side";
    EXPECT_LE(a.textHeight, a.roomHeight) << at << Name(a) << " cuts its text off below";
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const ShownControl& b = shown[j];
      if (!Intersect(a.rect, b.rect)) continue;
      const bool held = (a.groupBox && !b.groupBox && Within(b.rect, a.inside)) ||
                        (b.groupBox && !a.groupBox && Within(a.rect, b.inside));
      EXPECT_TRUE(held) << at << Name(a) << " and " << Name(b) << " overlap";
    }
  }
}

std::string ShotFolder() {
  const char* folder = std::getenv("QM_LAYOUT_SHOTS");
  return folder && *folder ? std::string(folder) + "/" : std::string();
}

std::string ShotSuffix() {
  const char* scale = std::getenv("QT_SCALE_FACTOR");
  return scale && std::string(scale) != "1" ? std::string("-") + scale + "x" : std::string();
}
