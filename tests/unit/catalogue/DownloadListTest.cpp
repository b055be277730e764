// Building the download list from files.use and a range of dates, on real directories, with the
// registry faked and the clock fixed; message boxes are read and answered as a user would.
#include "catalogue/DownloadList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ProgramState.h"
#include "catalogue/DateHelpers.h"
#include "tests/unit/catalogue/AnswerBoxes.h"
#include "tests/unit/catalogue/FakeRegistry.h"
#include "tests/unit/catalogue/TempDir.h"

namespace {

struct Item {
  std::string server, local;
  int32_t date;
  bool operator==(const Item& o) const { return server == o.server && local == o.local && date == o.date; }
};

std::vector<Item> Items() {
  std::vector<Item> items;
  RewindDownloadList();
  while (const DownloadItem* item = NextDownloadItem()) items.push_back({item->ServerPath, item->LocalPath, item->Date});
  return items;
}

std::vector<int32_t> Dates() {
  std::vector<int32_t> dates;
  for (const Item& item : Items()) dates.push_back(item.date);
  return dates;
}

FileType Type(const char* server, char frequency, const char* prefix) {
  FileType type{};
  std::snprintf(type.ServerPath, sizeof type.ServerPath, "%s", server);
  type.Frequency = frequency;
  std::snprintf(type.Description, sizeof type.Description, "%s", "Test type");
  std::snprintf(type.Prefix, sizeof type.Prefix, "%s", prefix);
  return type;
}

bool PutFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  return std::fclose(f) == 0;
}

// Wednesday 25 September 2013 at 20:00, after the download time.
LocalDateTime WednesdayEvening() { return {2013, 9, 25, 20, 0, 0}; }

class DownloadList : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateWindowExA(0, "STATIC", "Session", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    g_sessionWindow = owner;
    g_automaticMode = 1;
    SetLocalClock(WednesdayEvening);
    registry.PutSettings(dir.Path());
    ClearDownloadList();
  }
  void TearDown() override {
    ClearDownloadList();
    SetLocalClock(nullptr);
    g_automaticMode = 0;
    g_sessionWindow = nullptr;
    DestroyWindow(owner);
  }

  std::vector<int32_t> Daily(int32_t start, int32_t end) {
    ClearDownloadList();
    EXPECT_EQ(1, AddDailyItems({start, end, 0, 0}, Type("/d/", 'D', "dn"), dir.Path().c_str()));
    return Dates();
  }
  std::vector<std::string> Weekly(int32_t start, int32_t end) {
    ClearDownloadList();
    EXPECT_EQ(1, AddWeeklyItems({start, end, 0, 0}, Type("/w/", 'W', "wk"), dir.Path().c_str()));
    std::vector<std::string> names;
    for (const Item& item : Items()) {
      EXPECT_EQ(-1, item.date);
      names.push_back(item.server);
    }
    return names;
  }
  std::vector<std::string> WeeklyServerPaths() {
    std::vector<std::string> paths;
    for (const Item& item : Items())
      if (item.date == -1) paths.push_back(item.server);
    return paths;
  }
  int Build() {
    int result = 99;
    boxes = AnswerEveryBox([&] { result = BuildDownloadList(owner); });
    return result;
  }

  TempDir dir;
  FakeRegistry registry;
  HWND owner = nullptr;
  std::vector<ShownBox> boxes;
};

using Dates_ = std::vector<int32_t>;
using Names = std::vector<std::string>;

TEST_F(DownloadList, DailyItemsAreWeekdaysOfTheRange) {
  EXPECT_EQ(Dates_{}, Daily(20130928, 20130929));                  // Saturday to Sunday
  EXPECT_EQ(Dates_{20130923}, Daily(20130922, 20130923));          // Sunday to Monday
  EXPECT_EQ(Dates_{20130924}, Daily(20130924, 20130924));          // one weekday
  EXPECT_EQ((Dates_{20130927, 20130930, 20131001}), Daily(20130927, 20131001));
  EXPECT_EQ(Dates_{}, Daily(20130925, 20130924));                  // reversed
  EXPECT_EQ(Dates_{}, Daily(0, 0));                                // no dates at all
  EXPECT_EQ(261u, Daily(20130101, 20131231).size());  // 2013 began and ended on a Tuesday
}

TEST_F(DownloadList, WeeklyItemsAreSaturdays) {
  EXPECT_EQ(Names{"/w/13-09-28.lzh"}, Weekly(20130928, 20130929));
  EXPECT_EQ(Names{}, Weekly(20130923, 20130927));                  // Monday to Friday
  EXPECT_EQ((Names{"/w/13-09-28.lzh", "/w/13-10-05.lzh"}), Weekly(20130924, 20131005));
  EXPECT_EQ(Names{}, Weekly(0, 0));
}

