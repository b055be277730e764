// How the session reads message.txt, result.txt and procdate.txt: pieces of a fixed length, cut at
// the first control byte or byte from 0x80 up, "<PRE>" alone left out.
#include "app/TextPieces.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes) {
  std::string path = ::testing::TempDir() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

TEST(TextPieces, CutsAtControlAndHighBytes) {
  EXPECT_EQ("abc", CutAtControl("abc\n"));
  EXPECT_EQ("abc", CutAtControl("abc\r\n"));
  EXPECT_EQ("ab", CutAtControl("ab\tc"));
  EXPECT_EQ("Caf", CutAtControl("Caf\xE9 latte"));
  EXPECT_EQ("", CutAtControl("\x80rest"));
  EXPECT_EQ(" keep  spaces ", CutAtControl(" keep  spaces \n"));
}

TEST(TextPieces, LeavesOutOnlyAnExactPreTag) {
  std::string path = WriteTemp("pieces-pre.txt", "<PRE>\n <PRE>\n<pre>\n<PRE> x\n\n</PRE>\n<PRE>");
  EXPECT_EQ((std::vector<std::string>{" <PRE>", "<pre>", "<PRE> x", "", "</PRE>"}), ReadShownPieces(path, 189));
}

TEST(TextPieces, ALongLineArrivesInPiecesOfTheGivenLength) {
  std::string line(400, 'x');
  std::string path = WriteTemp("pieces-long.txt", line + "\nend\n");
  std::vector<std::string> pieces = ReadShownPieces(path, 189);
  ASSERT_EQ(4u, pieces.size());
  EXPECT_EQ(std::string(189, 'x'), pieces[0]);
  EXPECT_EQ(std::string(189, 'x'), pieces[1]);
  EXPECT_EQ(std::string(22, 'x'), pieces[2]);
  EXPECT_EQ("end", pieces[3]);
}

TEST(TextPieces, RawPiecesKeepTheirLineEnds) {
  std::string path = WriteTemp("pieces-raw.txt", "one\ntwo\nlast");
  EXPECT_EQ((std::vector<std::string>{"one\n", "two\n", "last"}), ReadRawPieces(path, 999));
  std::string big(1500, 'y');
  EXPECT_EQ(999u, ReadRawPieces(WriteTemp("pieces-big.txt", big), 999)[0].size());
  // Short lines with LF alone, more of them than the first line's length: all are read.
  bool cut = true;
  EXPECT_EQ(11u, ReadRawPieces(WriteTemp("pieces-lf.txt", "<PRE>\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n"), 999, &cut).size());
  EXPECT_FALSE(cut);
}

TEST(TextPieces, AProgressPieceShowsOnceWholeOrWhenTheWriterHasEnded) {
  struct Row {
    std::string piece;
    bool ended, ready;
  } rows[] = {{"step\n", false, true}, {"ste", false, false}, {"ste", true, true},
              {std::string(999, 'z'), false, true}, {"", false, false}, {"", true, false}};
  for (const Row& row : rows) EXPECT_EQ(row.ready, ProgressPieceReady(row.piece, 999, row.ended)) << row.piece;
}

TEST(TextPieces, AMissingFileGivesNothing) {
  EXPECT_TRUE(ReadShownPieces(::testing::TempDir() + "no-such-file.txt", 189).empty());
  EXPECT_TRUE(ReadRawPieces(::testing::TempDir() + "no-such-file.txt", 999).empty());
}

}  // namespace
