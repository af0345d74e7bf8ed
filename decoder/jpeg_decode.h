#pragma once
// Decoding one JPEG file into a packed device-independent bitmap of the size its scale
// class asks for. The caller decides where the bitmap lives (a memory block or the bytes
// of a file) by handing in a DibStore.
#include <cstddef>
#include <cstdint>
#include <string>

struct Size {
  int width = 0;
  int height = 0;
};

// The screen size of a scale class (values outside 1..3 count as the nearest class).
Size ClassScreen(int scaleClass);
// The box a picture is fitted into for `scaleClass` on a screen of `screen` pixels (a
// screen of 0 x 0 is unknown: the class's own screen). See QmFitBox in djpeg32.h.
Size FitBox(int scaleClass, Size screen);
// The output size for a picture of `picture` pixels fitted into `box` (see djpeg32.h);
// `panorama` also makes a picture less than twice as long as it is wide fill the box with
// its short side.
Size OutputSize(Size picture, Size box, bool panorama = false);

class DibStore {
 public:
  virtual ~DibStore() = default;
  // Room for `bytes` bytes of packed DIB, or nullptr when it cannot be had.
  virtual std::uint8_t* Allocate(std::size_t bytes) = 0;
};

// False (with nothing kept in `store` that the caller must free beyond its own cleanup)
// when the file cannot be read, is no JPEG, is damaged, or is too large.
struct DecodeRequest {
  int scaleClass = 1;
  Size screen;  // 0 x 0: the class's own screen
  bool panorama = false;
  bool eightBit = false;
};
bool DecodeJpegToDib(const std::string& path, const DecodeRequest& request, DibStore& store);

// Layout helpers shared with the panorama window writer.
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;
inline std::size_t RowStride(int width, int bitsPerPixel) {
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}
// Writes a BITMAPINFOHEADER for an uncompressed bottom-up DIB.
void WriteInfoHeader(std::uint8_t* at, int width, int height, int bitsPerPixel,
                     std::uint32_t colorsUsed);
// Writes the 14-byte file header for a DIB of `dibBytes` bytes whose rows start
// `rowsOffset` bytes into the DIB.
void WriteFileHeader(std::uint8_t* at, std::size_t dibBytes, std::size_t rowsOffset);
