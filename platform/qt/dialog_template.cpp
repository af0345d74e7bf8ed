#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QToolButton>
#include <map>

#include "platform/dialog_template.h"
#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/text_codec.h"

namespace {
std::map<int, DialogTemplate>& templates() {
  static std::map<int, DialogTemplate> t;
  return t;
}

// The old MulDiv: rounds halves away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
  long long n = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(n >= 0 ? (n + half) / denominator : -((-n + half) / denominator));
}

bool TakesFocus(ControlKind kind) {
  return kind != ControlKind::StaticText && kind != ControlKind::GroupBox &&
         kind != ControlKind::UpDown;
}
}  // namespace

void RegisterDialogTemplate(const DialogTemplate& t) { templates()[t.id] = t; }

const DialogTemplate* FindDialogTemplate(int id) {
  auto it = templates().find(id);
  return it == templates().end() ? nullptr : &it->second;
}

PixelRect DialogUnitsToPixels(const DialogBaseUnits& base, int x, int y, int cx, int cy) {
  return {ScaleRounded(x, base.cx, 4), ScaleRounded(y, base.cy, 8), ScaleRounded(cx, base.cx, 4),
          ScaleRounded(cy, base.cy, 8)};
}

QFont DialogFont(const DialogTemplate& t) {
  QFont font;
  font.setFamilies({DisplayText(t.fontName), QStringLiteral("Liberation Sans"),
                    QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(t.fontPointSize > 0 ? t.fontPointSize : 8);
  return font;
}

DialogBaseUnits BaseUnitsForQFont(const QFont& font) {
  QFontMetrics metrics(font);
  int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogBaseUnits base;
  base.cx = (width / 26 + 1) / 2;
  base.cy = metrics.height();
  // A font that resolves to nothing measurable still gives a usable dialog.
  if (base.cx <= 0) base.cx = 6;
  if (base.cy <= 0) base.cy = 13;
  return base;
}

DialogBaseUnits BaseUnitsForFont(const std::string& faceName, int pointSize) {
  // Fonts can only be measured once the user interface runs; until then the old
  // platform's figures for its 8-point system font stand in.
  if (!QGuiApplication::instance()) return {6, 13};
  DialogTemplate t;
  t.fontName = faceName;
  t.fontPointSize = pointSize;
  return BaseUnitsForQFont(DialogFont(t));
}

PixelRect MapDialogRect(const BuiltDialog& built, int x, int y, int cx, int cy) {
  return DialogUnitsToPixels(built.base, x, y, cx, cy);
}

// ---------------------------------------------------------------------------------------

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent) {
  auto* up = new QToolButton(this);
  auto* down = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  down->setArrowType(Qt::DownArrow);
  up->setAutoRepeat(true);
  down->setAutoRepeat(true);
  up->setFocusPolicy(Qt::NoFocus);
  down->setFocusPolicy(Qt::NoFocus);
  up->setObjectName(QStringLiteral("up"));
  down->setObjectName(QStringLiteral("down"));
  QObject::connect(up, &QToolButton::clicked, this, [this] { step(1); });
  QObject::connect(down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDownControl::setRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  setPos(pos_);
}

void UpDownControl::setPos(int pos) {
  pos_ = std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_));
  showInBuddy();
}

void UpDownControl::setBuddy(QWidget* buddy, bool setBuddyInt) {
  if (buddy_) buddy_->removeEventFilter(this);
  buddy_ = buddy;
  setBuddyInt_ = setBuddyInt;
  if (buddy_) buddy_->installEventFilter(this);
  showInBuddy();
}

void UpDownControl::step(int delta) {
  // What the user typed into the buddy counts as the position to step from.
  if (auto* edit = qobject_cast<QLineEdit*>(buddy_); edit && setBuddyInt_) {
    bool ok = false;
    int typed = edit->text().toInt(&ok);
    if (ok) pos_ = std::clamp(typed, std::min(lower_, upper_), std::max(lower_, upper_));
  }
  int direction = upper_ >= lower_ ? 1 : -1;  // "up" always moves towards the upper end
  int old = pos_;
  setPos(pos_ + direction * delta);
  if (pos_ != old && onChanged) onChanged();
}

