#include "settings/DownloadSettings.h"

#include <cstring>

void DefaultDownloadSettings(DownloadSettings* record) {
  std::memset(record, 0, sizeof *record);
  record->DownloadTime = 193000;
  static const char kDefaultDirectory[] = "c:\\tkvn";
  std::memcpy(record->DataDirectory, kDefaultDirectory, sizeof kDefaultDirectory);
}
