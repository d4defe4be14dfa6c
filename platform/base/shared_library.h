// Calls of a shared library opened on first use instead of being linked
// into every program (the display, sound, HTTP and desktop-bus libraries).
#pragma once

#include <dlfcn.h>

#include <string>

namespace pv {

// Opens a library with its names kept to itself (nothing else in the
// program binds to them by accident) and binds its calls by name. A
// library whose calls were all found stays loaded for the rest of the run.
class LibraryCalls {
 public:
  explicit LibraryCalls(const std::string& name) : name_(name), handle_(dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
      const char* why = dlerror();
      error_ = "cannot load " + name + ": " + (why ? why : "unknown error");
    }
  }
  LibraryCalls(const LibraryCalls&) = delete;
  LibraryCalls& operator=(const LibraryCalls&) = delete;

  // Sets `out` to the call named `symbol`; does nothing once a call was
  // missing or when the library did not load.
  template <class Function>
  void Bind(Function& out, const char* symbol) {
    if (!error_.empty()) return;
    out = reinterpret_cast<Function>(dlsym(handle_, symbol));
    if (!out) error_ = name_ + " has no " + symbol;
  }

  // True when the library loaded and every call was found; otherwise the
  // library is closed again and `*error` says why.
  bool Done(std::string* error) {
    if (handle_ && !error_.empty()) {
      dlclose(handle_);
      handle_ = nullptr;
    }
    if (error) *error = error_;
    return error_.empty();
  }

 private:
  std::string name_;
  void* handle_;
  std::string error_;
};

}  // namespace pv
