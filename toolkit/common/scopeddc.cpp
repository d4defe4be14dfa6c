#include "toolkit/common/scopeddc.h"

#include <algorithm>

// ---- fonts and text colour -----------------------------------------------------------------------

CTKFontDC::CTKFontDC(CDC* pDC, CFont* pFont) : m_pDC(pDC) { SetFont(pFont); }

CTKFontDC::CTKFontDC(CDC* pDC, CFont* pFont, COLORREF textColor) : m_pDC(pDC) {
  SetFont(pFont);
  SetColor(textColor);
}

CTKFontDC::~CTKFontDC() {
  ReleaseFont();
  ReleaseColor();
}

void CTKFontDC::SetFont(CFont* pFont) {
  if (!m_pDC || !m_pDC->GetSafeHdc() || !pFont) return;
  HGDIOBJ old = ::SelectObject(m_pDC->GetSafeHdc(), pFont->GetSafeHandle());
  if (!m_hOldFont) m_hOldFont = static_cast<HFONT>(old);
}

void CTKFontDC::SetColor(COLORREF textColor) {
  if (!m_pDC || !m_pDC->GetSafeHdc() || textColor == static_cast<COLORREF>(-1)) return;
  const COLORREF old = m_pDC->SetTextColor(textColor);
  if (m_clrOldTextColor == static_cast<COLORREF>(-1)) m_clrOldTextColor = old;
}

void CTKFontDC::ReleaseFont() {
  if (!m_hOldFont) return;
  if (m_pDC && m_pDC->GetSafeHdc()) ::SelectObject(m_pDC->GetSafeHdc(), m_hOldFont);
  m_hOldFont = nullptr;
}

void CTKFontDC::ReleaseColor() {
  if (m_clrOldTextColor == static_cast<COLORREF>(-1)) return;
  if (m_pDC && m_pDC->GetSafeHdc()) m_pDC->SetTextColor(m_clrOldTextColor);
  m_clrOldTextColor = static_cast<COLORREF>(-1);
}

// ---- pens ----------------------------------------------------------------------------------------

CTKPenDC::CTKPenDC(CDC* pDC, CPen* pPen) : m_hDC(pDC ? pDC->GetSafeHdc() : nullptr) {
  if (m_hDC && pPen && pPen->GetSafeHandle()) m_hOldPen = ::SelectObject(m_hDC, pPen->GetSafeHandle());
}

CTKPenDC::CTKPenDC(HDC hDC, COLORREF color) : m_hDC(hDC) {
  if (!m_hDC) return;
  if (m_pen.CreatePen(PS_SOLID, 1, color)) m_hOldPen = ::SelectObject(m_hDC, m_pen.GetSafeHandle());
}

CTKPenDC::~CTKPenDC() {
  // The replaced pen goes back before m_pen deletes our own.
  if (m_hDC && m_hOldPen) ::SelectObject(m_hDC, m_hOldPen);
}

void CTKPenDC::SetColor(COLORREF color) {
  if (!m_hDC) return;
  if (m_hOldPen) ::SelectObject(m_hDC, m_hOldPen);
  m_hOldPen = nullptr;
  m_pen.DeleteObject();
  if (m_pen.CreatePen(PS_SOLID, 1, color)) m_hOldPen = ::SelectObject(m_hDC, m_pen.GetSafeHandle());
}

// ---- brushes -------------------------------------------------------------------------------------

CTKBrushDC::CTKBrushDC(HDC hDC, COLORREF color) : m_hDC(hDC) {
  if (!m_hDC) return;
  if (m_brush.CreateSolidBrush(color)) m_hOldBrush = ::SelectObject(m_hDC, m_brush.GetSafeHandle());
}

CTKBrushDC::~CTKBrushDC() {
  if (m_hDC && m_hOldBrush) ::SelectObject(m_hDC, m_hOldBrush);
}

// ---- a memory DC with a bitmap -------------------------------------------------------------------

CTKCompatibleDC::CTKCompatibleDC(CDC* pDC, CBitmap* pBitmap)
    : CTKCompatibleDC(pDC, pBitmap ? static_cast<HBITMAP>(pBitmap->GetSafeHandle()) : HBITMAP{}) {}

CTKCompatibleDC::CTKCompatibleDC(CDC* pDC, HBITMAP hBitmap) {
  CreateCompatibleDC(pDC);
  if (m_hDC && hBitmap) m_hOldBitmap = ::SelectObject(m_hDC, hBitmap);
}

CTKCompatibleDC::~CTKCompatibleDC() {
  if (m_hDC && m_hOldBitmap) ::SelectObject(m_hDC, m_hOldBitmap);
  DeleteDC();
}

// ---- double buffering ----------------------------------------------------------------------------

CTKBufferDC::CTKBufferDC(HDC hDestDC, const CRect& rect) : m_hDestDC(hDestDC), m_rect(rect) {
  Init(rect.right, rect.bottom);
}

CTKBufferDC::CTKBufferDC(CPaintDC& paintDC) : m_hDestDC(paintDC.GetSafeHdc()), m_rect(paintDC.m_ps.rcPaint) {
  Init(std::max(1, static_cast<int>(m_rect.right)), std::max(1, static_cast<int>(m_rect.bottom)));
  if (m_hDC) {
    HRGN clip = ::CreateRectRgnIndirect(&m_rect);
    ::SelectClipRgn(m_hDC, clip);
    ::DeleteObject(clip);
  }
}

void CTKBufferDC::Init(int width, int height) {
  if (!Attach(::CreateCompatibleDC(m_hDestDC))) return;
  // Without a destination the buffer is compatible with the screen.
  HDC reference = m_hDestDC ? m_hDestDC : ::GetScreenDC();
  if (m_bitmap.Attach(::CreateCompatibleBitmap(reference, width, height)))
    m_hOldBitmap = ::SelectObject(m_hDC, m_bitmap.GetSafeHandle());
}

CTKBufferDC::~CTKBufferDC() {
  if (m_hDC && m_hDestDC && m_hOldBitmap)
    ::BitBlt(m_hDestDC, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_hDC, m_rect.left, m_rect.top,
             SRCCOPY);
  if (m_hDC && m_hOldBitmap) ::SelectObject(m_hDC, m_hOldBitmap);
  DeleteDC();
}
