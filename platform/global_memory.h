#pragma once
// Movable global memory blocks, as the old platform's GlobalAlloc family behaved:
// a handle names a block whose address is only valid between Lock and Unlock, the
// size reported is the size asked for, and ReAlloc keeps the contents up to the
// smaller of the two sizes. Decoded pictures travel between the decoder library and
// the programs in these blocks, so the representation must be the same on both sides
// of dlopen: a handle is a pointer to a malloc'd header, and any copy of this code
// (the decoder links its own) frees what another allocated.
#include "platform/types.h"

struct GlobalBlock;
using HGLOBAL = GlobalBlock*;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// nullptr when the memory cannot be had (size 0 is allowed and gives an empty block).
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Address of the block's data, or nullptr for a null handle; counts locks.
void* GlobalLock(HGLOBAL block);
// TRUE while the block is still locked after this call.
BOOL GlobalUnlock(HGLOBAL block);
// A (possibly new) handle for the resized block, or nullptr with the old block untouched.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags);
// nullptr on success, like the old platform.
HGLOBAL GlobalFree(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);

// A block over `bytes` of a shared mapping of the memory file `fd` (from mmap, read and
// write), so a decoded picture handed over by another process needs no copy. The block
// owns both: freeing it unmaps the memory and closes `fd`; resizing it turns it into an
// ordinary block. nullptr when the handle cannot be made (the caller keeps both then).
HGLOBAL GlobalAdoptMapping(void* data, std::size_t bytes, int fd);
// The memory file behind an adopted block, or -1 for any other.
int GlobalBlockFd(HGLOBAL block);
