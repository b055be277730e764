#include "files/TextMode.h"

#include <cstring>

namespace {

constexpr int kCtrlZ = 0x1A;

}  // namespace

TextModeReader::TextModeReader(std::FILE* file) : file_(file) {}

TextModeReader::TextModeReader(const char* data, std::size_t size) : data_(data), size_(size) {}

int TextModeReader::Raw() {
  if (pushed_ != EOF) {
    int c = pushed_;
    pushed_ = EOF;
    return c;
  }
  if (file_) return std::fgetc(file_);
  if (pos_ < size_) return static_cast<unsigned char>(data_[pos_++]);
  return EOF;
}

void TextModeReader::Unread(int c) { pushed_ = c; }

int TextModeReader::Get() {
  if (ended_) return EOF;
  int c = Raw();
  if (c == EOF || c == kCtrlZ) {
    ended_ = true;
    return EOF;
  }
  if (c == '\r') {
    int next = Raw();
    if (next == '\n') return '\n';
    if (next != EOF) Unread(next);
  }
  return c;
}

bool TextModeReader::ReadPiece(std::size_t maxChars, std::string* piece) {
  piece->clear();
  while (piece->size() < maxChars) {
    int c = Get();
    if (c == EOF) break;
    piece->push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !piece->empty();
}

bool TextModeReader::Failed() const { return file_ && std::ferror(file_); }

void CutAtControl(std::string* text) {
  for (std::size_t i = 0; i < text->size(); ++i) {
    if (static_cast<signed char>((*text)[i]) < 32) {
      text->resize(i);
      return;
    }
  }
}

bool CopyAsText(std::FILE* in, std::FILE* out) {
  TextModeReader reader(in);
  for (int c = reader.Get(); c != EOF; c = reader.Get()) {
    if (c == '\n' && std::fputc('\r', out) == EOF) return false;
    if (std::fputc(c, out) == EOF) return false;
  }
  return !reader.Failed();
}

TextCheck CheckAsText(std::FILE* in) {
  bool changed = false;
  char previous = '\0';
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0; previous = buffer[n - 1]) {
    if (std::memchr(buffer, 0, n)) return TextCheck::kBinary;
    for (std::size_t i = 0; i < n && !changed; ++i)
      changed = buffer[i] == kCtrlZ || (buffer[i] == '\n' && (i > 0 ? buffer[i - 1] : previous) != '\r');
  }
  if (std::ferror(in)) return TextCheck::kReadError;
  return changed ? TextCheck::kChanged : TextCheck::kSame;
}
