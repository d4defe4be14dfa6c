// libFuzzer target for the image readers that take untrusted bytes: PNG
// decoding, .ico images, packed-DIB bitmap resources and the image
// manager's stored form. The first byte picks the reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/resources.h"
#include "toolkit/common/graphicbitmappng.h"
#include "toolkit/common/imagehandle.h"
#include "toolkit/common/imagemanager.h"

namespace {

// One bitmap resource whose bytes are swapped for each input.
std::vector<unsigned char> g_bitmap;
pv::ResourceEntry g_entry{nullptr, 2, u"FUZZ", 0, 0, nullptr, 0};
pv::ResourceSet g_set{u"tkimagefuzz", &g_entry, 1};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t kind = data[0] % 4;
  std::vector<BYTE> body(data + 1, data + size);
  switch (kind) {
    case 0: {
      CMemFile file(body.data(), static_cast<UINT>(body.size()));
      CTKGraphicBitmapPng png;
      png.LoadFromCFile(&file);
      break;
    }
    case 1: {
      CTKImageHandle handle;
      handle.SetFromIconBits(body.data(), static_cast<DWORD>(body.size()), 16, 16);
      handle.GetBitmapBits();
      break;
    }
    case 2: {
      g_bitmap.assign(body.begin(), body.end());
      g_bitmap.shrink_to_fit();
      g_entry.data = g_bitmap.data();
      g_entry.size = static_cast<DWORD>(g_bitmap.size());
      static HMODULE module = pv::RegisterResourceSet(&g_set);
      BOOL alpha = FALSE;
      if (HBITMAP bitmap = CTKImageManager::LoadBitmapFromModule(module, u"FUZZ", &alpha)) DeleteObject(bitmap);
      break;
    }
    default: {
      CMemFile file(body.data(), static_cast<UINT>(body.size()));
      CArchive ar(&file, CArchive::load);
      CTKImageManager manager;
      try {
        manager.Serialize(ar);
      } catch (CException* e) {
        e->Delete();
      }
      break;
    }
  }
  return 0;
}
