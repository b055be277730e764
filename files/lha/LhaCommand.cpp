#include "files/lha/LhaCommand.h"

#include <vector>

#include "files/lha/LhaArchive.h"
#include "files/lha/LhaErrors.h"

namespace lha {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Splits the text into words; a word in double quotes keeps its spaces and may not be empty.
bool SplitWords(const char* text, std::vector<std::string>* words) {
  const char* p = text;
  for (;;) {
    while (IsSpace(*p)) ++p;
    if (*p == '\0') return true;
    std::string word;
    if (*p == '"') {
      ++p;
      while (*p != '\0' && *p != '"') word += *p++;
      if (*p != '"' || word.empty()) return false;
      ++p;
      if (*p != '\0' && !IsSpace(*p)) return false;
    } else {
      while (*p != '\0' && !IsSpace(*p)) {
        if (*p == '"') return false;
        word += *p++;
      }
    }
    words->push_back(word);
  }
}

}  // namespace

bool ParseCommand(const char* text, LhaCommand* command) {
  std::vector<std::string> words;
  if (!SplitWords(text, &words) || words.empty() || words[0].size() != 1) return false;
  char verb = words[0][0];
  if (verb >= 'A' && verb <= 'Z') verb = static_cast<char>(verb - 'A' + 'a');
  const size_t expected = verb == 'e' ? 3 : (verb == 't' || verb == 'l') ? 2 : 0;
  if (expected == 0 || words.size() != expected) return false;
  command->verb = verb;
  command->archive = words[1];
  command->destination = expected == 3 ? words[2] : std::string();
  return true;
}

int RunCommand(const char* text, std::string* report, std::vector<RefusedMember>* refused) {
  LhaCommand command;
  if (!ParseCommand(text, &command)) {
    *report += "command not understood\n";
    return kErrorCommand;
  }
  switch (command.verb) {
    case 'e':
      return ExtractArchiveFlat(command.archive.c_str(), command.destination.c_str(), report,
                                refused);
    case 't':
      return TestArchive(command.archive.c_str(), report);
    default:
      return ListArchive(command.archive.c_str(), report);
  }
}

}  // namespace lha
