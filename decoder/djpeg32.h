#pragma once
// The JPEG decoder library djpeg32.so, loaded at run time from the program folder. The
// programs take its two procedures by ordinal through the platform's loader, which maps
// ordinal 2 to QmDecodeJpeg and ordinal 3 to QmWritePanoramaWindow; include this header
// for the procedure types.
//
// Decoded pictures travel as one packed device-independent bitmap in a movable global
// memory block (platform/global_memory.h): a 40-byte BITMAPINFOHEADER, then, when the
// colour count asked for is 256, a table of 256 colours (blue, green, red, 0) with
// colours-used 256 and 8-bit rows, otherwise no colour table and 24-bit rows (blue,
// green, red). Rows are stored bottom-up, each padded to a multiple of 4 bytes.
//
// Output size by scale class, each keeping the picture's aspect ratio:
//   class 1 fits the picture into 640 x 480, class 2 into 800 x 600, class 3 into
//   1024 x 768 (smaller pictures are enlarged to fit; a scale class outside 1..3 counts
//   as the nearest of them). Called with the size of the screen the picture will be
//   shown on (QmDecodeJpegForScreen), class 3 fits it into that screen instead, and
//   classes 1 and 2 into their own screen cut down to that one (QmFitBox), so a small
//   window gets a picture it can show whole and a large screen gets all its pixels.
//   A panorama (one side at least twice the other, or any picture that the caller says
//   is a panorama) is scaled so that its short side fills that box: a wide one gets the
//   box's height (2:1 -> 1280 x 480 in class 1), a tall one its width (1:3 -> 640 x 1440
//   in class 1).
// The decoder uses libjpeg's DCT scaling to decode no more pixels than needed (the
// smallest scale within 5% of the output size), then reduces by area averaging (or
// enlarges bilinearly) to the exact size. For 256 colours
// the palette comes from libjpeg's two-pass colour quantizer (Floyd-Steinberg dithered)
// and the indices are resized by nearest neighbour, since palette indices cannot be
// averaged.
//
// Broken pictures: a corrupt or truncated JPEG is a failure, not a partial picture.
// Any warning from libjpeg about damaged data (premature end, bad Huffman code, lost
// markers) stops the decode; only warnings about harmless metadata are let through.
// Pictures wider or taller than 65535 pixels or larger than 200 megapixels, and outputs
// larger than 32767 pixels a side or 48 megapixels, are refused before anything large
// is allocated. So are pictures whose decode would cost more than a camera picture ever
// does: more than 100 million coefficient blocks decoded over all scans (the scans are
// counted in the file first), or more than 224 MiB of memory. Every failure frees
// everything the call took and writes no file.
//
// Output files are ".bmp" files with the same DIB after a 14-byte file header, written
// to an unnamed temporary file beside the target and renamed over it, so a desktop
// reading the wallpaper never sees half a file and a killed decode leaves nothing (not
// flushed to disk first: it can be made again). Temporary files "<target>.tmp<digits>"
// that earlier versions could leave behind are removed when the target is written.
#include "platform/global_memory.h"
#include "platform/types.h"

// What ordinal 2 returns after writing a file: not a memory block. Never lock or free it.
#define QM_DECODED_TO_FILE (reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(1)))

#define QM_DECODER_API __attribute__((visibility("default")))

// The box that a picture is fitted into (see the top of this file); a screen of 0 x 0 (or
// less) is unknown and gives the class's own screen. The callers use it too, to know the
// part of a panorama that makes one screen.
struct QmSize {
  int width;
  int height;
};
inline QmSize QmFitBox(int scaleClass, int screenWidth, int screenHeight) {
  QmSize box = scaleClass <= 1 ? QmSize{640, 480} : scaleClass == 2 ? QmSize{800, 600} : QmSize{1024, 768};
  if (screenWidth < 1 || screenHeight < 1) return box;
  if (scaleClass >= 3) return {screenWidth, screenHeight};
  return {screenWidth < box.width ? screenWidth : box.width,
          screenHeight < box.height ? screenHeight : box.height};
}

extern "C" {

// Ordinal 2. Decodes `picturePath` for `scaleClass` and `colorCount` (256 asks for an
// 8-bit picture with a colour table; any other count for 24 bits).
//   With a non-empty `outputBitmapPath`: writes the bitmap file there and returns
//   QM_DECODED_TO_FILE on success, nullptr on failure (the old file is then untouched).
//   With an empty (or null) `outputBitmapPath`: returns a new movable block holding the
//   packed DIB, owned by the caller (unlock, then GlobalFree), or nullptr on failure.
// `window` is not used: decoding runs to its end without pumping messages.
QM_DECODER_API HGLOBAL QmDecodeJpeg(const char* picturePath, const char* outputBitmapPath,
                                    HWND window, int scaleClass, int colorCount);

// Ordinal 3. Writes the screen-sized window of a decoded panorama (a block from ordinal
// 2, which stays the caller's and is left unlocked) as a bitmap file. The window is the
// class screen that the block's short side implies (height 480 -> 640 x 480, 600 -> 800 x
// 600, 768 -> 1024 x 768, any other short side s -> 4:3 of it), cut at `origin` pixels
// from the left of a wide panorama or from the top of a tall one, clamped so the window
// lies inside the picture. Returns nonzero on success, 0 on failure (no file written).
QM_DECODER_API int QmWritePanoramaWindow(const char* outputBitmapPath, HGLOBAL packedDib,
                                         int origin);

// Ordinal 2 for a known screen: the picture is fitted into QmFitBox(scaleClass,
// screenWidth, screenHeight) rather than the class's fixed screen; with `panorama`
// nonzero a picture longer one way than the other fills the box with its short side even
// when it is less than twice as long (the caller knows it is a panorama from its
// information file). Results as for ordinal 2. The screen comes as plain numbers, so the
// call means the same in any process.
QM_DECODER_API HGLOBAL QmDecodeJpegForScreen(const char* picturePath,
                                             const char* outputBitmapPath, int scaleClass,
                                             int colorCount, int screenWidth,
                                             int screenHeight, int panorama);

// Ordinal 3 for a block from QmDecodeJpegForScreen: the window is one screen of the same
// box (QmFitBox), cut down to the block. `origin` is counted as for ordinal 3 in a picture
// of the class's own screen (a class-1 origin scaled by the caller, x 1.25 for class 2 and
// x 1.6 for class 3) and is converted here to the block's real size, so the window starts
// at the same place of the picture on any screen. Results as for ordinal 3.
QM_DECODER_API int QmWritePanoramaWindowForScreen(const char* outputBitmapPath,
                                                  HGLOBAL packedDib, int origin,
                                                  int scaleClass, int screenWidth,
                                                  int screenHeight);

}  // extern "C"

using QmDecodeJpegProc = HGLOBAL (*)(const char*, const char*, HWND, int, int);
using QmWritePanoramaWindowProc = int (*)(const char*, HGLOBAL, int);
using QmDecodeJpegForScreenProc = HGLOBAL (*)(const char*, const char*, int, int, int, int, int);
using QmWritePanoramaWindowForScreenProc = int (*)(const char*, HGLOBAL, int, int, int, int);
constexpr const char* kQmDecodeJpegForScreenName = "QmDecodeJpegForScreen";
constexpr const char* kQmWritePanoramaWindowForScreenName = "QmWritePanoramaWindowForScreen";
