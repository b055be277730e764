// The settings dialog driven as a user would, against Wine's registry: what it shows, what it
// refuses (message, focus and selection), what it stores, and the registry failures.
#include "settings/SettingsDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ProgramState.h"
#include "settings/DirectoryChooserRes.h"
#include "settings/SettingsDialogRes.h"
#include "settings/SettingsStore.h"
#include "tests/ui/settings/DialogTestSupport.h"
#include "tools/uidriver/UiDriver.h"

namespace {

const char kCaption[] = "Download Settings";
const char kTimeMessage[] = "The download time is not correct.\nFor example 5 pm would be entered as 170000";
const char kPasswordMessage[] = "'Download password' does not match 'Retype password'. Please try again.";
const char kPortMessage[] =
    "The 'Proxy port' setting is invalid.\nEnter a number of your proxy port.\nThis number cannot be zero.";
const char kProxyPasswordMessage[] = "'Proxy password' does not match 'Retype password'. Please try again.";

template <size_t N>
void Put(char (&field)[N], const char* text) {
  size_t length = std::strlen(text);
  ASSERT_LT(length, N);
  std::memcpy(field, text, length + 1);
}

// A record as a user's registry may hold it, with leftovers after every string's terminator.
DownloadSettings Sample() {
  DownloadSettings record;
  std::memset(&record, 0x5A, sizeof record);
  Put(record.DataDirectory, "C:\\tkvn-settings\\data");
  record.DownloadTime = 173000;
  Put(record.Username, "trader");
  Put(record.Password, "Secret1");
  record.UseProxy = 0;
  Put(record.ProxyHost, "proxy.example");
  record.ProxyPort = 8080;
  record.Padding = 0;
  record.ProxyLogin = 1;
  Put(record.ProxyUsername, "puser");
  Put(record.ProxyPassword, "ppass");
  record.HangupOnExit = 1;
  return record;
}

void StoreRecord(const DownloadSettings& record) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "DownloadSettings", 0, REG_BINARY,
                                          reinterpret_cast<const BYTE*>(&record), sizeof record));
  RegCloseKey(key);
}

// The stored value as it stands; empty when it is absent.
std::vector<unsigned char> StoredBytes() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::vector<unsigned char> bytes(1024);
  DWORD size = static_cast<DWORD>(bytes.size());
  LONG rc = RegQueryValueExA(key, "DownloadSettings", nullptr, nullptr, bytes.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return {};
  bytes.resize(size);
  return bytes;
}

std::vector<unsigned char> BytesOf(const DownloadSettings& record) {
  auto p = reinterpret_cast<const unsigned char*>(&record);
  return {p, p + sizeof record};
}

DownloadSettings StoredRecord() {
  DownloadSettings record{};
  auto bytes = StoredBytes();
  EXPECT_EQ(bytes.size(), sizeof record);
  if (bytes.size() == sizeof record) std::memcpy(&record, bytes.data(), sizeof record);
  return record;
}

void WaitForFocus(HWND dialog, int id) {
  for (int waited = 0; ui::FocusedItemId(dialog) != id; waited += 20) {
    ASSERT_LT(waited, 3000) << "focus is on " << ui::FocusedItemId(dialog) << ", not on " << id;
    Sleep(20);
  }
}

// OK refused: the message and its caption, then the focus on `focus` with its whole text selected.
void ExpectRefusal(HWND dialog, const char* message, int focus) {
  ui::Click(dialog, IDOK);
  ui::MessageBoxText box = ui::AnswerMessageBox(IDOK);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.text, message);
  WaitForFocus(dialog, focus);
  int start = -1, end = -1;
  ui::EditSelection(dialog, focus, &start, &end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, static_cast<int>(ui::ItemText(dialog, focus).size()));
  EXPECT_TRUE(IsWindowVisible(dialog)) << "a refused OK keeps the dialog open";
}

