#pragma once
// The About page's logo (409 x 76 pixels): the product name in a framed band.
#include "platform/gdi.h"

void PaintLogo(HDC dc, int width, int height);
