// Image handles and the shared image sheets.
#include "toolkit/common/imagehandle.h"

#include <algorithm>
#include <cstring>

#include "platform/framework/afxgdi.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/resources.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/imagepixels.h"
#include "toolkit/common/lockguard.h"
#include "toolkit/common/modulehandle.h"
#include "toolkit/common/resourcemanager.h"

// ---- CTKImageHandle ---------------------------------------------------------------------------

CTKImageHandle::CTKImageHandle(HICON icon, BOOL shareable) : m_hIcon(icon), m_bUseResources(shareable) { UpdateSize(); }

CTKImageHandle::CTKImageHandle(HBITMAP bitmap) : m_hBitmap(bitmap) { UpdateSize(); }

void CTKImageHandle::UpdateSize() {
  if (m_pRInfo && m_pRInfo->pResource) {
    CSize size = m_pRInfo->pResource->GetImageSize();
    m_nWidth = size.cx;
    m_nHeight = size.cy;
  } else if (m_hIcon) {
    CSize size = CTKImageManager::GetIconSize(m_hIcon);
    m_nWidth = size.cx;
    m_nHeight = size.cy;
  } else if (m_hBitmap) {
    BITMAP bm{};
    if (::GetObject(m_hBitmap, sizeof(bm), &bm)) {
      m_nWidth = bm.bmWidth;
      m_nHeight = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    }
  }
}

void CTKImageHandle::SetIcon(HICON icon) {
  Clear();
  m_hIcon = icon;
  m_bOwn = TRUE;
  UpdateSize();
}

void CTKImageHandle::SetBitmap(HBITMAP bitmap, LPBYTE premultipliedBits) {
  Clear();
  m_hBitmap = bitmap;
  m_pBits = bitmap ? premultipliedBits : nullptr;
  m_bOwn = TRUE;
  UpdateSize();
}

BOOL CTKImageHandle::IsEmpty() const {
  return (!m_hIcon && !m_hBitmap && !m_pRInfo) || (m_nWidth == 0 && m_nHeight == 0);
}

BOOL CTKImageHandle::IsAlpha() const { return m_hBitmap || (m_pRInfo && m_pRInfo->bAlpha); }

HBITMAP CTKImageHandle::GetBitmap() const {
  if (m_pRInfo && m_pRInfo->pResource) return m_pRInfo->pResource->GetColorBitmap();
  return m_hBitmap;
}

LPBYTE CTKImageHandle::GetBitmapBits() {
  if (!m_hBitmap) return nullptr;
  if (m_pBits) return m_pBits;
  LPBYTE bits = nullptr;
  HBITMAP copy = CTKImageManager::PreMultiplyAlphaBitmap(m_hBitmap, nullptr, &bits);
  if (!copy) return nullptr;
  Clear();
  m_hBitmap = copy;
  m_pBits = bits;
  m_bOwn = TRUE;
  UpdateSize();
  return m_pBits;
}

void CTKImageHandle::Clear() {
  if (m_bOwn) {
    if (m_hIcon) DestroyIcon(m_hIcon);
    if (m_hBitmap) DeleteObject(m_hBitmap);
    if (m_pRInfo && m_pRInfo->pResource) m_pRInfo->pResource->FreeImage(m_pRInfo);
  }
  m_hIcon = nullptr;
  m_hBitmap = nullptr;
  m_pBits = nullptr;
  m_pRInfo = nullptr;
  m_bOwn = FALSE;
}

void CTKImageHandle::CopyPrivate(CTKImageHandle& source) {
  if (source.m_hIcon) {
    m_hIcon = CopyIcon(source.m_hIcon);
  } else if (source.m_hBitmap) {
    LPBYTE bits = nullptr;
    m_hBitmap = CTKImageManager::CopyAlphaBitmap(source.m_hBitmap, &bits);
    m_pBits = m_hBitmap && source.m_pBits ? bits : nullptr;
  } else if (source.m_pRInfo && source.m_pRInfo->pResource) {
    source.m_pRInfo->pResource->ExtractImage(source.m_pRInfo, *this);
  }
}

