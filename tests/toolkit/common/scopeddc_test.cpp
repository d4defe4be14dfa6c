// The scoped device-context objects put back what they replaced on every
// way out of a scope (its end, an early return, an exception), do nothing
// for a null DC, and the double buffer copies only its rectangle, at its end.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/framework/afx.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/scopeddc.h"

namespace {

struct Canvas {
  CDC dc;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int cx, int cy) {
    HDC screen = ::GetScreenDC();
    dc.Attach(::CreateCompatibleDC(screen));
    bitmap = ::CreateCompatibleBitmap(screen, cx, cy);
    old = ::SelectObject(dc.m_hDC, bitmap);
    dc.FillSolidRect(0, 0, cx, cy, RGB(1, 2, 3));
  }
  ~Canvas() {
    ::SelectObject(dc.m_hDC, old);
    ::DeleteObject(bitmap);
  }
  HGDIOBJ Current(UINT type) const { return ::GetCurrentObject(dc.m_hDC, type); }
};

// What a DC has selected, to compare before and after a scope.
struct Selection {
  HGDIOBJ font, pen, brush, bitmap;
  COLORREF text;
  bool operator==(const Selection&) const = default;
};
Selection Snapshot(HDC hdc) {
  return Selection{::GetCurrentObject(hdc, OBJ_FONT), ::GetCurrentObject(hdc, OBJ_PEN),
                   ::GetCurrentObject(hdc, OBJ_BRUSH), ::GetCurrentObject(hdc, OBJ_BITMAP), ::GetTextColor(hdc)};
}

enum class Exit { End, EarlyReturn, Exception };

// Selects everything through the scoped objects, changes it again half way,
// and leaves the scope the given way.
void DrawAndLeave(CDC* pDC, CFont* font1, CFont* font2, CPen* pen, Exit how) {
  CTKFontDC fontDC(pDC, font1, RGB(10, 20, 30));
  CTKPenDC ownPen(pDC->m_hDC, RGB(200, 0, 0));
  CTKPenDC givenPen(pDC, pen);
  CTKBrushDC brush(pDC->m_hDC, RGB(0, 0, 200));
  fontDC.SetFont(font2);
  fontDC.SetColor(RGB(40, 50, 60));
  ownPen.SetColor(RGB(0, 200, 0));
  pDC->TextOut(0, 0, CString(u"x"));
  pDC->Rectangle(0, 0, 5, 5);
  if (how == Exit::EarlyReturn) return;
  if (how == Exit::Exception) throw std::runtime_error("leaving");
  pDC->MoveTo(0, 10);
  pDC->LineTo(10, 10);
}

TEST(ScopedDC, EveryWayOutOfAScopeRestoresTheSelection) {
  CFont font1, font2;
  font1.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  font2.CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  CPen pen(PS_DOT, 1, RGB(9, 9, 9));
  for (Exit how : {Exit::End, Exit::EarlyReturn, Exit::Exception}) {
    Canvas c(16, 16);
    c.dc.SetTextColor(RGB(7, 7, 7));
    const Selection before = Snapshot(c.dc.m_hDC);
    try {
      DrawAndLeave(&c.dc, &font1, &font2, &pen, how);
    } catch (const std::runtime_error&) {
      EXPECT_EQ(how, Exit::Exception);
    }
    EXPECT_EQ(Snapshot(c.dc.m_hDC), before) << static_cast<int>(how);
    EXPECT_EQ(c.dc.GetPixel(2, 2), RGB(0, 0, 200)) << "drawn with the scoped brush";
    EXPECT_EQ(c.dc.GetPixel(0, 0), RGB(0, 200, 0)) << "and the recoloured pen";
  }
  // The objects given to them are still alive; a given pen is not deleted.
  EXPECT_EQ(::GetObjectType(pen.m_hObject), static_cast<DWORD>(OBJ_PEN));
  EXPECT_EQ(::GetObjectType(font2.m_hObject), static_cast<DWORD>(OBJ_FONT));
}

