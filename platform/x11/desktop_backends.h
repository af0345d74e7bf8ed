#pragma once
// Setting the background through each desktop's own interface: centred on black, or
// plain black when `file` is null. `file` is an absolute path that nobody rewrites while
// the desktop shows it. False (with a one-line reason in `problem`) when the desktop
// refused or could not be reached.
#include <string>

#include "platform/desktop.h"

bool SetDesktopBackground(DesktopKind kind, const std::string* file, std::string& problem);

// "file:///..." with every byte outside [A-Za-z0-9/._~-] percent-encoded (so the text is
// also safe inside a quoted script string).
std::string FileUri(const std::string& path);
// The script that Plasma's shell runs to set every desktop containment.
std::string PlasmaWallpaperScript(const std::string* file);
