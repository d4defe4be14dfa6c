// Image lists: each image is kept as premultiplied pixels plus a mask.
#include "platform/gdi/imagelist.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gdi/gdi_internal.h"

struct _IMAGELIST {
  uint32_t magic = 0x494D4C53;  // "IMLS"
  int cx = 16, cy = 16;
  UINT flags = 0;
  int grow = 4;
  COLORREF bk = CLR_NONE;
  struct Image {
    std::vector<uint32_t> color;
    std::vector<uint8_t> mask;  // 1 = transparent
    bool alpha = false;
  };
  std::vector<Image> images;
  int overlays[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  HBITMAP infoImage = nullptr, infoMask = nullptr;
  uintptr_t handle = 0;  // generation-tagged: see ImageLists
  ~_IMAGELIST() {
    if (infoImage) DeleteObject(infoImage);
    if (infoMask) DeleteObject(infoMask);
  }
};

namespace {

// Live image lists by handle, guarded by the GDI lock. An HIMAGELIST is a
// generation-tagged handle, never the list's address, so the handle of a
// destroyed list never reaches a later one.
pv::detail::HandleTable<_IMAGELIST>& ImageLists() { return pv::gdi::State().imageLists; }

HIMAGELIST Adopt(_IMAGELIST* l) {
  PV_GDI_LOCK;
  l->handle = ImageLists().Add(l);
  if (!l->handle) {
    delete l;
    return nullptr;
  }
  return reinterpret_cast<HIMAGELIST>(l->handle);
}

_IMAGELIST* L(HIMAGELIST h) {
  PV_GDI_LOCK;
  return ImageLists().Find(reinterpret_cast<uintptr_t>(h));
}

using pv::gdi::Bitmap;
using pv::gdi::GetBitmap_;

bool Has32(const _IMAGELIST* l) { return (l->flags & 0xFE) == ILC_COLOR32; }

// Cuts a strip into images; `maskOf` decides each pixel's transparency.
template <class MaskFn>
int AddStrip(_IMAGELIST* l, HBITMAP image, MaskFn maskOf) {
  Bitmap* b = GetBitmap_(image);
  if (!b) return -1;
  b->RawToPixels();
  b->Flush();
  int n = std::max(1, b->w / l->cx);
  int first = static_cast<int>(l->images.size());
  for (int k = 0; k < n; ++k) {
    _IMAGELIST::Image img;
    img.color.assign(static_cast<size_t>(l->cx) * l->cy, 0xFF000000u);
    img.mask.assign(img.color.size(), 0);
    bool partial = false, nonzero = false;
    for (int y = 0; y < l->cy && y < b->h; ++y)
      for (int x = 0; x < l->cx; ++x) {
        int sx = k * l->cx + x;
        if (sx >= b->w) continue;
        uint32_t p = b->Row(y)[sx];
        size_t i = static_cast<size_t>(y) * l->cx + x;
        img.color[i] = p;
        img.mask[i] = maskOf(sx, y, p) ? 1 : 0;
        if ((p >> 24) != 255) partial = true;
        if (p >> 24) nonzero = true;
      }
    // 32-bit lists keep per-pixel alpha when the bitmap has any.
    img.alpha = Has32(l) && b->bpp == 32 && partial && nonzero;
    if (!img.alpha)
      for (auto& p : img.color) p |= 0xFF000000u;
    if (!(l->flags & ILC_MASK) && !img.alpha) std::fill(img.mask.begin(), img.mask.end(), 0);
    l->images.push_back(std::move(img));
  }
  return first;
}

uint32_t Mix(uint32_t a, uint32_t b, int wb) {  // wb/255 of b
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) {
    uint32_t x = (a >> s) & 0xFF, y = (b >> s) & 0xFF;
    out |= ((x * (255 - wb) + y * wb + 127) / 255) << s;
  }
  return out;
}

}  // namespace

using namespace pv::gdi;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int grow) {
  if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return nullptr;
  auto* l = new _IMAGELIST();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  l->grow = std::max(grow, 1);
  return Adopt(l);
}

