// Prints the version resource of a file the way Windows reads it for the file's Properties
// page: one "name=value" line per field, so that a script can compare them.
//
//   readversion FILE
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

const char* const kStringNames[] = {"CompanyName",      "FileDescription", "FileVersion",
                                    "InternalName",     "LegalCopyright",  "OriginalFilename",
                                    "ProductName",      "ProductVersion"};

void PrintVersion(const char* name, DWORD high, DWORD low) {
  std::printf("%s=%u,%u,%u,%u\n", name, unsigned{HIWORD(high)}, unsigned{LOWORD(high)}, unsigned{HIWORD(low)},
              unsigned{LOWORD(low)});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: readversion FILE\n");
    return 2;
  }
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  if (size == 0) {
    std::fprintf(stderr, "readversion: %s has no version resource (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(argv[1], 0, size, block.data())) {
    std::fprintf(stderr, "readversion: cannot read the version resource of %s\n", argv[1]);
    return 1;
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
      fixedSize < sizeof *fixed || fixed->dwSignature != 0xFEEF04BD) {
    std::fprintf(stderr, "readversion: no fixed file information\n");
    return 1;
  }
  PrintVersion("FILEVERSION", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  PrintVersion("PRODUCTVERSION", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  std::printf("FILETYPE=%lu\n", static_cast<unsigned long>(fixed->dwFileType));

  // The strings live in the block of the first language and code page listed.
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  UINT translationsSize = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                      &translationsSize) ||
      translationsSize < sizeof *translations) {
    std::fprintf(stderr, "readversion: no translation table\n");
    return 1;
  }
  std::printf("TRANSLATION=%04X%04X\n", translations->language, translations->codePage);
  for (const char* name : kStringNames) {
    char path[96];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\%s", translations->language,
                  translations->codePage, name);
    char* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length) && value) {
      std::printf("%s=%s\n", name, value);
    }
  }
  return 0;
}
