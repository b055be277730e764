// The store against Wine's real registry, and against a registry that refuses writes.
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/ui/settings/DialogTestSupport.h"
#include "tools/uidriver/UiDriver.h"

namespace {

void DeleteKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

void PutValue(const char* name, DWORD type, const std::vector<unsigned char>& bytes) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())));
  RegCloseKey(key);
}

// The stored bytes and type, or an empty vector when the value is absent.
std::vector<unsigned char> GetValue(const char* name, DWORD* type = nullptr) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::vector<unsigned char> bytes(4096);
  DWORD size = static_cast<DWORD>(bytes.size());
  DWORD t = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &t, bytes.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return {};
  bytes.resize(size);
  if (type) *type = t;
  return bytes;
}

std::vector<unsigned char> DefaultBytes() {
  DownloadSettings record;
  DefaultDownloadSettings(&record);
  auto p = reinterpret_cast<const unsigned char*>(&record);
  return {p, p + sizeof record};
}

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    DeleteKey();
  }
  void TearDown() override {
    SetSettingsRegistry(nullptr);
    DeleteKey();
  }
};

TEST_F(SettingsStore, FirstLoadWritesTheDefaultRecord) {
  DownloadSettings record;
  std::memset(&record, 0x5A, sizeof record);
  ASSERT_EQ(1, LoadDownloadSettings(nullptr, &record));
  EXPECT_STREQ("c:\\tkvn", record.DataDirectory);
  EXPECT_EQ(193000, record.DownloadTime);
  EXPECT_EQ(0, std::memcmp(DefaultBytes().data(), &record, sizeof record));

  DWORD type = 0;
  EXPECT_EQ(DefaultBytes(), GetValue("DownloadSettings", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
}

TEST_F(SettingsStore, RecordsOfAnotherSizeAreReplacedByTheDefaults) {
  for (size_t size : {559u, 561u, 0u, 4u}) {
    SCOPED_TRACE(size);
    std::vector<unsigned char> odd(size, 'x');
    PutValue("DownloadSettings", REG_BINARY, odd);
    DownloadSettings record;
    ASSERT_EQ(1, LoadDownloadSettings(nullptr, &record));
    EXPECT_EQ(0, std::memcmp(DefaultBytes().data(), &record, sizeof record));
    EXPECT_EQ(DefaultBytes(), GetValue("DownloadSettings"));
  }
}

TEST_F(SettingsStore, SavedRecordLoadsBackByteForByte) {
  DownloadSettings saved;
  // Bytes after each terminator carry no meaning but must survive the round trip.
  for (size_t i = 0; i < sizeof saved; ++i) reinterpret_cast<unsigned char*>(&saved)[i] = static_cast<unsigned char>(i * 7 + 1);
  std::memcpy(saved.DataDirectory, "D:\\Market Data\0junk", 19);
  std::memcpy(saved.Username, "trader\0zz", 9);
  ASSERT_EQ(1, SaveDownloadSettings(nullptr, &saved));

  DownloadSettings loaded;
  std::memset(&loaded, 0, sizeof loaded);
  ASSERT_EQ(1, LoadDownloadSettings(nullptr, &loaded));
  EXPECT_EQ(0, std::memcmp(&saved, &loaded, sizeof saved));
  EXPECT_EQ(560u, GetValue("DownloadSettings").size());
}

TEST_F(SettingsStore, SmallValuesCheckOnlyTheirSize) {
  // A REG_DWORD of four bytes is accepted as it is.
  PutValue("DownloadInfo", REG_DWORD, {0x55, 0x1F, 0x35, 0x01});  // 20260693 is not a date; kept anyway
  int32_t info = -1;
  ASSERT_EQ(1, LoadDownloadInfo(nullptr, &info));
  EXPECT_EQ(0x01351F55, info);
  DWORD type = 0;
  GetValue("DownloadInfo", &type);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);

  // Missing: 0, written back as four zero bytes.
  int32_t ascii = 7;
  ASSERT_EQ(1, LoadDownloadAscii(nullptr, &ascii));
  EXPECT_EQ(0, ascii);
  EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 0}), GetValue("DownloadAscii", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);

  // Eight bytes: discarded and replaced.
  PutValue("DownloadClean", REG_BINARY, {1, 0, 0, 0, 1, 0, 0, 0});
  int32_t clean = 9;
  ASSERT_EQ(1, LoadDownloadClean(nullptr, &clean));
  EXPECT_EQ(0, clean);
  EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 0}), GetValue("DownloadClean"));

  int32_t date = 20261207;
  ASSERT_EQ(1, SaveDownloadInfo(nullptr, &date));
  ASSERT_EQ(1, LoadDownloadInfo(nullptr, &info));
  EXPECT_EQ(20261207, info);
}

