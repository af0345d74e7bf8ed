#pragma once
// Checks of what a dialog or page shows, for the layout tests that run at several font
// sizes and scales (tests/CMakeLists.txt runs them again with QT_FONT_DPI and
// QT_SCALE_FACTOR set).
#include <string>
#include <vector>

#include "platform/shown_controls.h"

// Fails the test when a window leaves the client area, when two windows overlap (a group
// box and a window it holds wholly inside its frame do not count) or when a text does not
// fit the room its control gives it. `where` names the dialog in the messages.
void ExpectLaidOut(const std::vector<ShownControl>& shown, const PixelRect& client, const std::string& where);

// The folder that screenshots go to (QM_LAYOUT_SHOTS), empty when none are wanted, and the
// name's ending for the running scale ("" at 1x, "-2x" at twice).
std::string ShotFolder();
std::string ShotSuffix();