// Double-clicks the chooser's directory line `line` and waits until it shows `path`.
void OpenListed(HWND chooser, const std::string& line, const std::string& path) {
  auto lines = ui::ListLines(chooser, IDC_DIRSELECT_DIRECTORIES);
  int index = -1;
  for (size_t i = 0; i < lines.size(); ++i)
    if (SamePath(lines[i], line)) index = static_cast<int>(i);
  ASSERT_GE(index, 0) << "no line " << line;
  ui::ActivateListLine(chooser, IDC_DIRSELECT_DIRECTORIES, index);
  for (int waited = 0; !SamePath(ui::ItemText(chooser, IDC_DIRSELECT_PATH), path); waited += 20) {
    ASSERT_LT(waited, 5000) << "the chooser shows " << ui::ItemText(chooser, IDC_DIRSELECT_PATH);
    Sleep(20);
  }
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetTargetProcess(GetCurrentProcessId());
    g_instance = GetModuleHandleA(nullptr);
    owner_ = MakeOwnerWindow();
    StoreRecord(Sample());
  }
  void TearDown() override {
    SetSettingsRegistry(nullptr);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    DestroyWindow(owner_);
  }

  // Opens the dialog and lets `act` work on it until it has closed; returns the end code.
  int Run(const std::function<void(HWND)>& act) {
    return RunDialog([&] { return RunSettingsDialog(owner_); }, kCaption, act);
  }

  HWND owner_ = nullptr;
};

TEST_F(SettingsDialogTest, OpensFilledFromTheRecordAndAppliesTheEnablingRule) {
  const int proxyControls[] = {105, 121, 106, 122, 107};
  const int loginControls[] = {108, 123, 109, 124, 110, 125};
  int result = Run([&](HWND dialog) {
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_TIME), "173000");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_USER), "trader");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PASSWORD), "Secret1");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_RETYPE), "Secret1");
    EXPECT_TRUE(ui::IsChecked(dialog, IDC_SETTINGS_HANGUP));
    EXPECT_FALSE(ui::IsChecked(dialog, IDC_SETTINGS_USE_PROXY));
    EXPECT_TRUE(ui::IsChecked(dialog, IDC_SETTINGS_PROXY_LOGIN));
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PROXY_HOST), "proxy.example");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PROXY_PORT), "8080");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PROXY_USER), "puser");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PROXY_PASSWORD), "ppass");
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PROXY_RETYPE), "ppass");
    EXPECT_EQ(ui::FocusedItemId(dialog), IDC_SETTINGS_TIME);
    for (int id : proxyControls) EXPECT_FALSE(ui::IsItemEnabled(dialog, id)) << id;
    for (int id : loginControls) EXPECT_FALSE(ui::IsItemEnabled(dialog, id)) << id;

    ui::Click(dialog, IDC_SETTINGS_USE_PROXY);
    Sleep(100);
    for (int id : proxyControls) EXPECT_TRUE(ui::IsItemEnabled(dialog, id)) << id;
    for (int id : loginControls) EXPECT_TRUE(ui::IsItemEnabled(dialog, id)) << id;

    ui::Click(dialog, IDC_SETTINGS_PROXY_LOGIN);
    Sleep(100);
    EXPECT_TRUE(ui::IsItemEnabled(dialog, IDC_SETTINGS_PROXY_LOGIN));
    for (int id : loginControls) EXPECT_FALSE(ui::IsItemEnabled(dialog, id)) << id;

    // Unchecking the proxy box keeps the login box's state, only disabled.
    ui::Click(dialog, IDC_SETTINGS_PROXY_LOGIN);
    ui::Click(dialog, IDC_SETTINGS_USE_PROXY);
    Sleep(100);
    EXPECT_TRUE(ui::IsChecked(dialog, IDC_SETTINGS_PROXY_LOGIN));
    EXPECT_FALSE(ui::IsItemEnabled(dialog, IDC_SETTINGS_PROXY_LOGIN));
    for (int id : loginControls) EXPECT_FALSE(ui::IsItemEnabled(dialog, id)) << id;
    ui::Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(StoredBytes(), BytesOf(Sample()));
}

