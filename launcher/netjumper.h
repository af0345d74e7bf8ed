#pragma once
// NetJumper: opens a web address that the screen saver hands over as the whole command
// line, after asking the user, unless the user has told it not to ask again (the
// registry value "DontShowNetJumpConfirm").
#include <string>

#include "platform/framework.h"

// The key that holds "DontShowNetJumpConfirm" (the configuration program's profile key;
// registry names ignore letter case).
extern const char* const kNetJumperKey;
extern const char kDontShowValue[];

// Addresses come from image sets made by third parties, and the shell's "open" would as
// readily start a program or open a local file. Only web pages are opened: "http://" and
// "https://" in any letter case, and "www." addresses, which are opened as "http://" +
// address. Returns the address to open, or "" when the address is refused.
std::string WebAddressToOpen(const std::string& address);

// The message shown when an address is refused; it names the address (shortened when
// it is very long, so the message stays readable).
std::string RefusalMessage(const std::string& address);

// "DontShowNetJumpConfirm": 0 when the key or value is missing or unreadable.
DWORD ReadDontShowConfirm();

class CNetJumperApp : public CWinApp {
 public:
  CNetJumperApp();
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  int m_exitCode = 0;
};

class CNetJumperDlg : public CDialog {
 public:
  explicit CNetJumperDlg(const std::string& address, CWnd* parent = nullptr);

  int m_dontShowAgain = 0;   // check box 1000
  std::string m_question;    // text 1001
  std::string m_address;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  HICON OnQueryDragIcon() override;
  void OnDontShowClicked();

  HICON m_hIcon;

  DECLARE_MESSAGE_MAP()
};
