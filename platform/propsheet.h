#pragma once
// The old framework's property sheet and property pages: one modal window with a tab per
// page and the buttons OK, Cancel, Apply and Help under them.
//
// The protocol the pages rely on, kept as it was:
//  - a page's dialog is made the first time the page is shown (OnInitDialog), and then it
//    gets OnSetActive; every later activation runs OnSetActive again, whose default
//    reloads the controls from the members (UpdateData(FALSE)) except the first time;
//  - leaving a page (another tab, OK, Apply) asks it first: OnKillActive, whose default
//    is UpdateData(TRUE) with validation; a page that refuses keeps the focus;
//  - OK and Apply send OnApply to every page whose dialog exists, in page order; a page
//    that returns FALSE becomes the active page and the sheet stays open. Pages the user
//    never opened are neither validated nor applied. After a complete apply the pages'
//    modified marks are cleared and Apply is disabled again;
//  - our addition: when a settings file could not be written while the pages applied
//    (platform/write_failures.h), the sheet says so once, in one message box (the
//    application title as caption), and then acts as for a page that refused: the sheet
//    stays open with the pages' choices and Apply enabled, so the user can make room and
//    press OK or Apply again, or Cancel;
//  - Apply is enabled as soon as any page calls SetModified(TRUE);
//  - Cancel (also Escape and the close box) sends OnCancel to every page whose dialog
//    exists and ends the sheet with IDCANCEL; nothing is applied;
//  - Help asks the application: when the running application object is a HelpTarget its
//    WinHelp runs, whatever page is shown.
// Page templates are dialog templates (platform/dialog_template.h); the caption of a
// page's template is its tab's text. Control notifications reach the page's message map.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/framework.h"
#include "platform/gdi.h"
#include "platform/types.h"

class CPropertySheet;
class CPropertyPage;
struct PageWindow;   // the toolkit side of a page's dialog
struct SheetWindow;  // the toolkit side of the sheet
struct ChildWindow;  // the toolkit side of a CChildWindow

constexpr int ID_APPLY_NOW = 0x3021;
constexpr int IDHELP = 9;
constexpr UINT HTMINBUTTON = 8;
constexpr UINT HELP_CONTENTS = 0x0003;
constexpr UINT HELP_FINDER = 0x000B;

// An application object that can open its help (the framework routed ID_HELP to it).
class HelpTarget {
 public:
  virtual ~HelpTarget() = default;
  virtual void WinHelp(DWORD data, UINT command) = 0;
};

// Data exchange for a page. Validation failures show their message, leave `failed` set
// and make every later exchange of the same pass do nothing, so UpdateData reports FALSE.
class CPageDataExchange {
 public:
  CPageDataExchange(CPropertyPage* page, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(page) {}
  // Shows `message` (the application title as caption, OK button) and marks the pass failed.
  void Fail(int controlId, const std::string& message);
  BOOL m_bSaveAndValidate;
  CPropertyPage* m_pDlgWnd;
  bool failed = false;
  int lastControl = 0;  // the control the last DDX_Text exchanged (for DDV_ checks)
};

// The message after an apply whose settings could not all be written: the list of the
// files, one "<file>: <reason>" line each, goes between the two texts.
constexpr const char* kSettingsNotSavedText = "The settings could not be saved:";
constexpr const char* kSettingsNotSavedAdvice =
    "No settings file was damaged, and your choices are still on the pages. Free some disk space or make "
    "the folder writable, then press OK or Apply again.";

constexpr const char* kEnterIntegerText = "Please enter an integer.";
constexpr const char* kEnterIntegerRangeText = "Please enter an integer between %1 and %2.";

// Check box <-> 0, 1 or 2.
void DDX_Check(CPageDataExchange* pDX, int id, int& value);
// Radio group starting at `id` (up to the next control that starts a group) <-> the index of
// the checked button, -1 when none is checked. Loading -1 clears the whole group.
void DDX_Radio(CPageDataExchange* pDX, int id, int& value);
// Static or edit text <-> string (8-bit bytes).
void DDX_Text(CPageDataExchange* pDX, int id, std::string& value);
// Edit text <-> int. Saving a text that is not a whole number (blanks around it allowed)
// shows "Please enter an integer." and fails.
void DDX_Text(CPageDataExchange* pDX, int id, int& value);
// List box: saving takes the selected item's text ("" without a selection); loading selects
// the first item that starts with the text (LB_SELECTSTRING) and sends no notification.
void DDX_LBString(CPageDataExchange* pDX, int id, std::string& value);
// Slider position <-> int.
void DDX_Slider(CPageDataExchange* pDX, int id, int& value);
// After a DDX_Text of an int, when saving: a value outside [minimum, maximum] shows
// "Please enter an integer between <minimum> and <maximum>." and fails.
void DDV_MinMaxInt(CPageDataExchange* pDX, int value, int minimum, int maximum);

class CPropertyPage : public CWnd {
 public:
  explicit CPropertyPage(UINT templateId);
  ~CPropertyPage() override;

