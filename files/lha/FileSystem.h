// The few file-system operations the extractor needs beyond the C library: one implementation for
// Windows, one for POSIX systems. A directory is always given apart from the name of a file in it
// and may end in separators ("\" or "/"): only the system's own layer takes paths apart, since a
// byte 0x5C can be the second half of a double-byte character rather than a separator. On
// Windows every name is converted from the system's code page and used through the wide calls, so
// the file gets exactly the name that was checked.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "files/FileNameRules.h"

namespace lha {

// What this system makes of a flat member name: on Windows the name converted strictly (a name
// that does not convert is unusable) and judged again as wide characters; on POSIX the bytes are
// the name, and "/" is the only separator.
FileNameKind KindOnThisSystem(const std::string& flat);

// Makes the directory and every missing level above it; true when it exists at the end.
bool MakeDirectories(const std::string& directory);

// What stands under `name`: nothing, a file that may be replaced, or anything else (a directory,
// a link, a read-only file on Windows).
enum class Entry { kNone, kFile, kOther };
Entry EntryAt(const std::string& directory, const std::string& name);

// Moves `from` over `to`, both in `directory`, in one step (replacing `to`, written through).
bool MoveWithin(const std::string& directory, const std::string& from, const std::string& to);
bool RemoveFile(const std::string& directory, const std::string& name);
// The bytes the caller may still write on the volume that holds `directory`; false when unknown.
bool FreeSpace(const std::string& directory, uint64_t* bytes);

// A new temporary file (the prefix, up to six letters or digits, ".tmp"), written, flushed to disk
// and closed through the one handle that created it. With kTemporaryPrefix a later run removes
// what a killed one left.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile();  // closes an unfinished file; the file itself stays for the caller to remove
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // `prefix` is three ASCII characters.
  bool Create(const std::string& directory, const char* prefix);
  // The file's name within its directory.
  const std::string& Name() const { return name_; }
  bool Write(const uint8_t* data, size_t size);
  // Gives the file the modification time `when` (seconds since 1970; a negative one leaves it as
  // it is, and one that cannot be set does not count as a failure), flushes it and closes it.
  bool Finish(std::time_t when);

 private:
  void Close();
  intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
  std::string name_;
};

}  // namespace lha
