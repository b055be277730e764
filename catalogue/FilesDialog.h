// The files dialog: the user marks the file types to download among those of the catalogue
// files.ini, and the choice is written to the selection files.use in the data directory.
#pragma once

#include <windows.h>

// Runs the dialog on the template Files, modal to `owner`. Returns 1 after OK (also when
// files.use could not be written, which has then been reported and left as it was), 0 after Cancel, Esc, the close
// box, or when the catalogue cannot be read.
int RunFilesDialog(HWND owner);

// Replaces WriteFile for the rows of files.use; null restores it. For tests.
using SelectionWriter = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
void SetSelectionWriterForTests(SelectionWriter writer);
