// Handles of deleted objects, DCs, icons and image lists stay invalid for
// good: an object made later in the same handle slot, or at the same address,
// is never reached through them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/gdi_internal.h"
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

}  // namespace
