#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <utility>

#include "platform/gui.h"
#include "platform/propsheet.h"
#include "platform/shown_controls.h"
#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/framework_internal.h"
#include "platform/qt/gdi_internal.h"
#include "platform/qt/text_codec.h"
#include "platform/write_failures.h"

namespace {
PropertySheetHook& sheetHook() {
  static PropertySheetHook hook;
  return hook;
}

ControlObject* AsControl(QWidget* w) { return reinterpret_cast<ControlObject*>(w); }

// Runs a GDI painter on a memory context the size of `w`, filled with `background`, and
// shows the result on `w`.
void PaintThroughGdi(QWidget* w, QColor background, const std::function<void(HDC)>& draw) {
  if (w->width() <= 0 || w->height() <= 0) return;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = dc ? CreateCompatibleBitmap(dc, w->width(), w->height()) : nullptr;
  if (!bitmap) {
    if (dc) DeleteDC(dc);
    return;
  }
  QImage& image = static_cast<BitmapImpl*>(bitmap)->image;
  image.fill(background.rgb());
  HGDIOBJ old = SelectObject(dc, bitmap);
  draw(dc);
  QPainter painter(w);
  painter.drawImage(0, 0, image);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

// The page's dialog: a child of the sheet's page area that paints through the page.
class PageWidget : public QWidget {
 public:
  PageWidget(QWidget* parent, CPropertyPage* page) : QWidget(parent), page_(page) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    PaintThroughGdi(this, palette().color(QPalette::Window), [this](HDC dc) { page_->OnPaint(dc); });
  }

 private:
  CPropertyPage* page_;
};

class ChildWidget : public QWidget {
 public:
  ChildWidget(QWidget* parent, CChildWindow* owner) : QWidget(parent), owner_(owner) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QWidget* page = parentWidget();
    QColor face = page ? page->palette().color(QPalette::Window) : QColor(192, 192, 192);
    PaintThroughGdi(this, face, [this](HDC dc) { owner_->OnPaint(dc); });
  }

 private:
  CChildWindow* owner_;
};

class SheetDialog : public QDialog {
 public:
  explicit SheetDialog(std::function<void()> onCancel) : onCancel_(std::move(onCancel)) {}
  void reject() override { onCancel_(); }

 private:
  std::function<void()> onCancel_;
};

RECT ToRect(const QRect& g) {
  RECT r;
  r.left = g.x();
  r.top = g.y();
  r.right = g.x() + g.width();
  r.bottom = g.y() + g.height();
  return r;
}
}  // namespace

struct PageWindow {
  PageWidget* widget = nullptr;  // owned by the sheet's page area
  const DialogTemplate* tmpl = nullptr;
  BuiltDialog built;

  QWidget* control(int id) const {
    auto it = built.controls.find(id);
    return it == built.controls.end() ? nullptr : it->second;
  }
};

struct SheetWindow {
  SheetDialog* dialog = nullptr;
  QTabBar* tabs = nullptr;
  QStackedWidget* stack = nullptr;
  std::map<int, QPushButton*> buttons;
  int result = IDCANCEL;
  bool ended = false;
};

struct ChildWindow {
  QPointer<ChildWidget> widget;
  CPropertyPage* parent = nullptr;
};

// ----- data exchange -----------------------------------------------------------------------

void CPageDataExchange::Fail(int controlId, const std::string& message) {
  failed = true;
  MessageBox(nullptr, message.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONWARNING);
  if (m_pDlgWnd && m_pDlgWnd->m_window)
    if (QWidget* w = m_pDlgWnd->m_window->control(controlId)) w->setFocus();
}

void DDX_Check(CPageDataExchange* pDX, int id, int& value) {
  if (pDX->failed) return;
  CButton box(pDX->m_pDlgWnd->GetDlgItem(id));
  if (pDX->m_bSaveAndValidate) value = static_cast<int>(box.GetCheck());
  else box.SetCheck(static_cast<UINT>(value < 0 ? 0 : value));
}

