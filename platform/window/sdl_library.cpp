#include "platform/window/sdl_library.h"

#include <SDL_syswm.h>

#include <type_traits>

#include "platform/base/shared_library.h"

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
  LibraryCalls calls(library);
  auto api = std::make_unique<SdlApi>();
#define PV_SDL_BIND(name) calls.Bind(api->name, "SDL_" #name);
  PV_SDL_FUNCTIONS(PV_SDL_BIND)
#undef PV_SDL_BIND
  calls.Bind(api->GetWindowWMInfo, "SDL_GetWindowWMInfo");
  static_assert(std::is_same_v<decltype(api->GetWindowWMInfo), decltype(&::SDL_GetWindowWMInfo)>);
  if (!calls.Done(error)) return nullptr;
  return api;
}

const SdlApi* Sdl() { return Once().api.get(); }

const std::string& SdlLoadError() { return Once().error; }

}  // namespace pv

void pv::test::UseSdlLibrary(const char* name) { pv::LibraryName() = name; }
