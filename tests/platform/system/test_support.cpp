#include "tests/platform/system/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pv::test {

namespace {
void Save(const char* name, std::string* value, bool* had) {
  const char* v = std::getenv(name);
  *had = v != nullptr;
  if (v) *value = v;
}
void Restore(const char* name, const std::string& value, bool had) {
  if (had) ::setenv(name, value.c_str(), 1);
  else ::unsetenv(name);
}
}  // namespace

TempHome::TempHome() {
  char tmpl[] = "/tmp/pv-system-test-XXXXXX";
  path_ = ::mkdtemp(tmpl);
  Save("XDG_CONFIG_HOME", &savedConfig_, &hadConfig_);
  Save("XDG_DATA_HOME", &savedData_, &hadData_);
  Save("TMPDIR", &savedTmp_, &hadTmp_);
  Save("HOME", &savedHome_, &hadHome_);
  ::setenv("XDG_CONFIG_HOME", (path_ + "/config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (path_ + "/data").c_str(), 1);
  ::setenv("TMPDIR", (path_ + "/tmp").c_str(), 1);
  ::setenv("HOME", (path_ + "/home").c_str(), 1);
  std::filesystem::create_directories(path_ + "/tmp");
  ResetRegistryForTests();
}

TempHome::~TempHome() {
  ResetRegistryForTests();
  Restore("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
  Restore("XDG_DATA_HOME", savedData_, hadData_);
  Restore("TMPDIR", savedTmp_, hadTmp_);
  Restore("HOME", savedHome_, hadHome_);
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
}

int RunResourceCompiler(const std::string& folder, const std::string& source, std::string* errors) {
  WriteFile(folder + "/src.pvrc", source);
  std::string cmd = std::string(PV_TEST_PYTHON) + " " + PV_TEST_RC + " --name t --output " + folder + "/out.cpp " +
                    folder + "/src.pvrc 2>" + folder + "/err.txt";
  int status = std::system(cmd.c_str());
  if (errors) *errors = ReadFile(folder + "/err.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pv::test
