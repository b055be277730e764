// The program's own text files (files.ini, files.use, holiday.txt, abc.def and the files that
// abc.def lists) are read and rewritten by the rules of a C runtime's text mode, spelt out here so
// that every build gives the same bytes:
//   reading: a CR LF pair reads as LF, any other CR is kept, the first 0x1A (Ctrl-Z) ends the input;
//   writing: every LF is written as CR LF.
// Lines are read in pieces of a fixed maximum length, as a text-mode fgets reads them, and a piece
// is cut at its first byte below 32 taken as a signed 8-bit value (so also at every byte of 0x80
// and above).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class TextModeReader {
 public:
  // Reads from an open file (opened in binary mode); the caller keeps and closes it.
  explicit TextModeReader(std::FILE* file);
  // Reads from memory; the bytes must outlive the reader.
  TextModeReader(const char* data, std::size_t size);

  // The next character after the text-mode translation, or EOF at the end of the input.
  int Get();
  // Reads the next piece of a line: at most `maxChars` characters, ending after the first LF when
  // that comes sooner. False when the input is at its end and nothing was read.
  bool ReadPiece(std::size_t maxChars, std::string* piece);
  // True when the underlying file reported a read error.
  bool Failed() const;

 private:
  int Raw();
  void Unread(int c);

  std::FILE* file_ = nullptr;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  int pushed_ = EOF;
  bool ended_ = false;
};

// Cuts `text` at its first byte below 32 taken as a signed 8-bit value.
void CutAtControl(std::string* text);

// Copies `in` to `out` (both binary) through the text-mode rules: a CR is inserted before every
// LF that does not follow a CR, CR LF pairs and lone CRs are kept, and the copy ends before the
// first 0x1A. Copying the result again gives the same bytes. False on a read or write error.
bool CopyAsText(std::FILE* in, std::FILE* out);

// What CopyAsText would do to a file, found by reading it (binary) to its end without writing:
// kSame when every LF follows a CR and no 0x1A is there, so that the copy would give the same
// bytes; kBinary for a file that holds a NUL byte anywhere, which is no text to rewrite.
enum class TextCheck { kSame, kChanged, kBinary, kReadError };
TextCheck CheckAsText(std::FILE* in);
