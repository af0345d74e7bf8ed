// The application object is destroyed by a static destructor at exit, after parts of Qt it
// needs are already gone, which crashes (every Qt test program shows it). Until start-up
// owns its teardown, this program ends right after the tests have reported.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

class ExitListener : public ::testing::EmptyTestEventListener {
  void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(unit.Passed() ? 0 : 1);
  }
};

struct Install {
  Install() {
    // Appended last, so gtest's own printers (and XML output) have run before it.
    ::testing::UnitTest::GetInstance()->listeners().Append(new ExitListener);
  }
} install;
}  // namespace
