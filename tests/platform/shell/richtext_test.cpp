#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/syscolors.h"
#include "platform/gdi/wingdi.h"
#include "platform/shell/shellapi.h"
#include "platform/shell/textserv.h"
#include "platform/system/modules.h"

namespace {

// A windowless host like the toolkit's: fixed answers, remembers the last
// size the services asked for.
struct Host : ITextHost {
  CHARFORMATW cf{};
  PARAFORMAT2 pf{};
  SIZE requested{0, 0};
  int resizeCount = 0;

  Host() {
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_CHARSET | CFM_FACE | CFM_COLOR | CFM_SIZE;
    cf.yHeight = 200;  // 10 pt
    cf.crTextColor = RGB(0, 0, 0);
    std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), cf.szFaceName);
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    pf.wAlignment = PFA_LEFT;
  }
  STDMETHODIMP QueryInterface(REFIID, void** o) override {
    *o = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  HDC TxGetDC() override { return nullptr; }
  INT TxReleaseDC(HDC) override { return 0; }
  BOOL TxShowScrollBar(INT, BOOL) override { return FALSE; }
  BOOL TxEnableScrollBar(INT, INT) override { return FALSE; }
  BOOL TxSetScrollRange(INT, LONG, INT, BOOL) override { return FALSE; }
  BOOL TxSetScrollPos(INT, INT, BOOL) override { return FALSE; }
  void TxInvalidateRect(LPCRECT, BOOL) override {}
  void TxViewChange(BOOL) override {}
  BOOL TxCreateCaret(HBITMAP, INT, INT) override { return FALSE; }
  BOOL TxShowCaret(BOOL) override { return FALSE; }
  BOOL TxSetCaretPos(INT, INT) override { return FALSE; }
  BOOL TxSetTimer(UINT, UINT) override { return FALSE; }
  void TxKillTimer(UINT) override {}
  void TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) override {}
  void TxSetCapture(BOOL) override {}
  void TxSetFocus() override {}
  void TxSetCursor(HCURSOR, BOOL) override {}
  BOOL TxScreenToClient(LPPOINT) override { return FALSE; }
  BOOL TxClientToScreen(LPPOINT) override { return FALSE; }
  HRESULT TxActivate(LONG*) override { return E_FAIL; }
  HRESULT TxDeactivate(LONG) override { return E_FAIL; }
  HRESULT TxGetClientRect(LPRECT) override { return E_FAIL; }
  HRESULT TxGetViewInset(LPRECT rc) override {
    *rc = {};
    return S_OK;
  }
  HRESULT TxGetCharFormat(const CHARFORMATW** p) override {
    *p = &cf;
    return S_OK;
  }
  HRESULT TxGetParaFormat(const PARAFORMAT** p) override {
    *p = &pf;
    return S_OK;
  }
  COLORREF TxGetSysColor(int index) override { return GetSysColor(index); }
  HRESULT TxGetBackStyle(DWORD* s) override {
    *s = TXTBACK_TRANSPARENT;
    return S_OK;
  }
  HRESULT TxGetMaxLength(DWORD* n) override {
    *n = 0x1000000;
    return S_OK;
  }
  HRESULT TxGetScrollBars(DWORD* b) override {
    *b = 0;
    return S_OK;
  }
  HRESULT TxGetPasswordChar(WCHAR*) override { return S_FALSE; }
  HRESULT TxGetAcceleratorPos(LONG* p) override {
    *p = -1;
    return S_OK;
  }
  HRESULT TxGetExtent(SIZEL*) override { return E_NOTIMPL; }
  HRESULT OnTxCharFormatChange(const CHARFORMATW*) override { return E_FAIL; }
  HRESULT OnTxParaFormatChange(const PARAFORMAT*) override { return E_FAIL; }
  HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override {
    *bits = mask & (TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_WORDWRAP);
    return S_OK;
  }
  HRESULT TxNotify(DWORD code, void* data) override {
    if (code == EN_REQUESTRESIZE) {
      auto* r = static_cast<REQRESIZE*>(data);
      requested = {r->rc.right - r->rc.left, r->rc.bottom - r->rc.top};
      ++resizeCount;
    }
    return S_OK;
  }
  HIMC TxImmGetContext() override { return nullptr; }
  void TxImmReleaseContext(HIMC) override {}
  HRESULT TxGetSelectionBarWidth(LONG* w) override {
    *w = 0;
    return S_OK;
  }
};

