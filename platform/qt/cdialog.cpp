#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <utility>

#include "platform/framework.h"
#include "platform/gui.h"
#include "platform/shown_controls.h"
#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/framework_internal.h"
#include "platform/qt/text_codec.h"

// ----- message maps ----------------------------------------------------------------------

const MessageMap* CWnd::GetThisMessageMap() {
  static const MessageMapEntry entries[] = {{0, Notification::None, nullptr}};
  static const MessageMap map = {nullptr, entries};
  return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CommandHandler CWnd::FindHandler(int id, Notification code) const {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MessageMapEntry* e = map->entries; e->code != Notification::None; ++e)
      if (e->id == id && e->code == code && e->handler) return e->handler;
  }
  return nullptr;
}

bool CWnd::AnswersQuery(Notification code) const {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MessageMapEntry* e = map->entries; e->code != Notification::None; ++e)
      if (e->code == code) return true;
  }
  return false;
}

// ----- the dialog window -----------------------------------------------------------------

namespace {
ModalDialogHook& modalHook() {
  static ModalDialogHook hook;
  return hook;
}

// Escape and the close box both arrive as reject(); they go to the dialog's OnCancel,
// which may keep the dialog open.
class FrameworkDialog : public QDialog {
 public:
  FrameworkDialog(std::function<void()> onCancel, std::function<void()> onOk)
      : onCancel_(std::move(onCancel)), onOk_(std::move(onOk)) {}
  void reject() override { onCancel_(); }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (EnterMeansOk(this, e)) onOk_();
    else QDialog::keyPressEvent(e);
  }

 private:
  std::function<void()> onCancel_, onOk_;
};
}  // namespace

struct DialogWindow {
  FrameworkDialog* dialog = nullptr;
  BuiltDialog built;
  int result = IDCANCEL;
  bool ended = false;

  QWidget* control(int id) const {
    auto it = built.controls.find(id);
    return it == built.controls.end() ? nullptr : it->second;
  }
};

ModalDialogHook SetModalDialogHook(ModalDialogHook hook) {
  return std::exchange(modalHook(), std::move(hook));
}

bool ModalDialogCanBeAnswered() { return modalHook() || UserCanSeeWindows(); }

CDialog::CDialog(UINT templateId, CWnd*) : m_templateId(templateId) {}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
  const DialogTemplate* t = FindDialogTemplate(static_cast<int>(m_templateId));
  if (!t || !UserInterfaceStarted() || m_window) return -1;

  auto window = std::make_unique<DialogWindow>();
  // The dialog window lives on the stack of this call; the pointer in m_window is only a
  // view of it while the dialog runs.
  FrameworkDialog dialog([this] { OnCancel(); }, [this] { Dispatch(IDOK, Notification::Clicked); });
  window->dialog = &dialog;
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint;
  if (t->styles & dlg::Caption) flags |= Qt::WindowTitleHint;
  if (t->styles & dlg::SysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  dialog.setWindowFlags(flags);
  window->built = BuildDialogFromTemplate(&dialog, *t);
  RegisterMnemonicScope(&dialog, [ordered = window->built.ordered] { return std::vector<std::vector<QWidget*>>{ordered}; });
  m_window = std::move(window);

  for (const auto& [id, widget] : m_window->built.controls) {
    const int controlId = id;
    ConnectControlNotifications(widget, &dialog, [this, controlId](Notification code) { Dispatch(controlId, code); });
  }

  OnInitDialog();
  if (!m_window->ended) PlaceControls(&dialog, *t, m_window->built);
  if (AnswersQuery(Notification::QueryDragIcon)) {
    if (HICON icon = OnQueryDragIcon(); icon && !m_bigIcon) m_bigIcon = icon;
  }
  if (m_bigIcon || m_smallIcon) dialog.setWindowIcon(ToQIcon(m_bigIcon ? m_bigIcon : m_smallIcon));

  int result = IDCANCEL;
  if (!m_window->ended) {
    if (modalHook()) {
      QTimer::singleShot(0, &dialog, [this] {
        if (!IsRunning()) return;
        modalHook()(*this);
        if (IsRunning()) PressCloseBox();
        // A dialog that refuses to close even then is ended, so a test cannot hang.
        if (IsRunning()) EndDialog(IDCANCEL);
      });
    }
    dialog.exec();
  }
  result = m_window->result;
  m_window.reset();
  return result;
}

