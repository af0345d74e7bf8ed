// Plain dialogs with a dialog procedure, built from registered templates.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <climits>
#include <cstring>

#include "platform/dialog.h"
#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/text_codec.h"
#include "platform/qt/window_internal.h"
#include "platform/qt/window_surface.h"

struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  QEventLoop* loop = nullptr;
};

namespace {
DialogTestHook& testHook() {
  static DialogTestHook h;
  return h;
}

constexpr int kEntryBytes = Qt::UserRole + 1;  // a combo entry's own 8-bit text

QByteArray bytesOf(const QString& s) { return s.toUtf8(); }

class PlainDialog : public QDialog {
 public:
  HWND handle = nullptr;

 protected:
  // Escape and the close box ask the procedure, as IDCANCEL did.
  void reject() override {
    if (IsLiveWindow(handle)) SendMessage(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    reject();
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (EnterMeansOk(this, e) && IsLiveWindow(handle)) SendMessage(handle, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    else QDialog::keyPressEvent(e);
  }
};

LRESULT CALLBACK dialogWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* st = w->dialog;
  if (!st) return 0;
  INT_PTR handled = st->proc(w, message, wParam, lParam);
  if (handled) return handled;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(w, IDCANCEL);
  if (message == WM_GETTEXT || message == WM_SETTEXT || message == WM_GETTEXTLENGTH) {
    auto* d = w->widget.data();
    if (!d) return 0;
    if (message == WM_SETTEXT) {
      d->setWindowTitle(DisplayText(lParam ? reinterpret_cast<const char*>(lParam) : ""));
      return TRUE;
    }
    QByteArray t = bytesOf(d->windowTitle());
    if (message == WM_GETTEXTLENGTH) return t.size();
    if (!lParam || wParam == 0) return 0;
    size_t n = std::min(static_cast<size_t>(t.size()), static_cast<size_t>(wParam) - 1);
    std::memcpy(reinterpret_cast<char*>(lParam), t.constData(), n);
    reinterpret_cast<char*>(lParam)[n] = '\0';
    return static_cast<LRESULT>(n);
  }
  return 0;
}

QString textOfWidget(QWidget* widget) {
  if (auto* e = qobject_cast<QLineEdit*>(widget)) return e->text();
  if (auto* e = qobject_cast<QPlainTextEdit*>(widget)) return e->toPlainText();
  if (auto* b = qobject_cast<QAbstractButton*>(widget)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(widget)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(widget)) return g->title();
  if (auto* c = qobject_cast<QComboBox*>(widget)) return c->currentText();
  return {};
}

void setTextOfWidget(QWidget* widget, const QString& text) {
  if (auto* e = qobject_cast<QLineEdit*>(widget)) e->setText(text);
  else if (auto* e = qobject_cast<QPlainTextEdit*>(widget)) e->setPlainText(text);
  else if (auto* b = qobject_cast<QAbstractButton*>(widget)) b->setText(text);
  else if (auto* l = qobject_cast<QLabel*>(widget)) l->setText(text);
  else if (auto* g = qobject_cast<QGroupBox*>(widget)) g->setTitle(text);
  else if (auto* c = qobject_cast<QComboBox*>(widget)) c->setEditText(text);
}

QByteArray entryBytes(QComboBox* c, int i) {
  QVariant v = c->itemData(i, kEntryBytes);
  return v.isValid() ? v.toByteArray() : bytesOf(c->itemText(i));
}

// The first entry from start + 1 on (wrapping) that begins with (or equals) the text,
// ignoring case, as the old list boxes searched.
LRESULT findEntry(QComboBox* c, WPARAM start, const char* text, bool exact) {
  if (!text) return CB_ERR;
  QString wanted = DisplayText(text);
  int n = c->count();
  int first = static_cast<int>(static_cast<std::intptr_t>(start));
  first = (first < 0 || first >= n) ? 0 : first + 1;
  for (int k = 0; k < n; ++k) {
    int i = (first + k) % n;
    QString entry = DisplayText(entryBytes(c, i).toStdString());
    bool match = exact ? entry.compare(wanted, Qt::CaseInsensitive) == 0
                       : entry.startsWith(wanted, Qt::CaseInsensitive);
    if (match) return i;
  }
  return CB_ERR;
}

void setChecked(QAbstractButton* b, bool on) {
  QButtonGroup* g = b->group();
  bool exclusive = g && g->exclusive();
  if (exclusive && !on) g->setExclusive(false);
  b->setChecked(on);
  if (exclusive && !on) g->setExclusive(true);
}

// The messages every control answers: its text, a button's check and click, an edit's
// limit. False (and `result` untouched) for any other message.
bool CommonControlMessage(QWidget* widget, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  switch (message) {
    case WM_SETTEXT:
      setTextOfWidget(widget, DisplayText(lParam ? reinterpret_cast<const char*>(lParam) : ""));
      result = TRUE;
      return true;
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) {
        result = 0;
        return true;
      }
      QByteArray t = bytesOf(textOfWidget(widget));
      size_t n = std::min(static_cast<size_t>(t.size()), static_cast<size_t>(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), t.constData(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      result = static_cast<LRESULT>(n);
      return true;
    }
    case WM_GETTEXTLENGTH: result = bytesOf(textOfWidget(widget)).size(); return true;
    case BM_GETCHECK: result = button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED; return true;
    case BM_SETCHECK:
      if (button) setChecked(button, wParam == BST_CHECKED);
      result = 0;
      return true;
    case BM_CLICK:
      if (button) button->click();
      result = 0;
      return true;
    case EM_LIMITTEXT:
      if (auto* e = qobject_cast<QLineEdit*>(widget)) e->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
      result = 0;
      return true;
    default: return false;
  }
}

// The combo box's own messages.
LRESULT ComboMessage(QComboBox* combo, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      if (!lParam) return CB_ERR;
      QByteArray bytes(reinterpret_cast<const char*>(lParam));
      QString text = DisplayText(bytes.toStdString());
      int at = combo->count();
      if (message == CB_INSERTSTRING && static_cast<std::intptr_t>(wParam) >= 0 &&
          static_cast<int>(wParam) <= combo->count())
        at = static_cast<int>(wParam);
      else if (message == CB_ADDSTRING && combo->insertPolicy() == QComboBox::InsertAlphabetically)
        for (at = 0; at < combo->count() && combo->itemText(at).compare(text, Qt::CaseInsensitive) <= 0; ++at) {
        }
      QSignalBlocker quiet(combo);
      int before = combo->currentIndex();
      combo->insertItem(at, text);
      combo->setItemData(at, bytes, kEntryBytes);
      // A drop-down list selects nothing until told to, as the old one did.
      if (before < 0) combo->setCurrentIndex(-1);
      return at;
    }
    case CB_DELETESTRING: {
      int i = static_cast<int>(static_cast<std::intptr_t>(wParam));
      if (i < 0 || i >= combo->count()) return CB_ERR;
      QSignalBlocker quiet(combo);
      combo->removeItem(i);
      return combo->count();
    }
    case CB_GETCOUNT: return combo->count();
    case CB_GETCURSEL: return combo->currentIndex() < 0 ? CB_ERR : combo->currentIndex();
    case CB_SETCURSEL: {
      int i = static_cast<int>(static_cast<std::intptr_t>(wParam));
      QSignalBlocker quiet(combo);
      if (i < 0 || i >= combo->count()) {
        combo->setCurrentIndex(-1);
        return CB_ERR;
      }
      combo->setCurrentIndex(i);
      return i;
    }
    case CB_GETLBTEXT: {
      int i = static_cast<int>(static_cast<std::intptr_t>(wParam));
      if (i < 0 || i >= combo->count() || !lParam) return CB_ERR;
      QByteArray t = entryBytes(combo, i);
      std::memcpy(reinterpret_cast<char*>(lParam), t.constData(), static_cast<size_t>(t.size()));
      reinterpret_cast<char*>(lParam)[t.size()] = '\0';
      return t.size();
    }
    case CB_GETLBTEXTLEN: {
      int i = static_cast<int>(static_cast<std::intptr_t>(wParam));
      if (i < 0 || i >= combo->count()) return CB_ERR;
      return entryBytes(combo, i).size();
    }
    case CB_RESETCONTENT: {
      QSignalBlocker quiet(combo);
      combo->clear();
      return TRUE;
    }
    case CB_FINDSTRING: return findEntry(combo, wParam, reinterpret_cast<const char*>(lParam), false);
    case CB_FINDSTRINGEXACT: return findEntry(combo, wParam, reinterpret_cast<const char*>(lParam), true);
    case CB_SELECTSTRING: {
      LRESULT i = findEntry(combo, wParam, reinterpret_cast<const char*>(lParam), false);
      if (i != CB_ERR) {
        QSignalBlocker quiet(combo);
        combo->setCurrentIndex(static_cast<int>(i));
      }
      return i;
    }
    default: return 0;
  }
}

