// Calls run in a child: what comes back when the call finishes, and when it does not.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "platform/isolated_call.h"

namespace {

TEST(RunIsolated, AnswerComesBackWholeEvenWhenLargerThanAPipeHolds) {
  const std::size_t size = (5 << 20) + 3;
  int touched = 0;
  IsolatedCallResult r = RunIsolated([&](std::vector<unsigned char>& data) -> long {
    touched = 1;  // the child's copy: never seen here
    data.resize(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
    return -42;
  });
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.value, -42);
  ASSERT_EQ(r.data.size(), size);
  bool same = true;
  for (std::size_t i = 0; i < size && same; ++i)
    same = r.data[i] == static_cast<unsigned char>(i * 31 + 7);
  EXPECT_TRUE(same);
  EXPECT_EQ(touched, 0);
}

TEST(RunIsolated, ACallThatDiesIsAFailureNotTheCallersEnd) {
  IsolatedCallResult aborted = RunIsolated([](std::vector<unsigned char>&) -> long { std::abort(); });
  EXPECT_FALSE(aborted.completed);
  EXPECT_EQ(aborted.signal, SIGABRT);

  IsolatedCallResult killed = RunIsolated([](std::vector<unsigned char>& data) -> long {
    data.assign(1000, 'x');
    raise(SIGKILL);
    return 1;
  });
  EXPECT_FALSE(killed.completed);
  EXPECT_EQ(killed.signal, SIGKILL);
  EXPECT_TRUE(killed.data.empty());

  // Leaving without an answer (a library that calls exit) is no answer either.
  IsolatedCallResult left = RunIsolated([](std::vector<unsigned char>&) -> long { _exit(0); });
  EXPECT_FALSE(left.completed);
  EXPECT_EQ(left.signal, 0);
}

TEST(RunIsolated, ACallThatTakesTooLongIsStopped) {
  const auto start = std::chrono::steady_clock::now();
  IsolatedCallResult stuck = RunIsolated(
      [](std::vector<unsigned char>&) -> long {
        for (;;) pause();
      },
      1);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(stuck.completed);
  EXPECT_TRUE(stuck.timedOut);
  EXPECT_EQ(stuck.signal, SIGKILL);
  EXPECT_LT(seconds, 30) << "the caller was held";

  IsolatedCallResult quick = RunIsolated([](std::vector<unsigned char>&) -> long { return 5; }, 60);
  EXPECT_TRUE(quick.completed);
  EXPECT_FALSE(quick.timedOut);
  EXPECT_EQ(quick.value, 5);
}

// The program's watch (the saver's input) ends a wait at once, and leaves calls that
// answer alone.
TEST(RunIsolated, TheProgramsWatchStopsAWaitAtOnce) {
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  int starts = 0;
  IsolatedCallWatch watch;
  watch.fds = {input[0]};
  watch.start = [&] { ++starts; };
  watch.stop = [&] {
    pollfd ready{input[0], POLLIN, 0};
    return poll(&ready, 1, 0) > 0;
  };
  SetIsolatedCallWatch(watch);

  IsolatedCallResult quick = RunIsolated([](std::vector<unsigned char>&) -> long { return 7; }, 60);
  EXPECT_TRUE(quick.completed);
  EXPECT_EQ(quick.value, 7);

  ASSERT_EQ(write(input[1], "k", 1), 1);
  const auto start = std::chrono::steady_clock::now();
  IsolatedCallResult stuck = RunIsolated(
      [](std::vector<unsigned char>&) -> long {
        for (;;) pause();
      },
      60);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  SetIsolatedCallWatch({});
  EXPECT_FALSE(stuck.completed);
  EXPECT_TRUE(stuck.interrupted);
  EXPECT_FALSE(stuck.timedOut);
  EXPECT_EQ(stuck.signal, SIGKILL) << "the child was not killed";
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(starts, 2);
  close(input[0]);
  close(input[1]);
}

}  // namespace
