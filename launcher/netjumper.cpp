#include "launcher/netjumper.h"

#include "launcher/netjumper_resources.h"
#include "launcher/resource.h"
#include <cstdio>

#include "imagelib/settings_keys.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/scoped.h"
#include "platform/shell.h"

const char* const kNetJumperKey = settings::kProfileKey;
const char kDontShowValue[] = "DontShowNetJumpConfirm";

namespace {
bool StartsWithNoCase(const std::string& text, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= text.size()) return false;
    char a = text[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}
}  // namespace

std::string WebAddressToOpen(const std::string& address) {
  // No web address holds control characters; the opener is a script, give it none.
  for (unsigned char c : address)
    if (c < 0x20 || c == 0x7f) return "";
  for (const char* scheme : {"http://", "https://"}) {
    if (StartsWithNoCase(address, scheme))
      return address.size() > std::char_traits<char>::length(scheme) ? address : "";
  }
  if (StartsWithNoCase(address, "www.") && address.size() > 4) return "http://" + address;
  return "";
}

std::string RefusalMessage(const std::string& address) {
  constexpr std::size_t kShown = 300;
  std::string shown = address.size() > kShown ? address.substr(0, kShown) + "..." : address;
  return "This link was not opened, because it is not the address of a web page "
         "(only addresses beginning with \"http://\", \"https://\" or \"www.\" are opened):\n\n" +
         shown;
}

DWORD ReadDontShowConfirm() {
  ScopedRegKey key;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kNetJumperKey, 0, KEY_READ | KEY_WRITE, key.receive()) !=
      ERROR_SUCCESS)
    return 0;
  DWORD type = REG_NONE;
  BYTE data[4] = {0, 0, 0, 0};
  DWORD size = sizeof data;
  // Only a number counts: a text or a damaged value means "ask", the safe side.
  if (RegQueryValueEx(key.get(), kDontShowValue, nullptr, &type, data, &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != 4)
    return 0;
  return DWORD(data[0]) | DWORD(data[1]) << 8 | DWORD(data[2]) << 16 | DWORD(data[3]) << 24;
}

// ----- the application -------------------------------------------------------------------

CNetJumperApp::CNetJumperApp() : CWinApp("Quillmark NetJumper") { RegisterNetJumperResources(); }

BOOL CNetJumperApp::InitInstance() {
  const std::string address = m_lpCmdLine;
  if (address.empty()) return FALSE;

  // Checked before asking: nobody should be asked about a page that will not open. The
  // refusal is shown even when the question is turned off, or nothing would tell the
  // user why no page appeared.
  const std::string target = WebAddressToOpen(address);
  if (target.empty()) {
    MessageBox(nullptr, RefusalMessage(address).c_str(), m_pszAppName.c_str(),
               MB_OK | MB_ICONWARNING);
    return FALSE;
  }

  if (ReadDontShowConfirm() == 0) {
    // Nobody could answer the question: opening unasked would break the user's choice,
    // and waiting would leave the program hanging for good.
    if (!ModalDialogCanBeAnswered()) {
      std::fprintf(stderr, "NetJumper: no display to ask on; %s was not opened\n",
                   target.c_str());
      m_exitCode = 1;
      return FALSE;
    }
    Enable3dControls();
    CNetJumperDlg dialog(address);
    m_pMainWnd = &dialog;
    int answer = dialog.DoModal();
    m_pMainWnd = nullptr;
    if (answer != IDOK) return FALSE;
  }
  ShellExecute(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOW);
  return FALSE;
}

int CNetJumperApp::ExitInstance() { return m_exitCode; }

// ----- the confirmation dialog -----------------------------------------------------------

BEGIN_MESSAGE_MAP(CNetJumperDlg, CDialog)
ON_BN_CLICKED(IDC_DONTSHOW, OnDontShowClicked)
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

CNetJumperDlg::CNetJumperDlg(const std::string& address, CWnd* parent)
    : CDialog(IDD_NETJUMPER_DIALOG, parent), m_address(address) {
  RegisterNetJumperResources();
  m_hIcon = LoadIconResource(IDR_MAINFRAME);
}

BOOL CNetJumperDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  m_question = "Are you sure you would like to connect to the internet and open the page " +
               m_address + "?";
  UpdateData(FALSE);
  return TRUE;
}

void CNetJumperDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_DONTSHOW, m_dontShowAgain);
  DDX_Text(pDX, IDC_QUESTION, m_question);
}

HICON CNetJumperDlg::OnQueryDragIcon() { return m_hIcon; }

// The choice is stored at once, in either direction, not when Yes is pressed.
void CNetJumperDlg::OnDontShowClicked() {
  UpdateData(TRUE);
  ScopedRegKey key;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, kNetJumperKey, key.receive()) != ERROR_SUCCESS) return;
  DWORD flag = static_cast<DWORD>(m_dontShowAgain);
  const BYTE data[4] = {BYTE(flag), BYTE(flag >> 8), BYTE(flag >> 16), BYTE(flag >> 24)};
  RegSetValueEx(key.get(), kDontShowValue, 0, REG_DWORD, data, sizeof data);
}
