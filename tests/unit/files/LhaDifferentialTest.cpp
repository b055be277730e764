// The extractor against Debian's lhasa over real archives from other tools and the fixtures: for
// every archive both extract flat into folders of their own. What lhasa reads the extractor reads:
// every regular file lhasa makes must come out of the extractor with the same bytes, under the
// same name regardless of case, unless the name rules refuse it. Where lhasa refuses, the
// extractor must refuse too; where the extractor refuses a name, it must say so, and then write
// nothing at all. Nothing may be written outside the destination.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "LhaTestSupport.h"
#include "files/FileNameRules.h"
#include "files/lha/Decoder.h"
#include "files/lha/FlatName.h"
#include "files/lha/LhaArchive.h"
#include "files/lha/LhaErrors.h"
#include "files/lha/LhaHeader.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Regular files under `dir` by lower-case name; lhasa keeps the paths, so walk them all. A name
// found in two folders is left out: which one is later depends on the archive's order.
std::map<std::string, std::string> FilesUnder(const std::string& dir) {
  std::map<std::string, std::string> files;
  std::map<std::string, int> seen;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_symlink() || !e.is_regular_file()) continue;
    const std::string name = Lower(e.path().filename().string());
    if (++seen[name] > 1) {
      files.erase(name);
      continue;
    }
    files[name] = lha_test::ReadBytes(e.path().string());
  }
  return files;
}

// Control characters shown as '?', so that a hostile name cannot drive the terminal.
std::string Printable(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}

struct ArchiveFacts {
  bool allMethodsKnown = true;
  bool anyNameRefused = false;
  // Lower-case last part of each stored name: whether the extractor is to write it (its method is
  // decoded, its name is not refused and it is no program file nor one of the program's own).
  std::map<std::string, bool> expected;
};

ArchiveFacts Inspect(const std::string& path) {
  ArchiveFacts facts;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return facts;
  lha::FileInput in(f);
  lha::LhaHeader h;
  if (lha::FindFirstHeader(in, &h)) {
    do {
      const bool known = lha::FindMethod(h.method) != nullptr;
      facts.allMethodsKnown = facts.allMethodsKnown && known;
      std::string name = h.name;
      const size_t cut = name.find_last_of("\\/");
      if (cut != std::string::npos) name = name.substr(cut + 1);
      std::string flat;
      const bool refused = !lha::IsDirectoryOrLink(h) && !lha::FlatName(h.name, &flat);
      facts.anyNameRefused = facts.anyNameRefused || (known && refused);
      const bool passedOver = !refused && KindOfFileName(flat) != FileNameKind::kData;
      facts.expected[Lower(name)] = known && !refused && !passedOver;
    } while (lha::ReadHeader(in, h.dataOffset + h.packedSize, &h) == lha::HeaderResult::kRead);
  }
  std::fclose(f);
  return facts;
}

