#include "settings/DataDirectoryCheck.h"

#include <cstdio>
#include <string>

namespace {

int Fail(HWND owner, const char* message) {
  MessageBoxA(owner, message, "Error", MB_OK);
  return 0;
}

}  // namespace

int CheckDataDirectory(HWND owner, const char* directory) {
  char current[280];
  DWORD length = GetCurrentDirectoryA(sizeof current, current);
  if (length == 0 || length >= sizeof current)
    return Fail(owner, "Unable to obtain current directory information.");

  if (SetCurrentDirectoryA(directory)) {
    if (!SetCurrentDirectoryA(current)) return Fail(owner, "Unable to return to current directory.");
    return 1;
  }

  static const char kQuestion[] =
      "The directory selected in update settings (%s) does not exist.\nWould you like to create it now?";
  std::string question(sizeof kQuestion + std::char_traits<char>::length(directory), '\0');
  int written = std::snprintf(&question[0], question.size(), kQuestion, directory);
  question.resize(written > 0 ? static_cast<size_t>(written) : 0);
  if (MessageBoxA(owner, question.c_str(), "File Download", MB_YESNO) != IDYES)
    return Fail(owner, "Unable to continue. Please select valid directory in update settings.");

  if (!CreateDirectoryA(directory, nullptr)) return Fail(owner, "Failed attempting to create directory.");
  return 1;
}
