// Handles of deleted objects, DCs, icons and image lists stay invalid for
// good: an object made later in the same handle slot, or at the same address,
// is never reached through them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/gdiplus.h"
#include "platform/gdi/imagelist.h"
#include "tests/platform/gdi/canvas.h"

namespace {

using pv::detail::kHandleIndexMask;

size_t SlotOf(const void* h) { return reinterpret_cast<uintptr_t>(h) & kHandleIndexMask; }

// The next GDI object or image list takes the slot freed last, so a test
// reaches a reused slot without guessing; put back however the test ends.
struct GdiSlotReuse {
  GdiSlotReuse() { Set(true); }
  ~GdiSlotReuse() { Set(false); }
  static void Set(bool on) {
    PV_GDI_LOCK;
    pv::gdi::State().objects.SetReuseLastFreedForTesting(on);
    pv::gdi::State().imageLists.SetReuseLastFreedForTesting(on);
    pv::gdi::State().gdiplusObjects.SetReuseLastFreedForTesting(on);
  }
};

struct ObjectKind {
  const char* name;
  std::function<HGDIOBJ()> make;
  DWORD type;
};

const std::vector<ObjectKind>& Kinds() {
  static const std::vector<ObjectKind> kinds = {
      {"pen", [] { return HGDIOBJ(CreatePen(PS_SOLID, 1, RGB(1, 2, 3))); }, OBJ_PEN},
      {"brush", [] { return HGDIOBJ(CreateSolidBrush(RGB(4, 5, 6))); }, OBJ_BRUSH},
      {"font", [] { return HGDIOBJ(CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"PravenorTest")); },
       OBJ_FONT},
      {"region", [] { return HGDIOBJ(CreateRectRgn(0, 0, 2, 2)); }, OBJ_REGION},
      {"bitmap", [] { return HGDIOBJ(CreateBitmap(2, 2, 1, 32, nullptr)); }, OBJ_BITMAP},
  };
  return kinds;
}

TEST(GdiHandles, ADeletedObjectsHandleNeverReachesTheObjectInItsSlot) {
  GdiSlotReuse reuse;
  Canvas c(4, 4);
  for (const ObjectKind& k : Kinds()) {
    SCOPED_TRACE(k.name);
    HGDIOBJ stale = k.make();
    ASSERT_NE(stale, nullptr);
    ASSERT_TRUE(DeleteObject(stale));
    HGDIOBJ live = k.make();
    ASSERT_NE(live, nullptr);
    ASSERT_EQ(SlotOf(live), SlotOf(stale)) << "the new object took the deleted one's slot";
    EXPECT_NE(live, stale);

    const HGDIOBJ before = GetCurrentObject(c.dc, k.type);
    EXPECT_EQ(GetObjectType(stale), 0u);
    char buffer[128];
    EXPECT_EQ(GetObject(stale, sizeof buffer, buffer), 0);
    EXPECT_EQ(SelectObject(c.dc, stale), nullptr);
    EXPECT_EQ(GetCurrentObject(c.dc, k.type), before) << "nothing selected through the stale handle";
    EXPECT_FALSE(DeleteObject(stale));
    EXPECT_EQ(GetObjectType(live), k.type) << "the live object survives the stale handle's delete";
    EXPECT_TRUE(DeleteObject(live));
  }
}