void UpDownControl::showInBuddy() {
  auto* edit = qobject_cast<QLineEdit*>(buddy_);
  if (edit && setBuddyInt_) edit->setText(QString::number(pos_));
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      step(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------

void UpDownControl::resizeEvent(QResizeEvent*) {
  int half = height() / 2;
  auto* up = findChild<QToolButton*>(QStringLiteral("up"));
  auto* down = findChild<QToolButton*>(QStringLiteral("down"));
  if (up) up->setGeometry(0, 0, width(), half);
  if (down) down->setGeometry(0, half, width(), height() - half);
}

namespace {
QWidget* MakeControl(QWidget* dialog, const ControlTemplate& c) {
  QString text = DisplayText(c.text);
  switch (c.kind) {
    case ControlKind::StaticText: {
      auto* label = new QLabel(dialog);
      label->setTextFormat(Qt::PlainText);
      Qt::Alignment h = Qt::AlignLeft;
      if ((c.options & ctl::AlignMask) == ctl::AlignCenter) h = Qt::AlignHCenter;
      if ((c.options & ctl::AlignMask) == ctl::AlignRight) h = Qt::AlignRight;
      label->setAlignment(h | Qt::AlignTop);
      label->setWordWrap(!(c.options & ctl::NoWrap));
      label->setText(text);  // mnemonics are settled once the buddy is known
      return label;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(text, dialog);
      button->setAutoDefault(true);
      button->setDefault(c.kind == ControlKind::DefPushButton);
      return button;
    }
    case ControlKind::CheckBox: return new QCheckBox(text, dialog);
    case ControlKind::RadioButton: return new QRadioButton(text, dialog);
    case ControlKind::GroupBox: return new QGroupBox(text, dialog);
    case ControlKind::Edit: {
      Qt::Alignment h = Qt::AlignLeft;
      if ((c.options & ctl::AlignMask) == ctl::AlignCenter) h = Qt::AlignHCenter;
      if ((c.options & ctl::AlignMask) == ctl::AlignRight) h = Qt::AlignRight;
      if (c.options & ctl::MultiLine) {
        auto* edit = new QPlainTextEdit(text, dialog);
        edit->setReadOnly(c.options & ctl::ReadOnly);
        return edit;
      }
      auto* edit = new QLineEdit(text, dialog);
      edit->setReadOnly(c.options & ctl::ReadOnly);
      edit->setAlignment(h | Qt::AlignVCenter);
      if (c.options & ctl::Number)
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
      return edit;
    }
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(dialog);
      combo->setEditable(!(c.options & ctl::DropDownList));
      if (c.options & ctl::Sort) combo->setInsertPolicy(QComboBox::InsertAlphabetically);
      return combo;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(dialog);
      list->setSortingEnabled(c.options & ctl::Sort);
      return list;
    }
    case ControlKind::Slider: {
      auto* slider = new QSlider(c.options & ctl::Vertical ? Qt::Vertical : Qt::Horizontal, dialog);
      slider->setRange(0, 100);  // the old trackbar's default range
      if (c.options & ctl::AutoTicks) {
        slider->setTickPosition(c.options & ctl::Vertical ? QSlider::TicksRight
                                                          : QSlider::TicksBelow);
        slider->setTickInterval(1);
      }
      return slider;
    }
    case ControlKind::UpDown: return new UpDownControl(dialog);
  }
  return new QWidget(dialog);
}
}  // namespace

BuiltDialog BuildDialogFromTemplate(QWidget* dialog, const DialogTemplate& t) {
  BuiltDialog built;
  built.font = DialogFont(t);
  built.base = BaseUnitsForQFont(built.font);
  dialog->setFont(built.font);
  dialog->setWindowTitle(DisplayText(t.caption));
  KeepFocusShown(dialog->window());

  QButtonGroup* radioGroup = nullptr;
  QWidget* previous = nullptr;
  std::vector<QWidget*> widgets;
  std::vector<QRect> placed;
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const ControlTemplate& c = t.controls[i];
    QWidget* w = MakeControl(dialog, c);
    PixelRect r = MapDialogRect(built, c.x, c.y, c.cx, c.cy);
    QRect at(r.x, r.y, r.cx, r.cy);
    // A combo box's template height includes its drop-down list; its field took about 12
    // units on the old platform, and grows from there to what the style needs.
    if (c.kind == ControlKind::ComboBox) at.setHeight(std::min(r.cy, MapDialogRect(built, 0, 0, 0, 12).cy));
    if (c.options & ctl::Group) radioGroup = nullptr;
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      if (!radioGroup) radioGroup = new QButtonGroup(dialog);
      radioGroup->addButton(radio);
    }
    if (TakesFocus(c.kind)) w->setFocusPolicy(c.options & ctl::TabStop ? Qt::StrongFocus : Qt::ClickFocus);
    if (c.kind == ControlKind::GroupBox) w->lower();
    // An up-down at its buddy's right edge takes part of the buddy's place once the buddy
    // has been placed.
    if (auto* ud = dynamic_cast<UpDownControl*>(w); ud && (c.options & ctl::AutoBuddy) && previous) {
      ud->setBuddy(previous, c.options & ctl::SetBuddyInt);
      if (c.options & ctl::AlignBuddyRight) at = QRect();
    }
    if (c.options & ctl::Disabled) w->setEnabled(false);
    if (c.options & ctl::Hidden) w->hide();
    built.controls.emplace(c.id, w);
    built.ordered.push_back(w);
    widgets.push_back(w);
    placed.push_back(at);
    previous = w;
  }
  // A static text's mnemonic moves the focus to the next control that takes it.
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const ControlTemplate& c = t.controls[i];
    if (c.kind != ControlKind::StaticText || (c.options & ctl::NoPrefix)) continue;
    auto* label = static_cast<QLabel*>(widgets[i]);
    QWidget* buddy = nullptr;
    for (size_t j = i + 1; j < widgets.size() && !buddy; ++j)
      if (TakesFocus(t.controls[j].kind)) buddy = widgets[j];
    if (buddy) label->setBuddy(buddy);
    else label->setText(WithoutMnemonics(label->text()));
  }

  built.placed = std::move(placed);
  PlaceControls(dialog, t, built);
  return built;
}

