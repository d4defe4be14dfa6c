// Single command images and the shared image sheets under the image
// manager. An image handle holds an icon, a 32-bit bitmap or a slot in a
// sheet; a sheet keeps every image of one size side by side in one 32-bit
// colour DIB and one monochrome mask, so hundreds of command images cost
// two bitmaps and one memory DC.
//
// 32-bit images are BI_RGB DIBs (blue, green, red, alpha bytes). Sheets and
// per-pixel alpha drawing hold premultiplied colour. Sheet DIBs are
// top-down (CTKImageManager::CreateDIB32 with a negative height), so they
// can grow downwards with their slots in place.
#pragma once

#include <vector>

#include "platform/base/geometry.h"
#include "platform/base/threads.h"
#include "platform/base/wintypes.h"

class CDC;
class CTKImageManager;
class CTKImageManagerResource;

// One slot of a sheet.
struct TK_IMAGERESOURCE_INFO {
  BOOL bAlpha = FALSE;  // premultiplied pixels; else an icon as colour plus mask
  CRect rcImage;        // the slot's place in the sheet, one image size
  CTKImageManagerResource* pResource = nullptr;
};

class CTKImageHandle {
 public:
  CTKImageHandle() = default;
  // Wraps a caller's icon or bitmap without owning it.
  CTKImageHandle(HICON icon, BOOL shareable);
  explicit CTKImageHandle(HBITMAP bitmap);
  ~CTKImageHandle() { Clear(); }
  CTKImageHandle(const CTKImageHandle&) = delete;
  CTKImageHandle& operator=(const CTKImageHandle&) = delete;

  // Clear, then hold the handle as owned and take its size.
  void SetIcon(HICON icon);
  // `premultipliedBits`: the pixels of a DIB section known to hold
  // premultiplied colour (null: made premultiplied on first use).
  void SetBitmap(HBITMAP bitmap, LPBYTE premultipliedBits = nullptr);

  BOOL IsEmpty() const;
  BOOL IsAlpha() const;
  CSize GetExtent() const { return CSize(m_nWidth, m_nHeight); }
  HICON GetIcon() const { return m_hIcon; }
  // The bitmap, or for a slot the sheet's colour bitmap.
  HBITMAP GetBitmap() const;
  TK_IMAGERESOURCE_INFO* GetResourceInfo() const { return m_pRInfo; }
  BOOL IsOwner() const { return m_bOwn; }

  // The premultiplied pixels of the bitmap; on first use the handle swaps
  // its bitmap for a premultiplied DIB copy. Null without a bitmap.
  LPBYTE GetBitmapBits();

  // A copy of `source`: private, or into the sheet of its size when the
  // target's image manager uses sheets and the source is shareable.
  void CopyFrom(CTKImageHandle& source);
  // Destroys what an owning handle holds; size, manager and shareable flag stay.
  void Clear();

  void Draw(CDC* pDC, CPoint pt, CSize size, BOOL composited = FALSE);

  // An icon resource of the size into the handle (Clear first). With
  // useGroup an icon-group resource of the name is searched from its last
  // entry for one of the size.
  BOOL LoadIconResource(HMODULE module, LPCTSTR name, int width, int height, BOOL useGroup = TRUE);
  BOOL LoadIconResource(LPCTSTR name, int width, int height, BOOL useGroup = TRUE);
  // One image of an icon resource or .ico file (a DIB with its mask, or a
  // PNG): a 32-bit image becomes an owned alpha bitmap (straight alpha),
  // any other an owned icon of the size. Headers are checked against `size`.
  BOOL SetFromIconBits(const BYTE* bits, DWORD size, int width, int height);

  void SetImageManager(CTKImageManager* manager) { m_pImageManager = manager; }
  CTKImageManager* GetImageManager() const { return m_pImageManager; }
  BOOL IsShareable() const { return m_bUseResources; }
  void SetShareable(BOOL shareable) { m_bUseResources = shareable; }

 protected:
  void UpdateSize();
  void CopyPrivate(CTKImageHandle& source);

  HICON m_hIcon = nullptr;
  HBITMAP m_hBitmap = nullptr;
  LPBYTE m_pBits = nullptr;
  BOOL m_bOwn = FALSE;
  CTKImageManager* m_pImageManager = nullptr;
  TK_IMAGERESOURCE_INFO* m_pRInfo = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  BOOL m_bUseResources = TRUE;

