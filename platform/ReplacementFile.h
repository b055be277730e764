// Writing a file so that it is never seen half-written: the new content goes into a temporary file
// in the target's own directory and replaces the target in one step once it is complete. Until
// then, and after any failure, the target stays as it was. A temporary that a killed run leaves
// behind carries the name pattern kTemporaryPattern and is removed by RemoveLeftoverTemporaries.
#pragma once

#include <string>

// What a replacement promises once it has been put in place.
enum class Durability {
  // The new content is on disk before it replaces the target: files that hold the user's data or
  // that DownloadInfo vouches for (extracted members, rewritten files, the selection, the date
  // index). A power cut after the replacement cannot leave an empty or partial file in its place.
  kOnDisk,
  // The replacement is one step, but the content may still be on its way to the disk: a copy of
  // server data, which is checked when used and fetched again when damaged (archives, the message
  // page, the lists), needs no more and saves a flush per file.
  kCopyOfServerData,
};

// The prefix of every temporary the program writes and a later run may remove.
constexpr char kTemporaryPrefix[] = "~tk";
// Finds what GetTempFileNameA makes from kTemporaryPrefix ("~tk", 1 to 4 hex digits, ".tmp"),
// and on volumes with short names some other files too: check each name found.
constexpr char kTemporaryPattern[] = "~tk*.tmp";

// Creates a new, empty temporary file beside `target` and gives its path.
bool CreateTemporaryBeside(const std::string& target, std::string* temporary);

// Moves `temporary` over `target`, replacing it; with kOnDisk it flushes the temporary to disk
// first and moves it write-through.
bool PutInPlace(const std::string& temporary, const std::string& target,
                Durability durability = Durability::kOnDisk);

// Deletes the temporaries of earlier runs in `directory` (not in its subdirectories); other
// files that the pattern finds stay.
void RemoveLeftoverTemporaries(const std::string& directory);

// One replacement: write TemporaryPath() with any file API, close it, then Commit(). An object
// that ends uncommitted deletes its temporary.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string target, Durability durability = Durability::kOnDisk);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // False when the temporary could not be created (GetLastError tells why).
  bool Valid() const { return !temporary_.empty(); }
  const std::string& TemporaryPath() const { return temporary_; }
  const std::string& TargetPath() const { return target_; }

  // Puts the temporary in place; false leaves the target untouched and the temporary deleted.
  bool Commit();
  // Deletes the temporary now; the target stays as it was.
  void Discard();

 private:
  std::string target_;
  std::string temporary_;
  Durability durability_;
};
