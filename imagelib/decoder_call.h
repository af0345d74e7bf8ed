#pragma once
// The decoder's two procedures, called so that a decoder that crashes costs one picture
// and not the program: each call runs isolated (platform/isolated_call.h), and a call that
// does not finish is taken as a picture that could not be decoded, which every caller
// already handles. Why it failed goes to stderr.
#include "decoder/djpeg32.h"

// As `decode` would answer: nullptr, QM_DECODED_TO_FILE, or a new block owned by the caller.
HGLOBAL CallDecodeJpeg(QmDecodeJpegProc decode, const char* picturePath,
                       const char* outputBitmapPath, HWND window, int scaleClass,
                       int colorCount);
// As `writeWindow` would answer: nonzero when the bitmap file was written.
int CallWritePanoramaWindow(QmWritePanoramaWindowProc writeWindow, const char* outputBitmapPath,
                            HGLOBAL packedDib, int origin);
