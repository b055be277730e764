// Where archive bytes come from: a file on disk or, in tests and fuzzing, a block of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace lha {

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to `size` bytes at the current position; fewer only at the end or on a read error.
  virtual size_t Read(uint8_t* data, size_t size) = 0;
  // Moves to an absolute position; false when the position lies beyond the end.
  virtual bool Seek(uint64_t position) = 0;
  virtual uint64_t Size() const = 0;
};

class MemoryInput : public InputStream {
 public:
  MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(uint8_t* data, size_t size) override;
  bool Seek(uint64_t position) override;
  uint64_t Size() const override { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Reads an open file; the caller keeps ownership of the FILE.
class FileInput : public InputStream {
 public:
  explicit FileInput(std::FILE* file);
  size_t Read(uint8_t* data, size_t size) override;
  bool Seek(uint64_t position) override;
  uint64_t Size() const override { return size_; }

 private:
  std::FILE* file_;
  uint64_t size_ = 0;
};

}  // namespace lha
