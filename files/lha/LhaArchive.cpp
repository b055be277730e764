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
#include "files/lha/MacBinary.h"
#include "platform/FreeSpaceReserve.h"
#include "platform/ReplacementFile.h"

namespace lha {

namespace {

// Old files moved aside while an archive is put in place. Not kTemporaryPrefix: a later run
// removes those, and a backup that could not be put back is the only copy of the old file.
constexpr char kBackupPrefix[] = "~tb";

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
  explicit FileSink(TemporaryFile& f) : file_(f) {}
  bool Write(const uint8_t* data, size_t size) override { return file_.Write(data, size); }

 private:
  TemporaryFile& file_;
};

// Stored text for reports, with control characters shown as '?' so that a hostile archive cannot
// drive a terminal.
std::string Shown(std::string text) {
  for (char& c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return text;
}

// The stored path as one text.
std::string Printable(const LhaHeader& h) {
  std::string path;
  for (char c : h.directory) path += static_cast<unsigned char>(c) == 0xFF ? '/' : c;
  if (!path.empty() && path.back() != '/' && !h.name.empty()) path += '/';
  path += h.name;
  return Shown(path);
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
  MacBinaryFilter unwrapped(h, out);
  return DecodeMember(method, in, h.packedSize, h.originalSize, h.crc, unwrapped);
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
    case kErrorTooLarge: return "too large";
    default: return "failed";
  }
}

void Refuse(std::vector<RefusedMember>* refused, std::string* report, RefusedMember::Reason reason,
            const std::string& name, uint64_t size, const char* what) {
  refused->push_back({reason, name, size});
  Append(report, name, what);
}

struct Planned {
  LhaHeader header;
  const Method* method;
  std::string flat;
};

// Reads every header and decides each member's fate before anything is written: kOk with the
// members to write in `plan`, or the failure that refuses the whole archive.
int Plan(InputStream& in, const char* destination, std::string* report, std::vector<Planned>* plan,
         std::vector<RefusedMember>* refused) {
  LhaHeader h;
  if (!FindFirstHeader(in, &h)) return kErrorNotArchive;
  size_t members = 0;
  uint64_t total = 0;
  uint64_t available = 0;
  const bool spaceKnown = FreeSpace(destination, &available);
  for (;;) {
    if (++members > kMaxMembers) {
      Refuse(refused, report, RefusedMember::Reason::kTooMany, Printable(h), members, "one member too many");
      return kErrorTooLarge;
    }
    const Method* method = FindMethod(h.method);
    if (!method) {
      Append(report, Printable(h), Describe(kErrorMethod));
      return kErrorMethod;
    }
    if (!IsDirectoryOrLink(h)) {
      std::string flat;
      const FileNameKind here = FlatName(h.name, &flat) ? KindOnThisSystem(flat) : FileNameKind::kUnusable;
      const FileNameKind kind = here == FileNameKind::kData ? KindOfFileName(flat) : here;
      if (kind == FileNameKind::kUnusable) {
        Refuse(refused, report, RefusedMember::Reason::kName, Printable(h), h.originalSize, "name refused");
        return kErrorCannotWrite;
      }
      // In the space test, originalSize > available also keeps the sum after it from wrapping.
      if (kind == FileNameKind::kProgram) {
        Refuse(refused, report, RefusedMember::Reason::kProgram, flat, h.originalSize, "program file, passed over");
      } else if (kind == FileNameKind::kControl) {
        Refuse(refused, report, RefusedMember::Reason::kControl, flat, h.originalSize, "the program's own file, passed over");
      } else if (spaceKnown && (h.originalSize > available || !LeavesReserve(available, total + h.originalSize))) {
        Refuse(refused, report, RefusedMember::Reason::kDiskSpace, flat, h.originalSize, "not enough free space");
        return kErrorDiskSpace;
      } else if (h.originalSize > kMaxOutput - total) {
        Refuse(refused, report, RefusedMember::Reason::kTooLarge, flat, total + h.originalSize, "too much data");
        return kErrorTooLarge;
      } else {
        total += h.originalSize;
        plan->push_back({h, method, flat});
      }
    }
    const HeaderResult next = ReadHeader(in, h.dataOffset + h.packedSize, &h);
    if (next == HeaderResult::kEnd) return kOk;
    if (next == HeaderResult::kBroken) return kErrorHeaderBroken;
  }
}

// The members of one archive on their way into the destination: decoded into temporaries, then
// put in place together. Whatever has not been put in place when it ends is removed.
class Staging {
 public:
  explicit Staging(const char* destination) : directory_(destination) {}
  ~Staging() {
    for (const Staged& s : staged_)
      if (!s.moved) RemoveFile(directory_, s.temporary);
  }

