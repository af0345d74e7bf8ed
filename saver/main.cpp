// quillsav: the slideshow screen saver. The framework reads the command line and calls
// ScreenSaverProc and ScreenSaverConfigureDialog.
#include "platform/message_box.h"
#include "platform/screensaver.h"
#include "saver/resources.h"

int main(int argc, char** argv) {
  SetApplicationTitle("Quillmark Screen Saver");
  EnsureSaverResources();
  return ScreenSaverMain(argc, argv);
}
