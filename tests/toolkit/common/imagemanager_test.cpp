// The image manager: width rules, state images, strips, shared sheets, the
// generated images, the stored form, the blends and the loaders' checks of
// untrusted headers.
#include "toolkit/common/imagemanager.h"

#include <gtest/gtest.h>

#include "image_test_support.h"
#include "platform/base/archive.h"
#include "platform/base/exceptions.h"
#include "platform/base/file.h"
#include "platform/framework/afxgdi.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/common/colormanager.h"

using namespace imagetest;

namespace {

// A 32-bit bitmap (bottom-up) with every pixel the given straight BGRA.
HBITMAP MakeAlphaBitmap(int w, int h, BYTE b, BYTE g, BYTE r, BYTE a) {
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, w, h, &bits);
  for (int i = 0; i < w * h; ++i) {
    bits[i * 4] = b;
    bits[i * 4 + 1] = g;
    bits[i * 4 + 2] = r;
    bits[i * 4 + 3] = a;
  }
  GdiFlush();
  return bitmap;
}

// The first pixel (BGRA) of an image, read from a private copy.
Bytes FirstPixel(CTKImageHandle& image) {
  CTKImageHandle copy;
  copy.CopyFrom(image);
  if (copy.GetBitmap()) {
    LPBYTE bits = copy.GetBitmapBits();
    return bits ? Bytes(bits, bits + 4) : Bytes{};
  }
  ICONINFO info{};
  if (!GetIconInfo(copy.GetIcon(), &info)) return {};
  Bytes px = Pixels(info.hbmColor);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return Bytes(px.begin(), px.begin() + 4);
}

// A memory DC on a top-down 32-bit surface filled with one colour.
struct Surface {
  HBITMAP bitmap = nullptr;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
  LPBYTE bits = nullptr;
  int w, h;
  Surface(int width, int height, uint32_t fill) : w(width), h(height) {
    bitmap = CTKImageManager::CreateDIB32(nullptr, w, -h, &bits);
    auto* p = reinterpret_cast<uint32_t*>(bits);
    std::fill(p, p + w * h, fill);
    GdiFlush();
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  uint32_t At(int x, int y) const {
    GdiFlush();
    return reinterpret_cast<const uint32_t*>(bits)[y * w + x];
  }
};

TEST(ImageManager, WidthLookupsPickExactSmallestLargestOrNearest) {
  CTKImageManager manager;
  for (int width : {24, 16, 32}) {
    HBITMAP bitmap = MakeAlphaBitmap(width, width, 1, 2, 3, 255);
    CTKImageHandle image(bitmap);
    ASSERT_TRUE(manager.SetIcon(image, 7, width, width, tkImageNormal));
    DeleteObject(bitmap);
  }
  struct {
    int asked, found;
  } cases[] = {{0, 16}, {1, 32}, {20, 16}, {100, 32}, {24, 24}, {29, 32}};
  for (const auto& c : cases) {
    CTKImageManagerIcon* icon = manager.LookupIcon(7, c.asked);
    ASSERT_NE(icon, nullptr) << c.asked;
    EXPECT_EQ(icon->GetWidth(), c.found) << c.asked;
  }
  EXPECT_FALSE(manager.HasIcon(7, 20));
  EXPECT_TRUE(manager.HasIcon(7, 0));
  EXPECT_TRUE(manager.HasIcon(7, 24));
  EXPECT_EQ(manager.LookupIcon(8, 16), nullptr);
}

TEST(ImageManager, StateImagesNeedANormalImageFirstAndANewNormalDropsThem) {
  CTKImageManager manager;
  HBITMAP bitmap = MakeAlphaBitmap(16, 16, 10, 20, 30, 255);
  CTKImageHandle image(bitmap);
  EXPECT_FALSE(manager.SetIcon(image, 5, 16, 16, tkImageHot));
  EXPECT_EQ(manager.GetIconSet(5), nullptr);
  CTKImageHandle empty;
  EXPECT_FALSE(manager.SetIcon(empty, 5, 16, 16, tkImageNormal));
  ASSERT_TRUE(manager.SetIcon(image, 5, 16, 16, tkImageNormal));
  ASSERT_TRUE(manager.SetIcon(image, 5, 16, 16, tkImageHot));
  CTKImageManagerIcon* icon = manager.LookupIcon(5, 16);
  EXPECT_FALSE(icon->m_arrImages[CTKImageManagerIcon::kHot].IsEmpty());
  EXPECT_EQ(&icon->GetCheckedImage(), &icon->m_arrImages[CTKImageManagerIcon::kHot]);
  ASSERT_TRUE(manager.SetIcon(image, 5, 16, 16, tkImageNormal));
  EXPECT_TRUE(icon->m_arrImages[CTKImageManagerIcon::kHot].IsEmpty());
  EXPECT_EQ(&icon->GetHotImage(), &icon->GetNormalImage());
  DeleteObject(bitmap);
}

TEST(ImageManager, StripsSkipZeroIdsUnlessOneToOne) {
  HBITMAP strip = CreateCompatibleBitmap(GetScreenDC(), 80, 16);
  {
    CTKImageManager manager;
    const UINT ids[] = {10, 0, 11, 12, 13, 14};
    ASSERT_TRUE(manager.SetIconsFromBitmap(strip, ids, 6, 16, 16, tkImageNormal, FALSE));
    for (UINT id : {10u, 11u, 12u, 13u, 14u}) EXPECT_TRUE(manager.HasIcon(id, 16)) << id;
    EXPECT_FALSE(manager.HasIcon(0, 16));
  }
  {
    CTKImageManager manager;
    const UINT ids[] = {10, 0, 11, 12, 13};
    ASSERT_TRUE(manager.SetIconsFromBitmap(strip, ids, 5, 16, 16, tkImageNormal, FALSE));
    EXPECT_TRUE(manager.HasIcon(0, 16));
    EXPECT_TRUE(manager.HasIcon(13, 16));
  }
  DeleteObject(strip);
  HBITMAP alpha = MakeAlphaBitmap(50, 16, 0, 0, 0, 255);
  CTKImageManager manager;
  EXPECT_FALSE(manager.SetIconsFromBitmap(alpha, nullptr, 0, 16, 16, tkImageNormal, TRUE));
  EXPECT_TRUE(manager.GetIconSets().empty());
  DeleteObject(alpha);
  // An alpha strip stays alpha: pieces in order under ids 0, 1, 2.
  LPBYTE bits = nullptr;
  HBITMAP strip3 = CTKImageManager::CreateDIB32(nullptr, 48, 16, &bits);
  for (int i = 0; i < 48 * 16; ++i) {
    int piece = (i % 48) / 16;
    bits[i * 4] = static_cast<BYTE>(piece * 40);
    bits[i * 4 + 3] = 255;
  }
  ASSERT_TRUE(manager.SetIconsFromBitmap(strip3, nullptr, 0, 16, 16, tkImageNormal, TRUE));
  for (UINT id = 0; id < 3; ++id) {
    CTKImageManagerIcon* icon = manager.LookupIcon(id, 16);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->IsAlpha());
    EXPECT_EQ(FirstPixel(icon->GetNormalImage())[0], id * 40);
  }
  DeleteObject(strip3);
}

