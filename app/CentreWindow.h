// Every dialog calls CentreWindow in its opening message with its owner window, so that it
// appears centred over the owner and inside the work area.
#pragma once

#include <windows.h>

struct CentrePlacement {
  int x;
  int y;
};

// The arithmetic alone: a window of size w x h centred over the rectangle `over`, pulled back
// inside `work` (left edge first, so a window wider than the work area ends up left of it).
CentrePlacement CentreRect(int w, int h, const RECT& over, const RECT& work);

void CentreWindow(HWND window, HWND over);
