// The old dialog manager's mnemonics. The toolkit gives every "&x" its own shortcut and
// refuses a letter two controls share ("&Add" on a page beside the sheet's "&Apply"); the
// old rule looked through the dialog's controls in order, the focused page's before the
// sheet's own, and never at a hidden or disabled one.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "platform/qt/dialog_template_qt.h"

namespace {
struct Scope {
  QPointer<QWidget> window;
  std::function<std::vector<std::vector<QWidget*>>()> groups;
};

std::vector<Scope>& Scopes() {
  static std::vector<Scope> scopes;
  return scopes;
}

// The letter after a single "&" ("&&" is a plain "&"), lower-case; null when none.
QChar MnemonicOf(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return QChar();
}

QString TextOf(QWidget* w) {
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
  return QString();
}

bool Usable(QWidget* w, QWidget* window) { return w && w->isEnabled() && w->isVisibleTo(window); }

// Where a mnemonic leads: the control itself, or for a static text or group box the next
// control in the list that takes the focus.
QWidget* TargetOf(const std::vector<QWidget*>& list, std::size_t index, QWidget* window) {
  QWidget* w = list[index];
  if (qobject_cast<QAbstractButton*>(w)) return w;
  if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) return label->buddy();
  for (std::size_t j = index + 1; j < list.size(); ++j)
    if (Usable(list[j], window) && list[j]->focusPolicy() != Qt::NoFocus && !qobject_cast<QLabel*>(list[j]) &&
        !qobject_cast<QGroupBox*>(list[j]))
      return list[j];
  return nullptr;
}

QChar LetterOf(const QKeyEvent* key) {
  const int k = key->key();
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return QChar(static_cast<char16_t>(u'a' + (k - Qt::Key_A)));
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return QChar(static_cast<char16_t>(u'0' + (k - Qt::Key_0)));
  return QChar();
}

class MnemonicFilter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    auto* focus = qobject_cast<QWidget*>(watched);
    if (!focus) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    // A bare letter is a mnemonic only where the focused control takes no typing.
    const bool alt = mods == Qt::AltModifier;
    const bool bare = (mods == Qt::NoModifier || mods == Qt::ShiftModifier) && qobject_cast<QAbstractButton*>(focus);
    const QChar letter = LetterOf(key);
    if ((!alt && !bare) || letter.isNull()) return false;

    QWidget* window = focus->window();
    const Scope* scope = nullptr;
    for (const Scope& s : Scopes())
      if (s.window == window) scope = &s;
    if (!scope) return false;

    // The first group with a match decides: the focused page before the sheet's buttons.
    std::vector<QWidget*> targets;
    std::vector<QWidget*> owners;
    for (const std::vector<QWidget*>& list : scope->groups()) {
      for (std::size_t i = 0; i < list.size(); ++i) {
        if (!Usable(list[i], window) || MnemonicOf(TextOf(list[i])) != letter) continue;
        QWidget* target = TargetOf(list, i, window);
        if (!Usable(target, window)) continue;
        targets.push_back(target);
        owners.push_back(list[i]);
      }
      if (!targets.empty()) break;
    }
    if (targets.empty()) return false;
    if (event->type() == QEvent::ShortcutOverride) {
      key->accept();  // ours: the toolkit's own shortcuts stay out of it
      return true;
    }
    if (targets.size() > 1) {
      // Equal letters: each press takes the focus on to the next of them.
      std::size_t next = 0;
      for (std::size_t i = 0; i < targets.size(); ++i)
        if (targets[i] == focus) next = (i + 1) % targets.size();
      targets[next]->setFocus(Qt::ShortcutFocusReason);
      return true;
    }
    QWidget* target = targets.front();
    if (auto* button = qobject_cast<QAbstractButton*>(target); button && owners.front() == target) {
      // A check box or radio button takes the focus and is pressed; a push button is pressed.
      if (!qobject_cast<QPushButton*>(button)) button->setFocus(Qt::ShortcutFocusReason);
      button->click();
    } else {
      target->setFocus(Qt::ShortcutFocusReason);
    }
    return true;
  }
};

void EnsureFilter() {
  static MnemonicFilter* filter = nullptr;
  if (filter || !QApplication::instance()) return;
  filter = new MnemonicFilter;
  filter->setParent(QApplication::instance());
  QApplication::instance()->installEventFilter(filter);
}
}  // namespace

void RegisterMnemonicScope(QWidget* window, std::function<std::vector<std::vector<QWidget*>>()> groups) {
  EnsureFilter();
  std::vector<Scope>& scopes = Scopes();
  scopes.erase(std::remove_if(scopes.begin(), scopes.end(), [](const Scope& s) { return s.window.isNull(); }),
               scopes.end());
  scopes.push_back(Scope{window, std::move(groups)});
}
