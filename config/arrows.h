#pragma once
// The two arrows between the Edit Sets page's lists (21 x 23 pixels on pure green, which
// the page turns into its own colour): down beside Remove (a picture goes down into the
// removed list), up beside Add.
#include "platform/gdi.h"

void PaintDownArrow(HDC dc, int width, int height);
void PaintUpArrow(HDC dc, int width, int height);