namespace {
// The ids of the radio group that starts at `id`, in template order.
std::vector<int> RadioGroup(const DialogTemplate* t, int id) {
  std::vector<int> ids;
  if (!t) return ids;
  bool inGroup = false;
  for (const ControlTemplate& c : t->controls) {
    if (!inGroup) {
      if (c.id == id && c.kind == ControlKind::RadioButton) {
        inGroup = true;
        ids.push_back(c.id);
      }
      continue;
    }
    if (c.kind != ControlKind::RadioButton || (c.options & ctl::Group)) break;
    ids.push_back(c.id);
  }
  return ids;
}
}  // namespace

void DDX_Radio(CPageDataExchange* pDX, int id, int& value) {
  if (pDX->failed || !pDX->m_pDlgWnd->m_window) return;
  std::vector<int> ids = RadioGroup(pDX->m_pDlgWnd->m_window->tmpl, id);
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (size_t i = 0; i < ids.size(); ++i)
      if (pDX->m_pDlgWnd->IsDlgButtonChecked(ids[i])) {
        value = static_cast<int>(i);
        break;
      }
  } else {
    for (size_t i = 0; i < ids.size(); ++i)
      pDX->m_pDlgWnd->CheckDlgButton(ids[i], static_cast<int>(i) == value ? 1 : 0);
  }
}

void DDX_Text(CPageDataExchange* pDX, int id, std::string& value) {
  if (pDX->failed) return;
  pDX->lastControl = id;
  if (pDX->m_bSaveAndValidate) value = pDX->m_pDlgWnd->GetDlgItemText(id);
  else pDX->m_pDlgWnd->SetDlgItemText(id, value);
}

void DDX_Text(CPageDataExchange* pDX, int id, int& value) {
  if (pDX->failed) return;
  pDX->lastControl = id;
  if (!pDX->m_bSaveAndValidate) {
    pDX->m_pDlgWnd->SetDlgItemText(id, std::to_string(value));
    return;
  }
  bool ok = false;
  int number = QString::fromStdString(pDX->m_pDlgWnd->GetDlgItemText(id)).trimmed().toInt(&ok, 10);
  if (!ok) {
    pDX->Fail(id, kEnterIntegerText);
    return;
  }
  value = number;
}

void DDX_LBString(CPageDataExchange* pDX, int id, std::string& value) {
  if (pDX->failed) return;
  CListBox list(pDX->m_pDlgWnd->GetDlgItem(id));
  if (pDX->m_bSaveAndValidate) {
    int selected = list.GetCurSel();
    value = selected == LB_ERR ? std::string() : list.GetText(selected);
  } else {
    list.SelectString(-1, value);
  }
}

void DDX_Slider(CPageDataExchange* pDX, int id, int& value) {
  if (pDX->failed) return;
  CSliderCtrl slider(pDX->m_pDlgWnd->GetDlgItem(id));
  if (pDX->m_bSaveAndValidate) value = slider.GetPos();
  else slider.SetPos(value);
}

void DDV_MinMaxInt(CPageDataExchange* pDX, int value, int minimum, int maximum) {
  if (pDX->failed || !pDX->m_bSaveAndValidate) return;
  if (value >= minimum && value <= maximum) return;
  std::string text = kEnterIntegerRangeText;
  text.replace(text.find("%1"), 2, std::to_string(minimum));
  text.replace(text.find("%2"), 2, std::to_string(maximum));
  pDX->Fail(pDX->lastControl, text);
}

// ----- the page ----------------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT templateId) : m_templateId(templateId) {}
CPropertyPage::~CPropertyPage() = default;

BOOL CPropertyPage::UpdateData(BOOL saveAndValidate) {
  if (!m_window) return FALSE;
  CPageDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return dx.failed ? FALSE : TRUE;
}

void CPropertyPage::SetModified(BOOL changed) {
  m_bModified = changed != FALSE;
  if (m_pSheet && m_pSheet->m_window) {
    bool any = false;
    for (CPropertyPage* p : m_pSheet->m_pages) any = any || p->m_bModified;
    if (QPushButton* apply = m_pSheet->m_window->buttons[ID_APPLY_NOW]) apply->setEnabled(any);
  }
}