TEST_F(SettingsDialogTest, TemplateHasEveryControlInPlaceAndInTabOrder) {
  const DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  const DWORD password = edit | ES_PASSWORD;
  const std::vector<TemplateControl> controls = {
      {-1, "Button", "Download", 7, 6, 129, 90, BS_GROUPBOX, 0},
      {118, "Static", "&Download available at", 13, 20, 68, 8, SS_LEFT, 0},
      {103, "Edit", "173000", 90, 17, 38, 14, -1, edit},
      {117, "Static", "Us&ername", 13, 35, 33, 8, SS_LEFT, 0},
      {114, "Edit", "trader", 61, 32, 67, 14, -1, edit},
      {119, "Static", "Pass&word", 13, 48, 31, 8, SS_LEFT, 0},
      {115, "Edit", "Secret1", 61, 47, 67, 14, -1, password},
      {120, "Static", "R&etype", 13, 63, 23, 8, SS_LEFT, 0},
      {116, "Edit", "Secret1", 61, 62, 67, 14, -1, password},
      {136, "Button", "H&angup modem on exit", 13, 82, 85, 10, BS_AUTOCHECKBOX, WS_TABSTOP},
      {-1, "Button", "Proxy Server", 7, 102, 168, 118, BS_GROUPBOX, 0},
      {104, "Button", "&Connect via proxy server", 13, 113, 90, 10, BS_AUTOCHECKBOX, WS_TABSTOP},
      {121, "Static", "Proxy &host URL", 13, 130, 47, 8, SS_LEFT, 0},
      {105, "Edit", "proxy.example", 69, 127, 98, 14, -1, edit},
      {122, "Static", "Pr&oxy port", 13, 144, 31, 8, SS_LEFT, 0},
      {106, "Edit", "8080", 69, 142, 40, 14, -1, edit},
      {107, "Button", "P&roxy server requires login", 13, 160, 96, 10, BS_AUTOCHECKBOX, WS_TABSTOP},
      {123, "Static", "Proxy &username", 13, 174, 50, 8, SS_LEFT, 0},
      {108, "Edit", "puser", 69, 171, 67, 14, -1, edit},
      {124, "Static", "Proxy &password", 13, 189, 49, 8, SS_LEFT, 0},
      {109, "Edit", "ppass", 69, 186, 67, 14, -1, password},
      {125, "Static", "Re&type password", 13, 203, 54, 8, SS_LEFT, 0},
      {110, "Edit", "ppass", 69, 201, 67, 14, -1, password},
      {IDOK, "Button", "OK", 156, 6, 50, 14, BS_DEFPUSHBUTTON, WS_TABSTOP},
      {IDCANCEL, "Button", "Cancel", 156, 24, 50, 14, BS_PUSHBUTTON, WS_TABSTOP},
      {133, "Button", "&Set Directory", 156, 41, 50, 14, BS_PUSHBUTTON, WS_TABSTOP},
  };
  DownloadSettings record = Sample();
  record.UseProxy = 1;  // every control enabled, so that Tab visits them all
  StoreRecord(record);
  Run([&](HWND dialog) {
    EXPECT_EQ(ui::WindowText(dialog), kCaption);
    ExpectDialogFrame(dialog, 213, 227);
    ExpectControls(dialog, controls);
    EXPECT_EQ(TabOrder(dialog),
              std::vector<int>({103, 114, 115, 116, 136, 104, 105, 106, 107, 108, 109, 110, IDOK, IDCANCEL, 133}));
    for (int id : {103, 114, 115, 116, 105, 106, 108, 109, 110})
      EXPECT_GE(SendDlgItemMessageA(dialog, id, EM_GETLIMITTEXT, 0, 0), 30000) << "no text limit on " << id;
    ui::Click(dialog, IDCANCEL);
  });
}

TEST_F(SettingsDialogTest, FieldsWithoutTerminatorShowNoMoreThanTheField) {
  DownloadSettings record = Sample();
  std::memset(record.Username, 'U', sizeof record.Username);
  std::memset(record.ProxyPassword, 'P', sizeof record.ProxyPassword);
  StoreRecord(record);
  Run([](HWND dialog) {
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_USER), std::string(20, 'U'));
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_PROXY_PASSWORD), std::string(20, 'P'));
    ui::Click(dialog, IDCANCEL);
  });
}

TEST_F(SettingsDialogTest, UntouchedOkWritesBackTheSameBytes) {
  DownloadSettings record = Sample();
  record.UseProxy = 1;  // so that every field is read back
  StoreRecord(record);
  EXPECT_EQ(Run([](HWND dialog) { ui::Click(dialog, IDOK); }), 1);
  EXPECT_EQ(StoredBytes(), BytesOf(record));
}

