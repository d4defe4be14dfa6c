// Our rich-text engine behind the windowless text services: a list of
// formatted runs (plain text or the RTF subset callers write), laid out in
// lines with word wrap, measured and drawn through GDI.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/utf.h"
#include "platform/gdi/syscolors.h"
#include "platform/shell/textserv.h"
#include "platform/system/modules.h"

namespace {

struct Fmt {
  bool bold = false, italic = false, underline = false, strike = false;
  LONG twips = 200;
  COLORREF color = 0;
  bool autoColor = true;
  std::u16string face = u"Tahoma";
  bool operator==(const Fmt&) const = default;
};

struct Run {
  std::u16string text;  // '\n' ends a paragraph
  Fmt fmt;
};

// ---- RTF ------------------------------------------------------------------------------------

class RtfReader {
 public:
  RtfReader(std::string_view src, const Fmt& base) : s_(src), base_(base) {}

  // False when the text is not RTF at all; otherwise reads what it can.
  bool Read(std::vector<Run>* out) {
    size_t p = 0;
    while (p < s_.size() && (s_[p] == ' ' || s_[p] == '\r' || s_[p] == '\n' || s_[p] == '\t')) ++p;
    if (s_.compare(p, 5, "{\\rtf") != 0) return false;
    pos_ = p;
    State st;
    st.fmt = base_;
    std::vector<State> stack;
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '{') {
        ++pos_;
        stack.push_back(st);
        st.firstInGroup = true;
        if (stack.size() > 4096) break;  // absurd nesting: stop reading
        continue;
      }
      if (c == '}') {
        ++pos_;
        FlushBytes(st);
        if (st.dest == Dest::FontTable && !st.fontName.empty()) EndFont(st);
        if (stack.empty()) break;
        Dest inner = st.dest;
        st = stack.back();
        stack.pop_back();
        if (inner == Dest::FontTable && st.dest == Dest::FontTable) st.fontName.clear();
        continue;
      }
      if (c == '\\') {
        ControlWord(st);
        continue;
      }
      ++pos_;
      if (c == '\r' || c == '\n') continue;
      st.firstInGroup = false;
      if (st.dest == Dest::FontTable) {
        if (c == ';') EndFont(st);
        else st.fontName.push_back(c);
        continue;
      }
      if (st.dest == Dest::ColorTable) {
        if (c == ';') {
          colors_.push_back(st.haveColor ? RGB(st.r, st.g, st.b) : CLR_INVALID_AUTO);
          st.haveColor = false;
          st.r = st.g = st.b = 0;
        }
        continue;
      }
      if (st.dest != Dest::Text) continue;
      if (st.skip > 0) {
        --st.skip;
        continue;
      }
      bytes_.push_back(c);
      pendingFmt_ = st.fmt;
    }
    FlushBytes(st);
    *out = std::move(runs_);
    return true;
  }

 private:
  static constexpr COLORREF CLR_INVALID_AUTO = 0xFFFFFFFF;
  enum class Dest { Text, FontTable, ColorTable, Skip };
  struct State {
    Fmt fmt;
    Dest dest = Dest::Text;
    int uc = 1;
    int skip = 0;  // characters still to skip after a \u
    bool firstInGroup = false;
    bool haveColor = false;
    int r = 0, g = 0, b = 0;
    int fontIndex = 0;
    std::string fontName;
  };

  void EndFont(State& st) {
    std::string name = st.fontName;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    if (fonts_.size() < 4096) fonts_.emplace_back(st.fontIndex, pv::Utf8ToUtf16(name));
    st.fontName.clear();
  }

  void Append(const std::u16string& text, const Fmt& fmt) {
    if (text.empty()) return;
    if (!runs_.empty() && runs_.back().fmt == fmt) runs_.back().text += text;
    else runs_.push_back({text, fmt});
  }

  // Bytes between control words are text in the document's code page.
  void FlushBytes(const State& st) {
    (void)st;
    if (bytes_.empty()) return;
    std::u16string text;
    int n = MultiByteToWideChar(codePage_, 0, bytes_.data(), static_cast<int>(bytes_.size()), nullptr, 0);
    if (n > 0) {
      text.resize(static_cast<size_t>(n));
      MultiByteToWideChar(codePage_, 0, bytes_.data(), static_cast<int>(bytes_.size()), text.data(), n);
    } else {
      for (char b : bytes_) text.push_back(static_cast<unsigned char>(b) < 0x80 ? static_cast<char16_t>(b) : u'?');
    }
    bytes_.clear();
    Append(text, pendingFmt_);
  }

  void Emit(State& st, char16_t ch) {
    if (st.dest != Dest::Text) return;
    FlushBytes(st);
    Append(std::u16string(1, ch), st.fmt);
  }

  void ControlWord(State& st) {
    ++pos_;  // the backslash
    if (pos_ >= s_.size()) return;
    char c = s_[pos_];
    if (!IsAlpha(c)) {
      ++pos_;
      switch (c) {
        case '\\':
        case '{':
        case '}':
          if (st.dest == Dest::Text && st.skip > 0) {
            --st.skip;
            return;
          }
          if (st.dest == Dest::Text) {
            bytes_.push_back(c);
            pendingFmt_ = st.fmt;
          } else if (st.dest == Dest::FontTable) st.fontName.push_back(c);
          return;
        case '\'': {
          int v = 0, digits = 0;
          while (digits < 2 && pos_ < s_.size() && IsHex(s_[pos_])) v = v * 16 + Hex(s_[pos_++]), ++digits;
          if (st.dest == Dest::Text) {
            if (st.skip > 0) {
              --st.skip;
              return;
            }
            bytes_.push_back(static_cast<char>(v));
            pendingFmt_ = st.fmt;
          } else if (st.dest == Dest::FontTable) {
            st.fontName.push_back(static_cast<char>(v));
          }
          return;
        }
        case '*':
          st.dest = Dest::Skip;
          return;
        case '~':
          Emit(st, u'\u00A0');
          return;
        case '_':
          Emit(st, u'-');
          return;
        case '\r':
        case '\n':
          Emit(st, u'\n');
          return;
        default:
          return;  // \- and unknown symbols
      }
    }
    std::string word;
    while (pos_ < s_.size() && IsAlpha(s_[pos_]) && word.size() < 32) word.push_back(s_[pos_++]);
    while (pos_ < s_.size() && IsAlpha(s_[pos_])) ++pos_;  // over-long word: ignored
    bool hasArg = false, neg = false;
    long arg = 0;
    if (pos_ < s_.size() && s_[pos_] == '-') {
      neg = true;
      ++pos_;
    }
    int digits = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      if (digits < 10) arg = arg * 10 + (s_[pos_] - '0');
      ++digits;
      ++pos_;
      hasArg = true;
    }
    if (neg) arg = -arg;
    if (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    Apply(st, word, hasArg, arg);
  }

  void Apply(State& st, const std::string& w, bool hasArg, long arg) {
    bool on = !hasArg || arg != 0;
    if (w == "fonttbl") {
      st.dest = Dest::FontTable;
      return;
    }
    if (w == "colortbl") {
      st.dest = Dest::ColorTable;
      return;
    }
    static const char* const kSkipped[] = {"stylesheet",
                                           "info",
                                           "pict",
                                           "header",
                                           "footer",
                                           "headerl",
                                           "headerr",
                                           "footerl",
                                           "footerr",
                                           "footnote",
                                           "object",
                                           "listtable",
                                           "listoverridetable",
                                           "revtbl",
                                           "generator",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "fldinst",
                                           "rsidtbl",
                                           "mmathPr",
                                           "pgdsctbl",
                                           "filetbl"};
    for (const char* k : kSkipped)
      if (w == k) {
        st.dest = Dest::Skip;
        return;
      }
    if (st.dest == Dest::ColorTable) {
      int v = static_cast<int>(std::clamp<long>(arg, 0, 255));
      if (w == "red") {
        st.r = v;
        st.haveColor = true;
      } else if (w == "green") {
        st.g = v;
        st.haveColor = true;
      } else if (w == "blue") {
        st.b = v;
        st.haveColor = true;
      }
      return;
    }
    if (st.dest == Dest::FontTable) {
      if (w == "f") st.fontIndex = static_cast<int>(arg);
      return;
    }
    if (st.dest == Dest::Skip) return;
    if (w == "ansicpg" && hasArg && IsValidCodePage(static_cast<UINT>(arg))) {
      FlushBytes(st);
      codePage_ = static_cast<UINT>(arg);
      return;
    }
    if (w == "u" && hasArg) {
      long v = arg < 0 ? arg + 65536 : arg;
      Emit(st, static_cast<char16_t>(v & 0xFFFF));
      st.skip = st.uc;
      return;
    }
    if (w == "uc") {
      st.uc = static_cast<int>(std::clamp<long>(arg, 0, 10));
      return;
    }
    if (w == "par" || w == "line" || w == "sect" || w == "page") {
      Emit(st, u'\n');
      return;
    }
    if (w == "tab") {
      Emit(st, u'\t');
      return;
    }
    if (w == "emdash") {
      Emit(st, u'\u2014');
      return;
    }
    if (w == "endash") {
      Emit(st, u'\u2013');
      return;
    }
    if (w == "bullet") {
      Emit(st, u'\u2022');
      return;
    }
    if (w == "lquote") {
      Emit(st, u'\u2018');
      return;
    }
    if (w == "rquote") {
      Emit(st, u'\u2019');
      return;
    }
    if (w == "ldblquote") {
      Emit(st, u'\u201C');
      return;
    }
    if (w == "rdblquote") {
      Emit(st, u'\u201D');
      return;
    }
    FlushBytes(st);
    if (w == "b") st.fmt.bold = on;
    else if (w == "i") st.fmt.italic = on;
    else if (w == "ul") st.fmt.underline = on;
    else if (w == "ulnone") st.fmt.underline = false;
    else if (w == "strike") st.fmt.strike = on;
    else if (w == "fs" && hasArg && arg > 0) st.fmt.twips = std::min<long>(arg, 3276) * 10;
    else if (w == "plain") st.fmt = base_;
    else if (w == "cf") {
      if (arg <= 0 || static_cast<size_t>(arg) >= colors_.size() || colors_[arg] == CLR_INVALID_AUTO) {
        st.fmt.autoColor = true;
        st.fmt.color = base_.color;
      } else {
        st.fmt.autoColor = false;
        st.fmt.color = colors_[arg];
      }
    } else if (w == "f" && hasArg) {
      for (auto& [index, face] : fonts_)
        if (index == arg && !face.empty()) st.fmt.face = face;
    }
  }

  static bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
  static int Hex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

  std::string_view s_;
  Fmt base_;
  size_t pos_ = 0;
  UINT codePage_ = 1252;
  std::vector<Run> runs_;
  std::string bytes_;
  Fmt pendingFmt_;
  std::vector<COLORREF> colors_;
  std::vector<std::pair<long, std::u16string>> fonts_;
};