TEST_F(DownloadList, HolidaysSkipDailyItemsOnly) {
  dir.Write("holiday.txt", "20130101\r\n20130924\r\n20130928\r\n20130926");
  EXPECT_EQ((Dates_{20130923, 20130925, 20130927}), Daily(20130923, 20130928));
  EXPECT_EQ(Names{"/w/13-09-28.lzh"}, Weekly(20130923, 20130928));
  dir.Write("holiday.txt", "20130924 \r\n");
  EXPECT_EQ((Dates_{20130923, 20130924}), Daily(20130923, 20130924));
}

TEST_F(DownloadList, PathsOfAnItemAndTheSubdirectory) {
  ClearDownloadList();
  ASSERT_EQ(1, AddDailyItems({20090105, 20090105, 0, 0}, Type("/tkvn/dn/data/", 'D', "dn"), dir.Path().c_str()));
  EXPECT_EQ((std::vector<Item>{{"/tkvn/dn/data/09-01-05.lzh", dir.Path() + "\\dn\\09-01-05.lzh", 20090105}}), Items());
  // Made even when the range gives the type no item.
  ASSERT_EQ(1, AddWeeklyItems({20090105, 20090106, 0, 0}, Type("/w/", 'W', "weekly"), dir.Path().c_str()));
  EXPECT_TRUE(dir.Exists("weekly"));
  EXPECT_TRUE(dir.Exists("dn"));
}

TEST_F(DownloadList, FirstBuildCreatesTheDefaultSelection) {
  registry.PutInt("DownloadInfo", 20130923);
  ASSERT_EQ(1, Build());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ("/tkvn/dn/data/,D,Daily DN File,dn", dir.Read("files.use"));
  EXPECT_TRUE(dir.Exists("dn"));
  EXPECT_EQ((std::vector<Item>{{"/tkvn/dn/data/13-09-24.lzh", dir.Path() + "\\dn\\13-09-24.lzh", 20130924},
                               {"/tkvn/dn/data/13-09-25.lzh", dir.Path() + "\\dn\\13-09-25.lzh", 20130925}}),
            Items());
}

TEST_F(DownloadList, AnEmptySelectionIsReplacedByTheDefault) {
  dir.Write("files.use", "");
  registry.PutInt("DownloadInfo", 20130924);
  ASSERT_EQ(1, Build());
  EXPECT_EQ("/tkvn/dn/data/,D,Daily DN File,dn", dir.Read("files.use"));
  EXPECT_EQ(Dates_{20130925}, Dates());
}

// The default goes in whole or not at all: a selection held open by another program stays as it was.
TEST_F(DownloadList, ASelectionThatCannotBeReplacedStaysAndIsReported) {
  dir.Write("files.use", "");
  HANDLE held = CreateFileA(dir.File("files.use").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, Build());
  CloseHandle(held);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Unable to create download list file", boxes[0].text);
  EXPECT_EQ("", dir.Read("files.use"));
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_EQ("files.use", entry.path().filename().string());  // no temporary left behind
}

