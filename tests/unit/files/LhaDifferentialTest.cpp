// The extractor against Debian's lhasa over real archives from other tools and the fixtures: for
// every archive both extract flat into folders of their own, and every regular file lhasa makes
// from a member whose method the extractor decodes must come out of the extractor with the same
// bytes, under the same name regardless of case. Where lhasa refuses, the extractor must refuse
// too; where the extractor meets a method it does not decode, or a name it refuses, it must say
// so, and then write nothing at all. Nothing may be written outside the destination.
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

void Compare(const std::string& archive, const std::string& label) {
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
  } else if (facts.allMethodsKnown) {
    EXPECT_EQ(testResult, lha::kOk) << Printable(report);
    EXPECT_EQ(extractResult, facts.anyNameRefused ? lha::kErrorCannotWrite : lha::kOk)
        << Printable(report);
  } else {
    EXPECT_EQ(testResult, lha::kErrorMethod);
    EXPECT_EQ(extractResult, lha::kErrorMethod);
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
      ASSERT_NE(mine, ourFiles.end()) << Printable(name) << " missing";
      EXPECT_TRUE(mine->second == bytes) << Printable(name) << " differs";
    }
  }
  // Every file made lies directly in the destination, and nothing beside it.
  for (const auto& e : fs::recursive_directory_iterator(oursParent)) {
    if (e.path() != fs::path(ours)) {
      EXPECT_EQ(e.path().parent_path(), fs::path(ours)) << e.path();
    }
  }
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

}  // namespace
