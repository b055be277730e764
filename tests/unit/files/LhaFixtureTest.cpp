// The fixture archives made by jlha, as lhasa lists them: every header level and method, then the
// same archives damaged: a flipped data byte, a flipped header byte, truncation, a program in front.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LhaTestSupport.h"
#include "files/lha/Decoder.h"
#include "files/lha/LhaArchive.h"
#include "files/lha/LhaErrors.h"
#include "files/lha/LhaHeader.h"

namespace {

struct Member {
  const char* path;  // as lhasa lists it
  const char* method;
  uint64_t size;
  uint16_t crc;
};

struct Fixture {
  const char* file;
  int level;
  std::vector<Member> members;
};

const std::vector<Fixture>& Fixtures() {
  static const std::vector<Fixture> fixtures = {
      {"l0_lh4.lzh", 0, {{"small.csv", "-lh4-", 3000, 0xf8ec}}},
      {"l0_lh6.lzh", 0, {{"prices.csv", "-lh6-", 18459, 0xac36}}},
      {"l1_lh0.lzh", 1, {{"prices.csv", "-lh0-", 18459, 0xac36}}},
      {"l1_lh5.lzh", 1, {{"prices.csv", "-lh5-", 18459, 0xac36}}},
      {"l1_lh5_long.lzh", 1, {{"long.csv", "-lh5-", 374888, 0x6024}}},
      {"l2_lh5_paths.lzh", 2,
       {{"sub/dir/note.txt", "-lh0-", 24, 0x64b5},
        {"a/same.txt", "-lh0-", 12, 0x3c93},
        {"b/same.txt", "-lh0-", 28, 0x67e4}}},
      {"l2_lh7.lzh", 2,
       {{"prices.csv", "-lh7-", 18459, 0xac36},
        {"random.bin", "-lh0-", 5000, 0x5896},
        {"empty.txt", "-lh0-", 0, 0x0000}}},
      {"l2_lh7_long.lzh", 2, {{"long.csv", "-lh7-", 374888, 0x6024}}},
      {"l3_lh7.lzh", 3,
       {{"prices.csv", "-lh7-", 18459, 0xac36},
        {"random.bin", "-lh0-", 5000, 0x5896},
        {"empty.txt", "-lh0-", 0, 0x0000}}},
  };
  return fixtures;
}

std::string PathOf(const lha::LhaHeader& h) {
  std::string path;
  for (char c : h.directory) path += static_cast<unsigned char>(c) == 0xFF ? '/' : c;
  path += h.name;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

class CountingSink : public lha::OutputSink {
 public:
  bool Write(const uint8_t*, size_t size) override {
    total += size;
    return true;
  }
  uint64_t total = 0;
};

const uint8_t* Data(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

int TestBytes(const std::string& archive) {
  lha::MemoryInput in(Data(archive), archive.size());
  std::string report;
  return lha::TestArchive(in, &report);
}

TEST(LhaFixtures, HeadersAndMembersMatchWhatLhasaLists) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.file);
    const std::string archive = lha_test::ReadBytes(lha_test::FixturePath(f.file));
    lha::MemoryInput in(Data(archive), archive.size());
    lha::LhaHeader h;
    ASSERT_TRUE(lha::FindFirstHeader(in, &h));
    EXPECT_EQ(h.headerOffset, 0u);
    for (size_t i = 0; i < f.members.size(); ++i) {
      const Member& m = f.members[i];
      if (i > 0) {
        ASSERT_EQ(lha::ReadHeader(in, h.dataOffset + h.packedSize, &h), lha::HeaderResult::kRead);
      }
      EXPECT_EQ(h.level, f.level);
      EXPECT_EQ(PathOf(h), m.path);
      EXPECT_STREQ(h.method, m.method);
      EXPECT_EQ(h.originalSize, m.size);
      EXPECT_EQ(h.crc, m.crc);
      const lha::Method* method = lha::FindMethod(h.method);
      ASSERT_NE(method, nullptr);
      ASSERT_TRUE(in.Seek(h.dataOffset));
      CountingSink sink;
      EXPECT_EQ(lha::DecodeMember(*method, in, h.packedSize, h.originalSize, h.crc, sink), lha::kOk)
          << m.path;
      EXPECT_EQ(sink.total, m.size);
    }
    EXPECT_EQ(lha::ReadHeader(in, h.dataOffset + h.packedSize, &h), lha::HeaderResult::kEnd);
  }
}