LRESULT CALLBACK controlWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  QWidget* widget = w->widget.data();
  if (!widget) return 0;
  LRESULT result = 0;
  if (CommonControlMessage(widget, message, wParam, lParam, result)) return result;
  auto* combo = qobject_cast<QComboBox*>(widget);
  return combo ? ComboMessage(combo, message, wParam, lParam) : 0;
}

HWND dialogOf(HWND w) {
  if (!IsLiveWindow(w)) return nullptr;
  if (w->kind == WindowObject::Kind::Dialog) return w;
  return nullptr;
}
}  // namespace

INT_PTR DialogBoxParam(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam) {
  if (!procedure || !IS_INTRESOURCE(templateName) || !QApplication::instance()) return -1;
  const DialogTemplate* t = FindDialogTemplate(static_cast<int>(reinterpret_cast<std::uintptr_t>(templateName)));
  if (!t) return -1;
  PlainDialog dialog;
  if (IsLiveWindow(owner)) {
    QWidget* parent = owner->surface ? static_cast<QWidget*>(owner->surface.data()) : owner->widget.data();
    if (parent) dialog.setParent(parent, Qt::Dialog);
  }
  BuiltDialog built = BuildDialogFromTemplate(&dialog, *t);
  RegisterMnemonicScope(&dialog, [ordered = built.ordered] { return std::vector<std::vector<QWidget*>>{ordered}; });
  DialogState state;
  state.proc = procedure;
  HWND hd = RegisterForeignWindow(WindowObject::Kind::Dialog, &dialog, nullptr, 0);
  hd->dialog = &state;
  hd->proc = dialogWindowProc;
  dialog.handle = hd;
  HWND firstFocus = nullptr;
  for (const ControlTemplate& c : t->controls) {
    auto it = built.controls.find(c.id);
    if (it == built.controls.end() || !it->second) continue;
    QWidget* widget = it->second;
    bool known = false;
    for (HWND existing : hd->children) known = known || existing->widget == widget;
    if (known) continue;
    HWND hc = RegisterForeignWindow(WindowObject::Kind::Control, widget, hd, c.id);
    hc->proc = controlWindowProc;
    hc->visible = !(c.options & ctl::Hidden);
    hc->enabled = !(c.options & ctl::Disabled);
    int id = c.id;
    if (!firstFocus && (c.options & ctl::TabStop) && hc->visible && hc->enabled) firstFocus = hc;
    if (auto* b = qobject_cast<QAbstractButton*>(widget)) {
      QObject::connect(b, &QAbstractButton::clicked, &dialog, [hd, hc, id] {
        if (IsLiveWindow(hd)) SendMessage(hd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hc));
      });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      QObject::connect(combo, &QComboBox::activated, &dialog, [hd, hc, id] {
        if (IsLiveWindow(hd)) SendMessage(hd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hc));
      });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      QObject::connect(edit, &QLineEdit::textEdited, &dialog, [hd, hc, id] {
        if (IsLiveWindow(hd)) SendMessage(hd, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(hc));
      });
    }
  }
  if (procedure(hd, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstFocus), initParam) && IsLiveWindow(firstFocus) &&
      firstFocus->widget)
    firstFocus->widget->setFocus(Qt::TabFocusReason);
  if (!state.ended) {
    PlaceControls(&dialog, *t, built);
    DialogTestHook hook = testHook();
    dialog.show();
    if (hook) {
      hook(hd);
      if (!state.ended) EndDialog(hd, IDCANCEL);
    } else {
      int ignored = 0;
      while (!state.ended) {
        QEventLoop loop;
        state.loop = &loop;
        RunLoopUntilQuit(loop);
        state.loop = nullptr;
        if (QuitPosted(&ignored)) {
          // A quit ends the dialog and still ends the program's loop afterwards.
          PostQuitMessage(ignored);
          if (!state.ended) state.result = IDCANCEL;
          break;
        }
      }
    }
  }
  dialog.hide();
  hd->dialog = nullptr;
  INT_PTR result = state.result;
  ForgetWindow(hd);
  return result;
}