TEST_F(SettingsDialogTest, DownloadTimeIsCheckedAsTyped) {
  struct Case {
    const char* typed;
    bool accepted;
    int32_t stored;
  };
  const Case cases[] = {
      {"", true, 0},           {"1700", true, 1700},       {"090000", true, 90000}, {"90000", true, 90000},
      {"235959", true, 235959}, {"170000abc", true, 170000}, {"240000", false, 0},    {"176000", false, 0},
      {"175960", false, 0},    {"1000000", false, 0},      {"-1", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed '") + c.typed + "'");
    StoreRecord(Sample());
    int result = Run([&](HWND dialog) {
      ui::TypeText(dialog, IDC_SETTINGS_TIME, c.typed);
      if (c.accepted) {
        ui::Click(dialog, IDOK);
      } else {
        ExpectRefusal(dialog, kTimeMessage, IDC_SETTINGS_TIME);
        EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_TIME), c.typed);
        ui::Click(dialog, IDCANCEL);
      }
    });
    EXPECT_EQ(result, c.accepted ? 1 : 0);
    if (c.accepted)
      EXPECT_EQ(StoredRecord().DownloadTime, c.stored);
    else
      EXPECT_EQ(StoredBytes(), BytesOf(Sample()));
  }
  // The time stored from "090000" shows without its leading zero at the next opening.
  StoreRecord(Sample());
  Run([](HWND dialog) {
    ui::TypeText(dialog, IDC_SETTINGS_TIME, "090000");
    ui::Click(dialog, IDOK);
  });
  Run([](HWND dialog) {
    EXPECT_EQ(ui::ItemText(dialog, IDC_SETTINGS_TIME), "90000");
    ui::Click(dialog, IDCANCEL);
  });
}

TEST_F(SettingsDialogTest, PasswordsMustMatchAndAreCutTo19Characters) {
  const std::string twenty = "abcdefghijABCDEFGHIJ";
  const std::string nineteen = twenty.substr(0, 19);
  // A different retype, then a 20-character password typed twice: both refused.
  int result = Run([&](HWND dialog) {
    ui::TypeText(dialog, IDC_SETTINGS_PASSWORD, "Secret2");
    ExpectRefusal(dialog, kPasswordMessage, IDC_SETTINGS_PASSWORD);
    ui::TypeText(dialog, IDC_SETTINGS_PASSWORD, twenty);
    ui::TypeText(dialog, IDC_SETTINGS_RETYPE, twenty);
    ExpectRefusal(dialog, kPasswordMessage, IDC_SETTINGS_PASSWORD);
    ui::Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(StoredBytes(), BytesOf(Sample()));

  // 19 characters are the longest password; a longer user name is cut without a word.
  result = Run([&](HWND dialog) {
    ui::TypeText(dialog, IDC_SETTINGS_USER, "a-user-name-of-25-letters");
    ui::TypeText(dialog, IDC_SETTINGS_PASSWORD, nineteen);
    ui::TypeText(dialog, IDC_SETTINGS_RETYPE, nineteen);
    ui::Click(dialog, IDOK);
    ExpectClosesWithoutBox(dialog);
  });
  EXPECT_EQ(result, 1);
  DownloadSettings stored = StoredRecord();
  EXPECT_STREQ(stored.Username, "a-user-name-of-25-l");
  EXPECT_STREQ(stored.Password, nineteen.c_str());
}

// A box unticked before OK leaves its fields as loaded: whatever was typed into them, and whatever
// a refused OK read from them before the box was unticked, is never saved. The rest is saved.
TEST_F(SettingsDialogTest, UntickedBoxesLeaveTheirFieldsAsLoadedEvenAfterARefusedOk) {
  struct Case {
    const char* name;
    int32_t useProxy;
    std::function<void(HWND)> act;  // ends with the box unticked
    int32_t savedProxyLogin;
  };
  const Case cases[] = {
      {"typed into, then unticked", 0,
       [](HWND dialog) {
         ui::Click(dialog, IDC_SETTINGS_USE_PROXY);
         Sleep(100);
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_HOST, "other.example");
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_PORT, "letters");
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_PASSWORD, "x");
         ui::Click(dialog, IDC_SETTINGS_USE_PROXY);
       },
       1},
      {"port refused, then proxy unticked", 0,
       [](HWND dialog) {
         ui::Click(dialog, IDC_SETTINGS_USE_PROXY);
         Sleep(100);
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_HOST, "other.example");
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_PORT, "0");
         ExpectRefusal(dialog, kPortMessage, IDC_SETTINGS_PROXY_PORT);
         ui::Click(dialog, IDC_SETTINGS_USE_PROXY);
       },
       1},
      {"proxy password refused, then login unticked", 1,
       [](HWND dialog) {
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_USER, "other");
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_PASSWORD, "unconfirmed");
         ui::TypeText(dialog, IDC_SETTINGS_PROXY_RETYPE, "different");
         ExpectRefusal(dialog, kProxyPasswordMessage, IDC_SETTINGS_PROXY_USER);
         ui::Click(dialog, IDC_SETTINGS_PROXY_LOGIN);
       },
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DownloadSettings record = Sample();
    record.UseProxy = c.useProxy;
    StoreRecord(record);
    int result = Run([&](HWND dialog) {
      c.act(dialog);
      ui::TypeText(dialog, IDC_SETTINGS_TIME, "180000");
      ui::Click(dialog, IDOK);
      ExpectClosesWithoutBox(dialog);
    });
    EXPECT_EQ(result, 1);
    DownloadSettings expected = record;
    expected.DownloadTime = 180000;
    expected.ProxyLogin = c.savedProxyLogin;
    EXPECT_EQ(StoredBytes(), BytesOf(expected));
  }
}

