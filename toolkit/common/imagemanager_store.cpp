// The image manager's stored form, written and read through a property
// exchange: "IconSet" sections with "Id" and the icons of the set, each
// set marked by "CheckSum" "CTKImageManagerIcons"; each icon a "Width" and a
// "Data" blob (height, the schema, then the state images as DIB records).
#include <cstring>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/gdi/imagelist.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/propexchange.h"
#include "toolkit/common/propexchange_backends.h"
#include "toolkit/common/propexchangeschema.h"

namespace {

constexpr LPCTSTR kCheckSum = u"CTKImageManagerIcons";
// Stored records are untrusted: nothing larger is read.
constexpr DWORD kMaxHeaderBytes = sizeof(BITMAPINFOHEADER) + 256 * 4;
constexpr DWORD kMaxPixelBytes = 64u << 20;

DWORD DibStride(LONG width, WORD bitCount) { return ((static_cast<DWORD>(width) * bitCount + 31) / 32) * 4; }

void WriteEmptyRecord(CArchive& ar) { ar.WriteCount(0); }

// A DIB record: the header as the platform reports it for the bitmap with
// room for its colours or masks, then the pixel bytes.
void WriteDibRecord(CArchive& ar, HBITMAP bitmap) {
  std::vector<BYTE> header(kMaxHeaderBytes, 0);
  auto* bi = reinterpret_cast<BITMAPINFO*>(header.data());
  bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  if (!bitmap || !GetDIBits(nullptr, bitmap, 0, 0, nullptr, bi, DIB_RGB_COLORS)) {
    WriteEmptyRecord(ar);
    return;
  }
  BITMAPINFOHEADER& h = bi->bmiHeader;
  const int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  DWORD pixelBytes = h.biSizeImage ? h.biSizeImage : static_cast<DWORD>(h.biWidth) * rows * 4;
  std::vector<BYTE> pixels(pixelBytes, 0);
  if (GetDIBits(nullptr, bitmap, 0, rows, pixels.data(), bi, DIB_RGB_COLORS) != rows) {
    WriteEmptyRecord(ar);
    return;
  }
  DWORD headerBytes = sizeof(BITMAPINFOHEADER) + (h.biBitCount == 4 ? 16 * 4 : h.biBitCount == 8 ? 256 * 4 : 3 * 4);
  ar.WriteCount(headerBytes);
  ar.Write(header.data(), headerBytes);
  ar.WriteCount(pixelBytes);
  ar.Write(pixels.data(), pixelBytes);
}

DWORD ReadBoundedCount(CArchive& ar, DWORD limit) {
  DWORD_PTR count = ar.ReadCount();
  if (count > limit) AfxThrowArchiveException(CArchiveException::badSchema);
  return static_cast<DWORD>(count);
}

void ReadExactly(CArchive& ar, void* buffer, DWORD count) {
  if (ar.Read(buffer, count) != count) AfxThrowArchiveException(CArchiveException::endOfFile);
}

// Reads a DIB record into a new DIB section (null for an empty record). The
// header is checked before anything is made from it, and no more bytes are
// copied than the section holds.
HBITMAP ReadDibRecord(CArchive& ar, LPBYTE* bitsOut) {
  *bitsOut = nullptr;
  DWORD headerBytes = ReadBoundedCount(ar, kMaxHeaderBytes);
  if (headerBytes == 0) return nullptr;
  std::vector<BYTE> header(kMaxHeaderBytes, 0);
  ReadExactly(ar, header.data(), headerBytes);
  DWORD pixelBytes = ReadBoundedCount(ar, kMaxPixelBytes);
  std::vector<BYTE> pixels(pixelBytes);
  ReadExactly(ar, pixels.data(), pixelBytes);
  if (headerBytes < sizeof(BITMAPINFOHEADER) || pixelBytes == 0) return nullptr;
  auto* bi = reinterpret_cast<BITMAPINFO*>(header.data());
  BITMAPINFOHEADER& h = bi->bmiHeader;
  const WORD bpp = h.biBitCount;
  if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > 0x7FFF || h.biHeight == 0 ||
      h.biHeight < -0x7FFF || h.biHeight > 0x7FFF || h.biPlanes != 1 ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) || h.biCompression != BI_RGB)
    return nullptr;
  DWORD colours = bpp <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bpp) ? h.biClrUsed : 1u << bpp) : 0;
  if (sizeof(BITMAPINFOHEADER) + colours * 4 > headerBytes) return nullptr;
  // A record carries its pixels: a header claiming more than it carries
  // would make a section of up to gigabytes from a few bytes.
  const uint64_t claimed = static_cast<uint64_t>(DibStride(h.biWidth, bpp)) *
                           static_cast<uint64_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
  if (claimed > pixelBytes) return nullptr;
  if (h.biSizeImage == 0) h.biSizeImage = pixelBytes;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  const int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  size_t capacity = static_cast<size_t>(DibStride(h.biWidth, bpp)) * rows;
  size_t copy = std::min<size_t>({pixelBytes, h.biSizeImage, capacity});
  std::memcpy(bits, pixels.data(), copy);
  GdiFlush();
  *bitsOut = static_cast<LPBYTE>(bits);
  return bitmap;
}

