// The owners give back exactly once what they hold, also when they hand it on.
#include <gtest/gtest.h>

#include <utility>

#include "platform/scoped.h"
#include "tests/support/sandbox.h"

TEST(Scoped, MemoryLocksNestAndEachScopeUnlocksOnce) {
  HGLOBAL block = GlobalAlloc(GHND, 8);
  ASSERT_NE(block, nullptr);
  {
    const GlobalLockScope outer(block);
    ASSERT_NE(outer.data(), nullptr);
    { const GlobalLockScope inner(block); }
    GlobalLock(block);
    EXPECT_TRUE(GlobalUnlock(block)) << "the outer lock still holds";
  }
  GlobalLock(block);
  EXPECT_FALSE(GlobalUnlock(block)) << "no lock left behind";
  EXPECT_EQ(GlobalLockScope(nullptr).data(), nullptr);
  GlobalFree(block);
}

TEST(Scoped, RegistryKeyStaysOpenWhileMovedAndClosesOnce) {
  Sandbox sandbox;
  HKEY raw = nullptr;
  {
    ScopedRegKey outer;
    {
      ScopedRegKey inner;
      ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Scoped", inner.receive()), ERROR_SUCCESS);
      raw = inner.get();
      outer = std::move(inner);
      EXPECT_FALSE(inner);
    }
    const BYTE one[4] = {1, 0, 0, 0};
    EXPECT_EQ(RegSetValueEx(outer.get(), "Open", 0, REG_DWORD, one, sizeof one), ERROR_SUCCESS);
  }
  EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE) << "already closed by its owner";
}
