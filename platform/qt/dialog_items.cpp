// The framework dialog keeps its window to itself; its controls are found again here by
// what the dialog does tell: its caption and the place of each control (GetDlgItemRect).
#include "platform/dialog_items.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>

namespace {
bool IsOurControl(QWidget* child, const PixelRect& place) {
  const QRect g = child->geometry();
  return g.x() == place.x && g.y() == place.y && g.width() == place.cx && g.height() == place.cy &&
         !qobject_cast<QLabel*>(child);
}

QWidget* FindControl(const CDialog& dialog, int id) {
  if (!dialog.IsRunning() || !dialog.HasDlgItem(id)) return nullptr;
  const QString caption = QString::fromStdString(dialog.GetWindowText());
  const PixelRect place = dialog.GetDlgItemRect(id);
  auto search = [&](QWidget* top) -> QWidget* {
    auto* box = qobject_cast<QDialog*>(top);
    if (!box || box->windowTitle() != caption) return nullptr;
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (IsOurControl(child, place)) return child;
    return nullptr;
  };
  // The dialog that runs modally is the one asked about; while it is being set up (its
  // OnInitDialog) it is not shown yet, and the newest matching window is it.
  if (QWidget* found = search(QApplication::activeModalWidget())) return found;
  const QWidgetList tops = QApplication::topLevelWidgets();
  for (auto it = tops.crbegin(); it != tops.crend(); ++it)
    if (QWidget* found = search(*it)) return found;
  return nullptr;
}
}  // namespace

CControl GetDialogItem(const CDialog& dialog, int id) {
  return CControl(reinterpret_cast<ControlObject*>(FindControl(dialog, id)));
}

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
