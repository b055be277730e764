#include "settings/DownloadSettings.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(DefaultDownloadSettings, IsZeroButTimeAndDirectory) {
  DownloadSettings record;
  std::memset(&record, 0xA5, sizeof record);
  DefaultDownloadSettings(&record);

  unsigned char expected[560] = {};
  std::memcpy(expected, "c:\\tkvn", 8);
  const int32_t time = 193000;  // stored little-endian at offset 260
  std::memcpy(expected + 260, &time, 4);
  EXPECT_EQ(0, std::memcmp(expected, &record, sizeof expected));
  EXPECT_EQ(expected[260], 0xE8);
  EXPECT_EQ(expected[261], 0xF1);
  EXPECT_EQ(expected[262], 0x02);
}
