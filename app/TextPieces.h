// How the session reads the lines of the text files it shows (message.txt, result.txt): in pieces
// of a fixed length, so a longer line arrives as several pieces, each cut at its first byte that
// is below 32 taken as a signed 8-bit value. That removes the line end and control characters
// and also cuts before every byte from 0x80 up. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The most of a file that is read, in characters. The files are kilobytes; what a server or a
// batch wrote must not exhaust memory or fill the message list without end.
constexpr size_t kTextReadLimit = 2 * 1024 * 1024;

// Cuts `piece` at its first byte below 32 (as a signed char).
std::string CutAtControl(const std::string& piece);

// The pieces of the text file at `path`, read in text mode with at most `pieceLength` characters
// each, cut as above; a piece that is exactly "<PRE>" is left out. Empty when the file cannot
// be opened. Reading stops at kTextReadLimit; `cut`, when given, tells whether the file went on.
std::vector<std::string> ReadShownPieces(const std::string& path, size_t pieceLength, bool* cut = nullptr);

// Whether a raw progress piece (of at most `pieceLength` characters) is to be shown now. While the
// writer runs, a last piece without its line end may still be growing and waits; once it has
// `ended`, every piece counts. An empty piece (a line that begins with a zero byte) never shows.
bool ProgressPieceReady(const std::string& piece, size_t pieceLength, bool ended);

// The raw pieces of the file, each of at most `pieceLength` characters with its line end kept
// (text mode: CR LF reads as LF). Empty when the file cannot be opened. Bounded as above.
std::vector<std::string> ReadRawPieces(const std::string& path, size_t pieceLength, bool* cut = nullptr);