TEST(GdiHandles, ADeletedDCsHandleNeverReachesTheDCInItsSlot) {
  GdiSlotReuse reuse;
  HDC stale = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(DeleteDC(stale));
  HDC live = CreateCompatibleDC(nullptr);
  ASSERT_EQ(SlotOf(live), SlotOf(stale));
  EXPECT_NE(live, stale);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
  EXPECT_EQ(GetObjectType(stale), 0u);
  EXPECT_EQ(SelectObject(stale, pen), nullptr);
  EXPECT_EQ(SetTextColor(stale, RGB(1, 1, 1)), CLR_INVALID);
  EXPECT_EQ(GetPixel(stale, 0, 0), CLR_INVALID);
  EXPECT_EQ(SaveDC(stale), 0);
  EXPECT_FALSE(DeleteDC(stale));
  EXPECT_EQ(GetObjectType(live), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_NE(GetCurrentObject(live, OBJ_PEN), pen);
  EXPECT_EQ(GetTextColor(live), RGB(0, 0, 0));
  EXPECT_TRUE(DeleteDC(live));
  DeleteObject(pen);
}

TEST(GdiHandles, ADestroyedIconsHandleNeverReachesTheIconInItsSlot) {
  GdiSlotReuse reuse;
  Canvas c(32, 32);
  HICON app = LoadIcon(nullptr, IDI_APPLICATION);
  HICON stale = CopyIcon(app);
  ASSERT_TRUE(DestroyIcon(stale));
  HICON live = CopyIcon(app);
  ASSERT_EQ(SlotOf(live), SlotOf(stale));
  EXPECT_NE(live, stale);
  ICONINFO ii{};
  EXPECT_FALSE(GetIconInfo(stale, &ii));
  EXPECT_EQ(CopyIcon(stale), nullptr);
  EXPECT_FALSE(DrawIconEx(c.dc, 0, 0, stale, 16, 16, 0, nullptr, DI_NORMAL));
  RECT ink = c.Ink();
  EXPECT_TRUE(ink.right <= ink.left && ink.bottom <= ink.top) << "nothing drawn";
  EXPECT_FALSE(DestroyIcon(stale));
  ASSERT_TRUE(GetIconInfo(live, &ii));
  DeleteObject(ii.hbmColor);
  DeleteObject(ii.hbmMask);
  EXPECT_TRUE(DestroyIcon(live));
}

TEST(GdiHandles, ADestroyedImageListsHandleNeverReachesTheListInItsSlot) {
  GdiSlotReuse reuse;
  Canvas c(8, 8);
  Canvas strip(4, 2, RGB(200, 0, 0));
  HIMAGELIST stale = ImageList_Create(2, 2, ILC_COLOR32, 1, 1);
  ASSERT_NE(stale, nullptr);
  ASSERT_TRUE(ImageList_Destroy(stale));
  HIMAGELIST live = ImageList_Create(2, 2, ILC_COLOR32, 1, 1);
  ASSERT_NE(live, nullptr);
  ASSERT_EQ(SlotOf(live), SlotOf(stale));
  EXPECT_NE(live, stale);
  SelectObject(strip.dc, strip.old);  // a bitmap added to a list is not selected anywhere
  EXPECT_EQ(ImageList_Add(stale, strip.bmp, nullptr), -1);
  EXPECT_EQ(ImageList_GetImageCount(live), 0) << "nothing added through the stale handle";
  EXPECT_EQ(ImageList_Add(live, strip.bmp, nullptr), 0);
  EXPECT_FALSE(ImageList_Draw(stale, 0, c.dc, 0, 0, ILD_NORMAL));
  EXPECT_EQ(c.At(0, 0), 0xFFFFFFu);
  int cx = 0, cy = 0;
  EXPECT_FALSE(ImageList_GetIconSize(stale, &cx, &cy));
  EXPECT_FALSE(ImageList_Destroy(stale));
  EXPECT_EQ(ImageList_GetImageCount(live), 2);
  EXPECT_TRUE(ImageList_Draw(live, 0, c.dc, 0, 0, ILD_NORMAL));
  EXPECT_EQ(c.At(0, 0), 0xC80000u);
  EXPECT_TRUE(ImageList_Destroy(live));
  SelectObject(strip.dc, strip.bmp);
}

// What the handles first were: a deleted pen's handle took over the next pen
// the allocator placed at the same address. The address is reused at once
// by the release allocator; a sanitizer's quarantine never gives it back.
TEST(GdiHandles, ADeletedPensHandleNeverReachesAPenAtTheSameAddress) {
  Canvas c(4, 4);
  HPEN stale = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  const void* address = pv::gdi::Lookup(stale);
  ASSERT_NE(address, nullptr);
  ASSERT_TRUE(DeleteObject(stale));
  std::vector<HPEN> made;
  HPEN atSameAddress = nullptr;
  for (int i = 0; i < 256 && !atSameAddress; ++i) {
    HPEN p = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
    if (pv::gdi::Lookup(p) == address) atSameAddress = p;
    else made.push_back(p);
  }
  for (HPEN p : made) DeleteObject(p);
  if (!atSameAddress) GTEST_SKIP() << "the allocator kept the address (sanitizer quarantine)";
  const HGDIOBJ before = GetCurrentObject(c.dc, OBJ_PEN);
  EXPECT_EQ(SelectObject(c.dc, stale), nullptr);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), before);
  EXPECT_FALSE(DeleteObject(stale));
  EXPECT_EQ(GetObjectType(atSameAddress), static_cast<DWORD>(OBJ_PEN));
  EXPECT_TRUE(DeleteObject(atSameAddress));
}

