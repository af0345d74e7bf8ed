// quillrun: started at every log-on from the user's autostart entry; changes the wallpaper
// when its interval has passed and ends. It shows no window; the only thing that can
// appear is the wallpaper's error message. Settings it could not write go to stderr (the
// session's log) and make the exit status 1, so a full disk does not pass for a change.
#include <cstdio>

#include "changer/wallpaper_change.h"
#include "platform/framework.h"
#include "platform/paths.h"
#include "platform/write_failures.h"

class CQuillrunApp : public CWinApp {
 public:
  CQuillrunApp() : CWinApp("QuillMark Configuration") {}
  BOOL InitInstance() override {
    ClearWriteFailures();
    RunLogonWallpaperChange(ProgramFolder(), LocalNow());
    for (const WriteFailure& failure : WriteFailures()) {
      std::fprintf(stderr, "quillrun: cannot write %s\n", DescribeWriteFailure(failure).c_str());
      m_exitCode = 1;
    }
    return FALSE;
  }
  int ExitInstance() override { return m_exitCode; }

 private:
  int m_exitCode = 0;
};

int main(int argc, char** argv) {
  CQuillrunApp app;
  return RunApplication(app, argc, argv);
}
