#include "files/Housekeeping.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "files/BoundedFormat.h"
#include "files/DateIndex.h"
#include "files/FileNameRules.h"
#include "files/ListedName.h"
#include "files/TextMode.h"
#include "platform/ReplacementFile.h"
#include "platform/UniqueHandle.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueStdFile = std::unique_ptr<std::FILE, FileCloser>;

UniqueStdFile Open(const char* path, const char* mode) { return UniqueStdFile(std::fopen(path, mode)); }

std::FILE* OpenForWriting(const char* path) { return std::fopen(path, "wb"); }

RewriteOpener g_rewriteOpener = OpenForWriting;

// A line of abc.def names at most 99 characters (its line buffer is 100 bytes); the rest of a
// longer line is read as the next line.
constexpr std::size_t kListPiece = 99;

enum class Rewrite { kDone, kPassedOver, kFailed };

// Whether the named file is there to be rewritten: a missing one (a file type the user does not
// download), a name no file can bear and a directory are passed over; one that cannot be looked
// at fails.
Rewrite Presence(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? Rewrite::kPassedOver : Rewrite::kDone;
  const DWORD error = GetLastError();
  const bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
  return absent ? Rewrite::kPassedOver : Rewrite::kFailed;
}

// Copies one listed file through a temporary beside it, which then replaces it in one step; on
// any failure the file stays as it was. A file the copy would not change is left alone, and so
// are names that could reach outside the data directory, program files and files holding a NUL
// byte (no text, and turning them into text would spoil them).
Rewrite RewriteOne(const char* dataDirectory, const std::string& name, std::string* path) {
  const std::size_t last = name.find_last_of("\\/");
  const std::string fileName = last == std::string::npos ? name : name.substr(last + 1);
  if (name.empty() || !IsSafeListedName(name) || IsProgramFileName(fileName)) return Rewrite::kPassedOver;
  char formed[kLocalPathSize];
  const bool fits = FormatInto(formed, sizeof formed, "%s\\%s", dataDirectory, name.c_str());
  *path = formed;
  if (!fits) return Rewrite::kFailed;
  const Rewrite present = Presence(formed);
  if (present != Rewrite::kDone) return present;
  UniqueStdFile in = Open(formed, "rb");
  if (!in) return Rewrite::kFailed;
  switch (CheckAsText(in.get())) {
    case TextCheck::kSame: return Rewrite::kDone;
    case TextCheck::kBinary: return Rewrite::kPassedOver;
    case TextCheck::kReadError: return Rewrite::kFailed;
    case TextCheck::kChanged: break;
  }
  std::rewind(in.get());

  ReplacementFile replacement(formed);
  if (!replacement.Valid()) return Rewrite::kFailed;
  UniqueStdFile out(g_rewriteOpener(replacement.TemporaryPath().c_str()));
  if (!out) return Rewrite::kFailed;
  bool copied = CopyAsText(in.get(), out.get());
  in.reset();
  // A copy cut short by a full disk must never replace the file.
  copied = std::fclose(out.release()) == 0 && copied;
  return copied && replacement.Commit() ? Rewrite::kDone : Rewrite::kFailed;
}

// Whether a file failed in this pass; touched only on the user-interface thread.
bool g_passFailed = false;

// The first file that fails in a pass is named in a box; no other, whatever its name or the
// spelling of it, is named again: a pass rewrites after every archive, and in automatic mode each
// box waits before it closes itself. The outcome of the session reports the failed pass.
void ReportRewriteFailure(const std::string& path) {
  if (g_passFailed) return;
  g_passFailed = true;
  const std::string message = "Could not rewrite " + path + "; the file was left as it was";
  ShowBox(g_sessionWindow, message.c_str(), "Error", MB_OK);
}

}  // namespace

int FileHasData(const char* path) {
  UniqueStdFile file = Open(path, "rb");
  if (!file) return 0;
  file.reset();
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return data.nFileSizeHigh != 0 || data.nFileSizeLow != 0 ? 1 : 0;
}

int RewriteListedTextFiles(const char* listName, const char* dataDirectory) {
  char listPath[kLocalPathSize];
  if (!FormatInto(listPath, sizeof listPath, "%s\\%s", dataDirectory, listName)) return 0;
  UniqueStdFile list = Open(listPath, "rb");
  if (!list) return 0;
  TextModeReader reader(list.get());
  std::string name;
  std::string path;
  while (reader.ReadPiece(kListPiece, &name)) {
    CutAtControl(&name);
    if (RewriteOne(dataDirectory, name, &path) == Rewrite::kFailed) ReportRewriteFailure(path);
  }
  // The names after a read error were never seen.
  if (reader.Failed()) ReportRewriteFailure(listPath);
  return 1;
}

void BeginRewritePass() { g_passFailed = false; }

bool RewritePassFailed() { return g_passFailed; }

void SetRewriteOpener(RewriteOpener opener) { g_rewriteOpener = opener ? opener : OpenForWriting; }

int WriteDateIndex(const char* dataDirectory) {
  char indexPath[kLocalPathSize];
  char pattern[kLocalPathSize];
  if (!FormatInto(indexPath, sizeof indexPath, "%s\\date", dataDirectory) ||
      !FormatInto(pattern, sizeof pattern, "%s\\*.DN", dataDirectory))
    return -1;

  // A listing cut short would make an index that misses days: the old one stays instead.
  std::vector<std::string> keys;
  WIN32_FIND_DATAA found;
  UniqueFind find(FindFirstFileA(pattern, &found));
  if (find) {
    do {
      keys.push_back(DateIndexKey(found.cFileName));
    } while (FindNextFileA(find.Get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) return -1;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return -1;
  }

  // The new index replaces the old one only once it is complete.
  ReplacementFile replacement(indexPath);
  if (!replacement.Valid()) return -1;
  UniqueStdFile index = Open(replacement.TemporaryPath().c_str(), "wb");
  if (!index) return -1;
  const int count = static_cast<int>(keys.size());
  const std::string text = DateIndexText(std::move(keys));
  bool written = std::fwrite(text.data(), 1, text.size(), index.get()) == text.size();
  written = std::fclose(index.release()) == 0 && written;
  return written && replacement.Commit() ? count : -1;
}
