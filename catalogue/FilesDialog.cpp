#include "catalogue/FilesDialog.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "app/CentreWindow.h"
#include "app/ProgramState.h"
#include "catalogue/FileCatalogue.h"
#include "catalogue/FilesDialogRes.h"
#include "settings/SettingsStore.h"

namespace {

// The rows of files.use are written from the catalogue, so at most one fewer than it can hold.
constexpr int kMaxChosen = kMaxFileTypes - 1;

// What the dialog holds while it is open: the catalogue, released when the dialog ends, and the
// selection file that OK writes.
struct FilesDialogState {
  std::unique_ptr<FileType[]> catalogue;
  int count = 0;
  char selectionPath[MAX_PATH];
};

// "<directory>\<name>" into `path`; false when it does not fit.
bool DataPath(const char* directory, const char* name, char (&path)[MAX_PATH]) {
  int written = std::snprintf(path, sizeof path, "%s\\%s", directory, name);
  return written > 0 && written < static_cast<int>(sizeof path);
}

// Loads the catalogue into the list and marks the entries that the selection holds. False when
// the catalogue cannot be read.
bool Fill(HWND dialog, FilesDialogState* state) {
  DownloadSettings settings;
  LoadDownloadSettings(dialog, &settings);
  // The store does not check the record: a directory without its terminator ends in the field.
  settings.DataDirectory[sizeof settings.DataDirectory - 1] = '\0';
  char cataloguePath[MAX_PATH];
  if (!DataPath(settings.DataDirectory, "files.ini", cataloguePath) ||
      !DataPath(settings.DataDirectory, "files.use", state->selectionPath))
    return false;
  state->catalogue = LoadFileTypes(cataloguePath, &state->count);
  if (!state->catalogue) return false;

  HWND list = GetDlgItem(dialog, IDC_FILES_LIST);
  // The list sorts the descriptions itself, ignoring case.
  for (int i = 0; i < state->count; ++i)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(state->catalogue[i].Description));

  // A selection row marks the first entry that begins with its description, ignoring case; one
  // that matches none is passed over and so disappears at the next OK.
  int chosenCount = 0;
  std::unique_ptr<FileType[]> chosen = LoadFileTypes(state->selectionPath, &chosenCount);
  for (int i = 0; chosen && i < chosenCount; ++i) {
    LRESULT entry = SendMessageA(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(chosen[i].Description));
    if (entry != LB_ERR) SendMessageA(list, LB_SETSEL, TRUE, entry);
  }
  return true;
}

// The catalogue rows of the marked entries, in the list's order; a description shared by two
// rows gives the first of them.
std::vector<FileType> ChosenRows(HWND dialog, const FilesDialogState& state) {
  HWND list = GetDlgItem(dialog, IDC_FILES_LIST);
  int indexes[kMaxChosen];
  LRESULT marked = SendMessageA(list, LB_GETSELITEMS, kMaxChosen, reinterpret_cast<LPARAM>(indexes));
  std::vector<FileType> rows;
  for (LRESULT i = 0; i < marked; ++i) {
    char description[sizeof(FileType::Description)];
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, indexes[i], 0);
    if (length < 0 || length >= static_cast<LRESULT>(sizeof description)) continue;
    SendMessageA(list, LB_GETTEXT, indexes[i], reinterpret_cast<LPARAM>(description));
    if (const FileType* row = FindFileType(state.catalogue.get(), state.count, description)) rows.push_back(*row);
  }
  return rows;
}

// Writes files.use anew; false when it cannot be created or written completely.
bool WriteSelection(const char* path, const std::vector<FileType>& rows) {
  FILE* file = std::fopen(path, "w");
  if (!file) return false;
  bool written = true;
  for (const FileType& row : rows)
    if (std::fprintf(file, "%s,%c,%s,%s\n", row.ServerPath, row.Frequency, row.Description, row.Prefix) < 0)
      written = false;
  if (std::fclose(file) != 0) written = false;
  return written;
}

void OnOk(HWND dialog, FilesDialogState* state) {
  std::vector<FileType> rows = ChosenRows(dialog, *state);
  if (rows.empty() &&
      MessageBoxA(dialog, "No files will be downloaded.\nAre you sure you don't want to select any files?",
                  "Warning", MB_YESNO) != IDYES)
    return;
  state->catalogue.reset();
  if (!WriteSelection(state->selectionPath, rows))
    MessageBoxA(dialog, "Error attempting to write choices", "Error", MB_OK);
  EndDialog(dialog, 1);
}

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
    if (!Fill(dialog, reinterpret_cast<FilesDialogState*>(lParam))) {
      MessageBoxA(dialog,
                  "Unable to load list of available file types.\nPlease select Download option to get a new list.",
                  "Error", MB_OK);
      EndDialog(dialog, 0);
    }
    return TRUE;
  }
  auto* state = reinterpret_cast<FilesDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message != WM_COMMAND || !state) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOk(dialog, state);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK FilesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return Dispatch(dialog, message, wParam, lParam);
  } catch (...) {
    // No exception may cross into the system's callback. Only a lack of memory can throw here;
    // ending as a cancel leaves files.use as it was.
    EndDialog(dialog, 0);
    return TRUE;
  }
}

}  // namespace

int RunFilesDialog(HWND owner) {
  FilesDialogState state;
  return static_cast<int>(
      DialogBoxParamA(g_instance, "Files", owner, FilesDialogProc, reinterpret_cast<LPARAM>(&state)));
}
