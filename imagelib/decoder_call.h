#pragma once
// The decoder's two procedures, called so that a decoder that crashes costs one picture
// and not the program: each call runs in the decoder host quilldec (platform/isolated_call.h),
// which loads the library file the procedure came from, and a call that does not finish
// within a few seconds is taken as a picture that could not be decoded, which every caller
// already handles. Why it failed goes to stderr. A decoded block comes back shared with
// the host's memory file, not copied.
#include <string>

#include "decoder/djpeg32.h"

// As `decode` would answer: nullptr, QM_DECODED_TO_FILE, or a new block owned by the caller.
HGLOBAL CallDecodeJpeg(QmDecodeJpegProc decode, const char* picturePath,
                       const char* outputBitmapPath, HWND window, int scaleClass,
                       int colorCount);
// As `writeWindow` would answer: nonzero when the bitmap file was written.
int CallWritePanoramaWindow(QmWritePanoramaWindowProc writeWindow, const char* outputBitmapPath,
                            HGLOBAL packedDib, int origin);

// The screen a picture is decoded for, as plain numbers (see QmDecodeJpegForScreen):
// 0 x 0 when it is not known.
struct DecodeScreen {
  int width = 0;
  int height = 0;
  bool panorama = false;  // the picture's information file calls it one
};
HGLOBAL CallDecodeJpegForScreen(QmDecodeJpegForScreenProc decode, const char* picturePath,
                                const char* outputBitmapPath, int scaleClass, int colorCount,
                                const DecodeScreen& screen);
int CallWritePanoramaWindowForScreen(QmWritePanoramaWindowForScreenProc writeWindow,
                                     const char* outputBitmapPath, HGLOBAL packedDib,
                                     int origin, int scaleClass, const DecodeScreen& screen);

// Starts the decoder host ahead of a decoder call that is sure to come (PrestartIsolatedHost).
void PrestartDecoderHost();
// The decoder host: beside the running program's executable (its real folder, whatever
// folder the settings name), unless a test has chosen one.
std::string DecoderHostPath();
void SetDecoderHostForTesting(const std::string& path);
