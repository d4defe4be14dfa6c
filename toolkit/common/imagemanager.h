// The toolkit's store of command images: a command id maps to an icon set,
// a width to an icon, and an icon holds the images of one command at one
// size in its drawing states (normal, disabled, hot, checked, pressed) plus
// three it generates (faded, shadow, disabled). One process-wide manager
// serves by default; controls may own private ones.
//
// The static members are the toolkit's pixel operations, blits and image
// loaders.
#pragma once

#include <map>

#include "platform/base/cmdtarget.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "toolkit/common/imagehandle.h"

class CArchive;
class CBitmap;
class CImageList;
class CTKPropExchange;
class CTKImageManagerIconSet;
class CTKImageManager;

// Image states of SetIcon and GetImage.
enum TKImageState {
  tkImageNormal = 0,
  tkImageDisabled = 1,
  tkImageHot = 2,
  tkImageChecked = 3,
  tkImagePressed = 4,
};

class CTKImageManagerIcon : public CCmdTarget {
 public:
  CTKImageManagerIcon(UINT id, int width, int height, CTKImageManagerIconSet* iconSet);
  ~CTKImageManagerIcon() override;

  UINT GetID() const { return m_nID; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  CSize GetExtent() const;
  BOOL IsAlpha() const;

  CTKImageHandle& GetNormalImage() { return m_arrImages[kNormal]; }
  CTKImageHandle& GetHotImage();
  CTKImageHandle& GetCheckedImage();
  CTKImageHandle& GetPressedImage();
  CTKImageHandle& GetDisabledImage(BOOL generate = TRUE);
  CTKImageHandle& GetFadedImage();
  CTKImageHandle& GetShadowImage();
  CTKImageHandle& GetImage(int state);
  BOOL HasDisabledImage() const;

  // Slot 7 when empty: two-colour mode when neither colour is -1, else grey.
  void CreateDisabledImage(COLORREF light = static_cast<COLORREF>(-1), COLORREF dark = static_cast<COLORREF>(-1));
  void CreateFadedImage();
  void CreateShadowImage();

  // A zero width means the icon's width; a zero height keeps the icon's
  // proportions. The colours and flags do not change how a handle draws.
  void Draw(CDC* pDC, CPoint pt, CTKImageHandle& image, CSize size = CSize(0, 0),
            COLORREF back = static_cast<COLORREF>(-1), COLORREF fore = static_cast<COLORREF>(-1), UINT flags = 0);
  void DrawNormal(CDC* pDC, CPoint pt, CSize size) { Draw(pDC, pt, GetNormalImage(), size); }
  void DrawNormalAt(CDC* pDC, CPoint pt) { Draw(pDC, pt, GetNormalImage(), CSize(m_nWidth, m_nHeight)); }
  // A one-colour silhouette of the image.
  void DrawMono(CDC* pDC, CPoint pt, CTKImageHandle& image, CSize size, COLORREF color);
  void DrawMono(CDC* pDC, CPoint pt, CSize size, COLORREF color) { DrawMono(pDC, pt, GetNormalImage(), size, color); }

  void SetNormalIcon(CTKImageHandle& image);
  void SetDisabledIcon(CTKImageHandle& image);
  void SetHotIcon(CTKImageHandle& image);
  void SetCheckedIcon(CTKImageHandle& image);
  void SetPressedIcon(CTKImageHandle& image);

  // Drops the faded, shadow and generated disabled images.
  void Refresh();
  // Empties all eight images.
  void Clear();

  // The "Data" blob of the stored form.
  void Serialize(CArchive& ar) override;

  // Slots of m_arrImages.
  enum {
    kNormal = 0,
    kFaded = 1,
    kShadow = 2,
    kHot = 3,
    kChecked = 4,
    kPressed = 5,
    kDisabled = 6,
    kDisabledGenerated = 7,
    kImageCount = 8
  };

  BOOL m_bDrawComposited = FALSE;
  UINT m_nID;
  int m_nWidth;
  int m_nHeight;
  CTKImageHandle m_arrImages[kImageCount];
  CTKImageManagerIconSet* m_pIconSet;

 protected:
  void SetImage(int slot, CTKImageHandle& image);
  CTKImageManager* GetImageManager() const;
};

class CTKImageManagerIconSet : public CCmdTarget {
 public:
  CTKImageManagerIconSet(UINT id, CTKImageManager* manager);
  ~CTKImageManagerIconSet() override;

