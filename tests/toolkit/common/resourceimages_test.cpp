// The theme-image store: INI reading rules on a package of our own, the
// name map and cache, package switching with its event, and nine-part
// drawing.
#include "toolkit/common/resourceimages.h"

#include <gtest/gtest.h>

#include <string>

#include "image_test_support.h"
#include "platform/framework/afxgdi.h"
#include "platform/gdi/wingdi.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/notifyconnection.h"

using namespace imagetest;

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

const char kIni[] =
    "[Global]\r\n"
    ";PremultiplyImages=1\r\n"
    "[Window]\r\n"
    "BorderActive0 = 59 90 130\r\n"
    "bORDERaCTIVE0 = 1 2 3\r\n"
    "SplitterFace=10 20 30   ; remark\r\n"
    "   Hex = 0x10 010 7\r\n"
    "[Toolbar]\r\n"
    "OnlyHere = 5 6 7\r\n"
    "Rect = 1 2 3 4\r\n"
    "Num = 42abc\n\r\n"
    "[Images]\r\n"
    "ToolbarButtons50=Office2007Blue\\ToolbarButtons50.bmp\r\n"
    "Missing=Office2007Blue\\Missing.bmp\r\n"
    "Last=1 1 1";

struct Package {
  ResourceModule module{u"tkthemefixture"};
  HMODULE handle;
  Package() {
    module.Add(u"TEXTFILE", u"OFFICE2007BLUE_INI", Text(kIni));
    module.Add(u"TEXTFILE", u"NOCR_INI", Text("[Window]\r\nKey=1 2 3"));
    module.Add(u"PNG", u"OFFICE2007BLUE_TOOLBARBUTTONS50_BMP", ReadFile(FixturePath("grey_alpha.png")));
    for (auto& item : module.items) item.data.shrink_to_fit();  // so that reading past an end is caught
    handle = module.Register();
  }
};

TEST(ResourceImagesIni, LookupsFollowTheReadingRules) {
  Package package;
  CTKResourceImages images;
  ASSERT_TRUE(images.SetModule(package.handle, nullptr, FALSE));
  EXPECT_EQ(images.GetIniName(), CString(u"OFFICE2007BLUE_INI"));
  for (auto [section, key] : {std::pair{u"Window", u"BorderActive0"}, {u"WINDOW", u"borderactive0"}}) {
    EXPECT_EQ(images.GetIniString(section, key), CString(u"59 90 130"));  // the first of two
    EXPECT_EQ(images.GetIniColor(section, key, 0), RGB(59, 90, 130));
  }
  EXPECT_EQ(images.GetIniString(u"Window", u"SplitterFace"), CString(u"10 20 30"));
  EXPECT_EQ(images.GetIniColor(u"Window", u"Hex", 0), RGB(16, 8, 7));
  EXPECT_EQ(images.GetIniString(u"Window", u"OnlyHere"), CString());
  EXPECT_EQ(images.GetIniColor(u"Window", u"OnlyHere", RGB(1, 1, 1)), RGB(1, 1, 1));
  EXPECT_EQ(images.GetIniRect(u"Toolbar", u"Rect", CRect()), CRect(1, 2, 3, 4));
  EXPECT_EQ(images.GetIniInt(u"Toolbar", u"Num", 0), 42);
  EXPECT_EQ(images.GetIniInt(u"Global", u"PremultiplyImages", 7), 7);  // commented out
  EXPECT_EQ(images.GetIniString(u"Images", u"ToolbarButtons50"), CString(u"OFFICE2007BLUE\\TOOLBARBUTTONS50.BMP"));
  EXPECT_EQ(images.GetIniString(u"Images", u"Last"), CString());  // no CR after the last line
}

TEST(ResourceImagesIni, TheReaderStopsAtTheEndOfTheResource) {
  Package package;
  CTKResourceImages images;
  ASSERT_TRUE(images.SetModule(package.handle, u"NOCR.INI", FALSE));
  EXPECT_EQ(images.GetIniName(), CString(u"NOCR_INI"));
  EXPECT_EQ(images.GetIniString(u"Window", u"Key"), CString());
  // A given name that does not exist gives no text and no fallback.
  EXPECT_FALSE(images.SetModule(package.handle, u"ABSENT_INI", FALSE));
  EXPECT_FALSE(images.IsLoaded());
  EXPECT_EQ(images.GetIniColor(u"Window", u"BorderActive0", 5), 5u);
}