// Our files by lower-case name, for a caller that expects particular ones.
std::map<std::string, std::string> Compare(const std::string& archive, const std::string& label) {
  SCOPED_TRACE(label);
  const std::string root = lha_test::ScratchDir("differential");
  const std::string theirs = lha_test::Join(root, "lhasa");
  const std::string oursParent = lha_test::Join(root, "ours");
  const std::string ours = lha_test::Join(oursParent, "out");
  fs::create_directories(theirs);
  fs::create_directories(ours);

  const int lhasaTest = std::system(("lhasa tq " + Quote(archive) + " >/dev/null 2>&1").c_str());
  const int lhasaExtract = std::system(
      ("cd " + Quote(theirs) + " && lhasa xqiw=. " + Quote(archive) + " >/dev/null 2>&1").c_str());
  std::string report;
  const int testResult = lha::TestArchive(archive.c_str(), &report);
  report.clear();
  const int extractResult = lha::ExtractArchiveFlat(archive.c_str(), (ours + "/").c_str(), &report);
  const ArchiveFacts facts = Inspect(archive);

  if (lhasaTest != 0 || lhasaExtract != 0) {
    EXPECT_NE(testResult, lha::kOk) << "lhasa refuses it";
    EXPECT_NE(extractResult, lha::kOk) << "lhasa refuses it";
  } else {
    EXPECT_TRUE(facts.allMethodsKnown) << "lhasa decodes a method the extractor does not";
    EXPECT_EQ(testResult, lha::kOk) << Printable(report);
    EXPECT_EQ(extractResult, facts.anyNameRefused ? lha::kErrorCannotWrite : lha::kOk)
        << Printable(report);
  }

  const auto theirFiles = FilesUnder(theirs);
  const auto ourFiles = FilesUnder(ours);
  // An archive is extracted whole or not at all.
  if (extractResult != lha::kOk) {
    EXPECT_TRUE(ourFiles.empty());
  }
  if (lhasaExtract == 0 && extractResult == lha::kOk) {
    for (const auto& [name, bytes] : theirFiles) {
      const auto expected = facts.expected.find(name);
      if (expected != facts.expected.end() && !expected->second) continue;
      const auto mine = ourFiles.find(name);
      if (mine == ourFiles.end()) {
        ADD_FAILURE() << Printable(name) << " missing";
        continue;
      }
      EXPECT_TRUE(mine->second == bytes) << Printable(name) << " differs";
    }
  }
  // Every file made lies directly in the destination, and nothing beside it.
  for (const auto& e : fs::recursive_directory_iterator(oursParent)) {
    if (e.path() != fs::path(ours)) {
      EXPECT_EQ(e.path().parent_path(), fs::path(ours)) << e.path();
    }
  }
  return ourFiles;
}

TEST(LhaDifferential, CorpusArchivesAgreeWithLhasa) {
  const std::string corpus = lha_test::CorpusPath("");
  ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
  int archives = 0;
  std::vector<fs::path> paths;
  for (const auto& e : fs::recursive_directory_iterator(corpus)) {
    const std::string ext = Lower(e.path().extension().string());
    if (e.is_regular_file() && (ext == ".lzh" || ext == ".lzs" || ext == ".com" || ext == ".exe"))
      paths.push_back(e.path());
  }
  std::sort(paths.begin(), paths.end());
  for (const fs::path& p : paths) {
    Compare(p.string(), fs::relative(p, corpus).string());
    ++archives;
  }
  EXPECT_GE(archives, 50);
}

TEST(LhaDifferential, FixturesAgreeWithLhasa) {
  // names.lzh is left out: lhasa knows no Shift-JIS and splits its names at the 0x5C trail bytes.
  // program.lzh: its batch files and the program's own files are passed over, its data agrees.
  for (const char* f : {"l0_lh4.lzh", "l0_lh6.lzh", "l1_lh0.lzh", "l1_lh5.lzh", "l1_lh5_long.lzh",
                        "l2_lh5_paths.lzh", "l2_lh7.lzh", "l2_lh7_long.lzh", "l3_lh7.lzh",
                        "program.lzh"})
    Compare(lha_test::FixturePath(f), f);
}

// A MacBinary header as MacLHA writes it around a file of `name`, changed on `macTime`.
std::string MacBinaryHeader(const std::string& name, uint32_t data, uint32_t resource,
                            uint32_t macTime) {
  std::string h(128, '\0');
  h[1] = static_cast<char>(name.size());
  h.replace(2, name.size(), name);
  h.replace(0x41, 8, "TEXTttxt");
  for (int i = 0; i < 4; ++i) {
    h[0x53 + i] = static_cast<char>(data >> (24 - 8 * i));
    h[0x57 + i] = static_cast<char>(resource >> (24 - 8 * i));
    h[0x5B + i] = h[0x5F + i] = static_cast<char>(macTime >> (24 - 8 * i));
  }
  return h;
}

std::string PaddedTo128(const std::string& s) {
  return s + std::string((128 - s.size() % 128) % 128, '\0');
}

