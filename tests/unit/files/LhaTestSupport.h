// Paths, files and small helpers shared by the extractor's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lha_test {

// A fixture from tests/data/lha.
std::string FixturePath(const std::string& name);
// An archive from the shared conformance corpus beside the source tree.
std::string CorpusPath(const std::string& relative);
// An empty folder of the test's own under the build tree (emptied if it exists), no separator at
// the end.
std::string ScratchDir(const std::string& name);
std::string Join(const std::string& directory, const std::string& name);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Names in a folder, sorted (plain ASCII names only).
std::vector<std::string> ListDir(const std::string& directory);
// Entries in a folder, whatever their names.
size_t CountEntries(const std::string& directory);

// Writes bits most significant first, as LHA's packed data holds them.
class BitWriter {
 public:
  void Put(uint32_t value, int bits);
  std::string Bytes() const;  // the last byte padded with zero bits

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 8;
};

uint16_t Crc16Of(const std::string& bytes);

// The members of names.lzh (level 0, stored, "member N\r\n" under hostile names), each header
// with its data, to be put together into archives of a test's own (ended by a zero byte).
std::vector<std::string> NamesMembers();

// A level-2 stored member of the four bytes "data" whose 64-bit size extension declares
// `declared` original bytes, as a hostile archive may; an archive ends with a zero byte after it.
std::string DeclaringMember(const std::string& name, uint64_t declared);

// A member written byte by byte, for headers and methods that no tool at hand makes.
struct MemberSpec {
  int level = 2;                // 0, 1 or 2
  const char* method = "-lh0-";
  std::string name;             // the name field as stored, a comment behind a zero byte and all
  std::string packed;           // the data as stored
  std::string original;         // what it decodes to: its size and CRC go into the header
  char osId = 'M';              // levels 1 and 2
  uint32_t time = 0;            // MS-DOS local time (levels 0, 1) or Unix time (level 2)
  bool sizeWithoutItself = false;  // level 2: the size as the OS-9/68K archiver counts it
};
std::string MemberBytes(const MemberSpec& member);

}  // namespace lha_test