TEST(ImageSheets, FreedSlotsAreReusedAndAnEmptySheetStartsAgain) {
  CTKImageManager manager;
  HBITMAP bitmap = MakeAlphaBitmap(16, 16, 9, 9, 9, 255);
  CTKImageHandle source(bitmap);
  CTKImageHandle a, b, c;
  for (CTKImageHandle* h : {&a, &b, &c}) {
    h->SetImageManager(&manager);
    h->CopyFrom(source);
  }
  CTKImageManagerResource* sheet = manager.GetResource(16, 16);
  EXPECT_EQ(a.GetResourceInfo()->rcImage.left, 0);
  EXPECT_EQ(b.GetResourceInfo()->rcImage.left, 16);
  EXPECT_EQ(c.GetResourceInfo()->rcImage.left, 32);
  EXPECT_EQ(sheet->GetTotalWidth(), 48);
  b.Clear();
  b.CopyFrom(source);
  EXPECT_EQ(b.GetResourceInfo()->rcImage.left, 16);
  EXPECT_EQ(sheet->GetTotalWidth(), 48);
  a.Clear();
  b.Clear();
  c.Clear();
  EXPECT_EQ(sheet->GetTotalWidth(), 0);
  EXPECT_EQ(sheet->GetColorBitmap(), nullptr);
  a.CopyFrom(source);
  EXPECT_EQ(a.GetResourceInfo()->rcImage.left, 0);
  EXPECT_EQ(FirstPixel(a), (Bytes{9, 9, 9, 255}));
  // A 16 x 16 image offered to a 16 x 15 sheet.
  EXPECT_EQ(manager.GetResource(16, 15)->Add(source), nullptr);
  // Icons keep their mask in the sheet.
  HICON icon = MakeSolidIcon(16, 16, RGB(200, 0, 0), [](int x, int) { return x >= 8; });
  CTKImageHandle iconImage(icon, TRUE), inSheet;
  inSheet.SetImageManager(&manager);
  inSheet.CopyFrom(iconImage);
  ASSERT_NE(inSheet.GetResourceInfo(), nullptr);
  EXPECT_FALSE(inSheet.GetResourceInfo()->bAlpha);
  Surface surface(16, 16, 0xFF0000FFu);
  CDC* dc = CDC::FromHandle(surface.dc);
  inSheet.Draw(dc, CPoint(0, 0), CSize(16, 16));
  EXPECT_EQ(surface.At(2, 2) & 0xFFFFFF, 0xC80000u);
  EXPECT_EQ(surface.At(12, 2) & 0xFFFFFF, 0x0000FFu);
  DestroyIcon(icon);
  DeleteObject(bitmap);
}