BOOL ImageList_Destroy(HIMAGELIST h) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l) return FALSE;
  ImageLists().Remove(l->handle);
  delete l;
  return TRUE;
}

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l) return -1;
  Bitmap* m = (l->flags & ILC_MASK) ? GetBitmap_(mask) : nullptr;
  if (m) {
    m->RawToPixels();
    m->Flush();
  }
  return AddStrip(l, image, [&](int x, int y, uint32_t) {
    if (!m || x >= m->w || y >= m->h) return false;
    return (m->Row(y)[x] & 0xFFFFFF) != 0;
  });
}

int ImageList_AddMasked(HIMAGELIST h, HBITMAP image, COLORREF key) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l) return -1;
  uint32_t k = ColorToPixel(key) & 0xFFFFFF;
  bool useMask = (l->flags & ILC_MASK) != 0;
  int first = AddStrip(l, image, [&](int, int, uint32_t p) { return useMask && (p & 0xFFFFFF) == k; });
  if (first >= 0 && useMask)
    for (size_t i = first; i < l->images.size(); ++i) {
      auto& img = l->images[i];
      // Masked pixels turn black so that the AND/XOR drawing leaves the background.
      for (size_t j = 0; j < img.color.size(); ++j)
        if (img.mask[j]) img.color[j] = 0xFF000000u;
    }
  return first;
}

int ImageList_ReplaceIcon(HIMAGELIST h, int i, HICON icon) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || i < -1 || i >= static_cast<int>(l->images.size())) return -1;
  ICONINFO ii;
  if (!GetIconInfo(icon, &ii)) return -1;
  // The icon drawn at the list's size.
  _IMAGELIST::Image img;
  HICON scaled = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, l->cx, l->cy, 0));
  Icon* ic = As<Icon>(scaled, Kind::Icon);
  if (ic) {
    img.color = ic->color;
    img.mask = ic->mask;
    img.alpha = ic->hasAlpha;
    if (img.alpha && !Has32(l)) {
      // Lists without alpha keep a mask of the visible pixels over black.
      for (size_t j = 0; j < img.color.size(); ++j) {
        img.mask[j] = (img.color[j] >> 24) < 128;
        img.color[j] = img.mask[j] ? 0xFF000000u : (img.color[j] | 0xFF000000u);
      }
      img.alpha = false;
    }
  }
  DestroyIcon(scaled);
  DeleteObject(ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (img.color.size() != static_cast<size_t>(l->cx) * l->cy) return -1;
  if (i == -1) {
    l->images.push_back(std::move(img));
    return static_cast<int>(l->images.size()) - 1;
  }
  l->images[i] = std::move(img);
  return i;
}

BOOL ImageList_Replace(HIMAGELIST h, int i, HBITMAP image, HBITMAP mask) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || i < 0 || i >= static_cast<int>(l->images.size())) return FALSE;
  size_t before = l->images.size();
  if (ImageList_Add(h, image, mask) < 0) return FALSE;
  l->images[i] = std::move(l->images[before]);
  l->images.resize(before);
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST h, int i) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l) return FALSE;
  if (i == -1) {
    l->images.clear();
    return TRUE;
  }
  if (i < 0 || i >= static_cast<int>(l->images.size())) return FALSE;
  l->images.erase(l->images.begin() + i);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST h) {
  _IMAGELIST* l = L(h);
  return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST h, UINT n) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || n > 100000) return FALSE;
  _IMAGELIST::Image blank;
  blank.color.assign(static_cast<size_t>(l->cx) * l->cy, 0xFF000000u);
  blank.mask.assign(blank.color.size(), 0);
  l->images.resize(n, blank);
  return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy) {
  _IMAGELIST* l = L(h);
  if (!l || !cx || !cy) return FALSE;
  *cx = l->cx;
  *cy = l->cy;
  return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST h, int cx, int cy) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || cx <= 0 || cy <= 0) return FALSE;
  l->cx = cx;
  l->cy = cy;
  l->images.clear();
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST h, COLORREF bk) {
  _IMAGELIST* l = L(h);
  if (!l) return CLR_NONE;
  COLORREF old = l->bk;
  l->bk = bk;
  return old;
}
COLORREF ImageList_GetBkColor(HIMAGELIST h) {
  _IMAGELIST* l = L(h);
  return l ? l->bk : CLR_NONE;
}
UINT ImageList_GetFlags(HIMAGELIST h) {
  _IMAGELIST* l = L(h);
  return l ? l->flags : 0;
}