  UINT GetTemplateId() const { return m_templateId; }
  CPropertySheet* GetParentSheet() const { return m_pSheet; }
  // Whether the page's dialog exists (it was shown at least once in the running sheet).
  bool IsCreated() const { return m_window != nullptr; }

  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // Marks the page as changed (enabling the sheet's Apply) or unchanged.
  void SetModified(BOOL changed = TRUE);
  bool IsModified() const { return m_bModified; }

  // Controls of the running page; see platform/controls.h for the handles.
  CControl GetDlgItem(int id) const;
  bool HasDlgItem(int id) const;
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  void EnableDlgItem(int id, BOOL enable);
  bool IsDlgItemEnabled(int id) const;
  RECT GetClientRect() const;
  // Dialog units of the page's template to pixels of the page (the base units of its font).
  void MapDialogRect(RECT* rect) const;
  // Asks for a repaint of the page (OnPaint runs when the toolkit paints).
  void Invalidate();
  // Every window the page shows, with its place and its text's room (platform/shown_controls.h).
  std::vector<struct ShownControl> ShownControls() const;
  // The page's dialog client area as it is drawn now (controls included), as a PNG file.
  bool SaveImage(const std::string& pngPath) const;

  // What the user does, for test hooks: click a button, check box or radio button (nothing
  // happens for a disabled control), choose an item of a combo or list box (the selection
  // changes and the page is notified, as for a mouse choice), type into an edit.
  void ClickDlgItem(int id);
  void ChooseComboItem(int id, int index);
  void ChooseListItem(int id, int index);
  void TypeDlgItemText(int id, const std::string& text);

  // The page's virtual operations, with the framework's defaults.
  virtual BOOL OnInitDialog();  // UpdateData(FALSE)
  virtual void DoDataExchange(CPageDataExchange* pDX);
  virtual BOOL OnSetActive();   // UpdateData(FALSE) on every activation but the first
  virtual BOOL OnKillActive();  // UpdateData(TRUE)
  virtual BOOL OnApply();       // OnOK(), TRUE
  virtual void OnOK();
  virtual void OnCancel();
  // Paints on the page's client area, under its controls. Default: nothing.
  virtual void OnPaint(HDC dc);

 private:
  friend class CPropertySheet;
  friend struct PageWindow;
  friend struct SheetWindow;
  friend class CChildWindow;
  friend class CPageDataExchange;
  friend void DDX_Radio(CPageDataExchange* pDX, int id, int& value);
  void Dispatch(int id, Notification code);

  UINT m_templateId;
  CPropertySheet* m_pSheet = nullptr;
  bool m_bModified = false;
  bool m_bFirstSetActive = true;
  std::unique_ptr<PageWindow> m_window;
};

// A plain child window on a page, drawn by its own OnPaint (the framework's CWnd made with
// Create on the default window class). Destroyed with its page's dialog at the latest.
class CChildWindow : public CWnd {
 public:
  CChildWindow();
  ~CChildWindow() override;