TEST(ImageHandle, AnAlphaImageAboveTheOriginDrawsOnlyItsLowerRows) {
  // Rows of alpha 255 with blue = row index x 10 (bottom-up memory).
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, 2, 8, &bits);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 2; ++x) {
      BYTE* p = bits + ((7 - y) * 2 + x) * 4;  // memory row 7 - y holds image row y
      p[0] = static_cast<BYTE>(y * 10 + 10);
      p[3] = 255;
    }
  CTKImageHandle image;
  image.SetBitmap(bitmap);
  Surface surface(2, 8, 0xFFFFFFFFu);
  image.Draw(CDC::FromHandle(surface.dc), CPoint(0, -4), CSize(2, 8));
  for (int y = 0; y < 4; ++y) EXPECT_EQ(surface.At(0, y), 0xFF000000u | (y + 4) * 10 + 10) << y;
  EXPECT_EQ(surface.At(0, 4), 0xFFFFFFFFu);
}

TEST(ImageGenerators, FadedShadowAndDisabledFollowTheirPixelRules) {
  CTKImageManager manager;
  // Alpha pixels: opaque grey 128 and (in a second icon) a transparent one.
  HBITMAP grey = MakeAlphaBitmap(4, 4, 128, 128, 128, 255);
  HBITMAP clear = MakeAlphaBitmap(4, 4, 0, 0, 0, 0);
  CTKImageHandle greyImage(grey), clearImage(clear);
  manager.SetIcon(greyImage, 1, 4, 4);
  manager.SetIcon(clearImage, 2, 4, 4);
  CTKImageManagerIcon* icon = manager.LookupIcon(1, 4);
  EXPECT_EQ(FirstPixel(icon->GetFadedImage()), (Bytes{166, 166, 166, 255}));
  EXPECT_EQ(FirstPixel(icon->GetDisabledImage()), (Bytes{180, 180, 180, 255}));
  COLORREF s = GetColorManager()->GetColor(31);
  Bytes shadow{static_cast<BYTE>(GetBValue(s) * 3 / 4), static_cast<BYTE>(GetGValue(s) * 3 / 4),
               static_cast<BYTE>(GetRValue(s) * 3 / 4), 255};
  EXPECT_EQ(FirstPixel(icon->GetShadowImage()), shadow);
  icon->Refresh();
  icon->CreateDisabledImage(RGB(255, 255, 255), RGB(0, 0, 0));  // two colours: the luminance grey
  EXPECT_EQ(FirstPixel(icon->GetDisabledImage()), (Bytes{128, 128, 128, 255}));
  CTKImageManagerIcon* transparent = manager.LookupIcon(2, 4);
  EXPECT_EQ(FirstPixel(transparent->GetFadedImage()), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(FirstPixel(transparent->GetDisabledImage()), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(FirstPixel(transparent->GetShadowImage()), (Bytes{0, 0, 0, 0}));
  // Masked icons: white stays white and black becomes 76 when faded; grey
  // disabling keeps white at 255.
  HICON white = MakeSolidIcon(4, 4, RGB(255, 255, 255));
  HICON black = MakeSolidIcon(4, 4, RGB(0, 0, 0));
  manager.SetIcon(white, 3, CSize(4, 4));
  manager.SetIcon(black, 4, CSize(4, 4));
  EXPECT_EQ(Bytes(FirstPixel(manager.LookupIcon(3, 4)->GetFadedImage())).at(0), 255);
  EXPECT_EQ(FirstPixel(manager.LookupIcon(4, 4)->GetFadedImage()).at(0), 76);
  EXPECT_EQ(FirstPixel(manager.LookupIcon(3, 4)->GetDisabledImage()).at(0), 255);
  // Unshareable images get no faded image: the normal one stands in.
  CTKImageHandle unshared(white, FALSE);
  manager.SetIcon(unshared, 9, 4, 4);
  CTKImageManagerIcon* plain = manager.LookupIcon(9, 4);
  EXPECT_EQ(&plain->GetFadedImage(), &plain->GetNormalImage());
  EXPECT_TRUE(plain->GetShadowImage().IsEmpty());
  DestroyIcon(white);
  DestroyIcon(black);
  DeleteObject(grey);
  DeleteObject(clear);
}

TEST(PixelOperations, CreateDIB32RowsRunBottomUpForAPositiveHeight) {
  LPBYTE bits = nullptr;
  HBITMAP bottomUp = CTKImageManager::CreateDIB32(nullptr, 2, 2, &bits);
  bits[2] = 255;  // first memory pixel: red
  bits[3] = 255;
  GdiFlush();
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bottomUp);
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
  SelectObject(dc, old);
  HBITMAP topDown = CTKImageManager::CreateDIB32(nullptr, 2, -2, &bits);
  bits[2] = bits[3] = 255;
  GdiFlush();
  SelectObject(dc, topDown);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bottomUp);
  DeleteObject(topDown);
  EXPECT_EQ(CTKImageManager::CreateDIB32(nullptr, 0, 4, &bits), nullptr);
}

