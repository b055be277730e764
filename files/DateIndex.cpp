#include "files/DateIndex.h"

#include <algorithm>

namespace {

char At(const std::string& name, std::size_t i) { return i < name.size() ? name[i] : '\0'; }

// The standard decimal conversion: leading white space, an optional sign, the digits up to the
// first other character; 0 without digits. Six characters at most, so it cannot overflow.
long ReadDecimal(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long value = 0;
  while (*text >= '0' && *text <= '9') value = value * 10 + (*text++ - '0');
  return negative ? -value : value;
}

}  // namespace

std::string DateIndexKey(const std::string& fileName) {
  const char yymmdd[7] = {At(fileName, 6), At(fileName, 7), At(fileName, 3),
                          At(fileName, 4), At(fileName, 0), At(fileName, 1), '\0'};
  long number = ReadDecimal(yymmdd);
  number += number / 10000 <= 70 ? 20000000 : 19000000;
  return std::to_string(number);
}

std::string DateIndexText(std::vector<std::string> keys) {
  std::sort(keys.begin(), keys.end());
  std::string text;
  text.reserve(keys.size() * 10);
  for (const std::string& key : keys) {
    // key is yyyymmdd: day, month and the last two digits of the year.
    text += key.substr(6, 2);
    text += '-';
    text += key.substr(4, 2);
    text += '-';
    text += key.substr(2, 2);
    text += "\r\n";
  }
  return text;
}
