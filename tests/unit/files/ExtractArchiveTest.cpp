// ExtractArchive under Wine: the three archiver calls in order with their arguments (through a
// fake), and the real extractor on real files, with the message boxes read and answered. The
// result tells extracted (1), could not be extracted after a box (0) and no archive there (-1).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "BoxWatcher.h"
#include "LhaTestSupport.h"
#include "files/Archiver.h"
#include "files/ExtractArchive.h"

using lha_test::Join;

namespace {

class FakeArchiver : public Archiver {
 public:
  void SetOption(BOOL value) override { calls.push_back("option " + std::to_string(value)); }
  int CheckArchive(const char* path, int mode) override {
    calls.push_back(std::string("check ") + path + " " + std::to_string(mode));
    return checkResult;
  }
  int Command(HWND owner, const char* command, char* output, DWORD size,
              std::vector<lha::RefusedMember>* refused) override {
    calls.push_back(std::string("command ") + (owner ? "owner " : "") + command + " " +
                    std::to_string(size));
    if (output && size) {
      std::memset(output, 'x', size - 1);  // a report the program must never show
      output[size - 1] = '\0';
    }
    *refused = refusedMembers;
    return commandResult;
  }
  int checkResult = 1;
  int commandResult = 0;
  std::vector<lha::RefusedMember> refusedMembers;
  std::vector<std::string> calls;
};

// A data directory with a space in its name and a daily/ folder for the archives.
class ExtractArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
    ASSERT_NE(owner_, nullptr);
    std::memset(&settings_, 0, sizeof settings_);
    const std::string root = lha_test::ScratchDir("extract-archive");
    data_ = Join(root, "Jane Smith Data");
    CreateDirectoryA(data_.c_str(), nullptr);
    CreateDirectoryA(Join(data_, "daily").c_str(), nullptr);
    ASSERT_LT(data_.size(), sizeof settings_.DataDirectory);
    std::memcpy(settings_.DataDirectory, data_.c_str(), data_.size() + 1);
  }
  void TearDown() override {
    SetArchiver(nullptr);
    DestroyWindow(owner_);
  }
  std::string PlaceArchive(const std::string& bytes) {
    const std::string path = Join(Join(data_, "daily"), "24-01-02.lzh");
    lha_test::WriteBytes(path, bytes);
    return path;
  }
  HWND owner_ = nullptr;
  DownloadSettings settings_;
  std::string data_;
};

TEST_F(ExtractArchiveTest, CallsTheArchiverInOrderWithQuotedPaths) {
  FakeArchiver fake;
  SetArchiver(&fake);
  const std::string archive = PlaceArchive("an archive");
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, archive.c_str()), 1);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "option 0", "check " + archive + " 16",
                            "command e \"" + archive + "\" \"" + data_ + "\\\" 1024"}));
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(ExtractArchiveTest, ARefusedCheckIsReportedByName) {
  FakeArchiver fake;
  fake.checkResult = 0;
  SetArchiver(&fake);
  const std::string archive = PlaceArchive("not an archive");
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, archive.c_str()), 0);
  EXPECT_EQ(fake.calls.size(), 2u);  // no command
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text,
            "Could not uncompress " + archive + " (the file is damaged or is not an archive)");
  EXPECT_EQ(boxes[0].owner, owner_);
}

TEST_F(ExtractArchiveTest, AFailingCommandShowsThePathAndTheCode) {
  FakeArchiver fake;
  fake.commandResult = 3;
  SetArchiver(&fake);
  // The download item's own buffer, which the call must leave as it was.
  char itemPath[260] = {};
  const std::string archive = PlaceArchive("an archive");
  std::memcpy(itemPath, archive.c_str(), archive.size());
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, itemPath), 0);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Could not uncompress " + archive + " (Error code was 3)");
  EXPECT_EQ(boxes[0].owner, owner_);
  EXPECT_EQ(std::string(itemPath), archive);
}

using RealExtractTest = ExtractArchiveTest;