  // Width 0: the smallest stored width; 1: the largest; else the exact
  // width, or with `nearest` the closest one (the smaller width at a tie).
  CTKImageManagerIcon* GetIcon(UINT width, BOOL nearest = TRUE);
  CTKImageManagerIcon* GetOrCreateIcon(UINT width);

  void SetIcon(CTKImageHandle& image, UINT width);
  void SetDisabledIcon(CTKImageHandle& image, UINT width);
  void SetHotIcon(CTKImageHandle& image, UINT width);
  void SetCheckedIcon(CTKImageHandle& image, UINT width);
  void SetPressedIcon(CTKImageHandle& image, UINT width);

  void RemoveAll();
  void RefreshAll();

  UINT GetID() const { return m_nID; }
  CTKImageManager* GetImageManager() const { return m_pImageManager; }
  // Icons by width, in ascending width order.
  const std::map<UINT, CTKImageManagerIcon*>& GetIcons() const { return m_mapIcons; }

 protected:
  std::map<UINT, CTKImageManagerIcon*> m_mapIcons;
  UINT m_nID;
  CTKImageManager* m_pImageManager;

  friend class CTKImageManager;
};

class CTKImageManager : public CCmdTarget {
  DECLARE_DYNAMIC(CTKImageManager)
 public:
  CTKImageManager();
  ~CTKImageManager() override;

  static CTKImageManager* GetDefault();

  // ---- storing images --------------------------------------------------------------
  BOOL SetIcon(CTKImageHandle& image, UINT id, int width = 0, int height = 0, int state = tkImageNormal);
  // An icon handle (not taken over) as the normal image of `id` at its own size.
  BOOL SetIcon(HICON icon, UINT id, CSize size = CSize(0, 0), int state = tkImageNormal);
  BOOL SetIconFromResource(LPCTSTR name, UINT id, int width, int height, int state = tkImageNormal);
  BOOL SetIconFromResourceId(UINT resourceId, UINT id, int width, int height, int state = tkImageNormal);
  BOOL SetIconsFromIcoFile(LPCTSTR path, UINT id, CSize size, int state = tkImageNormal);
  BOOL SetIconsFromImageList(CImageList* imageList, const UINT* ids, int count, int width, int height,
                             int state = tkImageNormal);
  BOOL SetIconsFromImageList(CImageList* imageList, const UINT* ids, int count, CSize size, int state = tkImageNormal) {
    return SetIconsFromImageList(imageList, ids, count, size.cx, size.cy, state);
  }
  BOOL SetIconsFromBitmap(HBITMAP bitmap, const UINT* ids, int count, int width, int height, int state, BOOL alpha);
  BOOL SetIconsFromBitmap(CBitmap* bitmap, const UINT* ids, int count, CSize size, int state, BOOL alpha);
  BOOL SetIconsFromBitmapName(LPCTSTR name, const UINT* ids, int count, int width, int height,
                              int state = tkImageNormal);
  BOOL SetIconsFromBitmapResource(UINT resourceId, const UINT* ids, int count, int width, int height,
                                  int state = tkImageNormal);
  BOOL SetIconsFromBitmapResource(UINT resourceId, const UINT* ids, int count, CSize size, int state = tkImageNormal) {
    return SetIconsFromBitmapResource(resourceId, ids, count, size.cx, size.cy, state);
  }
  BOOL SetIconsFromToolBar(UINT toolBarId, UINT bitmapId, int state = tkImageNormal);
  BOOL SetIconsFromToolBarResource(UINT toolBarId, int state = tkImageNormal) {
    return SetIconsFromToolBar(toolBarId, toolBarId, state);
  }

  // ---- looking up ----------------------------------------------------------------------
  CTKImageManagerIcon* LookupIcon(UINT id, int width = 16);
  BOOL HasIcon(UINT id, int width);
  CTKImageManagerIconSet* GetIconSet(UINT id) const;
  const std::map<UINT, CTKImageManagerIconSet*>& GetIconSets() const { return m_mapIcons; }

  COLORREF SetMaskColor(COLORREF color);
  COLORREF GetMaskColor() const { return m_clrMask; }
  void ResetGeneratedImages();
  void RemoveAll();

  // The sheet of images of that size, made empty when there is none.
  CTKImageManagerResource* GetResource(int width, int height);
  // TRUE when icons are drawn mirrored on this DC (draw-mirrored mode).
  BOOL IsDrawMirrored(HDC hdc) const;

  // ---- stored form ------------------------------------------------------------------------
  void Serialize(CArchive& ar) override;
  void DoPropExchange(CTKPropExchange* px);
  void ExchangeIconSet(UINT id, CTKPropExchange* px);

