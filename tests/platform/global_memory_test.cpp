#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(GlobalMemory, BlockKeepsItsSizeAndContentsAcrossReAlloc) {
  HGLOBAL h = GlobalAlloc(GHND, 16);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 16u);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0) << "GHND zero-fills";
  std::memcpy(p, "0123456789abcdef", 16);
  EXPECT_FALSE(GlobalUnlock(h));

  HGLOBAL grown = GlobalReAlloc(h, 64, GMEM_MOVEABLE | GMEM_ZEROINIT);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(GlobalSize(grown), 64u);
  p = static_cast<unsigned char*>(GlobalLock(grown));
  EXPECT_EQ(std::memcmp(p, "0123456789abcdef", 16), 0);
  EXPECT_EQ(p[63], 0);
  GlobalUnlock(grown);

  HGLOBAL shrunk = GlobalReAlloc(grown, 4, GMEM_MOVEABLE);
  ASSERT_NE(shrunk, nullptr);
  EXPECT_EQ(GlobalSize(shrunk), 4u);
  EXPECT_EQ(std::memcmp(GlobalLock(shrunk), "0123", 4), 0);
  GlobalUnlock(shrunk);
  EXPECT_EQ(GlobalFree(shrunk), nullptr);
}

TEST(GlobalMemory, LocksNestAndNullHandlesAreHarmless) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_NE(GlobalLock(h), nullptr) << "an empty block still has an address";
  GlobalLock(h);
  EXPECT_TRUE(GlobalUnlock(h)) << "still locked once";
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h)) << "unlocking an unlocked block fails";
  GlobalFree(h);

  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
  EXPECT_EQ(GlobalReAlloc(nullptr, 8, 0), nullptr);
}

// A block large enough to hold a picture comes from memory of its own; it must behave as
// any other, whatever its size against pages and huge pages.
TEST(GlobalMemory, PictureSizedBlockIsZeroedAndGrowsWithItsContents) {
  const std::size_t size = (std::size_t{3} << 20) + 5;
  HGLOBAL h = GlobalAlloc(GHND, size);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), size);
  EXPECT_EQ(GlobalBlockFd(h), -1) << "no memory file behind it";
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[size / 2], 0);
  EXPECT_EQ(p[size - 1], 0);
  p[0] = 1;
  p[size - 1] = 2;
  GlobalUnlock(h);

  HGLOBAL grown = GlobalReAlloc(h, size + 100, GMEM_MOVEABLE | GMEM_ZEROINIT);
  ASSERT_NE(grown, nullptr);
  p = static_cast<unsigned char*>(GlobalLock(grown));
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[size - 1], 2);
  EXPECT_EQ(p[size + 99], 0);
  GlobalUnlock(grown);
  EXPECT_EQ(GlobalFree(grown), nullptr);
  EXPECT_EQ(GlobalFree(GlobalAlloc(GHND, std::size_t{1} << 21)), nullptr) << "freed as it was made";
}
