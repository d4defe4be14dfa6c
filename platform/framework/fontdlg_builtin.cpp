// The font dialog made of the standard controls, created by class name from
// an in-memory template and driven with messages (the framework does not
// link the controls).
#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/framework/afxdlg.h"
#include "platform/framework/owndialog.h"

namespace {

using pv::afx::kStaticId;

const char16_t* const kStyles[] = {u"Regular", u"Italic", u"Bold", u"Bold Italic"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
struct NamedColor {
  const char16_t* name;
  COLORREF color;
};
const NamedColor kColors[] = {
    {u"Black", RGB(0, 0, 0)},       {u"Maroon", RGB(128, 0, 0)},    {u"Green", RGB(0, 128, 0)},
    {u"Olive", RGB(128, 128, 0)},   {u"Navy", RGB(0, 0, 128)},      {u"Purple", RGB(128, 0, 128)},
    {u"Teal", RGB(0, 128, 128)},    {u"Gray", RGB(128, 128, 128)},  {u"Silver", RGB(192, 192, 192)},
    {u"Red", RGB(255, 0, 0)},       {u"Lime", RGB(0, 255, 0)},      {u"Yellow", RGB(255, 255, 0)},
    {u"Blue", RGB(0, 0, 255)},      {u"Fuchsia", RGB(255, 0, 255)}, {u"Aqua", RGB(0, 255, 255)},
    {u"White", RGB(255, 255, 255)},
};

struct Face {
  std::u16string name;
  BYTE charset = DEFAULT_CHARSET;
  BYTE pitchAndFamily = 0;
};

bool SameFolded(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::u16string Trim(std::u16string s) {
  while (!s.empty() && s.back() == u' ') s.pop_back();
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  return s.substr(i);
}

std::u16string TextOf(HWND h) { return pv::WindowText(h); }

// "10", "10.5", ".5" → tenths of a point (later decimals dropped); -1 when
// it is not a number. Very long numbers answer a size out of every range.
int ParseTenths(const std::u16string& s) {
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  size_t i = 0;
  int whole = 0, digits = 0, tenth = 0;
  bool fraction = false;
  for (; i < s.size() && digit(s[i]); ++i, ++digits)
    if (digits < 6) whole = whole * 10 + (s[i] - u'0');
  if (i < s.size() && s[i] == u'.') {
    for (++i; i < s.size() && digit(s[i]); ++i) {
      if (!fraction) tenth = s[i] - u'0';
      fraction = true;
    }
  }
  if (i != s.size() || (digits == 0 && !fraction)) return -1;
  if (digits > 6) return 10000000;
  return whole * 10 + tenth;
}

std::u16string FormatTenths(int tenths) {
  CString s;
  if (tenths % 10) s.Format(u"%d.%d", tenths / 10, tenths % 10);
  else s.Format(u"%d", tenths / 10);
  return std::u16string(s.GetString());
}

int LogPixelsY() {
  HDC dc = ::GetDC(nullptr);
  int y = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return y > 0 ? y : 96;
}

// Pixels → tenths of a point. A height is whole pixels, so several sizes
// give it; the whole point (else half point) that gives exactly this height
// is the one shown, so 10 points come back as 10, not 9.8.
int TenthsOfPixels(int pixels) {
  int dpi = LogPixelsY();
  int tenths = MulDiv(pixels, 720, dpi);
  for (int step : {10, 5}) {
    int near = (tenths + step / 2) / step * step;
    for (int t : {near, near - step, near + step})
      if (t > 0 && MulDiv(t, dpi, 720) == pixels) return t;
  }
  return tenths;
}

// The point size (tenths) a LOGFONT asks for: a negative height is the
// character height, a positive one the cell (internal leading included).
int TenthsOf(const LOGFONTW& lf) {
  if (lf.lfHeight < 0) return TenthsOfPixels(-lf.lfHeight);
  if (lf.lfHeight == 0) return 100;
  HFONT font = ::CreateFontIndirect(&lf);
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  TEXTMETRICW tm{};
  ::GetTextMetrics(dc, &tm);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  ::DeleteObject(font);
  int charHeight = tm.tmHeight > 0 ? tm.tmHeight - tm.tmInternalLeading : lf.lfHeight;
  return TenthsOfPixels(charHeight);
}

std::vector<Face> ScreenFaces(DWORD flags) {
  std::vector<Face> faces;
  LOGFONTW want{};
  want.lfCharSet = DEFAULT_CHARSET;
  HDC dc = ::GetDC(nullptr);
  struct Ctx {
    std::vector<Face>* faces;
    DWORD flags;
  } ctx{&faces, flags};
  ::EnumFontFamiliesEx(
      dc, &want,
      [](const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
        auto* c = reinterpret_cast<Ctx*>(p);
        if ((c->flags & CF_FIXEDPITCHONLY) && (lf->lfPitchAndFamily & 0x3) != FIXED_PITCH) return 1;
        if ((c->flags & CF_SCRIPTSONLY) && lf->lfCharSet == SYMBOL_CHARSET) return 1;
        Face f;
        for (int i = 0; i < LF_FACESIZE && lf->lfFaceName[i]; ++i) f.name += lf->lfFaceName[i];
        f.charset = lf->lfCharSet;
        f.pitchAndFamily = lf->lfPitchAndFamily;
        for (const Face& seen : *c->faces)
          if (SameFolded(seen.name, f.name)) return 1;
        c->faces->push_back(std::move(f));
        return 1;
      },
      reinterpret_cast<LPARAM>(&ctx), 0);
  ::ReleaseDC(nullptr, dc);
  return faces;
}

class CBuiltInFontDialog : public CDialog {
 public:
  explicit CBuiltInFontDialog(CHOOSEFONTW& cf) : cf_(cf) {}
  ~CBuiltInFontDialog() override {
    if (sampleFont_) ::DeleteObject(sampleFont_);
  }

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    effects_ = (cf_.Flags & CF_EFFECTS) != 0;
    faces_ = ScreenFaces(cf_.Flags);
    HWND face = Item(pv::kFontDlgFace), style = Item(pv::kFontDlgStyle), size = Item(pv::kFontDlgSize);
    for (const Face& f : faces_) ::SendMessage(face, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.name.c_str()));
    for (const char16_t* s : kStyles) ::SendMessage(style, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    for (int s : kSizes) {
      if ((cf_.Flags & CF_LIMITSIZE) && (s < cf_.nSizeMin || s > cf_.nSizeMax)) continue;
      std::u16string t = FormatTenths(s * 10);
      ::SendMessage(size, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
    if (effects_) {
      HWND color = Item(pv::kFontDlgColor);
      int chosen = -1;
      for (const NamedColor& c : kColors) {
        int i = static_cast<int>(::SendMessage(color, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.name)));
        ::SendMessage(color, CB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(c.color));
        if (c.color == (cf_.rgbColors & 0xFFFFFF)) chosen = i;
      }
      if (chosen < 0) {  // a colour of the caller's own stays choosable
        chosen = static_cast<int>(::SendMessage(color, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Custom")));
        ::SendMessage(color, CB_SETITEMDATA, static_cast<WPARAM>(chosen),
                      static_cast<LPARAM>(cf_.rgbColors & 0xFFFFFF));
      }
      ::SendMessage(color, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    }

    int tenths = 100;
    int styleIndex = 0;
    if ((cf_.Flags & CF_INITTOLOGFONTSTRUCT) && cf_.lpLogFont) {
      const LOGFONTW& lf = *cf_.lpLogFont;
      std::u16string name;
      for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) name += lf.lfFaceName[i];
      SetComboText(face, name);
      styleIndex = (lf.lfWeight >= FW_SEMIBOLD ? 2 : 0) + (lf.lfItalic ? 1 : 0);
      tenths = TenthsOf(lf);
      if (effects_) {
        ::SendMessage(Item(pv::kFontDlgStrikeOut), BM_SETCHECK, lf.lfStrikeOut ? 1 : 0, 0);
        ::SendMessage(Item(pv::kFontDlgUnderline), BM_SETCHECK, lf.lfUnderline ? 1 : 0, 0);
      }
    }
    ::SendMessage(style, CB_SETCURSEL, static_cast<WPARAM>(styleIndex), 0);
    SetComboText(size, FormatTenths(tenths));
    UpdateSample();
    GotoDlgCtrl(CWnd::FromHandle(face));
    return FALSE;
  }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    int id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    bool combo = id == pv::kFontDlgFace || id == pv::kFontDlgStyle || id == pv::kFontDlgSize;
    if (combo && code == CBN_SETFOCUS) {
      // Tabbing into a box selects its text, so typing replaces it.
      ::SendMessage(Item(id), CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF));
      return TRUE;
    }
    if (id == pv::kFontDlgFace && code == CBN_EDITCHANGE) {
      // The list follows what is typed.
      std::u16string typed = TextOf(Item(id));
      LRESULT i = typed.empty() ? -1
                                : ::SendMessage(Item(id), CB_FINDSTRING, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(typed.c_str()));
      if (i >= 0) ::SendMessage(Item(id), CB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
    }
    if ((combo && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE)) ||
        ((id == pv::kFontDlgStrikeOut || id == pv::kFontDlgUnderline) && code == BN_CLICKED) ||
        (id == pv::kFontDlgColor && code == CBN_SELCHANGE)) {
      UpdateSample();
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }

  void OnOK() override {
    Choice c;
    if (!Read(&c)) {
      AfxMessageBox(c.error.c_str(), MB_OK | MB_ICONEXCLAMATION);
      // Back to the box with its text selected, so typing replaces it.
      GotoDlgCtrl(CWnd::FromHandle(Item(c.errorControl)));
      ::SendMessage(Item(c.errorControl), CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF));
      return;
    }
    *cf_.lpLogFont = c.lf;
    cf_.iPointSize = c.tenths;
    if (effects_) cf_.rgbColors = c.color;
    bool bold = c.lf.lfWeight >= FW_SEMIBOLD, italic = c.lf.lfItalic != 0;
    cf_.nFontType = static_cast<WORD>(SCREEN_FONTTYPE | (bold ? BOLD_FONTTYPE : 0) | (italic ? ITALIC_FONTTYPE : 0) |
                                      (!bold && !italic ? REGULAR_FONTTYPE : 0));
    if ((cf_.Flags & CF_USESTYLE) && cf_.lpszStyle) {
      std::u16string name = kStyles[(bold ? 2 : 0) + (italic ? 1 : 0)];
      size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
      std::copy_n(name.begin(), n, cf_.lpszStyle);
      cf_.lpszStyle[n] = 0;
    }
    EndDialog(IDOK);
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == Item(pv::kFontDlgSample)) {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, sampleColor_);
      ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    }
    return CDialog::WindowProc(message, wParam, lParam);
  }

 private:
  struct Choice {
    LOGFONTW lf{};
    int tenths = 0;
    COLORREF color = 0;
    std::u16string error;
    int errorControl = 0;
  };

  HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

  // A simple combo shows the list's spelling when the text names an item.
  void SetComboText(HWND combo, const std::u16string& text) {
    LRESULT i =
        ::SendMessage(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    if (i >= 0) ::SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    else ::SetWindowText(combo, text.c_str());
  }

  std::u16string ItemText(HWND combo, int i) const {
    LRESULT n = ::SendMessage(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return u"";
    std::u16string t(static_cast<size_t>(n) + 1, u'\0');
    ::SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.data()));
    t.resize(static_cast<size_t>(n));
    return t;
  }

  // The font the controls describe; false with a message for the user when
  // a box holds something that is not a font, a style or a size.
  bool Read(Choice* c) const {
    bool init = (cf_.Flags & CF_INITTOLOGFONTSTRUCT) && cf_.lpLogFont;
    if (init) c->lf = *cf_.lpLogFont;
    HWND face = Item(pv::kFontDlgFace);
    std::u16string name = Trim(TextOf(face));
    LRESULT at = name.empty() ? -1
                              : ::SendMessage(face, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(name.c_str()));
    if (at >= 0 && static_cast<size_t>(at) < faces_.size()) {
      const Face& f = faces_[static_cast<size_t>(at)];
      name = f.name;
      if (!init) c->lf.lfCharSet = f.charset;
      c->lf.lfPitchAndFamily = f.pitchAndFamily;
    } else if (name.empty() || (cf_.Flags & CF_FORCEFONTEXIST)) {
      c->error = u"There is no font with that name.\nChoose a font from the list of fonts.";
      c->errorControl = pv::kFontDlgFace;
      return false;
    } else if (!init) {
      c->lf.lfCharSet = DEFAULT_CHARSET;
    }
    std::fill(std::begin(c->lf.lfFaceName), std::end(c->lf.lfFaceName), u'\0');
    std::copy_n(name.begin(), std::min<size_t>(name.size(), LF_FACESIZE - 1), c->lf.lfFaceName);

    std::u16string style = Trim(TextOf(Item(pv::kFontDlgStyle)));
    int styleIndex = -1;
    for (int i = 0; i < 4; ++i)
      if (SameFolded(style, kStyles[i])) styleIndex = i;
    if (styleIndex < 0) {
      c->error = u"There is no style of that name.\nChoose a style from the list of styles.";
      c->errorControl = pv::kFontDlgStyle;
      return false;
    }
    c->lf.lfWeight = styleIndex >= 2 ? FW_BOLD : FW_NORMAL;
    c->lf.lfItalic = (styleIndex & 1) ? 1 : 0;

    int tenths = ParseTenths(Trim(TextOf(Item(pv::kFontDlgSize))));
    int lo = 1, hi = 1638;
    if (cf_.Flags & CF_LIMITSIZE) {
      lo = std::max(1, cf_.nSizeMin);
      hi = std::max(lo, cf_.nSizeMax);
    }
    if (tenths < 0) {
      c->error = u"Size must be a number.";
      c->errorControl = pv::kFontDlgSize;
      return false;
    }
    if (tenths < lo * 10 || tenths > hi * 10) {
      CString msg;
      msg.Format(u"Size must be between %d and %d points.", lo, hi);
      c->error = msg.GetString();
      c->errorControl = pv::kFontDlgSize;
      return false;
    }
    c->tenths = tenths;
    c->lf.lfHeight = -MulDiv(tenths, LogPixelsY(), 720);
    c->lf.lfWidth = 0;

    c->color = cf_.rgbColors;
    if (effects_) {
      c->lf.lfStrikeOut = ::SendMessage(Item(pv::kFontDlgStrikeOut), BM_GETCHECK, 0, 0) == 1 ? 1 : 0;
      c->lf.lfUnderline = ::SendMessage(Item(pv::kFontDlgUnderline), BM_GETCHECK, 0, 0) == 1 ? 1 : 0;
      HWND color = Item(pv::kFontDlgColor);
      LRESULT sel = ::SendMessage(color, CB_GETCURSEL, 0, 0);
      if (sel >= 0) c->color = static_cast<COLORREF>(::SendMessage(color, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
    }
    return true;
  }

  // The sample shows what OK would give; boxes holding nothing valid yet
  // leave it as it is.
  void UpdateSample() {
    HWND sample = Item(pv::kFontDlgSample);
    Choice c;
    if (!sample || !Read(&c)) return;
    HFONT font = ::CreateFontIndirect(&c.lf);
    ::SendMessage(sample, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (sampleFont_) ::DeleteObject(sampleFont_);
    sampleFont_ = font;
    sampleColor_ = c.color;
    ::InvalidateRect(sample, nullptr, TRUE);
  }

  CHOOSEFONTW& cf_;
  bool effects_ = false;
  std::vector<Face> faces_;
  HFONT sampleFont_ = nullptr;
  COLORREF sampleColor_ = 0;
};

pv::DialogTemplate MakeTemplate(DWORD flags) {
  pv::DialogTemplate t = pv::afx::OwnDialogTemplate(u"Font", 300, 182);
  auto add = [&t](auto&&... args) { pv::afx::AddControl(t, args...); };
  // Our combo boxes are as tall as their face (a drop-down list) or face and
  // list (simple); the lists scroll themselves. Group boxes come last, out
  // of the way of the fields' tab order.
  add(u"Static", u"&Font:", 0, kStaticId, 7, 7, 100, 9);
  add(u"ComboBox", u"", CBS_SIMPLE | CBS_AUTOHSCROLL | WS_TABSTOP, pv::kFontDlgFace, 7, 17, 100, 90);
  add(u"Static", u"Font st&yle:", 0, kStaticId, 114, 7, 70, 9);
  add(u"ComboBox", u"", CBS_SIMPLE | WS_TABSTOP, pv::kFontDlgStyle, 114, 17, 70, 90);
  add(u"Static", u"&Size:", 0, kStaticId, 191, 7, 40, 9);
  add(u"ComboBox", u"", CBS_SIMPLE | WS_TABSTOP, pv::kFontDlgSize, 191, 17, 40, 90);
  if (flags & CF_EFFECTS) {
    add(u"Button", u"Stri&keout", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, pv::kFontDlgStrikeOut, 13, 123, 85, 10);
    add(u"Button", u"&Underline", BS_AUTOCHECKBOX | WS_TABSTOP, pv::kFontDlgUnderline, 13, 136, 85, 10);
    add(u"Static", u"&Color:", 0, kStaticId, 13, 149, 85, 9);
    add(u"ComboBox", u"", CBS_DROPDOWNLIST | WS_TABSTOP, pv::kFontDlgColor, 13, 158, 85, 12);
  }
  add(u"Static", u"AaBbYyZz", SS_CENTER | SS_NOPREFIX, pv::kFontDlgSample, 120, 124, 167, 45);
  add(u"Button", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, static_cast<UINT>(IDOK), 238, 17, 55, 14);
  add(u"Button", u"Cancel", WS_TABSTOP, static_cast<UINT>(IDCANCEL), 238, 34, 55, 14);
  if (flags & CF_EFFECTS) add(u"Button", u"Effects", BS_GROUPBOX, kStaticId, 7, 112, 100, 63);
  add(u"Button", u"Sample", BS_GROUPBOX, kStaticId, 114, 112, 179, 63);
  return t;
}

}  // namespace

int pv::RunBuiltInFontDialog(CHOOSEFONTW& cf, HWND owner) {
  if (!cf.lpLogFont) return IDCANCEL;
  // The dialog answers into copies: a cancel changes nothing.
  CHOOSEFONTW work = cf;
  LOGFONTW lf = *cf.lpLogFont;
  work.lpLogFont = &lf;
  CBuiltInFontDialog dlg(work);
  dlg.InitModalIndirect(MakeTemplate(cf.Flags), owner ? CWnd::FromHandle(owner) : nullptr);
  if (dlg.DoModal() != IDOK) return IDCANCEL;
  *cf.lpLogFont = lf;
  cf.iPointSize = work.iPointSize;
  cf.rgbColors = work.rgbColors;
  cf.nFontType = work.nFontType;
  return IDOK;
}
