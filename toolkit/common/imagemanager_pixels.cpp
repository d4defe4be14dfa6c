// The image manager's pixel operations, blits and loaders.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/framework/afxgdi.h"
#include "platform/gdi/imagelist.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/resources.h"
#include "toolkit/common/graphicbitmappng.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/imagepixels.h"
#include "toolkit/common/modulehandle.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/resourcemanager.h"

namespace {

// The header of a bitmap as GetDIBits reports it (positive height:
// bottom-up rows).
bool QueryHeader(HBITMAP bitmap, BITMAPINFOHEADER* header) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  if (!bitmap || !GetDIBits(nullptr, bitmap, 0, 0, nullptr, &bi, DIB_RGB_COLORS)) return false;
  *header = bi.bmiHeader;
  return header->biWidth > 0 && header->biHeight != 0;
}

// The 32-bit pixels of a 32-bit bitmap, bottom-up; false when the bitmap
// is not 32 bits per pixel.
bool Read32(HBITMAP bitmap, int* width, int* height, std::vector<BYTE>* pixels) {
  BITMAPINFOHEADER h{};
  if (!QueryHeader(bitmap, &h) || h.biBitCount != 32) return false;
  *width = h.biWidth;
  *height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  BITMAPINFO bi{};
  bi.bmiHeader = h;
  bi.bmiHeader.biHeight = *height;  // bottom-up
  bi.bmiHeader.biCompression = BI_RGB;
  pixels->assign(static_cast<size_t>(*width) * *height * 4, 0);
  return GetDIBits(nullptr, bitmap, 0, *height, pixels->data(), &bi, DIB_RGB_COLORS) == *height;
}

}  // namespace

HBITMAP CTKImageManager::CreateDIB32(HDC hdc, int width, int height, LPBYTE* bits) {
  if (bits) *bits = nullptr;
  if (width <= 0 || height == 0) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;  // positive: bottom-up; negative: top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap && !pixels) {
    DeleteObject(bitmap);
    return nullptr;
  }
  if (bits) *bits = static_cast<LPBYTE>(pixels);
  return bitmap;
}

HBITMAP CTKImageManager::CopyAlphaBitmap(HBITMAP bitmap, LPBYTE* bits) {
  if (bits) *bits = nullptr;
  int w = 0, h = 0;
  std::vector<BYTE> pixels;
  if (!Read32(bitmap, &w, &h, &pixels)) return nullptr;
  LPBYTE dst = nullptr;
  HBITMAP copy = CreateDIB32(nullptr, w, h, &dst);  // bottom-up, as read
  if (!copy) return nullptr;
  std::memcpy(dst, pixels.data(), pixels.size());
  GdiFlush();
  if (bits) *bits = dst;
  return copy;
}

HBITMAP CTKImageManager::PreMultiplyAlphaBitmap(HBITMAP bitmap, BOOL* hasAlpha, LPBYTE* bits) {
  if (hasAlpha) *hasAlpha = FALSE;
  if (bits) *bits = nullptr;
  int w = 0, h = 0;
  std::vector<BYTE> pixels;
  if (!Read32(bitmap, &w, &h, &pixels)) return nullptr;
  LPBYTE dst = nullptr;
  HBITMAP copy = CreateDIB32(nullptr, w, h, &dst);  // bottom-up, as read
  if (!copy) return nullptr;
  BOOL anyAlpha = FALSE;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    BYTE a = pixels[i + 3];
    if (a) anyAlpha = TRUE;
    dst[i] = static_cast<BYTE>(pixels[i] * a / 255);
    dst[i + 1] = static_cast<BYTE>(pixels[i + 1] * a / 255);
    dst[i + 2] = static_cast<BYTE>(pixels[i + 2] * a / 255);
    dst[i + 3] = a;
  }
  if (hasAlpha) *hasAlpha = anyAlpha;
  if (bits) *bits = dst;
  return copy;
}