TEST_F(DownloadList, RowsInSelectionOrderAndOneMessageForUnknownFrequencies) {
  dir.Write("files.use", "/d/,D,Daily,dn\n/x/,X,Odd,xx\n/w/,w,Weekly,wk\n/q/,Q,Odder,qq\n");
  registry.PutInt("DownloadInfo", 20130920);  // Friday: the range is 23 to 25 September
  ASSERT_EQ(1, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ("Unknown frequency field in files.ini file.", boxes[0].text);
  EXPECT_EQ(owner, boxes[0].owner);
  // The weekly type reaches back to the last date: the Saturday between is fetched once.
  EXPECT_EQ((Dates_{20130923, 20130924, 20130925, -1}), Dates());
  EXPECT_FALSE(dir.Exists("xx"));

  registry.PutInt("DownloadInfo", 20130913);  // the range now holds Saturday 21 September
  ASSERT_EQ(1, Build());
  EXPECT_EQ((Names{"/w/13-09-14.lzh", "/w/13-09-21.lzh"}), WeeklyServerPaths());

  // An unattended run goes back to no week that an earlier session fetched and extracted.
  registry.PutInt("DownloadWeekly", 20130914);
  ASSERT_EQ(1, Build());
  EXPECT_EQ(Names{"/w/13-09-21.lzh"}, WeeklyServerPaths());
}

TEST_F(DownloadList, TypesSharingAFolderAreRefused) {
  dir.Write("files.use", "/a/,D,A,dn\n/b/,D,B,DN\n/c/,W,C,dn.\n/e/,D,E,dn \n/f/,D,F,./dn\n/g/,D,G,.\\dn\\\n"
                         "/w/,W,W,wk\n/h/,D,H,dn2\n");
  registry.PutInt("DownloadInfo", 20130924);
  ASSERT_EQ(1, Build());
  ASSERT_EQ(5u, boxes.size());
  EXPECT_EQ("The file types \"A\" (dn) and \"B\" (DN) share one folder.\n\"B\" is not downloaded.", boxes[0].text);
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_NE(std::string::npos, boxes[4].text.find("(.\\dn\\)"));
  std::vector<std::string> servers;
  for (const Item& item : Items()) servers.push_back(item.server);
  EXPECT_EQ((Names{"/a/13-09-25.lzh", "/h/13-09-25.lzh"}), servers);
}

TEST_F(DownloadList, AFullListIsReportedAndStopsTheBuild) {
  dir.Write("files.use", "/a/,D,A,aa\n/b/,D,B,bb\n/c/,D,C,cc\n");
  registry.PutInt("DownloadInfo", 19000301);  // three times 29,000 weekdays and more
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Unable to add to the download list.\nChoose fewer dates or file types.", boxes[0].text);
  EXPECT_EQ(kMaxDownloadItems, DownloadItemCount());
}

TEST_F(DownloadList, ASelectionWithoutRowsBuildsNothing) {
  dir.Write("files.use", "# nothing chosen\n");
  AddDownloadItem("/kept/", "kept", 1);
  EXPECT_EQ(0, Build());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(1, DownloadItemCount());  // a build that stops before the dates leaves the list alone
}

TEST_F(DownloadList, AMissingDataDirectoryCannotHoldTheSelection) {
  registry.PutSettings(dir.File("missing"));
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Unable to create download list file", boxes[0].text);
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ(owner, boxes[0].owner);
}

TEST_F(DownloadList, ASubdirectoryThatCannotBeMadeStopsTheBuild) {
  dir.Write("files.use", "/a/,D,A,aa\n/b/,D,B,no\\such\\dir\n/c/,D,C,cc\n/e/,D,E,..\\escape\n");
  registry.PutInt("DownloadInfo", 20130924);
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Unable to create '" + dir.Path() + "\\no\\such\\dir'\nCan't download.", boxes[0].text);
  EXPECT_EQ(Dates_{20130925}, Dates());  // the items made before the failure stay
  EXPECT_FALSE(dir.Exists("cc"));

  // A prefix that would reach outside the data directory is refused the same way.
  dir.Write("files.use", "/e/,D,E,..\\escape\n");
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Unable to create '" + dir.Path() + "\\..\\escape'\nCan't download.", boxes[0].text);
  EXPECT_FALSE(dir.Exists("..\\escape"));
}

TEST_F(DownloadList, PathsThatDoNotFitAreRefused) {
  // A data directory that fills its field without a terminator, the fields after it unterminated
  // too: the path is formed from the field alone, never from the bytes that follow it.
  DownloadSettings record;
  DefaultDownloadSettings(&record);
  const std::string full = dir.Path() + "\\" + std::string(sizeof record.DataDirectory - 1 - dir.Path().size(), 'F');
  std::memcpy(record.DataDirectory, full.data(), sizeof record.DataDirectory);
  std::memset(record.Username, 'U', sizeof record.Username);
  registry.PutSettings(record);
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Path too long: " + full + "\\files.use", boxes[0].text);

  // Data directory and prefix leave the subdirectory at 247 characters; an archive's local path
  // would then be 260, one more than its buffer holds.
  std::string data = dir.Path() + "\\";
  data += std::string(227 - data.size(), 'L');
  ASSERT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
  registry.PutSettings(data);
  registry.PutInt("DownloadInfo", 20130924);
  const std::string prefix(19, 'p');
  ASSERT_TRUE(PutFile(data + "\\files.use", "/d/,D,Long," + prefix + "\n"));
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Error", boxes[0].caption);
  EXPECT_EQ("Path too long: " + (data + "\\" + prefix + "\\13-09-25.lzh").substr(0, 259), boxes[0].text);
  EXPECT_EQ(0, DownloadItemCount());

  // A row of 194 characters with a server directory of 188: with the archive name it passes 199.
  registry.PutSettings(dir.Path());
  const std::string server = "/" + std::string(186, 's') + "/";
  dir.Write("files.use", server + ",D,L,d\n");
  EXPECT_EQ(0, Build());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Path too long: " + (server + "13-09-25.lzh").substr(0, 199), boxes[0].text);
  EXPECT_EQ(owner, boxes[0].owner);
}

}  // namespace