// A registry that reads like the real one but refuses every write.
class RefusingRegistry : public SettingsRegistry {
 public:
  bool Query(const char*, void*, DWORD, DWORD*) override { return false; }
  bool Set(const char*, const void*, DWORD) override {
    ++writes;
    return false;
  }
  int writes = 0;
};

struct FailingCase {
  const char* value;
  const char* message;
  int (*run)();
};

int LoadSettingsCase() {
  DownloadSettings r;
  std::memset(&r, 0x11, sizeof r);
  int result = LoadDownloadSettings(nullptr, &r);
  DownloadSettings d;
  DefaultDownloadSettings(&d);
  EXPECT_EQ(0, std::memcmp(&d, &r, sizeof r)) << "the caller gets the defaults even when they cannot be written";
  return result;
}
int SaveSettingsCase() {
  DownloadSettings r;
  DefaultDownloadSettings(&r);
  return SaveDownloadSettings(nullptr, &r);
}
int LoadInfoCase() {
  int32_t v = 77;
  int result = LoadDownloadInfo(nullptr, &v);
  EXPECT_EQ(0, v);
  return result;
}
int SaveAsciiCase() {
  int32_t v = 1;
  return SaveDownloadAscii(nullptr, &v);
}
int LoadCleanCase() {
  int32_t v = 5;
  int result = LoadDownloadClean(nullptr, &v);
  EXPECT_EQ(0, v);
  return result;
}

TEST_F(SettingsStore, RefusedWritesShowTheValuesMessageAndFail) {
  const FailingCase cases[] = {
      {"DownloadSettings load", "Error attempting to create registry key(pds)", LoadSettingsCase},
      {"DownloadSettings save", "Error attempting to create registry key(pds)", SaveSettingsCase},
      {"DownloadInfo load", "Error attempting to create registry key(pdi)", LoadInfoCase},
      {"DownloadAscii save", "Error attempting to create registry key(pda)", SaveAsciiCase},
      {"DownloadClean load", "Error attempting to create registry key(pdc)", LoadCleanCase},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    RefusingRegistry refusing;
    SetSettingsRegistry(&refusing);
    int result = -1;
    ui::MessageBoxText box;
    RunAnsweringExactly([&] { result = c.run(); }, [&] { box = ui::AnswerMessageBox(IDOK); });
    EXPECT_EQ(0, result);
    EXPECT_EQ("Error", box.caption);
    EXPECT_EQ(c.message, box.text);
    EXPECT_EQ(1, refusing.writes);
  }
}

TEST_F(SettingsStore, UnwritableKeyInTheRealRegistryFailsTheSave) {
  // Make the key read-only for everyone; every write-capable open and the creation then fail.
  PutValue("DownloadInfo", REG_BINARY, {1, 2});
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key));
  PSECURITY_DESCRIPTOR sd = nullptr;
  using ConvertFn = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
  auto convert = reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(
      GetProcAddress(LoadLibraryA("advapi32.dll"), "ConvertStringSecurityDescriptorToSecurityDescriptorA")));
  ASSERT_NE(nullptr, convert);
  ASSERT_TRUE(convert("D:P(A;;KR;;;WD)", 1, &sd, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd));
  LocalFree(sd);
  RegCloseKey(key);

  int32_t info = 42;
  int result = -1;
  ui::MessageBoxText box;
  ui::DriveModal([&] { result = LoadDownloadInfo(nullptr, &info); }, [&] { box = ui::AnswerMessageBox(IDOK); });
  EXPECT_EQ(0, result);
  EXPECT_EQ(0, info);
  EXPECT_EQ("Error attempting to create registry key(pdi)", box.text);
  EXPECT_EQ(2u, GetValue("DownloadInfo").size()) << "the registry keeps what it held";

  // Give the key back so that it can be deleted.
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, READ_CONTROL | WRITE_DAC, &key));
  ASSERT_TRUE(convert("D:P(A;;KA;;;WD)", 1, &sd, nullptr));
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
  LocalFree(sd);
  RegCloseKey(key);
}

}  // namespace