BOOL ImageList_SetOverlayImage(HIMAGELIST h, int image, int overlay) {
  _IMAGELIST* l = L(h);
  if (!l || overlay < 1 || overlay > 15) return FALSE;
  l->overlays[overlay] = image;
  return TRUE;
}

static BOOL DrawImage(_IMAGELIST* l, int i, HDC hdc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg, UINT style,
                      bool overlay) {
  if (i < 0 || i >= static_cast<int>(l->images.size())) return FALSE;
  const auto& img = l->images[i];
  int w = dx > 0 ? std::min(dx, l->cx) : l->cx, h = dy > 0 ? std::min(dy, l->cy) : l->cy;
  if (bk == CLR_DEFAULT) bk = l->bk;
  bool transparent = (style & ILD_TRANSPARENT) || bk == CLR_NONE || overlay;
  int blend = (style & ILD_BLEND50) ? 128 : (style & ILD_BLEND25) ? 64 : 0;
  if (fg == CLR_DEFAULT || fg == CLR_NONE) fg = GetSysColor(COLOR_HIGHLIGHT);
  // The picture to put down, as premultiplied pixels over transparency.
  std::vector<uint32_t> out(static_cast<size_t>(w) * h);
  uint32_t fgPix = ColorToPixel(fg), bkPix = ColorToPixel(bk == CLR_NONE ? 0 : bk);
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) {
      size_t s = static_cast<size_t>(yy) * l->cx + xx;
      uint32_t p = img.color[s];
      bool masked = img.mask[s] != 0;
      if (style & ILD_MASK) {
        // The mask itself: black where the image is, white where it is transparent.
        bool clear = img.alpha ? (p >> 24) == 0 : masked;
        p = clear ? 0xFFFFFFFFu : 0xFF000000u;
      } else if (style & ILD_IMAGE) {
        p |= 0xFF000000u;
      } else {
        if (masked && !img.alpha) p = 0;
        if (blend && (p >> 24)) {
          uint32_t a = p >> 24;
          uint32_t f = (a << 24) | (((fgPix >> 16 & 0xFF) * a / 255) << 16) | (((fgPix >> 8 & 0xFF) * a / 255) << 8) |
                       ((fgPix & 0xFF) * a / 255);
          p = Mix(p, f, blend);
        }
        if (!transparent) {
          // Over the list's background colour.
          uint32_t a = p >> 24;
          uint32_t base = bkPix;
          uint32_t r = 0;
          for (int sh = 0; sh < 24; sh += 8)
            r |= std::min<uint32_t>(255, ((p >> sh) & 0xFF) + (((base >> sh) & 0xFF) * (255 - a) + 127) / 255) << sh;
          p = 0xFF000000u | r;
        }
      }
      out[static_cast<size_t>(yy) * w + xx] = p;
    }
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::memcpy(bits, out.data(), out.size() * 4);
  GdiMarkDirty(bmp);
  HDC mem = CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(mem, bmp);
  if (style & (ILD_MASK | ILD_IMAGE)) BitBlt(hdc, x, y, w, h, mem, 0, 0, SRCCOPY);
  else AlphaBlend(hdc, x, y, w, h, mem, 0, 0, w, h, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  int ov = static_cast<int>((style & ILD_OVERLAYMASK) >> 8);
  if (ov && !overlay && l->overlays[ov] >= 0)
    DrawImage(l, l->overlays[ov], hdc, x, y, dx, dy, CLR_NONE, fg, ILD_TRANSPARENT, true);
  return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST h, int i, HDC hdc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || !GetDC_(hdc)) return FALSE;
  return DrawImage(l, i, hdc, x, y, dx, dy, bk, fg, style, false);
}

BOOL ImageList_Draw(HIMAGELIST h, int i, HDC hdc, int x, int y, UINT style) {
  return ImageList_DrawEx(h, i, hdc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawIndirect(IMAGELISTDRAWPARAMS* p) {
  if (!p) return FALSE;
  return ImageList_DrawEx(p->himl, p->i, p->hdcDst, p->x, p->y, p->cx, p->cy, p->rgbBk, p->rgbFg, p->fStyle);
}

HICON ImageList_GetIcon(HIMAGELIST h, int i, UINT) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || i < 0 || i >= static_cast<int>(l->images.size())) return nullptr;
  const auto& img = l->images[i];
  auto* ic = new Icon();
  ic->w = l->cx;
  ic->h = l->cy;
  ic->xHot = l->cx / 2;
  ic->yHot = l->cy / 2;
  ic->color = img.color;
  ic->mask = img.mask;
  ic->hasAlpha = img.alpha;
  Register(ic);
  return HandleOf<HICON>(ic);
}

