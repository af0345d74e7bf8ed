#include "launcher/netjumper_resources.h"

#include "launcher/netjumper_icon.xpm.h"
#include "launcher/resource.h"
#include "platform/dialog_template.h"
#include "platform/resources.h"

namespace {
DialogTemplate ConfirmationDialog() {
  DialogTemplate t;
  t.id = IDD_NETJUMPER_DIALOG;
  t.caption = "Quillmark NetJumper";
  t.fontName = "MS Sans Serif";
  t.fontPointSize = 8;
  t.cx = 298;
  t.cy = 79;
  t.styles = dlg::Extended | dlg::ModalFrame | dlg::Caption | dlg::SysMenu | dlg::AppWindow;
  // The question carries the address, which may hold "&": no mnemonics there.
  t.controls = {
      {IDC_QUESTION, ControlKind::StaticText, "", 7, 7, 284, 23, ctl::AlignCenter | ctl::NoPrefix},
      {IDC_DONTSHOW, ControlKind::CheckBox, "&Don't show this prompt again", 95, 41, 107, 10,
       ctl::TabStop},
      {1, ControlKind::DefPushButton, "Yes", 96, 58, 50, 14, ctl::TabStop},
      {2, ControlKind::PushButton, "No", 150, 58, 50, 14, ctl::TabStop},
  };
  return t;
}
}  // namespace

void RegisterNetJumperResources() {
  static const bool registered = [] {
    RegisterDialogTemplate(ConfirmationDialog());
    RegisterIconResource(IDR_MAINFRAME, kNetJumperIcon);
    return true;
  }();
  (void)registered;
}
