// An in-memory settings registry for tests: values can be preset, read back, and writes refused.
// Keeps the tests apart from Wine's real registry, which other test programs use at the same time.
#pragma once

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"

class FakeRegistry final : public SettingsRegistry {
 public:
  FakeRegistry() { SetSettingsRegistry(this); }
  ~FakeRegistry() override { SetSettingsRegistry(nullptr); }
  FakeRegistry(const FakeRegistry&) = delete;
  FakeRegistry& operator=(const FakeRegistry&) = delete;

  bool Query(const char* name, void* buffer, DWORD size, DWORD* actual) override {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.size() > size) return false;
    std::memcpy(buffer, it->second.data(), it->second.size());
    *actual = static_cast<DWORD>(it->second.size());
    return true;
  }
  bool Set(const char* name, const void* data, DWORD size) override {
    ++writes_[name];
    if (refuseWrites) return false;
    auto p = static_cast<const unsigned char*>(data);
    values_[name].assign(p, p + size);
    return true;
  }

  void Erase(const char* name) { values_.erase(name); }
  void PutInt(const char* name, int32_t value) { Set(name, &value, sizeof value); }
  // The stored integer, or `missing` when the value is absent.
  int32_t Int(const char* name, int32_t missing = -999) const {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.size() != 4) return missing;
    int32_t value;
    std::memcpy(&value, it->second.data(), 4);
    return value;
  }
  void PutSettings(const DownloadSettings& record) { Set("DownloadSettings", &record, sizeof record); }
  // A default record with the given data directory and download time.
  void PutSettings(const std::string& dataDirectory, int32_t downloadTime = 193000) {
    DownloadSettings record;
    DefaultDownloadSettings(&record);
    std::memset(record.DataDirectory, 0, sizeof record.DataDirectory);
    std::memcpy(record.DataDirectory, dataDirectory.data(), dataDirectory.size());
    record.DownloadTime = downloadTime;
    PutSettings(record);
  }
  int Writes(const char* name) const {
    auto it = writes_.find(name);
    return it == writes_.end() ? 0 : it->second;
  }

  bool refuseWrites = false;

 private:
  std::map<std::string, std::vector<unsigned char>> values_;
  std::map<std::string, int> writes_;
};