BOOL ImageList_GetImageInfo(HIMAGELIST h, int i, IMAGEINFO* info) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l || !info || i < 0 || i >= static_cast<int>(l->images.size())) return FALSE;
  if (l->infoImage) DeleteObject(l->infoImage);
  if (l->infoMask) DeleteObject(l->infoMask);
  int n = static_cast<int>(l->images.size());
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), l->cx * n, -l->cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits;
  l->infoImage = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  l->infoMask = CreateBitmap(l->cx * n, l->cy, 1, 1, nullptr);
  Bitmap* ib = GetBitmap_(l->infoImage);
  Bitmap* mb = GetBitmap_(l->infoMask);
  for (int k = 0; k < n; ++k)
    for (int y = 0; y < l->cy; ++y)
      for (int x = 0; x < l->cx; ++x) {
        size_t s = static_cast<size_t>(y) * l->cx + x;
        ib->Row(y)[k * l->cx + x] = l->images[k].color[s];
        mb->Row(y)[k * l->cx + x] = l->images[k].mask[s] ? 0xFFFFFFFFu : 0xFF000000u;
      }
  ib->Dirty();
  mb->Dirty();
  info->hbmImage = l->infoImage;
  info->hbmMask = (l->flags & ILC_MASK) ? l->infoMask : nullptr;
  info->Unused1 = info->Unused2 = 0;
  info->rcImage = RECT{i * l->cx, 0, (i + 1) * l->cx, l->cy};
  return TRUE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST h) {
  PV_GDI_LOCK;
  _IMAGELIST* l = L(h);
  if (!l) return nullptr;
  auto* c = new _IMAGELIST();
  c->cx = l->cx;
  c->cy = l->cy;
  c->flags = l->flags;
  c->grow = l->grow;
  c->bk = l->bk;
  c->images = l->images;
  std::copy(std::begin(l->overlays), std::end(l->overlays), c->overlays);
  return Adopt(c);
}

HIMAGELIST ImageList_LoadImage(HINSTANCE inst, LPCWSTR bitmap, int cx, int grow, COLORREF mask, UINT type, UINT flags) {
  if (type != IMAGE_BITMAP) return nullptr;
  HBITMAP bmp = static_cast<HBITMAP>(LoadImage(inst, bitmap, IMAGE_BITMAP, 0, 0, flags | LR_CREATEDIBSECTION));
  if (!bmp) return nullptr;
  BITMAP bm;
  GetObject(bmp, sizeof bm, &bm);
  if (cx <= 0) cx = bm.bmHeight;
  HIMAGELIST h = ImageList_Create(cx, bm.bmHeight, (mask != CLR_NONE ? ILC_MASK : 0) | ILC_COLOR32, 0, grow);
  if (h) {
    if (mask != CLR_NONE) ImageList_AddMasked(h, bmp, mask);
    else ImageList_Add(h, bmp, nullptr);
  }
  DeleteObject(bmp);
  return h;
}

// ---- CImageList -------------------------------------------------------------------------------------
BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  DeleteImageList();
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr;
}
BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask) {
  return Create(MAKEINTRESOURCE(bitmapId), cx, grow, mask);
}
BOOL CImageList::Create(LPCWSTR name, int cx, int grow, COLORREF mask) {
  DeleteImageList();
  m_hImageList = ImageList_LoadImage(nullptr, name, cx, grow, mask, IMAGE_BITMAP, 0);
  return m_hImageList != nullptr;
}
BOOL CImageList::Create(CImageList* other) {
  DeleteImageList();
  if (!other) return FALSE;
  m_hImageList = ImageList_Duplicate(other->m_hImageList);
  return m_hImageList != nullptr;
}
BOOL CImageList::Attach(HIMAGELIST h) {
  if (!h) return FALSE;
  DeleteImageList();
  m_hImageList = h;
  return TRUE;
}
HIMAGELIST CImageList::Detach() {
  HIMAGELIST h = m_hImageList;
  m_hImageList = nullptr;
  return h;
}
BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return TRUE;
}
