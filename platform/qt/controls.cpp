#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>

#include "platform/controls.h"
#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/text_codec.h"

namespace {
QWidget* W(ControlObject* c) { return reinterpret_cast<QWidget*>(c); }

constexpr int kBytesRole = Qt::UserRole + 1;

// Items keep their bytes; the toolkit only shows them.
std::string ItemBytes(const QVariant& v) {
  QByteArray bytes = v.toByteArray();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool IsSorted(const QWidget* w) { return w->property("qmSorted").toBool(); }

// Where a new item goes: at the end, or in a sorted box after every item that does not
// compare greater.
template <class GetText>
int InsertPosition(const QWidget* w, int count, const std::string& text, GetText itemText) {
  if (!IsSorted(w)) return count;
  int position = 0;
  while (position < count && CompareItemTexts(itemText(position), text) <= 0) ++position;
  return position;
}

template <class GetText>
int FindPrefix(int count, int startAfter, const std::string& prefix, GetText itemText) {
  if (count <= 0) return -1;
  int start = (startAfter < -1 || startAfter >= count) ? -1 : startAfter;
  for (int n = 0; n < count; ++n) {
    int i = (start + 1 + n) % count;
    if (ItemStartsWith(itemText(i), prefix)) return i;
  }
  return -1;
}

QString Folded(const std::string& text) { return DisplayText(text).toCaseFolded(); }
}  // namespace

int CompareItemTexts(const std::string& a, const std::string& b) {
  return QString::compare(Folded(a), Folded(b), Qt::CaseSensitive);
}

bool ItemStartsWith(const std::string& text, const std::string& prefix) {
  return Folded(text).startsWith(Folded(prefix));
}

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_BACKGROUND:
      return RGB(0, 128, 128);  // the old default desktop colour
    case COLOR_WINDOW: {
      QColor c = QApplication::instance() ? QApplication::palette().color(QPalette::Base)
                                          : QColor(255, 255, 255);
      return RGB(c.red(), c.green(), c.blue());
    }
    case COLOR_BTNFACE:
    default: {
      QColor c = QApplication::instance() ? QApplication::palette().color(QPalette::Window)
                                          : QColor(192, 192, 192);
      return RGB(c.red(), c.green(), c.blue());
    }
  }
}

// ----- every control -----------------------------------------------------------------------

void CControl::EnableWindow(BOOL enable) {
  if (QWidget* w = W(m_pControl)) w->setEnabled(enable);
}

BOOL CControl::IsWindowEnabled() const {
  QWidget* w = W(m_pControl);
  return w && w->isEnabled();
}

void CControl::SetWindowText(const std::string& bytes) {
  QWidget* w = W(m_pControl);
  QString text = DisplayText(bytes);
  if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(text);
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    QSignalBlocker quiet(edit);
    edit->setText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    QSignalBlocker quiet(plain);
    plain->setPlainText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(text);
}

std::string CControl::GetWindowText() const {
  QWidget* w = W(m_pControl);
  QString text;
  if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
  else if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
  else if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
  else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) text = plain->toPlainText();
  else if (auto* group = qobject_cast<QGroupBox*>(w)) text = group->title();
  else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    int i = combo->currentIndex();
    return i < 0 ? std::string() : ItemBytes(combo->itemData(i, kBytesRole));
  }
  QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

RECT CControl::GetRect() const {
  RECT r;
  if (QWidget* w = W(m_pControl)) {
    QRect g = w->geometry();
    r.left = g.x();
    r.top = g.y();
    r.right = g.x() + g.width();
    r.bottom = g.y() + g.height();
  }
  return r;
}

POINT CControl::ClientToScreen(POINT point) const {
  QWidget* w = W(m_pControl);
  if (!w) return point;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
  const QPoint global = w->mapToGlobal(QPoint(point.x, point.y));
  return POINT{global.x(), global.y()};
}

// ----- combo box ---------------------------------------------------------------------------

namespace {
QComboBox* Combo(ControlObject* c) { return qobject_cast<QComboBox*>(W(c)); }
QListWidget* List(ControlObject* c) { return qobject_cast<QListWidget*>(W(c)); }
}  // namespace

int CComboBox::AddString(const std::string& text) {
  QComboBox* combo = Combo(m_pControl);
  if (!combo) return CB_ERR;
  QSignalBlocker quiet(combo);
  int position = InsertPosition(combo, combo->count(), text,
                                [combo](int i) { return ItemBytes(combo->itemData(i, kBytesRole)); });
  int selected = combo->currentIndex();
  combo->insertItem(position, DisplayText(text));
  combo->setItemData(position, QByteArray(text.data(), static_cast<int>(text.size())), kBytesRole);
  // The old box kept "no selection" when items were added.
  if (selected < 0) combo->setCurrentIndex(-1);
  return position;
}

void CComboBox::ResetContent() {
  if (QComboBox* combo = Combo(m_pControl)) {
    QSignalBlocker quiet(combo);
    combo->clear();
  }
}

int CComboBox::GetCount() const {
  QComboBox* combo = Combo(m_pControl);
  return combo ? combo->count() : 0;
}

int CComboBox::GetCurSel() const {
  QComboBox* combo = Combo(m_pControl);
  return combo && combo->currentIndex() >= 0 ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
  QComboBox* combo = Combo(m_pControl);
  if (!combo) return CB_ERR;
  QSignalBlocker quiet(combo);
  if (index < 0 || index >= combo->count()) {
    combo->setCurrentIndex(-1);
    return CB_ERR;
  }
  combo->setCurrentIndex(index);
  return index;
}

