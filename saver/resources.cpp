#include "saver/resources.h"

#include "platform/dialog_template.h"
#include "platform/resources.h"

namespace {
// A 32 x 32 picture frame around a small landscape: sky, sun and hills.
const char* const kSaverIcon[] = {
    "32 32 5 1",
    "  c None",
    "w c #8B5A2B",
    "s c #FFD700",
    "g c #2E8B57",
    "b c #87CEEB",
    "                                ",
    "                                ",
    "  wwwwwwwwwwwwwwwwwwwwwwwwwwww  ",
    "  wwwwwwwwwwwwwwwwwwwwwwwwwwww  ",
    "  wwbbbbbbbbbbbbbbbbbbbbbbbbww  ",
    "  wwbbbbbbbbbbbbbbbbbbbbbbbbww  ",
    "  wwbbbbbbbbbbbbbbbbbbbbbbbbww  ",
    "  wwbbbbbbbbbbbbbbbbbsbbbbbbww  ",
    "  wwbbbbbbbbbbbbbbbsssssbbbbww  ",
    "  wwbbbbbbbbbbbbbbbsssssbbbbww  ",
    "  wwbbbbbbbbbbbbbbsssssssbbbww  ",
    "  wwbbbbbbbbbbbbbbbsssssbbbbww  ",
    "  wwbbbbbbbbbbbbbbbsssssbbbbww  ",
    "  wwbbbbbbbbbbbbbbbbbsbbbbbbww  ",
    "  wwbbbbbbbbbbbbbbbbbbbbbbbbww  ",
    "  wwbbgbbbbbbbbbbbgbbbbbbbbbww  ",
    "  wwbgggbbbbbbbbbgggbbbbbbbbww  ",
    "  wwgggggbbbbbbbgggggbbbbbbbww  ",
    "  wwggggggbbbbbgggggggbbbbbgww  ",
    "  wwgggggggbbbgggggggggbbbggww  ",
    "  wwggggggggbgggggggggggbgggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwggggggggggggggggggggggggww  ",
    "  wwwwwwwwwwwwwwwwwwwwwwwwwwww  ",
    "  wwwwwwwwwwwwwwwwwwwwwwwwwwww  ",
    "                                ",
    "                                ",
    nullptr};

DialogTemplate ConfigDialogTemplate() {
  DialogTemplate t;
  t.id = kConfigDialogId;
  t.caption = "Quillmark Screen Saver Configuration";
  t.fontName = "Helv";
  t.fontPointSize = 8;
  t.cx = 182;
  t.cy = 132;
  t.styles = dlg::ModalFrame | dlg::Caption | dlg::SysMenu;
  using K = ControlKind;
  t.controls = {
      {-1, K::GroupBox, "&Time between images", 6, 6, 170, 28, 0},
      {1000, K::Edit, "", 15, 16, 40, 14, ctl::Number | ctl::TabStop},
      {1016, K::RadioButton, "&Minutes", 68, 18, 41, 10, ctl::Group | ctl::TabStop},
      {1017, K::RadioButton, "S&econds", 115, 18, 44, 10, 0},
      {-1, K::GroupBox, "Image Information", 6, 41, 170, 45, ctl::Group},
      {1009, K::CheckBox, "&Show titles", 6, 116, 51, 10, ctl::Hidden | ctl::TabStop},
      {1012, K::CheckBox, "S&how descriptive text", 15, 52, 83, 10, ctl::TabStop},
      {-1, K::StaticText, "Text &language", 15, 69, 51, 8, 0},
      {1018, K::ComboBox, "", 72, 67, 97, 52, ctl::DropDownList | ctl::TabStop},
      {-1, K::StaticText, "T&ransition Effects", 6, 95, 58, 8, 0},
      {1007, K::ComboBox, "", 66, 92, 110, 46, ctl::DropDownList | ctl::TabStop},
      {1, K::DefPushButton, "OK", 71, 112, 50, 14, ctl::Group | ctl::TabStop},
      {2, K::PushButton, "Cancel", 126, 112, 50, 14, ctl::TabStop},
  };
  return t;
}
}  // namespace

void EnsureSaverResources() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterIconResource(100, kSaverIcon);
  RegisterDialogTemplate(ConfigDialogTemplate());
}
