// The extractor's command text, as a program hands it to an archiver library:
//   e ARCHIVE DESTDIR\    extract every member flat into DESTDIR
//   t ARCHIVE             test every member
//   l ARCHIVE             list the members
// A path may stand in double quotes, which it must when it holds a space; a path without quotes
// ends at the first space. The command letter may be upper or lower case.
#pragma once

#include <string>
#include <vector>

#include "files/lha/LhaArchive.h"

namespace lha {

struct LhaCommand {
  char verb = 0;  // 'e', 't' or 'l'
  std::string archive;
  std::string destination;  // 'e' only
};

// False for an empty or unknown command, a missing or extra argument, or an unclosed quote.
bool ParseCommand(const char* text, LhaCommand* command);

// Parses and runs a command; 0 or a code from LhaErrors.h, with the account in `report` and, for
// "e", the members passed over and the refusal that stopped it in `refused` when it is given.
int RunCommand(const char* text, std::string* report, std::vector<RefusedMember>* refused = nullptr);

}  // namespace lha