// ---- layout ---------------------------------------------------------------------------------

struct Piece {
  size_t run;
  std::u16string text;
  int x = 0, width = 0;
};

struct Line {
  std::vector<Piece> pieces;
  int width = 0;  // without trailing blanks
  int height = 0;
  int ascent = 0;
  int top = 0;
};

class TextServices final : public ITextServices {
 public:
  explicit TextServices(ITextHost* host) : host_(host) {
    const CHARFORMATW* cf = nullptr;
    if (host_ && SUCCEEDED(host_->TxGetCharFormat(&cf)) && cf) ApplyCharFormat(*cf, &base_);
    const PARAFORMAT* pf = nullptr;
    if (host_ && SUCCEEDED(host_->TxGetParaFormat(&pf)) && pf && (pf->dwMask & PFM_ALIGNMENT)) align_ = pf->wAlignment;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_ITextServices) {
      *out = static_cast<ITextServices*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  HRESULT TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    LRESULT r = 0;
    switch (msg) {
      case EM_SETCHARFORMAT: {
        auto* cf = reinterpret_cast<const CHARFORMATW*>(lParam);
        if (!cf) break;
        Fmt old = base_;
        ApplyCharFormat(*cf, &base_);
        // Runs that used the default follow it; explicit formats stay.
        for (Run& run : runs_) {
          if (wParam & SCF_ALL) ApplyCharFormat(*cf, &run.fmt);
          else if (run.fmt == old) run.fmt = base_;
        }
        r = 1;
        break;
      }
      case EM_SETPARAFORMAT: {
        auto* pf = reinterpret_cast<const PARAFORMAT*>(lParam);
        if (pf && (pf->dwMask & PFM_ALIGNMENT)) align_ = pf->wAlignment;
        r = pf ? 1 : 0;
        break;
      }
      case EM_SETEVENTMASK:
        r = eventMask_;
        eventMask_ = static_cast<DWORD>(lParam);
        break;
      case EM_GETEVENTMASK:
        r = eventMask_;
        break;
      case EM_STREAMIN:
        r = StreamIn(static_cast<DWORD>(wParam), reinterpret_cast<EDITSTREAM*>(lParam));
        break;
      case WM_SETTEXT:
        SetPlain(lParam ? std::u16string(reinterpret_cast<LPCWSTR>(lParam)) : std::u16string());
        r = 1;
        break;
      case WM_GETTEXTLENGTH:
        r = static_cast<LRESULT>(Text().size());
        break;
      case EM_REQUESTRESIZE:
        pendingResize_ = true;
        break;
      default:
        if (result) *result = 0;
        return S_FALSE;
    }
    if (result) *result = r;
    return S_OK;
  }

