#pragma once
// Every drawing and window test runs with the user interface up (offscreen) and in a sandbox.
#include <gtest/gtest.h>

#include "platform/gui.h"
#include "platform/window.h"
#include "tests/support/sandbox.h"

class GdiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_framework";
    static char* argv[] = {name, nullptr};
    StartUserInterface(argc, argv);
  }
  void TearDown() override {
    int ignored;
    PumpMessages(0);
    QuitPosted(&ignored);
  }
  Sandbox sandbox_;
};
