#include "platform/global_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/picture_memory.h"

// Every copy of this code (the decoder library links its own) frees what another made, so
// they must agree on this layout: the decoder and the programs are built and shipped together.
struct GlobalBlock {
  std::size_t size;
  unsigned locks;
  unsigned char* data;
  bool mapped;  // `data` is a mapping (size bytes), not from malloc: of `fd`, or private when -1
  int fd;
};

namespace {
// A zeroed block this large holds a picture, which is written all over at once.
constexpr std::size_t kPictureSized = std::size_t{1} << 20;

void releaseData(GlobalBlock* block) {
  if (!block->mapped) {
    std::free(block->data);
  } else if (block->fd < 0) {
    FreePictureMemory(block->data, block->size);
  } else {
    if (block->size > 0) munmap(block->data, block->size);
    close(block->fd);
  }
}
}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  auto* block = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
  if (!block) return nullptr;
  const bool zeroed = (flags & GMEM_ZEROINIT) != 0;
  void* data = zeroed && bytes >= kPictureSized ? AllocatePictureMemory(bytes) : nullptr;
  block->mapped = data != nullptr;
  // One extra byte keeps a zero-sized block's address distinct and non-null.
  if (!data) data = zeroed ? std::calloc(bytes + 1, 1) : std::malloc(bytes + 1);
  if (!data) {
    std::free(block);
    return nullptr;
  }
  block->data = static_cast<unsigned char*>(data);
  block->size = bytes;
  block->locks = 0;
  block->fd = -1;
  return block;
}

HGLOBAL GlobalAdoptMapping(void* data, std::size_t bytes, int fd) {
  auto* block = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
  if (!block) return nullptr;
  // A zero-sized mapping cannot exist; keep the address non-null all the same.
  static unsigned char emptyData;
  block->data = bytes > 0 ? static_cast<unsigned char*>(data) : &emptyData;
  block->size = bytes;
  block->locks = 0;
  block->mapped = true;
  block->fd = fd;
  return block;
}

int GlobalBlockFd(HGLOBAL block) { return block && block->mapped ? block->fd : -1; }

void* GlobalLock(HGLOBAL block) {
  if (!block) return nullptr;
  ++block->locks;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL block) {
  if (!block || block->locks == 0) return FALSE;
  --block->locks;
  return block->locks != 0;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags) {
  if (!block) return nullptr;
  if (block->mapped) {
    // A mapping cannot grow in place: the block becomes an ordinary one.
    auto* data = static_cast<unsigned char*>(std::malloc(bytes + 1));
    if (!data) return nullptr;
    std::memcpy(data, block->data, bytes < block->size ? bytes : block->size);
    if ((flags & GMEM_ZEROINIT) && bytes > block->size)
      std::memset(data + block->size, 0, bytes - block->size);
    releaseData(block);
    block->mapped = false;
    block->fd = -1;
    block->data = data;
    block->size = bytes;
    return block;
  }
  auto* data = static_cast<unsigned char*>(std::realloc(block->data, bytes + 1));
  if (!data) return nullptr;
  if ((flags & GMEM_ZEROINIT) && bytes > block->size)
    std::memset(data + block->size, 0, bytes - block->size);
  block->data = data;
  block->size = bytes;
  return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block) {
    releaseData(block);
    std::free(block);
  }
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL block) { return block ? block->size : 0; }
