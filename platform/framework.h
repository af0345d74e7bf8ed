#pragma once
// The old platform's application framework, as far as the suite's dialog-style programs
// use it: an application object whose InitInstance does the program's work (returning
// false ends the program without a message loop), modal dialogs built from templates
// (platform/dialog_template.h), data exchange between members and controls, and message
// maps that bind a control's notifications to member handlers.
//
// The classes keep the old names and virtual operations so that pages and dialogs are
// written as they were: override OnInitDialog and DoDataExchange, list handlers between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP. The window behind a dialog belongs to the Qt
// layer; nothing here exposes it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/types.h"

class CWnd;
class CDialog;

// Control notifications a message map can bind (BN_CLICKED, EN_CHANGE, CBN_SELCHANGE /
// LBN_SELCHANGE, BN_DOUBLECLICKED / LBN_DBLCLK, and a slider or up-down moving).
enum class Notification { None, Clicked, Changed, SelChange, DoubleClicked, Scroll, QueryDragIcon };

// Handlers take no arguments, as the old BN_CLICKED-style handlers did. The query for the
// drag icon is the one message with an answer; it has its own virtual (OnQueryDragIcon).
using CommandHandler = void (CWnd::*)();

struct MessageMapEntry {
  int id;
  Notification code;
  CommandHandler handler;
};

struct MessageMap {
  const MessageMap* (*base)();  // the base class's map, searched when this one has no entry
  const MessageMapEntry* entries;  // ends with an entry whose code is Notification::None
};

#define DECLARE_MESSAGE_MAP()                  \
 protected:                                    \
  static const MessageMap* GetThisMessageMap(); \
  const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
  const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const MessageMap* theClass::GetThisMessageMap() {                             \
    using ThisClass = theClass;                                                 \
    using TheBaseClass = baseClass;                                             \
    static const MessageMapEntry entries[] = {
#define ON_BN_CLICKED(id, memberFunction) \
  {int(id), Notification::Clicked, static_cast<CommandHandler>(&ThisClass::memberFunction)},
#define ON_BN_DOUBLECLICKED(id, memberFunction) \
  {int(id), Notification::DoubleClicked, static_cast<CommandHandler>(&ThisClass::memberFunction)},
#define ON_EN_CHANGE(id, memberFunction) \
  {int(id), Notification::Changed, static_cast<CommandHandler>(&ThisClass::memberFunction)},
#define ON_CBN_SELCHANGE(id, memberFunction) \
  {int(id), Notification::SelChange, static_cast<CommandHandler>(&ThisClass::memberFunction)},
#define ON_LBN_SELCHANGE(id, memberFunction) \
  {int(id), Notification::SelChange, static_cast<CommandHandler>(&ThisClass::memberFunction)},
#define ON_LBN_DBLCLK(id, memberFunction) \
  {int(id), Notification::DoubleClicked, static_cast<CommandHandler>(&ThisClass::memberFunction)},
// A slider or up-down changed its position (WM_HSCROLL / WM_VSCROLL from that control).
#define ON_SCROLL(id, memberFunction) \
  {int(id), Notification::Scroll, static_cast<CommandHandler>(&ThisClass::memberFunction)},
// The class answers the query for the icon shown while the window is minimised.
#define ON_WM_QUERYDRAGICON() {0, Notification::QueryDragIcon, nullptr},
#define END_MESSAGE_MAP()                                              \
  { 0, Notification::None, nullptr }                                   \
  }                                                                    \
  ;                                                                    \
  static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                         \
  }

// ----------------------------------------------------------------------------------------

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

 protected:
  static const MessageMap* GetThisMessageMap();
  virtual const MessageMap* GetMessageMap() const;
  // The handler bound to (id, code) in this class's map or a base class's; nullptr if none.
  CommandHandler FindHandler(int id, Notification code) const;
  bool AnswersQuery(Notification code) const;

  friend class CDialog;
};

// Direction of a data exchange: from controls to members (save) or the other way.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  BOOL m_bSaveAndValidate;
  CDialog* m_pDlgWnd;
};

// A check box and its int member: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// A static text or edit control and its string member (8-bit text; shown as UTF-8 when
// valid, otherwise as Windows-1252; read back as UTF-8).
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// An edit control and an int member. A text that is no number reads as 0.
void DDX_Text(CDataExchange* pDX, int id, int& value);

