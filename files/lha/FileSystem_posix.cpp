#include "files/lha/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

bool MakeTemporaryBeside(const std::string& target, std::string* temporary) {
  const size_t slash = target.rfind('/');
  std::string pattern = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  pattern += "~tkXXXXXX.tmp";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return false;
  // mkstemp makes the file private; an extracted file gets the rights any new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  temporary->assign(name.data());
  return true;
}

bool PutTemporaryInPlace(const std::string& temporary, const std::string& target) {
  const int fd = ::open(temporary.c_str(), O_WRONLY);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed && std::rename(temporary.c_str(), target.c_str()) == 0;
}

bool FreeSpace(const std::string& directory, uint64_t* bytes) {
  struct statvfs vfs;
  if (::statvfs(directory.c_str(), &vfs) != 0) return false;
  *bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  return true;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool SetModificationTime(const std::string& path, std::time_t when) {
  struct utimbuf times;
  times.actime = when;
  times.modtime = when;
  return ::utime(path.c_str(), &times) == 0;
}

}  // namespace lha