BOOL CTKImageManager::SplitBitmap(HBITMAP bitmap, int n, HBITMAP* pieces) {
  if (n <= 0 || !pieces) return FALSE;
  int w = 0, h = 0;
  std::vector<BYTE> pixels;
  if (!Read32(bitmap, &w, &h, &pixels)) return FALSE;
  int pieceWidth = w / n;
  if (pieceWidth <= 0) return FALSE;
  std::vector<LPBYTE> bits(n, nullptr);
  for (int i = 0; i < n; ++i) {
    pieces[i] = CreateDIB32(nullptr, pieceWidth, h, &bits[i]);  // bottom-up, as the strip was read
    if (!pieces[i]) {
      for (int j = 0; j < i; ++j) {
        DeleteObject(pieces[j]);
        pieces[j] = nullptr;
      }
      return FALSE;
    }
  }
  // Memory row r of the strip goes to memory row r of every piece: both
  // run bottom-up.
  for (int r = 0; r < h; ++r) {
    const BYTE* row = pixels.data() + static_cast<size_t>(r) * w * 4;
    for (int i = 0; i < n; ++i)
      std::memcpy(bits[i] + static_cast<size_t>(r) * pieceWidth * 4, row + static_cast<size_t>(i) * pieceWidth * 4,
                  static_cast<size_t>(pieceWidth) * 4);
  }
  return TRUE;
}

CSize CTKImageManager::GetIconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return CSize(0, 0);
  BITMAP bm{};
  CSize size(0, 0);
  if (info.hbmMask && ::GetObject(info.hbmMask, sizeof(bm), &bm)) {
    size.cx = bm.bmWidth;
    size.cy = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  }
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return size;
}

BOOL CTKImageManager::IsAlphaIcon(HICON icon) {
  if (!icon) return FALSE;
  if (GetComCtl32Version() < 0x60000 && !GetOSVersionInfo()->IsWinXPOrLater()) return FALSE;
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return FALSE;
  BOOL alpha = FALSE;
  if (info.hbmColor) {
    int w = 0, h = 0;
    std::vector<BYTE> pixels;
    if (Read32(info.hbmColor, &w, &h, &pixels)) alpha = TKHasIconAlpha(pixels.data(), static_cast<size_t>(w) * h);
    DeleteObject(info.hbmColor);
  }
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return alpha;
}

HICON CTKImageManager::ScaleIcon(HICON icon, int fromWidth, int fromHeight, int toWidth) {
  if (!icon || toWidth <= 0 || fromWidth <= 0 || fromHeight <= 0) return nullptr;
  if (toWidth == fromWidth) return CopyIcon(icon);
  int toHeight = MulDiv(fromHeight, toWidth, fromWidth);
  if (toHeight <= 0) return nullptr;
  HIMAGELIST list = ImageList_Create(toWidth, toHeight, ILC_MASK | ILC_COLOR32, 1, 1);
  if (!list) return nullptr;
  HICON result = nullptr;
  if (ImageList_AddIcon(list, icon) >= 0) result = ImageList_GetIcon(list, 0, ILD_NORMAL);
  ImageList_Destroy(list);
  return result;
}

BOOL CTKImageManager::DisableArea(HDC hdc, const RECT& rc, COLORREF light, COLORREF dark) {
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (!hdc || w <= 0 || h <= 0) return FALSE;
  LPBYTE bits = nullptr;
  HBITMAP dib = CreateDIB32(hdc, w, h, &bits);
  if (!dib) return FALSE;
  BOOL ok = FALSE;
  {
    CTKScopedBitmapDC mem(dib, hdc);
    if (mem && BitBlt(mem, 0, 0, w, h, hdc, rc.left, rc.top, SRCCOPY)) {
      GdiFlush();
      bool twoColor = light != static_cast<COLORREF>(-1) && dark != static_cast<COLORREF>(-1);
      // Every pixel, whatever its alpha; the order of rows does not matter.
      for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) TKDisablePixel(bits + i * 4, twoColor, light, dark);
      ok = BitBlt(hdc, rc.left, rc.top, w, h, mem, 0, 0, SRCCOPY);
    }
  }
  DeleteObject(dib);
  return ok;
}

BOOL CTKImageManager::DisableArea(CDC* pDC, const RECT& rc, COLORREF light, COLORREF dark) {
  return pDC ? DisableArea(pDC->GetSafeHdc(), rc, light, dark) : FALSE;
}