TEST(PixelOperations, SoftwareBlendClampsAndHonoursConstantAlpha) {
  struct Case {
    uint32_t src, dst;
    BYTE alpha;
    BOOL perPixel;
    uint32_t expected;
  } cases[] = {
      // Straight (not premultiplied) colour 200 at alpha 100 over white:
      // 255 x 155 / 255 + 200 would wrap round; it is clamped.
      {0x64C8C8C8u, 0xFFFFFFFFu, 255, TRUE, 0xFFFFFFFFu},
      // Premultiplied half-transparent black over white at constant 255.
      {0x80000000u, 0xFFFFFFFFu, 255, TRUE, 0xFF7F7F7Fu},
      // Opaque black at constant alpha 128: half of white remains.
      {0xFF000000u, 0xFFFFFFFFu, 128, TRUE, 0xFF7F7F7Fu},
      // Constant alpha only (the report grid's blend of two DCs).
      {0xFF000000u, 0xFFFFFFFFu, 128, FALSE, 0xFF7F7F7Fu},
      {0xFF000000u, 0xFFFFFFFFu, 0, FALSE, 0xFFFFFFFFu},
  };
  for (const auto& c : cases) {
    Surface src(2, 2, c.src), dst(2, 2, c.dst);
    ASSERT_TRUE(
        CTKImageManager::AlphaBlendSoftware(dst.dc, CRect(0, 0, 2, 2), src.dc, CRect(0, 0, 2, 2), c.alpha, c.perPixel));
    EXPECT_EQ(dst.At(1, 1), c.expected) << std::hex << c.src << " k=" << std::dec << int(c.alpha);
  }
}

TEST(PixelOperations, DisableAreaRecoloursEveryPixel) {
  Surface surface(2, 1, 0xFF808080u);
  ASSERT_TRUE(CTKImageManager::DisableArea(surface.dc, CRect(0, 0, 1, 1), static_cast<COLORREF>(-1),
                                           static_cast<COLORREF>(-1)));
  EXPECT_EQ(surface.At(0, 0), 0xFFB4B4B4u);  // 180
  EXPECT_EQ(surface.At(1, 0), 0xFF808080u);  // outside the rectangle
}

TEST(PixelOperations, ScaleIconCopiesAtTheSameWidthAndRefusesZero) {
  HICON icon = MakeSolidIcon(16, 16, RGB(1, 2, 3));
  EXPECT_EQ(CTKImageManager::ScaleIcon(icon, 16, 16, 0), nullptr);
  HICON same = CTKImageManager::ScaleIcon(icon, 16, 16, 16);
  ASSERT_NE(same, nullptr);
  EXPECT_NE(same, icon);
  EXPECT_EQ(CTKImageManager::GetIconSize(same), CSize(16, 16));
  HICON half = CTKImageManager::ScaleIcon(icon, 16, 16, 8);
  EXPECT_EQ(CTKImageManager::GetIconSize(half), CSize(8, 8));
  DestroyIcon(icon);
  DestroyIcon(same);
  DestroyIcon(half);
}

// ---- untrusted headers -------------------------------------------------------------------------

