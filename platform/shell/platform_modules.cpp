#include "platform/shell/platform_modules.h"

#include "platform/gdi/gdi_modules.h"
#include "platform/shell/shellapi.h"

namespace pv {

void RegisterPlatformModules() {
  pv::gdi::RegisterModules();
  pv::shell::RegisterModules();
}

}  // namespace pv
