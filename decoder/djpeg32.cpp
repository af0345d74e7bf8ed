#include "decoder/djpeg32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "decoder/jpeg_decode.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/picture_memory.h"

namespace {

// Earlier versions wrote the bitmap to a named temporary file ("<target>.tmp<digits>")
// first, which a killed decoder left behind; the next write of the target clears them.
void RemoveStaleTemporaries(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path path(target);
  const std::string prefix = path.filename().string() + ".tmp";
  std::error_code error;
  fs::directory_iterator entries(path.has_parent_path() ? path.parent_path() : fs::path("."), error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const std::string name = entries->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
    std::error_code ignored;
    fs::remove(entries->path(), ignored);
  }
}

// Replaces the file atomically, so a desktop that reads the wallpaper meanwhile sees the
// old picture or the new one, never half of one; the content is written unnamed, so a
// decode killed half-way leaves nothing. Unlike the settings files, the bitmap is not
// flushed to disk: it can always be made again, and the flush would cost more than the
// whole decode.
bool WriteBitmapFile(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
  const std::string target = NativePath(path);
  RemoveStaleTemporaries(target);
  return WriteFileAtomically(target, bytes, size, false);
}
bool WriteBitmapFile(const std::string& path, const std::string& bytes) {
  return WriteBitmapFile(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

class BlockStore : public DibStore {
 public:
  ~BlockStore() override {
    if (block_) {
      GlobalUnlock(block_);
      GlobalFree(block_);
    }
  }
  std::uint8_t* Allocate(std::size_t bytes) override {
    block_ = GlobalAlloc(GHND, bytes);
    return block_ ? static_cast<std::uint8_t*>(GlobalLock(block_)) : nullptr;
  }
  // Hands the finished block to the caller, unlocked.
  HGLOBAL Release() {
    HGLOBAL block = block_;
    block_ = nullptr;
    GlobalUnlock(block);
    return block;
  }

 private:
  HGLOBAL block_ = nullptr;
};

// The DIB is built straight behind room for the file header, so the file is written
// from one buffer without a copy.
class FileStore : public DibStore {
 public:
  FileStore() = default;
  FileStore(const FileStore&) = delete;
  FileStore& operator=(const FileStore&) = delete;
  ~FileStore() override { FreePictureMemory(bytes_, size_); }
  // Fresh zeroed pages: the padding the decoder skips is zero without a pass over the
  // whole bitmap, and the pages are all there before the first row is written.
  std::uint8_t* Allocate(std::size_t bytes) override {
    FreePictureMemory(bytes_, size_);
    bytes_ = static_cast<std::uint8_t*>(AllocatePictureMemory(kFileHeaderSize + bytes));
    size_ = bytes_ ? kFileHeaderSize + bytes : 0;
    return bytes_ ? bytes_ + kFileHeaderSize : nullptr;
  }
  bool WriteTo(const std::string& path) {
    const std::uint8_t* dib = bytes_ + kFileHeaderSize;
    const std::size_t colors = ReadU32(dib + 32);
    WriteFileHeader(bytes_, size_ - kFileHeaderSize, kInfoHeaderSize + colors * 4);
    return WriteBitmapFile(path, bytes_, size_);
  }
  static std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }

 private:
  std::uint8_t* bytes_ = nullptr;
  std::size_t size_ = 0;
};

std::uint32_t U32(const std::uint8_t* p) { return FileStore::ReadU32(p); }
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// The screen whose height (for a wide picture) or width (for a tall one) the block's
// short side matches; failing that, 4:3 of the short side.
Size ScreenForBlock(int width, int height) {
  const Size screens[] = {{640, 480}, {800, 600}, {1024, 768}};
  const bool wide = width >= height;
  for (const Size& s : screens)
    if (wide ? s.height == height : s.width == width) return s;
  for (const Size& s : screens)
    if (wide ? s.width == width : s.height == height) return s;
  if (wide) return {static_cast<int>(static_cast<long long>(height) * 4 / 3), height};
  return {width, static_cast<int>(static_cast<long long>(width) * 3 / 4)};
}

// Where the window comes from: the old rule (ScreenForBlock, origin as given) unless a
// screen is known.
struct WindowRule {
  bool forScreen = false;
  int scaleClass = 1;
  Size screen;
};

int WritePanoramaWindow(const char* outputBitmapPath, HGLOBAL packedDib, int origin,
                        const WindowRule& rule) {
  if (!outputBitmapPath || !*outputBitmapPath || !packedDib) return 0;
  const std::size_t blockSize = GlobalSize(packedDib);
  if (blockSize < kInfoHeaderSize) return 0;
  const auto* dib = static_cast<const std::uint8_t*>(GlobalLock(packedDib));
  struct Unlock {
    HGLOBAL block;
    ~Unlock() { GlobalUnlock(block); }
  } unlock{packedDib};
  if (!dib) return 0;

  // The block normally comes from the decoder, but it is checked like any outside data:
  // a wrong size here would copy from beyond its end.
  const std::uint32_t headerSize = U32(dib);
  const std::int32_t width = I32(dib + 4), height = I32(dib + 8);
  const int bits = dib[14] | dib[15] << 8;
  const std::uint32_t compression = U32(dib + 16);
  std::uint32_t colors = U32(dib + 32);
  if (headerSize != kInfoHeaderSize || width < 1 || height < 1 || compression != 0) return 0;
  if (bits == 8) {
    if (colors == 0) colors = 256;
    if (colors > 256) return 0;
  } else if (bits == 24) {
    if (colors > 256) return 0;
  } else {
    return 0;
  }
  const std::size_t tableBytes = std::size_t{colors} * 4;
  const std::size_t stride = RowStride(width, bits);
  if (kInfoHeaderSize + tableBytes > blockSize ||
      stride * static_cast<std::size_t>(height) > blockSize - kInfoHeaderSize - tableBytes)
    return 0;
  const std::uint8_t* rows = dib + kInfoHeaderSize + tableBytes;

  const bool wide = width >= height;
  const Size screen = rule.forScreen ? FitBox(rule.scaleClass, rule.screen) : ScreenForBlock(width, height);
  const int windowWidth = std::min(screen.width, width);
  const int windowHeight = std::min(screen.height, height);
  if (rule.forScreen) {
    // The origin counts pixels of a panorama whose short side fills the class's own
    // screen; the block's short side filled the real one.
    const Size classScreen = ClassScreen(rule.scaleClass);
    const long long scaled = wide ? static_cast<long long>(origin) * height / classScreen.height
                                  : static_cast<long long>(origin) * width / classScreen.width;
    origin = static_cast<int>(std::clamp<long long>(scaled, 0, std::max(width, height)));
  }
  int left = 0, top = 0;
  if (wide)
    left = std::clamp(origin, 0, width - windowWidth);
  else
    top = std::clamp(origin, 0, height - windowHeight);

  const std::size_t outStride = RowStride(windowWidth, bits);
  const std::size_t dibBytes =
      kInfoHeaderSize + tableBytes + outStride * static_cast<std::size_t>(windowHeight);
  std::string file(kFileHeaderSize + dibBytes, '\0');
  auto* out = reinterpret_cast<std::uint8_t*>(file.data());
  WriteFileHeader(out, dibBytes, kInfoHeaderSize + tableBytes);
  WriteInfoHeader(out + kFileHeaderSize, windowWidth, windowHeight, bits, colors);
  std::memcpy(out + kFileHeaderSize + kInfoHeaderSize, dib + kInfoHeaderSize, tableBytes);
  std::uint8_t* outRows = out + kFileHeaderSize + kInfoHeaderSize + tableBytes;
  const std::size_t bytesPerPixel = static_cast<std::size_t>(bits / 8);
  // Rows are bottom-up in both: window row r (from the bottom) is picture row
  // top + windowHeight - 1 - r from the top.
  for (int r = 0; r < windowHeight; ++r) {
    const int fromTop = top + windowHeight - 1 - r;
    const std::uint8_t* in = rows + stride * static_cast<std::size_t>(height - 1 - fromTop);
    std::memcpy(outRows + outStride * static_cast<std::size_t>(r),
                in + static_cast<std::size_t>(left) * bytesPerPixel,
                static_cast<std::size_t>(windowWidth) * bytesPerPixel);
  }
  return WriteBitmapFile(outputBitmapPath, file) ? 1 : 0;
}

HGLOBAL Decode(const char* picturePath, const char* outputBitmapPath,
               const DecodeRequest& request) {
  if (!picturePath || !*picturePath) return nullptr;
  // No exception may leave the library: its callers are C-style code.
  try {
    if (outputBitmapPath && *outputBitmapPath) {
      FileStore store;
      if (!DecodeJpegToDib(picturePath, request, store)) return nullptr;
      return store.WriteTo(outputBitmapPath) ? QM_DECODED_TO_FILE : nullptr;
    }
    BlockStore store;
    if (!DecodeJpegToDib(picturePath, request, store)) return nullptr;
    return store.Release();
  } catch (...) {
    return nullptr;
  }
}

int WriteWindow(const char* outputBitmapPath, HGLOBAL packedDib, int origin, const WindowRule& rule) {
  try {
    return WritePanoramaWindow(outputBitmapPath, packedDib, origin, rule);
  } catch (...) {
    return 0;
  }
}

}  // namespace

extern "C" HGLOBAL QmDecodeJpeg(const char* picturePath, const char* outputBitmapPath,
                                HWND /*window*/, int scaleClass, int colorCount) {
  DecodeRequest request;
  request.scaleClass = scaleClass;
  request.eightBit = colorCount == 256;
  return Decode(picturePath, outputBitmapPath, request);
}

extern "C" HGLOBAL QmDecodeJpegForScreen(const char* picturePath, const char* outputBitmapPath,
                                         int scaleClass, int colorCount, int screenWidth,
                                         int screenHeight, int panorama) {
  DecodeRequest request;
  request.scaleClass = scaleClass;
  request.screen = {screenWidth, screenHeight};
  request.panorama = panorama != 0;
  request.eightBit = colorCount == 256;
  return Decode(picturePath, outputBitmapPath, request);
}

extern "C" int QmWritePanoramaWindow(const char* outputBitmapPath, HGLOBAL packedDib,
                                     int origin) {
  return WriteWindow(outputBitmapPath, packedDib, origin, WindowRule{});
}

extern "C" int QmWritePanoramaWindowForScreen(const char* outputBitmapPath, HGLOBAL packedDib,
                                              int origin, int scaleClass, int screenWidth,
                                              int screenHeight) {
  return WriteWindow(outputBitmapPath, packedDib, origin,
                     WindowRule{true, scaleClass, {screenWidth, screenHeight}});
}
