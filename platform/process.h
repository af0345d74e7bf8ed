#pragma once
// Starting programs, as the old platform's WinExec and the shell's "open" did, but never
// through a shell: arguments reach the program exactly as given.
#include <string>
#include <vector>

#include "platform/types.h"

// Starts argv[0] (a path, or a name searched in the program folder, the Windows directory
// and PATH) with the arguments that follow; does not wait. False when it cannot be started.
bool SpawnProgram(const std::vector<std::string>& argv);
// Replaces the running program with the program at `path` (a full path, never searched
// for), passing `argv` on (its first entry is replaced by `path`). Returns only when that
// failed, with the reason in `error`.
void BecomeProgram(const std::string& path, char** argv, std::string& error);

// WinExec: a command line in the old platform's form. An unquoted program name with
// blanks is resolved the old way (the longest prefix that names an existing file), a
// quoted one is taken as quoted; the rest is split into arguments at blanks, honouring
// double quotes. Returns a value above 31 on success, like the old platform.
UINT WinExec(const char* commandLine, UINT show);
