// Shared helpers of the system-service tests.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/system/registry.h"
#include "platform/system/sysutil.h"

namespace pv::test {

// A fresh folder used as XDG_CONFIG_HOME / XDG_DATA_HOME / TMPDIR for one
// test, removed afterwards.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  const std::string& path() const { return path_; }
  std::string ConfigDir() const { return path_ + "/config/Pravenor"; }
  std::u16string U(const std::string& rel) const { return sys::FromUtf8(path_ + "/" + rel); }

 private:
  std::string path_;
  std::string savedConfig_, savedData_, savedTmp_, savedHome_;
  bool hadConfig_ = false, hadData_ = false, hadTmp_ = false, hadHome_ = false;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// Runs the resource compiler on `source` (written into `folder`); answers its
// exit status (-1 when it did not exit normally) and fills `errors` with what
// it wrote to standard error.
int RunResourceCompiler(const std::string& folder, const std::string& source, std::string* errors);

}  // namespace pv::test