CControl CPropertyPage::GetDlgItem(int id) const {
  return CControl(m_window ? AsControl(m_window->control(id)) : nullptr);
}
bool CPropertyPage::HasDlgItem(int id) const { return m_window && m_window->control(id); }
void CPropertyPage::SetDlgItemText(int id, const std::string& text) { GetDlgItem(id).SetWindowText(text); }
std::string CPropertyPage::GetDlgItemText(int id) const { return GetDlgItem(id).GetWindowText(); }
void CPropertyPage::CheckDlgButton(int id, UINT check) { CButton(GetDlgItem(id)).SetCheck(check); }
UINT CPropertyPage::IsDlgButtonChecked(int id) const { return CButton(GetDlgItem(id)).GetCheck(); }
void CPropertyPage::EnableDlgItem(int id, BOOL enable) { GetDlgItem(id).EnableWindow(enable); }
bool CPropertyPage::IsDlgItemEnabled(int id) const { return GetDlgItem(id).IsWindowEnabled(); }

RECT CPropertyPage::GetClientRect() const {
  RECT r;
  if (m_window) {
    r.right = m_window->widget->width();
    r.bottom = m_window->widget->height();
  }
  return r;
}

void CPropertyPage::MapDialogRect(RECT* rect) const {
  if (!rect || !m_window) return;
  const PixelRect r = ::MapDialogRect(m_window->built, rect->left, rect->top, rect->right - rect->left,
                                      rect->bottom - rect->top);
  SetRect(rect, r.x, r.y, r.x + r.cx, r.y + r.cy);
}

std::vector<ShownControl> CPropertyPage::ShownControls() const {
  return m_window ? DescribeBuilt(m_window->widget, m_window->built.controls) : std::vector<ShownControl>{};
}

void CPropertyPage::Invalidate() {
  if (m_window) m_window->widget->update();
}

bool CPropertyPage::SaveImage(const std::string& pngPath) const {
  return m_window && m_window->widget->grab().save(QString::fromStdString(pngPath), "PNG");
}

void CPropertyPage::ClickDlgItem(int id) {
  auto* button = m_window ? qobject_cast<QAbstractButton*>(m_window->control(id)) : nullptr;
  if (button && button->isEnabled() && button->isVisible()) button->click();
}

void CPropertyPage::ChooseComboItem(int id, int index) {
  auto* combo = m_window ? qobject_cast<QComboBox*>(m_window->control(id)) : nullptr;
  if (!combo || !combo->isEnabled() || index < 0 || index >= combo->count()) return;
  {
    QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index);
  }
  Dispatch(id, Notification::SelChange);
}

void CPropertyPage::ChooseListItem(int id, int index) {
  auto* list = m_window ? qobject_cast<QListWidget*>(m_window->control(id)) : nullptr;
  if (!list || !list->isEnabled() || index < 0 || index >= list->count()) return;
  CListBox(AsControl(list)).SetCurSel(index);
  Dispatch(id, Notification::SelChange);
}

void CPropertyPage::TypeDlgItemText(int id, const std::string& text) {
  QWidget* w = m_window ? m_window->control(id) : nullptr;
  if (!w || !w->isEnabled()) return;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(DisplayText(text));
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->setPlainText(DisplayText(text));
}

BOOL CPropertyPage::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}
void CPropertyPage::DoDataExchange(CPageDataExchange*) {}
BOOL CPropertyPage::OnSetActive() {
  if (m_bFirstSetActive) m_bFirstSetActive = false;
  else UpdateData(FALSE);
  return TRUE;
}
BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }
BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}
void CPropertyPage::OnPaint(HDC) {}

void CPropertyPage::Dispatch(int id, Notification code) {
  if (!m_window) return;
  if (CommandHandler handler = FindHandler(id, code)) (this->*handler)();
}

// ----- child windows -----------------------------------------------------------------------

CChildWindow::CChildWindow() = default;
CChildWindow::~CChildWindow() { DestroyWindow(); }