TEST(ImageLoaders, BitmapAndIconHeadersAreCheckedAgainstTheirData) {
  ResourceModule module(u"tkimageloaders");
  // A 32-bit bitmap resource that claims 100 x 100 pixels and holds 16 bytes.
  module.AddNamed(2, u"LIAR", Writer().raw(InfoHeader(100, 100, 32)).raw(Bytes(16, 0x7F)).bytes);
  // A sound one: 2 x 1.
  module.AddNamed(2, u"GOOD", Writer().raw(InfoHeader(2, 1, 32)).raw(Bytes{1, 2, 3, 4, 5, 6, 7, 8}).bytes);
  // A header whose own size runs past the resource.
  module.AddNamed(2, u"LONGHEADER", Writer().u32(4000).u32(2).u32(1).u16(1).u16(32).raw(Bytes(32, 0)).bytes);
  // A 32-bit icon image that claims 64 x 64 and a group naming it.
  module.AddId(3, 41, Writer().raw(InfoHeader(64, 128, 32)).raw(Bytes(64, 0)).bytes);
  module.AddNamed(14, u"LIARICON",
                  Writer().u16(0).u16(1).u16(1).u8(64).u8(64).u8(0).u8(0).u16(1).u16(32).u32(104).u16(41).bytes);
  // A group whose count claims more entries than it holds.
  module.AddNamed(14, u"SHORTGROUP", Writer().u16(0).u16(1).u16(500).u8(16).u8(16).bytes);
  HMODULE m = module.Register();
  BOOL alpha = TRUE;
  EXPECT_EQ(CTKImageManager::LoadBitmapFromModule(m, u"LIAR", &alpha), nullptr);
  EXPECT_EQ(CTKImageManager::LoadBitmapFromModule(m, u"LONGHEADER", &alpha), nullptr);
  HBITMAP good = CTKImageManager::LoadBitmapFromModule(m, u"GOOD", &alpha);
  ASSERT_NE(good, nullptr);
  EXPECT_TRUE(alpha);
  EXPECT_EQ(Pixels(good), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  DeleteObject(good);
  CTKImageHandle handle;
  EXPECT_FALSE(handle.LoadIconResource(m, u"LIARICON", 64, 64, TRUE));
  EXPECT_FALSE(handle.LoadIconResource(m, MAKEINTRESOURCE(41), 64, 64, FALSE));
  EXPECT_FALSE(handle.LoadIconResource(m, u"SHORTGROUP", 16, 16, TRUE));
  EXPECT_TRUE(handle.IsEmpty());
}

TEST(ImageLoaders, IcoFilesAreReadOnlyWithinTheirLength) {
  // One 32-bit 2 x 2 entry (colour rows + mask rows) at offset 22.
  Bytes image = Writer().raw(InfoHeader(2, 4, 32)).raw(Bytes(16, 0x40)).raw(Bytes(8, 0)).bytes;
  auto ico = [&](uint32_t bytes, uint32_t offset, int count) {
    Writer w;
    w.u16(0).u16(1).u16(count);
    for (int i = 0; i < count; ++i) w.u8(2).u8(2).u8(0).u8(0).u16(1).u16(32).u32(bytes).u32(offset);
    return w.raw(image).bytes;
  };
  std::string good = FixtureDir() + "/good.ico", lying = FixtureDir() + "/lying.ico",
              truncated = FixtureDir() + "/truncated.ico";
  WriteFile(good, ico(static_cast<uint32_t>(image.size()), 22, 1));
  WriteFile(lying, ico(0x7FFFFFF0u, 22, 1));
  Bytes cut = ico(static_cast<uint32_t>(image.size()), 38, 2);
  cut.resize(10);  // the directory is cut short
  WriteFile(truncated, cut);
  CTKImageManager manager;
  EXPECT_FALSE(manager.SetIconsFromIcoFile(WidePath(lying), 1, CSize(0, 0)));
  EXPECT_FALSE(manager.SetIconsFromIcoFile(WidePath(truncated), 1, CSize(0, 0)));
  EXPECT_FALSE(manager.SetIconsFromIcoFile(WidePath(good), 1, CSize(16, 16)));
  ASSERT_TRUE(manager.SetIconsFromIcoFile(WidePath(good), 1, CSize(2, 2)));
  CTKImageManagerIcon* icon = manager.LookupIcon(1, 2);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(icon->IsAlpha());
  EXPECT_EQ(FirstPixel(icon->GetNormalImage()), (Bytes{0x10, 0x10, 0x10, 0x40}));  // premultiplied
}

// ---- stored form ---------------------------------------------------------------------------------

Bytes Store(CTKImageManager& manager) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    manager.Serialize(ar);
  }
  file.SeekToBegin();
  Bytes out(static_cast<size_t>(file.GetLength()));
  file.Read(out.data(), static_cast<UINT>(out.size()));
  return out;
}

void Load(CTKImageManager& manager, Bytes data) {
  CMemFile file(data.data(), static_cast<UINT>(data.size()));
  CArchive ar(&file, CArchive::load);
  manager.Serialize(ar);
}

Bytes WideString(const std::u16string& s) {
  Writer w;
  w.u8(0xFF).u16(0xFFFE).u8(static_cast<unsigned>(s.size()));
  for (char16_t c : s) w.u16(c);
  return w.bytes;
}

// A bottom-up 32-bit bitmap whose upper half is one opaque colour and
// lower half another (0xRRGGBB each).
HBITMAP MakeTwoRowBitmap(int w, int h, uint32_t top, uint32_t bottom) {
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, w, h, &bits);
  for (int row = 0; row < h; ++row)  // memory row 0 is the bottom row
    for (int x = 0; x < w; ++x) {
      const uint32_t c = row < h / 2 ? bottom : top;
      BYTE* p = bits + (row * w + x) * 4;
      p[0] = static_cast<BYTE>(c);
      p[1] = static_cast<BYTE>(c >> 8);
      p[2] = static_cast<BYTE>(c >> 16);
      p[3] = 255;
    }
  GdiFlush();
  return bitmap;
}

