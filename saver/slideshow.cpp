#include "saver/slideshow.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "decoder/djpeg32.h"
#include "imagelib/catalogue.h"
#include "imagelib/decoder_call.h"
#include "imagelib/dib.h"
#include "imagelib/info_file.h"
#include "imagelib/wallpaper.h"
#include "platform/folder_ops.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/screensaver.h"
#include "platform/shell.h"
#include "saver/caption_window.h"
#include "saver/resources.h"
#include "saver/transitions.h"

namespace {
SlideshowState g;
// The picture name of the list entry being fetched; stays as it was when the list is empty.
char g_entryPicture[MAX_PATH] = "";

SaverSettings& Settings() { return g_saverSettings; }

bool IsNotFound(const char* text) { return std::strcmp(text, saver::kNotFound) == 0; }

HINSTANCE Instance() { return hMainInstance ? hMainInstance : GetModuleHandle(nullptr); }

// ---- timers ---------------------------------------------------------------------------
UINT_PTR& TimerSlot(UINT_PTR id) { return g.timers[id - kSlideshowTimer]; }
void StartTimer(HWND window, UINT_PTR id, UINT milliseconds) {
  TimerSlot(id) = SetTimer(window, id, milliseconds, nullptr);
}
void StopTimer(HWND window, UINT_PTR id) {
  if (TimerSlot(id)) {
    KillTimer(window, id);
    TimerSlot(id) = 0;
  }
}
void StartSlideshow(HWND window) {
  if (TimerSlot(kSlideshowTimer)) return;
  StartTimer(window, kSlideshowTimer, Settings().inMinutes == 1 ? 60000 : 1000);
}

// ---- the picture ------------------------------------------------------------------------
void FreePicture() {
  if (g.screenCopy) {
    if (g.replacedBitmap) SelectObject(g.screenCopy, g.replacedBitmap);
    DeleteDC(g.screenCopy);
    g.screenCopy = nullptr;
    g.replacedBitmap = nullptr;
  }
  if (g.screenBitmap) {
    DeleteObject(g.screenBitmap);
    g.screenBitmap = nullptr;
  }
  if (g.palette) {
    DeleteObject(g.palette);  // the stock palette survives this
    g.palette = nullptr;
  }
  if (g.picture) {
    while (GlobalUnlock(g.picture)) {
    }
    GlobalFree(g.picture);
    g.picture = nullptr;
  }
}

// Where the pixel rows of the locked block start.
const BYTE* PictureBits(const void* dib) {
  return g.wallpaperStart ? static_cast<const BYTE*>(dib) + g.bitsOffset : FindDIBBits(dib);
}

// A block from the decoder is trusted only as far as it really holds what its header
// says: a damaged or foreign library must not make the paint read past the block.
bool BlockIsWhole(HGLOBAL block) {
  const std::size_t size = GlobalSize(block);
  const void* dib = GlobalLock(block);
  bool whole = false;
  if (dib && size >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize >= sizeof h && h.biWidth > 0 && h.biHeight > 0 && h.biCompression == BI_RGB &&
        h.biPlanes == 1 &&
        (h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 16 ||
         h.biBitCount == 24 || h.biBitCount == 32) &&
        h.biSize <= size) {
      const std::size_t stride = ((static_cast<std::size_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
      const std::size_t table = h.biSize + PaletteSize(dib);
      whole = table <= size && stride * static_cast<std::size_t>(h.biHeight) <= size - table;
    }
  }
  GlobalUnlock(block);
  return whole;
}

std::string Join(const char* a, const char* b, const char* c = "") {
  return std::string(a) + b + c;
}

// ---- reading what belongs to a picture ----------------------------------------------------
// The set's company.ini comes with the set: read as an outside file.
void ReadLinks() {
  const char* file = g.linkFile;
  g.netJumper = GetOutsideProfileInt("NetJumper", "NetJumper", 0, file);
  GetOutsideProfileString("NetJumper", "companyURL", saver::kNotFound, g.companyUrl, MAX_PATH, file);
  GetOutsideProfileString("NetJumper", "setURL", saver::kNotFound, g.setUrl, MAX_PATH, file);
  g.ssNetJumper = GetOutsideProfileInt("NetJumper", "SSNetJumper", 0, file);
  GetOutsideProfileString("NetJumper", "SSURL", saver::kNotFound, g.ssUrl, MAX_PATH, file);
}

// The set folder, link file, picture and information file of the entry, its links, and
// (unless starting from the wallpaper) its pan direction.
void ReadPictureFacts(const char* fileBase, bool withPan) {
  SaverSettings& s = Settings();
  // A set folder or file base that leads out of the program folder names no picture:
  // empty paths open nothing, as a missing picture does.
  const PictureFiles files = FindPictureFiles(s.programFolder, s.setFolder, fileBase);
  const bool folderInside = !files.setFolderPath.empty();
  CopyText(g.setFolder, MAX_PATH, folderInside ? files.setFolderPath : Join(s.programFolder, s.setFolder));
  CopyText(g.linkFile, MAX_PATH, folderInside ? Join(g.setFolder, settings::kCompanyFile) : "");
  ReadLinks();
  CopyText(g.picturePath, MAX_PATH, files.jpg);
  CopyText(g.infoFile, MAX_PATH, files.nfo);
  CopyText(g.pictureUrl, MAX_PATH, ReadPictureLink(g.infoFile));
  g_caption.SetSources(s.currentImageName, g.infoFile, s.language);
  g.panDirection = withPan ? ReadPanDirection(g.infoFile) : PAN_NONE;
}

// Moves the list position on and takes the entry's set and picture name.
void StepToNextEntry() {
  SaverSettings& s = Settings();
  PositionStep step = StepByPosition(g_imageList, s.currentImageNumber);
  s.currentImageNumber = step.nextPosition;
  if (!step.shown) return;
  if (s.useAllImages == 1) {
    std::string set, picture;
    SplitCombinedEntry(step.entry, set, picture);
    CopyText(s.currentSet, sizeof s.currentSet, set);
    ReadSetFolder(s.currentSet, s.setFolder, sizeof s.setFolder);
    CopyText(g_entryPicture, MAX_PATH, picture);
  } else {
    CopyText(g_entryPicture, MAX_PATH, step.entry);
  }
}

void PrepareEntry() {
  ReadFileBase(Settings().currentSet, g_entryPicture, g.fileBase, MAX_PATH);
  ReadPictureFacts(g.fileBase, true);
}

// Calls the decoder's ordinal 2 for the current picture path; loads the library the
// first time it is needed.
HGLOBAL Decode(HWND window) {
  if (!g.decoder) {
    g.decoder = LoadLibrary(NativePath(g.decoderPath).c_str());
    if (g.decoder) g.decode = GetProcAddress(g.decoder, static_cast<WORD>(2));
  }
  if (!g.decode) return nullptr;
  auto decode = reinterpret_cast<QmDecodeJpegProc>(g.decode);
  g.closingAllowed = false;
  HGLOBAL block = CallDecodeJpeg(decode, NativePath(g.picturePath).c_str(), "", window,
                                 g.scaleClass, static_cast<int>(g.colorCount));
  g.closingAllowed = true;
  if (block == QM_DECODED_TO_FILE) return nullptr;
  if (block && !BlockIsWhole(block)) {
    GlobalFree(block);
    return nullptr;
  }
  return block;
}

// Fetches list entries from the current position on until one decodes, at most once
// round the list, so that a damaged or missing file costs no black run of its own. The
// start-up fetch names the entry before reading its facts; a change names it after.
HGLOBAL FetchShowable(HWND window, bool nameFirst) {
  SaverSettings& s = Settings();
  auto fetch = [&] {
    StepToNextEntry();
    if (nameFirst) CopyText(s.currentImageName, sizeof s.currentImageName, g_entryPicture);
    PrepareEntry();
  };
  const int start = s.currentImageNumber;
  const std::size_t tries = std::max<std::size_t>(1, g_imageList.size());
  for (std::size_t i = 0; i < tries; ++i) {
    fetch();
    if (HGLOBAL block = Decode(window)) return block;
    // The user ended the saver while it decoded: that picture was not at fault.
    if (ScreenSaverIsEnding()) return nullptr;
  }
  // Nothing in the list shows now: go on from the first entry tried, as if only it had
  // been, so the next attempt does not skip what may have become readable meanwhile.
  if (tries > 1) {
    s.currentImageNumber = start;
    fetch();
  }
  return nullptr;
}

// ---- start-up -----------------------------------------------------------------------------
void TakeDisplayFacts(HWND window) {
  HDC screen = GetDC(nullptr);
  g.screenWidth = GetDeviceCaps(screen, HORZRES);
  g.screenHeight = GetDeviceCaps(screen, VERTRES);
  const DeviceColorDepth depth{GetDeviceCaps(screen, BITSPIXEL), GetDeviceCaps(screen, PLANES)};
  ReleaseDC(nullptr, screen);
  // The same two numbers the wallpaper conversion hands the decoder.
  g.colorCount = static_cast<DWORD>(ColorCountForDepth(depth));
  g.scaleClass = ScaleClassForScreen(Settings().stretchWallpaper != 0, g.screenWidth);
  RECT client;
  GetClientRect(window, &client);
  g.smallWindow = client.right - client.left < 600;
}

void StartFromWallpaper() {
  SaverSettings& s = Settings();
  char currentImage[64] = "", currentSet[64] = "", fileBase[16] = "";
  GetPrivateProfileString(settings::kConfigSection, settings::kCurrentImage, "", currentImage, sizeof currentImage, s.catalogueFile);
  GetPrivateProfileString(settings::kConfigSection, settings::kCurrentSet, "", currentSet, sizeof currentSet, s.catalogueFile);
  GetPrivateProfileString(currentSet, currentImage, "", fileBase, sizeof fileBase, s.catalogueFile);
  CopyText(g.fileBase, MAX_PATH, fileBase);
  ReadPictureFacts(fileBase, false);
  CopyText(s.currentImageName, sizeof s.currentImageName, currentImage);

  g.picture = GlobalAlloc(GMEM_MOVEABLE, g.colorCount == 256 ? 1064 : 40);
  g.wallpaperStart = true;
  if (g.picture && ReadDIBFileByHeader(NativePath(g.wallpaperPath).c_str(), g.picture, g.bitsOffset)) {
    g.pictureReady = true;
  } else if (g.picture) {
    GlobalFree(g.picture);
    g.picture = nullptr;
  }
}

void StartUp(HWND window) {
  EnsureSaverResources();
  ReadSaverSettings();
  SaverSettings& s = Settings();
  const SlideshowState fresh;
  g = fresh;
  g_entryPicture[0] = '\0';
  TakeDisplayFacts(window);
  if (s.showInterpretiveText == 1) {
    // The caption lies in the saver window; laid out in its client area, which is the
    // screen when the saver runs full screen.
    RECT client;
    GetClientRect(window, &client);
    g_caption.Initialise(window, Instance(), client.right, client.bottom);
  }
  g.effect = s.transition;
  CopyText(g.setFolder, MAX_PATH, Join(s.programFolder, s.setFolder));
  CopyText(g.decoderPath, MAX_PATH, Join(s.programFolder, kDecoderLibraryName));
  CopyText(g.wallpaperPath, MAX_PATH, WallpaperBitmapPath(WindowsDirectory()));

  if (!FileExists(NativePath(g.wallpaperPath))) {
    g.picture = FetchShowable(nullptr, true);
    g.pictureReady = g.picture != nullptr;
  } else {
    StartFromWallpaper();
    if (!g.picture) {
      // A damaged desktop picture is no reason for a black run: the list takes over.
      g.wallpaperStart = false;
      g.picture = FetchShowable(nullptr, true);
      g.pictureReady = g.picture != nullptr;
    }
  }
  InvalidateRect(window, nullptr, g.colorCount == 256);
}

// ---- the slideshow timer --------------------------------------------------------------------
void ChangePicture(HWND window) {
  SaverSettings& s = Settings();
  if (g.panPending || g.loading) return;
  if (g.tickCount < s.timeBetween && !g.panFinished) {
    ++g.tickCount;
    return;
  }
  g.panFinished = false;
  g.tickCount = 1;
  g.loading = true;
  g.panoramic = false;
  g.captionRestore = false;
  StopTimer(window, kSlideshowTimer);

  FreePicture();
  g.wallpaperStart = false;
  g.bitsOffset = 0;

  g.picture = FetchShowable(window, false);
  g.pictureReady = true;

  if (s.transition == TRANSITION_ALL) g.effect = NextCycledEffect(g.effect);
  CopyText(s.currentImageName, sizeof s.currentImageName, g_entryPicture);
  g.loading = false;
  InvalidateRect(window, nullptr, g.colorCount == 256);
}

// ---- painting -------------------------------------------------------------------------------
// The screen origin of the view; true when the view is centred (it may not cover the
// whole window, so uncovered parts are painted black).
bool PlaceView(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const int w = client.right - client.left, h = client.bottom - client.top;
  if (Settings().stretchWallpaper != 0) {
    if (g.screenWidth > 1024) {
      g.x0 = w / 2 - 512;
      g.y0 = h / 2 - 384;
      return true;
    }
    g.x0 = g.y0 = 0;
    return false;
  }
  g.x0 = w / 2 - 320;
  g.y0 = h / 2 - 240;
  return true;
}

void SourceOrigin(DWORD bw, DWORD bh) {
  g.sx = g.sy = 0;
  if (!g.panoramic) return;
  if (g.panDirection == PAN_BOTTOMTOTOP) g.sy = static_cast<int>((bh / 3) * 2);
  if (g.panDirection == PAN_RIGHTTOLEFT) g.sx = static_cast<int>(bw / 2);
}

void MeasureView(DWORD bw, DWORD bh) {
  if (bh == 480) {
    g.viewWidth = 640, g.viewHeight = 480;
  } else if (bh == 600) {
    g.viewWidth = 800, g.viewHeight = 600;
  } else if (bh == 768) {
    g.viewWidth = 1024, g.viewHeight = 768;
  } else if (bw == 640) {
    g.viewWidth = 640, g.viewHeight = 480;
  } else if (bw == 800) {
    g.viewWidth = 800, g.viewHeight = 600;
  } else if (bw == 1024) {
    g.viewWidth = 1024, g.viewHeight = 768;
  } else {
    g.viewWidth = static_cast<WORD>(bw);
    g.viewHeight = static_cast<WORD>(bh);
  }
  g.nextColumn = g.viewWidth;
  g.nextRow = g.viewHeight;
}

// Turns the block into a device bitmap once. The bitmap is at least as large as the
// view, so that the part of a view that the picture does not fill is black rather than
// whatever the previous picture left on the screen.
void MakeScreenCopy(HDC dc, const void* dib, DWORD bw, DWORD bh) {
  const int width = std::max<int>(static_cast<int>(bw), g.viewWidth);
  const int height = std::max<int>(static_cast<int>(bh), g.viewHeight);
  g.screenCopy = CreateCompatibleDC(dc);
  g.screenBitmap = CreateCompatibleBitmap(dc, width, height);
  if (!g.screenCopy || !g.screenBitmap) {
    // Never half a copy: without one the picture is simply not drawn.
    if (g.screenCopy) DeleteDC(g.screenCopy);
    if (g.screenBitmap) DeleteObject(g.screenBitmap);
    g.screenCopy = nullptr;
    g.screenBitmap = nullptr;
    return;
  }
  g.replacedBitmap = SelectObject(g.screenCopy, g.screenBitmap);
  SetDIBitsToDevice(g.screenCopy, 0, 0, bw, bh, 0, 0, 0, bh, PictureBits(dib),
                    static_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS);
}

void DrawPicture(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  void* dib = g.picture ? GlobalLock(g.picture) : nullptr;
  if (!dc || !dib) {
    if (dib) GlobalUnlock(g.picture);
    EndPaint(window, &ps);
    return;
  }
  if (!g.palette) g.palette = MakeDIBPalette(dib);
  if (!g.palette) {
    GlobalUnlock(g.picture);
    EndPaint(window, &ps);
    return;
  }
  HPALETTE previous = SelectPalette(dc, g.palette, FALSE);
  RealizePalette(dc);

  const bool centred = PlaceView(window);
  if (centred && g.captionRect.right > 0) {
    FillRect(dc, &g.captionRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  const DWORD bw = DIBWidth(dib), bh = DIBHeight(dib);
  g.tall = bw != 0 && bh / bw == 2;
  g.wide = bh != 0 && bw / bh == 2;
  g.panoramic = g.tall || g.wide;
  if (g.panoramic) g.panPending = true;
  SourceOrigin(bw, bh);
  MeasureView(bw, bh);

  if (!g.screenCopy) MakeScreenCopy(dc, dib, bw, bh);
  if (g.wallpaperStart && g.y0 == 0) {
    RECT client;
    GetClientRect(window, &client);
    StretchDIBits(dc, g.x0, 0, client.right, client.bottom, 0, 0, g.viewWidth, g.viewHeight,
                  PictureBits(dib), static_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS, SRCCOPY);
  } else if (g.screenCopy) {
    DrawWithEffect(dc, g.effect, g.screenCopy, g.viewWidth, g.viewHeight, g.x0, g.y0, g.sx, g.sy);
  }
  if (previous) SelectPalette(dc, previous, FALSE);
  GlobalUnlock(g.picture);
  EndPaint(window, &ps);
}

void RepairAfterCaption(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc && g.screenCopy) {
    if (PlaceView(window)) {
      FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    void* dib = g.picture ? GlobalLock(g.picture) : nullptr;
    if (dib) {
      SourceOrigin(DIBWidth(dib), DIBHeight(dib));
      GlobalUnlock(g.picture);
    }
    BitBlt(dc, g.x0, g.y0, g.viewWidth, g.viewHeight, g.screenCopy, g.sx, g.sy, SRCCOPY);
  }
  EndPaint(window, &ps);
}

void StartTimersAfterPaint(HWND window) {
  if (g.smallWindow) return;
  // No picture came (every file of the list failed): its caption would stand over the
  // picture before, which is still on the screen.
  if (g.picture && g_caption.Show()) {
    StartTimer(window, kHoldTimer, kCaptionPeriod);
  } else if (g.panoramic || g.panDirection != PAN_NONE) {
    StartTimer(window, kHoldTimer, kPanHold);
  } else {
    StartSlideshow(window);
  }
}

// Returns true when the paint was the preview's icon (the procedure then returns 0).
bool Paint(HWND window) {
  RECT update;
  GetUpdateRect(window, &update, FALSE);
  if (update.right == 152 && update.bottom == 112) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const int cx = (ps.rcPaint.left + ps.rcPaint.right) / 2;
    const int cy = (ps.rcPaint.top + ps.rcPaint.bottom) / 2;
    HICON icon = LoadIcon(Instance(), MAKEINTRESOURCE(kSaverIconId));
    if (dc && icon) DrawIcon(dc, cx - 16, cy - 16, icon);
    EndPaint(window, &ps);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    g.cursorShown = true;
    return true;
  }
  if (g.captionRestore) {
    RepairAfterCaption(window);
    g.captionRestore = false;
    return false;
  }
  if (g_caption.IsVisible()) {
    StopTimer(window, kHoldTimer);
    g_caption.Hide(&g.captionRect);
  } else {
    SetRectEmpty(&g.captionRect);
  }
  DrawPicture(window);
  StartTimersAfterPaint(window);
  return false;
}

// ---- the other timers -------------------------------------------------------------------------
void EndHold(HWND window) {
  StopTimer(window, kHoldTimer);
  g_caption.Hide(nullptr);
  g.captionRestore = true;
  if (g.panoramic) {
    StartTimer(window, kPanStartTimer, kPanStartDelay);
  } else {
    StartSlideshow(window);
  }
}

void StartPan(HWND window) {
  StopTimer(window, kPanStartTimer);
  if (!g.panoramic) return;
  StartTimer(window, kPanStepTimer, Settings().panoramicSpeed);
  g.panFinished = true;
}

void PanStep(HWND window) {
  if (g.motionStopped) return;
  HDC dc = GetDC(window);
  if (g.panoramic && g.panDirection == PAN_NONE) g.panDirection = g.tall ? PAN_TOPTOBOTTOM : PAN_LEFTTORIGHT;
  const int w = g.viewWidth, h = g.viewHeight, x0 = g.x0, y0 = g.y0;
  HDC copy = g.screenCopy;
  bool ended = true;
  if (copy && dc) {
    switch (g.panDirection) {
      case PAN_TOPTOBOTTOM:
        if (g.nextRow < 3 * h) {
          BitBlt(dc, x0, y0, w, h - 1, dc, x0, y0 + 1, SRCCOPY);
          BitBlt(dc, x0, y0 + h - 1, w, 1, copy, 0, g.nextRow, SRCCOPY);
          ++g.nextRow;
        }
        ended = g.nextRow >= 3 * h;
        break;
      case PAN_BOTTOMTOTOP:
        if (g.nextRow > -h) {
          BitBlt(dc, x0, y0 + 1, w, h - 1, dc, x0, y0, SRCCOPY);
          BitBlt(dc, x0, y0, w, 1, copy, 0, h + g.nextRow - 1, SRCCOPY);
          --g.nextRow;
        }
        ended = g.nextRow <= -h;
        break;
      case PAN_LEFTTORIGHT:
        if (g.nextColumn < 2 * w) {
          BitBlt(dc, x0, y0, w - 1, h, dc, x0 + 1, y0, SRCCOPY);
          BitBlt(dc, x0 + w - 1, y0, 1, h, copy, g.nextColumn, 0, SRCCOPY);
          ++g.nextColumn;
        }
        ended = g.nextColumn >= 2 * w;
        break;
      case PAN_RIGHTTOLEFT:
        if (g.nextColumn > 0) {
          BitBlt(dc, x0 + 1, y0, w - 1, h, dc, x0, y0, SRCCOPY);
          BitBlt(dc, x0, y0, 1, h, copy, g.nextColumn - 1, 0, SRCCOPY);
          --g.nextColumn;
        }
        ended = g.nextColumn <= 0;
        break;
      default:
        break;
    }
  }
  if (ended) {
    StopTimer(window, kPanStepTimer);
    g.panPending = false;
    StartTimer(window, kSlideshowTimer, kAfterPanDelay);
  }
  if (dc) ReleaseDC(window, dc);
}

// ---- keys and the end ---------------------------------------------------------------------------
// A link that is missing ("NotFound") or empty is no link.
bool IsLink(const char* text) { return text[0] != '\0' && !IsNotFound(text); }

void ChooseLink(WPARAM key) {
  if (key == VK_TAB) {
    if (g.netJumper != 1) return;
    const char* link = IsLink(g.pictureUrl) ? g.pictureUrl
                       : IsLink(g.setUrl)   ? g.setUrl
                       : IsLink(g.companyUrl) ? g.companyUrl
                                              : nullptr;
    g.launch = link != nullptr;
    if (link) CopyText(g.linkText, MAX_PATH, link);
  } else if (key == VK_ESCAPE) {
    if (g.ssNetJumper == 1 && IsLink(g.ssUrl)) {
      g.launch = true;
      CopyText(g.linkText, MAX_PATH, g.ssUrl);
    }
  }
}

void EndRun(HWND window) {
  SaverSettings& s = Settings();
  if (s.showInterpretiveText == 1) g_caption.Destroy();
  if (g.decoder) {
    FreeLibrary(g.decoder);
    g.decoder = nullptr;
    g.decode = nullptr;
  }
  for (UINT_PTR id = kSlideshowTimer; id <= kPanStartTimer; ++id) StopTimer(window, id);
  FreePicture();
  WriteSaverPosition();
  g_imageList.clear();
  if (g.launch) {
    const std::string launcher = NativePath(std::string(s.programFolder) + "NetJumper");
    ShellExecute(GetDesktopWindow(), "open", launcher.c_str(), g.linkText, nullptr, SW_SHOW);
  }
}

void HideCursor() {
  if (!g.cursorShown) SetCursor(nullptr);
}
}  // namespace

const SlideshowState& SlideshowStateForTesting() { return g; }

LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HideCursor();
  switch (message) {
    case WM_CREATE:
      StartUp(window);
      break;
    case WM_DESTROY:
      EndRun(window);
      break;
    case WM_SETFOCUS:
      g.motionStopped = false;
      break;
    case WM_KILLFOCUS:
      g.motionStopped = true;
      break;
    case WM_PAINT:
      if (!g.pictureReady) break;
      if (Paint(window)) return 0;
      break;
    case WM_CLOSE:
      if (!g.closingAllowed) return 0;
      break;
    case WM_ERASEBKGND: {
      const bool uncovered = (g.scaleClass == 1 && g.screenWidth != 640) || g.screenWidth > 1024;
      if (g.colorCount == 256 || (!g.erasedOnce && uncovered)) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client,
                 static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (g.colorCount != 256) g.erasedOnce = true;
        break;
      }
      return 0;
    }
    case WM_KEYDOWN:
      ChooseLink(wParam);
      g.motionStopped = true;
      break;
    case WM_TIMER:
      switch (wParam) {
        case kSlideshowTimer: ChangePicture(window); break;
        case kHoldTimer: EndHold(window); break;
        case kPanStepTimer: PanStep(window); break;
        case kPanStartTimer: StartPan(window); break;
        default: break;
      }
      break;
    default:
      break;
  }
  HideCursor();
  return DefScreenSaverProc(window, message, wParam, lParam);
}
