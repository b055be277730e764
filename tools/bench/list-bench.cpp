// Builds the download list for 20 years of three file types (two daily, one weekly) with a
// holiday.txt of 300 lines, as BuildDownloadList does at a Download press in automatic mode, and
// reports the best and median time of RUNS builds. For comparison it also times the holiday
// lookup done by opening the file anew for every date of the range.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ProgramState.h"
#include "catalogue/DateHelpers.h"
#include "catalogue/DownloadList.h"
#include "tests/unit/catalogue/FakeRegistry.h"

namespace {

LocalDateTime Evening() { return {2013, 9, 25, 20, 0, 0}; }

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Write(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main() {
  const int runs = std::getenv("RUNS") ? std::atoi(std::getenv("RUNS")) : 5;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string data = std::string(temp) + "tkvn-list-bench";
  CreateDirectoryA(data.c_str(), nullptr);

  const int32_t first = 19930924;  // the day after the last download: 20 years of dates
  std::string holidays;
  int32_t day = first;
  for (int i = 0; i < 300; ++i) {
    day = AddDays(day, 24);
    holidays += std::to_string(day) + "\r\n";
  }
  if (!Write(data + "\\holiday.txt", holidays) ||
      !Write(data + "\\files.use", "/tkvn/dn/data/,D,Daily DN File,dn\n/tkvn/dn/idx/,D,Index File,ix\n"
                                   "/tkvn/dn/wk/,W,Weekly File,wk\n")) {
    std::fprintf(stderr, "cannot write into %s\n", data.c_str());
    return 1;
  }

  FakeRegistry registry;
  registry.PutSettings(data);
  SetLocalClock(Evening);
  g_automaticMode = 1;

  std::vector<double> times;
  int items = 0;
  for (int run = 0; run < runs; ++run) {
    registry.PutInt("DownloadInfo", first);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const int result = BuildDownloadList(nullptr);
    QueryPerformanceCounter(&end);
    if (result != 1) {
      std::fprintf(stderr, "the build failed (%d)\n", result);
      return 1;
    }
    items = DownloadItemCount();
    times.push_back(Milliseconds(start, end));
  }
  std::sort(times.begin(), times.end());

  // The same range, opening holiday.txt for every date.
  const std::string holidayPath = data + "\\holiday.txt";
  LARGE_INTEGER start, end;
  int weekdays = 0;
  QueryPerformanceCounter(&start);
  for (int32_t d = NextWeekday(first); d != 0 && d <= 20130925; d = NextWeekday(d)) {
    IsHoliday(holidayPath.c_str(), std::to_string(d).c_str());
    ++weekdays;
  }
  QueryPerformanceCounter(&end);

  std::printf("list build, 20 years x 3 file types, 300 holidays: %d items\n", items);
  std::printf("  best %.1f ms, median %.1f ms over %d runs\n", times.front(), times[times.size() / 2], runs);
  std::printf("holiday.txt opened per date (one daily type, %d weekdays): %.1f ms\n", weekdays,
              Milliseconds(start, end));

  ClearDownloadList();
  return 0;
}
