// The download list: one item per archive to fetch, in the order of appending, read by the session
// through a cursor. One list per program, built and read on the user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

struct DownloadItem {
  char ServerPath[200];  // type's server path, archive name, ".lzh"
  char LocalPath[260];   // data directory \ prefix \ archive name ".lzh"
  int32_t Date;          // the date number of a daily item; -1 for a weekly item
  int32_t Week;          // the Saturday of a weekly item; 0 for a daily item
};

// The most items a list holds: the session's progress bar counts them in 16 bits.
constexpr int kMaxDownloadItems = 65535;

// Appends one item; 1, or 0 when the list is full or no memory was to be had (the list then
// stays as it was). Texts that do not fit their fields are refused the same way.
int AddDownloadItem(const char* serverPath, const char* localPath, int32_t date, int32_t week = 0);
// Releases the list; the read cursor is not touched.
void ClearDownloadList();
int DownloadItemCount();
void RewindDownloadList();
// The item at the cursor, advancing it; null when the cursor has passed the last item.
const DownloadItem* NextDownloadItem();
// The latest Saturday of the list's weekly items; 0 when it holds none.
int32_t NewestListedWeek();

// "yy-mm-dd" of a date number (24 September 2013 gives 13-09-24).
std::string ArchiveName(int32_t date);

// holiday.txt is a few hundred bytes: what the server sends past this is not read, so that it
// cannot exhaust memory.
constexpr std::size_t kHolidayListLimit = 1024 * 1024;

// The holidays of holiday.txt: one date number of eight digits per line and nothing else. A line
// is read with a limit of 189 characters and cut at its first byte below 32 (signed); the whole
// rest must equal the date's digits ("20130924 " with its space marks no day).
class HolidayList {
 public:
  // Reads the file once, up to kHolidayListLimit characters; without the file no day is a holiday.
  explicit HolidayList(const char* path);
  bool Contains(const std::string& dateText) const;

 private:
  std::unordered_set<std::string> lines_;
};

// 1 when a line of the holiday file equals `dateText` (eight digits), else 0.
int IsHoliday(const char* path, const char* dateText);
