// Reads the response header of the server one byte at a time, so that the header reader never
// consumes a byte of the body. Lines end at a line feed; the carriage return stays in the line.
// Header names are found by substring in the upper-cased line, so they match in any case.
#pragma once

#include <cstddef>
#include <string>

// Longest header line, carriage return included; the next byte of a longer line is refused.
constexpr size_t kHeaderLineMax = 2047;
// Length assumed when the header gives none; it only scales the progress bar.
constexpr long kAssumedBodyLength = 100;

class ResponseHeaderReader {
 public:
  enum class Step {
    More,        // keep feeding bytes
    End,         // the empty line: the next byte on the connection is the body's first
    LineTooLong, // a line longer than kHeaderLineMax
    Status,      // a status other than 200 and 404: StatusCode() says which
  };

  Step Feed(char byte);

  bool NotFound() const { return notFound_; }
  int StatusCode() const { return statusCode_; }
  bool StatusSeen() const { return statusSeen_; }
  // The last non-negative Content-Length value, or kAssumedBodyLength when there was none.
  long BodyLength() const { return length_; }
  bool LengthGiven() const { return lengthGiven_; }

 private:
  Step EndOfLine();

  std::string line_;
  bool statusSeen_ = false;
  bool notFound_ = false;
  int statusCode_ = 0;
  long length_ = kAssumedBodyLength;
  bool lengthGiven_ = false;
};

// The message shown for a status other than 200 and 404 (caption "HTTP error").
std::string HttpStatusMessage(int code);
