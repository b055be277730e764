// The header trace of a debug build: every header byte received, appended to "\tkvndbg.txt" in
// the root of the current drive. A delivered build writes nothing.
#pragma once

#include <cstdio>

class DebugTrace {
 public:
  DebugTrace() = default;
  DebugTrace(const DebugTrace&) = delete;
  DebugTrace& operator=(const DebugTrace&) = delete;
  ~DebugTrace() { Close(); }

  // Opens the file and writes the session banner; false when it cannot be opened.
  bool Open();
  void Put(char byte);
  void Close();

 private:
  std::FILE* file_ = nullptr;
};
