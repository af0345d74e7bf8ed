#pragma once
// File writers of the sample set generator: JPEG pictures, 8-bit thumbnails, and the
// conversion of the generator's UTF-8 texts into the code pages the suite reads.
#include <cstdint>
#include <string>

#include "tools/mksampleset/painting.h"

namespace mks {

enum class JpegKind { Baseline, Progressive, Greyscale };

// Luma only (ITU-R BT.601 weights), in place.
void ToGrey(Raster& picture);

// Returns an empty string on success, else a description of the failure.
std::string WriteJpeg(const std::string& path, const Raster& picture, JpegKind kind, int quality);

// An 8-bit bottom-up bitmap file with a 256-entry colour table made for this picture.
std::string EncodeThumbnailBmp(const Raster& thumbnail);

// The 80 x 60 thumbnail of a picture. It shows a 4:3 window, as the previews draw it into
// a 4:3 monitor: for a wide panorama the part the wallpaper starts with (`panoramicOrigin`
// counts pixels of the picture scaled to a 480-pixel-high screen; -1 centres it), for a
// tall picture its middle.
Raster Thumbnail(const Raster& picture, int panoramicOrigin);

// Area-averaged reduction of a window of the source (in source pixels) to width x height.
Raster Reduce(const Raster& source, int x0, int y0, int windowWidth, int windowHeight,
              int width, int height);

// UTF-8 to an 8-bit code page ("CP1252", "CP932"); throws std::runtime_error when a
// character has no place in it, so a typo can never leave garbage in a sample file.
std::string Encode(const std::string& utf8, const char* codePage);

// Writes through a temporary file and a rename, so an interrupted run never leaves a
// truncated file behind. Returns an empty string on success.
std::string WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace mks