TEST_F(RealExtractTest, ExtractsIntoTheDataDirectoryAndKeepsTheArchive) {
  const std::string archive = lha_test::ReadBytes(lha_test::FixturePath("l2_lh7.lzh"));
  const std::string path = PlaceArchive(archive);
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 1);
  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(lha_test::ReadBytes(Join(data_, "prices.csv")).size(), 18459u);
  EXPECT_EQ(lha_test::ReadBytes(Join(data_, "random.bin")).size(), 5000u);
  EXPECT_EQ(lha_test::ReadBytes(path), archive);
}

TEST_F(RealExtractTest, MissingAndEmptyAreNoArchiveAForeignFileIsReported) {
  BoxWatcher watcher;
  const std::string missing = Join(Join(data_, "daily"), "24-01-03.lzh");
  EXPECT_EQ(ExtractArchive(owner_, settings_, missing.c_str()), -1);
  EXPECT_EQ(ExtractArchive(owner_, settings_, PlaceArchive("").c_str()), -1);
  EXPECT_TRUE(watcher.Boxes().empty());
  const std::string page = PlaceArchive("<html>Not found</html>");
  EXPECT_EQ(ExtractArchive(owner_, settings_, page.c_str()), 0);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "Could not uncompress " + page + " (the file is damaged or is not an archive)");
}

TEST_F(RealExtractTest, ADamagedArchiveShowsItsCodeAndKeepsTheOldFile) {
  std::string archive = lha_test::ReadBytes(lha_test::FixturePath("l1_lh5.lzh"));
  archive[archive.size() / 2] ^= 0x40;
  const std::string path = PlaceArchive(archive);
  lha_test::WriteBytes(Join(data_, "prices.csv"), "yesterday's prices\r\n");
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 0);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  // 32780 is 0x800C, the CRC error; a table broken by the same byte gives 32788 (0x8014).
  const std::string prefix = "Could not uncompress " + path + " (Error code was ";
  EXPECT_TRUE(boxes[0].text == prefix + "32780)" || boxes[0].text == prefix + "32788)")
      << boxes[0].text;
  EXPECT_EQ(lha_test::ReadBytes(Join(data_, "prices.csv")), "yesterday's prices\r\n");
  EXPECT_EQ(lha_test::ReadBytes(path), archive);
}

// A server archive carrying ascii_update.bat beside its data (made with jlha).
TEST_F(RealExtractTest, AProgramMemberIsPassedOverByNameAndTheDataExtracted) {
  const std::string path = PlaceArchive(lha_test::ReadBytes(lha_test::FixturePath("program.lzh")));
  const std::string batch = "@echo off\r\nascii_update.exe\r\n";
  lha_test::WriteBytes(Join(data_, "ascii_update.bat"), batch);
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 1);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Warning");
  EXPECT_EQ(boxes[0].text, "The archive " + path +
                               " holds the program file ascii_update.bat, which was not extracted");
  EXPECT_EQ(lha_test::ReadBytes(Join(data_, "ascii_update.bat")), batch);
  EXPECT_EQ(lha_test::ReadBytes(Join(data_, "prices.csv")).size(), 18459u);
}

// A level-2 stored member whose 64-bit size extension declares a petabyte.
TEST_F(RealExtractTest, AMemberLargerThanTheFreeSpaceIsRefusedBeforeAnythingIsWritten) {
  const std::string name = "huge.csv";
  std::string h(26, '\0');
  h.replace(2, 5, "-lh0-");
  h[19] = 0x20;
  h[20] = 2;
  h[24] = static_cast<char>(3 + name.size());
  h += '\x01' + name + std::string(1, 19) + '\0';
  std::string ext(19, '\0');
  ext[0] = 0x42;
  ext[1] = 4;                                       // packed: 4 bytes
  ext[9 + 6] = 4;                                   // original: 2^50 bytes
  h += ext;
  h[0] = static_cast<char>(h.size());
  const std::string path = PlaceArchive(h + "data" + std::string(1, '\0'));
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 0);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Not enough free disk space to extract huge.csv (1125899906842624 "
                           "bytes) from " + path);
  EXPECT_EQ(lha_test::ListDir(data_), (std::vector<std::string>{"daily"}));
}

}  // namespace
