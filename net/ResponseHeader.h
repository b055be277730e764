// Reads the response header of the server one byte at a time, so that the header reader never
// consumes a byte of the body. Lines end at a line feed; the carriage return stays in the line.
// The status line is found by "HTTP/" anywhere in the upper-cased line; other headers by their
// name at the start of the line followed by a colon, in any case.
#pragma once

#include <cstddef>
#include <string>

// Longest header line, carriage return included; the next byte of a longer line is refused.
constexpr size_t kHeaderLineMax = 2047;
// Longest whole header, line ends included: a peer that never ends its header is given up on.
constexpr size_t kHeaderMax = 65536;
// Length assumed when the header gives none; it only scales the progress bar.
constexpr long kAssumedBodyLength = 100;

class ResponseHeaderReader {
 public:
  enum class Step {
    More,        // keep feeding bytes
    End,         // the empty line: the next byte on the connection is the body's first
    LineTooLong, // a line longer than kHeaderLineMax
    Status,      // a status other than 200 and 404: StatusCode() says which
    // Replies that must not be stored, found at the latest at the empty line:
    HeaderTooLong,  // more than kHeaderMax bytes without the empty line
    NoStatusLine,   // the header ended and no line was a status line
    TransferCoding, // a Transfer-Encoding (chunked) body, which this HTTP/1.0 client cannot read
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
  size_t total_ = 0;
  bool transferCoding_ = false;
  bool statusSeen_ = false;
  bool notFound_ = false;
  int statusCode_ = 0;
  long length_ = kAssumedBodyLength;
  bool lengthGiven_ = false;
};

// The message shown for a status other than 200 and 404 (caption "HTTP error").
std::string HttpStatusMessage(int code);
