#pragma once
// Controls of a property page, as the old platform's control classes reached them: a
// light handle onto one control of a running page (CComboBox, CListBox, CButton, ...),
// made from the page's GetDlgItem. A handle onto a missing control does nothing and reads
// as empty, the way messages sent to a null window did.
//
// Combo and list boxes keep the old item rules: items are 8-bit texts handed back byte
// for byte; a box made with the sort option inserts each new item in order, compared
// without regard to letter case, after the items that compare equal; FindString and
// SelectString look for the first item that STARTS with the text, without regard to
// letter case, beginning after the given index and wrapping round (CB_FINDSTRING /
// LB_FINDSTRING). Selecting an item from code sends no selection notification; only the
// user's choice does.
#include <string>

#include "platform/gdi.h"
#include "platform/types.h"

struct ControlObject;  // the toolkit's control; opaque here

constexpr int CB_ERR = -1;
constexpr int LB_ERR = -1;

// System colours (GetSysColor): the face of buttons and dialogs, and the desktop.
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = COLOR_BACKGROUND;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_BTNFACE = 15;
COLORREF GetSysColor(int index);

class CControl {
 public:
  explicit CControl(ControlObject* control = nullptr) : m_pControl(control) {}
  bool IsValid() const { return m_pControl != nullptr; }
  ControlObject* Handle() const { return m_pControl; }

  void EnableWindow(BOOL enable);
  BOOL IsWindowEnabled() const;
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  // The control's rectangle in its page's client coordinates (GetWindowRect followed by
  // ScreenToClient on the page, as the old code did it).
  RECT GetRect() const;
  // ClientToScreen on the control's own window: a point of its client area (a list box's
  // client area is the part that shows its items) in screen coordinates.
  POINT ClientToScreen(POINT point) const;

 protected:
  ControlObject* m_pControl;
};

class CComboBox : public CControl {
 public:
  using CControl::CControl;
  explicit CComboBox(const CControl& c) : CControl(c.Handle()) {}
  int AddString(const std::string& text);  // index of the new item
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;  // CB_ERR when nothing is selected
  int SetCurSel(int index);  // -1 clears; CB_ERR for an index out of range
  int FindString(int startAfter, const std::string& prefix) const;
  int SelectString(int startAfter, const std::string& prefix);
  std::string GetLBText(int index) const;  // "" out of range
};

class CListBox : public CControl {
 public:
  using CControl::CControl;
  explicit CListBox(const CControl& c) : CControl(c.Handle()) {}
  int AddString(const std::string& text);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;  // LB_ERR when nothing is selected
  int SetCurSel(int index);
  int FindString(int startAfter, const std::string& prefix) const;
  int SelectString(int startAfter, const std::string& prefix);
  std::string GetText(int index) const;
  // LB_GETITEMRECT: where the item is drawn, in the list's client coordinates (empty for an
  // index out of range); scrolled into view first, as a user would before clicking it.
  RECT GetItemRect(int index) const;
};

constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT BST_INDETERMINATE = 2;

class CButton : public CControl {
 public:
  using CControl::CControl;
  explicit CButton(const CControl& c) : CControl(c.Handle()) {}
  void SetCheck(UINT check);
  UINT GetCheck() const;
};

class CSliderCtrl : public CControl {
 public:
  using CControl::CControl;
  explicit CSliderCtrl(const CControl& c) : CControl(c.Handle()) {}
  void SetRange(int minimum, int maximum);
  int GetPos() const;
  void SetPos(int pos);
};

class CSpinButtonCtrl : public CControl {
 public:
  using CControl::CControl;
  explicit CSpinButtonCtrl(const CControl& c) : CControl(c.Handle()) {}
  void SetRange(int lower, int upper);
  int GetPos() const;
  void SetPos(int pos);
};

// The item rules above, shared by combo and list boxes; exposed for their tests.
// Case-insensitive order of two 8-bit item texts (<0, 0, >0).
int CompareItemTexts(const std::string& a, const std::string& b);
// Whether `text` starts with `prefix`, without regard to letter case.
bool ItemStartsWith(const std::string& text, const std::string& prefix);
