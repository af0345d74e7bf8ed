#pragma once
// The old platform's MessageBox: one function through which every program shows its
// messages and questions. The Qt layer installs the real dialog when a program starts
// its user interface (InstallQtMessageBox); tests install a hook that answers and
// records each text. Without either, the text goes to stderr and the default answer
// (IDOK, or IDNO for a question) is returned, so nothing ever waits on a missing screen.
// Texts are 8-bit: shown as UTF-8 when valid, otherwise as Windows-1252.
#include <functional>
#include <string>

#include "platform/types.h"

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBox(HWND owner, const char* text, const char* caption, UINT type);

using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, UINT type)>;
// Replaces the handler; returns the previous one. An empty handler restores the default.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// For a program that starts without the toolkit: each message is shown by `program` (the
// suite's quillmsg, a full path), started only when a message comes and a display is named
// (DISPLAY or WAYLAND_DISPLAY); its exit status is the answer. Where it cannot be started
// or cannot show anything, the default above applies.
void ShowMessagesThrough(const std::string& program);

// The running program's application title: the caption its messages carry.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
