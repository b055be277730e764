// The flat name a member is extracted under: the last component of its stored path, or refused.
#include <gtest/gtest.h>

#include "files/FileNameRules.h"
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
      {"COM\xb9", nullptr},             // COM with a superscript one, in the Western code page
      {"lpt\xb3.txt", nullptr},
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
      // A lead byte without its trail: a conversion may drop it ("ascii_update.bat" + 0x95).
      {"ascii_update.bat\x95", nullptr},
      {"abc\x95.txt", nullptr},
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

// Program files and the program's own files are passed over by extraction; data files of every
// kind the vendor sends are not. Names as bytes and as wide characters meet the same rules.
TEST(FileNameKind, ProgramAndControlFilesAreKnownByName) {
  const FileNameKind P = FileNameKind::kProgram, C = FileNameKind::kControl, D = FileNameKind::kData;
  const std::pair<const char*, FileNameKind> cases[] = {
      {"ascii_update.bat", P}, {"FIXFILES.BAT", P}, {"setup.Exe", P}, {"run.cmd", P}, {"a.com", P},
      {"x.pif", P}, {"s.scr", P}, {"j.js", P}, {"v.vbs", P}, {"w.wsf", P}, {"p.ps1", P}, {"l.lnk", P},
      {"lib.dll", P}, {"i.msi", P}, {"h.hta", P}, {"c.cpl", P}, {"r.reg", P}, {"u.url", P}, {"data.csv.exe", P},
      {"x.manifest", P}, {"a.exe.config", P}, {"a.library-ms", P}, {"a.searchConnector-ms", P}, {"a.theme", P},
      {"a.website", P}, {"Desktop.INI", P}, {"files.use", C}, {"FILES.INI", C}, {"holiday.txt", C},
      {"abc.def", C}, {"Message.txt", C}, {"date", C}, {"24-01-02.DN", D}, {"prices.csv", D}, {"names.txt", D},
      {"date.txt", D}, {"bat", D}, {"x.bat2", D}, {"xbat", D}, {"x.exe.csv", D}, {"my.ini", D},
  };
  for (const auto& [name, kind] : cases) {
    EXPECT_EQ(KindOfFileName(std::string(name)), kind) << name;
    EXPECT_EQ(KindOfFileName(std::wstring(name, name + std::string(name).size())), kind) << name;
  }
  // Wide names as the system converted them: superscript digits, and a "\" no longer a trail byte.
  for (const wchar_t* name : {L"COM\u00b9.txt", L"lpt\u00b2", L"\u8868\\x.txt"})
    EXPECT_EQ(KindOfFileName(std::wstring(name)), FileNameKind::kUnusable);
  EXPECT_EQ(KindOfFileName(std::wstring(L"\u8868.txt")), D);
}

}  // namespace
