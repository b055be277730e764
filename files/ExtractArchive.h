// Extraction of one downloaded archive into the data directory.
#pragma once

#include <windows.h>

#include "settings/DownloadSettings.h"

// Extracts every member of the archive at `archivePath` into the settings' DataDirectory, and
// tells the session which of three things happened:
//    1  extracted. Program files in the archive (.bat, .exe, ...) are never written into the data
//       directory: each is named in a "Warning" box and passed over, and an archive whose only
//       trouble was such a member still counts as extracted.
//    0  could not be extracted, after an "Error" box naming the archive: a file that is damaged
//       or no archive at all, a member too large for the free disk space (named in the box), or
//       a failing extraction ("Could not uncompress ... (Error code was N)").
//   -1  no archive there: the file is missing or empty (an item skipped at the prompt). Silent.
// Boxes are owned by `owner`. The archive stays where it is in every case.
int ExtractArchive(HWND owner, const DownloadSettings& settings, const char* archivePath);
