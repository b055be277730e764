#include "catalogue/FileCatalogue.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "files/TextMode.h"

namespace {

bool CopyField(const std::string& field, char* out, std::size_t size) {
  if (field.size() >= size) return false;
  std::memcpy(out, field.data(), field.size());
  out[field.size()] = '\0';
  return true;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Characters a path may hold in the request line; "@", "?", "#", the backslash and spaces are not
// among them (high bytes and control bytes never reach here).
bool IsPathCharacter(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != '\0' && std::strchr("/-._~!$&'()*+;=:%", c) != nullptr;
}

}  // namespace

bool IsServerPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (char c : path)
    if (!IsPathCharacter(c)) return false;
  return true;
}

std::string TypeFolderKey(const std::string& prefix) {
  std::string key;
  std::string part;
  auto endPart = [&] {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (!part.empty()) key.append(key.empty() ? "" : "\\").append(part);
    part.clear();
  };
  for (char c : prefix) {
    if (c == '\\' || c == '/')
      endPart();
    else
      part += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  endPart();
  return key;
}

bool ParseFileTypeLine(std::string piece, FileType* row) {
  if (!piece.empty() && piece[0] == '#') return false;
  CutAtControl(&piece);

  std::vector<std::string> fields;
  std::size_t p = 0;
  while (fields.size() < 4) {
    while (p < piece.size() && piece[p] == ',') ++p;
    if (p == piece.size()) break;
    std::size_t end = piece.find(',', p);
    if (end == std::string::npos) end = piece.size();
    fields.push_back(piece.substr(p, end - p));
    p = end;
  }
  if (fields.size() < 4 || !IsServerPath(fields[0])) return false;

  FileType parsed;
  std::memset(&parsed, 0, sizeof parsed);
  if (!CopyField(fields[0], parsed.ServerPath, sizeof parsed.ServerPath) ||
      !CopyField(fields[2], parsed.Description, sizeof parsed.Description) ||
      !CopyField(fields[3], parsed.Prefix, sizeof parsed.Prefix))
    return false;
  parsed.Frequency = fields[1][0];
  *row = parsed;
  return true;
}

int ReadFileTypes(TextModeReader& reader, FileType* table, int capacity) {
  int count = 0;
  std::string piece;
  while (count < capacity && reader.ReadPiece(kFileTypePiece, &piece)) {
    if (ParseFileTypeLine(piece, &table[count])) ++count;
  }
  return count;
}

std::unique_ptr<FileType[]> LoadFileTypes(const char* path, int* count) {
  *count = 0;
  std::unique_ptr<FileType[]> room(new (std::nothrow) FileType[kMaxFileTypes]);
  if (!room) return nullptr;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return nullptr;
  TextModeReader reader(file.get());
  const int rows = ReadFileTypes(reader, room.get(), kMaxFileTypes);

  std::unique_ptr<FileType[]> table(new (std::nothrow) FileType[rows > 0 ? rows : 1]);
  if (!table) return nullptr;
  std::memcpy(table.get(), room.get(), sizeof(FileType) * rows);
  *count = rows;
  return table;
}

const FileType* FindFileType(const FileType* table, int count, const char* description) {
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(table[i].Description, description) == 0) return &table[i];
  }
  return nullptr;
}
