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

// ---- dropped files -----------------------------------------------------------------------------------
namespace {
struct DropRecord {
  std::vector<std::u16string> files;
  POINT pt;
};
}  // namespace

HDROP pv::MakeDrop(const std::vector<std::u16string>& files, POINT pt) {
  return reinterpret_cast<HDROP>(new DropRecord{files, pt});
}

UINT DragQueryFileW(HDROP hDrop, UINT iFile, LPWSTR lpszFile, UINT cch) {
  auto* d = reinterpret_cast<DropRecord*>(hDrop);
  if (!d) return 0;
  if (iFile == 0xFFFFFFFF) return static_cast<UINT>(d->files.size());
  if (iFile >= d->files.size()) return 0;
  const std::u16string& f = d->files[iFile];
  if (!lpszFile || cch == 0) return static_cast<UINT>(f.size());
  UINT n = std::min<UINT>(static_cast<UINT>(f.size()), cch - 1);
  for (UINT i = 0; i < n; ++i) lpszFile[i] = f[i];
  lpszFile[n] = 0;
  return n;
}

BOOL DragQueryPoint(HDROP hDrop, POINT* ppt) {
  auto* d = reinterpret_cast<DropRecord*>(hDrop);
  if (!d || !ppt) return FALSE;
  *ppt = d->pt;
  return TRUE;
}

void DragFinish(HDROP hDrop) { delete reinterpret_cast<DropRecord*>(hDrop); }

CNoTrackObject* pv::ThreadLocalData(const void* slot, CNoTrackObject* (*make)()) {
  // Destroyed with the thread, so each object goes with the thread that made it.
  thread_local std::unordered_map<const void*, std::unique_ptr<CNoTrackObject>> data;
  auto& p = data[slot];
  if (!p) p.reset(make());
  return p.get();
}
