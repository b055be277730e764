// The catalogue and selection line format, the loader and the lookup by description.
#include "catalogue/FileCatalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/TextMode.h"
#include "tests/unit/catalogue/TempDir.h"

namespace {

struct Row {
  std::string server, description, prefix;
  char frequency;
};

std::vector<Row> Parse(const std::string& bytes) {
  std::vector<FileType> table(kMaxFileTypes);
  TextModeReader reader(bytes.data(), bytes.size());
  int count = ReadFileTypes(reader, table.data(), kMaxFileTypes);
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back({table[i].ServerPath, table[i].Description, table[i].Prefix, table[i].Frequency});
  return rows;
}

void ExpectRow(const std::vector<Row>& rows, std::size_t i, const char* server, char frequency,
               const char* description, const char* prefix) {
  ASSERT_LT(i, rows.size());
  EXPECT_EQ(server, rows[i].server);
  EXPECT_EQ(frequency, rows[i].frequency);
  EXPECT_EQ(description, rows[i].description);
  EXPECT_EQ(prefix, rows[i].prefix);
}

TEST(CatalogueLines, FieldsAndSeparators) {
  const struct {
    const char* line;
    const char* server;
    char frequency;
    const char* description;
    const char* prefix;
  } cases[] = {
      {"/a,D,Desc,pfx", "/a", 'D', "Desc", "pfx"},
      {"/a,,D,Desc,pfx", "/a", 'D', "Desc", "pfx"},
      {",/a,D,Desc,pfx", "/a", 'D', "Desc", "pfx"},
      {",,,/a,,,D,,Desc,,,pfx,,,", "/a", 'D', "Desc", "pfx"},
      {"/x/,w,Weekly File,wk", "/x/", 'w', "Weekly File", "wk"},
      {"/x/,Weekly,Weekly File,wk", "/x/", 'W', "Weekly File", "wk"},
      {"/x/,D,Daily,dn,extra,fields", "/x/", 'D', "Daily", "dn"},
      {"/x/,D,Daily,dn ", "/x/", 'D', "Daily", "dn "},
      {"/a-z_0.9~!$&'()*+;=:%41/,D,Desc,pfx", "/a-z_0.9~!$&'()*+;=:%41/", 'D', "Desc", "pfx"},
      {"/x/,Q,Odd,oo", "/x/", 'Q', "Odd", "oo"},
      {"/x/,D,Daily,dn\r\n", "/x/", 'D', "Daily", "dn"},
      {"/x/,D,Daily,dn\tignored", "/x/", 'D', "Daily", "dn"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ExpectRow(Parse(c.line), 0, c.server, c.frequency, c.description, c.prefix);
  }
}

TEST(CatalogueLines, LinesThatAreNotRowsAreSkipped) {
  const std::string file =
      "# a comment,D,Desc,pfx\n"
      "\n"
      ",,,,\n"
      "/a/,D,Three fields\n"
      "/b/,D,Desc,\xE9tranger\n"         // cut at the byte of 128 and above: three fields left
      "/c/,D,Desc,this-prefix-is-too-long\n"  // a prefix of 23 characters does not fit
      "/d/,D,Kept,dd\r\n"
      "\r\n"
      "/e/,W,Last,ee";
  auto rows = Parse(file);
  ASSERT_EQ(2u, rows.size());
  ExpectRow(rows, 0, "/d/", 'D', "Kept", "dd");
  ExpectRow(rows, 1, "/e/", 'W', "Last", "ee");
}

TEST(CatalogueLines, ServerPathsThatCouldNameAnotherHostAreRefused) {
  // Through a proxy the path follows the server's name in the request line.
  for (const char* line : {".evil.example/x/,D,Desc,pfx", "@evil.example/x/,D,Desc,pfx", ":8080/x/,D,Desc,pfx",
                           "x/,D,Desc,pfx", " /x/,D,Desc,pfx", " #x,D,Desc,pfx", "/x y/,D,Desc,pfx",
                           "/x@evil/,D,Desc,pfx", "/x\\y/,D,Desc,pfx", "/x?y/,D,Desc,pfx", "/x#y/,D,Desc,pfx",
                           "/x\"y/,D,Desc,pfx", "/x<y>/,D,Desc,pfx"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(Parse(line).empty());
  }
}

TEST(CatalogueLines, HighBytesEndTheLine) {
  auto rows = Parse("/x/,D,Caf\xC3\xA9 prices,dn,more\n/y/,D,Desc,\x80pfx\n/z/,D,Ok\xFF,zz\n");
  EXPECT_TRUE(rows.empty());
  rows = Parse("/x/,D,Desc,pf\xA0x\n");
  ExpectRow(rows, 0, "/x/", 'D', "Desc", "pf");
}

TEST(CatalogueLines, AtMostThreeHundredRowsAndCommentsDoNotCount) {
  std::string file = "# heading\n";
  for (int i = 0; i < 301; ++i) file += "/p" + std::to_string(i) + "/,D,Type " + std::to_string(i) + ",p\n#\n";
  auto rows = Parse(file);
  ASSERT_EQ(300u, rows.size());
  EXPECT_EQ("Type 299", rows[299].description);
}

TEST(CatalogueLines, LongLinesAreReadInPieces) {
  // A row of 193 characters is read whole; a longer line goes on as the next piece.
  std::string desc(193 - 9, 'd');
  auto rows = Parse("/x/,D," + desc + ",pf\n/y/,D,Next,nn\n");
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ(desc, rows[0].description);
  const std::string tail = ",/t/,D,Tail,tt";
  rows = Parse(std::string(194, 'a') + tail + "\n");
  ASSERT_EQ(1u, rows.size());
  ExpectRow(rows, 0, "/t/", 'D', "Tail", "tt");
}

TEST(CatalogueLines, CtrlZEndsTheFile) {
  auto rows = Parse("/a/,D,A,aa\n\x1A/b/,D,B,bb\n");
  ASSERT_EQ(1u, rows.size());
}

TEST(LoadFileTypes, MissingEmptyAndCommentOnlyFiles) {
  TempDir dir;
  int count = -1;
  EXPECT_EQ(nullptr, LoadFileTypes(dir.File("missing.ini").c_str(), &count));
  EXPECT_EQ(0, count);
  dir.Write("empty.ini", "");
  auto table = LoadFileTypes(dir.File("empty.ini").c_str(), &count);
  EXPECT_NE(nullptr, table);
  EXPECT_EQ(0, count);
  dir.Write("comments.ini", "# one\n#two\r\n");
  table = LoadFileTypes(dir.File("comments.ini").c_str(), &count);
  EXPECT_NE(nullptr, table);
  EXPECT_EQ(0, count);
}

TEST(LoadFileTypes, ReadsRowsInFileOrderAndFindsTheFirstDescription) {
  TempDir dir;
  dir.Write("files.ini",
            "/tkvn/dn/data/,D,Daily DN File,dn\r\n/w/,W,Weekly,wk\r\n/dup/,D,Daily DN File,d2\r\n");
  int count = 0;
  auto table = LoadFileTypes(dir.File("files.ini").c_str(), &count);
  ASSERT_NE(nullptr, table);
  ASSERT_EQ(3, count);
  EXPECT_STREQ("/w/", table[1].ServerPath);
  const FileType* found = FindFileType(table.get(), count, "Daily DN File");
  ASSERT_NE(nullptr, found);
  EXPECT_STREQ("dn", found->Prefix);
  EXPECT_EQ(&table[1], FindFileType(table.get(), count, "Weekly"));
  EXPECT_EQ(nullptr, FindFileType(table.get(), count, "weekly"));
  EXPECT_EQ(nullptr, FindFileType(table.get(), count, "Weekly "));
  EXPECT_EQ(nullptr, FindFileType(table.get(), 0, "Weekly"));
}

}  // namespace
