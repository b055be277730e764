// The extractor on the command line, for tests, benchmarks and support:
//   tkvn-lha t ARCHIVE | l ARCHIVE | e ARCHIVE DESTDIR\ (a backslash or slash at the end)
// The exit status is the command's code (0 on success); POSIX shells see only its low byte, which
// is never 0 for a failure, so the full code is printed as well.
#include <cstdio>
#include <string>

#include "files/lha/LhaCommand.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s t ARCHIVE | l ARCHIVE | e ARCHIVE DESTDIR\\\n", argv[0]);
    return 2;
  }
  // Each argument back in quotes, so that the command reader sees the paths whole.
  std::string command = argv[1];
  for (int i = 2; i < argc; ++i) {
    command += " \"";
    command += argv[i];
    command += '"';
  }
  std::string report;
  const int result = lha::RunCommand(command.c_str(), &report);
  std::fputs(report.c_str(), stdout);
  if (result != 0) {
    std::fprintf(stderr, "error code 0x%04X\n", static_cast<unsigned>(result));
    return result;
  }
  return 0;
}
