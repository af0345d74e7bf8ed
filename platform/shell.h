#pragma once
// The shell's "open" action (ShellExecute), as the suite uses it: a web address opens in
// the user's browser, a program file starts with the given parameters. Nothing ever goes
// through a command shell.
//
//   - A program file (an existing executable file; a name ending in ".exe" also finds the
//     program without it) starts through SpawnProgram with `parameters` as ONE argument:
//     the old platform handed the parameters to the program as its whole command line,
//     and the suite's programs take it back whole (see RunApplication), so the text
//     arrives unchanged, blanks included.
//   - Anything else goes to "xdg-open", looked up on PATH, as its one argument.
//     A file beginning with "-" is refused: it would be read as an option.
//
// The owner window, the working folder and the show command make no difference here.
// The result follows the old platform: above 32 on success, else an error code.
#include <cstdint>

#include "platform/types.h"
#include "platform/window.h"  // SW_SHOW, INT_PTR

constexpr std::intptr_t SE_ERR_FNF = 2;           // file or program not found
constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;  // refused (e.g. an option-like file)
constexpr std::intptr_t SE_ERR_NOASSOC = 31;      // no way to open it (verb, or no xdg-open)

std::intptr_t ShellExecute(HWND owner, const char* verb, const char* file,
                           const char* parameters, const char* directory, int showCommand);
