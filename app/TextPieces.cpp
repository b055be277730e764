#include "app/TextPieces.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string CutAtControl(const std::string& piece) {
  size_t n = 0;
  while (n < piece.size() && static_cast<signed char>(piece[n]) >= 32) ++n;
  return piece.substr(0, n);
}

std::vector<std::string> ReadRawPieces(const std::string& path, size_t pieceLength, bool* cut) {
  std::vector<std::string> pieces;
  if (cut) *cut = false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
  if (!file) return pieces;
  std::vector<char> buffer(pieceLength + 1);
  // The position, not the pieces, counts what was read: a piece ends early at a NUL.
  auto within = [&] { return static_cast<unsigned long>(std::ftell(file.get())) < kTextReadLimit; };
  while (within() && std::fgets(buffer.data(), static_cast<int>(buffer.size()), file.get())) {
    // fgets stops at the line end or the buffer's end; an embedded NUL would end the text early,
    // exactly as the cut at the first control character does.
    pieces.emplace_back(buffer.data());
  }
  if (cut) *cut = !within() && std::fgetc(file.get()) != EOF;
  return pieces;
}

std::vector<std::string> ReadShownPieces(const std::string& path, size_t pieceLength, bool* cut) {
  std::vector<std::string> shown;
  for (const std::string& raw : ReadRawPieces(path, pieceLength, cut)) {
    std::string piece = CutAtControl(raw);
    if (piece != "<PRE>") shown.push_back(piece);
  }
  return shown;
}

bool ProgressPieceReady(const std::string& piece, size_t pieceLength, bool ended) {
  if (piece.empty()) return false;
  return ended || piece.back() == '\n' || piece.size() == pieceLength;
}
