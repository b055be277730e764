// What Windows makes of a file name, and which names the data directory must never receive from
// the server. Portable: the rules look at ASCII characters and at the three superscript digits
// only, which have the same values as bytes of the Western code page and as wide characters, so
// the same rules judge a name as bytes and as the wide characters it converts to.
#pragma once

#include <cstddef>
#include <string>

enum class FileNameKind {
  kData,      // may be written into the data directory
  kProgram,   // Windows would run, load or act on it: a program extension, or desktop.ini
  kControl,   // one of the program's own files (files.use, files.ini, holiday.txt, abc.def,
              // message.txt, date), which an archive must not replace
  kUnusable,  // not one plain file name: empty, "." or "..", a separator, a control character or
              // one of : * ? " < > |, a trailing dot or space, or a device
};

// A name as bytes read as code page 932: a double-byte character is one character whatever its
// trail byte (which may be "\" or "|"), and a lead byte without a trail byte after it makes the
// name unusable, since a conversion may drop it and leave another name.
FileNameKind KindOfFileName(const std::string& name);
// A name as the wide characters that the system converted it to.
FileNameKind KindOfFileName(const std::wstring& name);

// The length of the character at `at` of a name read as code page 932: 2 for a double-byte
// character, 1 for any other byte, 0 for a lead byte without its trail byte.
std::size_t CharacterLength932(const std::string& name, std::size_t at);

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, COM and LPT with a superscript 1, 2 or 3,
// CONIN$, CONOUT$ and CLOCK$, in any case and with any extension: Windows opens the device
// (reading CON waits for the keyboard). `begin` to `end` is one component of a name.
bool IsDeviceName(const std::string& name, std::size_t begin, std::size_t end);

// The extensions of programs, scripts, shortcuts, installers, libraries, control-panel items,
// registry files, and of the files by which Windows changes how a program in the folder loads
// (.manifest, .config, .local) or what a folder does (.library-ms, .theme, desktop.ini, ...).
// The data directory holds the batch files the program runs and the program they run.
bool IsProgramFileName(const std::string& name);
