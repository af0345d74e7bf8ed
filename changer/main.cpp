// quillrun: started at every log-on from the user's autostart entry; changes the wallpaper
// when its interval has passed and ends. It shows no window; the only thing that can
// appear is the wallpaper's error message.
#include "changer/wallpaper_change.h"
#include "platform/framework.h"
#include "platform/paths.h"

class CQuillrunApp : public CWinApp {
 public:
  CQuillrunApp() : CWinApp("QuillMark Configuration") {}
  BOOL InitInstance() override {
    RunLogonWallpaperChange(ProgramFolder(), LocalNow());
    return FALSE;
  }
};

int main(int argc, char** argv) {
  CQuillrunApp app;
  return RunApplication(app, argc, argv);
}
