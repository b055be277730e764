// The few file-system operations the extractor needs beyond the C library: one implementation for
// Windows, one for POSIX systems.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace lha {

// The separator put between the destination directory and a member's name.
extern const char kPathSeparator;

// True when the file system takes `name` as one plain file name. Names are read as code page 932;
// where the system's own code page differs, a byte that was a trail byte there (0x5C, "\") can be a
// separator here, and such a name is refused rather than written into a subfolder.
bool IsPlainFileName(const std::string& name);

bool IsDirectory(const std::string& path);
// Makes one directory; true also when it exists already.
bool MakeDirectory(const std::string& path);
// Creates a new, empty temporary file beside `target` ("~tk....tmp", the pattern by which a later
// run removes what a killed one left) and gives its path.
bool MakeTemporaryBeside(const std::string& target, std::string* temporary);
// Flushes the complete `temporary` to disk and moves it over `target` in one step.
bool PutTemporaryInPlace(const std::string& temporary, const std::string& target);
// The bytes the caller may still write on the volume that holds `directory`; false when unknown.
bool FreeSpace(const std::string& directory, uint64_t* bytes);
bool RemoveFile(const std::string& path);
// Gives the file the modification time `when` (seconds since 1970).
bool SetModificationTime(const std::string& path, std::time_t when);

}  // namespace lha
