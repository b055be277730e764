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

}  // namespace lha_test