BOOL CTKImageManager::AlphaBlendSoftware(HDC hdc, const RECT& dest, HDC src, const RECT& source, BYTE alpha,
                                         BOOL perPixel) {
  int w = dest.right - dest.left, h = dest.bottom - dest.top;
  if (!hdc || !src || w <= 0 || h <= 0) return FALSE;
  // Three top-down DIBs of the destination size: memory row y is row y.
  LPBYTE srcBits = nullptr, dstBits = nullptr, outBits = nullptr;
  HBITMAP srcCopy = CreateDIB32(nullptr, w, -h, &srcBits);
  HBITMAP dstCopy = CreateDIB32(nullptr, w, -h, &dstBits);
  HBITMAP result = CreateDIB32(nullptr, w, -h, &outBits);
  BOOL ok = FALSE;
  if (srcCopy && dstCopy && result) {
    bool srcRTL = TKIsContextRTL(src), dstRTL = TKIsContextRTL(hdc);
    {
      CTKScopedBitmapDC srcDC(srcCopy), dstDC(dstCopy);
      SetLayout(srcDC, 0);
      SetLayout(dstDC, 0);
      SetStretchBltMode(srcDC, COLORONCOLOR);
      StretchBlt(srcDC, 0, 0, w, h, src, source.left, source.top, source.right - source.left,
                 source.bottom - source.top, SRCCOPY);
      BitBlt(dstDC, 0, 0, w, h, hdc, dest.left, dest.top, SRCCOPY);
      GdiFlush();
    }
    const int k = alpha;
    for (int y = 0; y < h; ++y) {
      const BYTE* s = srcBits + static_cast<size_t>(y) * w * 4;
      const BYTE* d = dstBits + static_cast<size_t>(y) * w * 4;
      BYTE* o = outBits + static_cast<size_t>(y) * w * 4;
      for (int x = 0; x < w; ++x) {
        // A row of a right-to-left DC is read from its right end.
        const BYTE* sp = s + static_cast<size_t>(srcRTL ? w - 1 - x : x) * 4;
        const BYTE* dp = d + static_cast<size_t>(dstRTL ? w - 1 - x : x) * 4;
        BYTE* op = o + static_cast<size_t>(x) * 4;
        if (perPixel) {
          // The source scaled by the constant alpha, then source-over.
          int sa = sp[3] * k / 255;
          for (int c = 0; c < 4; ++c) op[c] = TKClamp255(dp[c] * (255 - sa) / 255 + sp[c] * k / 255);
        } else {
          for (int c = 0; c < 4; ++c) op[c] = TKClamp255(sp[c] * k / 255 + dp[c] * (255 - k) / 255);
        }
      }
    }
    CTKScopedBitmapDC outDC(result);
    SetLayout(outDC, 0);
    ok = BitBlt(hdc, dest.left, dest.top, w, h, outDC, 0, 0, SRCCOPY | (dstRTL ? NOMIRRORBITMAP : 0));
  }
  if (srcCopy) DeleteObject(srcCopy);
  if (dstCopy) DeleteObject(dstCopy);
  if (result) DeleteObject(result);
  return ok;
}

BOOL CTKImageManager::AlphaBlendDC(HDC hdc, const RECT& dest, HDC src, const RECT& source, BYTE alpha) {
  BLENDFUNCTION bf{AC_SRC_OVER, 0, alpha, 0};
  if (::AlphaBlend(hdc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, src, source.left,
                   source.top, source.right - source.left, source.bottom - source.top, bf))
    return TRUE;
  return AlphaBlendSoftware(hdc, dest, src, source, alpha, FALSE);
}

BOOL CTKImageManager::AlphaBlendDC(CDC* pDC, const RECT& dest, CDC* pSrc, const RECT& source, BYTE alpha) {
  return pDC && pSrc ? AlphaBlendDC(pDC->GetSafeHdc(), dest, pSrc->GetSafeHdc(), source, alpha) : FALSE;
}

BOOL CTKImageManager::AlphaBlend(HDC hdc, const RECT& dest, HDC src, const RECT& source) {
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (::AlphaBlend(hdc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, src, source.left,
                   source.top, source.right - source.left, source.bottom - source.top, bf))
    return TRUE;
  return AlphaBlendSoftware(hdc, dest, src, source, 255, TRUE);
}

BOOL CTKImageManager::AlphaBlendBitmap(HDC hdc, HBITMAP bitmap, int x, int y, int cx, int cy, int srcX, int srcY,
                                       int srcW, int srcH) {
  if (!hdc || !bitmap) return FALSE;
  if (srcW == 0 && srcH == 0) {
    srcW = cx;
    srcH = cy;
  }
  CTKScopedBitmapDC mem(bitmap, hdc);
  if (!mem) return FALSE;
  return GetDefault()->AlphaBlend(hdc, CRect(x, y, x + cx, y + cy), mem, CRect(srcX, srcY, srcX + srcW, srcY + srcH));
}

