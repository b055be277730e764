// The few file-system operations the extractor needs beyond the C library: one implementation for
// Windows, one for POSIX systems.
#pragma once

#include <string>

namespace lha {

// The separator put between the destination directory and a member's name.
extern const char kPathSeparator;

bool IsDirectory(const std::string& path);
// Makes one directory; true also when it exists already.
bool MakeDirectory(const std::string& path);
// Creates a new, empty file with a name of its own in `directory` and gives its path.
bool MakeTempFile(const std::string& directory, std::string* path);
// Renames `from` to `to`, replacing a file that is there.
bool RenameReplacing(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

}  // namespace lha
