#include "saver/slideshow.h"

#include <algorithm>
#include <cstdint>
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
#include "platform/scoped.h"
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
  // A panorama is known by its information file as well as by its shape: one less than
  // twice as long as high still gets its window and its pan rather than a letterbox.
  g.infoPanorama = withPan && (g.panDirection != PAN_NONE || ReadPanoramicOrigin(g.infoFile) != -1);
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

// Calls the decoder for the current picture path, sized for the area the show runs in
// (ordinal 2, sized for the scale class alone, with a library that cannot be told the
// size); loads the library the first time it is needed.
HGLOBAL Decode(HWND window) {
  if (!g.decoder) {
    g.decoder = LoadLibrary(NativePath(g.decoderPath).c_str());
    if (g.decoder) {
      g.decode = GetProcAddress(g.decoder, static_cast<WORD>(2));
      g.decodeForScreen = GetProcAddress(g.decoder, kQmDecodeJpegForScreenName);
    }
  }
  if (!g.decode && !g.decodeForScreen) return nullptr;
  const std::string picture = NativePath(g.picturePath);
  const int colors = static_cast<int>(g.colorCount);
  g.closingAllowed = false;
  HGLOBAL block = nullptr;
  if (g.decodeForScreen) {
    const DecodeScreen area{g.showArea.right - g.showArea.left, g.showArea.bottom - g.showArea.top,
                            g.infoPanorama};
    block = CallDecodeJpegForScreen(reinterpret_cast<QmDecodeJpegForScreenProc>(g.decodeForScreen),
                                    picture.c_str(), "", g.scaleClass, colors, area);
  } else {
    block = CallDecodeJpeg(reinterpret_cast<QmDecodeJpegProc>(g.decode), picture.c_str(), "",
                           window, g.scaleClass, colors);
  }
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
  GetScreenSaverViewRect(window, &g.showArea);
  const QmSize box = QmFitBox(g.scaleClass, g.showArea.right - g.showArea.left,
                              g.showArea.bottom - g.showArea.top);
  g.boxWidth = box.width;
  g.boxHeight = box.height;
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

  g.picture = GlobalAlloc(GMEM_MOVEABLE, g.colorCount == 256 ? kWallpaperHeaderBlock256 : kWallpaperHeaderBlock);
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
    // The caption lies in the saver window, laid out in the area of the show until a
    // picture's view narrows it.
    g_caption.Initialise(window, Instance(), g.showArea.right - g.showArea.left,
                         g.showArea.bottom - g.showArea.top);
    g_caption.SetArea(g.showArea.left, g.showArea.top, g.showArea.right - g.showArea.left,
                      g.showArea.bottom - g.showArea.top);
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
// The view centred in the area of the show, X0 = (w - W) / 2 and Y0 = (h - H) / 2 for any
// view size; true when the view leaves part of the window uncovered (to be painted black).
bool PlaceView(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const RECT& a = g.showArea;
  g.x0 = a.left + (a.right - a.left - g.viewWidth) / 2;
  g.y0 = a.top + (a.bottom - a.top - g.viewHeight) / 2;
  return g.x0 > client.left || g.y0 > client.top || g.x0 + g.viewWidth < client.right ||
         g.y0 + g.viewHeight < client.bottom;
}

// A panorama's view starts at the end its pan starts from; any other picture larger than
// the view (a bitmap made for another screen) shows its middle.
void SourceOrigin(DWORD pw, DWORD ph) {
  const int spareX = std::max(0, static_cast<int>(pw) - g.viewWidth);
  const int spareY = std::max(0, static_cast<int>(ph) - g.viewHeight);
  if (!g.panoramic) {
    g.sx = spareX / 2;
    g.sy = spareY / 2;
    return;
  }
  g.sx = g.panDirection == PAN_RIGHTTOLEFT ? spareX : 0;
  g.sy = g.panDirection == PAN_BOTTOMTOTOP ? spareY : 0;
}

// The part of the picture on the screen at one time: the whole picture, as far as the
// scale class's box in the area of the show reaches (a panorama is longer than that one
// way, and pans across the rest).
void MeasureView(DWORD pw, DWORD ph) {
  g.viewWidth = static_cast<WORD>(std::min<DWORD>(pw, static_cast<DWORD>(g.boxWidth)));
  g.viewHeight = static_cast<WORD>(std::min<DWORD>(ph, static_cast<DWORD>(g.boxHeight)));
  g.nextColumn = g.viewWidth;
  g.nextRow = g.viewHeight;
}

// The size the picture is shown at. Decoded pictures were made for this area; the
// desktop's bitmap was made for the largest monitor, so it is fitted into the box of the
// show (enlarged as well only when stretching).
void ShownSize(DWORD bw, DWORD bh, DWORD& pw, DWORD& ph) {
  pw = bw;
  ph = bh;
  if (!g.wallpaperStart || bw == 0 || bh == 0) return;
  const DWORD boxW = static_cast<DWORD>(g.boxWidth), boxH = static_cast<DWORD>(g.boxHeight);
  const bool larger = bw > boxW || bh > boxH;
  if (!larger && Settings().stretchWallpaper == 0) return;
  if (static_cast<std::uint64_t>(bw) * boxH >= static_cast<std::uint64_t>(bh) * boxW) {
    pw = boxW;
    ph = std::max<DWORD>(1, static_cast<DWORD>(static_cast<std::uint64_t>(bh) * boxW / bw));
  } else {
    ph = boxH;
    pw = std::max<DWORD>(1, static_cast<DWORD>(static_cast<std::uint64_t>(bw) * boxH / bh));
  }
}

// Turns the block into a device bitmap of its shown size once. The bitmap is at least as
// large as the view, so that the part of a view that the picture does not fill is black
// rather than whatever the previous picture left on the screen.
void MakeScreenCopy(HDC dc, const void* dib, DWORD bw, DWORD bh, DWORD pw, DWORD ph) {
  const int width = std::max<int>(static_cast<int>(pw), g.viewWidth);
  const int height = std::max<int>(static_cast<int>(ph), g.viewHeight);
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
  if (pw == bw && ph == bh) {
    SetDIBitsToDevice(g.screenCopy, 0, 0, bw, bh, 0, 0, 0, bh, PictureBits(dib),
                      static_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS);
  } else {
    SetStretchBltMode(g.screenCopy, HALFTONE);
    StretchDIBits(g.screenCopy, 0, 0, static_cast<int>(pw), static_cast<int>(ph), 0, 0,
                  static_cast<int>(bw), static_cast<int>(bh), PictureBits(dib),
                  static_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS, SRCCOPY);
  }
}

// Long one way beyond the view: by its shape (one side at least twice the other) or,
// when its information file calls it a panorama, by any length.
void FindPanorama(DWORD pw, DWORD ph) {
  const bool wideShape = ph != 0 && pw / ph >= 2, tallShape = pw != 0 && ph / pw >= 2;
  g.wide = (wideShape || g.infoPanorama) && pw > g.viewWidth;
  g.tall = !g.wide && (tallShape || g.infoPanorama) && ph > g.viewHeight;
  g.panoramic = g.tall || g.wide;
  if (g.panoramic) g.panPending = true;
}

// Whether the picture, as it will be shown, covers the whole window: only then may the
// first paint leave the background as it is.
bool PictureCoversWindow(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  if (!EqualRect(&client, &g.showArea)) return false;
  const void* dib = g.picture ? GlobalLock(g.picture) : nullptr;
  if (!dib) return false;
  DWORD pw = 0, ph = 0;
  ShownSize(DIBWidth(dib), DIBHeight(dib), pw, ph);
  GlobalUnlock(g.picture);
  return std::min<DWORD>(pw, static_cast<DWORD>(g.boxWidth)) >= static_cast<DWORD>(client.right - client.left) &&
         std::min<DWORD>(ph, static_cast<DWORD>(g.boxHeight)) >= static_cast<DWORD>(client.bottom - client.top);
}

void DrawPicture(HWND window) {
  const PaintScope paint(window);
  const GlobalLockScope locked(g.picture);
  HDC dc = paint.dc();
  const void* dib = locked.data();
  if (!dc || !dib) return;
  if (!g.palette) g.palette = MakeDIBPalette(dib);
  if (!g.palette) return;
  HPALETTE previous = SelectPalette(dc, g.palette, FALSE);
  RealizePalette(dc);

  const DWORD bw = DIBWidth(dib), bh = DIBHeight(dib);
  DWORD pw = 0, ph = 0;
  ShownSize(bw, bh, pw, ph);
  g.shownWidth = static_cast<int>(pw);
  g.shownHeight = static_cast<int>(ph);
  MeasureView(pw, ph);
  FindPanorama(pw, ph);
  SourceOrigin(pw, ph);
  const bool uncovered = PlaceView(window);
  if (uncovered && g.captionRect.right > 0) {
    FillRect(dc, &g.captionRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  g_caption.SetArea(g.x0, g.y0, g.viewWidth, g.viewHeight);

  if (!g.screenCopy) MakeScreenCopy(dc, dib, bw, bh, pw, ph);
  if (g.screenCopy) {
    DrawWithEffect(dc, g.effect, g.screenCopy, g.viewWidth, g.viewHeight, g.x0, g.y0, g.sx, g.sy);
  }
  if (previous) SelectPalette(dc, previous, FALSE);
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
      DWORD pw = 0, ph = 0;
      ShownSize(DIBWidth(dib), DIBHeight(dib), pw, ph);
      SourceOrigin(pw, ph);
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
  if (update.right == kPreviewPaneWidth && update.bottom == kPreviewPaneHeight) {
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
  // The pan runs to the picture's far edge: two view widths or three view heights for
  // the panoramas of the old fixed screens.
  HDC copy = g.screenCopy;
  bool ended = true;
  if (copy && dc)
    ended = PanViewOneStep(dc, copy, g.panDirection, w, h, x0, y0,
                           PanSource{g.sx, g.sy, g.shownWidth, g.shownHeight}, g.nextRow, g.nextColumn);
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
      // Class 1 on a larger screen, a wider screen than the class's, several monitors, a
      // picture of another shape: whatever the window shows beside the view is black.
      const bool uncovered = !PictureCoversWindow(window);
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
