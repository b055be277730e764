// The GetDnlDates template as the resources hold it: caption, font, size, and every control's
// class, text, id, place, style and tab order.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue/DatesDialogRes.h"

namespace {

struct Control {
  WORD classAtom;  // 0x80 button, 0x81 edit, 0x82 static
  std::string text;
  int id;
  short x, y, cx, cy;
  DWORD style;
};

struct Template {
  DWORD style;
  short cx, cy;
  std::string caption;
  WORD pointSize;
  std::string font;
  std::vector<Control> controls;
};

// Reads a string or ordinal of a template; ordinals come back as "#n".
std::string ReadText(const WORD*& p) {
  if (*p == 0xFFFF) {
    std::string ordinal = "#" + std::to_string(p[1]);
    p += 2;
    return ordinal;
  }
  std::string text;
  while (*p) text += static_cast<char>(*p++);
  ++p;
  return text;
}

const WORD* AlignToDword(const WORD* p) {
  return reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t{3});
}

Template LoadTemplate(const char* name) {
  Template t{};
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
  if (!resource) return t;
  const auto* header = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, resource)));
  t.style = header->style;
  t.cx = header->cx;
  t.cy = header->cy;
  const WORD* p = reinterpret_cast<const WORD*>(header + 1);
  ReadText(p);  // menu
  ReadText(p);  // class
  t.caption = ReadText(p);
  if (t.style & DS_SETFONT) {
    t.pointSize = *p++;
    t.font = ReadText(p);
  }
  for (int i = 0; i < header->cdit; ++i) {
    p = AlignToDword(p);
    const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
    Control c{};
    c.style = item->style;
    c.x = item->x, c.y = item->y, c.cx = item->cx, c.cy = item->cy;
    c.id = static_cast<short>(item->id);
    p = reinterpret_cast<const WORD*>(item + 1);
    if (*p == 0xFFFF) {
      c.classAtom = p[1];
      p += 2;
    } else {
      ReadText(p);
    }
    c.text = ReadText(p);
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
    t.controls.push_back(c);
  }
  return t;
}

TEST(DatesTemplate, FrameCaptionFontAndSize) {
  const Template t = LoadTemplate("GetDnlDates");
  EXPECT_EQ("Download Dates", t.caption);
  EXPECT_EQ(8, t.pointSize);
  EXPECT_EQ("MS Sans Serif", t.font);
  EXPECT_EQ(199, t.cx);
  EXPECT_EQ(78, t.cy);
  const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  EXPECT_EQ(frame, t.style & frame);
}

TEST(DatesTemplate, ControlsInTabOrder) {
  const WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;
  const Control expected[] = {
      {kStatic, "Please enter the start and end", -1, 7, 7, 104, 8, 0},
      {kStatic, "dates which you wish to download", -1, 7, 15, 128, 8, 0},
      {kStatic, "in the boxes below.", -1, 7, 24, 77, 8, 0},
      {kStatic, "Start Date", -1, 7, 43, 31, 8, 0},
      {kEdit, "", IDC_START_DATE, 45, 40, 51, 14, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
      {kStatic, "End Date", -1, 7, 62, 29, 8, 0},
      {kEdit, "", IDC_END_DATE, 45, 59, 51, 14, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
      {kButton, "OK", IDOK, 142, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
      {kButton, "Cancel", IDCANCEL, 142, 24, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
      {kButton, "ASCII Update", IDC_ASCII_UPDATE, 132, 51, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
      {kButton, "Clean Up Files", IDC_CLEAN_UP, 132, 64, 60, 9, BS_AUTOCHECKBOX | WS_TABSTOP},
  };
  const Template t = LoadTemplate("GetDnlDates");
  ASSERT_EQ(std::size(expected), t.controls.size());
  for (std::size_t i = 0; i < t.controls.size(); ++i) {
    const Control& want = expected[i];
    const Control& got = t.controls[i];
    SCOPED_TRACE(want.text + " / " + std::to_string(want.id));
    EXPECT_EQ(want.classAtom, got.classAtom);
    EXPECT_EQ(want.text, got.text);
    EXPECT_EQ(want.id, got.id);
    EXPECT_EQ(want.x, got.x);
    EXPECT_EQ(want.y, got.y);
    EXPECT_EQ(want.cx, got.cx);
    EXPECT_EQ(want.cy, got.cy);
    EXPECT_EQ(want.style, got.style & want.style);
    // Only the two edits, the two buttons and the two check boxes are tab stops.
    EXPECT_EQ(want.style & WS_TABSTOP, got.style & WS_TABSTOP);
    // The kind of button, and of static: the labels are plain left-aligned text (SS_LEFT is 0).
    if (want.classAtom == kButton) {
      EXPECT_EQ(want.style & 0xF, got.style & 0xF);
    } else if (want.classAtom == kStatic) {
      EXPECT_EQ(static_cast<DWORD>(SS_LEFT), got.style & SS_TYPEMASK);
    }
  }
}

}  // namespace