// Thousands of icons of one size all go into the sheet (which wraps into
// rows instead of growing past the widest bitmap there is), and each one
// draws and copies out the right way up in its own place.
TEST(ImageSheets, ThousandsOfIconsAreStoredAndEachDrawsInItsPlace) {
  CTKImageManager manager;
  const int count = 2100;
  auto top = [](int i) { return static_cast<uint32_t>(0x100000 | i); };
  auto bottom = [](int i) { return static_cast<uint32_t>(0xC80000 | i); };
  for (int i = 0; i < count; ++i) {
    HBITMAP bitmap = MakeTwoRowBitmap(16, 16, top(i), bottom(i));
    CTKImageHandle image(bitmap);
    ASSERT_TRUE(manager.SetIcon(image, static_cast<UINT>(i), 16, 16)) << i;
    DeleteObject(bitmap);
  }
  // A masked icon after them, in a later row of the sheet.
  HICON masked = MakeSolidIcon(16, 16, RGB(0, 200, 0), [](int x, int) { return x < 4; });
  ASSERT_TRUE(manager.SetIcon(masked, 5000, CSize(16, 16)));
  DestroyIcon(masked);

  CTKImageManagerResource* sheet = manager.GetResource(16, 16);
  EXPECT_GE(sheet->GetCapacity(), count + 1);
  EXPECT_LE(sheet->GetSheetSize().cx, CTKImageManagerResource::kMaxSheetWidth);
  EXPECT_GT(sheet->GetSheetSize().cy, 16);
  for (int i : {0, 1, 127, 128, 129, 2047, 2048, 2099}) {
    CTKImageManagerIcon* icon = manager.LookupIcon(static_cast<UINT>(i), 16);
    ASSERT_NE(icon, nullptr) << i;
    ASSERT_NE(icon->GetNormalImage().GetResourceInfo(), nullptr) << i;  // in the sheet
    Surface surface(16, 16, 0xFF0000FFu);
    icon->DrawNormalAt(CDC::FromHandle(surface.dc), CPoint(0, 0));
    EXPECT_EQ(surface.At(3, 1), 0xFF000000u | top(i)) << i;
    EXPECT_EQ(surface.At(12, 14), 0xFF000000u | bottom(i)) << i;
    // A private copy's first pixel is its bottom-left one.
    const uint32_t b = bottom(i);
    EXPECT_EQ(FirstPixel(icon->GetNormalImage()),
              (Bytes{static_cast<BYTE>(b), static_cast<BYTE>(b >> 8), static_cast<BYTE>(b >> 16), 255}))
        << i;
  }
  CTKImageManagerIcon* maskedIcon = manager.LookupIcon(5000, 16);
  ASSERT_NE(maskedIcon, nullptr);
  ASSERT_NE(maskedIcon->GetNormalImage().GetResourceInfo(), nullptr);
  EXPECT_GT(maskedIcon->GetNormalImage().GetResourceInfo()->rcImage.top, 0);
  Surface surface(16, 16, 0xFF0000FFu);
  maskedIcon->DrawNormalAt(CDC::FromHandle(surface.dc), CPoint(0, 0));
  EXPECT_EQ(surface.At(1, 5), 0xFF0000FFu);  // transparent column
  EXPECT_EQ(surface.At(10, 5) & 0xFFFFFF, 0x00C800u);
  EXPECT_EQ(surface.At(10, 15) & 0xFFFFFF, 0x00C800u);

  // The stored form carries the sheet's icons and reads back the same.
  CTKImageManager loaded;
  Load(loaded, Store(manager));
  Surface again(16, 16, 0xFF0000FFu);
  ASSERT_NE(loaded.LookupIcon(2099, 16), nullptr);
  loaded.LookupIcon(2099, 16)->DrawNormalAt(CDC::FromHandle(again.dc), CPoint(0, 0));
  EXPECT_EQ(again.At(3, 1), 0xFF000000u | top(2099));
  EXPECT_EQ(again.At(12, 14), 0xFF000000u | bottom(2099));
}