struct Memory {
  const std::string* bytes;
  size_t pos = 0;
};

DWORD ReadMemory(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  auto* m = reinterpret_cast<Memory*>(cookie);
  size_t n = std::min<size_t>(static_cast<size_t>(count), m->bytes->size() - m->pos);
  std::memcpy(buffer, m->bytes->data() + m->pos, n);
  m->pos += n;
  *done = static_cast<LONG>(n);
  return 0;
}

struct Fixture {
  Host host;
  ITextServices* ts = nullptr;
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ oldBmp = nullptr;

  Fixture() {
    // Found by name, the way the host finds it.
    pv::shell::RegisterModules();
    HMODULE m = LoadLibraryW(u"RICHED20.DLL");
    auto create = pv::ProcAs<HRESULT(IUnknown*, ITextHost*, IUnknown**)>(GetProcAddress(m, "CreateTextServices"));
    IUnknown* unk = nullptr;
    EXPECT_EQ(create(nullptr, &host, &unk), S_OK);
    EXPECT_EQ(unk->QueryInterface(IID_ITextServices, reinterpret_cast<void**>(&ts)), S_OK);
    unk->Release();
    FreeLibrary(m);
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi{};  // 32-bit colour, not the memory DC's monochrome bitmap
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 400;
    bmi.bmiHeader.biHeight = -200;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bmp = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    oldBmp = SelectObject(dc, bmp);
    RECT all{0, 0, 400, 200};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &all, white);
    DeleteObject(white);
  }
  ~Fixture() {
    ts->Release();
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  LRESULT Stream(const std::string& bytes, DWORD format) {
    Memory mem{&bytes};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&mem), 0, &ReadMemory};
    LRESULT r = 0;
    ts->TxSendMessage(EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es), &r);
    return r;
  }
  std::u16string Text() {
    BSTR b = nullptr;
    ts->TxGetText(&b);
    std::u16string t(b, SysStringLen(b));
    SysFreeString(b);
    return t;
  }
  // The width search the host runs, reduced to one draw: lay out at
  // `width` and take the size the services ask for.
  SIZE Measure(int width) {
    ts->TxSendMessage(EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE, nullptr);
    host.requested = {0, 0};
    RECTL bounds{0, 0, width, 1};
    ts->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr, nullptr, nullptr, 0, 0);
    return host.requested;
  }
  void Draw(int width, int height) {
    RECTL bounds{0, 0, width, height};
    ts->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, dc, nullptr, &bounds, nullptr, nullptr, nullptr, 0, 0);
  }
  // Pixels in the box that are "inked" by the test, by a colour predicate.
  template <class P>
  int Count(RECT box, P pred) {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) {
        COLORREF c = GetPixel(dc, x, y);
        if (pred(GetRValue(c), GetGValue(c), GetBValue(c))) ++n;
      }
    return n;
  }
};

SIZE PlainExtent(HDC dc, const std::u16string& text, bool bold) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(200, GetDeviceCaps(dc, LOGPIXELSY), 1440);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  std::u16string face = u"Arial";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  HFONT f = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, f);
  SIZE s{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
  SelectObject(dc, old);
  DeleteObject(f);
  return s;
}