void PlaceControls(QWidget* dialog, const DialogTemplate& t, const BuiltDialog& built) {
  const std::vector<QWidget*>& widgets = built.ordered;
  std::vector<QRect> laidOut;
  const QSize client = LayOutControls(t, built.base, widgets, built.placed, laidOut);
  dialog->setFixedSize(std::max(client.width(), 1), std::max(client.height(), 1));
  for (size_t i = 0; i < widgets.size(); ++i) {
    const ControlTemplate& c = t.controls[i];
    auto* ud = dynamic_cast<UpDownControl*>(widgets[i]);
    if (ud && ud->buddy() && (c.options & ctl::AlignBuddyRight)) {
      const QRect b = ud->buddy()->geometry();
      const int width = std::min(c.cx > 0 ? MapDialogRect(built, 0, 0, c.cx, 0).cx : 16, b.width() / 2);
      ud->buddy()->setGeometry(b.x(), b.y(), b.width() - width, b.height());
      ud->setGeometry(b.right() + 1 - width, b.y(), width, b.height());
    } else {
      widgets[i]->setGeometry(laidOut[i]);
    }
  }
}

QSize LaidOutSize(const DialogTemplate& t) {
  QWidget scratch;
  BuildDialogFromTemplate(&scratch, t);
  return scratch.size();
}

bool EnterMeansOk(QDialog* dialog, QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
  if (event->modifiers() & ~Qt::KeypadModifier) return false;
  if (qobject_cast<QPushButton*>(dialog->focusWidget())) return false;
  for (QPushButton* button : dialog->findChildren<QPushButton*>())
    if (button->isDefault() && button->isVisible()) return false;
  return true;
}

namespace {
// The toolkit forgets that the keyboard moved the focus whenever the mouse moves it; this
// reminds it at every focus change in a window that asked for it.
class FocusShower : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
      QWidget* window = static_cast<QWidget*>(watched)->window();
      if (window->property("qmShowFocus").toBool()) window->setAttribute(Qt::WA_KeyboardFocusChange);
    }
    return false;
  }
};
}  // namespace

void KeepFocusShown(QWidget* window) {
  static FocusShower* shower = nullptr;
  if (!shower && QCoreApplication::instance()) {
    shower = new FocusShower;
    shower->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(shower);
  }
  window->setProperty("qmShowFocus", true);
  window->setAttribute(Qt::WA_KeyboardFocusChange);
}

QString WithoutMnemonics(const QString& text) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    else if (text[i] == QLatin1Char('&')) continue;
    out += text[i];
  }
  return out;
}
