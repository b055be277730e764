// Extraction of one downloaded archive into the data directory.
#pragma once

#include <windows.h>

#include "settings/DownloadSettings.h"

// Extracts every member of the archive at `archivePath` into the settings' DataDirectory. 1 on
// success; 0 without a message for a file that is missing, empty or no archive the extractor can
// take; 0 after the message "Could not uncompress ..." (owned by `owner`) when the extraction
// fails. The archive stays where it is either way.
int ExtractArchive(HWND owner, const DownloadSettings& settings, const char* archivePath);
