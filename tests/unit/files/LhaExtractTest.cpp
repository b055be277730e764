// Extraction into a real folder: flat names, replacement only after a CRC match, hostile names,
// the destination folder, and the archive check.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <string>
#include <vector>

#include "LhaTestSupport.h"
#include "files/lha/FileSystem.h"
#include "files/lha/LhaArchive.h"
#include "files/lha/LhaErrors.h"
#include "files/lha/LhaHeader.h"

using lha_test::Join;
using lha_test::ReadBytes;
using lha_test::WriteBytes;

namespace {

int Extract(const std::string& archive, const std::string& directory) {
  std::string report;
  return lha::ExtractArchiveFlat(archive.c_str(), (directory + "\\").c_str(), &report);
}

// The bytes of prices.csv as the stored fixture holds them.
std::string PricesCsv() {
  const std::string stored = ReadBytes(lha_test::FixturePath("l1_lh0.lzh"));
  lha::MemoryInput in(reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
  lha::LhaHeader h;
  if (!lha::FindFirstHeader(in, &h)) return std::string();
  return stored.substr(static_cast<size_t>(h.dataOffset), static_cast<size_t>(h.originalSize));
}

// Compares without printing megabytes of CSV.
#define EXPECT_SAME_BYTES(a, b) EXPECT_TRUE((a) == (b)) << "contents differ"


TEST(LhaExtract, ExtractsEveryMemberFlatWithItsBytes) {
  const std::string dir = lha_test::ScratchDir("flat");
  ASSERT_EQ(Extract(lha_test::FixturePath("l2_lh7.lzh"), dir), lha::kOk);
  EXPECT_EQ(lha_test::ListDir(dir), (std::vector<std::string>{"empty.txt", "prices.csv", "random.bin"}));
  EXPECT_SAME_BYTES(ReadBytes(Join(dir, "prices.csv")), PricesCsv());
  EXPECT_EQ(ReadBytes(Join(dir, "random.bin")).size(), 5000u);
  EXPECT_EQ(ReadBytes(Join(dir, "empty.txt")), "");
}

TEST(LhaExtract, PathsAreDroppedAndTheLaterOfTwoNamesWins) {
  const std::string dir = lha_test::ScratchDir("paths");
  ASSERT_EQ(Extract(lha_test::FixturePath("l2_lh5_paths.lzh"), dir), lha::kOk);
  EXPECT_EQ(lha_test::ListDir(dir), (std::vector<std::string>{"note.txt", "same.txt"}));
  EXPECT_EQ(ReadBytes(Join(dir, "same.txt")), "second same, the later one\r\n");
  EXPECT_EQ(ReadBytes(Join(dir, "note.txt")), "note in a subdirectory\r\n");
}

TEST(LhaExtract, AnExistingFileIsReplaced) {
  const std::string dir = lha_test::ScratchDir("replace");
  WriteBytes(Join(dir, "prices.csv"), "yesterday's prices\r\n");
  ASSERT_EQ(Extract(lha_test::FixturePath("l1_lh5.lzh"), dir), lha::kOk);
  EXPECT_SAME_BYTES(ReadBytes(Join(dir, "prices.csv")), PricesCsv());
  EXPECT_EQ(lha_test::ListDir(dir), (std::vector<std::string>{"prices.csv"}));
}

TEST(LhaExtract, ADamagedMemberLeavesTheOldFileAndNoTemporaryFile) {
  const std::string dir = lha_test::ScratchDir("damaged");
  for (const char* fixture : {"l1_lh5.lzh", "l1_lh0.lzh"}) {
    std::string archive = ReadBytes(lha_test::FixturePath(fixture));
    archive[archive.size() / 2] ^= 0x40;
    const std::string path = Join(dir, "damaged.lzh");
    WriteBytes(path, archive);
    const std::string out = Join(dir, "out");
    lha_test::ScratchDir("damaged/out");
    WriteBytes(Join(out, "prices.csv"), "yesterday's prices\r\n");
    const int result = Extract(path, out);
    EXPECT_TRUE(result == lha::kErrorCrc || result == lha::kErrorHuffman) << fixture << ": " << result;
    EXPECT_EQ(ReadBytes(Join(out, "prices.csv")), "yesterday's prices\r\n") << fixture;
    EXPECT_EQ(lha_test::ListDir(out), (std::vector<std::string>{"prices.csv"})) << fixture;
  }
}

TEST(LhaExtract, HostileNamesStayInsideAndRefusedOnesAreReported) {
  const std::string parent = lha_test::ScratchDir("names");
  const std::string dir = Join(parent, "out");
  lha_test::ScratchDir("names/out");
  // names.lzh holds "member N\r\n" under names 0 to 16; these are the ones that may be written.
  struct Written {
    const char* name;
    int member;
  };
  const Written written[] = {
      {"up.txt", 3}, {"root.txt", 4}, {"abs.txt", 5}, {"\x95\x5c.txt", 13}, {"\x95\x5c", 14},
      {"ok.txt", 15},
  };
  EXPECT_EQ(Extract(lha_test::FixturePath("names.lzh"), dir), lha::kErrorCannotWrite);
  size_t expected = 0;
  for (const Written& w : written) {
    // Where the system's code page is not 932, the Shift-JIS names' trail byte 0x5C would be a
    // separator, so those names are refused there.
    if (!lha::IsPlainFileName(w.name)) {
      EXPECT_FALSE(lha_test::Exists(Join(dir, w.name))) << w.name;
      continue;
    }
    ++expected;
    EXPECT_EQ(ReadBytes(Join(dir, w.name)), "member " + std::to_string(w.member) + "\r\n") << w.name;
  }
  EXPECT_EQ(lha_test::CountEntries(dir), expected);
  EXPECT_EQ(lha_test::ListDir(parent), (std::vector<std::string>{"out"}));
}

std::time_t ModifiedAt(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

TEST(LhaExtract, FilesGetTheirStoredTimes) {
  const std::string dir = lha_test::ScratchDir("times");
  // names.lzh stores the MS-DOS local time 2024-01-01 00:00:00 (0x58210000).
  ASSERT_EQ(Extract(lha_test::FixturePath("names.lzh"), dir), lha::kErrorCannotWrite);
  std::tm newYear = {};
  newYear.tm_year = 124;
  newYear.tm_mday = 1;
  newYear.tm_isdst = -1;
  EXPECT_EQ(ModifiedAt(Join(dir, "ok.txt")), std::mktime(&newYear));
  // Level 2 stores a Unix time in bytes 15 to 18 of the header.
  const std::string archive = ReadBytes(lha_test::FixturePath("l2_lh7.lzh"));
  ASSERT_EQ(Extract(lha_test::FixturePath("l2_lh7.lzh"), dir), lha::kOk);
  uint32_t stamp = 0;
  for (int i = 3; i >= 0; --i) stamp = (stamp << 8) | static_cast<unsigned char>(archive[15 + i]);
  EXPECT_EQ(ModifiedAt(Join(dir, "prices.csv")), static_cast<std::time_t>(stamp));
}

TEST(LhaExtract, TheDestinationIsMadeWhenMissing) {
  const std::string parent = lha_test::ScratchDir("made");
  const std::string dir = Join(Join(parent, "new"), "deeper");
  ASSERT_EQ(Extract(lha_test::FixturePath("l1_lh5.lzh"), dir), lha::kOk);
  EXPECT_SAME_BYTES(ReadBytes(Join(dir, "prices.csv")), PricesCsv());
}

TEST(LhaExtract, ADestinationThatCannotBeMadeGivesItsCode) {
  const std::string parent = lha_test::ScratchDir("blocked");
  WriteBytes(Join(parent, "file"), "a file where the folder should go");
  EXPECT_EQ(Extract(lha_test::FixturePath("l1_lh5.lzh"), Join(parent, "file")),
            lha::kErrorMakeDirectory);
}

TEST(LhaExtract, MissingEmptyAndForeignFiles) {
  const std::string dir = lha_test::ScratchDir("foreign");
  WriteBytes(Join(dir, "empty.lzh"), "");
  WriteBytes(Join(dir, "text.lzh"), "20240102,ABC,1.00\r\n");
  EXPECT_EQ(Extract(Join(dir, "missing.lzh"), dir), lha::kErrorArchiveOpen);
  EXPECT_EQ(Extract(Join(dir, "empty.lzh"), dir), lha::kErrorNotArchive);
  EXPECT_EQ(Extract(Join(dir, "text.lzh"), dir), lha::kErrorNotArchive);
}

TEST(LhaCheck, AnswersOneOnlyForArchivesItCanExtract) {
  const std::string dir = lha_test::ScratchDir("check");
  for (const char* fixture : {"l0_lh4.lzh", "l1_lh0.lzh", "l2_lh7.lzh", "l3_lh7.lzh", "names.lzh"})
    EXPECT_EQ(lha::IsExtractableArchive(lha_test::FixturePath(fixture).c_str()), 1) << fixture;

  std::string archive = ReadBytes(lha_test::FixturePath("l2_lh7.lzh"));
  // Truncated inside the data: the headers all read, so the check passes and extraction fails.
  WriteBytes(Join(dir, "short.lzh"), archive.substr(0, 3000));
  EXPECT_EQ(lha::IsExtractableArchive(Join(dir, "short.lzh").c_str()), 1);
  EXPECT_EQ(Extract(Join(dir, "short.lzh"), Join(dir, "out")), lha::kErrorCrc);
  EXPECT_FALSE(lha_test::Exists(Join(Join(dir, "out"), "prices.csv")));

  WriteBytes(Join(dir, "empty.lzh"), "");
  WriteBytes(Join(dir, "text.lzh"), std::string(5000, 'x'));
  archive[4] = '9';  // -lh9-, and the header CRC no longer matches either
  WriteBytes(Join(dir, "broken.lzh"), archive);
  for (const char* name : {"missing.lzh", "empty.lzh", "text.lzh", "broken.lzh"})
    EXPECT_EQ(lha::IsExtractableArchive(Join(dir, name).c_str()), 0) << name;
}

}  // namespace

namespace {

TEST(LhaPlainName, SeparatorsOfTheLocalSystemAreRefused) {
  EXPECT_TRUE(lha::IsPlainFileName("prices.csv"));
  EXPECT_FALSE(lha::IsPlainFileName("a/b"));
#ifdef _WIN32
  EXPECT_FALSE(lha::IsPlainFileName("a\\b"));
#else
  // POSIX names are bytes; a Shift-JIS trail byte 0x5C is an ordinary one.
  EXPECT_TRUE(lha::IsPlainFileName("\x95\x5c.txt"));
#endif
}

}  // namespace
