#pragma once
// Plain dialogs of the old platform, driven by a dialog procedure:
//  - DialogBoxParam builds the dialog from a registered template (platform/
//    dialog_template.h; arranged in dialog units, sized for the font's text), sends WM_INITDIALOG (lParam = the
//    caller's value; a nonzero result lets the first tab stop take the focus) and runs a
//    modal loop until the procedure calls EndDialog, whose result DialogBoxParam returns;
//  - buttons, check boxes and radio buttons send WM_COMMAND with MAKEWPARAM(id, BN_CLICKED)
//    and the control's handle; Enter presses the focused push button, else the default
//    one (IDOK when there is none), Escape and the close box send IDCANCEL; Tab follows the
//    template's order, and the focused control is framed however the focus got there;
//  - a procedure returns nonzero for a message it handled; what it leaves gets the
//    dialog's default processing (IDCANCEL ends the dialog with IDCANCEL only when the
//    procedure did not handle it: like the old default, which left it to the procedure);
//  - controls are reached by id: GetDlgItem gives a window handle that the window
//    functions accept (EnableWindow, ShowWindow, SetWindowText, SetFocus ...).
// DialogBoxParam returns -1 when the template is not registered or the procedure is null.
#include "platform/types.h"
#include "platform/window.h"

using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
// IDOK, IDCANCEL, IDYES and IDNO are in platform/message_box.h.

// Notification codes in the high word of WM_COMMAND's wParam.
constexpr WORD BN_CLICKED = 0;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD CBN_SELCHANGE = 1;

INT_PTR DialogBoxParam(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                       LPARAM initParam);
inline INT_PTR DialogBox(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure) {
  return DialogBoxParam(instance, templateName, owner, procedure, 0);
}
// Marks the dialog to close with the result once the procedure returns. FALSE for a
// window that is not a dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);

HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);

constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT BST_INDETERMINATE = 2;
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `check` and unchecks the other radio buttons from `first` to `last`.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);

// The number as decimal text (signed: "%d", else "%u").
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
// The number at the start of the control's text (after blanks). *translated is FALSE and
// the result 0 when there is no number, or it does not fit (32 bits, signed or unsigned).
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text);
// Copies at most size - 1 bytes of the control's text and a NUL; returns the bytes copied.
UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int size);

// Combo box messages (drop-down lists of the template).
constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_ADDSTRING = 0x0143;      // lParam: text; result: index
constexpr UINT CB_DELETESTRING = 0x0144;   // wParam: index; result: count left
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;      // result: index or CB_ERR
constexpr UINT CB_GETLBTEXT = 0x0148;      // wParam: index, lParam: buffer; result: length
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;     // wParam: start (-1: all); lParam: prefix
constexpr UINT CB_SELECTSTRING = 0x014D;   // like CB_FINDSTRING, then selects it
constexpr UINT CB_SETCURSEL = 0x014E;      // wParam: index (-1: none); CB_ERR when out of range
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr LRESULT CB_ERR = -1;
// Button messages.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
// Edit messages.
constexpr UINT EM_LIMITTEXT = 0x00C5;

// Sends a control message to a control of the dialog; 0 when there is no such control.
// CB_GETLBTEXT copies the whole entry and its NUL: the caller's buffer must hold
// CB_GETLBTEXTLEN + 1 bytes, as on the old platform.
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);

// ---- For tests ---------------------------------------------------------------------------
// Called with the dialog's handle once the dialog is up (after WM_INITDIALOG), instead of
// waiting for a person; the hook drives it with the functions above (for example
// SetDlgItemText, then PressDlgButton). A dialog that the hook leaves open is cancelled.
// Returns the previous hook; an empty function removes it.
#include <functional>
using DialogTestHook = std::function<void(HWND dialog)>;
DialogTestHook SetDialogTestHook(DialogTestHook hook);
// Clicks a control as a person would: toggles an automatic check or radio button and
// sends WM_COMMAND BN_CLICKED to the dialog procedure.
BOOL PressDlgButton(HWND dialog, int id);
