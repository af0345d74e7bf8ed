#pragma once
// Turning one picture of a set into the desktop wallpaper: the JPEG decoder library in the
// program folder decodes it, sized for the screen (and cut to a screen-wide window when the
// picture is a panorama), into the wallpaper bitmap "quillmrk.bmp" in the Windows
// directory; then win.ini [Desktop] "TileWallpaper" is set to 0 (centred) and the bitmap
// is made the desktop wallpaper. The desktop is pointed at the bitmap even when no new
// one could be written, so it shows whatever the file holds.
#include <string>

#include "platform/global_memory.h"
#include "platform/library.h"

constexpr const char* kWallpaperBitmapName = "quillmrk.bmp";
constexpr const char* kDecoderLibraryName = "djpeg32.so";
constexpr const char* kWallpaperErrorText =
    "Error loading the wallpaper.\n\nPlease choose a different image.";

// The decoder library and the memory block of a decoded panorama, owned by the caller of
// ApplyWallpaperPicture. The wallpaper changer makes one per call with keepLoaded false:
// the library is loaded at the start of the call and released at its end. The wallpaper
// page keeps one for its lifetime with keepLoaded true: the library is loaded by the first
// call that needs it (a failed load is tried again by the next call) and stays loaded,
// and a panorama block left from an earlier call is freed before a new one is decoded.
// Destroying the holder frees the block and releases the library.
class CWallpaperDecoder {
 public:
  explicit CWallpaperDecoder(bool keepLoaded) : m_bKeepLoaded(keepLoaded) {}
  ~CWallpaperDecoder();
  CWallpaperDecoder(const CWallpaperDecoder&) = delete;
  CWallpaperDecoder& operator=(const CWallpaperDecoder&) = delete;

  // Unlocks and frees the panorama block, if any.
  void FreePanoramaBlock();
  // Releases the library, if loaded.
  void ReleaseLibrary();

  bool m_bKeepLoaded;
  HMODULE m_hLibrary = nullptr;
  HGLOBAL m_hPanorama = nullptr;
};

// The colour depth of the device that the picture is decoded for.
struct DeviceColorDepth {
  int bitsPerPixel = 24;
  int planes = 1;
};

// 1 << ((bits per pixel x planes) mod 32), with 1 replaced by 0: 8 bits give 256,
// 24 give 16777216, 32 give 0.
int ColorCountForDepth(const DeviceColorDepth& depth);
// 1 when not stretching; else by the screen width: up to 640 gives 1, up to 800 gives 2,
// wider gives 3.
int ScaleClassForScreen(bool stretch, int screenWidth);
// A panorama origin (given for scale class 1) for `scaleClass`: x 1.25 for class 2, x 1.6
// for class 3, truncated toward zero.
int ScalePanoramaOrigin(int origin, int scaleClass);
// windowsDirectory + separator (unless it ends with one) + "quillmrk.bmp".
std::string WallpaperBitmapPath(const std::string& windowsDirectory);

// Makes `picturePath` the wallpaper (see the top of this file). `infoFilePath` is read for
// [Panoramic] "PanoramicOrigin" only; the decoder is programFolder + "djpeg32.so". A missing
// library or procedure is silent; a panorama that cannot be decoded or cut shows
// kWallpaperErrorText once (OK button, the program's application title as caption).
void ApplyWallpaperPicture(const std::string& picturePath, const std::string& infoFilePath,
                           const std::string& bitmapPath, const std::string& programFolder,
                           int stretch, const DeviceColorDepth& device,
                           CWallpaperDecoder& decoder);