  // ---- pixel operations and loaders -------------------------------------------------------
  // A 32-bit BI_RGB DIB section of exactly that size: a positive height is
  // bottom-up, a negative one top-down.
  static HBITMAP CreateDIB32(HDC hdc, int width, int height, LPBYTE* bits);
  // A new DIB section with the same 32-bit pixels; null when not 32 bits.
  static HBITMAP CopyAlphaBitmap(HBITMAP bitmap, LPBYTE* bits = nullptr);
  // A bottom-up DIB copy with colour premultiplied by alpha; *hasAlpha tells
  // whether any pixel has non-zero alpha. Null when not 32 bits.
  static HBITMAP PreMultiplyAlphaBitmap(HBITMAP bitmap, BOOL* hasAlpha = nullptr, LPBYTE* bits = nullptr);
  // n pieces of width / n pixels from a 32-bit strip; all or none.
  static BOOL SplitBitmap(HBITMAP bitmap, int n, HBITMAP* pieces);
  static CSize GetIconSize(HICON icon);
  static BOOL IsAlphaIcon(HICON icon);
  static HICON ScaleIcon(HICON icon, int fromWidth, int fromHeight, int toWidth);
  static HICON ScaleIcon(HICON icon, CSize from, int toWidth) { return ScaleIcon(icon, from.cx, from.cy, toWidth); }
  static BOOL DisableArea(HDC hdc, const RECT& rc, COLORREF light, COLORREF dark);
  static BOOL DisableArea(CDC* pDC, const RECT& rc, COLORREF light, COLORREF dark);
  static BOOL AlphaBlendDC(HDC hdc, const RECT& dest, HDC src, const RECT& source, BYTE alpha);
  static BOOL AlphaBlendDC(CDC* pDC, const RECT& dest, CDC* pSrc, const RECT& source, BYTE alpha);
  // A source size of 0 x 0 means the destination size.
  static BOOL AlphaBlendBitmap(HDC hdc, HBITMAP bitmap, int x, int y, int cx, int cy, int srcX, int srcY, int srcW,
                               int srcH);
  static BOOL AlphaBlendBitmap(CDC* pDC, HBITMAP bitmap, CPoint pt, CSize size, const RECT& source);
  static BOOL AlphaBlendBitmap(CDC* pDC, HBITMAP bitmap, int x, int y, int cx, int cy, const RECT& source) {
    return AlphaBlendBitmap(pDC, bitmap, CPoint(x, y), CSize(cx, cy), source);
  }
  static void AlphaDrawIcon(HDC hdc, int x, int y, int cx, int cy, HICON icon);
  static HBITMAP LoadBitmapResource(LPCTSTR name, BOOL* alpha);
  static HBITMAP LoadBitmapFromModule(HMODULE module, LPCTSTR name, BOOL* alpha);
  static HBITMAP LoadBitmapFromFile(LPCTSTR path, BOOL* alpha);
  // The software blend behind AlphaBlend and AlphaBlendDC: colour
  // channels are clamped, so non-premultiplied input cannot wrap round, and
  // the constant alpha scales the source.
  static BOOL AlphaBlendSoftware(HDC hdc, const RECT& dest, HDC src, const RECT& source, BYTE alpha, BOOL perPixel);

  // Per-pixel alpha blend of a premultiplied source (the software routine
  // when the platform's blend refuses the call).
  BOOL AlphaBlend(HDC hdc, const RECT& dest, HDC src, const RECT& source);
  // A blit in which the key colour stays transparent.
  BOOL TransparentBlt(HDC hdc, const RECT& dest, HDC src, const RECT& source, COLORREF key);

  // ---- fields ---------------------------------------------------------------------------------
  BOOL m_bUseResources = TRUE;
  COLORREF m_clrMask = static_cast<COLORREF>(-1);
  std::map<UINT, CTKImageManagerIconSet*> m_mapIcons;
  std::map<DWORD, CTKImageManagerResource*> m_mapResources;
  int m_nDrawMirrored = 2;

  static constexpr UINT kSkipId = 0xDEADBEAF;

 protected:
  BOOL StoreIconHandle(HICON icon, UINT id, int width, int height, int state);
  // TRUE when the icon of the width holds the image of the state; else the
  // icon (and set) just made for it are removed.
  BOOL Stored(CTKImageManagerIconSet* set, UINT width, int state, bool newIcon, bool newSet);
  void SerializeImages(CArchive& ar);
};