BOOL CTKImageManager::AlphaBlendBitmap(CDC* pDC, HBITMAP bitmap, CPoint pt, CSize size, const RECT& source) {
  if (!pDC) return FALSE;
  return AlphaBlendBitmap(pDC->GetSafeHdc(), bitmap, pt.x, pt.y, size.cx, size.cy, source.left, source.top,
                          source.right - source.left, source.bottom - source.top);
}

BOOL CTKImageManager::TransparentBlt(HDC hdc, const RECT& dest, HDC src, const RECT& source, COLORREF key) {
  int w = dest.right - dest.left, h = dest.bottom - dest.top;
  int sw = source.right - source.left, sh = source.bottom - source.top;
  if (::TransparentBlt(hdc, dest.left, dest.top, w, h, src, source.left, source.top, sw, sh, key)) return TRUE;
  if (!hdc || !src || sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return FALSE;
  // Without the platform's call: a mask of the key colour, the key pixels
  // of a copy blackened, then mask with SRCAND and copy with SRCPAINT.
  HBITMAP copy = CreateCompatibleBitmap(hdc, sw, sh);
  HBITMAP mask = CreateBitmap(sw, sh, 1, 1, nullptr);
  BOOL ok = FALSE;
  if (copy && mask) {
    CTKScopedBitmapDC copyDC(copy, hdc), maskDC(mask, hdc);
    BitBlt(copyDC, 0, 0, sw, sh, src, source.left, source.top, SRCCOPY);
    SetBkColor(copyDC, key);
    BitBlt(maskDC, 0, 0, sw, sh, copyDC, 0, 0, SRCCOPY);
    if (key != 0) {
      SetBkColor(copyDC, RGB(0, 0, 0));
      SetTextColor(copyDC, RGB(255, 255, 255));
      BitBlt(copyDC, 0, 0, sw, sh, maskDC, 0, 0, SRCAND);
    }
    COLORREF oldBk = SetBkColor(hdc, RGB(255, 255, 255));
    COLORREF oldText = SetTextColor(hdc, RGB(0, 0, 0));
    if (w == sw && h == sh) {
      BitBlt(hdc, dest.left, dest.top, w, h, maskDC, 0, 0, SRCAND);
      ok = BitBlt(hdc, dest.left, dest.top, w, h, copyDC, 0, 0, SRCPAINT);
    } else {
      StretchBlt(hdc, dest.left, dest.top, w, h, maskDC, 0, 0, sw, sh, SRCAND);
      ok = StretchBlt(hdc, dest.left, dest.top, w, h, copyDC, 0, 0, sw, sh, SRCPAINT);
    }
    SetBkColor(hdc, oldBk);
    SetTextColor(hdc, oldText);
  }
  if (copy) DeleteObject(copy);
  if (mask) DeleteObject(mask);
  return ok;
}

void CTKImageManager::AlphaDrawIcon(HDC hdc, int x, int y, int cx, int cy, HICON icon) {
  int w = cx < 0 ? -cx : cx;
  if (!hdc || !icon || w == 0 || cy <= 0) return;
  CRect target(cx < 0 ? x + cx : x, y, cx < 0 ? x : x + cx, y + cy);
  LPBYTE bits = nullptr;
  HBITMAP buffer = CreateDIB32(nullptr, w, -cy, &bits);  // top-down: memory row y is row y
  if (!buffer) return;
  auto* pixels = reinterpret_cast<uint32_t*>(bits);
  std::fill(pixels, pixels + static_cast<size_t>(w) * cy, 0x00FF00FFu);
  {
    CTKScopedBitmapDC mem(buffer);
    DrawIconEx(mem, 0, 0, icon, w, cy, 0, nullptr, DI_NORMAL);
    GdiFlush();
    for (size_t i = 0; i < static_cast<size_t>(w) * cy; ++i)
      pixels[i] = pixels[i] == 0x00FF00FFu ? 0 : (pixels[i] | 0xFF000000u);
    if (cx < 0)  // a negative width draws the icon mirrored
      for (int r = 0; r < cy; ++r)
        std::reverse(pixels + static_cast<size_t>(r) * w, pixels + static_cast<size_t>(r + 1) * w);
    GetDefault()->AlphaBlend(hdc, target, mem, CRect(0, 0, w, cy));
  }
  DeleteObject(buffer);
}

// ---- loaders ----------------------------------------------------------------------------------

namespace {

bool HasPngSignature(const void* data, DWORD size) {
  static const BYTE kSig[4] = {0x89, 'P', 'N', 'G'};
  return data && size >= 4 && std::memcmp(data, kSig, 4) == 0;
}

// A 32-bit DIB section from a packed DIB whose header has been checked: the
// pixels behind the header, `height` rows as stored (bottom-up for a
// positive height).
HBITMAP DibFromPacked(const BYTE* data, DWORD size, int width, int height, DWORD pixelOffset) {
  uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height < 0 ? -height : height) * 4;
  if (pixelOffset > size || bytes > size - pixelOffset) return nullptr;
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, width, height, &bits);
  if (!bitmap) return nullptr;
  std::memcpy(bits, data + pixelOffset, static_cast<size_t>(bytes));
  return bitmap;
}

