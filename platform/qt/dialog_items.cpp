#include "platform/dialog_items.h"

#include <QListWidget>

namespace {
QWidget* FindControl(const CDialog& dialog, int id) {
  return reinterpret_cast<QWidget*>(dialog.GetDlgItemHandle(id));
}
}  // namespace

CControl GetDialogItem(const CDialog& dialog, int id) { return CControl(dialog.GetDlgItemHandle(id)); }

void ChooseDialogListItem(CDialog& dialog, int id, int index) {
  auto* list = qobject_cast<QListWidget*>(FindControl(dialog, id));
  if (!list || !list->isEnabled() || index < 0 || index >= list->count()) return;
  list->setCurrentRow(index);  // not blocked: the dialog hears of it as of a click
}

void DoubleClickDialogListItem(CDialog& dialog, int id, int index) {
  auto* list = qobject_cast<QListWidget*>(FindControl(dialog, id));
  if (!list || !list->isEnabled() || index < 0 || index >= list->count()) return;
  list->setCurrentRow(index);
  emit list->itemDoubleClicked(list->item(index));
}
