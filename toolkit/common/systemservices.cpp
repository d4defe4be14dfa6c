#include "toolkit/common/systemservices.h"

#include <mutex>

#include "platform/framework/afxapp.h"
#include "platform/system/modules.h"
#include "platform/window/winuser.h"

CWinThread* GetCurrentWinThread() {
  CWinThread* thread = AfxGetThread();
  return thread ? thread : AfxGetApp();
}

namespace {

template <class F>
void ExportIfMissing(HMODULE module, const char* name, F* function) {
  if (!::GetProcAddress(module, name)) pv::AddModuleFunction(module, name, function);
}

}  // namespace

void TKEnsureUser32Module() {
  // The window layer implements these functions but does not publish them
  // under the system module's name; callers that look them up by name need it.
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE user32 = pv::RegisterBuiltinModule(u"user32", true);
    ExportIfMissing(user32, "GetSystemMetrics", &::GetSystemMetrics);
    ExportIfMissing(user32, "MonitorFromWindow", &::MonitorFromWindow);
    ExportIfMissing(user32, "MonitorFromRect", &::MonitorFromRect);
    ExportIfMissing(user32, "MonitorFromPoint", &::MonitorFromPoint);
    ExportIfMissing(user32, "GetMonitorInfoW", &::GetMonitorInfoW);
    ExportIfMissing(user32, "NotifyWinEvent", &::NotifyWinEvent);
    ExportIfMissing(user32, "SetLayeredWindowAttributes", &::SetLayeredWindowAttributes);
    ExportIfMissing(user32, "UpdateLayeredWindow", &::UpdateLayeredWindow);
  });
}
