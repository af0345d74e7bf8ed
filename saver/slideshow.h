#pragma once
// The slideshow window: ScreenSaverProc (declared in platform/screensaver.h) shows the
// pictures of the chosen set one after another with a transition, a caption and slow
// panning across panoramas, and keeps its place in the list from one run to the next.
// All state belongs to the one saver window of the process.
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/library.h"
#include "platform/window.h"
#include "saver/settings.h"

// The four window timers of the show.
constexpr UINT_PTR kSlideshowTimer = 200;  // counts ticks and changes the picture
constexpr UINT_PTR kHoldTimer = 201;       // end of the caption period or of the pre-pan hold
constexpr UINT_PTR kPanStepTimer = 202;    // one pixel of pan
constexpr UINT_PTR kPanStartTimer = 203;   // starts the pan steps

constexpr UINT kCaptionPeriod = 20000;
constexpr UINT kPanHold = 3000;
constexpr UINT kPanStartDelay = 1000;
constexpr UINT kAfterPanDelay = 2000;
constexpr int kSaverIconId = 100;
// The update area of the display settings' preview pane, where only the icon is drawn.
constexpr int kPreviewPaneWidth = 152, kPreviewPaneHeight = 112;
// The block read from the wallpaper bitmap starts as a bare header, with room for the
// colour table of an 8-bit display.
constexpr DWORD kWallpaperHeaderBlock = 40, kWallpaperHeaderBlock256 = 40 + 256 * 4;

struct SlideshowState {
  // Display facts, taken at window creation.
  int screenWidth = 0, screenHeight = 0;
  DWORD colorCount = 0;  // 256 for an 8-bit display, 0 for 32 bits, else 2^bits
  int scaleClass = 1;
  bool smallWindow = false;  // a preview: no timer ever starts
  // Where the show runs in the window (the primary monitor, or the whole window) and the
  // largest view that a picture of the scale class gets there.
  RECT showArea{};
  int boxWidth = 0, boxHeight = 0;

  // Paths.
  char setFolder[MAX_PATH] = "";
  char decoderPath[MAX_PATH] = "";
  char wallpaperPath[MAX_PATH] = "";
  char linkFile[MAX_PATH] = "";
  char picturePath[MAX_PATH] = "";
  char infoFile[MAX_PATH] = "";
  char fileBase[MAX_PATH] = "";

  // The picture.
  HGLOBAL picture = nullptr;
  bool pictureReady = false;
  bool wallpaperStart = false;
  WORD bitsOffset = 0;
  HDC screenCopy = nullptr;
  HBITMAP screenBitmap = nullptr;
  HGDIOBJ replacedBitmap = nullptr;
  HPALETTE palette = nullptr;
  WORD viewWidth = 0, viewHeight = 0;
  int shownWidth = 0, shownHeight = 0;  // the picture as the screen copy holds it
  int x0 = 0, y0 = 0, sx = 0, sy = 0;
  bool panoramic = false, wide = false, tall = false;
  int panDirection = 0;
  bool infoPanorama = false;  // the information file has [Panoramic] data
  bool panPending = false;
  int nextRow = 0, nextColumn = 0;
  bool panFinished = false;

  // The show.
  UINT tickCount = 1;
  UINT effect = 0;
  bool loading = false;
  bool closingAllowed = true;
  bool captionRestore = false;
  bool motionStopped = false;
  bool cursorShown = false;
  bool erasedOnce = false;
  RECT captionRect{};

  // Links, read at every fetch.
  UINT netJumper = 0;
  char companyUrl[MAX_PATH] = "NotFound";
  char setUrl[MAX_PATH] = "NotFound";
  UINT ssNetJumper = 0;
  char ssUrl[MAX_PATH] = "NotFound";
  char pictureUrl[MAX_PATH] = "NotFound";
  bool launch = false;
  char linkText[MAX_PATH] = "";

  // The decoder.
  HMODULE decoder = nullptr;
  FARPROC decode = nullptr;
  FARPROC decodeForScreen = nullptr;  // nullptr in a library that cannot be told the size

  // Timers running (their ids, 0 when stopped).
  UINT_PTR timers[4] = {0, 0, 0, 0};
};

// The saver's state, for tests that follow the show step by step.
const SlideshowState& SlideshowStateForTesting();
