#pragma once
// The wipe effects that bring a new picture onto the screen: every effect copies the view
// from the picture's screen copy one strip at a time, pausing between groups of strips so
// the eye sees the wipe. The effect runs to its end inside one paint.
#include <functional>

#include "platform/gdi.h"
#include "platform/types.h"

enum TransitionCode : UINT {
  TRANSITION_NORMAL = 0,
  TRANSITION_ALL = 1,  // the slideshow cycles through the effects 2..6
  TRANSITION_VERTICAL_BLINDS = 2,
  TRANSITION_HORIZONTAL_BLINDS = 3,
  TRANSITION_VERTICAL_SWEEP = 4,
  TRANSITION_HORIZONTAL_SWEEP = 5,
  TRANSITION_BOXED_IN = 6,
};

// What an effect does, step by step: copy the part of the view at offset (dx, dy) of the
// given size, and pause. Kept apart from the drawing so the order of strips can be
// followed exactly.
struct TransitionSteps {
  std::function<void(int dx, int dy, int width, int height)> copy;
  std::function<void(DWORD milliseconds)> pause;
};

// Runs the effect of `code` over a view of width x height; codes outside 2..6 copy the
// whole view once.
void RunTransition(UINT code, WORD width, WORD height, const TransitionSteps& steps);

// Draws the view with the effect: every strip is a block copy from (sx + dx, sy + dy) of
// the screen copy to (x0 + dx, y0 + dy) of the paint context, with the platform's Sleep
// between groups of strips; the strips reach the context by each screen refresh that
// falls within the effect, and all of them by its end.
void DrawWithEffect(HDC dc, UINT code, HDC screenCopy, WORD width, WORD height, int x0, int y0,
                    int sx, int sy);

// The effect that follows `current` when "All Transitions" cycles: 2, 3, 4, 5, 6, 2, ...
UINT NextCycledEffect(UINT current);

// Where the shown picture lies in the screen copy: the view starts at (left, top), and the
// picture is width x height from the copy's origin.
struct PanSource {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// One step of a pan across a screen copy: the view at (x0, y0) in `dc` moves one pixel in
// `direction` (a PanDirection) and the row or column that comes in is copied from
// `screenCopy`; `nextRow` / `nextColumn` start at the view's height / width and move on.
// The pan runs to the picture's far edge. True when it has reached its end (also for a
// direction that does not pan).
bool PanViewOneStep(HDC dc, HDC screenCopy, int direction, int width, int height, int x0, int y0,
                    const PanSource& source, int& nextRow, int& nextColumn);
