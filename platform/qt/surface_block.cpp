// Large surfaces and how a whole one moves within itself.
//
// The saver's pan moves its whole view by one pixel each step (a BitBlt of a surface onto
// itself). On a 4K screen that is 33 MB of pixels per step. A large surface therefore sits
// in a block with spare rows before and after it, and such a move only shifts where the
// image starts in its block; the few pixels the move leaves behind are copied as the copy
// would have left them. Once the spare room runs out, the image goes back to the middle
// of its block: one real move every so many steps.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/qt/gdi_internal.h"

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr int kSpareRows = 128;  // each side: a tall pan moves a row a step

struct Block {
  uchar* start = nullptr;
  std::size_t bytes = 0;
  int images = 0;  // the QImages that use it; the last one frees it
};

// Images may be made and dropped on any thread.
std::mutex& blocksLock() {
  static std::mutex lock;
  return lock;
}

std::map<const uchar*, Block*>& blocks() {
  static std::map<const uchar*, Block*> all;
  return all;
}

void releaseBlock(void* info) {
  auto* block = static_cast<Block*>(info);
  std::lock_guard<std::mutex> hold(blocksLock());
  if (--block->images > 0) return;
  blocks().erase(block->start);
  std::free(block->start);
  delete block;
}

// The block an image's pixels lie in, if it is one of ours.
Block* blockOf(const uchar* pixels) {
  auto& all = blocks();
  auto it = all.upper_bound(pixels);
  if (it == all.begin()) return nullptr;
  Block* block = std::prev(it)->second;
  return pixels < block->start + block->bytes ? block : nullptr;
}

QImage imageIn(Block* block, uchar* at, int width, int height, qsizetype stride) {
  {
    std::lock_guard<std::mutex> hold(blocksLock());
    ++block->images;
  }
  return QImage(at, width, height, stride, QImage::Format_RGB32, releaseBlock, block);
}
}  // namespace

QImage NewSurfaceImage(int width, int height) {
  const qsizetype stride = static_cast<qsizetype>(width) * 4;
  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  QImage image;
  if (bytes >= kHugePage) {
    const std::size_t spare = static_cast<std::size_t>(stride) * kSpareRows;
    const std::size_t rounded = (bytes + 2 * spare + kHugePage - 1) / kHugePage * kHugePage;
    if (void* memory = std::aligned_alloc(kHugePage, rounded)) {
      madvise(memory, rounded, MADV_HUGEPAGE);
      auto* block = new Block{static_cast<uchar*>(memory), rounded, 0};
      {
        std::lock_guard<std::mutex> hold(blocksLock());
        blocks()[block->start] = block;
      }
      image = imageIn(block, block->start + spare, width, height, stride);
    }
  }
  if (image.isNull()) image = QImage(width, height, QImage::Format_RGB32);
  if (!image.isNull()) image.fill(qRgb(0, 0, 0));
  return image;
}

bool MoveImageInPlace(QImage& image, QPoint delta) {
  const int w = image.width(), h = image.height();
  const int dx = delta.x(), dy = delta.y();
  if ((dx == 0) == (dy == 0) || std::abs(dx) * 2 > w || std::abs(dy) * 2 > h) return false;
  if (image.format() != QImage::Format_RGB32 || !image.isDetached()) return false;
  const qsizetype stride = image.bytesPerLine();
  if (stride != static_cast<qsizetype>(w) * 4) return false;
  Block* block = nullptr;
  {
    std::lock_guard<std::mutex> hold(blocksLock());
    block = blockOf(image.constBits());
  }
  if (!block) return false;

  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(h);
  const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(dy) * stride + static_cast<std::ptrdiff_t>(dx) * 4;
  auto* start = const_cast<uchar*>(image.constBits());
  auto fits = [&](const uchar* at) { return at >= block->start && at + bytes <= block->start + block->bytes; };
  if (!fits(start + shift)) {
    uchar* middle = block->start + (block->bytes - bytes) / 2 / 64 * 64;
    if (!fits(middle + shift)) return false;
    std::memmove(middle, start, bytes);
    start = middle;
  }
  uchar* next = start + shift;
  image = imageIn(block, next, w, h, stride);

  // What the move leaves behind keeps its old pixels, which now lie next to it.
  auto row = [&](int y) { return reinterpret_cast<QRgb*>(next + static_cast<std::ptrdiff_t>(y) * stride); };
  if (dy > 0) {
    for (int y = h - dy; y < h; ++y) std::memcpy(row(y), row(y - dy), static_cast<std::size_t>(stride));
  } else if (dy < 0) {
    for (int y = -dy - 1; y >= 0; --y) std::memcpy(row(y), row(y - dy), static_cast<std::size_t>(stride));
  } else if (dx > 0) {
    for (int y = 0; y < h; ++y) std::memcpy(row(y) + w - dx, row(y) + w - 2 * dx, static_cast<std::size_t>(dx) * 4);
  } else {
    for (int y = 0; y < h; ++y) std::memcpy(row(y), row(y) - dx, static_cast<std::size_t>(-dx) * 4);
  }
  return true;
}
