#pragma once
// Controls of a running framework dialog (CDialog), reached by id the way the old
// framework's GetDlgItem reached them, as the handles of platform/controls.h: list boxes,
// combo boxes and buttons of a modal dialog can be filled, read, enabled and disabled.
// Only valid while the dialog runs (from its OnInitDialog until it ends); otherwise, and
// for an unknown id, the handle is empty and does nothing.
#include "platform/controls.h"
#include "platform/framework.h"

CControl GetDialogItem(const CDialog& dialog, int id);

// What the user does, for test hooks: choose item `index` of a list box of the running
// dialog as a mouse click would (the dialog's selection-change handler runs), or double
// click it.
void ChooseDialogListItem(CDialog& dialog, int id, int index);
void DoubleClickDialogListItem(CDialog& dialog, int id, int index);
