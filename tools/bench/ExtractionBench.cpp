// The session's extraction pass alone, without the network: every archive of a folder extracted
// into a data directory in name order, the listed text files rewritten after each and the date
// index written at the end, as the completion of a session does. Prints how long it took.
// Driven by session-bench.py, beside lhasa extracting the same archives.
//
//   extraction_bench DATADIR ARCHIVEDIR
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files/ExtractArchive.h"
#include "files/Housekeeping.h"
#include "settings/DownloadSettings.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::strlen(argv[1]) >= sizeof(DownloadSettings{}.DataDirectory)) {
    std::fprintf(stderr, "usage: extraction_bench DATADIR ARCHIVEDIR\n");
    return 2;
  }
  DownloadSettings settings;
  DefaultDownloadSettings(&settings);
  std::strcpy(settings.DataDirectory, argv[1]);
  const std::string archives = argv[2];
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((archives + "\\*.lzh").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
  }
  std::sort(names.begin(), names.end());

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int failed = 0;
  BeginRewritePass();
  for (const std::string& name : names) {
    if (ExtractArchive(nullptr, settings, (archives + "\\" + name).c_str()) != 1) ++failed;
    RewriteListedTextFiles("abc.def", settings.DataDirectory);
  }
  const int indexed = WriteDateIndex(settings.DataDirectory);
  QueryPerformanceCounter(&end);
  const double seconds =
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("%zu archives extracted in %.3f s inside the program, %d failed, %d days indexed\n", names.size(),
              seconds, failed, indexed);
  return failed == 0 ? 0 : 1;
}
