// Extraction of one downloaded archive into the data directory.
#pragma once

#include <windows.h>

#include "settings/DownloadSettings.h"

// Extracts the archive at `archivePath` into the settings' DataDirectory, whole or not at all, and
// tells the session which of three things happened:
//    1  extracted. Program files (.bat, .exe, ...) and the program's own files (files.use, date,
//       ...) are never taken from an archive: they are passed over and named, a few of them, in
//       one "Warning" box; the rest of the archive still counts as extracted.
//    0  not extracted, and nothing of it written, after one "Error" box naming the archive: a file
//       that is damaged or no archive at all, a name that no file can bear, a member that would
//       leave less than the free-space reserve, an archive beyond the limits on members and
//       size, or any other failure ("Could not uncompress ... (Error code was N)").
//   -1  no archive there: the file is missing or empty (an item skipped at the prompt). Silent.
// Boxes are owned by `owner`. The archive stays where it is in every case.
int ExtractArchive(HWND owner, const DownloadSettings& settings, const char* archivePath);
