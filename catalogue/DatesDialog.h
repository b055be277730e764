// The dates dialog: before a download list is built the user confirms or changes the range of
// dates and sets the "ASCII Update" and "Clean Up Files" options of the run. The options are
// stored in the registry (DownloadAscii, DownloadClean) as soon as they are clicked; the session
// later reads them from there.
#pragma once

#include <windows.h>

#include <cstdint>

struct DownloadDates {
  int32_t StartDate;    // date number, first date of the range
  int32_t EndDate;      // date number, not before StartDate (but see GetDownloadDates)
  int32_t AsciiUpdate;  // 0 or 1, mirrors DownloadAscii
  int32_t CleanUp;      // 0 or 1, mirrors DownloadClean
};

// The proposed record: from the weekday after the last downloaded date (the previous weekday's
// when none is stored) to today, or to the previous weekday while today's data is not yet on the
// server. With nothing new the range is that one last day. All zeros when the last date cannot
// be loaded.
DownloadDates DefaultDownloadDates(HWND owner);

// Shows GetDnlDates modally on `dates`. 1 when confirmed with OK (the record then holds the
// confirmed values), 0 when cancelled or when the dialog cannot be created (after
// "Error creating GetDnlDates dialog box").
int RunDatesDialog(HWND owner, DownloadDates* dates);

// The defaults, confirmed by the user unless the program runs in automatic mode, where a range
// with nothing new starts after its end and so holds no day. 0 when the user cancelled, else 1
// with the record.
int GetDownloadDates(HWND owner, DownloadDates* dates);
