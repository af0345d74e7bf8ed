#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/idle.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shortcut.h"
#include "tests/support/sandbox.h"

namespace {

class IdleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* d = std::getenv("DISPLAY")) { hadDisplay_ = true; oldDisplay_ = d; }
    if (const char* r = std::getenv("XDG_RUNTIME_DIR")) { hadRuntime_ = true; oldRuntime_ = r; }
    unsetenv("DISPLAY");
    setenv("XDG_RUNTIME_DIR", sandbox_.root().c_str(), 1);
  }
  void TearDown() override {
    if (hadDisplay_) setenv("DISPLAY", oldDisplay_.c_str(), 1); else unsetenv("DISPLAY");
    if (hadRuntime_) setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  }

  void setDesktopValue(const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)), ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // A script that records its arguments and then lives for `seconds`.
  std::string writeScript(const std::string& path, const std::string& record, int seconds) {
    sandbox_.writeFile(path, "#!/bin/sh\necho \"$@\" >> '" + record + "'\nsleep " + std::to_string(seconds) + "\n");
    chmod(sandbox_.path(path).c_str(), 0755);
    return sandbox_.path(path);
  }

  static bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 100; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
  }

  Sandbox sandbox_;

 private:
  bool hadDisplay_ = false, hadRuntime_ = false;
  std::string oldDisplay_, oldRuntime_;
};

IdleSettings onFor(int seconds) {
  IdleSettings s;
  s.activeRecorded = true;
  s.active = true;
  s.timeoutSeconds = seconds;
  s.saverPath = "/x/saver";
  return s;
}

IdleObservation idleFor(long long ms) {
  IdleObservation seen;
  seen.idleMs = ms;
  return seen;
}

