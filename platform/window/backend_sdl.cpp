// Desktop back end over SDL2 (lands next).
#include "platform/window/wm_internal.h"
namespace pv::wm {
std::unique_ptr<Backend> MakeSdlBackend() { return nullptr; }
}
