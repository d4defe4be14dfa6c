// Temporary folders and environment for tests: a fresh folder removed when
// the scope ends, an environment variable set for a scope, and a temporary
// home that points the program's folders (settings, data, temporary files,
// the program folder) into one fresh folder.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pvtest {

// A fresh folder under the system's temporary folder, named after `prefix`;
// removed with everything in it (read-only parts too) when the scope ends.
class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "pv-test") {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                   ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the folder.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or, with no value, removes) an environment variable until the scope
// ends; the previous value, or its absence, comes back then.
class EnvScope {
 public:
  EnvScope(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~EnvScope() {
    if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
    else ::unsetenv(name_.c_str());
  }
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A fresh folder standing in for the user's and the program's folders:
// XDG_CONFIG_HOME is <path>/config (settings, so the registry file is
// <path>/config/Pravenor/registry.txt), XDG_DATA_HOME <path>/data, TMPDIR
// <path>/tmp (created), HOME <path>/home and PRAVENOR_HOME <path> (the
// program folder, where "qty.tgd" lives). Everything comes back when the
// scope ends. Code that caches these folders (the registry) must be reset
// by the caller after construction and before destruction.
class TempHome {
 public:
  explicit TempHome(const char* prefix = "pv-home")
      : folder_(prefix),
        config_("XDG_CONFIG_HOME", folder_.File("config")),
        data_("XDG_DATA_HOME", folder_.File("data")),
        tmp_("TMPDIR", folder_.File("tmp")),
        home_("HOME", folder_.File("home")),
        program_("PRAVENOR_HOME", folder_.path()) {
    std::error_code ec;
    std::filesystem::create_directories(folder_.File("tmp"), ec);
  }

  const std::string& path() const { return folder_.path(); }
  std::string File(const std::string& name) const { return folder_.File(name); }
  // Where the registry file and INI files named without a folder go.
  std::string ConfigDir() const { return folder_.File("config/Pravenor"); }

 private:
  TempFolder folder_;
  EnvScope config_, data_, tmp_, home_, program_;
};

}  // namespace pvtest
