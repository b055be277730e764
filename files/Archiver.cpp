#include "files/Archiver.h"

#include <cstring>
#include <string>

#include "files/lha/LhaArchive.h"
#include "files/lha/LhaCommand.h"

namespace {

class LhaArchiver : public Archiver {
 public:
  // The extractor opens no window of its own in any mode, so the option changes nothing.
  void SetOption(BOOL) override {}

  // The extractor always looks through the whole file for the first header, which is what mode
  // 16 asks for.
  int CheckArchive(const char* path, int) override { return lha::IsExtractableArchive(path); }

  int Command(HWND, const char* command, char* output, DWORD size,
              std::vector<lha::RefusedMember>* refused) override {
    std::string report;
    const int result = lha::RunCommand(command, &report, refused);
    if (output && size > 0) {
      const size_t n = report.size() < size - 1 ? report.size() : size - 1;
      std::memcpy(output, report.data(), n);
      output[n] = '\0';
    }
    return result;
  }
};

LhaArchiver g_lhaArchiver;
Archiver* g_archiver = &g_lhaArchiver;

}  // namespace

Archiver& CurrentArchiver() { return *g_archiver; }

void SetArchiver(Archiver* archiver) { g_archiver = archiver ? archiver : &g_lhaArchiver; }