TEST(RichText, PlainTextMeasuresItsOwnWidthAndWraps) {
  Fixture fx;
  std::u16string text = u"Meeting at ten";
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  EXPECT_EQ(fx.Stream(bytes, SF_TEXT | SF_UNICODE), static_cast<LRESULT>(text.size()));
  SIZE one = PlainExtent(fx.dc, text, false);
  SIZE wide = fx.Measure(300);
  EXPECT_EQ(wide.cx, one.cx);  // the line's width, not the 300 offered
  EXPECT_GT(wide.cy, 0);
  // Just wide enough for "Meeting": "at ten" fits on the second line.
  SIZE word = PlainExtent(fx.dc, u"Meeting", false);
  SIZE narrow = fx.Measure(word.cx + 2);
  EXPECT_EQ(narrow.cy, wide.cy * 2);
  EXPECT_EQ(narrow.cx, word.cx);
  // Narrower than any word: each word on its own line.
  EXPECT_EQ(fx.Measure(3).cy, wide.cy * 3);
  EXPECT_LE(narrow.cx, word.cx + 2);
  LONG w = word.cx + 2, h = 0;
  SIZEL extent{w, 0};
  ASSERT_EQ(fx.ts->TxGetNaturalSize(DVASPECT_CONTENT, fx.dc, nullptr, nullptr, TXTNS_FITTOCONTENT, &extent, &w, &h),
            S_OK);
  EXPECT_EQ(h, narrow.cy);
  // Line ends become paragraphs; an empty text measures nothing.
  fx.ts->TxSetText(u"a\r\nb\rc");
  EXPECT_EQ(fx.Text(), u"a\rb\rc");
  SIZE three = fx.Measure(300);
  EXPECT_EQ(three.cy, wide.cy * 3) << three.cx;
  fx.ts->TxSetText(u"");
  SIZE empty = fx.Measure(300);
  EXPECT_EQ(empty.cx, 0);
  EXPECT_EQ(empty.cy, 0);
}

TEST(RichText, RtfRunsAndEscapes) {
  struct Case {
    const char* rtf;
    const char16_t* text;
  };
  const Case cases[] = {
      {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0 Hello {\\b bold} world\\par}", u"Hello bold world"},
      {"{\\rtf1 A\\u20320?B\\uc2\\u22909xyC}", u"A\u4F60B\u597DC"},
      {"{\\rtf1 neg\\u-3913?x}", u"neg\uF0B7x"},
      {"{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\{x\\}\\\\}", u"caf\u00E9 {x}\\"},
      {"{\\rtf1 one\\line two\\par three}", u"one\rtwo\rthree"},
      {"{\\rtf1{\\*\\generator Some Writer;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}Body\\tab End}",
       u"Body\tEnd"},
      {"{\\rtf1 \\unknownword123 kept}", u"kept"},
  };
  for (const Case& c : cases) {
    Fixture fx;
    EXPECT_GT(fx.Stream(c.rtf, SF_RTF), 0) << c.rtf;
    EXPECT_EQ(fx.Text(), std::u16string(c.text)) << c.rtf;
  }
}

TEST(RichText, BoldRunIsWiderAndColourTableColoursPixels) {
  Fixture fx;
  ASSERT_GT(fx.Stream("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\b bobo}\\cf1 MMMM}", SF_RTF), 0);
  SIZE s = fx.Measure(400);
  SIZE plainW = PlainExtent(fx.dc, u"bobo", false);
  SIZE boldW = PlainExtent(fx.dc, u"bobo", true);
  SIZE plainM = PlainExtent(fx.dc, u"MMMM", false);
  EXPECT_GT(boldW.cx, plainW.cx);
  EXPECT_EQ(s.cx, boldW.cx + plainM.cx);
  fx.Draw(400, 200);
  auto red = [](int r, int g, int b) { return r > 180 && g < 90 && b < 90; };
  auto dark = [](int r, int g, int b) { return r < 90 && g < 90 && b < 90; };
  RECT boldBox{0, 0, boldW.cx, s.cy};
  RECT redBox{boldW.cx, 0, boldW.cx + plainM.cx, s.cy};
  EXPECT_GT(fx.Count(boldBox, dark), 10);
  EXPECT_EQ(fx.Count(boldBox, red), 0);
  EXPECT_GT(fx.Count(redBox, red), 10);
  EXPECT_EQ(fx.Count(redBox, dark), 0);
  // Nothing is drawn outside the bounds or below the text.
  EXPECT_EQ(fx.Count(RECT{0, s.cy + 1, 400, 200}, [](int r, int g, int b) { return r + g + b < 700; }), 0);
}

