// The download list's storage and cursor, archive names and the holiday file.
#include "catalogue/DownloadItems.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/catalogue/TempDir.h"

namespace {

TEST(ArchiveName, TwoDigitYearMonthDay) {
  EXPECT_EQ("13-09-24", ArchiveName(20130924));
  EXPECT_EQ("09-01-05", ArchiveName(20090105));
  EXPECT_EQ("99-12-31", ArchiveName(19991231));
  EXPECT_EQ("00-01-01", ArchiveName(20000101));
  EXPECT_EQ("", ArchiveName(0));
}

TEST(DownloadListCursor, AppendsInOrderAndRewinds) {
  ClearDownloadList();
  RewindDownloadList();
  EXPECT_EQ(nullptr, NextDownloadItem());
  ASSERT_EQ(1, AddDownloadItem("/a/13-09-24.lzh", "c:\\tkvn\\dn\\13-09-24.lzh", 20130924));
  ASSERT_EQ(1, AddDownloadItem("/w/13-09-28.lzh", "c:\\tkvn\\wk\\13-09-28.lzh", -1));
  EXPECT_EQ(2, DownloadItemCount());
  RewindDownloadList();
  const DownloadItem* first = NextDownloadItem();
  ASSERT_NE(nullptr, first);
  EXPECT_STREQ("/a/13-09-24.lzh", first->ServerPath);
  EXPECT_STREQ("c:\\tkvn\\dn\\13-09-24.lzh", first->LocalPath);
  EXPECT_EQ(20130924, first->Date);
  const DownloadItem* second = NextDownloadItem();
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(-1, second->Date);
  EXPECT_EQ(nullptr, NextDownloadItem());
  EXPECT_EQ(nullptr, NextDownloadItem());
  RewindDownloadList();
  EXPECT_EQ(20130924, NextDownloadItem()->Date);

  // Clearing empties the list but leaves the cursor where it was.
  ClearDownloadList();
  EXPECT_EQ(0, DownloadItemCount());
  ASSERT_EQ(1, AddDownloadItem("/a/x.lzh", "x", 1));
  ASSERT_EQ(1, AddDownloadItem("/a/y.lzh", "y", 2));
  EXPECT_EQ(2, NextDownloadItem()->Date);
  ClearDownloadList();
}

TEST(DownloadListCursor, RefusesTextsThatDoNotFit) {
  ClearDownloadList();
  EXPECT_EQ(0, AddDownloadItem(std::string(200, 's').c_str(), "local", 1));
  EXPECT_EQ(0, AddDownloadItem("server", std::string(260, 'l').c_str(), 1));
  EXPECT_EQ(0, DownloadItemCount());
  EXPECT_EQ(1, AddDownloadItem(std::string(199, 's').c_str(), std::string(259, 'l').c_str(), 1));
  ClearDownloadList();
}

TEST(Holidays, WholeLinesOnly) {
  TempDir dir;
  const struct {
    std::string file;
    bool holiday;
  } cases[] = {
      {"20130924\r\n", true},
      {"20130924\n", true},
      {"20130101\r\n20130924", true},     // last line without a line end
      {"20130924 \r\n", false},           // trailing space
      {" 20130924\r\n", false},
      {"2013092\r\n", false},
      {"201309245\r\n", false},
      {"", false},
      {"20130101\x1A" "20130924\r\n", false},  // Ctrl-Z ends the file
      {"20130924\xA0 note\r\n", true},    // cut at the high byte
      {std::string(kHolidayListLimit - 9, '\n') + "20130924\n", true},
      {std::string(kHolidayListLimit, '\n') + "20130924\n", false},  // past the read limit
  };
  for (const auto& c : cases) {
    dir.Write("holiday.txt", c.file);
    EXPECT_EQ(c.holiday ? 1 : 0, IsHoliday(dir.File("holiday.txt").c_str(), "20130924")) << c.file.substr(0, 40);
  }
  EXPECT_EQ(0, IsHoliday(dir.File("none.txt").c_str(), "20130924"));
}

}  // namespace
