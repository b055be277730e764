#include "app/CentreWindow.h"

namespace {

int Place(int origin, int extent, int size, int low, int high) {
  int pos = origin + (extent - size) / 2;
  if (pos < low) return low;
  if (pos + size > high) return high - size;
  return pos;
}

}  // namespace

CentrePlacement CentreRect(int w, int h, const RECT& over, const RECT& work) {
  return {Place(over.left, over.right - over.left, w, work.left, work.right),
          Place(over.top, over.bottom - over.top, h, work.top, work.bottom)};
}

void CentreWindow(HWND window, HWND over) {
  RECT self{}, other{};
  GetWindowRect(window, &self);
  GetWindowRect(over, &other);
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
    work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  CentrePlacement p = CentreRect(self.right - self.left, self.bottom - self.top, other, work);
  SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
