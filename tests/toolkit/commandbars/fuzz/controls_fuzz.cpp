// Fuzz target for the stored form of a bar's controls: bytes in, the
// controls replaced whole or the load refused with the bar as it was.
// Whatever the bar holds afterwards keeps its invariants and stores again.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "tests/toolkit/commandbars/fuzz/controlsbar.h"
#include "toolkit/commandbars/controlaction.h"
#include "toolkit/commandbars/controls.h"
#include "toolkit/common/propexchange_backends.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<BYTE> bytes(data, data + size);
  auto owner = std::make_unique<cbfuzz::Owner>();
  CTKControls* pControls = owner->bar.GetControls();
  // What a refused load must leave in place.
  pControls->AddByType(TKControlType::Button, 100, u"&Open");
  const int nBefore = pControls->GetCount();
  bool loaded = false;
  try {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load, 4096);
    CTKPropExchangeArchive px(ar);
    pControls->DoPropExchange(&px);
    loaded = true;
  } catch (CException* e) {
    e->Delete();
  }
  if (!loaded && pControls->GetCount() != nBefore) __builtin_trap();
#ifndef NDEBUG
  if (!owner->bar.CheckInvariants().empty()) __builtin_trap();
  if (!pControls->CheckInvariants().empty()) __builtin_trap();
  if (!owner->commandBars.GetActions()->CheckInvariants().empty()) __builtin_trap();
#endif
  try {
    CMemFile out;
    CArchive ar(&out, CArchive::store);
    CTKPropExchangeArchive px(ar);
    pControls->DoPropExchange(&px);
    ar.Close();
  } catch (CException* e) {
    e->Delete();
  }
  return 0;
}
