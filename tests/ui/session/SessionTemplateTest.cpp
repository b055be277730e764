// The templates DailyDnl and DownloadNotAvail as the user sees them: every control with its id,
// class, text and place, and the prompt's three ways out (and no other).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/MissingFilePrompt.h"
#include "app/MissingFilePromptRes.h"
#include "tests/ui/session/SessionFixture.h"

namespace {

struct Control {
  int id;
  const char* cls;
  const char* text;
  RECT units;  // left, top, right, bottom in dialog units
};

// The control's place and size, read back in pixels, against dialog units {x, y, width, height}:
// the dialog converts each of the four on its own, as MapDialogRect does.
bool SameRect(HWND dialog, HWND control, RECT units) {
  MapDialogRect(dialog, &units);
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r.left == units.left && r.top == units.top && r.right - r.left == units.right &&
         r.bottom - r.top == units.bottom;
}

std::string ClassOf(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

void ExpectControls(HWND dialog, const std::vector<Control>& controls) {
  for (const Control& c : controls) {
    HWND w = GetDlgItem(dialog, c.id);
    ASSERT_NE(nullptr, w) << c.id;
    EXPECT_STRCASEEQ(c.cls, ClassOf(w).c_str()) << c.id;
    EXPECT_EQ(c.text, ui::WindowText(w)) << c.id;
    EXPECT_TRUE(SameRect(dialog, w, c.units)) << c.id;
  }
}

RECT Units(int x, int y, int w, int h) { return RECT{x, y, w, h}; }

TEST_F(SessionTest, DailyDnlHoldsItsControlsWhereTheyBelong) {
  Run([&](HWND d) {
    ExpectControls(d, {{112, "Button", "&Configure", Units(7, 6, 50, 14)},
                       {131, "Button", "&Files", Units(63, 6, 50, 14)},
                       {111, "Button", "&Download", Units(118, 6, 50, 14)},
                       {134, "Button", "About", Units(205, 6, 50, 14)},
                       {2, "Button", "E&xit", Units(260, 6, 50, 14)},
                       {1014, "ListBox", "", Units(7, 41, 303, 119)},
                       {130, "Static", "Idle", Units(7, 164, 160, 8)},
                       {129, "Static", "", Units(178, 164, 132, 8)},
                       {128, PROGRESS_CLASSA, "", Units(7, 178, 303, 14)}});
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetDlgItem(d, 111), GWL_STYLE) & BS_TYPEMASK);
    HWND messages = GetDlgItem(d, 1014);
    LONG list = GetWindowLongA(messages, GWL_STYLE);
    EXPECT_TRUE(list & LBS_NOSEL);
    EXPECT_FALSE(list & LBS_SORT);
    EXPECT_TRUE((list & WS_BORDER) || (GetWindowLongA(messages, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    // Lines stay in the order they come, and a long list gets its scroll bar.
    for (int i = 0; i < 30; ++i)
      SendMessageA(messages, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(i % 2 ? "b" : "a"));
    EXPECT_EQ("a", ui::ListLines(d, 1014)[0]);
    EXPECT_EQ("b", ui::ListLines(d, 1014)[1]);
    EXPECT_TRUE(GetWindowLongA(messages, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(SS_RIGHT, GetWindowLongA(GetDlgItem(d, 129), GWL_STYLE) & SS_TYPEMASK);
    EXPECT_TRUE(GetWindowLongA(d, GWL_STYLE) & WS_SYSMENU);
    // The label of the list, found by its text.
    HWND label = FindWindowExA(d, nullptr, "Static", "Daily Message");
    ASSERT_NE(nullptr, label);
    EXPECT_TRUE(SameRect(d, label, Units(7, 31, 47, 8)));
    RECT client;
    GetClientRect(d, &client);
    RECT size = {0, 0, 317, 201};
    MapDialogRect(d, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);
    // About opens the About box over the dialog, whose OK ends it.
    ui::Click(d, IDC_SESSION_ABOUT);
    HWND about = ui::WaitForWindow("About");
    EXPECT_EQ(d, GetWindow(about, GW_OWNER));
    ui::Click(about, IDOK);
    ui::WaitForWindowGone(about);
    ui::Click(d, IDC_SESSION_EXIT);
  });
}

class PromptTest : public SessionTest {
 protected:
  INT_PTR RunPrompt(const std::function<void(HWND)>& driver) {
    INT_PTR result = -7;
    ui::DriveModal([&] { result = RunMissingFilePrompt(owner, "/tkvn/dn/data/24-12-03.lzh"); },
                   [&] { driver(ui::WaitForWindow("File: /tkvn/dn/data/24-12-03.lzh")); });
    return result;
  }
};

TEST_F(PromptTest, ShowsTheTenLinesAndThreeButtonsUnderTheServerPath) {
  INT_PTR result = RunPrompt([&](HWND p) {
    const char* lines[] = {"The file which you have requested is not available",
                           "on the server. This could be caused by one of the",
                           "following problems:",
                           "* The file has not yet been made available",
                           "* There was no trading on the requested date",
                           "* A general network error occured",
                           "You can either wait for 10 minutes and then try again,",
                           "abort the download or skip the day completely.",
                           "If you choose to skip the day, be aware that this may",
                           "lead to missing data in your database."};
    int top = -1;
    for (const char* line : lines) {
      HWND w = FindWindowExA(p, nullptr, "Static", line);
      ASSERT_NE(nullptr, w) << line;
      RECT r;
      GetWindowRect(w, &r);
      EXPECT_GT(r.top, top) << line << " comes below the line before";
      top = r.top;
    }
    ExpectControls(p, {{209, "Button", "&Try Again", Units(13, 127, 50, 14)},
                       {207, "Button", "&Skip", Units(67, 127, 50, 14)},
                       {208, "Button", "&Abort", Units(121, 127, 50, 14)}});
    for (int id : {207, 208, 209})
      EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(GetDlgItem(p, id), GWL_STYLE) & BS_TYPEMASK) << id;
    RECT size = {0, 0, 183, 148}, client;
    MapDialogRect(p, &size);
    GetClientRect(p, &client);
    EXPECT_EQ(size.right, client.right);
    // Escape, Enter and the close box do not end it.
    ui::PressKey(p, VK_ESCAPE);
    ui::PressKey(p, VK_RETURN);
    ui::CloseBox(p);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(p));
    ui::Click(p, IDC_PROMPT_SKIP);
  });
  EXPECT_EQ(IDC_PROMPT_SKIP, result);
}

TEST_F(PromptTest, EachButtonEndsItWithItsOwnId) {
  for (int id : {IDC_PROMPT_TRY_AGAIN, IDC_PROMPT_ABORT}) {
    EXPECT_EQ(id, RunPrompt([&](HWND p) { ui::Click(p, id); }));
  }
}

}  // namespace
