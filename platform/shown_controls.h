#pragma once
// What a running dialog or page shows, for tests of its layout: every visible window in
// its client area (the template's controls and windows made at run time, such as a
// preview), where it is, and how much room its text needs against the room it has, as
// the toolkit's style measures both.
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/window.h"

struct ShownControl {
  int id = 0;          // the template's id; 0 for a window no template made
  std::string text;    // what it says (UTF-8), for messages
  bool groupBox = false;
  PixelRect rect;      // in the client area
  PixelRect inside;    // a group box: where the controls it holds may go
  int textWidth = 0, textHeight = 0;  // the text's extent (0: no text to show)
  int roomWidth = 0, roomHeight = 0;  // the room the control gives its text
};

// A dialog made by DialogBoxParam; the framework's dialogs and pages have a ShownControls
// member of their own.
std::vector<ShownControl> ShownControls(HWND dialog);