class EventCounter {
 public:
  void OnImagesChanged(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM lParam) {
    ++count;
    EXPECT_EQ(code, 10575u);
    EXPECT_EQ(wParam, 0u);
    EXPECT_EQ(lParam, 0);
  }
  int count = 0;
};

TEST(ResourceImages, ImagesAreMappedCachedAndDroppedOnAPackageSwitch) {
  Package package;
  CTKResourceImages images;
  EventCounter counter;
  auto* sink = new CTKNotifySink();
  sink->Advise(images.GetConnection(), CTKResourceImages::kEventImagesChanged,
               new CTKNotifySinkClassDelegate<EventCounter>(&counter, &EventCounter::OnImagesChanged));
  images.SetModule(package.handle, nullptr, FALSE);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(images.MapImageName(u"ToolbarButtons50"), CString(u"OFFICE2007BLUE_TOOLBARBUTTONS50_BMP"));
  EXPECT_EQ(images.MapImageName(u"Plain.Name\\x"), CString(u"Plain_Name_x"));
  CTKResourceImage* image = images.GetImage(u"ToolbarButtons50");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetExtent(), CSize(2, 1));
  EXPECT_TRUE(image->IsAlpha());
  EXPECT_EQ(images.GetImage(u"ToolbarButtons50"), image);
  // A failed load is cached: a resource that appears later is not seen
  // until the package is loaded again.
  EXPECT_EQ(images.GetImage(u"Missing"), nullptr);
  ResourceModule later(u"tkthemefixture");
  later.Add(u"PNG", u"OFFICE2007BLUE_MISSING_BMP", ReadFile(FixturePath("grey.png")));
  later.Register();
  EXPECT_EQ(images.GetImage(u"Missing"), nullptr);
  images.LoadIni();
  EXPECT_EQ(counter.count, 2);
  EXPECT_NE(images.GetImage(u"Missing"), nullptr);
  EXPECT_EQ(images.GetImage(nullptr), nullptr);
  sink->Delete();
}

// ---- nine-part drawing ------------------------------------------------------------------------------

// A 20 x 22 image whose nine parts (margins 4) each have their own blue
// value: part (row, col) = 20 + 20 x (row x 3 + col).
HBITMAP NinePartBitmap() {
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, 20, 22, &bits);
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 20; ++x) {
      int row = y < 4 ? 0 : y < 18 ? 1 : 2, col = x < 4 ? 0 : x < 16 ? 1 : 2;
      BYTE* p = bits + ((21 - y) * 20 + x) * 4;  // bottom-up
      p[0] = static_cast<BYTE>(20 + 20 * (row * 3 + col));
      p[3] = 255;
    }
  GdiFlush();
  return bitmap;
}

int Part(int row, int col) { return 20 + 20 * (row * 3 + col); }

