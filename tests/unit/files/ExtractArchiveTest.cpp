// ExtractArchive under Wine: the three archiver calls in order with their arguments (through a
// fake), and the real extractor on real files, with the message boxes read and answered.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LhaTestSupport.h"
#include "files/Archiver.h"
#include "files/ExtractArchive.h"

using lha_test::Join;

namespace {

struct Box {
  std::string caption;
  std::string text;
  HWND owner;
};

// Reads and closes every message box the test thread shows, from a thread of its own.
class BoxWatcher {
 public:
  BoxWatcher() : thread_([this] { Run(); }) {}
  ~BoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  std::vector<Box> Boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  void Run() {
    while (!stop_) {
      HWND box = FindWindowA("#32770", nullptr);
      if (box) {
        char caption[256] = {};
        char text[2048] = {};
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          boxes_.push_back({caption, text, GetWindow(box, GW_OWNER)});
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (IsWindow(box) && !stop_) Sleep(10);
      }
      Sleep(10);
    }
  }
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Box> boxes_;
  std::thread thread_;
};

class FakeArchiver : public Archiver {
 public:
  void SetOption(BOOL value) override { calls.push_back("option " + std::to_string(value)); }
  int CheckArchive(const char* path, int mode) override {
    calls.push_back(std::string("check ") + path + " " + std::to_string(mode));
    return checkResult;
  }
  int Command(HWND owner, const char* command, char* output, DWORD size) override {
    calls.push_back(std::string("command ") + (owner ? "owner " : "") + command + " " +
                    std::to_string(size));
    if (output && size) {
      std::memset(output, 'x', size - 1);  // a report the program must never show
      output[size - 1] = '\0';
    }
    return commandResult;
  }
  int checkResult = 1;
  int commandResult = 0;
  std::vector<std::string> calls;
};

class ExtractArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
    ASSERT_NE(owner_, nullptr);
    std::memset(&settings_, 0, sizeof settings_);
  }
  void TearDown() override {
    SetArchiver(nullptr);
    DestroyWindow(owner_);
  }
  void SetDataDirectory(const std::string& dir) {
    ASSERT_LT(dir.size(), sizeof settings_.DataDirectory);
    std::memcpy(settings_.DataDirectory, dir.c_str(), dir.size() + 1);
  }
  HWND owner_ = nullptr;
  DownloadSettings settings_;
};

TEST_F(ExtractArchiveTest, CallsTheArchiverInOrderWithQuotedPaths) {
  FakeArchiver fake;
  SetArchiver(&fake);
  SetDataDirectory("C:\\Users\\Jane Smith\\Data");
  const char* archive = "C:\\Users\\Jane Smith\\Data\\daily\\24-01-02.lzh";
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, archive), 1);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "option 0", std::string("check ") + archive + " 16",
                            "command e \"C:\\Users\\Jane Smith\\Data\\daily\\24-01-02.lzh\" "
                            "\"C:\\Users\\Jane Smith\\Data\\\" 1024"}));
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(ExtractArchiveTest, ARefusedCheckReturnsZeroSilently) {
  FakeArchiver fake;
  fake.checkResult = 0;
  SetArchiver(&fake);
  SetDataDirectory("C:\\tkvn");
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, "C:\\tkvn\\daily\\24-01-02.lzh"), 0);
  EXPECT_EQ(fake.calls.size(), 2u);  // no command
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(ExtractArchiveTest, AFailingCommandShowsThePathAndTheCode) {
  FakeArchiver fake;
  fake.commandResult = 3;
  SetArchiver(&fake);
  SetDataDirectory("C:\\tkvn");
  const char* archive = "C:\\tkvn\\daily\\24-01-02.lzh";
  BoxWatcher watcher;
  EXPECT_EQ(ExtractArchive(owner_, settings_, archive), 0);
  const auto boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Could not uncompress C:\\tkvn\\daily\\24-01-02.lzh (Error code was 3)");
  EXPECT_EQ(boxes[0].owner, owner_);
  EXPECT_STREQ(archive, "C:\\tkvn\\daily\\24-01-02.lzh");
}

class RealExtractTest : public ExtractArchiveTest {
 protected:
  void SetUp() override {
    ExtractArchiveTest::SetUp();
    const std::string root = lha_test::ScratchDir("extract-archive");
    data_ = Join(root, "Jane Smith Data");
    CreateDirectoryA(data_.c_str(), nullptr);
    CreateDirectoryA(Join(data_, "daily").c_str(), nullptr);
    SetDataDirectory(data_);
  }
  std::string PlaceArchive(const std::string& bytes) {
    const std::string path = Join(Join(data_, "daily"), "24-01-02.lzh");
    lha_test::WriteBytes(path, bytes);
    return path;
  }
  std::string data_;
};

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

TEST_F(RealExtractTest, MissingEmptyAndForeignFilesReturnZeroSilently) {
  BoxWatcher watcher;
  const std::string missing = Join(Join(data_, "daily"), "24-01-03.lzh");
  EXPECT_EQ(ExtractArchive(owner_, settings_, missing.c_str()), 0);
  EXPECT_EQ(ExtractArchive(owner_, settings_, PlaceArchive("").c_str()), 0);
  EXPECT_EQ(ExtractArchive(owner_, settings_, PlaceArchive("<html>Not found</html>").c_str()), 0);
  EXPECT_TRUE(watcher.Boxes().empty());
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

}  // namespace