// A full sheet turns no image away: an icon stored past it is kept as a
// private copy, draws as one in the sheet does and survives the stored form;
// SetIcon answers TRUE only for what was stored.
TEST(ImageSheets, AnIconPastAFullSheetIsKeptPrivatelyAndDrawsRight) {
  CTKImageManager manager;
  CTKImageManagerResource* sheet = manager.GetResource(16, 16);
  sheet->SetSlotLimitForTesting(3);
  auto top = [](int i) { return static_cast<uint32_t>(0x100000 | i); };
  auto bottom = [](int i) { return static_cast<uint32_t>(0xC80000 | i); };
  const int count = 5;
  for (int i = 0; i < count; ++i) {
    HBITMAP bitmap = MakeTwoRowBitmap(16, 16, top(i), bottom(i));
    CTKImageHandle image(bitmap);
    EXPECT_TRUE(manager.SetIcon(image, static_cast<UINT>(i), 16, 16)) << i;
    DeleteObject(bitmap);
  }
  HICON masked = MakeSolidIcon(16, 16, RGB(0, 200, 0), [](int x, int) { return x < 4; });
  EXPECT_TRUE(manager.SetIcon(masked, 10, CSize(16, 16)));
  DestroyIcon(masked);
  EXPECT_EQ(sheet->GetUsedCount(), 3);
  EXPECT_EQ(sheet->GetCapacity(), 3) << "the sheet did not grow past its limit";

  auto expectDrawn = [&](CTKImageManager& store, int i) {
    CTKImageManagerIcon* icon = store.LookupIcon(static_cast<UINT>(i), 16);
    ASSERT_NE(icon, nullptr) << i;
    Surface surface(16, 16, 0xFF0000FFu);
    icon->DrawNormalAt(CDC::FromHandle(surface.dc), CPoint(0, 0));
    EXPECT_EQ(surface.At(3, 1), 0xFF000000u | top(i)) << i;
    EXPECT_EQ(surface.At(12, 14), 0xFF000000u | bottom(i)) << i;
  };
  auto expectMaskedDrawn = [](CTKImageManager& store) {
    CTKImageManagerIcon* icon = store.LookupIcon(10, 16);
    ASSERT_NE(icon, nullptr);
    Surface surface(16, 16, 0xFF0000FFu);
    icon->DrawNormalAt(CDC::FromHandle(surface.dc), CPoint(0, 0));
    EXPECT_EQ(surface.At(1, 5), 0xFF0000FFu) << "transparent column";
    EXPECT_EQ(surface.At(10, 5) & 0xFFFFFF, 0x00C800u);
    EXPECT_EQ(surface.At(10, 15) & 0xFFFFFF, 0x00C800u);
  };
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    CTKImageHandle& image = manager.LookupIcon(static_cast<UINT>(i), 16)->GetNormalImage();
    EXPECT_EQ(image.GetResourceInfo() != nullptr, i < 3) << "the first three in the sheet, the rest private";
    EXPECT_FALSE(image.IsEmpty());
    EXPECT_EQ(image.GetExtent(), CSize(16, 16));
    expectDrawn(manager, i);
  }
  EXPECT_EQ(manager.LookupIcon(10, 16)->GetNormalImage().GetResourceInfo(), nullptr);
  expectMaskedDrawn(manager);
  EXPECT_FALSE(manager.LookupIcon(4, 16)->GetDisabledImage().IsEmpty()) << "a private icon has its generated images";

  // What can be neither put in the sheet nor copied is refused.
  HBITMAP mono = CreateBitmap(16, 16, 1, 1, nullptr);
  CTKImageHandle bad(mono);
  EXPECT_FALSE(manager.SetIcon(bad, 20, 16, 16));
  EXPECT_EQ(manager.GetIconSet(20), nullptr);
  DeleteObject(mono);

  // The stored form carries the private icons like the others.
  CTKImageManager loaded;
  Load(loaded, Store(manager));
  for (int i = 0; i < count; ++i) expectDrawn(loaded, i);
  expectMaskedDrawn(loaded);
}

// An image that cannot be stored is reported as such and leaves no empty
// icon behind; what the command had stays.
TEST(ImageManager, AnImageThatCannotBeStoredIsRefused) {
  CTKImageManager manager;
  HBITMAP mono = CreateBitmap(16, 16, 1, 1, nullptr);  // no 32-bit pixels to copy
  CTKImageHandle bad(mono);
  ASSERT_FALSE(bad.IsEmpty());
  EXPECT_FALSE(manager.SetIcon(bad, 7, 16, 16));
  EXPECT_EQ(manager.LookupIcon(7, 16), nullptr);
  EXPECT_EQ(manager.GetIconSet(7), nullptr);

  HBITMAP good = MakeAlphaBitmap(16, 16, 1, 2, 3, 255);
  CTKImageHandle image(good);
  ASSERT_TRUE(manager.SetIcon(image, 8, 16, 16));
  EXPECT_FALSE(manager.SetIcon(bad, 8, 24, 24));
  EXPECT_FALSE(manager.HasIcon(8, 24));
  ASSERT_NE(manager.GetIconSet(8), nullptr);
  EXPECT_EQ(manager.GetIconSet(8)->GetIcons().size(), 1u);
  EXPECT_EQ(FirstPixel(manager.LookupIcon(8, 16)->GetNormalImage()), (Bytes{1, 2, 3, 255}));
  DeleteObject(good);
  DeleteObject(mono);
}

TEST(ImageManagerStoredForm, RoundTripsEveryStateAtSchema38) {
  CTKImageManager manager;
  const BYTE values[] = {10, 20, 30, 40, 50};  // normal, disabled, hot, checked, pressed
  const int states[] = {tkImageNormal, tkImageDisabled, tkImageHot, tkImageChecked, tkImagePressed};
  for (int i = 0; i < 5; ++i) {
    HBITMAP bitmap = MakeAlphaBitmap(16, 16, values[i], 0, 0, 255);
    CTKImageHandle image(bitmap);
    ASSERT_TRUE(manager.SetIcon(image, 100, 16, 16, states[i]));
    DeleteObject(bitmap);
  }
  HICON masked = MakeSolidIcon(24, 24, RGB(0, 200, 0), [](int x, int) { return x < 4; });
  manager.SetIcon(masked, 101, CSize(24, 24));
  DestroyIcon(masked);
  Bytes stored = Store(manager);

  CTKImageManager loaded;
  Load(loaded, stored);
  CTKImageManagerIcon* icon = loaded.LookupIcon(100, 16);
  ASSERT_NE(icon, nullptr);
  const int slots[] = {CTKImageManagerIcon::kNormal, CTKImageManagerIcon::kDisabled, CTKImageManagerIcon::kHot,
                       CTKImageManagerIcon::kChecked, CTKImageManagerIcon::kPressed};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(FirstPixel(icon->m_arrImages[slots[i]]), (Bytes{values[i], 0, 0, 255})) << i;
  CTKImageManagerIcon* iconOf101 = loaded.LookupIcon(101, 24);
  ASSERT_NE(iconOf101, nullptr);
  EXPECT_FALSE(iconOf101->IsAlpha());
  Surface surface(24, 24, 0xFF0000FFu);
  iconOf101->DrawNormalAt(CDC::FromHandle(surface.dc), CPoint(0, 0));
  EXPECT_EQ(surface.At(1, 5), 0xFF0000FFu);  // transparent column kept
  EXPECT_EQ(surface.At(10, 5) & 0xFFFFFF, 0x00C800u);
  EXPECT_EQ(Store(loaded), stored);
}