TEST(LhaFixtures, AFlippedDataByteFailsTheMember) {
  for (const char* file : {"l0_lh4.lzh", "l0_lh6.lzh", "l1_lh0.lzh", "l1_lh5.lzh", "l2_lh7.lzh",
                           "l3_lh7.lzh", "l1_lh5_long.lzh"}) {
    std::string archive = lha_test::ReadBytes(lha_test::FixturePath(file));
    lha::MemoryInput in(Data(archive), archive.size());
    lha::LhaHeader h;
    ASSERT_TRUE(lha::FindFirstHeader(in, &h));
    archive[static_cast<size_t>(h.dataOffset + h.packedSize / 2)] ^= 0x10;
    const int result = TestBytes(archive);
    EXPECT_TRUE(result == lha::kErrorCrc || result == lha::kErrorHuffman) << file << ": " << result;
  }
}

TEST(LhaFixtures, AFlippedHeaderByteIsCaughtByChecksumOrCrc) {
  // Byte 22 is in the name for levels 0 and 1 (checksum) and in the fixed part for 2 and 3 (CRC).
  // The first header broken must not let a later member pass for the start of the archive.
  for (const char* file : {"l0_lh6.lzh", "l1_lh5.lzh", "l2_lh7.lzh", "l3_lh7.lzh"}) {
    std::string archive = lha_test::ReadBytes(lha_test::FixturePath(file));
    archive[22] ^= 0x01;
    EXPECT_EQ(TestBytes(archive), lha::kErrorNotArchive) << file;
  }
  // A later header broken: the first member still tests, the walk then fails.
  std::string archive = lha_test::ReadBytes(lha_test::FixturePath("l2_lh7.lzh"));
  lha::MemoryInput in(Data(archive), archive.size());
  lha::LhaHeader h;
  ASSERT_TRUE(lha::FindFirstHeader(in, &h));
  archive[static_cast<size_t>(h.dataOffset + h.packedSize + 30)] ^= 0x01;
  EXPECT_EQ(TestBytes(archive), lha::kErrorHeaderBroken);
}

TEST(LhaFixtures, EveryTruncationFailsCleanly) {
  for (const Fixture& f : Fixtures()) {
    const std::string archive = lha_test::ReadBytes(lha_test::FixturePath(f.file));
    // An archive may end without its end mark, so a cut right after a member leaves a shorter
    // archive that is sound; every other cut must fail.
    std::vector<size_t> boundaries;
    lha::MemoryInput in(Data(archive), archive.size());
    lha::LhaHeader h;
    ASSERT_TRUE(lha::FindFirstHeader(in, &h));
    do boundaries.push_back(static_cast<size_t>(h.dataOffset + h.packedSize));
    while (lha::ReadHeader(in, h.dataOffset + h.packedSize, &h) == lha::HeaderResult::kRead);
    for (size_t length = 0; length + 1 < archive.size(); length += 97) {
      if (std::find(boundaries.begin(), boundaries.end(), length) != boundaries.end()) continue;
      const int result = TestBytes(archive.substr(0, length));
      EXPECT_NE(result, lha::kOk) << f.file << " cut at " << length;
    }
    EXPECT_EQ(TestBytes(archive.substr(0, archive.size() - 1)), lha::kOk) << f.file;
  }
}

TEST(LhaFixtures, AnArchiveBehindAProgramIsFound) {
  // A stand-in for a self-extracting program, with decoys that look like methods; the second one
  // puts the first header across the 1 MB blocks in which the search reads the file.
  for (size_t length : {size_t{3000}, (size_t{1} << 20) - 10}) {
    const std::string decoys = "xx-lh5-decoy-lh7-and more bytes that make no header at all....";
    std::string program = "MZ";
    for (size_t i = 0; program.size() + decoys.size() < length; ++i)
      program += static_cast<char>(i * 7 + 3);
    program += decoys;
    const std::string archive = lha_test::ReadBytes(lha_test::FixturePath("l2_lh7.lzh"));
    const std::string joined = program + archive;
    lha::MemoryInput in(Data(joined), joined.size());
    lha::LhaHeader h;
    ASSERT_TRUE(lha::FindFirstHeader(in, &h)) << length;
    EXPECT_EQ(h.headerOffset, program.size());
    EXPECT_EQ(TestBytes(joined), lha::kOk) << length;
  }
}

