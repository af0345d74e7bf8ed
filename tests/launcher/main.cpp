#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// The toolkit's application object lives in a static of the platform layer and crashes
// when it is destroyed after the toolkit's own statics at exit; the tests' verdict is
// known by then, so the process ends without running static destructors.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  std::fflush(nullptr);
  std::_Exit(result);
}