struct Canvas {
  HBITMAP bitmap;
  HDC dc;
  HGDIOBJ old;
  Canvas(int w, int h) {
    bitmap = CTKImageManager::CreateDIB32(nullptr, w, -h, nullptr);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
    CRect all(0, 0, w, h);
    GdiFillSolidRect(dc, &all, RGB(0, 255, 0));
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  // The blue value at a logical point, or -1 where nothing was drawn.
  int Blue(int x, int y) const {
    COLORREF c = GetPixel(dc, x, y);
    return GetGValue(c) == 255 ? -1 : GetBValue(c);
  }
  CDC* cdc() const { return CDC::FromHandle(dc); }
};

TEST(ResourceImageDrawing, NinePartsKeepCornersAndStretchEdges) {
  CTKResourceImages images;
  CTKResourceImage image(&images);
  HBITMAP bitmap = NinePartBitmap();
  ASSERT_TRUE(image.LoadFromHandle(bitmap, FALSE));
  DeleteObject(bitmap);
  const CRect source(0, 0, 20, 22), margins(4, 4, 4, 4);
  {
    Canvas canvas(100, 30);
    image.DrawImage(canvas.cdc(), CRect(0, 0, 100, 30), source, margins);
    struct {
      int x, y, part;
    } probes[] = {{0, 0, Part(0, 0)},   {3, 3, Part(0, 0)},  {4, 3, Part(0, 1)},   {95, 0, Part(0, 1)},
                  {96, 3, Part(0, 2)},  {99, 0, Part(0, 2)}, {3, 4, Part(1, 0)},   {50, 15, Part(1, 1)},
                  {97, 25, Part(1, 2)}, {3, 26, Part(2, 0)}, {50, 29, Part(2, 1)}, {99, 29, Part(2, 2)}};
    for (const auto& p : probes) EXPECT_EQ(canvas.Blue(p.x, p.y), p.part) << p.x << "," << p.y;
  }
  {
    // 6 x 6: top 3 rows and bottom 3 raised to 4 (the parity of 4); columns 3 and 3.
    Canvas canvas(6, 6);
    image.DrawImage(canvas.cdc(), CRect(0, 0, 6, 6), source, margins);
    EXPECT_EQ(canvas.Blue(0, 0), Part(0, 0));
    EXPECT_EQ(canvas.Blue(0, 1), Part(0, 0));
    EXPECT_EQ(canvas.Blue(0, 2), Part(2, 0));  // the bottom row starts at 6 - 4
    EXPECT_EQ(canvas.Blue(5, 0), Part(0, 2));
    EXPECT_EQ(canvas.Blue(5, 5), Part(2, 2));
    EXPECT_EQ(canvas.Blue(2, 5), Part(2, 0));
    EXPECT_EQ(canvas.Blue(3, 5), Part(2, 2));
  }
  {
    // As wide as the source: only the middle column is drawn, at full width.
    Canvas canvas(20, 40);
    image.DrawImage(canvas.cdc(), CRect(0, 0, 20, 40), source, margins);
    EXPECT_EQ(canvas.Blue(0, 2), Part(0, 0));
    EXPECT_EQ(canvas.Blue(10, 2), Part(0, 1));
    EXPECT_EQ(canvas.Blue(19, 20), Part(1, 2));
    EXPECT_EQ(canvas.Blue(0, 38), Part(2, 0));
    EXPECT_EQ(canvas.Blue(10, 20), Part(1, 1));
  }
  {
    // Margins taller than the source and an empty destination draw nothing.
    Canvas canvas(10, 10);
    image.DrawImage(canvas.cdc(), CRect(0, 0, 10, 10), CRect(0, 0, 20, 6), margins);
    image.DrawImage(canvas.cdc(), CRect(5, 5, 5, 9), source, margins);
    EXPECT_EQ(canvas.Blue(0, 0), -1);
    EXPECT_EQ(canvas.Blue(5, 6), -1);
  }
}

TEST(ResourceImageDrawing, StatesAndRightToLeftAlphaImages) {
  CTKResourceImages images;
  CTKResourceImage image(&images);
  EXPECT_EQ(image.GetStateRect(0, 3), CRect(0, 0, 0, 0));
  HBITMAP bitmap = NinePartBitmap();
  ASSERT_TRUE(image.LoadFromHandle(bitmap, TRUE));
  DeleteObject(bitmap);
  EXPECT_EQ(image.GetStateRect(1, 2), CRect(0, 11, 20, 22));
  Canvas canvas(100, 30);
  SetLayout(canvas.dc, LAYOUT_RTL);
  image.DrawImage(canvas.cdc(), CRect(0, 0, 100, 30), CRect(0, 0, 20, 22), CRect(4, 4, 4, 4));
  EXPECT_EQ(canvas.Blue(98, 1), Part(0, 0));  // the left corner at the right edge
  EXPECT_EQ(canvas.Blue(1, 1), Part(0, 2));
  EXPECT_EQ(canvas.Blue(50, 15), Part(1, 1));
}

TEST(ResourceImageDrawing, AColourKeyStaysTransparent) {
  CTKResourceImages images;
  CTKResourceImage image(&images);
  LPBYTE bits = nullptr;
  HBITMAP bitmap = CTKImageManager::CreateDIB32(nullptr, 2, 1, &bits);
  // Left pixel magenta (the key), right pixel blue.
  bits[0] = 255, bits[2] = 255, bits[3] = 255;
  bits[4] = 200, bits[7] = 255;
  ASSERT_TRUE(image.LoadFromHandle(bitmap, FALSE));
  DeleteObject(bitmap);
  Canvas keyed(2, 1), glass(2, 1);
  image.DrawImageTransparent(keyed.cdc(), CRect(0, 0, 2, 1), CRect(0, 0, 2, 1), CRect(), RGB(255, 0, 255));
  EXPECT_EQ(keyed.Blue(0, 0), -1);
  EXPECT_EQ(keyed.Blue(1, 0), 200);
  image.DrawImageWithAlpha(glass.cdc(), CRect(0, 0, 2, 1), CRect(0, 0, 2, 1), CRect(), RGB(255, 0, 255), 1);
  EXPECT_EQ(glass.Blue(0, 0), -1);
  EXPECT_EQ(glass.Blue(1, 0), 200);
}

}  // namespace
