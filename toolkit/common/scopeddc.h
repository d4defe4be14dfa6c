// Scoped device-context objects: each selects a font, pen, brush or bitmap
// for one drawing scope and puts back what it replaced when it is destroyed,
// so an early return cannot leave a foreign object selected. CTKBufferDC
// adds double buffering. A null DC makes them do nothing.
#pragma once

#include "platform/base/geometry.h"
#include "platform/base/wintypes.h"
#include "platform/framework/afxgdi.h"

class CTKFontDC {
 public:
  CTKFontDC(CDC* pDC, CFont* pFont);
  CTKFontDC(CDC* pDC, CFont* pFont, COLORREF textColor);
  virtual ~CTKFontDC();
  CTKFontDC(const CTKFontDC&) = delete;
  CTKFontDC& operator=(const CTKFontDC&) = delete;

  // Nothing for a null DC or font; the font replaced first is remembered.
  void SetFont(CFont* pFont);
  // Nothing for -1 or a null DC; the colour replaced first is remembered.
  void SetColor(COLORREF textColor);
  void ReleaseFont();
  void ReleaseColor();

 protected:
  CDC* m_pDC;
  HFONT m_hOldFont = nullptr;  // null: none replaced
  COLORREF m_clrOldTextColor = static_cast<COLORREF>(-1);
};

class CTKPenDC {
 public:
  // A given pen, which the object does not own.
  CTKPenDC(CDC* pDC, CPen* pPen);
  // A solid pen one pixel wide, owned by the object.
  CTKPenDC(HDC hDC, COLORREF color);
  CTKPenDC(CDC* pDC, COLORREF color) : CTKPenDC(pDC ? pDC->GetSafeHdc() : HDC{}, color) {}
  virtual ~CTKPenDC();
  CTKPenDC(const CTKPenDC&) = delete;
  CTKPenDC& operator=(const CTKPenDC&) = delete;

  // Replaces the selected pen by a new solid one-pixel pen of the colour.
  void SetColor(COLORREF color);

 protected:
  HDC m_hDC;
  CPen m_pen;
  HGDIOBJ m_hOldPen = nullptr;
};

class CTKBrushDC {
 public:
  // A solid brush, owned by the object.
  CTKBrushDC(HDC hDC, COLORREF color);
  virtual ~CTKBrushDC();
  CTKBrushDC(const CTKBrushDC&) = delete;
  CTKBrushDC& operator=(const CTKBrushDC&) = delete;

 protected:
  HDC m_hDC;
  CBrush m_brush;
  HGDIOBJ m_hOldBrush = nullptr;
};

// A memory DC compatible with a DC (the screen for null) with a bitmap
// selected; the bitmap goes back out and the memory DC is deleted at the end.
class CTKCompatibleDC : public CDC {
 public:
  CTKCompatibleDC(CDC* pDC, CBitmap* pBitmap);
  CTKCompatibleDC(CDC* pDC, HBITMAP hBitmap);
  ~CTKCompatibleDC() override;
  CTKCompatibleDC(const CTKCompatibleDC&) = delete;
  CTKCompatibleDC& operator=(const CTKCompatibleDC&) = delete;

 protected:
  HGDIOBJ m_hOldBitmap = nullptr;
};

// Draws off screen in the destination's coordinates; the buffered rectangle
// is copied to the destination when the object ends.
class CTKBufferDC : public CDC {
 public:
  // The bitmap is rect.right x rect.bottom so that the buffer uses the
  // destination's coordinates.
  CTKBufferDC(HDC hDestDC, const CRect& rect);
  // The paint DC's invalid rectangle, the buffer clipped to it.
  explicit CTKBufferDC(CPaintDC& paintDC);
  ~CTKBufferDC() override;
  CTKBufferDC(const CTKBufferDC&) = delete;
  CTKBufferDC& operator=(const CTKBufferDC&) = delete;

  HDC GetDestinationDC() const { return m_hDestDC; }

 protected:
  void Init(int width, int height);

  HDC m_hDestDC;
  CBitmap m_bitmap;
  CRect m_rect;
  HGDIOBJ m_hOldBitmap = nullptr;
};
