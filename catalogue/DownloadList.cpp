#include "catalogue/DownloadList.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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

// Appends the item of `date` for `type`; 0 after a message when a path does not fit or the list
// cannot take it.
int AddItem(const FileType& type, const char* dataDirectory, int32_t date, int32_t itemDate, int32_t week) {
  const std::string name = ArchiveName(date);
  char localPath[kLocalPathSize];
  char serverPath[kServerPathSize];
  if (!FormatInto(localPath, sizeof localPath, "%s\\%s\\%s.lzh", dataDirectory, type.Prefix, name.c_str()))
    return PathTooLong(localPath);
  if (!FormatInto(serverPath, sizeof serverPath, "%s%s.lzh", type.ServerPath, name.c_str()))
    return PathTooLong(serverPath);
  if (AddDownloadItem(serverPath, localPath, itemDate, week)) return 1;
  ShowError(Owner(), "Unable to add to the download list.\nChoose fewer dates or file types.");
  return 0;
}

bool IsWeekend(int32_t date) {
  const int day = WeekdayOf(date);
  return day == 0 || day == 6;
}

// The range of the weekly types: the range asked for, and when it goes on from the last date,
// the Saturday between them too, which a range of weekdays never holds. An unattended run does
// not go back to a week that an earlier session has already fetched and extracted.
DownloadDates WeeklyRange(HWND owner, const DownloadDates& dates) {
  int32_t from = AddDays(dates.StartDate, -1);
  int32_t last = 0;
  if (LoadDownloadInfo(owner, &last) && last != 0 && last < from && NextWeekday(last) >= dates.StartDate)
    from = last;
  int32_t done = 0;
  if (g_automaticMode && LoadDownloadWeekly(owner, &done) && done > from) from = done;
  DownloadDates weekly = dates;
  weekly.StartDate = AddDays(from, 1);
  return weekly;
}

// A second type whose files would land in the folder of an earlier one would replace its
// archives before they are extracted: it is refused, naming both. True when `type` may go on.
bool HasFolderOfItsOwn(const FileType& type, std::vector<const FileType*>* accepted) {
  const std::string key = TypeFolderKey(type.Prefix);
  for (const FileType* earlier : *accepted) {
    if (TypeFolderKey(earlier->Prefix) != key) continue;
    ShowError(Owner(), std::string("The file types \"") + earlier->Description + "\" (" + earlier->Prefix +
                           ") and \"" + type.Description + "\" (" + type.Prefix + ") share one folder.\n\"" +
                           type.Description + "\" is not downloaded.");
    return false;
  }
  accepted->push_back(&type);
  return true;
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
    if (!holidays.Contains(digits) && !AddItem(type, dataDirectory, date, date, 0)) return 0;
    date = NextWeekday(date);
  }
  return 1;
}

int AddWeeklyItems(const DownloadDates& dates, const FileType& type, const char* dataDirectory) {
  if (!CreateTypeDirectory(dataDirectory, type.Prefix)) return 0;
  int32_t date = dates.StartDate;
  if (WeekdayOf(date) != 6) date = NextDayOfWeek(date, 6);
  while (date != 0 && date <= dates.EndDate) {
    if (!AddItem(type, dataDirectory, date, -1, date)) return 0;
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
  const DownloadDates weekly = WeeklyRange(Owner(owner), dates);

  ClearDownloadList();
  std::vector<const FileType*> accepted;
  bool unknownReported = false;
  for (int i = 0; i < rows; ++i) {
    const FileType& type = selection[i];
    const bool daily = type.Frequency == 'D' || type.Frequency == 'd';
    if (!daily && type.Frequency != 'W' && type.Frequency != 'w') {
      // One message for all the rows whose letter means nothing.
      if (!unknownReported) ShowError(Owner(owner), "Unknown frequency field in files.ini file.");
      unknownReported = true;
      continue;
    }
    if (!HasFolderOfItsOwn(type, &accepted)) continue;
    const int added = daily ? AddDailyItems(dates, type, dataDirectory.c_str())
                            : AddWeeklyItems(weekly, type, dataDirectory.c_str());
    if (!added) return 0;
  }
  return 1;
}