// Members that lhasa reads and no tool here makes: LArc's methods, names followed by a comment,
// MacLHA's MacBinary wrapper and the OS-9/68K archiver's level-2 size. Each archive is checked
// against lhasa and against the one file it must give.
TEST(LhaDifferential, MembersWrittenByteByByteAgreeWithLhasa) {
  const uint32_t unixTime = 1700000000;          // 2023-11-14 22:13:20 UTC
  const uint32_t macTime = unixTime + 2082844800u;
  const uint32_t dosTime = (43u << 25) | (11u << 21) | (14u << 16) | (12u << 11);
  const std::string fork = "20231114,ABC,1.00,1.10,0.90,1.05,1000\r\n";
  const std::string resource = "resource fork";

  lha_test::BitWriter lzs;  // "ab", a copy of 4 that overlaps itself, 3 spaces from the start
  lzs.Put(1, 1), lzs.Put('a', 8), lzs.Put(1, 1), lzs.Put('b', 8);
  lzs.Put(0, 1), lzs.Put(2048 - 17, 11), lzs.Put(4 - 2, 4);
  lzs.Put(0, 1), lzs.Put(100, 11), lzs.Put(3 - 2, 4);
  // "x", five of the thirteen 'A's and the digits from the values counting up
  const std::string lz5 = std::string("\x01x") + "\x4D\x32" + "\x30\xD7";

  const auto stored = [](int level, const std::string& name, const std::string& bytes, char os,
                         uint32_t time) {
    return lha_test::MemberSpec{level, "-lh0-", name, bytes, bytes, os, time};
  };
  const std::string commented("prices.csv\0Daily prices", 23);
  const std::string wrapped = PaddedTo128(
      MacBinaryHeader("prices.csv", fork.size(), resource.size(), macTime) + fork + resource);
  const std::string resourceOnly =
      PaddedTo128(MacBinaryHeader("prices.csv", 0, resource.size(), macTime) + resource);
  const std::string otherName =
      PaddedTo128(MacBinaryHeader("prices.bin", fork.size(), 0, macTime) + fork);
  lha_test::MemberSpec os9 = stored(2, "prices.csv", fork, 'K', unixTime);
  os9.sizeWithoutItself = true;

  struct Case {
    const char* what;
    lha_test::MemberSpec member;
    std::string file;
    std::string content;
  };
  const Case cases[] = {
      {"-lzs-", {0, "-lzs-", "LZS.TXT", lzs.Bytes(), "ababab   "}, "lzs.txt", "ababab   "},
      {"-lz5-", {0, "-lz5-", "LZ5.TXT", lz5, "xAAAAA0123456789"}, "lz5.txt", "xAAAAA0123456789"},
      {"level 1 name and comment", stored(1, commented, fork, 'A', dosTime), "prices.csv", fork},
      {"level 2 name and comment", stored(2, commented, fork, 'A', unixTime), "prices.csv", fork},
      {"MacBinary, data fork", stored(2, "prices.csv", wrapped, 'm', unixTime), "prices.csv", fork},
      {"MacBinary, resource fork alone", stored(1, "prices.csv", resourceOnly, 'm', dosTime),
       "prices.csv", resource},
      {"MacBinary of another name, kept whole", stored(2, "prices.csv", otherName, 'm', unixTime),
       "prices.csv", otherName},
      {"MacBinary from an MS-DOS archiver, kept whole",
       stored(2, "prices.csv", wrapped, 'M', unixTime), "prices.csv", wrapped},
      {"OS-9/68K level 2", os9, "prices.csv", fork},
  };
  for (const Case& c : cases) {
    const std::string path = lha_test::Join(lha_test::ScratchDir("written"), "member.lzh");
    lha_test::WriteBytes(path, lha_test::MemberBytes(c.member) + std::string(1, '\0'));
    const auto files = Compare(path, c.what);
    const auto file = files.find(c.file);
    if (file == files.end()) {
      ADD_FAILURE() << c.what << ": no " << c.file;
      continue;
    }
    EXPECT_EQ(file->second, c.content) << c.what;
  }
  // The comment is dropped from the name, not lost: the listing shows it.
  const std::string path = lha_test::Join(lha_test::ScratchDir("written"), "comment.lzh");
  lha_test::WriteBytes(path, lha_test::MemberBytes(cases[3].member) + std::string(1, '\0'));
  std::string listing;
  EXPECT_EQ(lha::ListArchive(path.c_str(), &listing), lha::kOk);
  EXPECT_NE(listing.find(" prices.csv  ; Daily prices\n"), std::string::npos) << listing;
}

}  // namespace