// GDI+ objects: each kind made, deleted and made again in the same slot; every
// entry point refuses the deleted one's handle and reaches nothing through it.
constexpr ARGB kGpRed = 0xFFFF0000u;

// Runs `fill` with a red brush.
GpStatus WithRedBrush(const std::function<GpStatus(GpBrush*)>& fill) {
  GpSolidFill* red = nullptr;
  if (GdipCreateSolidFill(kGpRed, &red) != Ok) return GenericError;
  GpStatus s = fill(red);
  GdipDeleteBrush(red);
  return s;
}

struct GdiPlusKind {
  const char* name;
  std::function<void*(HDC)> make;
  std::function<GpStatus(void*)> destroy;
  // Calls that must refuse a deleted object's handle and draw nothing.
  std::vector<std::function<GpStatus(GpGraphics*, void*)>> uses;
  // Paints the 4 x 4 canvas red through the handle.
  std::function<GpStatus(GpGraphics*, void*)> paint;
};

template <class H>
H* As(void* h) {
  return static_cast<H*>(h);
}

const std::vector<GdiPlusKind>& GdiPlusKinds() {
  static const std::vector<GdiPlusKind> kinds = {
      {"graphics",
       [](HDC dc) -> void* {
         GpGraphics* g = nullptr;
         return GdipCreateFromHDC(dc, &g) == Ok ? g : nullptr;
       },
       [](void* h) { return GdipDeleteGraphics(As<GpGraphics>(h)); },
       {[](GpGraphics*, void* h) { return GdipSetSmoothingMode(As<GpGraphics>(h), SmoothingModeAntiAlias); },
        [](GpGraphics*, void* h) {
          GpSmoothingMode m;
          return GdipGetSmoothingMode(As<GpGraphics>(h), &m);
        },
        [](GpGraphics*, void* h) { return GdipSetClipRectI(As<GpGraphics>(h), 0, 0, 1, 1, CombineModeReplace); },
        [](GpGraphics*, void* h) { return GdipTranslateWorldTransform(As<GpGraphics>(h), 1, 1, MatrixOrderAppend); },
        [](GpGraphics*, void* h) {
          return WithRedBrush([h](GpBrush* b) { return GdipFillRectangleI(As<GpGraphics>(h), b, 0, 0, 4, 4); });
        }},
       [](GpGraphics*, void* h) { return GdipGraphicsClear(As<GpGraphics>(h), kGpRed); }},
      {"pen",
       [](HDC) -> void* {
         GpPen* p = nullptr;
         return GdipCreatePen1(kGpRed, 8, UnitWorld, &p) == Ok ? p : nullptr;
       },
       [](void* h) { return GdipDeletePen(As<GpPen>(h)); },
       {[](GpGraphics*, void* h) { return GdipSetPenWidth(As<GpPen>(h), 2); },
        [](GpGraphics*, void* h) { return GdipSetPenColor(As<GpPen>(h), 0xFF00FF00u); },
        [](GpGraphics*, void* h) {
          const REAL dashes[] = {1, 1};
          return GdipSetPenDashArray(As<GpPen>(h), dashes, 2);
        }},
       [](GpGraphics* g, void* h) { return GdipDrawLineI(g, As<GpPen>(h), 0, 2, 4, 2); }},
      {"brush",
       [](HDC) -> void* {
         GpSolidFill* b = nullptr;
         return GdipCreateSolidFill(kGpRed, &b) == Ok ? b : nullptr;
       },
       [](void* h) { return GdipDeleteBrush(As<GpBrush>(h)); },
       {[](GpGraphics*, void* h) { return GdipSetSolidFillColor(As<GpSolidFill>(h), 0xFF00FF00u); },
        [](GpGraphics*, void* h) {
          GpPen* p = nullptr;
          return GdipCreatePen2(As<GpBrush>(h), 1, UnitWorld, &p);
        }},
       [](GpGraphics* g, void* h) { return GdipFillRectangleI(g, As<GpBrush>(h), 0, 0, 4, 4); }},
      {"path",
       [](HDC) -> void* {
         GpPath* p = nullptr;
         if (GdipCreatePath(FillModeAlternate, &p) != Ok) return nullptr;
         GdipAddPathRectangleI(p, 0, 0, 4, 4);
         return p;
       },
       [](void* h) { return GdipDeletePath(As<GpPath>(h)); },
       {[](GpGraphics*, void* h) { return GdipAddPathLine(As<GpPath>(h), 0, 0, 1, 1); },
        [](GpGraphics*, void* h) { return GdipResetPath(As<GpPath>(h)); },
        [](GpGraphics*, void* h) { return GdipClosePathFigure(As<GpPath>(h)); }},
       [](GpGraphics* g, void* h) {
         return WithRedBrush([g, h](GpBrush* b) { return GdipFillPath(g, b, As<GpPath>(h)); });
       }},
      {"image",
       [](HDC) -> void* {
         std::vector<uint32_t> red(16, kGpRed);
         GpBitmap* b = nullptr;
         GpStatus s =
             GdipCreateBitmapFromScan0(4, 4, 16, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(red.data()), &b);
         return s == Ok ? b : nullptr;
       },
       [](void* h) { return GdipDisposeImage(As<GpImage>(h)); },
       {[](GpGraphics*, void* h) {
         UINT w = 0;
         return GdipGetImageWidth(As<GpImage>(h), &w);
       }},
       [](GpGraphics* g, void* h) { return GdipDrawImageI(g, As<GpImage>(h), 0, 0); }},
  };
  return kinds;
}

