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
// The output size for a picture of `picture` pixels in `scaleClass` (see djpeg32.h).
Size OutputSize(Size picture, int scaleClass);

class DibStore {
 public:
  virtual ~DibStore() = default;
  // Room for `bytes` bytes of packed DIB, or nullptr when it cannot be had.
  virtual std::uint8_t* Allocate(std::size_t bytes) = 0;
};

// False (with nothing kept in `store` that the caller must free beyond its own cleanup)
// when the file cannot be read, is no JPEG, is damaged, or is too large.
bool DecodeJpegToDib(const std::string& path, int scaleClass, bool eightBit, DibStore& store);

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
