#pragma once
// The preview monitor: a child window laid over the screen of the monitor picture on a
// page, showing a thumbnail bitmap file scaled to its whole client area, or the desktop
// colour when it shows nothing.
#include <string>

#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/propsheet.h"

// The monitor picture's size in dialog units: its bitmap's size for the old 8-point system
// font, so that it grows and shrinks with the pages' text.
constexpr int kMonitorWidthUnits = 122;
constexpr int kMonitorHeightUnits = 99;
// The screen part of the monitor picture drawn into `monitor`, where the preview goes.
RECT MonitorScreenArea(const RECT& monitor);

class CMonitorWnd : public CChildWindow {
 public:
  CMonitorWnd() = default;
  ~CMonitorWnd() override;

  // A visible child of the page titled "Monitor Window"; nonzero on success.
  BOOL Create(const RECT& rect, CPropertyPage* parent, UINT id);
  // Loads the bitmap file and shows it; always 1.
  int ShowPicture(const std::string& bitmapPath);
  // Shows nothing; the picture stays loaded until the next load.
  void Clear();

  void OnPaint(HDC dc) override;

  enum Mode { kEmpty = 0, kPicture = 1 };
  int m_nMode = kEmpty;
  HGLOBAL m_hPicture = nullptr;
  HPALETTE m_hPalette = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;

 private:
  void Load(const std::string& bitmapPath);
  void RealizeOwnPalette();
  void FreePicture();
};
