// The text-mode rules of the rewrite, the names abc.def may list and the date index lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/DateIndex.h"
#include "files/ListedName.h"
#include "files/TextMode.h"
#include "tests/unit/catalogue/TempDir.h"

namespace {

std::string Rewrite(const std::string& bytes) {
  TempDir dir;
  dir.Write("in", bytes);
  std::FILE* in = std::fopen(dir.File("in").c_str(), "rb");
  std::FILE* out = std::fopen(dir.File("out").c_str(), "wb");
  EXPECT_TRUE(CopyAsText(in, out));
  std::fclose(in);
  std::fclose(out);
  return dir.Read("out");
}

TEST(TextRewrite, LineEndsBecomeCrLf) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"a\rb\r", "a\rb\r"},                        // lone CRs are kept
      {"a\r\r\nb", "a\r\r\nb"},
      {"\n\n", "\r\n\r\n"},
      {"mixed\r\nand\nend", "mixed\r\nand\r\nend"},
      {std::string("ab\x1A" "cd\n", 6), "ab"},      // Ctrl-Z ends the input
      {std::string("\x1A", 1), ""},
      {"a\r\x1A\n", "a\r"},
      {std::string("nul\0byte\n", 9), std::string("nul\0byte\r\n", 10)},
      {"\xFF\x80\n", "\xFF\x80\r\n"},
      {"", ""},
  };
  for (const auto& c : cases) {
    const std::string once = Rewrite(c.in);
    EXPECT_EQ(c.out, once) << c.in;
    EXPECT_EQ(once, Rewrite(once)) << "twice: " << c.in;
  }
}

TEST(TextReader, PiecesLikeATextModeLineRead) {
  const std::string bytes = "abcdef\r\nxy\n\nlast";
  TextModeReader reader(bytes.data(), bytes.size());
  std::vector<std::string> pieces;
  std::string piece;
  while (reader.ReadPiece(4, &piece)) pieces.push_back(piece);
  const std::vector<std::string> expected = {"abcd", "ef\n", "xy\n", "\n", "last"};
  EXPECT_EQ(expected, pieces);
}

TEST(TextReader, CutAtTheFirstControlOrHighByte) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"name.txt\n", "name.txt"}, {"a b\tc", "a b"},     {"abc\x7F" "d", "abc\x7F" "d"},
      {"caf\xC3\xA9", "caf"},     {"\x1F" "x", ""},      {std::string("a\0b", 3), "a"},
      {"plain", "plain"},
  };
  for (auto c : cases) {
    CutAtControl(&c.in);
    EXPECT_EQ(c.out, c.in);
  }
}

TEST(ListedNames, NamesThatStayInsideTheDataDirectory) {
  for (const char* name : {"x.txt", "sub\\x.txt", "sub/x.txt", "a..b.txt", "..x", "x..", ".\\x", "", "...x",
                           "console.txt", "com10", "lpt0.txt", "nul_x", "sub\\aux1"})
    EXPECT_TRUE(IsSafeListedName(name)) << name;
  for (const char* name : {"..\\..\\x.txt", "C:\\x", "C:x", "\\x", "/x", "\\\\server\\share\\x", "sub\\..\\..\\x",
                           "..", "sub\\..", "x.txt:stream", ".. \\x", "...\\x", "sub/../x", "CON", "con.txt",
                           "sub\\NUL", "Aux .txt", "com1", "LPT9.log", "prn\\x", "CONIN$", "sub\\conout$.txt", "Clock$"})
    EXPECT_FALSE(IsSafeListedName(name)) << name;
}

TEST(DateIndex, KeysAndOrderAcrossTheCentury) {
  EXPECT_EQ("20130105", DateIndexKey("05-01-13.DN"));
  EXPECT_EQ("19991231", DateIndexKey("31-12-99.DN"));
  EXPECT_EQ("20700101", DateIndexKey("01-01-70.DN"));
  EXPECT_EQ("19710101", DateIndexKey("01-01-71.DN"));
  EXPECT_EQ("20000000", DateIndexKey("a.DN"));  // no digits there: an entry of no meaning
  EXPECT_EQ("31-12-99\r\n02-01-13\r\n05-01-13\r\n",
            DateIndexText({DateIndexKey("05-01-13.DN"), DateIndexKey("31-12-99.DN"), DateIndexKey("02-01-13.DN")}));
  EXPECT_EQ("31-12-99\r\n01-01-00\r\n", DateIndexText({DateIndexKey("01-01-00.DN"), DateIndexKey("31-12-99.DN")}));
  EXPECT_EQ("", DateIndexText({}));
}

}  // namespace
