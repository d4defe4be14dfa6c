// PNG decoding: fixtures of every colour type and the chunks the decoder
// acts on, written by an independent writer, give exact pixels or a clean
// refusal; icon handles own what they hold.
#include "toolkit/common/graphicbitmappng.h"

#include <gtest/gtest.h>

#include "image_test_support.h"
#include "platform/base/file.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/common/iconhandle.h"
#include "toolkit/common/imagemanager.h"

using namespace imagetest;

namespace {

struct PngCase {
  const char* file;
  int width, height;
  BOOL alpha;
  Bytes bgra;  // top-down pixels
};

class PngFixtureTest : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngFixtureTest, DecodesToExactPixels) {
  const PngCase& c = GetParam();
  CTKGraphicBitmapPng png;
  ASSERT_TRUE(png.LoadFromFile(WidePath(FixturePath(c.file))));
  EXPECT_EQ(png.IsAlpha(), c.alpha);
  BITMAP bm{};
  ASSERT_TRUE(png.GetBitmap(&bm));
  EXPECT_EQ(bm.bmWidth, c.width);
  EXPECT_EQ(bm.bmHeight, c.height);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(Pixels(png), c.bgra);
}

// Palette with tRNS: four channels. 16-bit: the high byte of each sample.
// Grey expands to RGB with alpha 0 (three channels). bKGD composites onto
// the background and drops the alpha channel. Low bit depths expand.
INSTANTIATE_TEST_SUITE_P(
    Fixtures, PngFixtureTest,
    ::testing::Values(
        PngCase{"palette_trns.png", 2, 2, TRUE, {0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0, 255, 255, 255, 255}},
        PngCase{"rgba16.png", 2, 1, TRUE, {0xFF, 0xAB, 0x12, 0x80, 0x7F, 0x00, 0x00, 0xFF}},
        PngCase{"grey.png", 3, 1, FALSE, {0, 0, 0, 0, 128, 128, 128, 0, 255, 255, 255, 0}},
        PngCase{"grey_alpha.png", 2, 1, TRUE, {100, 100, 100, 50, 200, 200, 200, 255}},
        PngCase{"bkgd.png", 2, 1, FALSE, {0, 0, 255, 0, 255, 0, 0, 0}},
        PngCase{"grey1.png", 8, 1, FALSE, {255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0, 255, 255, 255, 0,
                                           0,   0,   0,   0, 0, 0, 0, 0, 0,   0,   0,   0, 0,   0,   0,   0}},
        PngCase{"palette2.png", 4, 1, FALSE, {30, 20, 10, 0, 60, 50, 40, 0, 90, 80, 70, 0, 120, 110, 100, 0}},
        PngCase{"grey4.png", 3, 1, FALSE, {0, 0, 0, 0, 0x88, 0x88, 0x88, 0, 255, 255, 255, 0}}),
    [](const auto& info) {
      std::string name = info.param.file;
      return name.substr(0, name.find('.'));
    });

TEST(GraphicBitmapPng, GammaOfTheFileIsCorrectedForAScreenOf22) {
  CTKGraphicBitmapPng png;
  ASSERT_TRUE(png.LoadFromFile(WidePath(FixturePath("gama.png"))));
  Bytes px = Pixels(png);
  ASSERT_EQ(px.size(), 12u);
  EXPECT_EQ(px[0], 0);
  EXPECT_NEAR(px[4], 186, 1);  // 255 x (128 / 255)^(1 / 2.2)
  EXPECT_EQ(px[8], 255);
}

TEST(GraphicBitmapPng, BrokenDataIsRefusedAndHoldsNothing) {
  for (const char* name : {"truncated.png", "badcrc.png"}) {
    CTKGraphicBitmapPng png;
    ASSERT_TRUE(png.LoadFromFile(WidePath(FixturePath("grey.png"))));
    EXPECT_FALSE(png.LoadFromFile(WidePath(FixturePath(name)))) << name;
    EXPECT_EQ(png.GetSafeHandle(), nullptr) << name;
    EXPECT_FALSE(png.IsAlpha()) << name;
  }
  CTKGraphicBitmapPng png;
  EXPECT_FALSE(png.LoadFromFile(u"/nonexistent/none.png"));
  // Not a PNG at all.
  CMemFile text(reinterpret_cast<BYTE*>(const_cast<char*>("GIF89a not a png")), 16);
  EXPECT_FALSE(png.LoadFromCFile(&text));
}

TEST(GraphicBitmapPng, ResourcesUnderTenBytesAreRefusedUnread) {
  Bytes whole = ReadFile(FixturePath("grey.png"));
  ResourceModule module(u"tkpngfixture");
  module.Add(u"PNG", u"NINE", Bytes(whole.begin(), whole.begin() + 9));
  module.Add(u"PNG", u"WHOLE", whole);
  HMODULE m = module.Register();
  CTKGraphicBitmapPng png;
  EXPECT_FALSE(png.LoadFromResource(m, FindResource(m, u"NINE", u"PNG")));
  EXPECT_FALSE(png.LoadFromResource(m, nullptr));
  EXPECT_TRUE(png.LoadFromResource(m, FindResource(m, u"WHOLE", u"PNG")));
  EXPECT_FALSE(png.IsAlpha());
}

TEST(GraphicBitmapPng, BitmapLoadersDecodeAnythingWithThePngSignature) {
  // A file named .bmp that holds a PNG is decoded as PNG.
  std::string path = FixtureDir() + "/disguised.bmp";
  WriteFile(path, ReadFile(FixturePath("palette_trns.png")));
  BOOL alpha = FALSE;
  HBITMAP bitmap = CTKImageManager::LoadBitmapFromFile(WidePath(path), &alpha);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(alpha);
  DeleteObject(bitmap);
  // A PNG resource of a module, through the bitmap loader.
  ResourceModule module(u"tkpngloader");
  module.Add(u"PNG", u"IMAGE", ReadFile(FixturePath("grey_alpha.png")));
  HMODULE m = module.Register();
  bitmap = CTKImageManager::LoadBitmapFromModule(m, u"IMAGE", &alpha);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(alpha);
  DeleteObject(bitmap);
  EXPECT_EQ(CTKImageManager::LoadBitmapFromModule(m, u"MISSING", &alpha), nullptr);
}

TEST(IconHandle, AssigningDestroysTheIconHeldBefore) {
  HICON first = MakeSolidIcon(4, 4, RGB(1, 2, 3));
  HICON second = MakeSolidIcon(4, 4, RGB(1, 2, 3));
  ICONINFO info{};
  {
    CTKIconHandle handle;
    EXPECT_EQ(static_cast<HICON>(handle), nullptr);
    handle = first;
    handle = second;
    EXPECT_FALSE(GetIconInfo(first, &info));  // destroyed
    EXPECT_EQ(handle.GetHandle(), second);
    handle = nullptr;  // only destroys
    EXPECT_FALSE(GetIconInfo(second, &info));
    handle = MakeSolidIcon(4, 4, RGB(1, 2, 3));
  }  // the destructor destroys the last one (the leak checker would tell)
}

}  // namespace