  // A visible child of the page's dialog at `rect` (page client coordinates). FALSE when
  // the page's dialog does not exist.
  BOOL Create(const char* windowName, const RECT& rect, CPropertyPage* parent, UINT id);
  void DestroyWindow();
  bool IsCreated() const { return m_window != nullptr; }
  std::string GetWindowText() const;
  UINT GetDlgCtrlID() const { return m_id; }
  RECT GetClientRect() const;  // {0, 0, width, height}
  RECT GetWindowRect() const;  // in the parent page's client coordinates
  void Invalidate(BOOL erase = TRUE);
  // A device context for work outside painting (e.g. realising a palette). Drawing on it
  // is not shown; release it with ReleaseDC.
  HDC GetDC();
  void ReleaseDC(HDC dc);
  // Paints the whole client area. Default: nothing.
  virtual void OnPaint(HDC dc);

 private:
  UINT m_id = 0;
  std::unique_ptr<ChildWindow> m_window;
};

class CPropertySheet : public CWnd {
 public:
  // The owner is not kept, as for a dialog.
  explicit CPropertySheet(const std::string& caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetActiveIndex() const { return m_active; }
  CPropertyPage* GetActivePage() const { return GetPage(m_active); }
  // Switches as a tab click does (the current page may refuse). FALSE when refused.
  BOOL SetActivePage(int index);

  // Runs the sheet until OK or Cancel: IDOK or IDCANCEL; -1 without pages or without a
  // running user interface.
  virtual int DoModal();
  bool IsRunning() const;

  void SetIcon(HICON icon, BOOL bigIcon);
  HICON GetIcon(BOOL bigIcon) const;
  // Window style bits of the sheet's frame; only WS_MINIMIZEBOX makes a difference here.
  DWORD GetStyle() const { return m_style; }
  void ModifyStyle(DWORD remove, DWORD add);
  void ShowWindow(int command);  // SW_MINIMIZE / SW_SHOWMINIMIZED / SW_RESTORE / SW_SHOW
  bool IsIconic() const;
  std::string GetWindowText() const;
  bool IsApplyEnabled() const;

  // What the user does, for test hooks: press OK, Cancel, Apply or Help (IDOK, IDCANCEL,
  // ID_APPLY_NOW, IDHELP), press Escape, or press the frame's minimize button.
  void PressButton(int id);
  void PressEscape();
  void PressMinimizeBox();
  // The sheet as it is drawn now, as a PNG file.
  bool SaveImage(const std::string& pngPath) const;

 protected:
  // Runs once the sheet's window and its first page exist, before it is shown.
  virtual BOOL OnInitDialog();
  // A left button press on the frame; `hitTest` names the part (HTMINBUTTON). Default:
  // nothing more than the frame's own handling, which minimizes on the release.
  virtual void OnNcLButtonDown(UINT hitTest);
  virtual void OnHelp();

 private:
  friend struct SheetWindow;
  friend class CPropertyPage;
  bool Activate(int index);
  bool Apply();
  void Ok();
  void Cancel();
  // DoModal's steps: the tabs, the page area and the buttons, sized for the largest page;
  // then what the buttons, the tabs and the page keys do.
  void BuildFrame();
  void ConnectFrame();

  std::string m_caption;
  UINT m_selectPage;
  std::vector<CPropertyPage*> m_pages;
  int m_active = -1;
  DWORD m_style = 0;
  HICON m_bigIcon = nullptr;
  HICON m_smallIcon = nullptr;
  std::unique_ptr<SheetWindow> m_window;
};

// Test hook for modal sheets: called with the sheet once it is shown, inside its modal
// loop; the hook plays the user. A sheet the hook leaves open is cancelled, so a test never
// waits for a person. Returns the previous hook; an empty hook lets sheets run normally.
using PropertySheetHook = std::function<void(CPropertySheet&)>;
PropertySheetHook SetPropertySheetHook(PropertySheetHook hook);
