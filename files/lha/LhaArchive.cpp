#include "files/lha/LhaArchive.h"

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <memory>

#include "files/lha/Decoder.h"
#include "files/lha/FileSystem.h"
#include "files/lha/FlatName.h"
#include "files/lha/LhaErrors.h"
#include "files/lha/LhaHeader.h"

namespace lha {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class NullSink : public OutputSink {
 public:
  bool Write(const uint8_t*, size_t) override { return true; }
};

class FileSink : public OutputSink {
 public:
  explicit FileSink(std::FILE* f) : file_(f) {}
  bool Write(const uint8_t* data, size_t size) override {
    return std::fwrite(data, 1, size, file_) == size;
  }

 private:
  std::FILE* file_;
};

// The stored path as one text for reports, with control characters shown as '?' so that a hostile
// name cannot drive a terminal.
std::string Printable(const LhaHeader& h) {
  std::string path;
  for (char c : h.directory) path += static_cast<unsigned char>(c) == 0xFF ? '/' : c;
  if (!path.empty() && path.back() != '/' && !h.name.empty()) path += '/';
  path += h.name;
  for (char& c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return path;
}

void Append(std::string* report, const std::string& name, const char* what) {
  *report += name;
  *report += ": ";
  *report += what;
  *report += '\n';
}

// Calls `visit` for every member in order and gives the first failure: the visitor's, or the one
// that ended the walk (no first header, a later header broken).
using Visitor = std::function<int(InputStream&, const LhaHeader&)>;

int WalkArchive(InputStream& in, const Visitor& visit) {
  LhaHeader header;
  if (!FindFirstHeader(in, &header)) return kErrorNotArchive;
  int first = kOk;
  for (;;) {
    const int result = visit(in, header);
    if (first == kOk) first = result;
    const HeaderResult next = ReadHeader(in, header.dataOffset + header.packedSize, &header);
    if (next == HeaderResult::kEnd) break;
    if (next == HeaderResult::kBroken) return first != kOk ? first : kErrorHeaderBroken;
  }
  return first;
}

int WalkArchive(const char* path, const Visitor& visit) {
  FilePtr file(std::fopen(path, "rb"));
  if (!file) return kErrorArchiveOpen;
  FileInput in(file.get());
  return WalkArchive(in, visit);
}

int Decode(InputStream& in, const LhaHeader& h, const Method& method, OutputSink& out) {
  if (!in.Seek(h.dataOffset)) return kErrorHeaderBroken;
  return DecodeMember(method, in, h.packedSize, h.originalSize, h.crc, out);
}

const char* Describe(int code) {
  switch (code) {
    case kOk: return "OK";
    case kErrorMethod: return "unsupported method";
    case kErrorCrc: return "CRC error";
    case kErrorHuffman: return "broken packed data";
    case kErrorHeaderBroken: return "broken header";
    case kErrorCannotWrite: return "cannot write";
    case kErrorDiskSpace: return "not enough free space";
    default: return "failed";
  }
}

// Decodes one member into a temporary file beside its target and puts it in place on success.
int ExtractMember(InputStream& in, const LhaHeader& h, const Method& method,
                  const std::string& directory, std::string* report,
                  std::vector<RefusedMember>* refused) {
  std::string flat;
  if (!FlatName(h.name, &flat) || !IsPlainFileName(flat)) {
    Append(report, Printable(h), "name refused");
    return kErrorCannotWrite;
  }
  if (IsProgramFileName(flat)) {
    Append(report, flat, "program file, passed over");
    if (refused) refused->push_back({RefusedMember::Reason::kProgram, flat, h.originalSize});
    return kOk;
  }
  uint64_t available = 0;
  if (FreeSpace(directory, &available) && h.originalSize > available) {
    Append(report, flat, "not enough free space");
    if (refused) refused->push_back({RefusedMember::Reason::kDiskSpace, flat, h.originalSize});
    return kErrorDiskSpace;
  }
  const std::string target = directory + kPathSeparator + flat;
  std::string temp;
  if (!MakeTemporaryBeside(target, &temp)) {
    Append(report, flat, "cannot make a temporary file");
    return kErrorCannotWrite;
  }
  int result = kErrorCannotWrite;
  if (std::FILE* f = std::fopen(temp.c_str(), "wb")) {
    FileSink sink(f);
    result = Decode(in, h, method, sink);
    if (std::fclose(f) != 0 && result == kOk) result = kErrorCannotWrite;
  }
  // A time that cannot be set leaves the file's bytes sound; the extraction goes on without it.
  const std::time_t modified = ModificationTime(h);
  if (result == kOk && modified >= 0) SetModificationTime(temp, modified);
  if (result == kOk && !PutTemporaryInPlace(temp, target)) result = kErrorCannotWrite;
  if (result != kOk) RemoveFile(temp);
  Append(report, flat, result == kOk ? "extracted" : Describe(result));
  return result;
}

// The destination as given, without its trailing separator, made when it is missing.
bool PrepareDirectory(const char* destination, std::string* directory) {
  std::string d = destination;
  while (d.size() > 1 && (d.back() == '\\' || d.back() == '/')) d.pop_back();
  if (d.empty()) d = ".";
  if (d.back() == ':') d += kPathSeparator;  // the root of a drive
  if (!IsDirectory(d)) {
    // Make each missing level in turn, from the first one after a separator.
    for (size_t i = 1; i <= d.size(); ++i) {
      if (i < d.size() && d[i] != '\\' && d[i] != '/') continue;
      const std::string part = d.substr(0, i);
      if (part.back() == ':' || IsDirectory(part)) continue;
      if (!MakeDirectory(part)) return false;
    }
  }
  *directory = d;
  return true;
}

}  // namespace

int IsExtractableArchive(const char* path) {
  const int result = WalkArchive(path, [](InputStream&, const LhaHeader& h) {
    return FindMethod(h.method) ? kOk : kErrorMethod;
  });
  return result == kOk ? 1 : 0;
}

int TestArchive(const char* path, std::string* report) {
  FilePtr file(std::fopen(path, "rb"));
  if (!file) return kErrorArchiveOpen;
  FileInput in(file.get());
  return TestArchive(in, report);
}

int TestArchive(InputStream& in, std::string* report) {
  return WalkArchive(in, [report](InputStream& member, const LhaHeader& h) {
    const Method* method = FindMethod(h.method);
    NullSink sink;
    const int result = method ? Decode(member, h, *method, sink) : kErrorMethod;
    Append(report, Printable(h), Describe(result));
    return result;
  });
}

int ListArchive(const char* path, std::string* report) {
  return WalkArchive(path, [report](InputStream&, const LhaHeader& h) {
    char line[96];
    std::snprintf(line, sizeof line, "%10" PRIu64 " %10" PRIu64 " %s %04X L%d ", h.originalSize,
                  h.packedSize, h.method, h.crc, h.level);
    *report += line;
    *report += Printable(h);
    *report += '\n';
    return kOk;
  });
}

int ExtractArchiveFlat(const char* path, const char* destination, std::string* report,
                       std::vector<RefusedMember>* refused) {
  std::string directory;
  if (!PrepareDirectory(destination, &directory)) {
    Append(report, destination, "cannot make the directory");
    return kErrorMakeDirectory;
  }
  return WalkArchive(path, [&](InputStream& in, const LhaHeader& h) {
    const Method* method = FindMethod(h.method);
    if (!method) {
      Append(report, Printable(h), Describe(kErrorMethod));
      return kErrorMethod;
    }
    if (IsDirectoryOrLink(h)) return kOk;
    return ExtractMember(in, h, *method, directory, report, refused);
  });
}

}  // namespace lha
