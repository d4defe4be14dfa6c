#include "platform/window/sdl_library.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

#include <type_traits>

namespace pv {

namespace {

std::string& LibraryName() {
  static std::string name = "libSDL2-2.0.so.0";
  return name;
}

struct Loaded {
  std::unique_ptr<SdlApi> api;
  std::string error;
};

// Never destroyed: statics made before the library's first use (the
// window back end) are destroyed after this one would be, and still call
// into the library from their destructors.
const Loaded& Once() {
  static const Loaded* loaded = [] {
    auto* l = new Loaded;
    l->api = LoadSdlApi(LibraryName().c_str(), &l->error);
    return l;
  }();
  return *loaded;
}

}  // namespace

std::unique_ptr<SdlApi> LoadSdlApi(const char* library, std::string* error) {
  // Local: nothing else in the program binds to SDL's names by accident.
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    *error = std::string("cannot load ") + library + ": " + (why ? why : "unknown error");
    return nullptr;
  }
  auto api = std::make_unique<SdlApi>();
  const char* missing = nullptr;
  auto bind = [&](auto& out, const char* symbol) {
    if (missing) return;
    out = reinterpret_cast<std::remove_reference_t<decltype(out)>>(dlsym(handle, symbol));
    if (!out) missing = symbol;
  };
#define PV_SDL_BIND(name) bind(api->name, "SDL_" #name);
  PV_SDL_FUNCTIONS(PV_SDL_BIND)
#undef PV_SDL_BIND
  bind(api->GetWindowWMInfo, "SDL_GetWindowWMInfo");
  if (missing) {
    *error = std::string(library) + " has no " + missing;
    dlclose(handle);
    return nullptr;
  }
  static_assert(std::is_same_v<decltype(api->GetWindowWMInfo), decltype(&::SDL_GetWindowWMInfo)>);
  error->clear();
  return api;  // the library stays loaded for the rest of the run
}

const SdlApi* Sdl() { return Once().api.get(); }

const std::string& SdlLoadError() { return Once().error; }

}  // namespace pv

void pv::test::UseSdlLibrary(const char* name) { pv::LibraryName() = name; }