void StoreImage(CArchive& ar, CTKImageHandle& image) {
  CTKImageHandle copy;
  copy.CopyFrom(image);  // out of its sheet into a private handle
  if (copy.IsEmpty()) {
    WriteEmptyRecord(ar);
    WriteEmptyRecord(ar);
  } else if (copy.GetIcon()) {
    ICONINFO info{};
    if (GetIconInfo(copy.GetIcon(), &info)) {
      WriteDibRecord(ar, info.hbmColor);
      WriteDibRecord(ar, info.hbmMask);
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
    } else {
      WriteEmptyRecord(ar);
      WriteEmptyRecord(ar);
    }
  } else {
    copy.GetBitmapBits();  // stored pixels are premultiplied
    WriteDibRecord(ar, copy.GetBitmap());
    WriteEmptyRecord(ar);
  }
}

// Reads one image into `image` (empty when the records hold none).
void LoadImage(CArchive& ar, int schema, CTKImageHandle& image) {
  image.Clear();
  LPBYTE colorBits = nullptr, maskBits = nullptr;
  HBITMAP color = ReadDibRecord(ar, &colorBits);
  HBITMAP mask = nullptr;
  try {
    mask = ReadDibRecord(ar, &maskBits);
  } catch (CException*) {
    if (color) DeleteObject(color);
    throw;
  }
  if (color && mask) {
    BITMAP bm{};
    ::GetObject(color, sizeof(bm), &bm);
    int h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    HIMAGELIST list = ImageList_Create(bm.bmWidth, h, ILC_MASK | ILC_COLOR24, 0, 1);
    if (list) {
      if (ImageList_Add(list, color, mask) >= 0)
        if (HICON icon = ImageList_GetIcon(list, 0, ILD_NORMAL)) image.SetIcon(icon);
      ImageList_Destroy(list);
    }
    DeleteObject(color);
    DeleteObject(mask);
  } else if (color) {
    BITMAP bm{};
    if (::GetObject(color, sizeof(bm), &bm) && bm.bmBitsPixel == 32)
      image.SetBitmap(color, schema >= kTKSchemaIconPremultiplied ? colorBits : nullptr);  // older data: straight alpha
    else DeleteObject(color);
  } else if (mask) {
    DeleteObject(mask);
  }
}

}  // namespace

