#include <gtest/gtest.h>

#include <string>

#include "net/BodyProgress.h"
#include "net/ResponseHeader.h"

namespace {

struct Fed {
  ResponseHeaderReader::Step step = ResponseHeaderReader::Step::More;
  size_t consumed = 0;  // bytes taken, the one that ended the header included
};

// Feeds bytes until the reader stops asking for more, as the exchange does.
Fed Feed(ResponseHeaderReader* reader, const std::string& bytes) {
  Fed fed;
  while (fed.consumed < bytes.size()) {
    fed.step = reader->Feed(bytes[fed.consumed++]);
    if (fed.step != ResponseHeaderReader::Step::More) break;
  }
  return fed;
}

TEST(ResponseHeader, StopsRightAfterTheEmptyLineSoTheBodyIsUntouched) {
  ResponseHeaderReader r;
  std::string header = "HTTP/1.0 200 OK\r\nServer: x\r\nContent-Length: 12\r\n\r\n";
  Fed fed = Feed(&r, header + "BODY\r\n\r\nMORE");
  EXPECT_EQ(fed.step, ResponseHeaderReader::Step::End);
  EXPECT_EQ(fed.consumed, header.size());
  EXPECT_TRUE(r.StatusSeen());
  EXPECT_FALSE(r.NotFound());
  EXPECT_TRUE(r.LengthGiven());
  EXPECT_EQ(r.BodyLength(), 12);
}

TEST(ResponseHeader, HeaderMayEndRightAfterTheStatusLineOrAfterContentLength) {
  ResponseHeaderReader a;
  EXPECT_EQ(Feed(&a, "HTTP/1.0 200 OK\r\n\r\n").step, ResponseHeaderReader::Step::End);
  EXPECT_FALSE(a.LengthGiven());
  EXPECT_EQ(a.BodyLength(), kAssumedBodyLength);

  ResponseHeaderReader b;  // bare line feeds end lines too
  EXPECT_EQ(Feed(&b, "HTTP/1.0 200 OK\nContent-Length: 7\n\n").step, ResponseHeaderReader::Step::End);
  EXPECT_EQ(b.BodyLength(), 7);
}

TEST(ResponseHeader, ContentLengthVariants) {
  struct Row {
    const char* line;
    bool given;
    long length;
  } rows[] = {
      {"content-length: 250", true, 250},   // header names match in any case
      {"CoNtEnT-LeNgTh:\t31", true, 31},
      {"Content-Length:250", false, 100},   // no blank after the colon: no number after the first word
      {"Content-Length: 0", true, 0},
      {"Content-Length: -5", false, 100},   // a negative length counts as none
      {"Content-Length: 99999999999", false, 100},  // beyond 32 bits: none
      {"Content-Length: 2147483647", true, 2147483647},
      {"Content-Length: 12abc", true, 12},
      {"Content-Length: none", false, 100},
      {"X-Original-Content-Length: 99999", false, 100},  // only the name at the line start counts
  };
  for (const Row& row : rows) {
    ResponseHeaderReader r;
    EXPECT_EQ(Feed(&r, "HTTP/1.0 200 OK\r\n" + std::string(row.line) + "\r\n\r\n").step,
              ResponseHeaderReader::Step::End)
        << row.line;
    EXPECT_EQ(r.LengthGiven(), row.given) << row.line;
    EXPECT_EQ(r.BodyLength(), row.length) << row.line;
  }
  ResponseHeaderReader later;  // a later length replaces an earlier one
  Feed(&later, "HTTP/1.0 200 OK\r\nContent-Length: 5\r\nContent-Length: 9\r\n\r\n");
  EXPECT_EQ(later.BodyLength(), 9);
}

TEST(ResponseHeader, NotFoundReadsOnToTheEndWhateverFollows) {
  ResponseHeaderReader r;
  EXPECT_EQ(Feed(&r, "HTTP/1.0 404 Not Found\r\nContent-Length: 40\r\nX: HTTP/1.0 500\r\n\r\n").step,
            ResponseHeaderReader::Step::End);
  EXPECT_TRUE(r.NotFound());
  EXPECT_EQ(r.StatusCode(), 404);
}

TEST(ResponseHeader, OtherStatusesStopAtTheStatusLine) {
  for (int code : {204, 301, 302, 400, 401, 403, 407, 408, 500, 503, 505, 201, 100}) {
    ResponseHeaderReader r;
    std::string status = "HTTP/1.1 " + std::to_string(code) + " Whatever\r\n";
    Fed fed = Feed(&r, status + "Content-Length: 3\r\n\r\n");
    EXPECT_EQ(fed.step, ResponseHeaderReader::Step::Status) << code;
    EXPECT_EQ(fed.consumed, status.size()) << code;
    EXPECT_EQ(r.StatusCode(), code);
  }
  ResponseHeaderReader words;  // no number after the first word: the unknown code 0
  EXPECT_EQ(Feed(&words, "HTTP/1.0 OK\r\n\r\n").step, ResponseHeaderReader::Step::Status);
  EXPECT_EQ(words.StatusCode(), 0);
}

TEST(ResponseHeader, StatusTableTexts) {
  EXPECT_EQ(HttpStatusMessage(204), "No Content");
  EXPECT_EQ(HttpStatusMessage(301), "Site permanently moved");
  EXPECT_EQ(HttpStatusMessage(302), "Site temporarily moved");
  EXPECT_EQ(HttpStatusMessage(400), "Bad HTTP request");
  EXPECT_EQ(HttpStatusMessage(401), "Authorisation required");
  EXPECT_EQ(HttpStatusMessage(403), "Access forbidden");
  EXPECT_EQ(HttpStatusMessage(407), "Proxy authentication required");
  EXPECT_EQ(HttpStatusMessage(408), "Request timed out");
  EXPECT_EQ(HttpStatusMessage(500), "Internal server error");
  EXPECT_EQ(HttpStatusMessage(503), "Service temporarily unavailable");
  EXPECT_EQ(HttpStatusMessage(505), "HTTP version not supported");
  EXPECT_EQ(HttpStatusMessage(418), "Unknown HTTP error # 418");
  EXPECT_EQ(HttpStatusMessage(-2147483647 - 1), "Unknown HTTP error # -2147483648");
}

TEST(ResponseHeader, LinesOf2047BytesPassAndOneByteMoreIsRefused) {
  // The carriage return counts; the line feed does not.
  std::string fits = "X-Pad: " + std::string(kHeaderLineMax - 8, 'a') + "\r";
  ASSERT_EQ(fits.size(), 2047u);
  ResponseHeaderReader a;
  EXPECT_EQ(Feed(&a, "HTTP/1.0 200 OK\r\n" + fits + "\n\r\n").step, ResponseHeaderReader::Step::End);

  std::string over = "X-Pad: " + std::string(kHeaderLineMax - 7, 'a') + "\r";
  ASSERT_EQ(over.size(), 2048u);
  ResponseHeaderReader b;
  std::string response = "HTTP/1.0 200 OK\r\n" + over + "\n\r\n";
  Fed fed = Feed(&b, response);
  EXPECT_EQ(fed.step, ResponseHeaderReader::Step::LineTooLong);
  EXPECT_EQ(fed.consumed, 17u + 2048u);
}

TEST(ResponseHeader, RepliesThatMustNotBeStoredAreRefused) {
  std::string endless = "HTTP/1.0 200 OK\r\n";
  while (endless.size() <= kHeaderMax) endless += "X-Pad: 1\r\n";
  struct Row {
    std::string reply;
    ResponseHeaderReader::Step step;
    size_t consumed;
  } rows[] = {
      {"Server: x\r\nContent-Length: 4\r\n\r\nbody", ResponseHeaderReader::Step::NoStatusLine, 32},
      {"HTTP/1.1 200 OK\r\ntransfer-encoding: chunked\r\n\r\n4\r\nbody", ResponseHeaderReader::Step::TransferCoding, 47},
      {endless, ResponseHeaderReader::Step::HeaderTooLong, kHeaderMax + 1},
      // Not found stores nothing whatever the framing: it is the silent 404.
      {"HTTP/1.1 404 No\r\nTransfer-Encoding: chunked\r\n\r\n", ResponseHeaderReader::Step::End, 47},
  };
  for (const Row& row : rows) {
    ResponseHeaderReader r;
    Fed fed = Feed(&r, row.reply);
    EXPECT_EQ(fed.step, row.step) << row.reply.substr(0, 40);
    EXPECT_EQ(fed.consumed, row.consumed) << row.reply.substr(0, 40);
  }
}

TEST(ResponseHeader, LinesBeforeTheStatusLineAreReadAsHeaders) {
  ResponseHeaderReader r;
  EXPECT_EQ(Feed(&r, "Content-Length: 5\r\nHTTP/1.0 200 OK\r\n\r\n").step, ResponseHeaderReader::Step::End);
  EXPECT_EQ(r.BodyLength(), 5);
  EXPECT_TRUE(r.StatusSeen());
}

TEST(BodyProgress, StepIsTheBlocksShareOfTheRangeTruncated) {
  EXPECT_EQ(ProgressStep(512, 1024), 5000);
  EXPECT_EQ(ProgressStep(1, 3), 3333);
  EXPECT_EQ(ProgressStep(512, 100), 51200);  // no length: larger than the range
  EXPECT_EQ(ProgressStep(512, 1000000), 5);
  EXPECT_EQ(ProgressStep(512, 2147483647), 0);
  EXPECT_EQ(ProgressStep(0, 100), 0);
  EXPECT_FALSE(BodyIsShort(false, 100, 3));
  EXPECT_TRUE(BodyIsShort(true, 100, 99));
  EXPECT_FALSE(BodyIsShort(true, 100, 100));
  EXPECT_FALSE(BodyIsShort(true, 100, 101));
}

// The bar moves only when its position changes by a pixel, at most every kProgressIntervalMs
// while blocks keep coming; a wait shows what has come. Without a length a block takes its
// (oversized) step.
TEST(BodyProgress, BarMovesOnlyWhenItsPositionChangesAndCatchesUpWhileWaiting) {
  const struct { long length; int granularity; uint32_t msPerBlock; int mostMoves; } rows[] = {
      {50000000, 1, 1, 97657 / 50},   // 97657 blocks, one a millisecond: time decides
      {50000000, 20, 1, 10000 / 20},  // a pixel of 20 decides
      {3000, 20, 0, 0},               // all at once: the bar stays until a wait
      {3000, 20, 60, 6}};             // slow blocks: each moves the bar
  for (const auto& row : rows) {
    uint32_t now = 0xFFFFFF00u;  // the clock wraps during the longer bodies
    BodyProgress known(true, row.length, now, row.granularity);
    int total = 0, moves = 0;
    for (long sent = 0; sent < row.length; sent += 512) {
      const int step = known.Step(sent + 512 <= row.length ? 512 : row.length - sent, now += row.msPerBlock);
      total += step;
      moves += step != 0;
    }
    EXPECT_LE(moves, row.mostMoves) << row.length << " " << row.msPerBlock;
    EXPECT_GE(moves, row.msPerBlock >= kProgressIntervalMs ? row.mostMoves : 0);
    EXPECT_EQ(total + known.CatchUp(now), kProgressRange) << row.length << " " << row.msPerBlock;
    EXPECT_EQ(known.CatchUp(now), 0);
  }
  BodyProgress unknown(false, kAssumedBodyLength, 0);
  EXPECT_EQ(unknown.Step(512, 10), 0);
  EXPECT_EQ(unknown.Step(512, 60), 51200);
  EXPECT_EQ(unknown.CatchUp(70), 0);
}

}  // namespace
