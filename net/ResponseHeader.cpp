#include "net/ResponseHeader.h"

#include <cstdint>
#include <cstdio>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The number after the line's first word, as the status and length lines are read: blanks, the
// word, blanks, an optional sign and decimal digits. False when no digit follows the first word or
// the value does not fit 32 bits (such a value is treated as missing).
bool NumberAfterFirstWord(const std::string& line, long* value) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size()) return false;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  if (i == line.size() || line[i] < '0' || line[i] > '9') return false;
  int64_t v = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    v = v * 10 + (line[i] - '0');
    if (v > INT32_MAX) return false;
  }
  *value = static_cast<long>(negative ? -v : v);
  return true;
}

// True when the upper-cased line is a header of this name: the name at the start, then a colon.
// "X-Original-Content-Length:" is not a Content-Length.
bool IsHeader(const std::string& line, const char* name) {
  const std::string prefix = std::string(name) + ":";
  return line.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

ResponseHeaderReader::Step ResponseHeaderReader::Feed(char byte) {
  if (++total_ > kHeaderMax) return Step::HeaderTooLong;
  if (byte == '\n') return EndOfLine();
  if (line_.size() >= kHeaderLineMax) return Step::LineTooLong;
  line_.push_back(byte);
  return Step::More;
}

ResponseHeaderReader::Step ResponseHeaderReader::EndOfLine() {
  std::string line;
  line.swap(line_);
  if (line.empty() || line == "\r") {
    if (!statusSeen_) return Step::NoStatusLine;
    // A missing file stores nothing, whatever its framing.
    if (transferCoding_ && !notFound_) return Step::TransferCoding;
    return Step::End;
  }
  for (char& c : line) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (!statusSeen_ && line.find("HTTP/") != std::string::npos) {
    statusSeen_ = true;
    long code = 0;
    // A status line without a number is acted on as the unknown code 0.
    statusCode_ = NumberAfterFirstWord(line, &code) ? static_cast<int>(code) : 0;
    if (statusCode_ == 404) notFound_ = true;
    else if (statusCode_ != 200) return Step::Status;
  } else if (IsHeader(line, "TRANSFER-ENCODING")) {
    transferCoding_ = true;
  } else if (IsHeader(line, "CONTENT-LENGTH")) {
    long value = 0;
    // Without a blank after the colon no number follows the first word: the length stays.
    // A negative length is treated as missing.
    if (NumberAfterFirstWord(line, &value) && value >= 0) {
      length_ = value;
      lengthGiven_ = true;
    }
  }
  return Step::More;
}

std::string HttpStatusMessage(int code) {
  switch (code) {
    case 204: return "No Content";
    case 301: return "Site permanently moved";
    case 302: return "Site temporarily moved";
    case 400: return "Bad HTTP request";
    case 401: return "Authorisation required";
    case 403: return "Access forbidden";
    case 407: return "Proxy authentication required";
    case 408: return "Request timed out";
    case 500: return "Internal server error";
    case 503: return "Service temporarily unavailable";
    case 505: return "HTTP version not supported";
    default: break;
  }
  char text[48];
  std::snprintf(text, sizeof text, "Unknown HTTP error # %d", code);
  return text;
}