void CTKImageManagerIcon::Serialize(CArchive& ar) {
  // Stored order of the state images.
  static const int kStored[] = {kNormal, kDisabled, kHot, kChecked, kPressed};
  if (ar.IsStoring()) {
    ar << static_cast<int>(m_nHeight) << kTKSchemaCurrent;
    for (int slot : kStored) StoreImage(ar, m_arrImages[slot]);
    return;
  }
  int height = 0, schema = 0;
  ar >> height >> schema;
  m_nHeight = height;
  for (int slot : kStored) {
    if (slot == kChecked && schema < kTKSchemaIconCheckedImage) break;
    if (slot == kPressed && schema < kTKSchemaIconPressedImage) break;
    CTKImageHandle image;
    LoadImage(ar, schema, image);
    SetImage(slot, image);
  }
  CSize extent = m_arrImages[kNormal].GetExtent();
  if (!m_arrImages[kNormal].IsEmpty() && (extent.cx || extent.cy)) {
    m_nWidth = extent.cx;
    m_nHeight = extent.cy;
  }
}

void CTKImageManager::Serialize(CArchive& ar) {
  CTKPropExchangeArchive px(ar);
  DoPropExchange(&px);
}

void CTKImageManager::DoPropExchange(CTKPropExchange* px) {
  if (!px) return;
  CTKPropExchangeEnumeratorHolder enumerator(px->GetEnumerator(u"IconSet"));
  if (px->IsStoring()) {
    POSITION pos = enumerator->GetPosition(static_cast<DWORD>(m_mapIcons.size()));
    for (auto it = m_mapIcons.begin(); pos && it != m_mapIcons.end(); ++it) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      int id = static_cast<int>(it->first);
      PropExchangeInt(section, u"Id", &id);
      ExchangeIconSet(it->first, section);
    }
    return;
  }
  RemoveAll();
  POSITION pos = enumerator->GetPosition();
  while (pos) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    int id = 0;
    PropExchangeInt(section, u"Id", &id);
    ExchangeIconSet(static_cast<UINT>(id), section);
  }
}

void CTKImageManager::ExchangeIconSet(UINT id, CTKPropExchange* px) {
  if (!px) return;
  CString checkSum = kCheckSum;
  PropExchangeStringDefault(px, u"CheckSum", &checkSum, kCheckSum);
  if (px->IsLoading() && checkSum != kCheckSum) AfxThrowArchiveException(CArchiveException::badClass);
  CTKPropExchangeEnumeratorHolder enumerator(px->GetEnumerator(u"Icon"));
  CTKImageManagerIconSet* set = GetIconSet(id);
  if (px->IsStoring()) {
    POSITION pos = enumerator->GetPosition(set ? static_cast<DWORD>(set->m_mapIcons.size()) : 0);
    if (!set) return;
    for (auto it = set->m_mapIcons.begin(); pos && it != set->m_mapIcons.end(); ++it) {
      CTKPropExchangeSection section(enumerator->GetNext(pos));
      int width = static_cast<int>(it->first);
      PropExchangeInt(section, u"Width", &width);
      PropExchangeSerialize(section, u"Data", it->second);
    }
    return;
  }
  if (set) {
    set->RemoveAll();
  } else {
    set = new CTKImageManagerIconSet(id, this);
    m_mapIcons[id] = set;
  }
  POSITION pos = enumerator->GetPosition();
  while (pos) {
    CTKPropExchangeSection section(enumerator->GetNext(pos));
    int width = 16;
    PropExchangeInt(section, u"Width", &width);
    auto* icon = new CTKImageManagerIcon(id, width, 15, set);
    BOOL loaded = PropExchangeSerialize(section, u"Data", icon);
    auto& slot = set->m_mapIcons[static_cast<UINT>(width)];
    if (slot) {  // a width written twice: the later one stays
      slot->Clear();
      slot->m_pIconSet = nullptr;
      slot->InternalRelease();
    }
    slot = icon;
    if (!loaded && px->StoresByName() == FALSE)  // an archive stream cannot resynchronise
      AfxThrowArchiveException(CArchiveException::genericException);
  }
}
