#include "app/TextPieces.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "files/TextMode.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string CutAtControl(const std::string& piece) {
  std::string cut(piece);
  CutAtControl(&cut);
  return cut;
}

std::vector<std::string> ReadRawPieces(const std::string& path, size_t pieceLength, bool* cut) {
  std::vector<std::string> pieces;
  if (cut) *cut = false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return pieces;
  // The characters read count, not the pieces' lengths: a piece is kept up to a NUL only, as a
  // text-mode fgets would give it. (A text-mode ftell cannot count them: it takes every LF on
  // disk for a CR LF pair.)
  TextModeReader reader(file.get());
  std::string piece;
  size_t read = 0;
  while (read < kTextReadLimit && reader.ReadPiece(pieceLength, &piece)) {
    read += piece.size();
    pieces.emplace_back(piece.c_str());
  }
  if (cut) *cut = read >= kTextReadLimit && reader.Get() != EOF;
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