TEST(LhaFixtures, NoHeaderAnywhereIsNotAnArchive) {
  EXPECT_EQ(TestBytes(""), lha::kErrorNotArchive);
  EXPECT_EQ(TestBytes(std::string(1, '\0')), lha::kErrorNotArchive);
  EXPECT_EQ(TestBytes("20240102,ABC,1.00,1.10,0.90,1.05,1000\r\n"), lha::kErrorNotArchive);
  EXPECT_EQ(TestBytes(std::string(200000, '-')), lha::kErrorNotArchive);
}

TEST(LhaFixtures, AHugeSizeCannotWrapTheWalkToTheStart) {
  // A level-2 header whose 64-bit size extension puts the next header 2^64 bytes on: at offset 0.
  std::string h(26, '\0');
  h[0] = 45;
  h.replace(2, 5, "-lh0-");
  h[19] = 0x20;
  h[20] = 2;
  h[24] = 19;
  std::string ext(19, '\0');
  ext[0] = 0x42;
  const uint64_t packed = ~uint64_t{0} - 45 + 1;
  for (int i = 0; i < 8; ++i) ext[1 + i] = static_cast<char>(packed >> (8 * i));
  EXPECT_EQ(TestBytes(h + ext + std::string(1, '\0')), lha::kErrorNotArchive);
}

TEST(LhaFixtures, ALevel2HeaderOf256BytesIsNoEndMark) {
  // Its size's low byte is 0, like the end mark; the level byte tells them apart.
  const std::string name(227, 'n');
  const std::string data = "hello\r\n";
  std::string h(26, '\0');
  h[1] = 1;  // 256
  h.replace(2, 5, "-lh0-");
  h[7] = h[11] = static_cast<char>(data.size());
  h[19] = 0x20;
  h[20] = 2;
  const uint16_t crc = lha_test::Crc16Of(data);
  h[21] = static_cast<char>(crc & 0xFF);
  h[22] = static_cast<char>(crc >> 8);
  h[24] = static_cast<char>(3 + name.size());
  h += '\x01' + name + std::string(2, '\0');
  ASSERT_EQ(h.size(), 256u);
  const std::string archive = h + data + std::string(1, '\0');
  lha::MemoryInput in(Data(archive), archive.size());
  lha::LhaHeader header;
  ASSERT_TRUE(lha::FindFirstHeader(in, &header));
  EXPECT_EQ(header.name, name);
  EXPECT_EQ(TestBytes(archive), lha::kOk);
}

TEST(LhaFixtures, AnUnknownMethodIsRefusedNotDecoded) {
  std::string archive = lha_test::ReadBytes(lha_test::FixturePath("l1_lh5.lzh"));
  archive[5] = '2';  // -lh2-, with the level-1 checksum mended
  unsigned sum = 0;
  for (size_t i = 2; i < static_cast<unsigned char>(archive[0]) + 2u; ++i)
    sum += static_cast<unsigned char>(archive[i]);
  archive[1] = static_cast<char>(sum);
  EXPECT_EQ(TestBytes(archive), lha::kErrorMethod);
}

}  // namespace

namespace {

// jlha writes no -lh1-; these come from LHarc and LHMelt. long.lzh is large enough to make the
// adaptive code rebuild itself many times.
TEST(LhaCorpus, Lh1ArchivesFromOtherToolsTest) {
  for (const char* archive : {"lharc113/lh1.lzh", "lharc113/long.lzh", "lhmelt_16536/h0_lh1.lzh",
                              "lhmelt_16536/h2_lh1.lzh"}) {
    std::string report;
    EXPECT_EQ(lha::TestArchive(lha_test::CorpusPath(archive).c_str(), &report), lha::kOk) << archive;
  }
}

// Directories and symbolic links create nothing; a symbolic link cannot lead a later member out.
TEST(LhaCorpus, DirectoriesAndLinksCreateNothing) {
  struct Case {
    const char* archive;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {"regression/dir.lzh", {}},
      {"regression/symlink1.lzh", {"foo.txt"}},
      {"regression/symlink2.lzh", {"passwd"}},
      {"regression/symlink3.lzh", {"passwd"}},
      {"lhmelt_16536/h2_subdir.lzh", {"hello.txt"}},
  };
  for (const Case& c : cases) {
    const std::string dir = lha_test::ScratchDir("links");
    std::string report;
    EXPECT_EQ(lha::ExtractArchiveFlat(lha_test::CorpusPath(c.archive).c_str(), (dir + "/").c_str(),
                                      &report),
              lha::kOk)
        << c.archive;
    EXPECT_EQ(lha_test::ListDir(dir), c.files) << c.archive;
  }
}

}  // namespace
