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
//   as the nearest of them).
//   A panorama (one side at least twice the other) is scaled so that its short side
//   fills the class's screen: a wide one gets the screen height (2:1 -> 1280 x 480 in
//   class 1), a tall one the screen width (1:3 -> 640 x 1440 in class 1).
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

}  // extern "C"

using QmDecodeJpegProc = HGLOBAL (*)(const char*, const char*, HWND, int, int);
using QmWritePanoramaWindowProc = int (*)(const char*, HGLOBAL, int);
