// Extraction into a real folder: flat names, replacement only after a CRC match, hostile names,
// the destination folder, and the archive check.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "LhaTestSupport.h"
#include "files/FileNameRules.h"
#include "files/lha/FileSystem.h"
#include "files/lha/LhaArchive.h"
#include "files/lha/LhaErrors.h"
#include "files/lha/LhaHeader.h"
#include "platform/FreeSpaceReserve.h"

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

constexpr size_t kOkMember = 15;  // "dir/ok.txt"

// `bytes` as an archive file of its own; its path.
std::string Placed(const std::string& bytes) {
  const std::string path = Join(lha_test::ScratchDir("placed"), "placed.lzh");
  WriteBytes(path, bytes);
  return path;
}

// Each row: ok.txt, then one member of names.lzh under a hostile name. A name that no file can
// bear refuses the whole archive; one that names a path is written flat inside; the program's own
// files are passed over. Shift-JIS whose trail byte is "\" separates where the system's code page
// is not 932.
TEST(LhaExtract, HostileNamesStayInsideOrRefuseTheWholeArchive) {
  const std::vector<std::string> members = lha_test::NamesMembers();
  const bool sjis = lha::KindOnThisSystem("\x95\x5c.txt") == FileNameKind::kData;
  const struct {
    size_t member;
    const char* written;  // the file it makes; null: none
    bool applied;         // ok.txt replaced
  } rows[] = {
      {3, "up.txt", true},  {5, "abs.txt", true}, {19, nullptr, true},  // ..\..\up.txt, /etc/abs.txt, files.use
      {2, nullptr, false},  {6, nullptr, false},  {9, nullptr, false},  // C:evil.txt, CON, dot.
      {11, nullptr, false}, {12, nullptr, false},                       // a control character, pipe|x.txt
      {17, nullptr, false}, {18, nullptr, false},  // ascii_update.bat and a lone lead byte, COM and superscript 1
      {13, sjis ? "\x95\x5c.txt" : nullptr, sjis},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.member);
    const std::string dir = lha_test::ScratchDir("names");
    WriteBytes(Join(dir, "ok.txt"), "old\r\n");
    EXPECT_EQ(Extract(Placed(members[kOkMember] + members[row.member] + '\0'), dir),
              row.applied ? lha::kOk : lha::kErrorCannotWrite);
    EXPECT_EQ(ReadBytes(Join(dir, "ok.txt")), row.applied ? "member 15\r\n" : "old\r\n");
    if (row.written) {
      EXPECT_EQ(ReadBytes(Join(dir, row.written)), "member " + std::to_string(row.member) + "\r\n");
    }
    EXPECT_EQ(lha_test::CountEntries(dir), row.written ? 2u : 1u);
  }
}

// One member sound, the next damaged: neither replaces anything, and no temporary stays.
TEST(LhaExtract, AnArchiveIsAppliedWholeOrNotAtAll) {
  std::string archive = ReadBytes(lha_test::FixturePath("l2_lh7.lzh"));  // prices.csv, random.bin, ...
  lha::MemoryInput in(reinterpret_cast<const uint8_t*>(archive.data()), archive.size());
  lha::LhaHeader h;
  ASSERT_TRUE(lha::FindFirstHeader(in, &h));
  ASSERT_EQ(lha::ReadHeader(in, h.dataOffset + h.packedSize, &h), lha::HeaderResult::kRead);
  archive[h.dataOffset + h.packedSize / 2] ^= 0x40;
  const std::string dir = lha_test::ScratchDir("whole");
  WriteBytes(Join(dir, "prices.csv"), "yesterday's prices\r\n");
  const int result = Extract(Placed(archive), dir);
  EXPECT_TRUE(result == lha::kErrorCrc || result == lha::kErrorHuffman) << result;
  EXPECT_EQ(ReadBytes(Join(dir, "prices.csv")), "yesterday's prices\r\n");
  EXPECT_EQ(lha_test::ListDir(dir), (std::vector<std::string>{"prices.csv"}));
}

// Sizes come from the headers, so a tiny archive can claim anything: each limit refuses the
// archive before a byte is written.
TEST(LhaExtract, LimitsAndTheFreeSpaceReserveRefuseTheArchive) {
  using Reason = lha::RefusedMember::Reason;
  const std::string dir = lha_test::ScratchDir("limits");
  const uint64_t available = std::filesystem::space(dir).available;
  const uint64_t half = lha::kMaxOutput / 2 + 1;
  if (available < 2 * half + kFreeSpaceReserve) GTEST_SKIP() << "needs " << 2 * half << " bytes free";
  const std::string ok = lha_test::NamesMembers()[kOkMember];
  std::string many;
  for (size_t i = 0; i <= lha::kMaxMembers; ++i) many += ok;
  const struct {
    std::string archive;
    int code;
    Reason reason;
  } rows[] = {
      {many + '\0', lha::kErrorTooLarge, Reason::kTooMany},
      {lha_test::DeclaringMember("a.csv", half) + lha_test::DeclaringMember("b.csv", half) + '\0',
       lha::kErrorTooLarge, Reason::kTooLarge},
      {lha_test::DeclaringMember("c.csv", available - (1u << 20)) + '\0', lha::kErrorDiskSpace, Reason::kDiskSpace},
  };
  for (const auto& row : rows) {
    std::string report;
    std::vector<lha::RefusedMember> refused;
    EXPECT_EQ(lha::ExtractArchiveFlat(Placed(row.archive).c_str(), (dir + "\\").c_str(), &report, &refused), row.code);
    ASSERT_FALSE(refused.empty());
    EXPECT_EQ(refused.back().reason, row.reason);
    EXPECT_EQ(lha_test::CountEntries(dir), 0u);
  }
}

std::time_t ModifiedAt(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

TEST(LhaExtract, FilesGetTheirStoredTimes) {
  const std::string dir = lha_test::ScratchDir("times");
  // names.lzh stores the MS-DOS local time 2024-01-01 00:00:00 (0x58210000).
  ASSERT_EQ(Extract(Placed(lha_test::NamesMembers()[kOkMember] + '\0'), dir), lha::kOk);
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

TEST(LhaSystemName, NamesAreJudgedAsThisSystemWritesThem) {
  EXPECT_EQ(lha::KindOnThisSystem("prices.csv"), FileNameKind::kData);
  EXPECT_EQ(lha::KindOnThisSystem("run.bat"), FileNameKind::kProgram);
  EXPECT_EQ(lha::KindOnThisSystem("a/b"), FileNameKind::kUnusable);
#ifndef _WIN32
  // POSIX names are bytes; a Shift-JIS trail byte 0x5C is an ordinary one.
  EXPECT_EQ(lha::KindOnThisSystem("\x95\x5c.txt"), FileNameKind::kData);
#endif
}

}  // namespace
