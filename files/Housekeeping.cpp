#include "files/Housekeeping.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/BoundedFormat.h"
#include "files/DateIndex.h"
#include "files/ListedName.h"
#include "files/TextMode.h"
#include "platform/UniqueHandle.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueStdFile = std::unique_ptr<std::FILE, FileCloser>;

UniqueStdFile Open(const char* path, const char* mode) { return UniqueStdFile(std::fopen(path, mode)); }

// A line of abc.def names at most 99 characters (its line buffer is 100 bytes); the rest of a
// longer line is read as the next line.
constexpr std::size_t kListPiece = 99;

// Copies one listed file through abcdefg.hij and back over itself. False ends the pass.
bool RewriteOne(const char* dataDirectory, const std::string& name) {
  char path[kLocalPathSize];
  char temporary[kLocalPathSize];
  if (!IsSafeListedName(name)) return false;
  if (!FormatInto(path, sizeof path, "%s\\%s", dataDirectory, name.c_str())) return false;
  if (!FormatInto(temporary, sizeof temporary, "%s\\abcdefg.hij", dataDirectory)) return false;

  UniqueStdFile in = Open(path, "rb");
  if (!in) return false;
  UniqueStdFile out = Open(temporary, "wb");
  if (!out) return false;
  bool copied = CopyAsText(in.get(), out.get());
  in.reset();
  // A copy cut short by a full disk must never replace the file.
  copied = std::fclose(out.release()) == 0 && copied;
  if (copied) copied = CopyFileA(temporary, path, FALSE) != 0;
  DeleteFileA(temporary);
  return copied;
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
  while (reader.ReadPiece(kListPiece, &name)) {
    CutAtControl(&name);
    if (!RewriteOne(dataDirectory, name)) break;
  }
  return 1;
}

int WriteDateIndex(const char* dataDirectory) {
  char indexPath[kLocalPathSize];
  char pattern[kLocalPathSize];
  bool indexFits = FormatInto(indexPath, sizeof indexPath, "%s\\date", dataDirectory);
  if (indexFits) DeleteFileA(indexPath);

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

  if (!indexFits) return 0;
  UniqueStdFile index = Open(indexPath, "wb");
  if (!index) return 0;
  const int count = static_cast<int>(keys.size());
  const std::string text = DateIndexText(std::move(keys));
  bool written = std::fwrite(text.data(), 1, text.size(), index.get()) == text.size();
  written = std::fclose(index.release()) == 0 && written;
  return written ? count : 0;
}
