// File types: the catalogue files.ini (every type the server offers) and the selection files.use
// (the types the user chose) share one line format, one row per line:
//   server path,frequency letter,description,file prefix
// A line whose first character is "#" is a comment. A line is read in pieces of at most 194
// characters and cut at its first byte below 32 (signed), which drops the line end and cuts before
// any byte of 0x80 and above. Fields are split at commas, a run of commas being one separator and
// leading commas ignored; spaces belong to the fields; fields after the fourth are ignored; of the
// frequency only the first character counts. A line without four fields, whose fields do not fit
// the row, or whose server path is not one (IsServerPath), is not a row and is skipped. At most
// 300 rows are read.
#pragma once

#include <memory>
#include <string>

class TextModeReader;

struct FileType {
  char ServerPath[200];   // with its trailing "/": the archive name is appended directly
  char Frequency;         // "D" daily, "W" weekly (either case); any other letter is kept as it is
  char Description[200];  // what the files dialog shows and identifies the row by
  char Prefix[20];        // the type's subdirectory in the data directory
};

constexpr int kMaxFileTypes = 300;
constexpr std::size_t kFileTypePiece = 194;  // a row of 193 characters and its line end

// True for a server directory that can go into the request line as it is: it begins with "/" and
// holds only letters, digits and "/-._~!$&'()*+;=:%". Anything else ("@host", ".host", a space,
// a backslash) could name another host to a proxy, with the user's credentials.
bool IsServerPath(const std::string& path);

// The folder a prefix names, spelt one way: Windows ignores case, drops the trailing dots and
// spaces of each part and skips "." parts, so "dn", "DN", "dn.", "dn " and ".\dn" give one key.
std::string TypeFolderKey(const std::string& prefix);

// Fills `row` from one piece of a line. False for a comment or a line that is not a row.
bool ParseFileTypeLine(std::string piece, FileType* row);
// Reads rows from `reader` into `table` (room for `capacity` rows); gives the number read.
int ReadFileTypes(TextModeReader& reader, FileType* table, int capacity);

// Reads a catalogue or selection file into a new table owned by the caller, with its row count in
// *count. None when the file cannot be opened or no memory is to be had; an empty table (count 0)
// when the file holds no rows. Shows nothing.
std::unique_ptr<FileType[]> LoadFileTypes(const char* path, int* count);

// The first row, in table order, whose Description equals `description` exactly; null when none.
const FileType* FindFileType(const FileType* table, int count, const char* description);
