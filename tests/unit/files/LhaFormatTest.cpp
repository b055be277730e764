// The building blocks of the decoder: CRC-16, the bit reader, Huffman tables, and packed streams
// written bit by bit to reach each check on hostile data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LhaTestSupport.h"
#include "files/lha/BitReader.h"
#include "files/lha/Crc16.h"
#include "files/lha/Decoder.h"
#include "files/lha/HuffmanTable.h"
#include "files/lha/LhaErrors.h"

using lha_test::BitWriter;

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

class StringSink : public lha::OutputSink {
 public:
  bool Write(const uint8_t* data, size_t size) override {
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;
};

TEST(Crc16, KnownValuesAndPiecewiseUpdate) {
  EXPECT_EQ(lha::UpdateCrc16(0, Bytes("123456789"), 9), 0xBB3D);
  EXPECT_EQ(lha::UpdateCrc16(0, nullptr, 0), 0);
  std::string data;
  for (int i = 0; i < 1000; ++i) data += static_cast<char>(i * 37 + i / 7);
  const uint16_t whole = lha::UpdateCrc16(0, Bytes(data), data.size());
  // Pieces of every length from 1 to 9 cover each tail the eight-byte loop leaves.
  for (size_t piece = 1; piece < 10; ++piece) {
    uint16_t crc = 0;
    for (size_t at = 0; at < data.size(); at += piece)
      crc = lha::UpdateCrc16(crc, Bytes(data) + at, std::min(piece, data.size() - at));
    EXPECT_EQ(crc, whole) << "pieces of " << piece;
  }
}

TEST(BitReader, ReadsMostSignificantFirstAndZerosPastTheEnd) {
  const std::string data = "\xA5\x0F\xFF\xFF";  // only the first two bytes belong to the member
  lha::MemoryInput in(Bytes(data), data.size());
  lha::BitReader bits(in, 2);
  bits.Refill();
  EXPECT_EQ(bits.Get(1), 1u);
  EXPECT_EQ(bits.Get(3), 2u);
  EXPECT_EQ(bits.Get(4), 5u);
  EXPECT_EQ(bits.Get(8), 0x0Fu);
  for (int i = 0; i < 8; ++i) {
    bits.Refill();
    EXPECT_EQ(bits.Get(32), 0u) << "the next member's bytes must not be read";
  }
  EXPECT_FALSE(bits.Overrun());
  for (int i = 0; i < 16; ++i) {
    bits.Refill();
    bits.Get(32);
  }
  EXPECT_TRUE(bits.Overrun());
}

struct TableCase {
  const char* what;
  std::vector<uint8_t> lengths;
  bool valid;
};

TEST(HuffmanTable, AcceptsOnlyCompleteCodesUpToSixteenBits) {
  std::vector<uint8_t> deep(17, 0);  // 1, 2, ..., 16, 16: complete and as deep as allowed
  for (int i = 0; i < 16; ++i) deep[i] = static_cast<uint8_t>(i + 1);
  deep[16] = 16;
  std::vector<uint8_t> tooDeep = deep;
  tooDeep[15] = tooDeep[16] = 17;
  const TableCase cases[] = {
      {"two codes of one bit", {1, 1}, true},
      {"lengths 1 2 3 3", {1, 2, 3, 3}, true},
      {"unused symbols between", {0, 1, 0, 2, 2}, true},
      {"sixteen bits deep", deep, true},
      {"one code alone is incomplete", {1}, false},
      {"no codes at all", {0, 0, 0}, false},
      {"over-subscribed", {1, 1, 1}, false},
      {"incomplete", {1, 2}, false},
      {"length 17", tooDeep, false},
  };
  for (const TableCase& c : cases) {
    lha::HuffmanTable table;
    EXPECT_EQ(table.Build(c.lengths.data(), static_cast<int>(c.lengths.size()), 8), c.valid)
        << c.what;
  }
}

TEST(HuffmanTable, DecodesCanonicalCodesShortAndLong) {
  // Lengths 1..16,16 give codes 0, 10, 110, ... ; the long ones go through a second-level table.
  std::vector<uint8_t> lengths(17);
  for (int i = 0; i < 16; ++i) lengths[i] = static_cast<uint8_t>(i + 1);
  lengths[16] = 16;
  for (int tableBits : {4, 8, 12}) {
    lha::HuffmanTable table;
    ASSERT_TRUE(table.Build(lengths.data(), 17, tableBits));
    BitWriter w;
    const int symbols[] = {0, 3, 16, 15, 1, 11, 0, 14};
    for (int s : symbols) {
      if (s < 16) w.Put((0xFFFFu >> (16 - s)) << 1, s + 1);  // s ones and a zero
      else w.Put(0xFFFF, 16);
    }
    const std::string data = w.Bytes();
    lha::MemoryInput in(Bytes(data), data.size());
    lha::BitReader bits(in, data.size());
    for (int s : symbols) {
      bits.Refill();
      EXPECT_EQ(table.Decode(bits), s) << "table bits " << tableBits;
    }
  }
}

// A -lh5- block written by hand: the pre-code, the literal/length code and the position code.
struct Stream {
  BitWriter w;
  // Pre-code with symbol 2 as "0" and symbol 3 as "1": zero runs of 20+ and length 1.
  void TwoSymbolPreCode() {
    w.Put(4, 5);
    w.Put(0, 3);
    w.Put(0, 3);
    w.Put(1, 3);
    w.Put(0, 2);  // no zero run after the third length
    w.Put(1, 3);
  }
  // Literal/length code: 'A' is "0" and 'B' is "1".
  void LiteralsAB() {
    w.Put(67, 9);
    w.Put(0, 1);
    w.Put(45, 9);  // 20 + 45 zero lengths
    w.Put(1, 1);
    w.Put(1, 1);
  }
  void SinglePosition(int symbol) {
    w.Put(0, 4);
    w.Put(static_cast<uint32_t>(symbol), 4);
  }
};

const lha::Method& Lh5() { return *lha::FindMethod("-lh5-"); }

int DecodeStream(const std::string& packed, size_t packedSize, uint64_t size, uint16_t crc,
                 std::string* out) {
  lha::MemoryInput in(Bytes(packed), packed.size());
  StringSink sink;
  const int result = lha::DecodeMember(Lh5(), in, packedSize, size, crc, sink);
  *out = sink.text;
  return result;
}

TEST(LzhDecoder, ZerosPastThePackedDataNeverReadTheNextMember) {
  Stream s;
  s.w.Put(8, 16);
  s.TwoSymbolPreCode();
  s.LiteralsAB();
  s.SinglePosition(0);
  s.w.Put(1, 1);  // 'B'; the seven codes after it lie past the data and read as 'A'
  const std::string packed = s.w.Bytes();
  const std::string file = packed + std::string(16, '\xFF');
  std::string out;
  EXPECT_EQ(DecodeStream(file, packed.size(), 8, lha_test::Crc16Of("BAAAAAAA"), &out), lha::kOk);
  EXPECT_EQ(out, "BAAAAAAA");
}

TEST(LzhDecoder, SingleSymbolCodesAndMatchesIntoTheInitialWindow) {
  Stream s;
  s.w.Put(3, 16);
  s.w.Put(0, 5);  // pre-code of one symbol
  s.w.Put(0, 5);
  s.w.Put(0, 9);  // literal/length code of one symbol: a match of 4
  s.w.Put(257, 9);
  s.SinglePosition(0);  // distance 1
  const std::string packed = s.w.Bytes();
  std::string out;
  // The window starts as spaces, so a match before any output copies spaces.
  EXPECT_EQ(DecodeStream(packed, packed.size(), 12, lha_test::Crc16Of(std::string(12, ' ')), &out),
            lha::kOk);
  EXPECT_EQ(out, std::string(12, ' '));
}

TEST(LzhDecoder, RefusesEachKindOfBrokenTable) {
  struct Case {
    const char* what;
    void (*write)(Stream&);
  };
  const Case cases[] = {
      {"empty block", [](Stream& s) { s.w.Put(0, 16); }},
      {"pre-code count above its alphabet", [](Stream& s) {
         s.w.Put(1, 16);
         s.w.Put(20, 5);
       }},
      {"pre-code single symbol outside the alphabet", [](Stream& s) {
         s.w.Put(1, 16);
         s.w.Put(0, 5);
         s.w.Put(19, 5);
       }},
      {"code length over 16", [](Stream& s) {
         s.w.Put(1, 16);
         s.w.Put(1, 5);
         s.w.Put(7, 3);
         s.w.Put(0x3FF, 10);  // 7 and ten more
         s.w.Put(0, 1);
       }},
      {"incomplete pre-code", [](Stream& s) {
         s.w.Put(1, 16);
         s.w.Put(1, 5);
         s.w.Put(1, 3);
       }},
      {"literal count above its alphabet", [](Stream& s) {
         s.w.Put(1, 16);
         s.TwoSymbolPreCode();
         s.w.Put(511, 9);
       }},
      {"zero run past the literal table", [](Stream& s) {
         s.w.Put(1, 16);
         s.TwoSymbolPreCode();
         s.w.Put(510, 9);
         s.w.Put(0, 1);
         s.w.Put(500, 9);  // 520 zeros
       }},
      {"incomplete literal code", [](Stream& s) {
         s.w.Put(1, 16);
         s.TwoSymbolPreCode();
         s.w.Put(1, 9);
         s.w.Put(1, 1);  // one length of 1
       }},
      {"position code count above its alphabet", [](Stream& s) {
         s.w.Put(1, 16);
         s.TwoSymbolPreCode();
         s.LiteralsAB();
         s.w.Put(15, 4);
       }},
      {"position single symbol outside the alphabet", [](Stream& s) {
         s.w.Put(1, 16);
         s.TwoSymbolPreCode();
         s.LiteralsAB();
         s.SinglePosition(14);
       }},
  };
  for (const Case& c : cases) {
    Stream s;
    c.write(s);
    s.w.Put(0xFFFFFFFF, 32);
    const std::string packed = s.w.Bytes();
    std::string out;
    EXPECT_EQ(DecodeStream(packed, packed.size(), 100, 0, &out), lha::kErrorHuffman) << c.what;
  }
}

TEST(LzhDecoder, AStreamThatRunsOutIsACrcError) {
  Stream s;
  s.w.Put(60000, 16);
  s.TwoSymbolPreCode();
  s.LiteralsAB();
  s.SinglePosition(0);
  const std::string packed = s.w.Bytes();
  std::string out;
  // 60000 codes of 'A' read from zeros: the data has run out long before, so the member is bad.
  EXPECT_EQ(DecodeStream(packed, packed.size(), 60000, lha_test::Crc16Of(std::string(60000, 'A')),
                         &out),
            lha::kErrorCrc);
}

// LArc's methods copy from absolute places in a ring that starts out filled (more rows, checked
// against lhasa, in the differential test).
TEST(LarcDecoders, CopiesFromTheRingAndStopsAtTheEnd) {
  BitWriter wrap;  // 17 bytes fill the ring to its end; a copy then reads across it
  for (char c = 'A'; c <= 'Q'; ++c) wrap.Put(1, 1), wrap.Put(static_cast<uint32_t>(c), 8);
  wrap.Put(0, 1), wrap.Put(2048 - 8, 11), wrap.Put(10 - 2, 4);
  BitWriter longCopy;  // a copy of 17 spaces in a member of 5 bytes
  longCopy.Put(0, 1), longCopy.Put(0, 11), longCopy.Put(15, 4);
  struct Case {
    const char* what;
    const char* method;
    std::string packed;
    std::string original;
    int result;
  };
  const Case cases[] = {
      {"lzs copy across the ring's end", "-lzs-", wrap.Bytes(), "ABCDEFGHIJKLMNOPQJKLMNOPQJK",
       lha::kOk},
      {"lzs copy cut at the member's end", "-lzs-", longCopy.Bytes(), "     ", lha::kOk},
      {"lz5 the values counting down, then spaces", "-lz5-", std::string("\x00\x00\xE0\x80\xF1", 5),
       "\xFF\xFE\xFD    ", lha::kOk},
      // Zeros past the end would decode to these, so only the end of the data can tell.
      {"lzs data that runs out", "-lzs-", "", std::string(1000, ' '), lha::kErrorCrc},
      {"lz5 data that runs out", "-lz5-", "", std::string(1000, '\0'), lha::kErrorCrc},
  };
  for (const Case& c : cases) {
    lha::MemoryInput in(Bytes(c.packed), c.packed.size());
    StringSink sink;
    EXPECT_EQ(lha::DecodeMember(*lha::FindMethod(c.method), in, c.packed.size(), c.original.size(),
                                lha_test::Crc16Of(c.original), sink),
              c.result)
        << c.what;
    if (c.result == lha::kOk) {
      EXPECT_EQ(sink.text, c.original) << c.what;
    }
  }
}

TEST(Methods, KnownMethodsOnly) {
  for (const char* id : {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhx-", "-lhd-",
                         "-lz4-", "-lzs-", "-lz5-"})
    EXPECT_NE(lha::FindMethod(id), nullptr) << id;
  for (const char* id : {"-lh2-", "-lh3-", "-lh8-", "-pm0-"})
    EXPECT_EQ(lha::FindMethod(id), nullptr) << id;
}

}  // namespace
