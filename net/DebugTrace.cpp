#include "net/DebugTrace.h"

bool DebugTrace::Open() {
  file_ = std::fopen("\\tkvndbg.txt", "a");
  if (file_ == nullptr) return false;
  std::fputs("\n\n--- NEW DEBUG SESSION STARTS ---\n\n", file_);
  return true;
}

void DebugTrace::Put(char byte) {
  if (file_ != nullptr) std::fputc(static_cast<unsigned char>(byte), file_);
}

void DebugTrace::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}
