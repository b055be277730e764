#include "catalogue/FilesDialog.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/AutoCloseBox.h"
#include "platform/CallbackGuard.h"
#include "app/CentreWindow.h"
#include "catalogue/FileCatalogue.h"
#include "catalogue/FilesDialogRes.h"
#include "platform/ReplacementFile.h"
#include "platform/UniqueHandle.h"
#include "settings/SettingsStore.h"

namespace {

// Every entry of a full catalogue can be chosen: files.use holds as many rows.
constexpr int kMaxChosen = kMaxFileTypes;

// What the dialog holds while it is open: the catalogue, released when the dialog ends, and the
// selection file that OK writes.
struct FilesDialogState {
  std::unique_ptr<FileType[]> catalogue;
  int count = 0;
  char selectionPath[MAX_PATH];
};

BOOL WriteWithFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr);
}

SelectionWriter g_writer = WriteWithFile;

// "<directory>\<name>" into `path`; false when it does not fit.
bool DataPath(const std::string& directory, const char* name, char (&path)[MAX_PATH]) {
  int written = std::snprintf(path, sizeof path, "%s\\%s", directory.c_str(), name);
  return written > 0 && written < static_cast<int>(sizeof path);
}

// Loads the catalogue into the list and marks the entries that the selection holds. False when
// the catalogue cannot be read.
bool Fill(HWND dialog, FilesDialogState* state) {
  DownloadSettings settings;
  LoadDownloadSettings(dialog, &settings);
  const std::string dataDirectory(FieldText(settings.DataDirectory));
  char cataloguePath[MAX_PATH];
  if (!DataPath(dataDirectory, "files.ini", cataloguePath) ||
      !DataPath(dataDirectory, "files.use", state->selectionPath))
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
// rows gives the first of them, once.
std::vector<FileType> ChosenRows(HWND dialog, const FilesDialogState& state) {
  HWND list = GetDlgItem(dialog, IDC_FILES_LIST);
  int indexes[kMaxChosen];
  LRESULT marked = SendMessageA(list, LB_GETSELITEMS, kMaxChosen, reinterpret_cast<LPARAM>(indexes));
  std::vector<FileType> rows;
  std::vector<const FileType*> found;
  for (LRESULT i = 0; i < marked; ++i) {
    char description[sizeof(FileType::Description)];
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, indexes[i], 0);
    if (length < 0 || length >= static_cast<LRESULT>(sizeof description)) continue;
    SendMessageA(list, LB_GETTEXT, indexes[i], reinterpret_cast<LPARAM>(description));
    const FileType* row = FindFileType(state.catalogue.get(), state.count, description);
    if (row && std::find(found.begin(), found.end(), row) == found.end()) {
      found.push_back(row);
      rows.push_back(*row);
    }
  }
  return rows;
}

// One row of files.use, with the line end that a text-mode write gives it.
std::string SelectionRow(const FileType& row) {
  std::string line(FieldText(row.ServerPath));
  line.append(1, ',').append(1, row.Frequency).append(1, ',');
  line.append(FieldText(row.Description)).append(1, ',').append(FieldText(row.Prefix)).append("\r\n");
  return line;
}

// Writes files.use anew beside the old one and puts it in place only when it is complete; false
// (the old files.use untouched) when it cannot be created, written or put in place.
bool WriteSelection(const char* path, const std::vector<FileType>& rows) {
  ReplacementFile replacement(path);
  if (!replacement.Valid()) return false;
  {
    UniqueFile file(CreateFileA(replacement.TemporaryPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    for (const FileType& row : rows) {
      const std::string line = SelectionRow(row);
      DWORD written = 0;
      if (!g_writer(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written) || written != line.size())
        return false;
    }
  }
  return replacement.Commit();
}

void OnOk(HWND dialog, FilesDialogState* state) {
  std::vector<FileType> rows = ChosenRows(dialog, *state);
  if (rows.empty() &&
      ShowBox(dialog, "No files will be downloaded.\nAre you sure you don't want to select any files?",
              "Warning", MB_YESNO) != IDYES)
    return;
  state->catalogue.reset();
  if (!WriteSelection(state->selectionPath, rows))
    ShowBox(dialog, "Error attempting to write choices", "Error", MB_OK);
  EndDialog(dialog, 1);
}

INT_PTR Dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
    if (!Fill(dialog, reinterpret_cast<FilesDialogState*>(lParam))) {
      ShowBox(dialog,
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
  // Only a lack of memory can throw here; ending as a cancel leaves files.use as it was.
  return Guarded(dialog, [&] { return Dispatch(dialog, message, wParam, lParam); }, [&] {
    EndDialog(dialog, 0);
    return INT_PTR{TRUE};
  });
}

}  // namespace

int RunFilesDialog(HWND owner) {
  FilesDialogState state;
  return static_cast<int>(RunModalDialog("Files", owner, FilesDialogProc, reinterpret_cast<LPARAM>(&state)));
}

void SetSelectionWriterForTests(SelectionWriter writer) { g_writer = writer ? writer : WriteWithFile; }
