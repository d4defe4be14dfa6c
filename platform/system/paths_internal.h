// Folders the system services keep their files in (internal).
#pragma once

#include <string>

namespace pv::sys {

// $XDG_CONFIG_HOME/Pravenor (default ~/.config/Pravenor): registry, INI files.
std::string ConfigFolder();
// $XDG_DATA_HOME (default ~/.local/share): the application-data folder.
std::string DataHome();
// The user's home folder ($HOME, else the password database).
std::string HomeFolder();
// The executable's full path, with PRAVENOR_HOME replacing its folder.
std::string ExecutablePath();
// UTF-16 path from a caller (either separator) → UTF-8 path with '/'.
std::string NativePath(const char16_t* path);

}  // namespace pv::sys
