// quillmrk on a real X server, played with real key events: the user picks a picture and
// presses OK while the program folder is read-only. The sheet must say once, in words,
// which file could not be written and why, keep quillmrk.ini byte for byte, and stay open
// with the choice; once the folder is writable again, OK saves and closes.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
#include "tests/support/private_display.h"
#include "tests/support/sandbox.h"

namespace {

const char kTitle[] = "QuillMark Configuration";

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
  if (UserInterfaceStarted()) GTEST_SKIP() << "needs a process of its own, as ctest gives it";
  Sandbox sandbox;
  const std::string folder = sandbox.programFolder();
  const std::string ini = folder + "quillmrk.ini";
  const std::string settings = "[Config]\r\nProgramPath=" + folder +
                               "\r\nCurrentSet=Coast\r\nCurrentImage=Beach\r\nChangeImage=3\r\n"
                               "UseAllImages=0\r\nStretchWallpaper=0\r\nWallpaper Disabled=0\r\n\r\n"
                               "[SetDescriptions]\r\nCoast=Coast\\\r\n\r\n[Coast]\r\nBeach=beach\r\nCliff=cliff\r\n";
  sandbox.writeFile(ini, settings);
  sandbox.writeFile(folder + "Coast/cliff.jpg", "a picture, never decoded here");

  PrivateDisplay x;
  ASSERT_TRUE(x.ready()) << x.why();
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

  ASSERT_TRUE(app.realBoxes) << "no real message box on " << x.name();
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
