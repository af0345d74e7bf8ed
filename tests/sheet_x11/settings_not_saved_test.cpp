// quillmrk on a real X server, played with real key events: the user picks a picture and
// presses OK while the program folder is read-only. The sheet must say once, in words,
// which file could not be written and why, keep quillmrk.ini byte for byte, and stay open
// with the choice; once the folder is writable again, OK saves and closes.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/ssconfig.h"
#include "platform/gui.h"
#include "platform/message_box.h"
#include "tests/support/file_permissions.h"
#include "tests/support/sandbox.h"

namespace {

const char kTitle[] = "QuillMark Configuration";

// An X server of the test's own; Xvfb names the free display it took (-displayfd).
class Xvfb {
 public:
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      freopen("/dev/null", "w", stderr);
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The pipe stays open while the server runs: it may still be writing the line's end.
    pipe_ = fds[0];
    pollfd p{pipe_, POLLIN, 0};
    char number[16] = {};
    if (pid_ > 0 && poll(&p, 1, 20000) == 1 && read(pipe_, number, sizeof number - 1) > 0)
      display_ = ":" + std::to_string(std::atoi(number));
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (pipe_ >= 0) close(pipe_);
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  int pipe_ = -1;
  std::string display_;
};

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, p)) out += chunk;
    pclose(p);
  }
  return out;
}

// The visible windows that carry the program's title, oldest first.
std::vector<std::string> TitledWindows() {
  std::vector<std::string> ids;
  std::string out = Output(std::string("xdotool search --onlyvisible --name '^") + kTitle + "$' 2>/dev/null");
  for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
    ids.push_back(out.substr(at, end - at));
  return ids;
}

bool WaitUntil(const std::function<bool()>& done, double seconds = 20) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

void Keys(const std::string& window, const std::string& keys) {
  std::system(("xdotool windowfocus --sync " + window + " key --delay 150 " + keys + " 2>/dev/null").c_str());
}

// quillmrk itself, with every message box still shown to the user; the test only reads
// along.
class WatchedApp : public CSsconfigApp {
 public:
  BOOL InitInstance() override {
    MessageBoxHandler shown = SetMessageBoxHandler({});
    realBoxes = static_cast<bool>(shown);
    SetMessageBoxHandler([this, shown](const std::string& text, const std::string& caption, UINT type) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back(text);
        captions.push_back(caption);
      }
      ++opened;
      int answer = shown ? shown(text, caption, type) : IDOK;
      ++answered;
      return answer;
    });
    return CSsconfigApp::InitInstance();
  }

  bool realBoxes = false;
  std::mutex mutex;
  std::vector<std::string> messages, captions;
  std::atomic<int> opened{0}, answered{0};
};

TEST(SettingsNotSaved, OkOnAReadOnlyProgramFolderSaysSoOnceAndKeepsTheSheetOpen) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "Xvfb or xdotool is missing";
  if (UserInterfaceStarted()) GTEST_SKIP() << "needs a process of its own, as ctest gives it";
  Sandbox sandbox;
  const std::string folder = sandbox.programFolder();
  const std::string ini = folder + "quillmrk.ini";
  const std::string settings = "[Config]\r\nProgramPath=" + folder +
                               "\r\nCurrentSet=Coast\r\nCurrentImage=Beach\r\nChangeImage=3\r\n"
                               "UseAllImages=0\r\nStretchWallpaper=0\r\nWallpaper Disabled=0\r\n\r\n"
                               "[SetDescriptions]\r\nCoast=Coast\\\r\n\r\n[Coast]\r\nBeach=beach\r\nCliff=cliff\r\n";
  sandbox.writeFile(ini, settings);

  Xvfb x;
  ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", x.display().c_str(), 1);
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_CURRENT_DESKTOP");
  chmod(folder.c_str(), 0555);

  WatchedApp app;
  std::atomic<bool> ended{false};
  bool openAfterTheMessage = false;
  std::string iniAfterTheMessage;
  std::thread user([&] {
    std::vector<std::string> windows;
    // The sheet may be made anew while it opens; take it once it has settled.
    if (WaitUntil([&] { return !TitledWindows().empty(); })) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      windows = TitledWindows();
    }
    if (!windows.empty()) {
      const std::string sheet = windows.back();
      // Alt+W goes to the picture list, Down picks the second picture, Enter presses OK.
      Keys(sheet, "alt+w Down Return");
      if (WaitUntil([&] { return app.opened == 1; })) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (const std::string& w : TitledWindows())
          if (w != sheet) Keys(w, "Return");
        if (WaitUntil([&] { return app.answered == 1; })) {
          std::this_thread::sleep_for(std::chrono::milliseconds(500));
          for (const std::string& w : TitledWindows()) openAfterTheMessage = openAfterTheMessage || w == sheet;
          iniAfterTheMessage = sandbox.readFile(ini);
          chmod(folder.c_str(), 0755);
          Keys(sheet, "Return");
        }
      }
    }
    // Whatever went wrong above, the program must not be left waiting for a user.
    for (int i = 0; i < 20 && !WaitUntil([&] { return ended.load(); }, 3); ++i)
      for (const std::string& w : TitledWindows()) Keys(w, "Escape");
  });
  {
    FilePermissionsBind permissions;
    static char name[] = "quillmrk";
    static char* argv[] = {name, nullptr};
    RunApplication(app, 1, argv);
  }
  ended = true;
  user.join();
  chmod(folder.c_str(), 0755);

  ASSERT_TRUE(app.realBoxes) << "no real message box on " << x.display();
  EXPECT_EQ(app.messages, std::vector<std::string>{"The settings could not be saved:\n\n" + ini +
                                                   ": permission denied\n\n"
                                                   "No settings file was damaged, and your choices are still on "
                                                   "the pages. Free some disk space or make the folder writable, "
                                                   "then press OK or Apply again."});
  EXPECT_EQ(app.captions, std::vector<std::string>{kTitle});
  EXPECT_TRUE(openAfterTheMessage) << "the sheet closed on a failed OK";
  EXPECT_EQ(iniAfterTheMessage, settings);
  EXPECT_EQ(app.m_nSheetResult, IDOK);
  EXPECT_NE(sandbox.readFile(ini).find("CurrentImage=Cliff\r\n"), std::string::npos) << sandbox.readFile(ini);
}

}  // namespace
