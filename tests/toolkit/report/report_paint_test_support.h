// Shared pieces of the report drawing tests: a 32-bit memory DC whose
// pixels the tests sample, pixels of a painted window, and colour classes
// for anti-aliased text.
#pragma once

#include "platform/framework/afxgdi.h"
#include "platform/window/test_input.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/scopeddc.h"

class PaintCanvas {
 public:
  PaintCanvas(int cx, int cy, COLORREF fill = RGB(255, 255, 255)) : m_cx(cx), m_cy(cy) {
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap = CTKImageManager::CreateDIB32(m_dc.GetSafeHdc(), cx, -cy, nullptr);
    m_old = m_dc.SelectObject(m_bitmap);
    m_dc.FillSolidRect(0, 0, cx, cy, fill);
  }
  ~PaintCanvas() {
    m_dc.SelectObject(m_old);
    ::DeleteObject(m_bitmap);
  }
  PaintCanvas(const PaintCanvas&) = delete;
  PaintCanvas& operator=(const PaintCanvas&) = delete;

  CDC* DC() { return &m_dc; }
  CRect Rect() const { return CRect(0, 0, m_cx, m_cy); }
  COLORREF At(int x, int y) { return m_dc.GetPixel(x, y) & 0xFFFFFF; }
  // Pixels of the rectangle for which the predicate holds.
  template <class Pred>
  int Count(const CRect& rc, Pred pred) {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
      for (int x = rc.left; x < rc.right; x++)
        if (pred(At(x, y))) n++;
    return n;
  }
  int CountColor(const CRect& rc, COLORREF color) {
    return Count(rc, [color](COLORREF c) { return c == color; });
  }
  // Printing branches: the DC reports itself as printing.
  void SetPrinting(BOOL printing) { m_dc.m_bPrinting = printing; }

 private:
  int m_cx, m_cy;
  CDC m_dc;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
};

// The colour at a client point of a window, as last painted.
inline COLORREF WindowAt(HWND hwnd, int x, int y) { return pv::test::WindowPixel(hwnd, x, y) & 0xFFFFFF; }
// Pixels of the window's client rectangle for which the predicate holds.
template <class Pred>
int CountWindowPixels(HWND hwnd, const CRect& rc, Pred pred) {
  int n = 0;
  for (int y = rc.top; y < rc.bottom; y++)
    for (int x = rc.left; x < rc.right; x++) n += pred(WindowAt(hwnd, x, y)) ? 1 : 0;
  return n;
}

// Dark ink of blue text on white (anti-aliased edges excluded).
inline bool IsBlueInk(COLORREF c) { return GetBValue(c) > 160 && GetRValue(c) < 100 && GetGValue(c) < 100; }
// Dark grey or black ink.
inline bool IsBlackInk(COLORREF c) { return GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110; }
inline bool IsInk(COLORREF c) { return c != RGB(255, 255, 255); }
