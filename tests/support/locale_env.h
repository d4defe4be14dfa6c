// Locale helpers for tests: sets the user's locale variables for a scope and
// reads what the C library says about an installed locale.
#pragma once

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace pvtest {

// Sets LANG (and clears the variables that would override it) until the
// scope ends; the previous values come back then.
class UserLocaleScope {
 public:
  explicit UserLocaleScope(const char* lang, const char* lcAll = nullptr, const char* lcTime = nullptr) {
    for (const char* name : {"LANG", "LC_ALL", "LC_TIME", "LC_MESSAGES", "PRAVENOR_LOCALE"}) {
      const char* v = std::getenv(name);
      saved_.push_back({name, v ? std::optional<std::string>(v) : std::nullopt});
      ::unsetenv(name);
    }
    if (lang) ::setenv("LANG", lang, 1);
    if (lcAll) ::setenv("LC_ALL", lcAll, 1);
    if (lcTime) ::setenv("LC_TIME", lcTime, 1);
  }
  ~UserLocaleScope() {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  UserLocaleScope(const UserLocaleScope&) = delete;
  UserLocaleScope& operator=(const UserLocaleScope&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// nl_langinfo_l of an installed locale ("de_DE.UTF-8"); nullopt when it is not installed.
inline std::optional<std::string> LangInfo(const char* locale, nl_item item) {
  locale_t loc = newlocale(LC_ALL_MASK, locale, static_cast<locale_t>(nullptr));
  if (!loc) return std::nullopt;
  std::string value = nl_langinfo_l(item, loc);
  freelocale(loc);
  return value;
}

inline bool Installed(const char* locale) {
  locale_t loc = newlocale(LC_ALL_MASK, locale, static_cast<locale_t>(nullptr));
  if (loc) freelocale(loc);
  return loc != nullptr;
}

}  // namespace pvtest
