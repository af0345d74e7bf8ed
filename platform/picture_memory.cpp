#include "platform/picture_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it and fault as before
#endif

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

void* AllocatePictureMemory(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  // Reserved with a huge page's room to spare, so that the block can start on a huge-page
  // boundary; the spare ends go back at once and only the picture's own pages are used.
  const std::size_t reserve = bytes >= kHugePage ? bytes + kHugePage : bytes;
  void* mapped = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  auto* start = static_cast<char*>(mapped);
  if (reserve != bytes) {
    const auto at = reinterpret_cast<std::uintptr_t>(mapped);
    char* aligned = start + ((kHugePage - at % kHugePage) % kHugePage);
    if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
    char* end = aligned + bytes;
    char* reservedEnd = start + reserve;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    char* tail = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(end) + page - 1) / page * page);
    if (tail < reservedEnd) munmap(tail, static_cast<std::size_t>(reservedEnd - tail));
    start = aligned;
    madvise(start, bytes, MADV_HUGEPAGE);
  }
  madvise(start, bytes, MADV_POPULATE_WRITE);
  return start;
}

void FreePictureMemory(void* memory, std::size_t bytes) {
  if (memory) munmap(memory, bytes == 0 ? 1 : bytes);
}