BOOL EndDialog(HWND w, INT_PTR result) {
  HWND d = dialogOf(w);
  if (!d || !d->dialog) return FALSE;
  d->dialog->ended = true;
  d->dialog->result = result;
  // Gone from the screen at once: no key or click reaches an ended dialog's procedure.
  if (d->widget) d->widget->hide();
  if (d->dialog->loop) d->dialog->loop->exit(0);
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  if (!IsLiveWindow(dialog)) return nullptr;
  for (HWND c : dialog->children)
    if (IsLiveWindow(c) && c->controlId == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND control) { return IsLiveWindow(control) ? control->controlId : 0; }

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessage(c, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessage(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(SendMessage(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  if (!IsLiveWindow(dialog)) return FALSE;
  for (HWND c : dialog->children)
    if (IsLiveWindow(c) && c->controlId >= first && c->controlId <= last && c->controlId != check)
      SendMessage(c, BM_SETCHECK, BST_UNCHECKED, 0);
  return CheckDlgButton(dialog, check, BST_CHECKED);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char text[16];
  if (isSigned) std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  else std::snprintf(text, sizeof text, "%u", value);
  return SetDlgItemText(dialog, id, text);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  char text[64];
  if (!GetDlgItem(dialog, id)) return 0;
  GetDlgItemText(dialog, id, text, sizeof text);
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (isSigned && *p == '-') {
    negative = true;
    ++p;
  }
  if (*p < '0' || *p > '9') return 0;
  unsigned long long v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + static_cast<unsigned>(*p - '0');
    if (v > 0xFFFFFFFFull) return 0;
  }
  if (isSigned) {
    if ((!negative && v > static_cast<unsigned long long>(INT_MAX)) ||
        (negative && v > static_cast<unsigned long long>(INT_MAX) + 1))
      return 0;
    if (translated) *translated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
  }
  if (translated) *translated = TRUE;
  return static_cast<UINT>(v);
}

BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c && SendMessage(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(SendMessage(c, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer))) : 0;
}

DialogTestHook SetDialogTestHook(DialogTestHook hook) {
  DialogTestHook old = testHook();
  testHook() = std::move(hook);
  return old;
}

BOOL PressDlgButton(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  if (!c || !c->widget || !c->enabled) return FALSE;
  auto* b = qobject_cast<QAbstractButton*>(c->widget.data());
  if (!b) return FALSE;
  b->click();  // toggles automatic buttons, then WM_COMMAND BN_CLICKED
  return TRUE;
}
