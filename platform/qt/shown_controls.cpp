#include "platform/shown_controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/window_internal.h"

namespace {
PixelRect Pixels(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

QString Shown(QString text) {
  text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
  return text;
}

void MeasureText(QWidget* w, ShownControl& c) {
  const QFontMetrics fm(w->font());
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return;
    const QString text = label->buddy() ? Shown(label->text()) : label->text();
    const QRect room = label->contentsRect();
    c.text = text.toStdString();
    c.roomWidth = room.width();
    c.roomHeight = room.height();
    if (label->wordWrap()) {
      // Wrapping fits any text that is tall enough, but for a word wider than the label.
      for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        c.textWidth = std::max(c.textWidth, fm.horizontalAdvance(word));
      c.textHeight = label->heightForWidth(room.width());
    } else {
      c.textWidth = fm.horizontalAdvance(text);
      c.textHeight = fm.height();
    }
    return;
  }
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (button->text().isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    QStyle::SubElement part = QStyle::SE_PushButtonContents;
    if (qobject_cast<QCheckBox*>(button)) part = QStyle::SE_CheckBoxContents;
    if (qobject_cast<QRadioButton*>(button)) part = QStyle::SE_RadioButtonContents;
    const QRect room = button->style()->subElementRect(part, &option, button);
    const QSize text = fm.size(Qt::TextShowMnemonic, button->text());
    c.text = Shown(button->text()).toStdString();
    c.textWidth = text.width();
    c.textHeight = text.height();
    c.roomWidth = room.width();
    c.roomHeight = room.height();
    return;
  }
  if (auto* group = qobject_cast<QGroupBox*>(w)) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.lineWidth = 1;
    const QStyle* style = group->style();
    QRect inside = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group);
    // The title's line must lie above the controls the box holds.
    if (!group->title().isEmpty()) inside.setTop(std::max(inside.top(), fm.height()));
    c.inside = Pixels(inside.translated(group->pos()));
    if (group->title().isEmpty()) return;
    const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    c.text = Shown(group->title()).toStdString();
    c.textWidth = label.x() + fm.horizontalAdvance(Shown(group->title()));
    c.textHeight = fm.height();
    c.roomWidth = group->width();
    c.roomHeight = group->height();
  }
}

std::vector<ShownControl> Describe(QWidget* client, const std::function<int(QWidget*)>& idOf) {
  std::vector<ShownControl> shown;
  if (!client) return shown;
  for (QWidget* w : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!w->isVisibleTo(client)) continue;
    ShownControl c;
    c.id = idOf(w);
    c.groupBox = qobject_cast<QGroupBox*>(w) != nullptr;
    c.rect = Pixels(w->geometry());
    MeasureText(w, c);
    shown.push_back(c);
  }
  return shown;
}

int IdIn(const std::map<int, QWidget*>& controls, QWidget* w) {
  for (const auto& [id, widget] : controls)
    if (widget == w) return id;
  return 0;
}
}  // namespace

std::vector<ShownControl> ShownControls(HWND dialog) {
  if (!IsLiveWindow(dialog) || dialog->kind != WindowObject::Kind::Dialog) return {};
  return Describe(dialog->widget.data(), [dialog](QWidget* w) {
    for (HWND c : dialog->children)
      if (IsLiveWindow(c) && c->widget == w) return c->controlId;
    return 0;
  });
}

std::vector<ShownControl> DescribeBuilt(QWidget* client, const std::map<int, QWidget*>& controls) {
  return Describe(client, [&controls](QWidget* w) { return IdIn(controls, w); });
}
