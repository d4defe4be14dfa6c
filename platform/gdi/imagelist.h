// Image lists: equally sized images with masks or per-pixel alpha, drawn
// with the ILD_* styles; and the framework's CImageList over them.
#pragma once

#include "platform/gdi/wingdi.h"

#define ILC_MASK 0x00000001u
#define ILC_COLOR 0x00000000u
#define ILC_COLORDDB 0x000000FEu
#define ILC_COLOR4 0x00000004u
#define ILC_COLOR8 0x00000008u
#define ILC_COLOR16 0x00000010u
#define ILC_COLOR24 0x00000018u
#define ILC_COLOR32 0x00000020u
#define ILC_MIRROR 0x00002000u

#define ILD_NORMAL 0x00000000u
#define ILD_TRANSPARENT 0x00000001u
#define ILD_BLEND25 0x00000002u
#define ILD_FOCUS ILD_BLEND25
#define ILD_BLEND50 0x00000004u
#define ILD_SELECTED ILD_BLEND50
#define ILD_BLEND ILD_BLEND50
#define ILD_MASK 0x00000010u
#define ILD_IMAGE 0x00000020u
#define ILD_ROP 0x00000040u
#define ILD_OVERLAYMASK 0x00000F00u
#define ILD_PRESERVEALPHA 0x00001000u
#define ILD_SCALE 0x00002000u
#define ILD_DPISCALE 0x00004000u
#define INDEXTOOVERLAYMASK(i) ((i) << 8)

struct IMAGEINFO {
  HBITMAP hbmImage;
  HBITMAP hbmMask;
  int Unused1;
  int Unused2;
  RECT rcImage;
};

struct IMAGELISTDRAWPARAMS {
  DWORD cbSize;
  HIMAGELIST himl;
  int i;
  HDC hdcDst;
  int x, y, cx, cy, xBitmap, yBitmap;
  COLORREF rgbBk, rgbFg;
  UINT fStyle;
  DWORD dwRop;
  DWORD fState;
  DWORD Frame;
  COLORREF crEffect;
};

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST himl);
// Adds every image of a strip bitmap (its width in multiples of cx); the
// mask (monochrome, 1 = transparent) is used when the list has ILC_MASK.
// Returns the index of the first new image, -1 on failure.
int ImageList_Add(HIMAGELIST himl, HBITMAP image, HBITMAP mask);
// As Add, the mask made from the pixels of colour `maskColor`.
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP image, COLORREF maskColor);
// Replaces image i (i == -1 appends) with an icon; returns its index or -1.
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON icon);
inline int ImageList_AddIcon(HIMAGELIST himl, HICON icon) { return ImageList_ReplaceIcon(himl, -1, icon); }
BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP image, HBITMAP mask);
// i == -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST himl, int i);
inline BOOL ImageList_RemoveAll(HIMAGELIST himl) { return ImageList_Remove(himl, -1); }
int ImageList_GetImageCount(HIMAGELIST himl);
BOOL ImageList_SetImageCount(HIMAGELIST himl, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// Changes the size and removes every image.
BOOL ImageList_SetIconSize(HIMAGELIST himl, int cx, int cy);
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF bk);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int image, int overlay);
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdc, int x, int y, UINT style);
// dx, dy: the part of the image drawn (0: all); bk: CLR_DEFAULT for the
// list's colour, CLR_NONE for transparent; fg: the blend colour
// (CLR_DEFAULT: the highlight colour).
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style);
BOOL ImageList_DrawIndirect(IMAGELISTDRAWPARAMS* params);
HICON ImageList_GetIcon(HIMAGELIST himl, int i, UINT flags);
// The list's own strip bitmaps (valid until the next call or the list's end).
BOOL ImageList_GetImageInfo(HIMAGELIST himl, int i, IMAGEINFO* info);
HIMAGELIST ImageList_Duplicate(HIMAGELIST himl);
UINT ImageList_GetFlags(HIMAGELIST himl);
HIMAGELIST ImageList_LoadImage(HINSTANCE inst, LPCWSTR bitmap, int cx, int grow, COLORREF mask, UINT type, UINT flags);

// The framework's wrapper, owning its list unless detached.
class CImageList {
 public:
  HIMAGELIST m_hImageList = nullptr;

  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  operator HIMAGELIST() const { return m_hImageList; }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }

  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  // A strip bitmap resource cut in cx-wide images, masked by colour.
  BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
  BOOL Create(LPCWSTR bitmapName, int cx, int grow, COLORREF mask);
  BOOL Create(CImageList* other);
  BOOL Attach(HIMAGELIST himl);
  HIMAGELIST Detach();
  BOOL DeleteImageList();

  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  BOOL SetImageCount(UINT n) { return ImageList_SetImageCount(m_hImageList, n); }
  COLORREF SetBkColor(COLORREF c) { return ImageList_SetBkColor(m_hImageList, c); }
  COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }
  BOOL GetImageInfo(int i, IMAGEINFO* info) const { return ImageList_GetImageInfo(m_hImageList, i, info); }
  int Add(HBITMAP image, HBITMAP mask) { return ImageList_Add(m_hImageList, image, mask); }
  int Add(HBITMAP image, COLORREF mask) { return ImageList_AddMasked(m_hImageList, image, mask); }
  int Add(HICON icon) { return ImageList_ReplaceIcon(m_hImageList, -1, icon); }
  BOOL Remove(int i) { return ImageList_Remove(m_hImageList, i); }
  BOOL Replace(int i, HBITMAP image, HBITMAP mask) { return ImageList_Replace(m_hImageList, i, image, mask); }
  int Replace(int i, HICON icon) { return ImageList_ReplaceIcon(m_hImageList, i, icon); }
  HICON ExtractIcon(int i) { return ImageList_GetIcon(m_hImageList, i, ILD_NORMAL); }
  BOOL Draw(HDC hdc, int i, POINT pt, UINT style) { return ImageList_Draw(m_hImageList, i, hdc, pt.x, pt.y, style); }
  BOOL DrawEx(HDC hdc, int i, POINT pt, SIZE sz, COLORREF bk, COLORREF fg, UINT style) {
    return ImageList_DrawEx(m_hImageList, i, hdc, pt.x, pt.y, sz.cx, sz.cy, bk, fg, style);
  }
  BOOL DrawIndirect(IMAGELISTDRAWPARAMS* p) { return ImageList_DrawIndirect(p); }
  BOOL SetOverlayImage(int image, int overlay) { return ImageList_SetOverlayImage(m_hImageList, image, overlay); }
};