struct DialogWindow;   // the Qt side of a running dialog
struct ControlObject;  // a control, as platform/controls.h hands it out

class CDialog : public CWnd {
 public:
  // The owner is taken as the old callers give it and not kept: every dialog runs modal to
  // the whole program, and the toolkit places it on the screen of the pointer.
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog until EndDialog: IDOK or IDCANCEL (or what EndDialog was given);
  // -1 when the template is not registered or no user interface is running.
  virtual int DoModal();

  // Sends data between members and controls; false when validation fails.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  void EndDialog(int result);

  void SetIcon(HICON icon, BOOL bigIcon);
  HICON GetIcon(BOOL bigIcon) const;

  // Control access, for handlers, data exchange and test hooks. Only valid while the
  // dialog runs; an unknown id does nothing and reads as empty / unchecked.
  bool HasDlgItem(int id) const;
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;  // a control's text as shown, UTF-8
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  bool IsDlgItemEnabled(int id) const;
  std::string GetWindowText() const;  // the caption
  // Where a control is, in pixels of this dialog: its dialog-unit place, grown for its text.
  PixelRect GetDlgItemRect(int id) const;
  // Every window the dialog shows, with its place and its text's room (platform/shown_controls.h).
  std::vector<struct ShownControl> ShownControls() const;
  // The control itself, for the control classes of platform/dialog_items.h; nullptr
  // while the dialog does not run or for an unknown id.
  ControlObject* GetDlgItemHandle(int id) const;
  PixelRect GetClientRect() const;
  bool IsRunning() const;

  // What the user does, for test hooks: click a button or box as the mouse would (nothing
  // happens for a disabled or hidden control), press Enter or Escape, or the close box.
  void ClickDlgItem(int id);
  void PressEnter();
  void PressEscape();
  void PressCloseBox();

 protected:
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();      // UpdateData(TRUE), then EndDialog(IDOK)
  virtual void OnCancel();  // EndDialog(IDCANCEL)
  virtual HICON OnQueryDragIcon();

 private:
  friend struct DialogWindow;
  void Dispatch(int id, Notification code);

  UINT m_templateId;
  HICON m_bigIcon = nullptr;
  HICON m_smallIcon = nullptr;
  std::unique_ptr<DialogWindow> m_window;
};

// Test hook for modal dialogs: called with every dialog once it is shown, inside its
// modal loop. The hook plays the user (ClickDlgItem, PressEnter, ...). A dialog that the
// hook leaves open is closed as with the close box, so a test never waits for a person.
using ModalDialogHook = std::function<void(CDialog&)>;
// Replaces the hook; returns the previous one. An empty hook lets dialogs run normally.
ModalDialogHook SetModalDialogHook(ModalDialogHook hook);
// Whether a modal dialog shown now would be answered: on a screen someone looks at
// (UserCanSeeWindows), or by a test's hook. A program must not wait on one otherwise.
bool ModalDialogCanBeAnswered();

// ----------------------------------------------------------------------------------------

class CWinApp {
 public:
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The program's work. False: the program ends (ExitInstance gives the exit code)
  // without entering a message loop.
  virtual BOOL InitInstance();
  virtual int ExitInstance();

  // Kept for programs written against the old three-dimensional look; Qt styles every
  // control alike, so there is nothing to switch on.
  BOOL Enable3dControls() { return TRUE; }

  HICON LoadIcon(UINT id) const { return LoadIconResource(id); }

  // The program's name: the caption of its message boxes.
  std::string m_pszAppName;
  // Everything after the program name, as one text. The old platform handed a program its
  // command line whole; here the arguments are joined with single blanks, so an address
  // given as one argument (the way the suite starts its programs) arrives unchanged.
  std::string m_lpCmdLine;
  CWnd* m_pMainWnd = nullptr;
};

// The running application object (the one RunApplication was given).
CWinApp* AfxGetApp();

// The arguments after the program name, joined with single blanks.
std::string JoinCommandLine(int argc, char** argv);

// The program's entry, called from main(): sets m_lpCmdLine from argv, starts the user
// interface, runs InitInstance and, when it returns true, the message loop; then ends the
// process with ExitInstance's code (it does not return).
// Toolkit options are not taken from the command line: it belongs to the program (a web
// address starting with "-" must not be read as an option), so the toolkit sees only the
// program name and takes its display from the environment.
int RunApplication(CWinApp& app, int argc, char** argv);
