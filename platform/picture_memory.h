#pragma once
// Zeroed memory for a whole decoded picture, its pages in place before the decoder writes
// a row. Memory fresh from the system arrives a page at a time, each on the first write
// to it; on a virtual machine such a fault can cost 9 us, 5 ms for a 1024x768 bitmap, a
// sixth of its decode. Here the system hands over the pages in one call, and the whole
// 2 MB stretches of a large picture as single huge pages where it offers them on request.
// (No old-platform behaviour: the old platform's allocations had no such cost to avoid.)
#include <cstddef>

// nullptr when the memory cannot be had. Free with FreePictureMemory and the same size.
void* AllocatePictureMemory(std::size_t bytes);
void FreePictureMemory(void* memory, std::size_t bytes);
