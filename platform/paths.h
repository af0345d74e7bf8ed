#pragma once
// Where things live, as the old platform's path rules and folder queries had them.
// "\" and "/" both count as a trailing separator; file functions of the platform accept
// paths written on the old platform ("Birds\Hawk") by treating "\" as "/".
#include <string>

#include "platform/types.h"

// GetWindowsDirectoryA: "$XDG_CONFIG_HOME/quillmark" (default "~/.config/quillmark"),
// created on first use, without a trailing separator. Returns the length, or the size
// needed (with NUL) when the buffer is too small.
UINT GetWindowsDirectory(char* buffer, UINT size);
std::string WindowsDirectory();

// Folder of the running executable, with a trailing "/" (the module-file-name folder).
std::string ProgramFolder();
// The same folder, which the tests never redirect.
std::string ExecutableFolder();
// Tests point the program folder at a sandbox; an empty text restores the real one.
void SetProgramFolderForTesting(const std::string& folder);

bool HasTrailingSeparator(const std::string& path);
// Appends "/" unless the path already ends in "\" or "/".
std::string WithTrailingSeparator(const std::string& path);
// The path with every "\" turned into "/", for handing to the file system.
std::string NativePath(const std::string& path);
// A bare name (no separator) resolves in the Windows directory; anything else is kept.
std::string ResolveProfilePath(const std::string& fileName);
