#include "LhaTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <algorithm>

#include "files/lha/Crc16.h"

namespace fs = std::filesystem;

namespace lha_test {

namespace {

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set");
  std::string path = value;
#ifdef _WIN32
  // Under Wine the build tree's Unix paths are reached through drive Z:.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
  return path;
}

}  // namespace

std::string Join(const std::string& directory, const std::string& name) {
#ifdef _WIN32
  return directory + "\\" + name;
#else
  return directory + "/" + name;
#endif
}

std::string FixturePath(const std::string& name) {
  return Join(FromEnvironment("TKVN_SOURCE_DIR"), "tests/data/lha/" + name);
}

std::string CorpusPath(const std::string& relative) {
  return Join(FromEnvironment("TKVN_SOURCE_DIR"), "../shared/lha-corpus/" + relative);
}

std::string ScratchDir(const std::string& name) {
  const std::string dir = Join(FromEnvironment("TKVN_BINARY_DIR"), "lha-scratch/" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

std::vector<std::string> ListDir(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

size_t CountEntries(const std::string& directory) {
  return static_cast<size_t>(
      std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

void BitWriter::Put(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    if (used_ == 8) {
      bytes_.push_back(0);
      used_ = 0;
    }
    if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> used_);
    ++used_;
  }
}

std::string BitWriter::Bytes() const { return std::string(bytes_.begin(), bytes_.end()); }

uint16_t Crc16Of(const std::string& bytes) {
  return lha::UpdateCrc16(0, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<std::string> NamesMembers() {
  const std::string a = ReadBytes(FixturePath("names.lzh"));
  std::vector<std::string> members;
  for (size_t at = 0; at < a.size() && a[at] != 0;) {
    size_t size = static_cast<unsigned char>(a[at]) + 2u;  // the header, then the packed size
    for (int i = 3; i >= 0; --i) size += static_cast<size_t>(static_cast<unsigned char>(a[at + 7 + i])) << (8 * i);
    members.push_back(a.substr(at, size));
    at += size;
  }
  return members;
}

std::string DeclaringMember(const std::string& name, uint64_t declared) {
  std::string h(26, '\0');
  h.replace(2, 5, "-lh0-");
  h[19] = 0x20;
  h[20] = 2;
  h[24] = static_cast<char>(3 + name.size());  // the name extension's size
  h += '\x01' + name + std::string(1, 19) + '\0';
  std::string sizes(19, '\0');  // the 64-bit size extension, then no further one
  sizes[0] = 0x42;
  sizes[1] = 4;  // packed: 4 bytes
  for (int i = 0; i < 8; ++i) sizes[9 + i] = static_cast<char>(declared >> (8 * i));
  h += sizes;
  h[0] = static_cast<char>(h.size());
  return h + "data";
}

namespace {

void PutLe(std::string* s, size_t at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) (*s)[at + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string MemberBytes(const MemberSpec& m) {
  const size_t fixed = m.level == 2 ? 26 : 22;
  std::string h(fixed, '\0');
  h.replace(2, 5, m.method);
  PutLe(&h, 7, m.packed.size(), 4);
  PutLe(&h, 11, m.original.size(), 4);
  PutLe(&h, 15, m.time, 4);
  h[19] = 0x20;
  h[20] = static_cast<char>(m.level);
  const uint16_t crc = Crc16Of(m.original);
  if (m.level == 2) {
    PutLe(&h, 21, crc, 2);
    h[23] = m.osId;
    PutLe(&h, 24, 3 + m.name.size(), 2);
    h += '\x01' + m.name + std::string(2, '\0');
    PutLe(&h, 0, h.size() - (m.sizeWithoutItself ? 2 : 0), 2);
    return h + m.packed;
  }
  h[21] = static_cast<char>(m.name.size());
  h += m.name + std::string(2, '\0');
  PutLe(&h, h.size() - 2, crc, 2);
  if (m.level == 1) h += m.osId + std::string(2, '\0');  // no extended header
  h[0] = static_cast<char>(h.size() - 2);
  unsigned sum = 0;
  for (size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
  h[1] = static_cast<char>(sum);
  return h + m.packed;
}

}  // namespace lha_test