TEST(ScopedDC, FontDCRemembersOnlyWhatItReplacedFirst) {
  Canvas c(8, 8);
  CFont a, b;
  a.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  b.CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  c.dc.SetTextColor(RGB(1, 1, 1));
  HGDIOBJ original = c.Current(OBJ_FONT);
  {
    CTKFontDC fontDC(&c.dc, nullptr);  // no font: nothing selected
    EXPECT_EQ(c.Current(OBJ_FONT), original);
    fontDC.SetColor(static_cast<COLORREF>(-1));  // ignored
    EXPECT_EQ(c.dc.GetTextColor(), RGB(1, 1, 1));
    fontDC.SetFont(&a);
    fontDC.SetFont(&b);
    EXPECT_EQ(c.Current(OBJ_FONT), b.m_hObject);
    fontDC.ReleaseFont();
    EXPECT_EQ(c.Current(OBJ_FONT), original);
    // After a release the next font's predecessor is remembered afresh.
    fontDC.SetFont(&a);
    fontDC.SetColor(RGB(2, 2, 2));
    fontDC.SetColor(RGB(3, 3, 3));
    fontDC.ReleaseColor();
    EXPECT_EQ(c.dc.GetTextColor(), RGB(1, 1, 1));
    fontDC.SetColor(RGB(4, 4, 4));
  }
  EXPECT_EQ(c.Current(OBJ_FONT), original);
  EXPECT_EQ(c.dc.GetTextColor(), RGB(1, 1, 1));
}

TEST(ScopedDC, PenAndBrushDeleteTheirOwnObjectsAfterDeselecting) {
  Canvas c(8, 8);
  HGDIOBJ pen = nullptr, brush = nullptr;
  const HGDIOBJ originalPen = c.Current(OBJ_PEN), originalBrush = c.Current(OBJ_BRUSH);
  {
    CTKPenDC penDC(c.dc.m_hDC, RGB(1, 2, 3));
    CTKBrushDC brushDC(c.dc.m_hDC, RGB(4, 5, 6));
    pen = c.Current(OBJ_PEN);
    brush = c.Current(OBJ_BRUSH);
    EXPECT_NE(pen, originalPen);
    EXPECT_NE(brush, originalBrush);
    LOGPEN lp{};
    ::GetObject(pen, sizeof(lp), &lp);
    EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
    EXPECT_EQ(lp.lopnWidth.x, 1);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
    penDC.SetColor(RGB(7, 8, 9));
    EXPECT_EQ(::GetObjectType(pen), 0u) << "the first own pen is gone";
    pen = c.Current(OBJ_PEN);
    ::GetObject(pen, sizeof(lp), &lp);
    EXPECT_EQ(lp.lopnColor, RGB(7, 8, 9));
  }
  EXPECT_EQ(c.Current(OBJ_PEN), originalPen);
  EXPECT_EQ(c.Current(OBJ_BRUSH), originalBrush);
  EXPECT_EQ(::GetObjectType(pen), 0u);
  EXPECT_EQ(::GetObjectType(brush), 0u);
  // A DC given as an object takes the same road.
  {
    CTKPenDC penDC(&c.dc, RGB(1, 1, 1));
    EXPECT_NE(c.Current(OBJ_PEN), originalPen);
  }
  EXPECT_EQ(c.Current(OBJ_PEN), originalPen);
}

TEST(ScopedDC, NullDCsDoNothing) {
  CFont font;
  font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  CPen pen(PS_SOLID, 1, 0);
  {
    CTKFontDC fontDC(nullptr, &font, RGB(1, 2, 3));
    fontDC.SetFont(&font);
    fontDC.SetColor(0);
    CTKPenDC penDC(static_cast<HDC>(nullptr), RGB(1, 2, 3));
    penDC.SetColor(0);
    CTKPenDC givenPen(static_cast<CDC*>(nullptr), &pen);
    CTKBrushDC brushDC(nullptr, RGB(1, 2, 3));
    CTKBufferDC buffer(nullptr, CRect(0, 0, 10, 10));
    buffer.FillSolidRect(0, 0, 10, 10, RGB(255, 0, 0));  // drawn nowhere, harmlessly
  }
  EXPECT_EQ(::GetObjectType(font.m_hObject), static_cast<DWORD>(OBJ_FONT));
}

