#include "settings/DataDirectoryCheck.h"

#include <string>

#include "platform/AutoCloseBox.h"

namespace {

int Fail(HWND owner, const char* message) {
  ShowBox(owner, message, "Error", MB_OK);
  return 0;
}

}  // namespace

int CheckDataDirectory(HWND owner, std::string_view directory) {
  char current[280];
  DWORD length = GetCurrentDirectoryA(sizeof current, current);
  if (length == 0 || length >= sizeof current)
    return Fail(owner, "Unable to obtain current directory information.");

  const std::string path(directory);
  if (SetCurrentDirectoryA(path.c_str())) {
    if (!SetCurrentDirectoryA(current)) return Fail(owner, "Unable to return to current directory.");
    return 1;
  }

  const std::string question = "The directory selected in update settings (" + path +
                               ") does not exist.\nWould you like to create it now?";
  if (ShowBox(owner, question.c_str(), "File Download", MB_YESNO) != IDYES)
    return Fail(owner, "Unable to continue. Please select valid directory in update settings.");

  if (!CreateDirectoryA(path.c_str(), nullptr)) return Fail(owner, "Failed attempting to create directory.");
  return 1;
}