  friend class CTKImageManagerResource;
};

// A sheet of same-sized images, in rows of at most kMaxSheetWidth pixels.
// Its bitmaps grow by doubling the slots they hold, so adding n images
// copies O(n) pixels; slots keep their place as the sheet grows.
class CTKImageManagerResource {
 public:
  CTKImageManagerResource(CTKImageManager* manager, CSize imageSize);
  ~CTKImageManagerResource();
  CTKImageManagerResource(const CTKImageManagerResource&) = delete;
  CTKImageManagerResource& operator=(const CTKImageManagerResource&) = delete;

  // The slot now holding a copy of `image`, or null (wrong size, no icon or
  // bitmap, no memory).
  TK_IMAGERESOURCE_INFO* Add(CTKImageHandle& image);
  // Callers hold the sheet's lock (Add does).
  TK_IMAGERESOURCE_INFO* AllocImage();
  void FreeImage(TK_IMAGERESOURCE_INFO* slot);
  void Clear();
  // The slot's image as a private owned bitmap (alpha) or icon.
  void ExtractImage(TK_IMAGERESOURCE_INFO* slot, CTKImageHandle& handle);
  void Draw(CDC* pDC, TK_IMAGERESOURCE_INFO* slot, CPoint pt, CSize size, BOOL composited);
  void DrawComposited(CDC* pDC, TK_IMAGERESOURCE_INFO* slot, CPoint pt, CSize size);

  CSize GetImageSize() const { return CSize(m_nImageWidth, m_nImageHeight); }
  // Image width x the slots handed out (used or free).
  int GetTotalWidth() const { return m_nAllocWidth; }
  // The slots the bitmaps hold, and the most a sheet of this size can.
  int GetCapacity() const { return m_nCapacity; }
  int MaxSlots() const;
  // Tests: caps the slots of this sheet (0: only the bitmap size does), so
  // that a full sheet takes a few images instead of hundreds of megabytes.
  void SetSlotLimitForTesting(int limit) { m_nSlotLimitForTesting = limit; }
  CSize GetSheetSize() const { return m_sizeSheet; }

  static constexpr int kMaxSheetWidth = 2048;
  // The platform's largest bitmap side.
  static constexpr int kMaxSheetSide = 32767;
  int GetUsedCount() const { return static_cast<int>(m_arrUsed.size()); }
  int GetFreeCount() const { return static_cast<int>(m_arrFree.size()); }
  HBITMAP GetColorBitmap() const { return m_hbmImage; }
  HBITMAP GetMaskBitmap() const { return m_hbmMask; }

  // A memory DC that remembers the bitmap it displaced and puts it back
  // when a null bitmap is selected and on destruction.
  class CBitmapDC {
   public:
    CBitmapDC();
    ~CBitmapDC();
    CBitmapDC(const CBitmapDC&) = delete;
    CBitmapDC& operator=(const CBitmapDC&) = delete;
    void SetBitmap(HBITMAP bitmap);
    HDC GetSafeHdc() const { return m_hDC; }

   private:
    HDC m_hDC = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
  };

 protected:
  void DrawMasked(HDC hdc, TK_IMAGERESOURCE_INFO* slot, CPoint pt, CSize size);
  int SlotsPerRow() const;
  CSize SheetSizeFor(int capacity) const;
  // Doubles the slots the bitmaps hold (at most MaxSlots); FALSE when full
  // or out of memory.
  BOOL Grow();

  HBITMAP m_hbmImage = nullptr;
  HBITMAP m_hbmMask = nullptr;
  CBitmapDC m_dc;
  LPBYTE m_pBits = nullptr;
  CTKImageManager* m_pImageManager;
  int m_nImageWidth;
  int m_nImageHeight;
  int m_nAllocWidth = 0;
  int m_nCapacity = 0;
  int m_nSlotLimitForTesting = 0;
  CSize m_sizeSheet{0, 0};  // the bitmaps' size; the colour DIB is top-down
  std::vector<TK_IMAGERESOURCE_INFO*> m_arrUsed;
  std::vector<TK_IMAGERESOURCE_INFO*> m_arrFree;
  CCriticalSection m_cs;
};