void CTKImageHandle::CopyFrom(CTKImageHandle& source) {
  if (&source == this) return;
  Clear();
  bool toSheet = m_pImageManager && !source.IsEmpty() && m_pImageManager->m_bUseResources && source.m_bUseResources;
  if (!toSheet) {
    CopyPrivate(source);
  } else {
    CTKImageManagerResource* sheet = m_pImageManager->GetResource(source.m_nWidth, source.m_nHeight);
    if (source.m_pRInfo) {
      CTKImageHandle temporary;
      temporary.CopyPrivate(source);
      temporary.m_nWidth = source.m_nWidth;
      temporary.m_nHeight = source.m_nHeight;
      temporary.m_bOwn = TRUE;
      m_pRInfo = sheet ? sheet->Add(temporary) : nullptr;
    } else {
      m_pRInfo = sheet ? sheet->Add(source) : nullptr;
    }
    // A full sheet (or one out of memory) must not lose the image: it is
    // kept privately instead.
    if (!m_pRInfo) CopyPrivate(source);
  }
  m_bUseResources = source.m_bUseResources;
  m_nWidth = source.m_nWidth;
  m_nHeight = source.m_nHeight;
  m_bOwn = TRUE;
}

void CTKImageHandle::Draw(CDC* pDC, CPoint pt, CSize size, BOOL composited) {
  if (!pDC || IsEmpty()) return;
  HDC hdc = pDC->GetSafeHdc();
  if (m_pRInfo && m_pRInfo->pResource) {
    m_pRInfo->pResource->Draw(pDC, m_pRInfo, pt, size, composited);
  } else if (m_hBitmap) {
    if (!GetBitmapBits()) return;
    if (pt.y < 0 && size.cy == m_nHeight) {
      // Rows above the DC's origin are cut off rather than handed to the blend.
      if (pt.y + m_nHeight <= 0) return;
      CTKImageManager::AlphaBlendBitmap(hdc, m_hBitmap, pt.x, 0, size.cx, pt.y + m_nHeight, 0, -pt.y, m_nWidth,
                                        pt.y + m_nHeight);
    } else {
      CTKImageManager::AlphaBlendBitmap(hdc, m_hBitmap, pt.x, pt.y, size.cx, size.cy, 0, 0, m_nWidth, m_nHeight);
    }
  } else if (m_hIcon) {
    CTKImageManager* manager = m_pImageManager ? m_pImageManager : CTKImageManager::GetDefault();
    int x = pt.x, cx = size.cx;
    if (manager->IsDrawMirrored(hdc)) {
      x += cx;
      cx = -cx;
    }
    if (composited) CTKImageManager::AlphaDrawIcon(hdc, x, pt.y, cx, size.cy, m_hIcon);
    else if (cx < 0)
      CTKImageManager::AlphaDrawIcon(hdc, x, pt.y, cx, size.cy, m_hIcon);  // the platform draws no mirrored icons
    else DrawIconEx(hdc, x, pt.y, m_hIcon, cx, size.cy, 0, nullptr, DI_NORMAL);
  }
}

BOOL CTKImageHandle::SetFromIconBits(const BYTE* bytes, DWORD size, int width, int height) {
  Clear();
  static const BYTE kPng[4] = {0x89, 'P', 'N', 'G'};
  if (!bytes || size < sizeof(BITMAPINFOHEADER)) return FALSE;
  BITMAPINFOHEADER header{};
  std::memcpy(&header, bytes, sizeof(header));
  if (std::memcmp(bytes, kPng, 4) != 0 && header.biSize == sizeof(BITMAPINFOHEADER) && header.biBitCount == 32) {
    int w = header.biWidth, h = header.biHeight / 2;  // colour rows; the mask follows
    if (w <= 0 || w > 0x7FFF || h <= 0 || h > 0x7FFF || header.biPlanes != 1 || header.biCompression != BI_RGB)
      return FALSE;
    uint64_t bytesNeeded = static_cast<uint64_t>(w) * h * 4;
    if (bytesNeeded > size - sizeof(BITMAPINFOHEADER)) return FALSE;
    LPBYTE bits = nullptr;
    HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, w, h, &bits);  // bottom-up, as stored
    if (!bitmap) return FALSE;
    std::memcpy(bits, bytes + sizeof(BITMAPINFOHEADER), static_cast<size_t>(bytesNeeded));
    SetBitmap(bitmap);  // straight alpha: premultiplied on first use
  } else {
    HICON icon = CreateIconFromResourceEx(bytes, size, TRUE, 0x30000, width, height, 0);
    if (!icon) return FALSE;
    SetIcon(icon);
  }
  return !IsEmpty();
}

