#include "files/lha/FileSystem.h"

#include <sys/stat.h>
#include <utime.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace lha {

const char kPathSeparator = '/';

// Only "/" separates, and a flat name holds none.
bool IsPlainFileName(const std::string& name) { return name.find('/') == std::string::npos; }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(path));
}

bool MakeTempFile(const std::string& directory, std::string* path) {
  std::string pattern = directory;
  if (!pattern.empty() && pattern.back() != '/') pattern += '/';
  pattern += "lhaXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  // mkstemp makes the file private; an extracted file gets the rights any new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  path->assign(name.data());
  return true;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool SetModificationTime(const std::string& path, std::time_t when) {
  struct utimbuf times;
  times.actime = when;
  times.modtime = when;
  return ::utime(path.c_str(), &times) == 0;
}

}  // namespace lha