TEST(ImageManagerStoredForm, EmptyStateImagesAreFourZeroBytes) {
  CTKImageManager manager;
  HBITMAP bitmap = MakeAlphaBitmap(2, 2, 1, 2, 3, 255);
  CTKImageHandle image(bitmap);
  manager.SetIcon(image, 3, 2, 2);
  DeleteObject(bitmap);
  Bytes stored = Store(manager);
  // The blob ends with the normal image's empty mask and four empty images.
  Bytes tail(stored.end() - 18, stored.end());
  EXPECT_EQ(tail, Bytes(18, 0));
  EXPECT_NE(stored[stored.size() - 19], 0);  // the last pixel byte of the normal image
}

// "Data" written at schema 7: normal, disabled and hot only, straight alpha.
Bytes Schema7Store(const std::u16string& checkSum) {
  Bytes pixel{100, 50, 0, 128};  // straight colour at alpha 128
  Bytes header = Writer().raw(InfoHeader(1, 1, 32, 4)).raw(Bytes(12, 0)).bytes;
  return Writer()
      .u16(1)
      .u32(55)
      .raw(WideString(checkSum))
      .u16(1)
      .u32(1)  // one set, id 55; one icon, width 1
      .u32(1)
      .u32(7)  // height, schema 7
      .u16(static_cast<unsigned>(header.size()))
      .raw(header)
      .u16(4)
      .raw(pixel)
      .u16(0)  // normal
      .u32(0)  // disabled
      .u32(0)  // hot
      .bytes;
}

TEST(ImageManagerStoredForm, ReadsSchema7DataAndPremultipliesItsStraightAlpha) {
  CTKImageManager manager;
  Load(manager, Schema7Store(u"CTKImageManagerIcons"));
  CTKImageManagerIcon* icon = manager.LookupIcon(55, 1);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(FirstPixel(icon->GetNormalImage()), (Bytes{50, 25, 0, 128}));
  EXPECT_TRUE(icon->m_arrImages[CTKImageManagerIcon::kChecked].IsEmpty());
  EXPECT_TRUE(icon->m_arrImages[CTKImageManagerIcon::kPressed].IsEmpty());
}

TEST(ImageManagerStoredForm, AForeignCheckSumRaisesBadClass) {
  CTKImageManager manager;
  int cause = -1;
  try {
    Load(manager, Schema7Store(u"SomethingElse"));
  } catch (CArchiveException* e) {
    cause = e->m_cause;
    e->Delete();
  }
  EXPECT_EQ(cause, CArchiveException::badClass);
  EXPECT_EQ(cause, 6);
}

TEST(ImageManagerStoredForm, CorruptRecordsRaiseInsteadOfReadingPastThem) {
  Bytes data = Schema7Store(u"CTKImageManagerIcons");
  for (size_t cut : {data.size() - 3, data.size() - 20, size_t{40}}) {
    CTKImageManager manager;
    Bytes part(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_THROW(
        {
          try {
            Load(manager, part);
          } catch (CArchiveException* e) {
            e->Delete();
            throw 1;
          }
        },
        int)
        << cut;
  }
}

TEST(ImageManagerStoredForm, AHeaderClaimingMorePixelsThanItsRecordCarriesLoadsNoImage) {
  // 30000 x 30000 pixels claimed, four bytes carried: refused at once
  // instead of a 3.6 GB section walked pixel by pixel.
  Bytes header = Writer().raw(InfoHeader(30000, 30000, 32, 4)).raw(Bytes(12, 0)).bytes;
  Bytes data = Writer()
                   .u16(1)
                   .u32(55)
                   .raw(WideString(u"CTKImageManagerIcons"))
                   .u16(1)
                   .u32(1)
                   .u32(1)
                   .u32(7)
                   .u16(static_cast<unsigned>(header.size()))
                   .raw(header)
                   .u16(4)
                   .raw(Bytes{1, 2, 3, 4})
                   .u16(0)
                   .u32(0)
                   .u32(0)
                   .bytes;
  CTKImageManager manager;
  Load(manager, data);
  CTKImageManagerIcon* icon = manager.LookupIcon(55, 1);
  if (icon) EXPECT_TRUE(icon->GetNormalImage().IsEmpty());
}

}  // namespace
