#include "app/CentreWindow.h"

#include <gtest/gtest.h>

TEST(CentreRect, CentresAndKeepsInsideTheWorkArea) {
  const RECT work{0, 0, 1024, 738};
  struct Row {
    const char* name;
    int w, h;
    RECT over;
    int x, y;
  } rows[] = {
      {"centred", 200, 100, {100, 100, 500, 300}, 200, 150},
      {"odd difference", 201, 101, {0, 0, 400, 200}, 99, 49},
      {"negative difference truncates toward zero", 301, 101, {500, 500, 700, 600}, 450, 500},
      {"pulled to the left and top edges", 300, 200, {-400, -300, -100, -100}, 0, 0},
      {"pulled back from the right and bottom edges", 300, 200, {900, 600, 1100, 800}, 724, 538},
      {"left edge wins when the window is wider", 1200, 800, {0, 0, 1024, 738}, 0, 0},
      {"right edge can push a wide window left of the work area", 1200, 800, {100, 100, 1124, 838}, -176, -62},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    CentrePlacement p = CentreRect(r.w, r.h, r.over, work);
    EXPECT_EQ(r.x, p.x);
    EXPECT_EQ(r.y, p.y);
  }
}

TEST(CentreRect, WorkAreaWithOffset) {
  const RECT work{0, 30, 800, 600};  // a task bar at the top
  CentrePlacement p = CentreRect(100, 100, RECT{0, 0, 100, 40}, work);
  EXPECT_EQ(0, p.x);
  EXPECT_EQ(30, p.y);
}

TEST(CentreWindow, MovesARealWindowOverItsOwner) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExA(0, "STATIC", "child", WS_POPUP, 0, 0, 200, 100, owner, nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner && child);
  CentreWindow(child, owner);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(200, r.left);
  EXPECT_EQ(200, r.top);
  EXPECT_EQ(200, r.right - r.left) << "size unchanged";
  DestroyWindow(child);
  DestroyWindow(owner);
}
