// FileHasData, the rewrite of the files that abc.def lists, and the date index, on real files.
#include "files/Housekeeping.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ReplacementFile.h"
#include "tests/unit/catalogue/TempDir.h"
#include "tests/unit/files/BoxWatcher.h"

namespace {

TEST(FileHasData, PresentAndNotEmpty) {
  TempDir dir;
  dir.Write("empty", "");
  dir.Write("one", "x");
  EXPECT_EQ(0, FileHasData(dir.File("missing").c_str()));
  EXPECT_EQ(0, FileHasData(dir.File("empty").c_str()));
  EXPECT_EQ(1, FileHasData(dir.File("one").c_str()));
  EXPECT_EQ(0, FileHasData(dir.Path().c_str()));  // a directory is no file
}

class Rewrite : public ::testing::Test {
 protected:
  int Run() { return RewriteListedTextFiles("abc.def", dir.Path().c_str()); }
  TempDir dir;
};

TEST_F(Rewrite, ListedFilesGetCrLfAndTheListStays) {
  dir.Write("abc.def", "a.txt\r\nsub\\b.txt\nc.txt");
  dir.Write("a.txt", "one\ntwo\n");
  CreateDirectoryA(dir.File("sub").c_str(), nullptr);
  dir.Write("sub\\b.txt", "crlf\r\nalready\r\n");
  dir.Write("c.txt", std::string("keep\nthis\x1A" "drop\n", 15));
  dir.Write("d.txt", "not listed\n");
  EXPECT_EQ(1, Run());
  EXPECT_EQ("one\r\ntwo\r\n", dir.Read("a.txt"));
  EXPECT_EQ("crlf\r\nalready\r\n", dir.Read("sub\\b.txt"));
  EXPECT_EQ("keep\r\nthis", dir.Read("c.txt"));
  EXPECT_EQ("not listed\n", dir.Read("d.txt"));
  EXPECT_EQ("a.txt\r\nsub\\b.txt\nc.txt", dir.Read("abc.def"));
  EXPECT_FALSE(dir.Exists("abcdefg.hij"));
  // A second pass changes nothing.
  EXPECT_EQ(1, Run());
  EXPECT_EQ("one\r\ntwo\r\n", dir.Read("a.txt"));
  EXPECT_EQ("keep\r\nthis", dir.Read("c.txt"));
}

TEST_F(Rewrite, MissingListGivesZero) { EXPECT_EQ(0, Run()); }

// Names passed over without a word; the pass goes on to the next one. A program file and a file
// holding a NUL byte are no text to rewrite, whatever their line ends.
TEST_F(Rewrite, NamesNotToRewriteArePassedOver) {
  const std::string binary("a\nb\0c\n", 6);
  dir.Write("run.bat", "@echo off\n");
  dir.Write("bin.csv", binary);
  for (const char* first : {"missing.txt", "", "..\\outside.txt", "sub\\..\\..\\outside.txt", "C:\\outside.txt",
                            "\\outside.txt", "CON", "run.bat", "bin.csv", "a|b.txt", "what?.txt"}) {
    SCOPED_TRACE(first);
    dir.Write("abc.def", std::string(first) + "\nlater.txt\n");
    dir.Write("later.txt", "x\ny\n");
    BeginRewritePass();
    BoxWatcher watcher;
    EXPECT_EQ(1, Run());
    EXPECT_EQ("x\r\ny\r\n", dir.Read("later.txt"));
    EXPECT_FALSE(RewritePassFailed());
    EXPECT_TRUE(watcher.Boxes().empty());
  }
  EXPECT_EQ("@echo off\n", dir.Read("run.bat"));
  EXPECT_EQ(binary, dir.Read("bin.csv"));
}

TEST_F(Rewrite, NothingOutsideTheDataDirectoryIsTouched) {
  TempDir outside("-outside");
  outside.Write("victim.txt", "lf\nonly\n");
  CreateDirectoryA(dir.File("data").c_str(), nullptr);
  const std::string data = dir.File("data");
  const std::string victim = outside.File("victim.txt");
  const std::string relative = "..\\..\\" + outside.Path().substr(outside.Path().rfind('\\') + 1) + "\\victim.txt";
  for (const std::string& name : {relative, victim, victim.substr(2)}) {
    SCOPED_TRACE(name);
    std::FILE* list = std::fopen((data + "\\abc.def").c_str(), "wb");
    ASSERT_NE(nullptr, list);
    std::fputs((name + "\n").c_str(), list);
    std::fclose(list);
    EXPECT_EQ(1, RewriteListedTextFiles("abc.def", data.c_str()));
    EXPECT_EQ("lf\nonly\n", outside.Read("victim.txt"));
  }
}

// Opens the first rewrite copy so that every write to it fails; later copies as usual.
int g_openings = 0;
std::FILE* FirstCopyCannotBeWritten(const char* path) {
  return std::fopen(path, ++g_openings == 1 ? "rb" : "wb");
}

// Another program holding `path` open without letting it be deleted or replaced, as a viewer may.
class HeldOpen {
 public:
  explicit HeldOpen(const std::string& path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {}
  ~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;

 private:
  HANDLE handle_;
};

// Temporaries beside the listed files (the pattern a later run cleans up).
bool AnyTemporaryIn(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((directory + "\\" + kTemporaryPattern).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

// A rewrite that cannot be completed leaves its file byte for byte, says so once in a pass,
// whatever the name's spelling, and the pass goes on. Each case begins a new pass. A file that
// the copy would not change is not replaced at all, so holding it open is no failure.
TEST_F(Rewrite, AFailedRewriteIsReportedAndThePassGoesOn) {
  const struct {
    const char* why;
    const char* list;
    std::string bytes;  // of a.txt
    bool failWrite;     // the copy's write fails (a full disk)
    DWORD hold;         // a.txt held open with this sharing (none: ~0u)
    int calls;          // rewrites within the pass, as after each archive of a session
    size_t boxes;
  } cases[] = {
      {"the write of the copy fails", "a.txt\nb.txt\n", "a\nkept\n", true, ~0u, 1, 1},
      {"the copy cannot replace the file", "a.txt\nb.txt\n", "a\nkept\n", false, FILE_SHARE_READ | FILE_SHARE_WRITE, 1, 1},
      {"the copy fails after every archive", "a.txt\nb.txt\n", "a\nkept\n", false, FILE_SHARE_READ | FILE_SHARE_WRITE, 2, 1},
      {"the file cannot be opened", "a.txt\nb.txt\n", "a\nkept\n", false, 0, 1, 1},
      {"two spellings of one file", "a.txt\nA.TXT\nb.txt\n", "a\nkept\n", false, FILE_SHARE_READ | FILE_SHARE_WRITE, 1, 1},
      {"nothing to change", "a.txt\nb.txt\n", "a\r\nkept\r\n", false, FILE_SHARE_READ, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    dir.Write("abc.def", c.list);
    dir.Write("a.txt", c.bytes);
    dir.Write("b.txt", "b\n");
    g_openings = 0;
    std::vector<Box> boxes;
    if (c.failWrite) SetRewriteOpener(FirstCopyCannotBeWritten);
    BeginRewritePass();
    {
      std::unique_ptr<HeldOpen> held(c.hold != ~0u ? new HeldOpen(dir.File("a.txt"), c.hold) : nullptr);
      BoxWatcher watcher;
      for (int i = 0; i < c.calls; ++i) EXPECT_EQ(1, Run());
      boxes = watcher.Boxes();
    }
    SetRewriteOpener(nullptr);
    EXPECT_EQ(c.bytes, dir.Read("a.txt"));
    EXPECT_EQ("b\r\n", dir.Read("b.txt"));
    EXPECT_EQ(c.boxes > 0, RewritePassFailed());
    ASSERT_EQ(boxes.size(), c.boxes);
    if (c.boxes) {
      EXPECT_EQ(boxes[0].caption, "Error");
      EXPECT_EQ(boxes[0].text, "Could not rewrite " + dir.File("a.txt") + "; the file was left as it was");
    }
    EXPECT_FALSE(AnyTemporaryIn(dir.Path()));
  }
}

TEST_F(Rewrite, LongNamesAreReadInPiecesOfNinetyNine) {
  // A 120-character line is read as a 99-character name and a 21-character one.
  const std::string first(99, 'f');
  const std::string second(21, 's');
  dir.Write(first, "1\n");
  dir.Write(second, "2\n");
  dir.Write("abc.def", first + second + "\n");
  EXPECT_EQ(1, Run());
  EXPECT_EQ("1\r\n", dir.Read(first));
  EXPECT_EQ("2\r\n", dir.Read(second));
}

// A data directory of 200 characters and a listed name of 60: 261 in all, one too many.
TEST_F(Rewrite, APathTooLongForItsBufferFailsThePass) {
  const std::string deep(199 - dir.Path().size(), 'd');
  CreateDirectoryA(dir.File(deep).c_str(), nullptr);
  dir.Write(deep + "\\abc.def", std::string(60, 'n') + "\nlater.txt\n");
  dir.Write(deep + "\\later.txt", "x\n");
  BeginRewritePass();
  BoxWatcher watcher;
  EXPECT_EQ(1, RewriteListedTextFiles("abc.def", dir.File(deep).c_str()));
  EXPECT_EQ("x\r\n", dir.Read(deep + "\\later.txt"));
  EXPECT_TRUE(RewritePassFailed());
}

class DateIndexFile : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(DateIndexFile, NoDataFilesGiveAnEmptyIndex) {
  dir.Write("date", "old\r\n");
  EXPECT_EQ(0, WriteDateIndex(dir.Path().c_str()));
  EXPECT_EQ("", dir.Read("date"));
}

TEST_F(DateIndexFile, OldestFirstAcrossTheCentury) {
  for (const char* name : {"05-01-13.DN", "31-12-99.DN", "02-01-13.DN"}) dir.Write(name, "data");
  dir.Write("07-01-13.TXT", "not a data file");
  EXPECT_EQ(3, WriteDateIndex(dir.Path().c_str()));
  EXPECT_EQ("31-12-99\r\n02-01-13\r\n05-01-13\r\n", dir.Read("date"));
}

// Two years of daily files and more: every one is indexed.
TEST_F(DateIndexFile, SixHundredFilesAreAllIndexed) {
  std::string expected;
  int written = 0;
  for (int year : {11, 12, 13}) {
    for (int month = 1; month <= 12 && written < 600; ++month) {
      for (int day = 1; day <= 20 && written < 600; ++day) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d-%02d-%02d.DN", day, month, year);
        dir.Write(name, "");
        expected += std::string(name, 8) + "\r\n";
        ++written;
      }
    }
  }
  EXPECT_EQ(600, WriteDateIndex(dir.Path().c_str()));
  const std::string index = dir.Read("date");
  EXPECT_EQ(6000u, index.size());
  EXPECT_EQ(expected, index);
}

// Told apart from an empty index (0), which is no failure.
TEST_F(DateIndexFile, UncreatableIndexGivesMinusOne) {
  CreateDirectoryA(dir.File("date").c_str(), nullptr);  // a directory stands where the file goes
  dir.Write("01-02-13.DN", "x");
  EXPECT_EQ(-1, WriteDateIndex(dir.Path().c_str()));
}

// The index is replaced in one step: an index that cannot be put in place leaves the old one.
TEST_F(DateIndexFile, AnIndexThatCannotReplaceTheOldOneLeavesIt) {
  dir.Write("date", "31-12-99\r\n");
  dir.Write("01-02-13.DN", "x");
  {
    HeldOpen held(dir.File("date"));
    EXPECT_EQ(-1, WriteDateIndex(dir.Path().c_str()));
  }
  EXPECT_EQ("31-12-99\r\n", dir.Read("date"));
  EXPECT_FALSE(AnyTemporaryIn(dir.Path()));
}

}  // namespace