void CDialog::Dispatch(int id, Notification code) {
  if (!m_window || m_window->ended) return;
  if (CommandHandler handler = FindHandler(id, code)) {
    (this->*handler)();
    return;
  }
  if (code == Notification::Clicked && id == IDOK) OnOK();
  else if (code == Notification::Clicked && id == IDCANCEL) OnCancel();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

HICON CDialog::OnQueryDragIcon() { return m_bigIcon; }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (!m_window) return FALSE;
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::EndDialog(int result) {
  if (!m_window || m_window->ended) return;
  m_window->ended = true;
  m_window->result = result;
  // Before exec() has started (from OnInitDialog) the flag alone keeps it from running.
  m_window->dialog->done(result);
}

void CDialog::SetIcon(HICON icon, BOOL bigIcon) {
  (bigIcon ? m_bigIcon : m_smallIcon) = icon;
  if (m_window && icon) m_window->dialog->setWindowIcon(ToQIcon(icon));
}

HICON CDialog::GetIcon(BOOL bigIcon) const { return bigIcon ? m_bigIcon : m_smallIcon; }

bool CDialog::IsRunning() const { return m_window && !m_window->ended; }

bool CDialog::HasDlgItem(int id) const { return m_window && m_window->control(id); }

ControlObject* CDialog::GetDlgItemHandle(int id) const {
  return m_window ? reinterpret_cast<ControlObject*>(m_window->control(id)) : nullptr;
}

void CDialog::SetDlgItemText(int id, const std::string& bytes) {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  QString text = DisplayText(bytes);
  if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(text);
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(text);
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->setPlainText(text);
  else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(text);
  else if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isEditable())
    combo->setEditText(text);
}

std::string CDialog::GetDlgItemText(int id) const {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  QString text;
  if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
  else if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) text = plain->toPlainText();
  else if (auto* group = qobject_cast<QGroupBox*>(w)) text = group->title();
  else if (auto* combo = qobject_cast<QComboBox*>(w)) text = combo->currentText();
  return text.toStdString();
}

void CDialog::CheckDlgButton(int id, UINT check) {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  if (auto* box = qobject_cast<QCheckBox*>(w)) {
    if (check == 2) {
      box->setTristate(true);
      box->setCheckState(Qt::PartiallyChecked);
    } else {
      box->setCheckState(check ? Qt::Checked : Qt::Unchecked);
    }
  } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
    button->setChecked(check != 0);
  }
}

UINT CDialog::IsDlgButtonChecked(int id) const {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  if (auto* box = qobject_cast<QCheckBox*>(w))
    return box->checkState() == Qt::PartiallyChecked ? 2 : box->isChecked() ? 1 : 0;
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->isChecked() ? 1 : 0;
  return 0;
}

bool CDialog::IsDlgItemEnabled(int id) const {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  return w && w->isEnabled();
}

std::string CDialog::GetWindowText() const {
  return m_window ? m_window->dialog->windowTitle().toStdString() : std::string();
}

PixelRect CDialog::GetDlgItemRect(int id) const {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  if (!w) return {};
  QRect r = w->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

std::vector<ShownControl> CDialog::ShownControls() const {
  return m_window ? DescribeBuilt(m_window->dialog, m_window->built.controls) : std::vector<ShownControl>{};
}

PixelRect CDialog::GetClientRect() const {
  if (!m_window) return {};
  return {0, 0, m_window->dialog->width(), m_window->dialog->height()};
}

void CDialog::ClickDlgItem(int id) {
  if (!IsRunning()) return;
  QWidget* w = m_window->control(id);
  auto* button = qobject_cast<QAbstractButton*>(w);
  if (button && button->isEnabled() && !button->isHidden()) button->click();
}

namespace {
void SendKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}
}  // namespace

void CDialog::PressEnter() {
  if (!IsRunning()) return;
  QWidget* focus = m_window->dialog->focusWidget();
  SendKey(focus ? focus : m_window->dialog, Qt::Key_Return);
}

void CDialog::PressEscape() {
  if (!IsRunning()) return;
  SendKey(m_window->dialog, Qt::Key_Escape);
}

void CDialog::PressCloseBox() {
  if (!IsRunning()) return;
  m_window->dialog->close();
}

// ----- data exchange ---------------------------------------------------------------------

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  if (pDX->m_bSaveAndValidate) value = static_cast<int>(pDX->m_pDlgWnd->IsDlgButtonChecked(id));
  else pDX->m_pDlgWnd->CheckDlgButton(id, static_cast<UINT>(value));
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  if (pDX->m_bSaveAndValidate) value = pDX->m_pDlgWnd->GetDlgItemText(id);
  else pDX->m_pDlgWnd->SetDlgItemText(id, value);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
  if (pDX->m_bSaveAndValidate) {
    bool ok = false;
    int number = QString::fromStdString(pDX->m_pDlgWnd->GetDlgItemText(id)).trimmed().toInt(&ok);
    value = ok ? number : 0;
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(id, std::to_string(value));
  }
}
