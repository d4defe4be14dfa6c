// Shared helpers of the system-service tests.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/system/registry.h"
#include "platform/system/sysutil.h"
#include "tests/support/fixture_reset.h"

namespace pv::test {

// The shared settings home (tests/support/fixture_reset.h): the registry
// and the INI files read and write this home's files while the scope lasts.
class TempHome {
 public:
  const std::string& path() const { return home_.path(); }
  std::string ConfigDir() const { return home_.ConfigDir(); }
  std::u16string U(const std::string& rel) const { return sys::FromUtf8(home_.File(rel)); }

 private:
  pvtest::SettingsHome home_{"pv-system-test"};
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// Runs the resource compiler on `source` (written into `folder`); answers its
// exit status (-1 when it did not exit normally) and fills `errors` with what
// it wrote to standard error.
int RunResourceCompiler(const std::string& folder, const std::string& source, std::string* errors);

}  // namespace pv::test
