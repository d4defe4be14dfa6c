// A test's own settings folder, with the registry manager answering under
// HKEY_CURRENT_USER\Software\Pravenor\Pravenor as the running program does.
#pragma once

#include <gtest/gtest.h>

#include "platform/system/registry.h"
#include "tests/support/required_tool.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/registrymanager.h"

namespace smstest {

inline void ProgramProfileNames(CString& registryKey, CString& profileName) {
  registryKey = u"Pravenor";
  profileName = u"Pravenor";
}

class SettingsHome {
 public:
  SettingsHome() { TKSetAppProfileNamesProvider(&ProgramProfileNames); }
  ~SettingsHome() { TKSetAppProfileNamesProvider(nullptr); }
  const pvtest::TempHome& home() const { return settings_.home(); }

 private:
  pvtest::SettingsHome settings_{"pv-sms"};
};

// Points the settings at `service` (scheme, host, port, time-outs).
template <class Settings>
void StoreServiceSettings(const Settings& s) {
  CTKRegistryManager reg(HKEY_CURRENT_USER);
  reg.WriteProfileString(u"SmsService", u"m_scheme", s.scheme.GetString());
  reg.WriteProfileString(u"SmsService", u"m_host", s.host.GetString());
  reg.WriteProfileInt(u"SmsService", u"m_port", s.port);
  reg.WriteProfileInt(u"SmsService", u"m_connectTimeout", static_cast<int>(s.connectTimeoutMs));
  reg.WriteProfileInt(u"SmsService", u"m_totalTimeout", static_cast<int>(s.totalTimeoutMs));
}

}  // namespace smstest

// Skips (or fails where tools are required) when the fake could not start.
#define SMS_REQUIRE_FAKE(fake)                                              \
  do {                                                                      \
    if (!(fake).Running()) PV_MISSING_TOOL("python3 for the fake service"); \
  } while (0)
