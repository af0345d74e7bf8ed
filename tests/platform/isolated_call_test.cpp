// Calls run in a host program: what comes back when the call finishes, and when it does not.
#include <gtest/gtest.h>
#include <poll.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/isolated_call.h"

namespace {

IsolatedCall Host(std::vector<std::string> args, HGLOBAL input = nullptr) {
  return IsolatedCall{QM_ISOLATED_HOST, std::move(args), input};
}

bool HasPattern(HGLOBAL block, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
  bool same = GlobalSize(block) == size;
  for (std::size_t i = 0; i < size && same; ++i)
    same = bytes[i] == static_cast<unsigned char>(i * 31 + 7);
  GlobalUnlock(block);
  return same;
}

// The block travels both ways whole, larger than a pipe holds: an answer is shared as it
// is (and can be handed on to the next call), an ordinary block is copied in.
TEST(RunIsolated, BlocksComeBackWholeAndGoOnToTheNextCall) {
  const std::size_t size = (5 << 20) + 3;
  IsolatedCallResult r = RunIsolated(Host({"answer", "-42", std::to_string(size)}));
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.value, -42);
  ASSERT_NE(r.block, nullptr);
  EXPECT_TRUE(HasPattern(r.block, size));

  IsolatedCallResult echoed = RunIsolated(Host({"echo"}, r.block));
  ASSERT_TRUE(echoed.completed);
  EXPECT_EQ(echoed.value, static_cast<long>(size));
  EXPECT_TRUE(HasPattern(r.block, size)) << "the host's changes to its input stay in the host";
  const auto* out = static_cast<const unsigned char*>(GlobalLock(echoed.block));
  EXPECT_EQ(out[size - 1], static_cast<unsigned char>((size - 1) * 31 + 8));
  GlobalUnlock(echoed.block);
  GlobalFree(echoed.block);

  // A resized answer becomes an ordinary block and keeps its bytes.
  HGLOBAL grown = GlobalReAlloc(r.block, size + 10, GMEM_MOVEABLE);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(GlobalLock(grown))[size - 1],
            static_cast<unsigned char>((size - 1) * 31 + 7));
  GlobalUnlock(grown);
  HGLOBAL plain = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(plain), "abc", 3);
  GlobalUnlock(plain);
  IsolatedCallResult copied = RunIsolated(Host({"echo"}, plain));
  ASSERT_TRUE(copied.completed);
  EXPECT_EQ(std::memcmp(GlobalLock(copied.block), "bcd", 3), 0);
  for (HGLOBAL b : {grown, plain, copied.block}) GlobalFree(b);

  // A descriptor the caller left open where the input goes is not taken for one.
  const int saved = fcntl(5, F_DUPFD_CLOEXEC, 10);
  const int stray = memfd_create("stray", 0);
  ASSERT_EQ(write(stray, "xyz", 3), 3);
  ASSERT_EQ(dup2(stray, 5), 5);
  IsolatedCallResult none = RunIsolated(Host({"echo"}));
  if (saved >= 0) dup2(saved, 5); else close(5);
  for (int fd : {stray, saved}) if (fd >= 0) close(fd);
  EXPECT_TRUE(none.completed);
  EXPECT_EQ(none.value, -1) << "no input block, and no stray descriptor taken for one";
  EXPECT_EQ(none.block, nullptr);
}

TEST(RunIsolated, AHostThatDiesIsAFailureNotTheCallersEnd) {
  IsolatedCallResult aborted = RunIsolated(Host({"abort"}));
  EXPECT_FALSE(aborted.completed);
  EXPECT_EQ(aborted.signal, SIGABRT);

  IsolatedCallResult killed = RunIsolated(Host({"kill"}));
  EXPECT_FALSE(killed.completed);
  EXPECT_EQ(killed.signal, SIGKILL);
  EXPECT_EQ(killed.block, nullptr);

  // Leaving without an answer (a library that calls exit) is no answer either.
  IsolatedCallResult left = RunIsolated(Host({"exit"}));
  EXPECT_FALSE(left.completed);
  EXPECT_EQ(left.signal, 0);

  IsolatedCallResult missing = RunIsolated(IsolatedCall{"/nonexistent/host", {}, nullptr});
  EXPECT_FALSE(missing.completed);
  EXPECT_TRUE(missing.notStarted);

  // The answer is what counts: a host that does not end after it holds up nobody (it is
  // killed when this program ends).
  const auto start = std::chrono::steady_clock::now();
  IsolatedCallResult lingering = RunIsolated(Host({"answer-then-hang"}), 30);
  EXPECT_TRUE(lingering.completed);
  EXPECT_EQ(lingering.value, 5);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// A host started ahead is already running when its call comes: it answers even though
// its program file is gone by then, and the next call starts one afresh as before.
TEST(RunIsolated, AHostStartedAheadTakesTheNextCall) {
  char folder[] = "/tmp/qm-ahead-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string host = std::string(folder) + "/host";
  ASSERT_EQ(std::system(("cp '" QM_ISOLATED_HOST "' " + host).c_str()), 0);
  PrestartIsolatedHost(host);
  ASSERT_EQ(unlink(host.c_str()), 0);
  IsolatedCallResult ahead = RunIsolated({host, {"answer", "9", "70000"}, nullptr}, 60);
  rmdir(folder);
  ASSERT_TRUE(ahead.completed);
  EXPECT_EQ(ahead.value, 9);
  EXPECT_TRUE(HasPattern(ahead.block, 70000));
  GlobalFree(ahead.block);
  EXPECT_TRUE(RunIsolated({host, {"answer", "9", "0"}, nullptr}, 60).notStarted);
}

TEST(RunIsolated, ACallThatTakesTooLongIsStopped) {
  const auto start = std::chrono::steady_clock::now();
  IsolatedCallResult stuck = RunIsolated(Host({"hang"}), 1);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(stuck.completed);
  EXPECT_TRUE(stuck.timedOut);
  EXPECT_EQ(stuck.signal, SIGKILL);
  EXPECT_LT(seconds, 30) << "the caller was held";

  // Shutting the answer pipe and staying is no way around the limit.
  IsolatedCallResult shut = RunIsolated(Host({"close-then-hang"}), 1);
  EXPECT_FALSE(shut.completed);
  EXPECT_TRUE(shut.timedOut);
  EXPECT_EQ(shut.signal, SIGKILL);

  IsolatedCallResult quick = RunIsolated(Host({"answer", "5", "0"}), 60);
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

  IsolatedCallResult quick = RunIsolated(Host({"answer", "7", "0"}), 60);
  EXPECT_TRUE(quick.completed);
  EXPECT_EQ(quick.value, 7);

  ASSERT_EQ(write(input[1], "k", 1), 1);
  const auto start = std::chrono::steady_clock::now();
  IsolatedCallResult stuck = RunIsolated(Host({"hang"}), 60);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  SetIsolatedCallWatch({});
  EXPECT_FALSE(stuck.completed);
  EXPECT_TRUE(stuck.interrupted);
  EXPECT_FALSE(stuck.timedOut);
  EXPECT_EQ(stuck.signal, SIGKILL) << "the host was not killed";
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(starts, 2);
  close(input[0]);
  close(input[1]);
}

}  // namespace
