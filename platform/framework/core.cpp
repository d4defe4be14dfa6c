// Framework pieces shared by the windows, the application and the dialogs.
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "platform/framework/afxapp.h"
#include "platform/framework/afxstate.h"

namespace pv::afx {

ProcessStateData& ProcessState() {
  static ProcessStateData* data = new ProcessStateData;  // lives until exit, used by any thread
  return *data;
}

}  // namespace pv::afx

CNoTrackObject* pv::ThreadLocalData(const void* slot, CNoTrackObject* (*make)()) {
  // Destroyed with the thread, so each object goes with the thread that made it.
  thread_local std::unordered_map<const void*, std::unique_ptr<CNoTrackObject>> data;
  auto& p = data[slot];
  if (!p) p.reset(make());
  return p.get();
}