namespace {

BOOL ReadIconResource(CTKImageHandle* handle, HMODULE module, LPCTSTR name, int width, int height) {
  HRSRC res = FindResource(module, name, RT_ICON);
  if (!res) return FALSE;
  HGLOBAL data = LoadResource(module, res);
  const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
  return handle->SetFromIconBits(bytes, SizeofResource(module, res), width, height);
}

}  // namespace

BOOL CTKImageHandle::LoadIconResource(HMODULE module, LPCTSTR name, int width, int height, BOOL useGroup) {
  Clear();
  if (useGroup) {
    if (HRSRC group = FindResource(module, name, RT_GROUP_ICON)) {
      HGLOBAL data = LoadResource(module, group);
      const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
      DWORD size = SizeofResource(module, group);
      if (!bytes || size < 6) return FALSE;
      WORD count = 0;
      std::memcpy(&count, bytes + 4, 2);
      if (6u + 14u * count > size) return FALSE;
      for (int i = count - 1; i >= 0; --i) {
        const BYTE* entry = bytes + 6 + 14 * i;
        if (entry[0] != static_cast<BYTE>(width) || entry[1] != static_cast<BYTE>(height)) continue;
        WORD id = 0;
        std::memcpy(&id, entry + 12, 2);
        if (ReadIconResource(this, module, MAKEINTRESOURCE(id), width, height)) return TRUE;
      }
      return FALSE;
    }
  }
  return ReadIconResource(this, module, name, width, height);
}

BOOL CTKImageHandle::LoadIconResource(LPCTSTR name, int width, int height, BOOL useGroup) {
  HMODULE module = nullptr;
  if (!FindResourceInModules(&module, name, RT_GROUP_ICON) && !FindResourceInModules(&module, name, RT_ICON))
    return FALSE;
  return LoadIconResource(module, name, width, height, useGroup);
}

// ---- CTKImageManagerResource --------------------------------------------------------------------

CTKImageManagerResource::CBitmapDC::CBitmapDC() { m_hDC = CreateCompatibleDC(nullptr); }

CTKImageManagerResource::CBitmapDC::~CBitmapDC() {
  SetBitmap(nullptr);
  if (m_hDC) DeleteDC(m_hDC);
}

void CTKImageManagerResource::CBitmapDC::SetBitmap(HBITMAP bitmap) {
  if (!m_hDC) return;
  if (!bitmap) {
    if (m_hOldBitmap) SelectObject(m_hDC, m_hOldBitmap);
    m_hOldBitmap = nullptr;
    return;
  }
  HGDIOBJ old = SelectObject(m_hDC, bitmap);
  if (!m_hOldBitmap) m_hOldBitmap = old;
}

CTKImageManagerResource::CTKImageManagerResource(CTKImageManager* manager, CSize imageSize)
    : m_pImageManager(manager), m_nImageWidth(imageSize.cx), m_nImageHeight(imageSize.cy) {}

CTKImageManagerResource::~CTKImageManagerResource() {
  CTKLockGuard lock(m_cs);
  Clear();
}

void CTKImageManagerResource::Clear() {
  m_dc.SetBitmap(nullptr);
  for (auto* slot : m_arrUsed) delete slot;
  for (auto* slot : m_arrFree) delete slot;
  m_arrUsed.clear();
  m_arrFree.clear();
  if (m_hbmImage) DeleteObject(m_hbmImage);
  if (m_hbmMask) DeleteObject(m_hbmMask);
  m_hbmImage = m_hbmMask = nullptr;
  m_pBits = nullptr;
  m_nAllocWidth = 0;
  m_nCapacity = 0;
  m_sizeSheet = CSize(0, 0);
}

int CTKImageManagerResource::SlotsPerRow() const { return std::max(1, kMaxSheetWidth / std::max(1, m_nImageWidth)); }

