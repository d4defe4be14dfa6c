#include "tests/platform/system/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pv::test {

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
