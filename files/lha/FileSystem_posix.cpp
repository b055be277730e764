#include "files/lha/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace lha {

namespace {

// The command line ends the destination with "\"; POSIX names may hold that byte elsewhere.
std::string Directory(std::string d) {
  while (d.size() > 1 && (d.back() == '/' || d.back() == '\\')) d.pop_back();
  return d.empty() ? std::string(".") : d;
}

std::string PathOf(const std::string& directory, const std::string& name) {
  return Directory(directory) + '/' + name;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

FileNameKind KindOnThisSystem(const std::string& flat) {
  return flat.find('/') == std::string::npos ? KindOfFileName(flat) : FileNameKind::kUnusable;
}

bool MakeDirectories(const std::string& directory) {
  const std::string d = Directory(directory);
  for (size_t i = 1; i <= d.size(); ++i) {
    if (i < d.size() && d[i] != '/') continue;
    const std::string level = d.substr(0, i);
    if (!IsDirectory(level) && ::mkdir(level.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectory(level)))
      return false;
  }
  return true;
}

Entry EntryAt(const std::string& directory, const std::string& name) {
  struct stat st;
  if (::lstat(PathOf(directory, name).c_str(), &st) != 0) return Entry::kNone;
  return S_ISREG(st.st_mode) ? Entry::kFile : Entry::kOther;
}

bool MoveWithin(const std::string& directory, const std::string& from, const std::string& to) {
  return std::rename(PathOf(directory, from).c_str(), PathOf(directory, to).c_str()) == 0;
}

bool RemoveFile(const std::string& directory, const std::string& name) {
  return ::unlink(PathOf(directory, name).c_str()) == 0;
}

bool FreeSpace(const std::string& directory, uint64_t* bytes) {
  struct statvfs vfs;
  if (::statvfs(Directory(directory).c_str(), &vfs) != 0) return false;
  *bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  return true;
}

TemporaryFile::~TemporaryFile() { Close(); }

void TemporaryFile::Close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

bool TemporaryFile::Create(const std::string& directory, const char* prefix) {
  std::string pattern = PathOf(directory, std::string(prefix) + "XXXXXX.tmp");
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  const int fd = ::mkstemps(path.data(), 4);
  if (fd < 0) return false;
  // mkstemp makes the file private; an extracted file gets the rights any new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  handle_ = fd;
  const std::string made(path.data());
  name_ = made.substr(made.rfind('/') + 1);
  return true;
}

bool TemporaryFile::Write(const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(handle_), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TemporaryFile::Finish(std::time_t when) {
  const int fd = static_cast<int>(handle_);
  if (when >= 0) {
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    ::futimens(fd, times);
  }
  const bool flushed = ::fsync(fd) == 0;
  handle_ = -1;
  return ::close(fd) == 0 && flushed;
}

}  // namespace lha