  int Decode(InputStream& in, const Planned& member, std::string* report, std::vector<RefusedMember>* refused) {
    const uint64_t size = member.header.originalSize;
    uint64_t available = 0;
    // The members decoded so far are on the disk already, so each check counts them.
    if (FreeSpace(directory_, &available) && !LeavesReserve(available, size)) {
      Refuse(refused, report, RefusedMember::Reason::kDiskSpace, member.flat, size, "not enough free space");
      return kErrorDiskSpace;
    }
    TemporaryFile file;
    if (!file.Create(directory_, kTemporaryPrefix)) {
      Append(report, member.flat, "cannot make a temporary file");
      return kErrorCannotWrite;
    }
    staged_.push_back({file.Name(), member.flat, std::string(), false});
    FileSink sink(file);
    int result = lha::Decode(in, member.header, *member.method, sink);
    if (result == kOk && !file.Finish(ModificationTime(member.header))) result = kErrorCannotWrite;
    if (result != kOk) Append(report, member.flat, Describe(result));
    return result;
  }

  // Moves each old file aside and the new one into its place; on the first failure every step
  // taken is undone, newest first, so that a name that two members share ends as it began.
  int PutInPlace(std::string* report) {
    for (size_t i = 0; i < staged_.size(); ++i) {
      if (!Place(&staged_[i])) {
        Append(report, staged_[i].target, "cannot replace the file there");
        Undo(i, report);
        return kErrorCannotWrite;
      }
    }
    for (const Staged& s : staged_) {
      if (!s.backup.empty()) RemoveFile(directory_, s.backup);
      Append(report, s.target, "extracted");
    }
    return kOk;
  }

 private:
  struct Staged {
    std::string temporary;
    std::string target;
    std::string backup;  // where the old file went; empty when there was none
    bool moved;  // the temporary is at the target now
  };

  bool Place(Staged* s) {
    const Entry existing = EntryAt(directory_, s->target);
    if (existing == Entry::kOther) return false;
    if (existing == Entry::kFile) {
      std::string backup;
      {
        TemporaryFile reserved;  // a free name for the old file
        if (!reserved.Create(directory_, kBackupPrefix)) return false;
        backup = reserved.Name();
      }
      if (!MoveWithin(directory_, s->target, backup)) {
        RemoveFile(directory_, backup);
        return false;
      }
      s->backup = backup;
    }
    s->moved = MoveWithin(directory_, s->temporary, s->target);
    return s->moved;
  }

  void Undo(size_t failed, std::string* report) {
    for (size_t i = failed + 1; i-- > 0;) {
      Staged& s = staged_[i];
      if (!s.backup.empty()) {
        if (!MoveWithin(directory_, s.backup, s.target))
          Append(report, s.target, ("cannot put the old file back; it is kept as " + s.backup).c_str());
      } else if (s.moved)
        RemoveFile(directory_, s.target);
    }
  }

  std::string directory_;
  std::vector<Staged> staged_;
};

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
    if (!h.comment.empty()) *report += "  ; " + Shown(h.comment);
    *report += '\n';
    return kOk;
  });
}

int ExtractArchiveFlat(const char* path, const char* destination, std::string* report,
                       std::vector<RefusedMember>* refused) {
  std::vector<RefusedMember> unused;
  if (!refused) refused = &unused;
  if (!MakeDirectories(destination)) {
    Append(report, destination, "cannot make the directory");
    return kErrorMakeDirectory;
  }
  FilePtr file(std::fopen(path, "rb"));
  if (!file) return kErrorArchiveOpen;
  FileInput in(file.get());
  std::vector<Planned> plan;
  int result = Plan(in, destination, report, &plan, refused);
  Staging staging(destination);
  for (size_t i = 0; i < plan.size() && result == kOk; ++i) result = staging.Decode(in, plan[i], report, refused);
  return result == kOk ? staging.PutInPlace(report) : result;
}

}  // namespace lha