// Reads a BITMAPINFOHEADER at the start of the data, refusing one that does
// not fit or describes no image.
bool ReadInfoHeader(const BYTE* data, DWORD size, BITMAPINFOHEADER* header) {
  if (!data || size < sizeof(BITMAPINFOHEADER)) return false;
  std::memcpy(header, data, sizeof(BITMAPINFOHEADER));
  return header->biSize >= sizeof(BITMAPINFOHEADER) && header->biSize <= size && header->biWidth > 0 &&
         header->biWidth <= 0x7FFF && header->biHeight != 0 && header->biHeight >= -0x7FFF &&
         header->biHeight <= 0x7FFF && header->biPlanes == 1;
}

}  // namespace

HBITMAP CTKImageManager::LoadBitmapFromModule(HMODULE module, LPCTSTR name, BOOL* alpha) {
  if (alpha) *alpha = FALSE;
  if (!name) return nullptr;
  if (HRSRC png = FindResource(module, name, u"PNG")) {
    HGLOBAL data = LoadResource(module, png);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (HasPngSignature(bytes, SizeofResource(module, png))) {
      CTKGraphicBitmapPng bitmap;
      if (!bitmap.LoadFromResource(module, png)) return nullptr;
      if (alpha) *alpha = bitmap.IsAlpha();
      return static_cast<HBITMAP>(bitmap.Detach());
    }
  }
  HRSRC res = FindResource(module, name, RT_BITMAP);
  if (!res) return nullptr;
  HGLOBAL data = LoadResource(module, res);
  const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
  DWORD size = SizeofResource(module, res);
  BITMAPINFOHEADER header{};
  if (!ReadInfoHeader(bytes, size, &header)) return nullptr;
  if (header.biBitCount == 32) {
    if (header.biCompression != BI_RGB) return nullptr;
    HBITMAP bitmap = DibFromPacked(bytes, size, header.biWidth, header.biHeight, header.biSize);
    if (bitmap && alpha) *alpha = TRUE;
    return bitmap;
  }
  return static_cast<HBITMAP>(LoadImage(module, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

HBITMAP CTKImageManager::LoadBitmapResource(LPCTSTR name, BOOL* alpha) {
  if (alpha) *alpha = FALSE;
  HMODULE module = nullptr;
  if (!FindResourceInModules(&module, name, u"PNG") && !FindResourceInModules(&module, name, RT_BITMAP)) return nullptr;
  return LoadBitmapFromModule(module, name, alpha);
}

HBITMAP CTKImageManager::LoadBitmapFromFile(LPCTSTR path, BOOL* alpha) {
  if (alpha) *alpha = FALSE;
  CFile file;
  if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return nullptr;
  BYTE head[sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)] = {};
  UINT got = 0;
  try {
    got = file.Read(head, sizeof(head));
  } catch (CException* e) {
    e->Delete();
    return nullptr;
  }
  if (HasPngSignature(head, got)) {
    file.Close();
    CTKGraphicBitmapPng bitmap;
    if (!bitmap.LoadFromFile(path)) return nullptr;
    if (alpha) *alpha = bitmap.IsAlpha();
    return static_cast<HBITMAP>(bitmap.Detach());
  }
  file.Close();
  BOOL is32 = FALSE;
  BITMAPINFOHEADER header{};
  if (got == sizeof(head) && ReadInfoHeader(head + sizeof(BITMAPFILEHEADER), sizeof(BITMAPINFOHEADER), &header))
    is32 = header.biBitCount == 32;
  UINT flags = LR_LOADFROMFILE | LR_DEFAULTSIZE | (is32 ? LR_CREATEDIBSECTION : 0);
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImage(nullptr, path, IMAGE_BITMAP, 0, 0, flags));
  if (bitmap && alpha) *alpha = is32;
  // The platform has no picture loader behind LoadImage: what it cannot
  // read is no image.
  return bitmap;
}
