#include "files/lha/InputStream.h"

#include <climits>
#include <cstring>

namespace lha {

size_t MemoryInput::Read(uint8_t* data, size_t size) {
  size_t n = size_ - position_;
  if (n > size) n = size;
  if (n) std::memcpy(data, data_ + position_, n);
  position_ += n;
  return n;
}

bool MemoryInput::Seek(uint64_t position) {
  if (position > size_) return false;
  position_ = static_cast<size_t>(position);
  return true;
}

FileInput::FileInput(std::FILE* file) : file_(file) {
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    long end = std::ftell(file_);
    if (end > 0) size_ = static_cast<uint64_t>(end);
  }
  std::fseek(file_, 0, SEEK_SET);
}

size_t FileInput::Read(uint8_t* data, size_t size) { return std::fread(data, 1, size, file_); }

bool FileInput::Seek(uint64_t position) {
  // The data files this program handles are far below 2 GB; a position beyond a long is beyond
  // the file as well.
  if (position > size_ || position > static_cast<uint64_t>(LONG_MAX)) return false;
  return std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

}  // namespace lha
