// The saver's own configuration dialog: interval and unit, captions and their language,
// and the transition effect, stored in the saver's settings section.
#include <cstring>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/screensaver.h"
#include "saver/resources.h"
#include "saver/settings.h"

namespace {
const char* const kLanguages[] = {"English", "German", "French", "Spanish", "Japanese"};
const char* const kTransitions[] = {"Normal",          "All Transitions",  "Vertical Blinds",
                                    "Horizontal Blinds", "Vertical Sweep", "Horizontal Sweep",
                                    "Boxed In"};
constexpr const char* kWarningCaption = "Screen Saver Warning";

void InitDialog(HWND dialog) {
  ReadSaverSettings();
  const SaverSettings& s = g_saverSettings;
  SetDlgItemInt(dialog, IDC_TIME_BETWEEN, s.timeBetween, FALSE);
  CheckDlgButton(dialog, IDC_SHOW_TITLES, s.showTextDescription == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_SHOW_TEXT, s.showInterpretiveText == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(dialog, IDC_MINUTES, IDC_SECONDS, s.inMinutes == 1 ? IDC_MINUTES : IDC_SECONDS);
  for (const char* text : kTransitions) {
    SendDlgItemMessage(dialog, IDC_TRANSITION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendDlgItemMessage(dialog, IDC_TRANSITION, CB_SETCURSEL, s.transition, 0);
  for (const char* text : kLanguages) {
    SendDlgItemMessage(dialog, IDC_LANGUAGE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendDlgItemMessage(dialog, IDC_LANGUAGE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(s.language));
}

void Accept(HWND dialog) {
  bool minutes = IsDlgButtonChecked(dialog, IDC_MINUTES) == BST_CHECKED;
  BOOL translated = FALSE;
  UINT value = GetDlgItemInt(dialog, IDC_TIME_BETWEEN, &translated, FALSE);
  if (minutes) {
    if (value < 1 || value > 60) {
      MessageBox(dialog, "The Time Between Images must be between 1 and 60 minutes.",
                 kWarningCaption, MB_OK | MB_ICONWARNING);
      return;
    }
  } else {
    if (value < 10 || value > 60) {
      MessageBox(dialog, "The Time Between Images must be between 10 and 60 seconds.",
                 kWarningCaption, MB_OK | MB_ICONWARNING);
      return;
    }
    if (value == 60) {
      value = 1;
      minutes = true;
    }
  }
  const char* section = saver::kSection;
  WriteIntegerSetting(section, settings::kTimeBetween, value);
  WriteIntegerSetting(section, settings::kInMinutes, minutes ? 1 : 0);
  WriteIntegerSetting(section, settings::kShowTextDescription, IsDlgButtonChecked(dialog, IDC_SHOW_TITLES));
  WriteIntegerSetting(section, settings::kShowInterpretiveText, IsDlgButtonChecked(dialog, IDC_SHOW_TEXT));

  // A list without a selection leaves its setting as it was.
  const LRESULT language = SendDlgItemMessage(dialog, IDC_LANGUAGE, CB_GETCURSEL, 0, 0);
  if (language != CB_ERR) {
    char text[64] = "";
    const LRESULT length = SendDlgItemMessage(dialog, IDC_LANGUAGE, CB_GETLBTEXTLEN, language, 0);
    if (length >= 0 && length < static_cast<LRESULT>(sizeof text)) {
      SendDlgItemMessage(dialog, IDC_LANGUAGE, CB_GETLBTEXT, language, reinterpret_cast<LPARAM>(text));
      WritePrivateProfileString(section, settings::kInterpretiveTextLanguage, text, SaverSettingsFile());
    }
  }
  const LRESULT transition = SendDlgItemMessage(dialog, IDC_TRANSITION, CB_GETCURSEL, 0, 0);
  if (transition != CB_ERR) WriteIntegerSetting(section, settings::kTransition, static_cast<UINT>(transition));
  EndDialog(dialog, 1);
}
}  // namespace

BOOL WINAPI RegisterDialogClasses(HINSTANCE) {
  EnsureSaverResources();
  return TRUE;
}

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          Accept(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}
