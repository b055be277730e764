// The flat name a member is extracted under: the last component of its stored path, or refused.
#include <gtest/gtest.h>

#include "files/lha/FlatName.h"

namespace {

struct NameCase {
  const char* stored;
  const char* flat;  // null: refused
};

TEST(FlatName, TakesTheLastComponentOrRefuses) {
  const NameCase cases[] = {
      {"prices.csv", "prices.csv"},
      {"dir\\file.txt", "file.txt"},
      {"dir/sub/file.txt", "file.txt"},
      {"dir\xFFsub\xFF" "file.txt", "file.txt"},
      {"..\\..\\up.txt", "up.txt"},
      {"foo/../../evil2.txt", "evil2.txt"},
      {"/etc/passwd", "passwd"},
      {"\\abs\\root.txt", "root.txt"},
      {"C:\\Windows\\win.ini", "win.ini"},
      {"C:evil.txt", nullptr},
      {"", nullptr},
      {".", nullptr},
      {"..", nullptr},
      {"dir\\..", nullptr},
      {"dir\\", nullptr},
      {"dir/.", nullptr},
      {"CON", nullptr},
      {"con.txt", nullptr},
      {"Nul", nullptr},
      {"aux .txt", nullptr},
      {"COM1.log", nullptr},
      {"lpt9", nullptr},
      {"CONIN$", nullptr},
      {"clock$", nullptr},
      {"COM0", "COM0"},
      {"COM10", "COM10"},
      {"console.txt", "console.txt"},
      {"nullable.csv", "nullable.csv"},
      {"dot.", nullptr},
      {"space ", nullptr},
      {"ctl\x01.txt", nullptr},
      {"tab\t", nullptr},
      {"esc\x1b]2;x\x07", nullptr},
      {"del\x7f", nullptr},
      {"a*b", nullptr},
      {"a?b", nullptr},
      {"a\"b", nullptr},
      {"a<b", nullptr},
      {"a>b", nullptr},
      {"foo.txt|bar.txt", nullptr},
      // Shift-JIS: 0x95 0x5C is one character whose trail byte is "\".
      {"\x95\x5c.txt", "\x95\x5c.txt"},
      {"dir\\\x95\x5c", "\x95\x5c"},
      {"\x95\x5c\\x.txt", "x.txt"},
      {"\x83\x5c\x83\x74\x83\x67.csv", "\x83\x5c\x83\x74\x83\x67.csv"},
      {"\x81\x40", "\x81\x40"},       // full-width space, not a trailing space
      {"\xb1\xb2.txt", "\xb1\xb2.txt"},  // half-width katakana, single bytes
      {"abc\x95", "abc\x95"},         // a lead byte at the end stands alone
      {"\x95/x.txt", "x.txt"},        // "/" is no trail byte: it separates
  };
  for (const NameCase& c : cases) {
    std::string flat = "unchanged";
    const bool ok = lha::FlatName(c.stored, &flat);
    if (c.flat) {
      EXPECT_TRUE(ok) << '"' << c.stored << '"';
      EXPECT_EQ(flat, c.flat) << '"' << c.stored << '"';
    } else {
      EXPECT_FALSE(ok) << '"' << c.stored << "\" gave \"" << flat << '"';
    }
  }
}

// Program files are passed over by extraction; data files of every kind the vendor sends are not.
TEST(FlatName, ProgramFilesAreKnownByTheirExtension) {
  const struct {
    const char* flat;
    bool program;
  } cases[] = {
      {"ascii_update.bat", true}, {"FIXFILES.BAT", true}, {"setup.Exe", true},
      {"run.cmd", true},          {"a.com", true},         {"x.pif", true},
      {"s.scr", true},            {"j.js", true},          {"v.vbs", true},
      {"w.wsf", true},            {"p.ps1", true},         {"l.lnk", true},
      {"lib.dll", true},          {"i.msi", true},         {"h.hta", true},
      {"c.cpl", true},            {"r.reg", true},         {"u.url", true},
      {"data.csv.exe", true},     {"24-01-02.DN", false},  {"prices.csv", false},
      {"holiday.txt", false},     {"date", false},         {"bat", false},
      {"x.bat2", false},          {"xbat", false},         {"x.exe.csv", false},
  };
  for (const auto& c : cases) EXPECT_EQ(lha::IsProgramFileName(c.flat), c.program) << c.flat;
}

}  // namespace
