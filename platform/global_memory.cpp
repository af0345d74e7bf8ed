#include "platform/global_memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

struct GlobalBlock {
  std::size_t size;
  unsigned locks;
  unsigned char* data;
};

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  auto* block = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
  if (!block) return nullptr;
  // One extra byte keeps a zero-sized block's address distinct and non-null.
  block->data = static_cast<unsigned char*>((flags & GMEM_ZEROINIT) ? std::calloc(bytes + 1, 1)
                                                                     : std::malloc(bytes + 1));
  if (!block->data) {
    std::free(block);
    return nullptr;
  }
  block->size = bytes;
  block->locks = 0;
  return block;
}

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
    std::free(block->data);
    std::free(block);
  }
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL block) { return block ? block->size : 0; }
