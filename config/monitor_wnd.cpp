#include "config/monitor_wnd.h"

#include <cstdio>

#include "config/resource.h"
#include "imagelib/dib.h"
#include "platform/controls.h"
#include "platform/paths.h"
#include "platform/scoped.h"

RECT MonitorScreenArea(const RECT& monitor) {
  // The screen's edges in the bitmap: 12 and 11 pixels in from the sides, 14 from the top
  // and 27 from the bottom (the stand).
  const long width = monitor.right - monitor.left, height = monitor.bottom - monitor.top;
  RECT screen;
  SetRect(&screen, monitor.left + 12 * width / kMonitorBitmapWidth, monitor.top + 14 * height / kMonitorBitmapHeight,
          monitor.right - 11 * width / kMonitorBitmapWidth, monitor.bottom - 27 * height / kMonitorBitmapHeight);
  return screen;
}

CMonitorWnd::~CMonitorWnd() {
  FreePicture();
  if (m_hPalette) DeleteObject(m_hPalette);
  m_hPalette = nullptr;
}

BOOL CMonitorWnd::Create(const RECT& rect, CPropertyPage* parent, UINT id) {
  return CChildWindow::Create("Monitor Window", rect, parent, id);
}

int CMonitorWnd::ShowPicture(const std::string& bitmapPath) {
  m_nMode = kPicture;
  Load(bitmapPath);
  RealizeOwnPalette();
  Invalidate(FALSE);
  return 1;
}

void CMonitorWnd::Clear() {
  m_nMode = kEmpty;
  Invalidate(FALSE);
}

void CMonitorWnd::FreePicture() {
  if (m_hPicture) GlobalFree(m_hPicture);
  m_hPicture = nullptr;
}

void CMonitorWnd::Load(const std::string& bitmapPath) {
  // A file that cannot even be opened leaves the previous picture in place.
  std::FILE* file = std::fopen(NativePath(bitmapPath).c_str(), "rb");
  if (!file) return;
  std::fclose(file);

  FreePicture();
  m_hPicture = ReadDIBFile(bitmapPath.c_str());
  if (m_hPalette) DeleteObject(m_hPalette);
  m_hPalette = nullptr;
  if (!m_hPicture) return;

  long width = -1, height = -1;
  if (const GlobalLockScope locked(m_hPicture); const void* dib = locked.data()) {
    width = static_cast<LONG>(DIBWidth(dib));
    height = static_cast<LONG>(DIBHeight(dib));
  }
  if (width < 0 || height < 0) {
    FreePicture();
    return;
  }
  m_nWidth = static_cast<int>(width);
  m_nHeight = static_cast<int>(height);
  // Pictures without a colour table (24 bits) are drawn without a palette.
  if (!CreateDIBPalette(m_hPicture, m_hPalette)) m_hPalette = nullptr;
}

void CMonitorWnd::RealizeOwnPalette() {
  if (!m_hPicture || !m_hPalette || !IsCreated()) return;
  HDC dc = GetDC();
  if (!dc) return;
  HPALETTE old = SelectPalette(dc, m_hPalette, FALSE);
  RealizePalette(dc);
  if (old) SelectPalette(dc, old, TRUE);
  ReleaseDC(dc);
}

void CMonitorWnd::OnPaint(HDC dc) {
  RECT client = GetClientRect();
  if (m_nMode == kEmpty) {
    HBRUSH desktop = CreateSolidBrush(GetSysColor(COLOR_DESKTOP));
    FillRect(dc, &client, desktop);
    DeleteObject(desktop);
    return;
  }
  if (!m_hPicture) return;
  RECT source;
  SetRect(&source, 0, 0, m_nWidth, m_nHeight);
  PaintDIB(dc, client, m_hPicture, source, m_hPalette);
}