TEST(GdiHandles, ADeletedGdiPlusObjectsHandleNeverReachesTheObjectInItsSlot) {
  GdiSlotReuse reuse;
  ULONG_PTR token = 0;
  GdiplusStartupInput input;
  ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
  for (const GdiPlusKind& k : GdiPlusKinds()) {
    SCOPED_TRACE(k.name);
    Canvas c(4, 4);
    void* stale = k.make(c.dc);
    ASSERT_NE(stale, nullptr);
    ASSERT_EQ(k.destroy(stale), Ok);
    void* live = k.make(c.dc);
    ASSERT_NE(live, nullptr);
    ASSERT_EQ(SlotOf(live), SlotOf(stale)) << "the new object took the deleted one's slot";
    EXPECT_NE(live, stale);
    GpGraphics* g = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(c.dc, &g), Ok);
    for (size_t i = 0; i < k.uses.size(); ++i) EXPECT_EQ(k.uses[i](g, stale), InvalidParameter) << "call " << i;
    EXPECT_EQ(k.paint(g, stale), InvalidParameter);
    EXPECT_EQ(c.Count(0xFF0000), 0) << "nothing drawn through the stale handle";
    EXPECT_EQ(k.destroy(stale), InvalidParameter);
    // The live object is whole: it paints the whole canvas red.
    EXPECT_EQ(k.paint(g, live), Ok);
    EXPECT_EQ(c.Count(0xFF0000), 16) << c.Map(0xFF0000);
    EXPECT_EQ(GdipDeleteGraphics(g), Ok);
    EXPECT_EQ(k.destroy(live), Ok);
  }
  GdiplusShutdown(token);
}

}  // namespace