TEST(RichText, MalformedRtfNeverCrashes) {
  const char* inputs[] = {
      "{\\rtf1 {\\b unclosed",
      "{\\rtf1 trailing\\",
      "{\\rtf1 \\u",
      "{\\rtf1 \\'",
      "{\\rtf1 \\'4",
      "{\\rtf1 \\fs999999999999 big}",
      "{\\rtf1 \\cf99 no such colour}",
      "{\\rtf1 }}}}} extra",
      "{\\rtf1{\\colortbl\\red300;}\\cf1 x}",
      "{\\rtf1 \\f77 missing font}",
      "{\\rtf1 \\uc99\\u65 skip}",
  };
  for (const char* in : inputs) {
    Fixture fx;
    fx.Stream(in, SF_RTF);
    SIZE s = fx.Measure(200);
    EXPECT_GE(s.cx, 0) << in;
    fx.Draw(200, 100);
  }
  std::string deep(100000, '{');
  Fixture fx;
  std::string nested = "{\\rtf1 " + deep + "x";
  fx.Stream(nested, SF_RTF);
  fx.Measure(100);
  // Not RTF at all: nothing is read, the host then streams it as plain text.
  Fixture plain;
  EXPECT_EQ(plain.Stream("{not rtf}", SF_RTF), 0);
  std::u16string text = u"{not rtf}";
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  EXPECT_EQ(plain.Stream(bytes, SF_TEXT | SF_UNICODE), 9);
  EXPECT_EQ(plain.Text(), text);
}

TEST(RichText, DefaultFormatFollowsTheHost) {
  Fixture fx;
  fx.ts->TxSetText(u"bobo");
  SIZE before = fx.Measure(400);
  CHARFORMATW cf = fx.host.cf;
  cf.dwMask = CFM_BOLD;
  cf.dwEffects = CFE_BOLD;
  LRESULT r = 0;
  fx.ts->TxSendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf), &r);
  SIZE after = fx.Measure(400);
  EXPECT_EQ(after.cx, PlainExtent(fx.dc, u"bobo", true).cx);
  EXPECT_GT(after.cx, before.cx);
  // Without the event mask nobody is told about the size.
  fx.ts->TxSendMessage(EM_SETEVENTMASK, 0, 0, nullptr);
  int count = fx.host.resizeCount;
  fx.Draw(400, 100);
  EXPECT_EQ(fx.host.resizeCount, count);
}

}  // namespace

namespace {

static_assert(sizeof(CHARFORMATW) == 92, "hosts copy the character format as 92 bytes");

TEST(RichText, CentredParagraphsDrawInTheMiddle) {
  Fixture fx;
  fx.ts->TxSetText(u"bobo");
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_CENTER;
  fx.ts->TxSendMessage(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf), nullptr);
  SIZE s = fx.Measure(400);
  fx.Draw(400, 100);
  auto ink = [](int r, int g, int b) { return r + g + b < 300; };
  int left = (400 - s.cx) / 2;
  EXPECT_EQ(fx.Count(RECT{0, 0, left - 1, s.cy}, ink), 0);
  EXPECT_EQ(fx.Count(RECT{left + s.cx + 1, 0, 400, s.cy}, ink), 0);
  EXPECT_GT(fx.Count(RECT{left, 0, left + s.cx, s.cy}, ink), 10);
}

}  // namespace