BOOL CChildWindow::Create(const char* windowName, const RECT& rect, CPropertyPage* parent, UINT id) {
  if (!parent || !parent->m_window || m_window) return FALSE;
  auto window = std::make_unique<ChildWindow>();
  window->parent = parent;
  window->widget = new ChildWidget(parent->m_window->widget, this);
  window->widget->setWindowTitle(DisplayText(windowName ? windowName : ""));
  window->widget->setGeometry(rect.left, rect.top, std::max(0, int(rect.right - rect.left)),
                              std::max(0, int(rect.bottom - rect.top)));
  window->widget->show();
  m_id = id;
  m_window = std::move(window);
  return TRUE;
}

void CChildWindow::DestroyWindow() {
  if (m_window && m_window->widget) delete m_window->widget.data();
  m_window.reset();
}

std::string CChildWindow::GetWindowText() const {
  return m_window && m_window->widget ? m_window->widget->windowTitle().toStdString() : std::string();
}

RECT CChildWindow::GetClientRect() const {
  RECT r;
  if (m_window && m_window->widget) {
    r.right = m_window->widget->width();
    r.bottom = m_window->widget->height();
  }
  return r;
}

RECT CChildWindow::GetWindowRect() const {
  return m_window && m_window->widget ? ToRect(m_window->widget->geometry()) : RECT{};
}

void CChildWindow::Invalidate(BOOL) {
  if (m_window && m_window->widget) m_window->widget->update();
}

HDC CChildWindow::GetDC() { return CreateCompatibleDC(nullptr); }
void CChildWindow::ReleaseDC(HDC dc) {
  if (dc) DeleteDC(dc);
}
void CChildWindow::OnPaint(HDC) {}

// ----- the sheet ---------------------------------------------------------------------------

CPropertySheet::CPropertySheet(const std::string& caption, CWnd*, UINT selectPage)
    : m_caption(caption), m_selectPage(selectPage) {}

// The pages' dialogs already ended with DoModal; the page objects may be gone by now.
CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page) return;
  page->m_pSheet = this;
  m_pages.push_back(page);
  if (m_window) {
    const DialogTemplate* t = FindDialogTemplate(static_cast<int>(page->m_templateId));
    m_window->tabs->addTab(DisplayText(t ? t->caption : std::string()));
    m_window->stack->addWidget(new QWidget);
  }
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

bool CPropertySheet::IsRunning() const { return m_window && !m_window->ended; }

bool CPropertySheet::Activate(int index) {
  CPropertyPage* page = GetPage(index);
  if (!page || !m_window) return false;
  QWidget* holder = m_window->stack->widget(index);
  bool fresh = !page->m_window;
  if (fresh) {
    const DialogTemplate* t = FindDialogTemplate(static_cast<int>(page->m_templateId));
    auto window = std::make_unique<PageWindow>();
    window->tmpl = t;
    window->widget = new PageWidget(holder, page);
    if (t) {
      window->built = BuildDialogFromTemplate(window->widget, *t);
      window->widget->setWindowTitle(QString());
    }
    // Every page has the sheet's page area, as large as the largest page needs.
    window->widget->setFixedSize(window->widget->size().expandedTo(m_window->stack->size()));
    window->widget->move(0, 0);
    window->widget->show();
    for (const auto& [id, widget] : window->built.controls) {
      const int controlId = id;
      if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setProperty("qmSorted", combo->insertPolicy() == QComboBox::InsertAlphabetically);
      } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        // Sorting is ours (without regard to case), not the toolkit's.
        list->setProperty("qmSorted", list->isSortingEnabled());
        list->setSortingEnabled(false);
      }
      ConnectControlNotifications(widget, window->widget,
                                  [page, controlId](Notification code) { page->Dispatch(controlId, code); });
    }
    page->m_window = std::move(window);
    // Tab goes from the tabs through the page's controls in the template's order to the
    // sheet's buttons; the other pages' controls are hidden and skipped.
    QWidget* before = m_window->tabs;
    for (QWidget* w : page->m_window->built.ordered)
      if (w->focusPolicy() & Qt::TabFocus) {
        QWidget::setTabOrder(before, w);
        before = w;
      }
    for (int id : {IDOK, IDCANCEL, ID_APPLY_NOW, IDHELP}) {
      QWidget::setTabOrder(before, m_window->buttons[id]);
      before = m_window->buttons[id];
    }
  }
  m_active = index;
  {
    QSignalBlocker quiet(m_window->tabs);
    m_window->tabs->setCurrentIndex(index);
  }
  m_window->stack->setCurrentIndex(index);
  if (fresh) page->OnInitDialog();
  page->OnSetActive();
  return true;
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (!GetPage(index)) return FALSE;
  if (!m_window) {
    m_selectPage = static_cast<UINT>(index);
    return TRUE;
  }
  if (index == m_active) return TRUE;
  if (CPropertyPage* current = GetActivePage(); current && !current->OnKillActive()) {
    QSignalBlocker quiet(m_window->tabs);
    m_window->tabs->setCurrentIndex(m_active);
    return FALSE;
  }
  return Activate(index) ? TRUE : FALSE;
}

