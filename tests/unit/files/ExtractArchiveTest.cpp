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
#include "files/lha/FileSystem.h"
#include "files/lha/FileSystem_win.h"

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

// A server archive carrying two batch files and two of the program's own files beside its data
// (made with jlha): one box names the first few, and the data is extracted.
TEST_F(RealExtractTest, ProgramAndControlMembersArePassedOverInOneBox) {
  const std::string path = PlaceArchive(lha_test::ReadBytes(lha_test::FixturePath("program.lzh")));
  for (const char* mine : {"ascii_update.bat", "files.use"}) lha_test::WriteBytes(Join(data_, mine), "mine\r\n");
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 1);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Warning");
  EXPECT_EQ(boxes[0].text, "The archive " + path +
                               " holds 4 files that were not extracted (program files and this program's own files "
                               "are never taken from an archive): ascii_update.bat, FixFiles.bat, files.use and 1 more");
  for (const char* mine : {"ascii_update.bat", "files.use"}) EXPECT_EQ(lha_test::ReadBytes(Join(data_, mine)), "mine\r\n");
  EXPECT_EQ(lha_test::ListDir(data_),
            (std::vector<std::string>{"ascii_update.bat", "daily", "files.use", "prices.csv"}));
}

// Another program holds the second member's file open: the first one, already in place, is taken
// back, so the day is either wholly there or not at all.
TEST_F(RealExtractTest, ATargetThatCannotBeReplacedUndoesTheWholeArchive) {
  const std::string path = PlaceArchive(lha_test::ReadBytes(lha_test::FixturePath("l2_lh7.lzh")));
  lha_test::WriteBytes(Join(data_, "prices.csv"), "yesterday's prices\r\n");
  lha_test::WriteBytes(Join(data_, "random.bin"), "old");
  const HANDLE held = CreateFileA(Join(data_, "random.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 0);
  CloseHandle(held);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Could not uncompress " + path + " (Error code was 32787)");
  EXPECT_EQ(lha_test::ReadBytes(Join(data_, "prices.csv")), "yesterday's prices\r\n");
  EXPECT_EQ(lha_test::ListDir(data_), (std::vector<std::string>{"daily", "prices.csv", "random.bin"}));
}

// Names converted as a double-byte system would: written under their wide names, and refused
// where a byte does not convert (0xA1 at the end: a lead byte of code page 936 without its trail,
// which passes every rule as bytes).
TEST_F(RealExtractTest, NamesAreConvertedStrictlyAndWrittenWide) {
  lha::SetNameCodePage(932);
  const std::vector<std::string> members = lha_test::NamesMembers();
  const std::string path = PlaceArchive(members[15] + members[13] + '\0');  // dir/ok.txt, dir\(0x95 0x5C).txt
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 1);
  EXPECT_NE(GetFileAttributesW((std::wstring(data_.begin(), data_.end()) + L"\\\u8868.txt").c_str()),
            INVALID_FILE_ATTRIBUTES);
  lha::SetNameCodePage(936);
  EXPECT_EQ(lha::KindOnThisSystem("ascii_update.bat\xa1"), FileNameKind::kUnusable);
  lha::SetNameCodePage(CP_ACP);
}

// A level-2 stored member whose 64-bit size extension declares a petabyte.
TEST_F(RealExtractTest, AMemberLargerThanTheFreeSpaceIsRefusedBeforeAnythingIsWritten) {
  const std::string path = PlaceArchive(lha_test::DeclaringMember("huge.csv", uint64_t{1} << 50) + '\0');
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, path.c_str()), 0);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Not enough free disk space to extract huge.csv (1125899906842624 "
                           "bytes) from " + path + ": at least 256 MB must stay free");
  EXPECT_EQ(lha_test::ListDir(data_), (std::vector<std::string>{"daily"}));
}

}  // namespace