int CTKImageManagerResource::MaxSlots() const {
  if (m_nImageWidth <= 0 || m_nImageHeight <= 0 || m_nImageWidth > kMaxSheetSide || m_nImageHeight > kMaxSheetSide)
    return 0;
  const int slots = SlotsPerRow() * (kMaxSheetSide / m_nImageHeight);
  return m_nSlotLimitForTesting > 0 ? std::min(slots, m_nSlotLimitForTesting) : slots;
}

CSize CTKImageManagerResource::SheetSizeFor(int capacity) const {
  const int perRow = SlotsPerRow();
  if (capacity <= perRow) return CSize(capacity * m_nImageWidth, m_nImageHeight);
  return CSize(perRow * m_nImageWidth, (capacity + perRow - 1) / perRow * m_nImageHeight);
}

BOOL CTKImageManagerResource::Grow() {
  const int limit = MaxSlots();
  if (m_nCapacity >= limit) return FALSE;
  // Doubling keeps the copies of a growing sheet linear in its images.
  const int capacity = std::min(limit, std::max(4, m_nCapacity * 2));
  const CSize size = SheetSizeFor(capacity);
  LPBYTE bits = nullptr;
  HBITMAP image = CTKImageManager::CreateDIB32(nullptr, size.cx, -size.cy, &bits);  // top-down
  HBITMAP mask = CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
  if (!image || !mask) {
    if (image) DeleteObject(image);
    if (mask) DeleteObject(mask);
    return FALSE;
  }
  m_dc.SetBitmap(nullptr);
  if (m_hbmImage) {
    GdiFlush();
    // Both top-down: the old sheet lands at the new one's top left, so every
    // slot keeps its rectangle.
    for (int r = 0; r < m_sizeSheet.cy; ++r)
      std::memcpy(bits + static_cast<size_t>(r) * size.cx * 4, m_pBits + static_cast<size_t>(r) * m_sizeSheet.cx * 4,
                  static_cast<size_t>(m_sizeSheet.cx) * 4);
    {
      CTKScopedBitmapDC from(m_hbmMask), to(mask);
      BitBlt(to, 0, 0, m_sizeSheet.cx, m_sizeSheet.cy, from, 0, 0, SRCCOPY);
    }
    DeleteObject(m_hbmImage);
    DeleteObject(m_hbmMask);
  }
  m_hbmImage = image;
  m_hbmMask = mask;
  m_pBits = bits;
  m_nCapacity = capacity;
  m_sizeSheet = size;
  return TRUE;
}

TK_IMAGERESOURCE_INFO* CTKImageManagerResource::AllocImage() {
  if (!m_arrFree.empty()) {  // last freed, first reused
    TK_IMAGERESOURCE_INFO* slot = m_arrFree.back();
    m_arrFree.pop_back();
    m_arrUsed.push_back(slot);
    return slot;
  }
  if (m_nImageWidth <= 0 || m_nImageHeight <= 0) return nullptr;
  const int index = m_nAllocWidth / m_nImageWidth;
  if (index >= m_nCapacity && !Grow()) return nullptr;
  const int perRow = SlotsPerRow();
  const int x = index % perRow * m_nImageWidth, y = index / perRow * m_nImageHeight;
  auto* slot = new TK_IMAGERESOURCE_INFO;
  slot->rcImage = CRect(x, y, x + m_nImageWidth, y + m_nImageHeight);
  slot->pResource = this;
  m_arrUsed.push_back(slot);
  m_nAllocWidth += m_nImageWidth;
  return slot;
}