TEST(IdlePolicy, StartsOnlyOnceTheTimeOutHasPassedWithoutInput) {
  IdleSettings s = onFor(60);
  EXPECT_EQ(DecideIdle(s, idleFor(59'999)).action, IdleAction::Wait);
  EXPECT_EQ(DecideIdle(s, idleFor(60'000)).action, IdleAction::StartSaver);
  EXPECT_EQ(DecideIdle(s, idleFor(3'600'000)).action, IdleAction::StartSaver);
  // Waiting is coarse but never overshoots the moment the saver falls due by much.
  int next = DecideIdle(s, idleFor(59'000)).nextCheckMs;
  EXPECT_GT(next, 0);
  EXPECT_LE(next, 1000);
  EXPECT_LE(DecideIdle(s, idleFor(0)).nextCheckMs, 5000);
}

TEST(IdlePolicy, SwitchedOffEndsTheWatcherWhateverElseHolds) {
  IdleSettings s = onFor(60);
  s.active = false;
  IdleObservation seen = idleFor(120'000);
  seen.saverRunning = true;
  seen.serverTimeoutMs = 60'000;  // the server's own saver does not overrule the recorded switch
  EXPECT_EQ(DecideIdle(s, seen).action, IdleAction::Exit);
}

TEST(IdlePolicy, MissingValuesFollowTheXServerLikeTheScreenSaverPageShowsThem) {
  // No delay recorded: the server's time-out, else the server default of ten minutes.
  IdleSettings noTimeout = onFor(0);
  IdleObservation seen = idleFor(120'000);
  seen.serverTimeoutMs = 90'000;
  seen.serverSaverOn = true;
  EXPECT_EQ(DecideIdle(noTimeout, seen).action, IdleAction::StartSaver);
  EXPECT_EQ(DecideIdle(noTimeout, idleFor(599'000)).action, IdleAction::Wait);
  EXPECT_EQ(DecideIdle(noTimeout, idleFor(600'000)).action, IdleAction::StartSaver);

  // No switch recorded: on while the server's own saver is on, else the watcher ends.
  IdleSettings noSwitch = onFor(60);
  noSwitch.activeRecorded = false;
  noSwitch.active = false;
  EXPECT_EQ(DecideIdle(noSwitch, idleFor(120'000)).action, IdleAction::Exit);
  seen.serverTimeoutMs = 60'000;
  EXPECT_EQ(DecideIdle(noSwitch, seen).action, IdleAction::StartSaver);

  // Nothing named to start: keep watching, start nothing.
  IdleSettings noSaver = onFor(60);
  noSaver.saverPath.clear();
  IdleDecision d = DecideIdle(noSaver, idleFor(86'400'000));
  EXPECT_EQ(d.action, IdleAction::Wait);
  EXPECT_GT(d.nextCheckMs, 0);
}

TEST(IdlePolicy, RunningSaverFullScreenWindowOrOtherDaemonHoldTheSaverBackAndRestartTheCount) {
  IdleSettings s = onFor(60);
  for (int which = 0; which < 3; ++which) {
    IdleObservation seen = idleFor(600'000);
    if (which == 0) seen.saverRunning = true;
    if (which == 1) seen.fullscreen = true;
    if (which == 2) seen.otherSaverFramework = true;
    IdleDecision d = DecideIdle(s, seen);
    EXPECT_EQ(d.action, IdleAction::Wait) << which;
    EXPECT_TRUE(d.blocked) << which;
  }
  // Once the hold ends, the saver waits a full time-out from then on, not from the last input.
  IdleObservation after = idleFor(600'000);
  after.msSinceBlocked = 10'000;
  EXPECT_EQ(DecideIdle(s, after).action, IdleAction::Wait);
  EXPECT_FALSE(DecideIdle(s, after).blocked);
  after.msSinceBlocked = 60'000;
  EXPECT_EQ(DecideIdle(s, after).action, IdleAction::StartSaver);
}

TEST(IdlePolicy, LockersEndOurRunningSaverAndHoldTheNextOneBack) {
  IdleSettings s = onFor(60);
  for (int which = 0; which < 2; ++which) {
    IdleObservation seen = idleFor(600'000);
    (which == 0 ? seen.otherSaverFramework : seen.lockerActive) = true;
    IdleDecision d = DecideIdle(s, seen);
    EXPECT_EQ(d.action, IdleAction::Wait) << which;
    EXPECT_TRUE(d.blocked) << which;
    // Whatever else holds (a full-screen window, a suspension), our saver must go at once.
    seen.saverRunning = true;
    seen.fullscreen = true;
    seen.serverTimeoutMs = 60'000;
    d = DecideIdle(s, seen);
    EXPECT_EQ(d.action, IdleAction::StopSaver) << which;
    EXPECT_LE(d.nextCheckMs, 1000) << "and looks again soon, to make sure it has gone";
  }
  EXPECT_TRUE(IsIdleLockerName("xss-lock"));
  EXPECT_TRUE(IsIdleLockerName("xautolock"));
  EXPECT_FALSE(IsIdleLockerName("xss-lock-helper"));
  EXPECT_FALSE(IsIdleLockerName("quillsav"));
}

TEST(IdlePolicy, LockerDisplayMatchesOursWhateverScreenOrLocalHostIsWritten) {
  EXPECT_TRUE(SameXDisplay(":0", ":0.0"));
  EXPECT_TRUE(SameXDisplay("unix:0.1", ":0"));
  EXPECT_TRUE(SameXDisplay(":007", ":7"));
  EXPECT_FALSE(SameXDisplay(":0", ":1"));
  EXPECT_FALSE(SameXDisplay(":1", ":10"));
  EXPECT_FALSE(SameXDisplay("remote:0", ":0"));  // ssh forwarding: another server
  EXPECT_FALSE(SameXDisplay("", ":0"));
  EXPECT_TRUE(SameXDisplay(":99999999999999999999999.0", ":99999999999999999999999"));
}

TEST(IdlePolicy, ServerSaverSilentPastItsTimeOutMeansSomeoneSuspendedIt) {
  EXPECT_FALSE(ServerSaverLooksSuspended(61'000, 60'000, false));  // its timer may still be due
  EXPECT_TRUE(ServerSaverLooksSuspended(64'000, 60'000, false));
  EXPECT_FALSE(ServerSaverLooksSuspended(64'000, 60'000, true));   // it came on: nobody holds it
  EXPECT_FALSE(ServerSaverLooksSuspended(9'999'999, 0, false));    // its own saver is off: no verdict

  IdleSettings s = onFor(60);
  IdleObservation seen = idleFor(60'500);
  seen.serverTimeoutMs = 60'000;
  // Both due and the server has not spoken yet: wait a moment rather than cover a film.
  IdleDecision d = DecideIdle(s, seen);
  EXPECT_EQ(d.action, IdleAction::Wait);
  EXPECT_LE(d.nextCheckMs, 1000);
  seen.serverSaverOn = true;
  EXPECT_EQ(DecideIdle(s, seen).action, IdleAction::StartSaver);
  seen.serverSaverOn = false;
  seen.idleMs = 90'000;
  d = DecideIdle(s, seen);
  EXPECT_EQ(d.action, IdleAction::Wait);
  EXPECT_TRUE(d.blocked);
}

TEST(IdleSettingsText, TimeOutIsALeadingNumberUpToOneDay) {
  EXPECT_EQ(ParseScreenSaveTimeOut("60"), 60);
  EXPECT_EQ(ParseScreenSaveTimeOut(" 900 "), 900);
  EXPECT_EQ(ParseScreenSaveTimeOut("86400"), 86400);
  EXPECT_EQ(ParseScreenSaveTimeOut("60s"), 60);
  for (const char* bad : {"", "0", "-5", "abc", "86401", "99999999999999999999"})
    EXPECT_EQ(ParseScreenSaveTimeOut(bad), 0) << bad;
}

TEST_F(IdleTest, SettingsComeFromTheRegistryAndSystemIniAndTheirStampFollowsWrites) {
  IdleSettings none = ReadIdleSettings();
  EXPECT_FALSE(none.activeRecorded);
  EXPECT_EQ(none.timeoutSeconds, 0);
  EXPECT_EQ(none.saverPath, "");

  std::string before = IdleSettingsStamp();
  setDesktopValue("ScreenSaveActive", "1");
  setDesktopValue("ScreenSaveTimeOut", "120");
  WritePrivateProfileString("boot", "SCRNSAVE.EXE", "/opt/my saver/Quillmark Screen Saver.scr", "system.ini");
  EXPECT_NE(IdleSettingsStamp(), before);
  IdleSettings s = ReadIdleSettings();
  EXPECT_TRUE(s.active);
  EXPECT_EQ(s.timeoutSeconds, 120);
  EXPECT_EQ(s.saverPath, "/opt/my saver/Quillmark Screen Saver.scr");

  // The switch is text holding a number; anything else is recorded as off.
  for (const char* off : {"0", "", "yes", "-1"}) {
    setDesktopValue("ScreenSaveActive", off);
    IdleSettings read = ReadIdleSettings();
    EXPECT_TRUE(read.activeRecorded) << off;
    EXPECT_FALSE(read.active) << off;
  }
  // A number value is no text: it counts as missing, as for the platform's own reading.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
  BYTE dword[4] = {0x2c, 0x01, 0, 0};
  ASSERT_EQ(RegSetValueEx(key, "ScreenSaveTimeOut", 0, REG_DWORD, dword, 4), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(ReadIdleSettings().timeoutSeconds, 0);
}

TEST_F(IdleTest, SaverPathIsOneRunnablePathOrANameSearchedLikeWinExec) {
  std::string saver = writeScript("config/quillmark/Quillmark Screen Saver.scr", sandbox_.path("rec"), 0);
  EXPECT_EQ(ResolveSaverProgram(saver), saver);
  EXPECT_EQ(ResolveSaverProgram("  \"" + saver + "\" "), saver);
  EXPECT_EQ(ResolveSaverProgram("Quillmark Screen Saver.scr"), saver);  // Windows directory
  std::string backslashed = saver;
  for (char& c : backslashed) if (c == '/') c = '\\';
  EXPECT_EQ(ResolveSaverProgram(backslashed), saver);

  sandbox_.writeFile("config/quillmark/plain.scr", "not a program");
  EXPECT_EQ(ResolveSaverProgram(sandbox_.path("config/quillmark/plain.scr")), "");
  EXPECT_EQ(ResolveSaverProgram("plain.scr"), "");
  EXPECT_EQ(ResolveSaverProgram(sandbox_.path("missing.scr")), "");
  EXPECT_EQ(ResolveSaverProgram(sandbox_.root()), "");  // a folder
  EXPECT_EQ(ResolveSaverProgram(""), "");
  EXPECT_EQ(ResolveSaverProgram("\"\""), "");
}

TEST_F(IdleTest, SaverChildGetsSlashSAndIsKnownToRunUntilItEnds) {
  std::string record = sandbox_.path("started");
  std::string saver = writeScript("saver with blanks", record, 1);
  SaverProcess child;
  EXPECT_FALSE(child.Running());
  ASSERT_TRUE(child.Start(saver));
  EXPECT_GT(child.Pid(), 0);
  EXPECT_TRUE(child.Running());
  EXPECT_FALSE(child.Start(saver)) << "a second saver while the first runs";
  ASSERT_TRUE(waitFor([&] { return !child.Running(); }));
  EXPECT_EQ(sandbox_.readFile(record), "/s\n");
  EXPECT_FALSE(child.Start(sandbox_.path("no such saver")));
  EXPECT_FALSE(child.Running());
}

TEST_F(IdleTest, StoppingTheSaverAsksFirstThenKillsOneThatWillNotGo) {
  // Both exec their sleep, so that no orphan outlives the test.
  sandbox_.writeFile("polite", "#!/bin/sh\nexec sleep 30\n");
  chmod(sandbox_.path("polite").c_str(), 0755);
  SaverProcess polite;
  ASSERT_TRUE(polite.Start(sandbox_.path("polite")));
  polite.Stop();
  EXPECT_TRUE(waitFor([&] { return !polite.Running(); })) << "SIGTERM ends it";

  sandbox_.writeFile("stubborn", "#!/bin/sh\ntrap '' TERM\nexec sleep 30\n");
  chmod(sandbox_.path("stubborn").c_str(), 0755);
  SaverProcess stubborn;
  ASSERT_TRUE(stubborn.Start(sandbox_.path("stubborn")));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  stubborn.Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(stubborn.Running()) << "a saver gets time to save its place";
  EXPECT_TRUE(waitFor([&] {
    stubborn.Stop();
    return !stubborn.Running();
  })) << "but not for ever";
}

TEST_F(IdleTest, OnlyOneWatcherPerDisplay) {
  IdleWatcherLock first(":7");
  IdleWatcherLock second(":7");
  IdleWatcherLock other(":8");
  EXPECT_EQ(first.Path(), sandbox_.root() + "/quillidle-:7.lock");
  EXPECT_FALSE(second.IsHeld());
  EXPECT_FALSE(sandbox_.exists(first.Path())) << "asking leaves no file naming the one who asked";
  ASSERT_TRUE(first.Acquire());
  EXPECT_EQ(sandbox_.readFile(first.Path()), std::to_string(getpid()) + "\n");
  EXPECT_TRUE(second.IsHeld());
  EXPECT_FALSE(second.Acquire());
  EXPECT_TRUE(other.Acquire());
  first.Release();
  EXPECT_TRUE(second.Acquire());
  // Display names become one file name, never a path.
  EXPECT_EQ(IdleWatcherLockPath("unix/host:0\n"), sandbox_.root() + "/quillidle-unix_host:0_.lock");
}

TEST_F(IdleTest, SwitchingOnWritesOurAutostartEntryAndOffRemovesIt) {
  std::string entry = sandbox_.path("config/autostart/quillidle.desktop");
  EXPECT_EQ(IdleAutostartPath(), entry);
  EXPECT_TRUE(SetIdleWatcherEnabled(false)) << "nothing to remove is no failure";

  ASSERT_TRUE(SetIdleWatcherEnabled(true));
  ASSERT_TRUE(sandbox_.exists(entry));
  std::string text = sandbox_.readFile(entry);
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
  EXPECT_EQ(ReadShortcutTarget(entry), sandbox_.programFolder() + "quillidle");
  EXPECT_TRUE(SetIdleWatcherEnabled(true)) << "switching on twice";

  // Another user entry in the folder is none of our business.
  sandbox_.writeFile("config/autostart/other.desktop", "[Desktop Entry]\n");
  ASSERT_TRUE(SetIdleWatcherEnabled(false));
  EXPECT_FALSE(sandbox_.exists(entry));
  EXPECT_TRUE(sandbox_.exists("config/autostart/other.desktop"));
}

TEST_F(IdleTest, AutostartEntryQuotesAwkwardProgramFoldersAndRefusesLineBreaks) {
  std::string awkward = "/home/a b/$HOME/100%/\"q\"/back\\slash/quillidle";
  std::string text = IdleAutostartEntry(awkward);
  ASSERT_FALSE(text.empty());
  sandbox_.writeFile("entry.desktop", text);
  EXPECT_EQ(ReadShortcutTarget(sandbox_.path("entry.desktop")), awkward);
  EXPECT_EQ(IdleAutostartEntry("/a\nExec=/bin/evil"), "");
}

TEST_F(IdleTest, SwitchingOnInsideASessionStartsTheWatcherUnlessOneRuns) {
  std::string record = sandbox_.path("watcher-started");
  writeScript("program/quillidle", record, 0);
  setenv("DISPLAY", ":93", 1);

  {
    IdleWatcherLock running(":93");  // a watcher already holds the display
    ASSERT_TRUE(running.Acquire());
    ASSERT_TRUE(SetIdleWatcherEnabled(true));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(sandbox_.exists(record));
  }
  ASSERT_TRUE(SetIdleWatcherEnabled(true));
  EXPECT_TRUE(waitFor([&] { return sandbox_.exists(record); }));

  // Switching off stops nothing by force: the watcher reads the switch itself.
  unlink(record.c_str());
  ASSERT_TRUE(SetIdleWatcherEnabled(false));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(sandbox_.exists(record));
}

TEST_F(IdleTest, AutostartFolderThatCannotBeWrittenIsReported) {
  sandbox_.writeFile("config/autostart", "a file where the folder should be");
  EXPECT_FALSE(SetIdleWatcherEnabled(true));
}

}  // namespace
