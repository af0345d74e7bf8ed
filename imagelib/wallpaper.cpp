#include "imagelib/wallpaper.h"

#include <cstdint>

#include "decoder/djpeg32.h"
#include "imagelib/decoder_call.h"
#include "imagelib/info_file.h"
#include "imagelib/profile_file.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/replaced_file.h"
#include "platform/screen.h"
#include "platform/wallpaper.h"

CWallpaperDecoder::~CWallpaperDecoder() {
  FreePanoramaBlock();
  ReleaseLibrary();
}

void CWallpaperDecoder::FreePanoramaBlock() {
  if (!m_hPanorama) return;
  GlobalUnlock(m_hPanorama);
  GlobalFree(m_hPanorama);
  m_hPanorama = nullptr;
}

void CWallpaperDecoder::ReleaseLibrary() {
  if (!m_hLibrary) return;
  FreeLibrary(m_hLibrary);
  m_hLibrary = nullptr;
}

int ColorCountForDepth(const DeviceColorDepth& depth) {
  const unsigned bits = static_cast<unsigned>(depth.bitsPerPixel * depth.planes) % 32u;
  const std::uint32_t count = std::uint32_t{1} << bits;
  return count == 1 ? 0 : static_cast<int>(count);
}

int ScaleClassForScreen(bool stretch, int screenWidth) {
  if (!stretch || screenWidth <= 640) return 1;
  return screenWidth <= 800 ? 2 : 3;
}

int ScalePanoramaOrigin(int origin, int scaleClass) {
  // Exact in integers: x 5/4 and x 8/5 truncate toward zero like the old float product,
  // without its rounding error at multiples of 5.
  std::int64_t scaled = origin;
  if (scaleClass == 2) scaled = scaled * 5 / 4;
  else if (scaleClass == 3) scaled = scaled * 8 / 5;
  if (scaled > INT32_MAX) return INT32_MAX;
  if (scaled < INT32_MIN) return INT32_MIN;
  return static_cast<int>(scaled);
}

std::string WallpaperBitmapPath(const std::string& windowsDirectory) {
  return WithTrailingSeparator(windowsDirectory) + kWallpaperBitmapName;
}

namespace {
void showWallpaperError() {
  MessageBox(nullptr, kWallpaperErrorText, ApplicationTitle().c_str(), MB_OK);
}

// The decoder's procedures: sized for the largest monitor when the library can be told
// it, else ordinals 2 and 3 with the class's fixed screen.
struct Procedures {
  QmDecodeJpegProc decode = nullptr;
  QmWritePanoramaWindowProc window = nullptr;
  QmDecodeJpegForScreenProc decodeForScreen = nullptr;
  QmWritePanoramaWindowForScreenProc windowForScreen = nullptr;
  DecodeScreen screen;
};

HGLOBAL decodePicture(const Procedures& p, const std::string& picture, const char* output,
                      int scaleClass, int colorCount) {
  if (p.decodeForScreen)
    return CallDecodeJpegForScreen(p.decodeForScreen, picture.c_str(), output, scaleClass,
                                   colorCount, p.screen);
  return CallDecodeJpeg(p.decode, picture.c_str(), output, nullptr, scaleClass, colorCount);
}

// Decodes a panorama into memory and writes the window at `origin` as the bitmap.
void writePanorama(CWallpaperDecoder& decoder, const Procedures& p, const std::string& picture,
                   const std::string& bitmap, int scaleClass, int colorCount, int origin) {
  decoder.FreePanoramaBlock();
  decoder.m_hPanorama = decodePicture(p, picture, "", scaleClass, colorCount);
  if (!decoder.m_hPanorama) {
    showWallpaperError();
    return;
  }
  const bool written =
      p.decodeForScreen && p.windowForScreen
          ? CallWritePanoramaWindowForScreen(p.windowForScreen, bitmap.c_str(), decoder.m_hPanorama,
                                             origin, scaleClass, p.screen) != 0
          : p.window && CallWritePanoramaWindow(p.window, bitmap.c_str(), decoder.m_hPanorama,
                                                origin) != 0;
  if (!written) showWallpaperError();
  decoder.FreePanoramaBlock();
}
}  // namespace

void ApplyWallpaperPicture(const std::string& picturePath, const std::string& infoFilePath,
                           const std::string& bitmapPath, const std::string& programFolder,
                           int stretch, const DeviceColorDepth& device,
                           CWallpaperDecoder& decoder) {
  const int colorCount = ColorCountForDepth(device);
  // One picture for every monitor, sized for the largest; the root window centres it on
  // each of them.
  const MonitorArea monitor = stretch ? LargestMonitor() : MonitorArea{};
  const int scaleClass = ScaleClassForScreen(stretch != 0, stretch ? monitor.width : 0);
  int origin = ReadPanoramicOrigin(infoFilePath);
  const bool panorama = origin != -1;
  if (panorama) origin = ScalePanoramaOrigin(origin, scaleClass);

  // The decoder opens files itself: hand it native paths.
  const std::string picture = NativePath(picturePath);
  const std::string bitmap = NativePath(bitmapPath);

  if (!decoder.m_hLibrary)
    decoder.m_hLibrary =
        LoadLibrary((WithTrailingSeparator(programFolder) + kDecoderLibraryName).c_str());
  Procedures p;
  if (HMODULE library = decoder.m_hLibrary) {
    p.decode = reinterpret_cast<QmDecodeJpegProc>(GetProcAddress(library, WORD{2}));
    p.window = reinterpret_cast<QmWritePanoramaWindowProc>(GetProcAddress(library, WORD{3}));
    p.decodeForScreen = reinterpret_cast<QmDecodeJpegForScreenProc>(
        GetProcAddress(library, kQmDecodeJpegForScreenName));
    p.windowForScreen = reinterpret_cast<QmWritePanoramaWindowForScreenProc>(
        GetProcAddress(library, kQmWritePanoramaWindowForScreenName));
    // Without stretching the class's own screen (640 x 480) is the size, as before.
    if (stretch) p.screen = DecodeScreen{monitor.width, monitor.height, panorama};
    else p.screen.panorama = panorama;
  }
  // The bitmap the decoder replaces ends while the wallpaper is set, not inside the
  // decoder's rename.
  ReplacedFile previousBitmap(bitmap);
  if (p.decode || p.decodeForScreen) {
    if (!panorama) {
      // Whether this worked is not looked at: the desktop then shows the old bitmap.
      decodePicture(p, picture, bitmap.c_str(), scaleClass, colorCount);
    } else {
      writePanorama(decoder, p, picture, bitmap, scaleClass, colorCount, origin);
    }
  }
  previousBitmap.LetGoBeside();
  if (!decoder.m_bKeepLoaded) decoder.ReleaseLibrary();

  CProfileFile("win.ini").WriteInt("Desktop", "TileWallpaper", 0);
  SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(bitmapPath.c_str()),
                       SPIF_UPDATEINIFILE);
}