TK_IMAGERESOURCE_INFO* CTKImageManagerResource::Add(CTKImageHandle& image) {
  CTKLockGuard lock(m_cs);
  if (image.IsEmpty() || image.m_nWidth != m_nImageWidth || image.m_nHeight != m_nImageHeight ||
      (!image.m_hIcon && !image.m_hBitmap))
    return nullptr;
  TK_IMAGERESOURCE_INFO* slot = AllocImage();
  if (!slot) return nullptr;
  const int w = m_nImageWidth, h = m_nImageHeight, x = slot->rcImage.left, y = slot->rcImage.top;
  // Copies the bottom-up rows of an image into the slot of the top-down
  // sheet: memory row r is image row h - 1 - r.
  auto copyRows = [&](const BYTE* src) {
    GdiFlush();
    for (int r = 0; r < h; ++r)
      std::memcpy(m_pBits + (static_cast<size_t>(y + h - 1 - r) * m_sizeSheet.cx + x) * 4,
                  src + static_cast<size_t>(r) * w * 4, static_cast<size_t>(w) * 4);
  };
  if (image.m_hIcon) {
    bool alphaDone = false;
    if (CTKImageManager::IsAlphaIcon(image.m_hIcon)) {
      ICONINFO info{};
      if (GetIconInfo(image.m_hIcon, &info)) {
        LPBYTE bits = nullptr;
        HBITMAP premultiplied = CTKImageManager::PreMultiplyAlphaBitmap(info.hbmColor, nullptr, &bits);
        if (premultiplied) {
          copyRows(bits);  // bottom-up like the sheet
          DeleteObject(premultiplied);
          alphaDone = true;
        }
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
      }
    }
    if (alphaDone) {
      slot->bAlpha = TRUE;
    } else {
      // Colour plane: the icon on black; mask plane: its mask (white is transparent).
      CRect rc(x, y, x + w, y + h);
      m_dc.SetBitmap(m_hbmImage);
      FillRect(m_dc.GetSafeHdc(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      DrawIconEx(m_dc.GetSafeHdc(), x, y, image.m_hIcon, w, h, 0, nullptr, DI_NORMAL);
      m_dc.SetBitmap(m_hbmMask);
      FillRect(m_dc.GetSafeHdc(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      DrawIconEx(m_dc.GetSafeHdc(), x, y, image.m_hIcon, w, h, 0, nullptr, DI_MASK);
      m_dc.SetBitmap(nullptr);
      slot->bAlpha = FALSE;
    }
  } else {
    LPBYTE bits = image.GetBitmapBits();
    if (!bits) {
      FreeImage(slot);
      return nullptr;
    }
    copyRows(bits);
    slot->bAlpha = TRUE;
  }
  return slot;
}

void CTKImageManagerResource::FreeImage(TK_IMAGERESOURCE_INFO* slot) {
  CTKLockGuard lock(m_cs);
  auto it = std::find(m_arrUsed.begin(), m_arrUsed.end(), slot);
  if (it == m_arrUsed.end()) return;
  m_arrUsed.erase(it);
  m_arrFree.push_back(slot);
  if (m_nImageWidth * static_cast<int>(m_arrFree.size()) == m_nAllocWidth) Clear();
}

void CTKImageManagerResource::ExtractImage(TK_IMAGERESOURCE_INFO* slot, CTKImageHandle& handle) {
  CTKLockGuard lock(m_cs);
  handle.Clear();
  if (!slot || !m_pBits) return;
  const int w = m_nImageWidth, h = m_nImageHeight, x = slot->rcImage.left, y = slot->rcImage.top;
  LPBYTE bits = nullptr;
  HBITMAP color = CTKImageManager::CreateDIB32(nullptr, w, h, &bits);  // bottom-up
  if (!color) return;
  GdiFlush();
  // Memory row r of the image is row h - 1 - r of the top-down slot.
  for (int r = 0; r < h; ++r)
    std::memcpy(bits + static_cast<size_t>(r) * w * 4,
                m_pBits + (static_cast<size_t>(y + h - 1 - r) * m_sizeSheet.cx + x) * 4, static_cast<size_t>(w) * 4);
  if (slot->bAlpha) {
    handle.SetBitmap(color, bits);
    return;
  }
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  if (mask) {
    CTKScopedBitmapDC from(m_hbmMask), to(mask);
    BitBlt(to, 0, 0, w, h, from, x, y, SRCCOPY);
  }
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
  DeleteObject(color);
  if (mask) DeleteObject(mask);
  if (icon) handle.SetIcon(icon);
}

void CTKImageManagerResource::DrawMasked(HDC hdc, TK_IMAGERESOURCE_INFO* slot, CPoint pt, CSize size) {
  int x = pt.x, cx = size.cx;
  if (m_pImageManager && m_pImageManager->IsDrawMirrored(hdc)) {
    x += cx - 1;  // a negative width covers the pixels from the start point backwards
    cx = -cx;
  }
  const CRect& rc = slot->rcImage;
  COLORREF oldBk = SetBkColor(hdc, RGB(255, 255, 255));
  COLORREF oldText = SetTextColor(hdc, RGB(0, 0, 0));
  SetBkColor(m_dc.GetSafeHdc(), RGB(255, 255, 255));
  SetTextColor(m_dc.GetSafeHdc(), RGB(0, 0, 0));
  m_dc.SetBitmap(m_hbmMask);
  StretchBlt(hdc, x, pt.y, cx, size.cy, m_dc.GetSafeHdc(), rc.left, rc.top, rc.Width(), rc.Height(), SRCAND);
  m_dc.SetBitmap(m_hbmImage);
  StretchBlt(hdc, x, pt.y, cx, size.cy, m_dc.GetSafeHdc(), rc.left, rc.top, rc.Width(), rc.Height(), SRCINVERT);
  m_dc.SetBitmap(nullptr);
  SetBkColor(hdc, oldBk);
  SetTextColor(hdc, oldText);
}

void CTKImageManagerResource::Draw(CDC* pDC, TK_IMAGERESOURCE_INFO* slot, CPoint pt, CSize size, BOOL composited) {
  CTKLockGuard lock(m_cs);
  if (!pDC || !slot || !m_hbmImage) return;
  HDC hdc = pDC->GetSafeHdc();
  if (slot->bAlpha) {
    m_dc.SetBitmap(m_hbmImage);
    CTKImageManager::GetDefault()->AlphaBlend(hdc, CRect(pt.x, pt.y, pt.x + size.cx, pt.y + size.cy), m_dc.GetSafeHdc(),
                                              slot->rcImage);
    m_dc.SetBitmap(nullptr);
    return;
  }
  SetStretchBltMode(hdc, COLORONCOLOR);
  if (composited) DrawComposited(pDC, slot, pt, size);
  else DrawMasked(hdc, slot, pt, size);
}

void CTKImageManagerResource::DrawComposited(CDC* pDC, TK_IMAGERESOURCE_INFO* slot, CPoint pt, CSize size) {
  if (!pDC || !slot || size.cx <= 0 || size.cy <= 0) return;
  // Two top-down buffers: memory row y is row y. The platform's bitwise
  // raster operations give opaque pixels, so the colour plane is combined
  // with the mask here rather than by an inverting copy.
  LPBYTE maskBits = nullptr, colorBits = nullptr;
  HBITMAP maskBuffer = CTKImageManager::CreateDIB32(nullptr, size.cx, -size.cy, &maskBits);
  HBITMAP colorBuffer = CTKImageManager::CreateDIB32(nullptr, size.cx, -size.cy, &colorBits);
  if (maskBuffer && colorBuffer) {
    CTKScopedBitmapDC maskDC(maskBuffer), colorDC(colorBuffer);
    SetStretchBltMode(maskDC, COLORONCOLOR);
    SetStretchBltMode(colorDC, COLORONCOLOR);
    SetBkColor(maskDC, RGB(255, 255, 255));
    SetTextColor(maskDC, RGB(0, 0, 0));
    const CRect& rc = slot->rcImage;
    m_dc.SetBitmap(m_hbmMask);
    StretchBlt(maskDC, 0, 0, size.cx, size.cy, m_dc.GetSafeHdc(), rc.left, rc.top, rc.Width(), rc.Height(), SRCCOPY);
    m_dc.SetBitmap(m_hbmImage);
    StretchBlt(colorDC, 0, 0, size.cx, size.cy, m_dc.GetSafeHdc(), rc.left, rc.top, rc.Width(), rc.Height(), SRCCOPY);
    m_dc.SetBitmap(nullptr);
    GdiFlush();
    // Opaque colour where the mask is black, transparent elsewhere.
    auto* mask = reinterpret_cast<const uint32_t*>(maskBits);
    auto* color = reinterpret_cast<uint32_t*>(colorBits);
    for (size_t i = 0; i < static_cast<size_t>(size.cx) * size.cy; ++i)
      color[i] = (mask[i] & 0x00FFFFFFu) == 0 ? (color[i] | 0xFF000000u) : 0;
    CTKImageManager::GetDefault()->AlphaBlend(pDC->GetSafeHdc(), CRect(pt, size), colorDC,
                                              CRect(0, 0, size.cx, size.cy));
  }
  if (maskBuffer) DeleteObject(maskBuffer);
  if (colorBuffer) DeleteObject(colorBuffer);
}
