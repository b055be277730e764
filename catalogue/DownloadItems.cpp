#include "catalogue/DownloadItems.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "files/TextMode.h"

namespace {

std::vector<DownloadItem> g_items;
std::size_t g_cursor = 0;

constexpr std::size_t kHolidayPiece = 189;

bool Fits(const char* text, std::size_t size) { return std::strlen(text) < size; }

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

int AddDownloadItem(const char* serverPath, const char* localPath, int32_t date, int32_t week) {
  DownloadItem item;
  std::memset(&item, 0, sizeof item);
  if (!Fits(serverPath, sizeof item.ServerPath) || !Fits(localPath, sizeof item.LocalPath) ||
      g_items.size() >= static_cast<std::size_t>(kMaxDownloadItems))
    return 0;
  std::memcpy(item.ServerPath, serverPath, std::strlen(serverPath));
  std::memcpy(item.LocalPath, localPath, std::strlen(localPath));
  item.Date = date;
  item.Week = week;
  try {
    g_items.push_back(item);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

void ClearDownloadList() { std::vector<DownloadItem>().swap(g_items); }

int DownloadItemCount() { return static_cast<int>(g_items.size()); }

void RewindDownloadList() { g_cursor = 0; }

const DownloadItem* NextDownloadItem() {
  if (g_cursor >= g_items.size()) return nullptr;
  return &g_items[g_cursor++];
}

int32_t NewestListedWeek() {
  int32_t newest = 0;
  for (const DownloadItem& item : g_items)
    if (item.Week > newest) newest = item.Week;
  return newest;
}

std::string ArchiveName(int32_t date) {
  char digits[16];
  int length = std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(date));
  if (length < 8) return std::string();
  std::string name;
  name.append(digits + 2, 2).append("-").append(digits + 4, 2).append("-").append(digits + 6, 2);
  return name;
}

HolidayList::HolidayList(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return;
  TextModeReader reader(file.get());
  std::string line;
  std::size_t read = 0;
  while (read < kHolidayListLimit && reader.ReadPiece(kHolidayPiece, &line)) {
    read += line.size();
    CutAtControl(&line);
    lines_.insert(line);
  }
}

bool HolidayList::Contains(const std::string& dateText) const { return lines_.count(dateText) != 0; }

int IsHoliday(const char* path, const char* dateText) {
  return HolidayList(path).Contains(dateText) ? 1 : 0;
}