TEST_F(SettingsDialogTest, ProxyPortMustBeANumberWhoseLow16BitsAreNotZero) {
  DownloadSettings record = Sample();
  record.UseProxy = 1;
  record.ProxyLogin = 0;
  StoreRecord(record);
  int result = Run([](HWND dialog) {
    for (const char* refused : {"0", "", "letters", "65536"}) {
      SCOPED_TRACE(std::string("port '") + refused + "'");
      ui::TypeText(dialog, IDC_SETTINGS_PROXY_PORT, refused);
      ExpectRefusal(dialog, kPortMessage, IDC_SETTINGS_PROXY_PORT);
    }
    ui::TypeText(dialog, IDC_SETTINGS_PROXY_HOST, "10.0.0.1");
    ui::TypeText(dialog, IDC_SETTINGS_PROXY_PORT, "65537");
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  DownloadSettings stored = StoredRecord();
  EXPECT_EQ(stored.ProxyPort, 1);
  EXPECT_STREQ(stored.ProxyHost, "10.0.0.1");
  EXPECT_EQ(stored.ProxyLogin, 0);
  EXPECT_STREQ(stored.ProxyPassword, "ppass") << "login fields are not read without the login box";
}

TEST_F(SettingsDialogTest, ProxyPasswordMismatchPutsTheFocusOnTheProxyUserName) {
  DownloadSettings record = Sample();
  record.UseProxy = 1;
  StoreRecord(record);
  int result = Run([](HWND dialog) {
    ui::TypeText(dialog, IDC_SETTINGS_PROXY_PASSWORD, "first");
    ui::TypeText(dialog, IDC_SETTINGS_PROXY_RETYPE, "First");
    ExpectRefusal(dialog, kProxyPasswordMessage, IDC_SETTINGS_PROXY_USER);
    ui::TypeText(dialog, IDC_SETTINGS_PROXY_RETYPE, "first");
    ui::Click(dialog, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(StoredRecord().ProxyPassword, "first");
}

TEST_F(SettingsDialogTest, CancelEscapeAndCloseBoxSaveNothing) {
  const std::function<void(HWND)> ways[] = {
      [](HWND dialog) { ui::Click(dialog, IDCANCEL); },
      [](HWND dialog) { ui::PressKey(dialog, VK_ESCAPE); },
      [](HWND dialog) { ui::CloseBox(dialog); },
  };
  for (const auto& way : ways) {
    int result = Run([&](HWND dialog) {
      ui::TypeText(dialog, IDC_SETTINGS_TIME, "120000");
      ui::TypeText(dialog, IDC_SETTINGS_USER, "someone");
      ui::Click(dialog, IDC_SETTINGS_HANGUP);
      way(dialog);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(StoredBytes(), BytesOf(Sample()));
  }
}

TEST_F(SettingsDialogTest, SetDirectoryReachesTheRegistryOnlyWithOk) {
  CreateDirectoryA("C:\\tkvn-settings", nullptr);
  CreateDirectoryA("C:\\tkvn-settings\\data", nullptr);
  CreateDirectoryA("C:\\tkvn-settings\\other", nullptr);
  auto chooseOther = [](HWND dialog) {
    ui::Click(dialog, IDC_SETTINGS_DIRECTORY);
    HWND chooser = ui::WaitForWindow("Select Directory");
    PauseForLook();
    EXPECT_TRUE(SamePath(ui::ItemText(chooser, IDC_DIRSELECT_PATH), "C:\\tkvn-settings\\data"));
    OpenListed(chooser, "[..]", "C:\\tkvn-settings");
    OpenListed(chooser, "[other]", "C:\\tkvn-settings\\other");
    ui::Click(chooser, IDOK);
    ui::WaitForWindowGone(chooser);
  };
  EXPECT_EQ(Run([&](HWND dialog) {
              chooseOther(dialog);
              ui::Click(dialog, IDCANCEL);
            }),
            0);
  EXPECT_EQ(StoredBytes(), BytesOf(Sample()));
  EXPECT_EQ(Run([&](HWND dialog) {
              chooseOther(dialog);
              ui::Click(dialog, IDOK);
            }),
            1);
  EXPECT_TRUE(SamePath(StoredRecord().DataDirectory, "C:\\tkvn-settings\\other")) << StoredRecord().DataDirectory;
}

// A registry that holds `record` but refuses `refusals` writes before it takes them.
class FailingRegistry : public SettingsRegistry {
 public:
  bool readable = true;
  int refusals = 1000;
  DownloadSettings record = Sample();
  std::vector<DownloadSettings> written;

  bool Query(const char*, void* buffer, DWORD size, DWORD* actual) override {
    if (!readable || size != sizeof record) return false;
    std::memcpy(buffer, &record, sizeof record);
    *actual = size;
    return true;
  }
  bool Set(const char*, const void* data, DWORD size) override {
    if (refusals > 0) {
      --refusals;
      return false;
    }
    DownloadSettings copy;
    if (size != sizeof copy) return false;
    std::memcpy(&copy, data, sizeof copy);
    written.push_back(copy);
    return true;
  }
};

TEST_F(SettingsDialogTest, FailedSaveShowsBothMessagesAndStillClosesWithOne) {
  FailingRegistry registry;
  SetSettingsRegistry(&registry);
  std::vector<ui::MessageBoxText> boxes;
  int result = Run([&](HWND dialog) {
    ui::Click(dialog, IDOK);
    boxes.push_back(ui::AnswerMessageBox(IDOK));
    boxes.push_back(ui::AnswerMessageBox(IDOK));
  });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Error attempting to create registry key(pds)");
  EXPECT_EQ(boxes[1].caption, "Error");
  EXPECT_EQ(boxes[1].text, "Unable to save download settings to registry");
  EXPECT_TRUE(registry.written.empty());
}

TEST_F(SettingsDialogTest, FailedLoadLeavesTheControlsEmptyAndOkSavesWhatTheyHold) {
  FailingRegistry registry;
  registry.readable = false;
  registry.refusals = 1;  // the defaults cannot be written at opening; the OK's save goes through
  SetSettingsRegistry(&registry);
  std::vector<ui::MessageBoxText> boxes;
  int result = -2;
  ui::DriveModal([&] { result = RunSettingsDialog(owner_); },
                 [&] {
                   boxes.push_back(ui::AnswerMessageBox(IDOK));
                   boxes.push_back(ui::AnswerMessageBox(IDOK));
                   HWND dialog = ui::WaitForWindow(kCaption);
                   for (int id : {103, 114, 115, 116, 105, 106, 108, 109, 110})
                     EXPECT_EQ(ui::ItemText(dialog, id), "") << id;
                   for (int id : {136, 104, 107}) EXPECT_FALSE(ui::IsChecked(dialog, id)) << id;
                   for (int id : {105, 106, 107, 108, 109, 110, 121, 125})
                     EXPECT_TRUE(ui::IsItemEnabled(dialog, id)) << id;
                   ui::Click(dialog, IDOK);
                   ui::WaitForWindowGone(dialog);
                 });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Error attempting to create registry key(pds)");
  EXPECT_EQ(boxes[1].text, "Unable to load download settings from registry");
  EXPECT_EQ(boxes[1].caption, "Error");
  ASSERT_EQ(registry.written.size(), 1u);
  DownloadSettings expected;
  DefaultDownloadSettings(&expected);
  expected.DownloadTime = 0;  // the empty time field
  EXPECT_EQ(BytesOf(registry.written[0]), BytesOf(expected));
}

}  // namespace
