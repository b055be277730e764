#include "files/Housekeeping.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "files/BoundedFormat.h"
#include "files/DateIndex.h"
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

enum class Rewrite { kDone, kEndOfPass, kFailed };

// Copies one listed file through a temporary beside it, which then replaces it in one step; on
// any failure the file stays as it was. kEndOfPass for a name that cannot be opened.
Rewrite RewriteOne(const char* dataDirectory, const std::string& name, std::string* path) {
  char formed[kLocalPathSize];
  if (!IsSafeListedName(name)) return Rewrite::kEndOfPass;
  if (!FormatInto(formed, sizeof formed, "%s\\%s", dataDirectory, name.c_str()))
    return Rewrite::kEndOfPass;
  *path = formed;
  UniqueStdFile in = Open(formed, "rb");
  if (!in) return Rewrite::kEndOfPass;

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

// The files named in a box during this pass; touched only on the user-interface thread.
std::set<std::string>& ReportedThisPass() {
  static std::set<std::string> reported;
  return reported;
}

// A file that keeps failing is named once per pass, not after every archive: in automatic mode
// each box waits before it closes itself.
void ReportRewriteFailure(const std::string& path) {
  if (!ReportedThisPass().insert(path).second) return;
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
    const Rewrite result = RewriteOne(dataDirectory, name, &path);
    if (result == Rewrite::kEndOfPass) break;
    if (result == Rewrite::kFailed) ReportRewriteFailure(path);
  }
  return 1;
}

void BeginRewritePass() { ReportedThisPass().clear(); }

void SetRewriteOpener(RewriteOpener opener) { g_rewriteOpener = opener ? opener : OpenForWriting; }

int WriteDateIndex(const char* dataDirectory) {
  char indexPath[kLocalPathSize];
  char pattern[kLocalPathSize];
  if (!FormatInto(indexPath, sizeof indexPath, "%s\\date", dataDirectory)) return 0;

  std::vector<std::string> keys;
  if (FormatInto(pattern, sizeof pattern, "%s\\*.DN", dataDirectory)) {
    WIN32_FIND_DATAA found;
    UniqueFind find(FindFirstFileA(pattern, &found));
    if (find) {
      do {
        keys.push_back(DateIndexKey(found.cFileName));
      } while (FindNextFileA(find.Get(), &found));
    }
  }

  // The new index replaces the old one only once it is complete.
  ReplacementFile replacement(indexPath);
  if (!replacement.Valid()) return 0;
  UniqueStdFile index = Open(replacement.TemporaryPath().c_str(), "wb");
  if (!index) return 0;
  const int count = static_cast<int>(keys.size());
  const std::string text = DateIndexText(std::move(keys));
  bool written = std::fwrite(text.data(), 1, text.size(), index.get()) == text.size();
  written = std::fclose(index.release()) == 0 && written;
  return written && replacement.Commit() ? count : 0;
}
