// The archiver library that ExtractArchive drives, as three calls: an option set before every
// extraction, an archive check and a command entry. The program's own LHA extractor stands behind
// it; tests put a fake in its place.
#pragma once

#include <windows.h>

#include <vector>

#include "files/lha/LhaArchive.h"

class Archiver {
 public:
  virtual ~Archiver() = default;
  // The library's option, set to 0 before every extraction.
  virtual void SetOption(BOOL value) = 0;
  // 1 when `path` is an archive whose every member the command entry can extract. Mode 16: look
  // for the first header anywhere in the file, as behind a self-extracting program.
  virtual int CheckArchive(const char* path, int mode) = 0;
  // Runs a command ("e ARCHIVE DESTDIR\" and the like); 0 on success, else the library's error
  // code. A short account goes to `output` (always NUL-terminated when `size` is not 0), and to
  // `refused` the members that an extraction passed over (program files, the program's own files)
  // and the refusal that stopped it (a name, the free-space reserve, a limit of the archive).
  virtual int Command(HWND owner, const char* command, char* output, DWORD size,
                      std::vector<lha::RefusedMember>* refused) = 0;
};

// The archiver in use: the program's own extractor unless a test has set another.
Archiver& CurrentArchiver();
// Puts `archiver` in place (the caller keeps ownership); null brings back the program's own.
void SetArchiver(Archiver* archiver);
