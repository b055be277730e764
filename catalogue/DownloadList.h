// Building the download list at the Download press: the selection files.use and a range of dates
// from the dates dialog become one item per archive to fetch, row by row in selection order and
// within a row by date: one per weekday that holiday.txt does not list for a daily type, one per
// Saturday for a weekly type (whose range takes in the weekend after the last date fetched). A
// type whose folder an earlier row already uses is refused. Messages are owned by the session
// window.
#pragma once

#include <windows.h>

#include "catalogue/DatesDialog.h"
#include "catalogue/DownloadItems.h"
#include "catalogue/FileCatalogue.h"

// 1 when the list was built (it may be empty); 0 when nothing can be downloaded or a step failed
// (a message has been shown where there is something to say); -1 when the dates were cancelled.
int BuildDownloadList(HWND owner);

// Append one type's items after creating its subdirectory; 1, or 0 after a message when the
// subdirectory cannot be created, a path does not fit its buffer or the list is full.
int AddDailyItems(const DownloadDates& dates, const FileType& type, const char* dataDirectory);
int AddWeeklyItems(const DownloadDates& dates, const FileType& type, const char* dataDirectory);
