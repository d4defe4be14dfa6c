// Fuzz target: any bytes, read as 16-bit text (the host entry) or as 8-bit
// UTF-8 input, must end in a tree or a clean build error. A built tree is
// laid out and drawn as a host would, at a bounded and at the unbounded
// size, through both drawing back ends, then driven with a few mouse
// messages and released.
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "platform/shell/platform_modules.h"
#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupparser.h"

namespace {

// A 32-bit bitmap selected into a memory DC, kept for the whole run.
struct Canvas {
  HDC dc = nullptr;
  Canvas() {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -100, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
  }
};

void LayOutAndDraw(CTKMarkupContext* ctx, CTKMarkupUIElement* element) {
  static Canvas* canvas = new Canvas();
  const RECT rc{0, 0, 200, 100};
  for (BOOL gdiPlus : {TRUE, FALSE}) {
    ctx->EnableGdiPlus(gdiPlus);
    MarkupMeasureElement(element, 200, 100);
    MarkupRenderElement(element, canvas->dc, &rc);
  }
  // Unbounded, as inside a stack panel or a canvas.
  const SIZE d = MarkupMeasureElement(element, INT_MAX, INT_MAX);
  element->Arrange(RECT{0, 0, d.cx, d.cy});
  MarkupRenderElement(element, canvas->dc, &rc);
  ctx->EnableGdiPlus(TRUE);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pv::RegisterPlatformModules();  // GDI+ drawing, as in the program
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  CTKMarkupContext* ctx = MarkupCreateContext(reinterpret_cast<HWND>(1));
  CTKMarkupObject* root = nullptr;
  if (data[0] & 1) {
    CTKMarkupParser parser;
    parser.m_nCodePage = (data[0] & 2) ? 65001 : 0;
    parser.SetBuffer(reinterpret_cast<const char*>(data + 1), reinterpret_cast<const char*>(data + size));
    CTKMarkupBuilder builder(ctx);
    root = builder.BuildFromTokens(&parser);
    if (!root && builder.GetLastErrorText().IsEmpty()) __builtin_trap();
  } else {
    std::vector<WCHAR> text((size - 1) / 2 + 1, 0);
    if (size > 1) std::memcpy(text.data(), data + 1, ((size - 1) / 2) * 2);
    root = ctx->Parse(text.data());
    if (!root && ctx->GetLastParseError().IsEmpty()) __builtin_trap();
  }
  if (CTKMarkupUIElement* element = MarkupDynamicCast<CTKMarkupUIElement>(root)) {
    LayOutAndDraw(ctx, element);
    element->Arrange(RECT{0, 0, 200, 100});
    LRESULT r;
    const UINT messages[] = {0x0200, 0x0201, 0x0200, 0x0202, 0x0020, 0x020A, 0x0215, 0x02A3};
    for (int i = 0; i < 8; i++) MarkupRelayElementMessage(element, messages[i], 0, MAKELPARAM(i * 10, i * 5), &r);
  }
  MarkupReleaseElement(root);
  MarkupReleaseContext(ctx);
  return 0;
}
