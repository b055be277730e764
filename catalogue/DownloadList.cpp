#include "catalogue/DownloadList.h"

#include <cstdio>
#include <memory>
#include <string>

#include "platform/AutoCloseBox.h"
#include "platform/ProgramState.h"
#include "catalogue/DateHelpers.h"
#include "files/BoundedFormat.h"
#include "files/Housekeeping.h"
#include "files/ListedName.h"
#include "platform/ReplacementFile.h"
#include "settings/DataDirectoryCheck.h"
#include "settings/SettingsStore.h"

namespace {

const char kDefaultSelectionRow[] = "/tkvn/dn/data/,D,Daily DN File,dn";

// The session window owns the list's messages; before it exists, the caller's window does.
HWND Owner(HWND fallback = nullptr) { return g_sessionWindow ? g_sessionWindow : fallback; }

void ShowError(HWND owner, const std::string& text) { ShowBox(owner, text.c_str(), "Error", MB_OK); }

// `path` is a path that did not fit its buffer, whole or as far as it fitted.
int PathTooLong(const std::string& path, HWND owner = Owner()) {
  ShowError(owner, "Path too long: " + path);
  return 0;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Written beside it and put in place whole: a failure leaves the earlier file as it was.
bool WriteDefaultSelection(const char* path) {
  ReplacementFile replacement(path);
  if (!replacement.Valid()) return false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(replacement.TemporaryPath().c_str(), "wb"));
  if (!file) return false;
  const bool written = std::fputs(kDefaultSelectionRow, file.get()) >= 0;
  return std::fclose(file.release()) == 0 && written && replacement.Commit();
}

// Creates the type's subdirectory of the data directory (an existing one is fine). A prefix that
// would reach outside the data directory is refused like one that cannot be created.
int CreateTypeDirectory(const char* dataDirectory, const char* prefix) {
  char directory[kLocalPathSize];
  if (!FormatInto(directory, sizeof directory, "%s\\%s", dataDirectory, prefix)) return PathTooLong(directory);
  if (IsSafeListedName(prefix) &&
      (CreateDirectoryA(directory, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS))
    return 1;
  ShowError(Owner(), std::string("Unable to create '") + dataDirectory + "\\" + prefix + "'\nCan't download.");
  return 0;
}

// Appends the item of `date` for `type`; 0 after a message when a path does not fit.
int AddItem(const FileType& type, const char* dataDirectory, int32_t date, int32_t itemDate) {
  const std::string name = ArchiveName(date);
  char localPath[kLocalPathSize];
  char serverPath[kServerPathSize];
  if (!FormatInto(localPath, sizeof localPath, "%s\\%s\\%s.lzh", dataDirectory, type.Prefix, name.c_str()))
    return PathTooLong(localPath);
  if (!FormatInto(serverPath, sizeof serverPath, "%s%s.lzh", type.ServerPath, name.c_str()))
    return PathTooLong(serverPath);
  AddDownloadItem(serverPath, localPath, itemDate);
  return 1;
}

bool IsWeekend(int32_t date) {
  const int day = WeekdayOf(date);
  return day == 0 || day == 6;
}

}  // namespace

int AddDailyItems(const DownloadDates& dates, const FileType& type, const char* dataDirectory) {
  if (!CreateTypeDirectory(dataDirectory, type.Prefix)) return 0;
  char holidayPath[kLocalPathSize];
  if (!FormatInto(holidayPath, sizeof holidayPath, "%s\\%s", dataDirectory, "holiday.txt"))
    return PathTooLong(holidayPath);
  // Read once for the whole range: the answers are those of reading it for every date.
  const HolidayList holidays(holidayPath);

  int32_t date = dates.StartDate;
  if (IsWeekend(date)) date = NextWeekday(date);
  // A date that is not an eight-digit date number has no next weekday (0), which ends the walk.
  while (date != 0 && date <= dates.EndDate) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(date));
    if (!holidays.Contains(digits) && !AddItem(type, dataDirectory, date, date)) return 0;
    date = NextWeekday(date);
  }
  return 1;
}

int AddWeeklyItems(const DownloadDates& dates, const FileType& type, const char* dataDirectory) {
  if (!CreateTypeDirectory(dataDirectory, type.Prefix)) return 0;
  int32_t date = dates.StartDate;
  if (WeekdayOf(date) != 6) date = NextDayOfWeek(date, 6);
  while (date != 0 && date <= dates.EndDate) {
    if (!AddItem(type, dataDirectory, date, -1)) return 0;
    date = NextDayOfWeek(date, 6);
  }
  return 1;
}

int BuildDownloadList(HWND owner) {
  DownloadSettings settings;
  LoadDownloadSettings(Owner(owner), &settings);
  std::string dataDirectory(FieldText(settings.DataDirectory));
  char selectionPath[kLocalPathSize];
  if (!FormatInto(selectionPath, sizeof selectionPath, "%s\\files.use", dataDirectory.c_str()))
    return PathTooLong(dataDirectory + "\\files.use", Owner(owner));
  if (!FileHasData(selectionPath) && !WriteDefaultSelection(selectionPath)) {
    ShowError(Owner(owner), "Unable to create download list file");
    return 0;
  }

  int rows = 0;
  std::unique_ptr<FileType[]> selection = LoadFileTypes(selectionPath, &rows);
  if (!selection || rows == 0) return 0;

  LoadDownloadSettings(Owner(owner), &settings);
  dataDirectory.assign(FieldText(settings.DataDirectory));
  if (!CheckDataDirectory(Owner(owner), dataDirectory)) return 0;

  DownloadDates dates;
  if (!GetDownloadDates(owner, &dates)) return -1;

  ClearDownloadList();
  for (int i = 0; i < rows; ++i) {
    const FileType& type = selection[i];
    switch (type.Frequency) {
      case 'D':
      case 'd':
        if (!AddDailyItems(dates, type, dataDirectory.c_str())) return 0;
        break;
      case 'W':
      case 'w':
        if (!AddWeeklyItems(dates, type, dataDirectory.c_str())) return 0;
        break;
      default:
        ShowError(Owner(owner), "Unknown frequency field in files.ini file.");
        break;
    }
  }
  return 1;
}
