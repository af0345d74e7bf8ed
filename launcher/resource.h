#pragma once
// Resource ids of NetJumper.
constexpr int IDR_MAINFRAME = 128;          // the program's icon
constexpr int IDD_NETJUMPER_DIALOG = 102;   // the confirmation dialog
constexpr int IDC_DONTSHOW = 1000;          // "Don't show this prompt again"
constexpr int IDC_QUESTION = 1001;          // the question text
