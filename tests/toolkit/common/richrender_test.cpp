// The windowless rich-text host: measuring at a width through the services'
// resize requests, plain text in place of what is not RTF, and drawing.
#include <gtest/gtest.h>

#include "platform/framework/afxgdi.h"
#include "platform/shell/shellapi.h"
#include "toolkit/common/richrender.h"

namespace {

class RichRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pv::shell::RegisterModules();  // the rich-text services, as the program links them
    m_render = std::make_unique<CTKRichRender>();
    ASSERT_TRUE(m_render->IsAvailable());
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap = ::CreateBitmap(200, 60, 1, 32, nullptr);
    m_old = m_dc.SelectObject(CBitmap::FromHandle(m_bitmap));
    m_dc.FillSolidRect(CRect(0, 0, 200, 60), RGB(255, 255, 255));
  }
  void TearDown() override {
    m_dc.SelectObject(m_old);
    ::DeleteObject(m_bitmap);
  }
  // Pixels that are not white inside and outside a rectangle.
  void CountInk(const CRect& rc, int* inside, int* outside) {
    *inside = *outside = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 200; ++x)
        if (m_dc.GetPixel(x, y) != RGB(255, 255, 255)) ++(rc.PtInRect(CPoint(x, y)) ? *inside : *outside);
  }

  std::unique_ptr<CTKRichRender> m_render;
  CDC m_dc;
  HBITMAP m_bitmap = nullptr;
  CBitmap* m_old = nullptr;
};

TEST_F(RichRenderTest, MeasuresTheNarrowestWidthThatKeepsTheHeight) {
  EXPECT_EQ(m_render->SetText(u"Short line"), 10);
  const CSize one = m_render->GetTextExtent(&m_dc, 300);
  EXPECT_GT(one.cx, 0);
  EXPECT_LT(one.cx, 300) << "one line gives its own width, not the offered one";
  EXPECT_EQ(m_render->GetTextExtent(&m_dc, 1000), one);

  m_render->SetText(u"several words that will not fit on one line of forty pixels");
  const CSize wrapped = m_render->GetTextExtent(&m_dc, 80);
  EXPECT_LE(wrapped.cx, 80);
  EXPECT_GT(wrapped.cy, 2 * one.cy) << "it wraps into lines";
  // Tall letters reach the first row, where measuring lays the text out.
  m_render->SetText(u"\u00C5\u00C9\u00CE|\u0112\u00C5\u00C9\u00CE|");
  m_render->GetTextExtent(&m_dc, 200);
  int inside = 0, outside = 0;
  CountInk(CRect(0, 0, 200, 60), &inside, &outside);
  EXPECT_EQ(inside, 0) << "measuring paints nothing";
}

TEST_F(RichRenderTest, EmptyTextMeasuresNothing) {
  EXPECT_EQ(m_render->SetText(u""), 0);
  EXPECT_EQ(m_render->GetTextExtent(&m_dc, 300), CSize(0, 0));
  EXPECT_EQ(m_render->GetRequestedSize(), CSize(0, 0));
  EXPECT_EQ(m_render->SetText(nullptr), 0);
}

TEST_F(RichRenderTest, RtfOrPlainText) {
  EXPECT_EQ(m_render->SetText(u"{\\rtf1 Plain {\\b bold}}"), 10) << "RTF reads its text only";
  const CSize rtf = m_render->GetTextExtent(&m_dc, 300);

  EXPECT_EQ(m_render->SetText(u"{not rtf}"), 9) << "anything else starting with a brace is plain text";
  const CSize braces = m_render->GetTextExtent(&m_dc, 300);
  m_render->SetText(u"not rtf");
  const CSize bare = m_render->GetTextExtent(&m_dc, 300);
  EXPECT_GT(braces.cx, bare.cx) << "the braces show";
  EXPECT_GT(rtf.cx, 0);
}

TEST_F(RichRenderTest, DrawsInTheDefaultFormatInsideTheRectangle) {
  CHARFORMATW cf = m_render->GetDefaultCharFormat();
  EXPECT_EQ(cf.crTextColor, ::GetSysColor(COLOR_BTNTEXT));
  EXPECT_GT(cf.yHeight, 0);
  cf.dwMask |= CFM_COLOR;
  cf.dwEffects = 0;
  cf.crTextColor = RGB(255, 0, 0);
  m_render->SetDefaultCharFormat(&cf);
  m_render->SetText(u"Red words here");
  const CSize size = m_render->GetTextExtent(&m_dc, 200);
  const CRect rc(10, 10, 10 + size.cx, 10 + size.cy);
  m_render->Draw(&m_dc, rc);
  int inside = 0, outside = 0;
  CountInk(rc, &inside, &outside);
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  bool red = false;
  for (int y = rc.top; y < rc.bottom && !red; ++y)
    for (int x = rc.left; x < rc.right && !red; ++x) {
      const COLORREF c = m_dc.GetPixel(x, y);
      red = GetRValue(c) > 200 && GetGValue(c) < 120 && GetBValue(c) < 120;
    }
  EXPECT_TRUE(red) << "the default format's colour";
}

}  // namespace