int CComboBox::FindString(int startAfter, const std::string& prefix) const {
  QComboBox* combo = Combo(m_pControl);
  if (!combo) return CB_ERR;
  return FindPrefix(combo->count(), startAfter, prefix,
                    [combo](int i) { return ItemBytes(combo->itemData(i, kBytesRole)); });
}

int CComboBox::SelectString(int startAfter, const std::string& prefix) {
  int found = FindString(startAfter, prefix);
  if (found != CB_ERR) SetCurSel(found);
  return found;
}

std::string CComboBox::GetLBText(int index) const {
  QComboBox* combo = Combo(m_pControl);
  if (!combo || index < 0 || index >= combo->count()) return {};
  return ItemBytes(combo->itemData(index, kBytesRole));
}

// ----- list box ----------------------------------------------------------------------------

int CListBox::AddString(const std::string& text) {
  QListWidget* list = List(m_pControl);
  if (!list) return LB_ERR;
  QSignalBlocker quiet(list);
  int position = InsertPosition(list, list->count(), text,
                                [list](int i) { return ItemBytes(list->item(i)->data(kBytesRole)); });
  auto* item = new QListWidgetItem(DisplayText(text));
  item->setData(kBytesRole, QByteArray(text.data(), static_cast<int>(text.size())));
  list->insertItem(position, item);
  return position;
}

void CListBox::ResetContent() {
  if (QListWidget* list = List(m_pControl)) {
    QSignalBlocker quiet(list);
    list->clear();
  }
}

int CListBox::GetCount() const {
  QListWidget* list = List(m_pControl);
  return list ? list->count() : 0;
}

int CListBox::GetCurSel() const {
  QListWidget* list = List(m_pControl);
  if (!list) return LB_ERR;
  QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? LB_ERR : list->row(selected.first());
}

int CListBox::SetCurSel(int index) {
  QListWidget* list = List(m_pControl);
  if (!list) return LB_ERR;
  QSignalBlocker quiet(list);
  if (index < 0 || index >= list->count()) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return LB_ERR;
  }
  list->setCurrentRow(index);
  list->item(index)->setSelected(true);
  list->scrollToItem(list->item(index));
  return index;
}

int CListBox::FindString(int startAfter, const std::string& prefix) const {
  QListWidget* list = List(m_pControl);
  if (!list) return LB_ERR;
  return FindPrefix(list->count(), startAfter, prefix,
                    [list](int i) { return ItemBytes(list->item(i)->data(kBytesRole)); });
}

int CListBox::SelectString(int startAfter, const std::string& prefix) {
  int found = FindString(startAfter, prefix);
  if (found != LB_ERR) SetCurSel(found);
  return found;
}

std::string CListBox::GetText(int index) const {
  QListWidget* list = List(m_pControl);
  if (!list || index < 0 || index >= list->count()) return {};
  return ItemBytes(list->item(index)->data(kBytesRole));
}

RECT CListBox::GetItemRect(int index) const {
  QListWidget* list = List(m_pControl);
  if (!list || index < 0 || index >= list->count()) return RECT{};
  list->scrollToItem(list->item(index));
  const QRect r = list->visualItemRect(list->item(index));
  return RECT{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

// ----- buttons, sliders, up-downs ----------------------------------------------------------

void CButton::SetCheck(UINT check) {
  QWidget* w = W(m_pControl);
  if (auto* box = qobject_cast<QCheckBox*>(w)) {
    if (check == BST_INDETERMINATE) {
      box->setTristate(true);
      box->setCheckState(Qt::PartiallyChecked);
    } else {
      box->setCheckState(check ? Qt::Checked : Qt::Unchecked);
    }
  } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
    // Exclusive groups refuse to uncheck their checked button; the old radio did not.
    QButtonGroup* group = button->group();
    bool exclusive = group && group->exclusive();
    if (exclusive && !check) group->setExclusive(false);
    button->setChecked(check != 0);
    if (exclusive && !check) group->setExclusive(true);
  }
}

UINT CButton::GetCheck() const {
  QWidget* w = W(m_pControl);
  if (auto* box = qobject_cast<QCheckBox*>(w))
    return box->checkState() == Qt::PartiallyChecked ? BST_INDETERMINATE
                                                     : box->isChecked() ? BST_CHECKED : BST_UNCHECKED;
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
  return BST_UNCHECKED;
}

void CSliderCtrl::SetRange(int minimum, int maximum) {
  if (auto* slider = qobject_cast<QSlider*>(W(m_pControl))) {
    QSignalBlocker quiet(slider);
    slider->setRange(minimum, maximum);
  }
}

int CSliderCtrl::GetPos() const {
  auto* slider = qobject_cast<QSlider*>(W(m_pControl));
  return slider ? slider->value() : 0;
}

void CSliderCtrl::SetPos(int pos) {
  if (auto* slider = qobject_cast<QSlider*>(W(m_pControl))) {
    QSignalBlocker quiet(slider);
    slider->setValue(pos);
  }
}

void CSpinButtonCtrl::SetRange(int lower, int upper) {
  if (auto* ud = dynamic_cast<UpDownControl*>(W(m_pControl))) ud->setRange(lower, upper);
}

int CSpinButtonCtrl::GetPos() const {
  auto* ud = dynamic_cast<UpDownControl*>(W(m_pControl));
  return ud ? ud->pos() : 0;
}

void CSpinButtonCtrl::SetPos(int pos) {
  if (auto* ud = dynamic_cast<UpDownControl*>(W(m_pControl))) ud->setPos(pos);
}