  HRESULT TxDraw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC hdc, HDC, LPCRECTL bounds, LPCRECTL, LPRECT update,
                 BOOL (*)(DWORD), DWORD, LONG) override {
    if (!bounds) return E_INVALIDARG;
    // Nothing to update: lay out (and report the size) without painting.
    const bool paint = !(update && IsRectEmpty(update));
    RECT rc{bounds->left, bounds->top, bounds->right, bounds->bottom};
    HDC measure = hdc ? hdc : GetDC(nullptr);
    std::vector<Line> lines = Layout(measure, std::max<LONG>(0, rc.right - rc.left));
    int width = 0, height = 0;
    for (const Line& l : lines) {
      width = std::max(width, l.width);
      height = l.top + l.height;
    }
    if (hdc && paint) {
      int saved = SaveDC(hdc);
      IntersectClipRect(hdc, rc.left, rc.top, rc.right, rc.bottom);
      SetBkMode(hdc, TRANSPARENT);
      for (const Line& l : lines) {
        if (rc.top + l.top >= rc.bottom) break;
        int dx = 0, avail = rc.right - rc.left;
        if (align_ == PFA_CENTER) dx = (avail - l.width) / 2;
        else if (align_ == PFA_RIGHT) dx = avail - l.width;
        for (const Piece& p : l.pieces) {
          const Fmt& f = runs_[p.run].fmt;
          HFONT font = MakeFont(hdc, f);
          HGDIOBJ old = SelectObject(hdc, font);
          SetTextColor(hdc, f.autoColor && host_ ? host_->TxGetSysColor(COLOR_WINDOWTEXT) : f.color);
          TEXTMETRICW tm{};
          GetTextMetricsW(hdc, &tm);
          std::u16string shown = p.text;
          std::replace(shown.begin(), shown.end(), u'\t', u' ');
          TextOutW(hdc, rc.left + dx + p.x, rc.top + l.top + (l.ascent - tm.tmAscent), shown.c_str(),
                   static_cast<int>(shown.size()));
          SelectObject(hdc, old);
          DeleteObject(font);
        }
      }
      RestoreDC(hdc, saved);
    }
    if (!hdc) ReleaseDC(nullptr, measure);
    if (host_ && (eventMask_ & ENM_REQUESTRESIZE)) {
      REQRESIZE req{};
      req.nmhdr.code = EN_REQUESTRESIZE;
      req.rc = {rc.left, rc.top, rc.left + width, rc.top + height};
      host_->TxNotify(EN_REQUESTRESIZE, &req);
    }
    return S_OK;
  }

  HRESULT TxGetNaturalSize(DWORD, HDC hdc, HDC, DVTARGETDEVICE*, DWORD, const SIZEL* extent, LONG* width,
                           LONG* height) override {
    if (!width || !height) return E_INVALIDARG;
    HDC measure = hdc ? hdc : GetDC(nullptr);
    int wrap = *width > 0 ? *width : (extent ? extent->cx : 0);
    std::vector<Line> lines = Layout(measure, wrap > 0 ? wrap : 0x3FFFFFFF);
    if (!hdc) ReleaseDC(nullptr, measure);
    LONG w = 0, h = 0;
    for (const Line& l : lines) {
      w = std::max<LONG>(w, l.width);
      h = l.top + l.height;
    }
    *width = w;
    *height = h;
    return S_OK;
  }

  HRESULT TxGetText(BSTR* text) override {
    if (!text) return E_INVALIDARG;
    std::u16string t = Text();
    for (auto& c : t)
      if (c == u'\n') c = u'\r';
    *text = SysAllocStringLen(t.c_str(), static_cast<UINT>(t.size()));
    return S_OK;
  }
  HRESULT TxSetText(LPCWSTR text) override {
    SetPlain(text ? std::u16string(text) : std::u16string());
    return S_OK;
  }

  HRESULT TxGetHScroll(LONG*, LONG*, LONG*, LONG*, BOOL* e) override {
    if (e) *e = FALSE;
    return S_OK;
  }
  HRESULT TxGetVScroll(LONG*, LONG*, LONG*, LONG*, BOOL* e) override {
    if (e) *e = FALSE;
    return S_OK;
  }
  HRESULT OnTxSetCursor(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT, INT, INT) override { return S_OK; }
  HRESULT TxQueryHitPoint(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT, INT, INT, DWORD* hit) override {
    if (hit) *hit = 0;
    return S_OK;
  }
  HRESULT OnTxInPlaceActivate(LPCRECT) override { return S_OK; }
  HRESULT OnTxInPlaceDeactivate() override { return S_OK; }
  HRESULT OnTxUIActivate() override { return S_OK; }
  HRESULT OnTxUIDeactivate() override { return S_OK; }
  HRESULT TxGetCurTargetX(LONG* x) override {
    if (x) *x = 0;
    return S_OK;
  }
  HRESULT TxGetBaseLinePos(LONG*) override { return E_NOTIMPL; }
  HRESULT TxGetDropTarget(void** t) override {
    if (t) *t = nullptr;
    return E_NOTIMPL;
  }
  HRESULT OnTxPropertyBitsChange(DWORD, DWORD) override { return S_OK; }
  HRESULT TxGetCachedSize(DWORD*, DWORD*) override { return E_NOTIMPL; }

 private:
  ~TextServices() override = default;

  static void ApplyCharFormat(const CHARFORMATW& cf, Fmt* f) {
    if (cf.cbSize < sizeof(CHARFORMATW)) return;
    DWORD m = cf.dwMask;
    if (m & CFM_BOLD) f->bold = (cf.dwEffects & CFE_BOLD) != 0;
    if (m & CFM_ITALIC) f->italic = (cf.dwEffects & CFE_ITALIC) != 0;
    if (m & CFM_UNDERLINE) f->underline = (cf.dwEffects & CFE_UNDERLINE) != 0;
    if (m & CFM_STRIKEOUT) f->strike = (cf.dwEffects & CFE_STRIKEOUT) != 0;
    if ((m & CFM_SIZE) && cf.yHeight != 0)
      f->twips = std::clamp<LONG>(cf.yHeight < 0 ? -cf.yHeight : cf.yHeight, 20, 32760);
    if (m & CFM_COLOR) {
      f->autoColor = (cf.dwEffects & CFE_AUTOCOLOR) != 0;
      f->color = cf.crTextColor;
    }
    if ((m & CFM_FACE) && cf.szFaceName[0]) {
      size_t n = 0;
      while (n < LF_FACESIZE_RICH && cf.szFaceName[n]) ++n;
      f->face.assign(cf.szFaceName, n);
    }
  }

  std::u16string Text() const {
    std::u16string t;
    for (const Run& r : runs_) t += r.text;
    return t;
  }

  void SetPlain(std::u16string text) {
    std::u16string norm;
    norm.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'\r') {
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        c = u'\n';
      }
      if (c == 0) break;
      norm.push_back(c);
    }
    runs_.clear();
    if (!norm.empty()) runs_.push_back({std::move(norm), base_});
  }

  LRESULT StreamIn(DWORD format, EDITSTREAM* es) {
    if (!es || !es->pfnCallback) return 0;
    std::string bytes;
    BYTE buf[4096];
    for (;;) {
      LONG done = 0;
      DWORD err = es->pfnCallback(es->dwCookie, buf, sizeof buf, &done);
      if (err) {
        es->dwError = err;
        break;
      }
      if (done <= 0) break;
      bytes.append(reinterpret_cast<char*>(buf), static_cast<size_t>(std::min<LONG>(done, sizeof buf)));
      if (bytes.size() > (64u << 20)) break;  // beyond any text a host shows
    }
    if (format & SF_RTF) {
      std::vector<Run> runs;
      if (!RtfReader(bytes, base_).Read(&runs)) return 0;
      runs_ = std::move(runs);
      // Trailing paragraph mark: RTF documents end with \par; no empty line.
      if (!runs_.empty() && !runs_.back().text.empty() && runs_.back().text.back() == u'\n') {
        runs_.back().text.pop_back();
        if (runs_.back().text.empty()) runs_.pop_back();
      }
      size_t n = 0;
      for (const Run& r : runs_) n += r.text.size();
      return static_cast<LRESULT>(n);
    }
    std::u16string text;
    if (format & SF_UNICODE) {
      for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    } else {
      text = pv::Utf8ToUtf16(bytes);
    }
    SetPlain(text);
    return static_cast<LRESULT>(Text().size());
  }

  static HFONT MakeFont(HDC hdc, const Fmt& f) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(f.twips, GetDeviceCaps(hdc, LOGPIXELSY), 1440);
    if (lf.lfHeight == 0) lf.lfHeight = -1;
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strike;
    size_t n = std::min<size_t>(f.face.size(), LF_FACESIZE - 1);
    std::copy(f.face.begin(), f.face.begin() + n, lf.lfFaceName);
    return CreateFontIndirectW(&lf);
  }

  // Lines at `width` pixels: words move to the next line when they do not
  // fit; a word wider than the line stands alone on it.
  std::vector<Line> Layout(HDC hdc, int width) {
    std::vector<Line> lines;
    Line cur;
    int y = 0;
    int defaultHeight = 0, defaultAscent = 0;
    {
      HFONT font = MakeFont(hdc, base_);
      HGDIOBJ old = SelectObject(hdc, font);
      TEXTMETRICW tm{};
      GetTextMetricsW(hdc, &tm);
      defaultHeight = tm.tmHeight;
      defaultAscent = tm.tmAscent;
      SelectObject(hdc, old);
      DeleteObject(font);
    }
    if (runs_.empty()) return lines;
    int trailing = 0;  // width of blanks at the end of the current line
    auto finish = [&](bool paragraphEnd) {
      (void)paragraphEnd;
      if (cur.height == 0) {
        cur.height = defaultHeight;
        cur.ascent = defaultAscent;
      }
      cur.width -= trailing;
      cur.top = y;
      y += cur.height;
      lines.push_back(std::move(cur));
      cur = Line{};
      trailing = 0;
    };
    for (size_t ri = 0; ri < runs_.size(); ++ri) {
      const Run& run = runs_[ri];
      HFONT font = MakeFont(hdc, run.fmt);
      HGDIOBJ old = SelectObject(hdc, font);
      TEXTMETRICW tm{};
      GetTextMetricsW(hdc, &tm);
      size_t i = 0;
      const std::u16string& t = run.text;
      while (i < t.size()) {
        if (t[i] == u'\n') {
          finish(true);
          ++i;
          continue;
        }
        // A word and the blanks after it.
        size_t j = i;
        while (j < t.size() && t[j] != u' ' && t[j] != u'\t' && t[j] != u'\n') ++j;
        size_t k = j;
        while (k < t.size() && (t[k] == u' ' || t[k] == u'\t')) ++k;
        std::u16string word = t.substr(i, j - i);
        std::u16string blanks = t.substr(j, k - j);
        std::replace(blanks.begin(), blanks.end(), u'\t', u' ');
        SIZE ws{}, bs{};
        if (!word.empty()) GetTextExtentPoint32W(hdc, word.c_str(), static_cast<int>(word.size()), &ws);
        if (!blanks.empty()) GetTextExtentPoint32W(hdc, blanks.c_str(), static_cast<int>(blanks.size()), &bs);
        if (!cur.pieces.empty() && cur.width - trailing + ws.cx > width && !word.empty()) finish(false);
        Piece p{ri, word + blanks, cur.width, ws.cx + bs.cx};
        cur.pieces.push_back(std::move(p));
        cur.width += ws.cx + bs.cx;
        trailing = word.empty() ? trailing + bs.cx : bs.cx;
        cur.height = std::max<int>(cur.height, tm.tmHeight);
        cur.ascent = std::max<int>(cur.ascent, tm.tmAscent);
        i = k;
      }
      SelectObject(hdc, old);
      DeleteObject(font);
    }
    if (!cur.pieces.empty() || (!runs_.back().text.empty() && runs_.back().text.back() == u'\n')) finish(true);
    return lines;
  }

  ITextHost* host_;
  std::atomic<ULONG> refs_{1};
  Fmt base_;
  WORD align_ = PFA_LEFT;
  DWORD eventMask_ = 0;
  bool pendingResize_ = false;
  std::vector<Run> runs_;
};

}  // namespace

namespace pv::richtext {
void RegisterModule() {
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE m = pv::RegisterBuiltinModule(u"RICHED20", false);
    pv::AddModuleFunction(m, "CreateTextServices", &CreateTextServices);
  });
}
}  // namespace pv::richtext

HRESULT CreateTextServices(IUnknown* outer, ITextHost* host, IUnknown** services) {
  if (!services) return E_INVALIDARG;
  *services = nullptr;
  if (outer) return E_NOTIMPL;  // no aggregation
  if (!host) return E_INVALIDARG;
  auto* ts = new TextServices(host);
  *services = static_cast<ITextServices*>(ts);
  return S_OK;
}