bool CPropertySheet::Apply() {
  CPropertyPage* current = GetActivePage();
  if (current && !current->OnKillActive()) return false;
  ClearWriteFailures();
  for (int i = 0; i < GetPageCount(); ++i) {
    CPropertyPage* page = m_pages[static_cast<size_t>(i)];
    if (!page->m_window) continue;
    if (!page->OnApply()) {
      if (i != m_active && IsRunning()) Activate(i);
      return false;
    }
  }
  // Pages write many keys each and look at none of the answers; one look here tells the
  // user once per OK or Apply, not once per key.
  std::vector<WriteFailure> failed = WriteFailures();
  if (!failed.empty()) {
    std::string text = std::string(kSettingsNotSavedText) + "\n\n" + DescribeWriteFailures(failed) + "\n\n" +
                       kSettingsNotSavedAdvice;
    MessageBox(nullptr, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
    return false;
  }
  for (CPropertyPage* page : m_pages) page->m_bModified = false;
  if (m_window)
    if (QPushButton* apply = m_window->buttons[ID_APPLY_NOW]) apply->setEnabled(false);
  return true;
}

void CPropertySheet::Ok() {
  if (!IsRunning() || !Apply() || !IsRunning()) return;
  m_window->ended = true;
  m_window->result = IDOK;
  m_window->dialog->done(IDOK);
}

void CPropertySheet::Cancel() {
  if (!IsRunning()) return;
  for (CPropertyPage* page : m_pages)
    if (page->m_window) page->OnCancel();
  m_window->ended = true;
  m_window->result = IDCANCEL;
  m_window->dialog->done(IDCANCEL);
}

void CPropertySheet::OnHelp() {
  if (auto* target = dynamic_cast<HelpTarget*>(AfxGetApp())) target->WinHelp(0, HELP_FINDER);
}

BOOL CPropertySheet::OnInitDialog() { return TRUE; }
void CPropertySheet::OnNcLButtonDown(UINT) {}

void CPropertySheet::BuildFrame() {
  QDialog& dialog = *m_window->dialog;
  // Every page fits: the area is as large as the largest page template.
  DialogTemplate fontOnly;
  int pageWidth = 0, pageHeight = 0;
  for (CPropertyPage* page : m_pages) {
    if (const DialogTemplate* t = FindDialogTemplate(static_cast<int>(page->m_templateId))) {
      fontOnly.fontName = t->fontName;
      fontOnly.fontPointSize = t->fontPointSize;
      const QSize size = LaidOutSize(*t);
      pageWidth = std::max(pageWidth, size.width());
      pageHeight = std::max(pageHeight, size.height());
    }
  }
  QFont font = DialogFont(fontOnly);
  dialog.setFont(font);
  DialogBaseUnits base = BaseUnitsForQFont(font);
  PixelRect button = DialogUnitsToPixels(base, 0, 0, 50, 14);
  PixelRect gap = DialogUnitsToPixels(base, 7, 7, 4, 4);

  m_window->tabs = new QTabBar(&dialog);
  m_window->tabs->setDrawBase(true);
  m_window->tabs->setExpanding(false);
  m_window->stack = new QStackedWidget(&dialog);
  for (CPropertyPage* page : m_pages) {
    const DialogTemplate* t = FindDialogTemplate(static_cast<int>(page->m_templateId));
    m_window->tabs->addTab(DisplayText(t ? t->caption : std::string()));
    m_window->stack->addWidget(new QWidget);
  }
  int tabHeight = m_window->tabs->sizeHint().height();
  m_window->tabs->setGeometry(gap.x, gap.y, pageWidth, tabHeight);
  m_window->stack->setGeometry(gap.x, gap.y + tabHeight, pageWidth, pageHeight);
  int buttonsTop = gap.y + tabHeight + pageHeight + gap.y;
  const std::pair<int, const char*> labels[] = {
      {IDOK, "OK"}, {IDCANCEL, "Cancel"}, {ID_APPLY_NOW, "&Apply"}, {IDHELP, "Help"}};
  int x = gap.x + pageWidth - 4 * button.cx - 3 * gap.cx;
  for (const auto& [id, label] : labels) {
    auto* b = new QPushButton(QString::fromLatin1(label), &dialog);
    b->setGeometry(x, buttonsTop, button.cx, button.cy);
    // A focused button is the one Enter presses, as with the old sheet's buttons.
    b->setAutoDefault(true);
    x += button.cx + gap.cx;
    m_window->buttons[id] = b;
  }
  // The active page's controls come before the sheet's own buttons.
  RegisterMnemonicScope(&dialog, [this] {
    std::vector<std::vector<QWidget*>> groups(2);
    if (CPropertyPage* page = GetActivePage(); page && page->m_window) groups[0] = page->m_window->built.ordered;
    for (int id : {IDOK, IDCANCEL, ID_APPLY_NOW, IDHELP}) groups[1].push_back(m_window->buttons[id]);
    return groups;
  });
  m_window->buttons[IDOK]->setDefault(true);
  KeepFocusShown(&dialog);
  m_window->buttons[ID_APPLY_NOW]->setEnabled(false);
  dialog.setFixedSize(gap.x * 2 + pageWidth, buttonsTop + button.cy + gap.y);
}

void CPropertySheet::ConnectFrame() {
  QDialog& dialog = *m_window->dialog;
  QObject::connect(m_window->buttons[IDOK], &QPushButton::clicked, &dialog, [this] { Ok(); });
  QObject::connect(m_window->buttons[IDCANCEL], &QPushButton::clicked, &dialog, [this] { Cancel(); });
  // Applying takes the current page through its kill-active step; the sheet stays open on
  // it, so it is made active again, as the old sheet did after Apply.
  QObject::connect(m_window->buttons[ID_APPLY_NOW], &QPushButton::clicked, &dialog, [this] {
    if (Apply() && IsRunning())
      if (CPropertyPage* page = GetActivePage()) page->OnSetActive();
  });
  QObject::connect(m_window->buttons[IDHELP], &QPushButton::clicked, &dialog, [this] { OnHelp(); });
  QObject::connect(m_window->tabs, &QTabBar::currentChanged, &dialog, [this](int index) {
    if (index != m_active) SetActivePage(index);
  });
  // The old sheet's keys for its tabs, wherever the focus is: Ctrl+Tab and Ctrl+PageDown
  // forward, Ctrl+Shift+Tab and Ctrl+PageUp back, wrapping round, through the same switch
  // as a tab click (so a page may refuse to be left).
  const auto step = [this](int by) {
    const int count = static_cast<int>(m_pages.size());
    if (count > 1 && m_active >= 0) SetActivePage((m_active + by + count) % count);
  };
  const std::pair<QKeySequence, int> pageKeys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
      {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
      {QKeySequence(Qt::CTRL | Qt::Key_Backtab), -1},
      {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
  for (const auto& [keys, by] : pageKeys) {
    auto* shortcut = new QShortcut(keys, &dialog);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &dialog, [step, by = by] { step(by); });
  }
}

int CPropertySheet::DoModal() {
  if (m_pages.empty() || !UserInterfaceStarted() || m_window) return -1;
  auto window = std::make_unique<SheetWindow>();
  SheetDialog dialog([this] { Cancel(); });
  window->dialog = &dialog;
  m_window = std::move(window);
  dialog.setWindowTitle(DisplayText(m_caption));
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (m_style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
  dialog.setWindowFlags(flags);

  BuildFrame();
  ConnectFrame();

  m_active = -1;
  int first = m_selectPage < m_pages.size() ? static_cast<int>(m_selectPage) : 0;
  Activate(first);
  OnInitDialog();
  if (m_bigIcon || m_smallIcon) dialog.setWindowIcon(ToQIcon(m_bigIcon ? m_bigIcon : m_smallIcon));

  if (!m_window->ended) {
    if (sheetHook()) {
      QTimer::singleShot(0, &dialog, [this] {
        if (!IsRunning()) return;
        sheetHook()(*this);
        if (IsRunning()) Cancel();
        if (IsRunning()) {
          m_window->ended = true;
          m_window->dialog->done(IDCANCEL);
        }
      });
    }
    dialog.exec();
  }
  int result = m_window->result;
  // The pages' dialogs end with the sheet; the page objects stay with their owner.
  for (CPropertyPage* page : m_pages) page->m_window.reset();
  m_window.reset();
  m_active = -1;
  return result;
}

void CPropertySheet::SetIcon(HICON icon, BOOL bigIcon) {
  (bigIcon ? m_bigIcon : m_smallIcon) = icon;
  if (m_window && icon) m_window->dialog->setWindowIcon(ToQIcon(icon));
}

HICON CPropertySheet::GetIcon(BOOL bigIcon) const { return bigIcon ? m_bigIcon : m_smallIcon; }

void CPropertySheet::ModifyStyle(DWORD remove, DWORD add) {
  m_style = (m_style & ~remove) | add;
  if (!m_window) return;
  QDialog* d = m_window->dialog;
  bool visible = d->isVisible();
  d->setWindowFlag(Qt::WindowMinimizeButtonHint, (m_style & WS_MINIMIZEBOX) != 0);
  if (visible) d->show();  // changing the flags hides a shown window
}

void CPropertySheet::ShowWindow(int command) {
  if (!m_window) return;
  QDialog* d = m_window->dialog;
  if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED) d->setWindowState(d->windowState() | Qt::WindowMinimized);
  else if (command == SW_RESTORE || command == SW_SHOWNORMAL)
    d->setWindowState(d->windowState() & ~Qt::WindowMinimized);
  else if (command == SW_SHOW) d->show();
}

bool CPropertySheet::IsIconic() const {
  return m_window && (m_window->dialog->windowState() & Qt::WindowMinimized);
}

std::string CPropertySheet::GetWindowText() const {
  return m_window ? m_window->dialog->windowTitle().toStdString() : m_caption;
}

bool CPropertySheet::IsApplyEnabled() const {
  if (!m_window) return false;
  auto it = m_window->buttons.find(ID_APPLY_NOW);
  return it != m_window->buttons.end() && it->second->isEnabled();
}

void CPropertySheet::PressButton(int id) {
  if (!IsRunning()) return;
  auto it = m_window->buttons.find(id);
  if (it != m_window->buttons.end() && it->second->isEnabled()) it->second->click();
}

void CPropertySheet::PressEscape() {
  if (!IsRunning()) return;
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(m_window->dialog, &press);
}

void CPropertySheet::PressMinimizeBox() {
  if (!IsRunning() || !(m_style & WS_MINIMIZEBOX)) return;
  OnNcLButtonDown(HTMINBUTTON);
  // The frame's own handling minimizes when the button is released.
  if (!IsIconic()) ShowWindow(SW_MINIMIZE);
}

bool CPropertySheet::SaveImage(const std::string& pngPath) const {
  return m_window && m_window->dialog->grab().save(QString::fromStdString(pngPath), "PNG");
}

PropertySheetHook SetPropertySheetHook(PropertySheetHook hook) {
  return std::exchange(sheetHook(), std::move(hook));
}
