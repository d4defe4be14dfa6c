// The image element: pictures from the context's image manager chosen by
// width, Stretch sizes, and sources that give no picture.
#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/wingdi.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"

namespace {

HBITMAP SolidBitmap(int w, int h, uint32_t argb) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int i = 0; i < w * h; i++) static_cast<uint32_t*>(bits)[i] = argb;
  return bmp;
}

class MarkupImage : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = MarkupCreateContext(nullptr);
    manager = new CTKImageManager();
    for (auto [size, id] : {std::pair{16, 5u}, std::pair{32, 5u}, std::pair{100, 7u}}) {
      HBITMAP bmp = SolidBitmap(size, id == 7 ? 50 : size, 0xFFFF0000u);
      const UINT one[] = {id};
      manager->SetIconsFromBitmap(bmp, one, 1, size, id == 7 ? 50 : size, tkImageNormal, TRUE);
      DeleteObject(bmp);
    }
    ctx->SetImageManager(manager);
  }
  void TearDown() override {
    MarkupReleaseElement(root);
    MarkupReleaseContext(ctx);
    manager->InternalRelease();
  }
  SIZE Measure(const char16_t* markup, int cx, int cy) {
    MarkupReleaseElement(root);
    root = ctx->Parse(markup);
    EXPECT_NE(root, nullptr);
    return root ? MarkupMeasureElement(root, cx, cy) : SIZE{-1, -1};
  }
  CTKMarkupContext* ctx = nullptr;
  CTKImageManager* manager = nullptr;
  CTKMarkupInputElement* root = nullptr;
};

TEST_F(MarkupImage, AnIconIdTakesTheNearestWidth) {
  EXPECT_EQ(Measure(u"<Image Source='5'/>", 16, 100).cx, 16);
  EXPECT_EQ(Measure(u"<Image Source='5'/>", 100, 100).cx, 32);
  for (const char16_t* source : {u"0", u"-3", u"abc", u"FILE://x.bmp", u"file:///no/such/file.bmp"}) {
    std::u16string markup = u"<Image Source='" + std::u16string(source) + u"'/>";
    const SIZE d = Measure(markup.c_str(), 100, 100);
    EXPECT_EQ(d.cx, 0);
    EXPECT_EQ(d.cy, 0);
  }
}

TEST_F(MarkupImage, StretchSizesThePicture) {
  struct Case {
    const char16_t* stretch;
    int cx, cy;  // available
    int w, h;    // expected
  } cases[] = {{u"None", 200, 200, 100, 50},        {u"Fill", 200, 200, 200, 200},
               {u"Uniform", 200, 200, 200, 100},    {u"UniformToFill", 200, 200, 400, 200},
               {u"Fill", INT_MAX, 100, 200, 100},   {u"Uniform", INT_MAX, 100, 200, 100},
               {u"Fill", INT_MAX, INT_MAX, 100, 50}};
  for (const Case& c : cases) {
    std::u16string markup = u"<Image Source='7' Stretch='" + std::u16string(c.stretch) + u"'/>";
    MarkupReleaseElement(root);
    root = ctx->Parse(markup.c_str());
    ASSERT_NE(root, nullptr);
    auto* image = static_cast<CTKMarkupImage*>(root);
    image->LoadSource(c.cx);
    const SIZE s = image->GetImageSize(c.cx, c.cy);
    EXPECT_EQ(s.cx, c.w) << c.cx << "x" << c.cy;
    EXPECT_EQ(s.cy, c.h) << c.cx << "x" << c.cy;
  }
}

TEST_F(MarkupImage, DrawsItsIcon) {
  MarkupReleaseElement(root);
  root = ctx->Parse(u"<Image Source='5'/>");
  ASSERT_NE(root, nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int i = 0; i < 1600; i++) static_cast<uint32_t*>(bits)[i] = 0xFFFFFF;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  MarkupMeasureElement(root, 16, 16);
  RECT rc{0, 0, 16, 16};
  MarkupRenderElement(root, dc, &rc);
  EXPECT_EQ(static_cast<uint32_t*>(bits)[8 * 40 + 8] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(static_cast<uint32_t*>(bits)[8 * 40 + 30] & 0xFFFFFF, 0xFFFFFFu);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

}  // namespace