TEST(ScopedDC, CompatibleDCSelectsTheBitmapAndLetsGoOfItAtTheEnd) {
  Canvas target(4, 4);
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(&target.dc, 6, 6);
  HDC memory = nullptr;
  {
    CTKCompatibleDC dc(&target.dc, &bitmap);
    memory = dc.m_hDC;
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(::GetCurrentObject(memory, OBJ_BITMAP), bitmap.m_hObject);
    dc.FillSolidRect(0, 0, 6, 6, RGB(0, 128, 255));
  }
  EXPECT_EQ(::GetObjectType(memory), 0u) << "the memory DC is deleted";
  // The bitmap kept what was drawn and can be selected elsewhere.
  {
    CTKCompatibleDC screenCompatible(nullptr, static_cast<HBITMAP>(bitmap.m_hObject));
    EXPECT_EQ(screenCompatible.GetPixel(5, 5), RGB(0, 128, 255));
  }
  EXPECT_EQ(::GetObjectType(bitmap.m_hObject), static_cast<DWORD>(OBJ_BITMAP));
}

TEST(ScopedDC, BufferCopiesItsRectangleWhenItEnds) {
  Canvas target(20, 20);
  const CRect rect(5, 4, 15, 12);
  HGDIOBJ bufferBitmap = nullptr;
  {
    CTKBufferDC buffer(target.dc.m_hDC, rect);
    bufferBitmap = ::GetCurrentObject(buffer.m_hDC, OBJ_BITMAP);
    BITMAP bm{};
    ::GetObject(bufferBitmap, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 15);  // the destination's coordinates: right x bottom
    EXPECT_EQ(bm.bmHeight, 12);
    buffer.FillSolidRect(0, 0, 20, 20, RGB(250, 0, 0));
    EXPECT_EQ(target.dc.GetPixel(6, 6), RGB(1, 2, 3)) << "nothing before the end";
  }
  EXPECT_EQ(target.dc.GetPixel(5, 4), RGB(250, 0, 0));
  EXPECT_EQ(target.dc.GetPixel(14, 11), RGB(250, 0, 0));
  EXPECT_EQ(target.dc.GetPixel(4, 4), RGB(1, 2, 3));
  EXPECT_EQ(target.dc.GetPixel(15, 11), RGB(1, 2, 3));
  EXPECT_EQ(target.dc.GetPixel(5, 12), RGB(1, 2, 3));
  EXPECT_EQ(::GetObjectType(bufferBitmap), 0u) << "the buffer's bitmap is deleted";
}

// Paints through a buffer over the invalid rectangle.
CRect g_bufferClipBox;
LRESULT CALLBACK BufferedPaintProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    CPaintDC paint(CWnd::FromHandle(h));
    CTKBufferDC buffer(paint);
    buffer.GetClipBox(&g_bufferClipBox);
    buffer.FillSolidRect(0, 0, 200, 200, RGB(0, 160, 0));  // clipped to the invalid part
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return ::DefWindowProcW(h, msg, wp, lp);
}

TEST(ScopedDC, BufferOverAPaintDCCoversOnlyTheInvalidRectangle) {
  pvtest::ResetDesktop();
  WNDCLASSW wc{};
  wc.lpfnWndProc = BufferedPaintProc;
  wc.hInstance = AfxGetInstanceHandle();
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = u"TKBufferedPaint";
  ::RegisterClass(&wc);
  HWND h = ::CreateWindowEx(0, u"TKBufferedPaint", u"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr, nullptr,
                            nullptr);
  ASSERT_NE(h, nullptr);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(pv::test::WindowPixel(h, 50, 50), RGB(0, 160, 0));
  // Paint white over everything without the buffer, then invalidate a part.
  HDC dc = ::GetDC(h);
  RECT all{0, 0, 100, 80};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::ReleaseDC(h, dc);
  RECT part{10, 10, 30, 20};
  ::InvalidateRect(h, &part, FALSE);
  ::UpdateWindow(h);
  pv::test::PumpUntilIdle();
  EXPECT_EQ(g_bufferClipBox, CRect(10, 10, 30, 20)) << "the buffer is clipped to the invalid part";
  EXPECT_EQ(pv::test::WindowPixel(h, 10, 10), RGB(0, 160, 0));
  EXPECT_EQ(pv::test::WindowPixel(h, 29, 19), RGB(0, 160, 0));
  EXPECT_EQ(pv::test::WindowPixel(h, 9, 10), RGB(255, 255, 255));
  EXPECT_EQ(pv::test::WindowPixel(h, 30, 19), RGB(255, 255, 255));
  EXPECT_EQ(pv::test::WindowPixel(h, 50, 50), RGB(255, 255, 255));
  ::DestroyWindow(h);
  pvtest::ResetDesktop();
}

}  // namespace
