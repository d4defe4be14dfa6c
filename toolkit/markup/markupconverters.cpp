#include "toolkit/markup/markupconverters.h"

#include <atomic>
#include <climits>
#include <cstring>

#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuphost.h"
#include "toolkit/markup/markuplayoutmath.h"

// ---- readers ---------------------------------------------------------------------------

static bool IsSpaceChar(WCHAR c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

int MarkupReadInt(LPCWSTR p) {
  if (!p) return 0;
  while (IsSpaceChar(*p)) p++;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  long long v = 0;
  while (*p >= '0' && *p <= '9') {
    v = v * 10 + (*p++ - '0');
    if (v > 0x80000000LL) v = 0x80000000LL;  // saturate instead of overflowing
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

BOOL ReadNumber(LPCWSTR& lpsz, double& dResult, WCHAR wSeparator, BOOL bWholeText) {
  dResult = 0;
  if (!lpsz) return FALSE;
  LPCWSTR p = lpsz;
  while (*p == ' ') p++;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = (*p++ == '-');
  if (!*p) return FALSE;
  bool fraction = false, consumed = false, digits = false;
  double scale = 0.1;
  while (*p && *p != ' ' && (wSeparator == 0 || *p != wSeparator)) {
    if (*p == '.') {
      if (fraction) return FALSE;
      fraction = true;
    } else if (*p >= '0' && *p <= '9') {
      if (fraction) {
        dResult += (*p - '0') * scale;
        scale /= 10;
      } else {
        dResult = dResult * 10 + (*p - '0');
      }
      digits = true;
    } else {
      return FALSE;
    }
    consumed = true;
    p++;
  }
  if (!consumed) return FALSE;  // a space or separator before any character, or just "."
  if (!digits) return FALSE;    // "." alone
  while (*p == ' ') p++;
  if (wSeparator && *p == wSeparator) {
    p++;
    while (*p == ' ') p++;
  }
  if (bWholeText && *p) return FALSE;
  lpsz = p;
  if (negative) dResult = -dResult;
  return TRUE;
}

// ---- shared numbers ----------------------------------------------------------------------

namespace {
// One value per slot, made on first use; each slot keeps one reference for
// good. The pool never gives its blocks back, so a value made on any
// thread stays valid on every thread.
template <class T>
T* SharedValue(std::atomic<T*>& slot, int n) {
  T* p = slot.load(std::memory_order_acquire);
  if (!p) {
    T* pMade = new T(n);
    if (slot.compare_exchange_strong(p, pMade, std::memory_order_acq_rel)) p = pMade;
    else pMade->Release();  // another thread made it first
  }
  p->AddRef();
  return p;
}
const int kSharedValues = 1024;
}  // namespace

CTKMarkupInt* MarkupSharedInt(int n) {
  static std::atomic<CTKMarkupInt*> s_values[kSharedValues + 1];  // the last is "Auto" (INT_MAX)
  const int nSlot = n == INT_MAX ? kSharedValues : n;
  if (nSlot < 0 || nSlot > kSharedValues) return new CTKMarkupInt(n);
  return SharedValue(s_values[nSlot], n);
}

CTKMarkupEnum* MarkupSharedEnum(int n) {
  // The first few are the enumeration's own shared values.
  if (n >= 0 && n < 8) return CTKMarkupEnum::CreateEnum(n);
  static std::atomic<CTKMarkupEnum*> s_values[kSharedValues];
  if (n < 0 || n >= kSharedValues) return new CTKMarkupEnum(n);
  return SharedValue(s_values[n], n);
}

// ---- named colours -------------------------------------------------------------------------

namespace {
struct NamedColor {
  const char* name;
  DWORD rgb;  // 0xRRGGBB as written in the colour keyword lists
};
const NamedColor kNamedColors[] = {
    {"ALICEBLUE", 0xF0F8FF},
    {"ANTIQUEWHITE", 0xFAEBD7},
    {"AQUA", 0x00FFFF},
    {"AQUAMARINE", 0x7FFFD4},
    {"AZURE", 0xF0FFFF},
    {"BEIGE", 0xF5F5DC},
    {"BISQUE", 0xFFE4C4},
    {"BLACK", 0x000000},
    {"BLANCHEDALMOND", 0xFFEBCD},
    {"BLUE", 0x0000FF},
    {"BLUEVIOLET", 0x8A2BE2},
    {"BROWN", 0xA52A2A},
    {"BURLYWOOD", 0xDEB887},
    {"CADETBLUE", 0x5F9EA0},
    {"CHARTREUSE", 0x7FFF00},
    {"CHOCOLATE", 0xD2691E},
    {"CORAL", 0xFF7F50},
    {"CORNFLOWERBLUE", 0x6495ED},
    {"CORNSILK", 0xFFF8DC},
    {"CRIMSON", 0xDC143C},
    {"CYAN", 0x00FFFF},
    {"DARKBLUE", 0x00008B},
    {"DARKCYAN", 0x008B8B},
    {"DARKGOLDENROD", 0xB8860B},
    {"DARKGRAY", 0xA9A9A9},
    {"DARKGREEN", 0x006400},
    {"DARKKHAKI", 0xBDB76B},
    {"DARKMAGENTA", 0x8B008B},
    {"DARKOLIVEGREEN", 0x556B2F},
    {"DARKORANGE", 0xFF8C00},
    {"DARKORCHID", 0x9932CC},
    {"DARKRED", 0x8B0000},
    {"DARKSALMON", 0xE9967A},
    {"DARKSEAGREEN", 0x8FBC8F},
    {"DARKSLATEBLUE", 0x483D8B},
    {"DARKSLATEGRAY", 0x2F4F4F},
    {"DARKTURQUOISE", 0x00CED1},
    {"DARKVIOLET", 0x9400D3},
    {"DEEPPINK", 0xFF1493},
    {"DEEPSKYBLUE", 0x00BFFF},
    {"DIMGRAY", 0x696969},
    {"DODGERBLUE", 0x1E90FF},
    {"FIREBRICK", 0xB22222},
    {"FLORALWHITE", 0xFFFAF0},
    {"FORESTGREEN", 0x228B22},
    {"FUCHSIA", 0xFF00FF},
    {"GAINSBORO", 0xDCDCDC},
    {"GHOSTWHITE", 0xF8F8FF},
    {"GOLD", 0xFFD700},
    {"GOLDENROD", 0xDAA520},
    {"GRAY", 0x808080},
    {"GREEN", 0x008000},
    {"GREENYELLOW", 0xADFF2F},
    {"HONEYDEW", 0xF0FFF0},
    {"HOTPINK", 0xFF69B4},
    {"INDIANRED", 0xCD5C5C},
    {"INDIGO", 0x4B0082},
    {"IVORY", 0xFFFFF0},
    {"KHAKI", 0xF0E68C},
    {"LAVENDER", 0xE6E6FA},
    {"LAVENDERBLUSH", 0xFFF0F5},
    {"LAWNGREEN", 0x7CFC00},
    {"LEMONCHIFFON", 0xFFFACD},
    {"LIGHTBLUE", 0xADD8E6},
    {"LIGHTCORAL", 0xF08080},
    {"LIGHTCYAN", 0xE0FFFF},
    {"LIGHTGOLDENRODYELLOW", 0xFAFAD2},
    {"LIGHTGRAY", 0xD3D3D3},
    {"LIGHTGREEN", 0x90EE90},
    {"LIGHTPINK", 0xFFB6C1},
    {"LIGHTSALMON", 0xFFA07A},
    {"LIGHTSEAGREEN", 0x20B2AA},
    {"LIGHTSKYBLUE", 0x87CEFA},
    {"LIGHTSLATEGRAY", 0x778899},
    {"LIGHTSTEELBLUE", 0xB0C4DE},
    {"LIGHTYELLOW", 0xFFFFE0},
    {"LIME", 0x00FF00},
    {"LIMEGREEN", 0x32CD32},
    {"LINEN", 0xFAF0E6},
    {"MAGENTA", 0xFF00FF},
    {"MAROON", 0x800000},
    {"MEDIUMAQUAMARINE", 0x66CDAA},
    {"MEDIUMBLUE", 0x0000CD},
    {"MEDIUMORCHID", 0xBA55D3},
    {"MEDIUMPURPLE", 0x9370DB},
    {"MEDIUMSEAGREEN", 0x3CB371},
    {"MEDIUMSLATEBLUE", 0x7B68EE},
    {"MEDIUMSPRINGGREEN", 0x00FA9A},
    {"MEDIUMTURQUOISE", 0x48D1CC},
    {"MEDIUMVIOLETRED", 0xC71585},
    {"MIDNIGHTBLUE", 0x191970},
    {"MINTCREAM", 0xF5FFFA},
    {"MISTYROSE", 0xFFE4E1},
    {"MOCCASIN", 0xFFE4B5},
    {"NAVAJOWHITE", 0xFFDEAD},
    {"NAVY", 0x000080},
    {"OLDLACE", 0xFDF5E6},
    {"OLIVE", 0x808000},
    {"OLIVEDRAB", 0x6B8E23},
    {"ORANGE", 0xFFA500},
    {"ORANGERED", 0xFF4500},
    {"ORCHID", 0xDA70D6},
    {"PALEGOLDENROD", 0xEEE8AA},
    {"PALEGREEN", 0x98FB98},
    {"PALETURQUOISE", 0xAFEEEE},
    {"PALEVIOLETRED", 0xDB7093},
    {"PAPAYAWHIP", 0xFFEFD5},
    {"PEACHPUFF", 0xFFDAB9},
    {"PERU", 0xCD853F},
    {"PINK", 0xFFC0CB},
    {"PLUM", 0xDDA0DD},
    {"POWDERBLUE", 0xB0E0E6},
    {"PURPLE", 0x800080},
    {"RED", 0xFF0000},
    {"ROSYBROWN", 0xBC8F8F},
    {"ROYALBLUE", 0x4169E1},
    {"SADDLEBROWN", 0x8B4513},
    {"SALMON", 0xFA8072},
    {"SANDYBROWN", 0xF4A460},
    {"SEAGREEN", 0x2E8B57},
    {"SEASHELL", 0xFFF5EE},
    {"SIENNA", 0xA0522D},
    {"SILVER", 0xC0C0C0},
    {"SKYBLUE", 0x87CEEB},
    {"SLATEBLUE", 0x6A5ACD},
    {"SLATEGRAY", 0x708090},
    {"SNOW", 0xFFFAFA},
    {"SPRINGGREEN", 0x00FF7F},
    {"STEELBLUE", 0x4682B4},
    {"TAN", 0xD2B48C},
    {"TEAL", 0x008080},
    {"THISTLE", 0xD8BFD8},
    {"TOMATO", 0xFF6347},
    {"TRANSPARENT", 0xFFFFFF},
    {"TURQUOISE", 0x40E0D0},
    {"VIOLET", 0xEE82EE},
    {"WHEAT", 0xF5DEB3},
    {"WHITE", 0xFFFFFF},
    {"WHITESMOKE", 0xF5F5F5},
    {"YELLOW", 0xFFFF00},
    {"YELLOWGREEN", 0x9ACD32},
};
static_assert(sizeof(kNamedColors) / sizeof(kNamedColors[0]) == 141, "141 named colours");

WCHAR Upper(WCHAR c) { return (c >= 'a' && c <= 'z') ? static_cast<WCHAR>(c - 32) : c; }
}  // namespace

BOOL ColorFromName(LPCWSTR lpsz, int n, DWORD& dwColor) {
  if (!lpsz || n <= 0) return FALSE;
  WCHAR first = Upper(lpsz[0]);
  if (first < 'A' || first > 'Z') return FALSE;
  for (const NamedColor& c : kNamedColors) {
    if (c.name[0] != first || static_cast<int>(std::strlen(c.name)) != n) continue;
    if (!MarkupStrEqualNoCase(lpsz, n, c.name)) continue;
    DWORD r = (c.rgb >> 16) & 0xFF, g = (c.rgb >> 8) & 0xFF, b = c.rgb & 0xFF;
    DWORD alpha = std::strcmp(c.name, "TRANSPARENT") == 0 ? 0 : 0xFF;
    dwColor = (alpha << 24) | (b << 16) | (g << 8) | r;
    return TRUE;
  }
  return FALSE;
}

// ---- enumeration converters ----------------------------------------------------------------

namespace {
struct EnumName {
  const char* name;
  int value;
};

CTKMarkupObject* ConvertEnumTable(CTKMarkupObject* pValue, const EnumName* table, size_t count) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  for (size_t i = 0; i < count; i++)
    if (MarkupStrEqualNoCase(pString->GetBuffer(), pString->GetLength(), table[i].name))
      return MarkupSharedEnum(table[i].value);
  return nullptr;
}
#define TK_ENUM_CONVERTER(fn, ...)                                            \
  CTKMarkupObject* fn(CTKMarkupBuilder*, CTKMarkupObject* pValue) {           \
    static const EnumName table[] = {__VA_ARGS__};                            \
    return ConvertEnumTable(pValue, table, sizeof(table) / sizeof(table[0])); \
  }
}  // namespace

TK_ENUM_CONVERTER(ConvertTextDecorations, {"Underline", 1}, {"Strikethrough", 2}, {"", 0})
TK_ENUM_CONVERTER(ConvertFontWeight, {"Thin", 100}, {"ExtraLight", 200}, {"Light", 300}, {"Normal", 400},
                  {"Regular", 400}, {"Medium", 500}, {"SemiBold", 600}, {"DemiBold", 600}, {"Bold", 700},
                  {"ExtraBold", 800}, {"UltraBold", 800}, {"Black", 900}, {"Heavy", 900}, {"ExtraBlack", 950})
TK_ENUM_CONVERTER(ConvertFontStyle, {"Normal", 0}, {"Italic", 1})
TK_ENUM_CONVERTER(ConvertFontQuality, {"ClearType", 5})
TK_ENUM_CONVERTER(ConvertBaselineAlignment, {"Top", 0}, {"Center", 1}, {"Bottom", 2}, {"Baseline", 3}, {"TextTop", 4},
                  {"TextBottom", 5}, {"Subscript", 6}, {"Superscript", 7})
TK_ENUM_CONVERTER(ConvertTextWrapping, {"NoWrap", 0}, {"Wrap", 1}, {"WrapWithOverflow", 2})
TK_ENUM_CONVERTER(ConvertTextTrimming, {"None", 0}, {"CharacterEllipsis", 1}, {"WordEllipsis", 2})
TK_ENUM_CONVERTER(ConvertTextAlignment, {"Left", 0}, {"Right", 1}, {"Center", 2}, {"Justify", 3})
TK_ENUM_CONVERTER(ConvertHorizontalAlignment, {"Left", 0}, {"Center", 1}, {"Right", 2}, {"Stretch", 3})
TK_ENUM_CONVERTER(ConvertVerticalAlignment, {"Top", 0}, {"Center", 1}, {"Bottom", 2}, {"Stretch", 3})
TK_ENUM_CONVERTER(ConvertVisibility, {"Visible", 0}, {"Hidden", 1}, {"Collapsed", 2})
TK_ENUM_CONVERTER(ConvertOrientation, {"Horizontal", 0}, {"Vertical", 1})
TK_ENUM_CONVERTER(ConvertLineCap, {"Flat", 0}, {"Square", 1}, {"Round", 2}, {"Triangle", 3})
TK_ENUM_CONVERTER(ConvertLineJoin, {"Miter", 0}, {"Bevel", 1}, {"Round", 2})
TK_ENUM_CONVERTER(ConvertDock, {"Left", 0}, {"Top", 1}, {"Right", 2}, {"Bottom", 3})
TK_ENUM_CONVERTER(ConvertScrollBarVisibility, {"Disabled", 0}, {"Auto", 1}, {"Visible", 2})
TK_ENUM_CONVERTER(ConvertStretch, {"None", 0}, {"Fill", 1}, {"Uniform", 2}, {"UniformToFill", 3})
TK_ENUM_CONVERTER(ConvertIsChecked, {"True", 1}, {"False", 0}, {"", 2})
TK_ENUM_CONVERTER(ConvertTabNavigation, {"Continue", 0}, {"Once", 1}, {"Cycle", 2}, {"None", 3}, {"Contained", 4},
                  {"Local", 5})

CTKMarkupObject* ConvertCursor(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  static const EnumName table[] = {{"None", 0},       {"Arrow", 32512},      {"IBeam", 32513},    {"Wait", 32514},
                                   {"Cross", 32515},  {"UpArrow", 32516},    {"SizeNWSE", 32642}, {"SizeNESW", 32643},
                                   {"SizeWE", 32644}, {"SizeNS", 32645},     {"SizeAll", 32646},  {"No", 32648},
                                   {"Hand", 32649},   {"AppStarting", 32650}};
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  for (const EnumName& e : table)
    if (MarkupStrEqualNoCase(pString->GetBuffer(), pString->GetLength(), e.name)) return MarkupSharedInt(e.value);
  return nullptr;
}

// ---- lengths with units -------------------------------------------------------------------

static int ClampToInt(long long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

// 0 none, 1 pt, 2 in, 3 cm, 4 mm
static int UnitOf(LPCWSTR lpsz, int n) {
  if (n <= 2) return 0;
  const WCHAR last = lpsz[n - 1] | 0x20;  // every unit ends in t, n or m
  if (last != 't' && last != 'n' && last != 'm') return 0;
  LPCWSTR u = lpsz + n - 2;
  if (MarkupStrEqualNoCase(u, 2, "pt")) return 1;
  if (MarkupStrEqualNoCase(u, 2, "in")) return 2;
  if (MarkupStrEqualNoCase(u, 2, "cm")) return 3;
  if (MarkupStrEqualNoCase(u, 2, "mm")) return 4;
  return 0;
}

static int ApplyUnit(int n, int unit) {
  switch (unit) {
    case 1:
      return MulDiv(n, 96, 72);
    case 2:
      return ClampToInt(static_cast<long long>(n) * 96);
    case 3:
      return ClampToInt(static_cast<long long>(n * 37.79528));
    case 4:
      return ClampToInt(static_cast<long long>(n * 3.779528));
  }
  return n;
}

CTKMarkupObject* ConvertLength(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  LPCWSTR lpsz = pString->GetBuffer();
  int len = pString->GetLength();
  if (len == 4 && MarkupStrEqualNoCase(lpsz, 4, "Auto")) return MarkupSharedInt(INT_MAX);
  int n = MarkupReadInt(lpsz);
  if (n == 0) return MarkupSharedInt(0);
  return MarkupSharedInt(ApplyUnit(n, UnitOf(lpsz, len)));
}

// ---- thickness -------------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupThickness)

BOOL CTKMarkupThickness::IsEqual(const CTKMarkupObject* pOther) const {
  const CTKMarkupThickness* p = MarkupDynamicCast<CTKMarkupThickness>(pOther);
  return p && p->left == left && p->top == top && p->right == right && p->bottom == bottom;
}

CTKMarkupThickness* CTKMarkupThickness::GetSharedZeroThickness() {
  static CTKMarkupThickness* s_zero = new CTKMarkupThickness();
  s_zero->AddRef();
  return s_zero;
}

// One "%i" conversion: white space, sign, then hex after 0x, octal after a
// leading 0, else decimal. Saturates rather than overflowing.
static bool ScanInt(LPCWSTR& p, int& value) {
  LPCWSTR q = p;
  while (IsSpaceChar(*q)) q++;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = (*q++ == '-');
  int base = 10;
  if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X') &&
      ((q[2] >= '0' && q[2] <= '9') || (q[2] >= 'a' && q[2] <= 'f') || (q[2] >= 'A' && q[2] <= 'F'))) {
    base = 16;
    q += 2;
  } else if (q[0] == '0') {
    base = 8;
  }
  long long v = 0;
  bool any = false;
  for (;; q++) {
    int d;
    if (*q >= '0' && *q <= '9') d = *q - '0';
    else if (base == 16 && *q >= 'a' && *q <= 'f') d = *q - 'a' + 10;
    else if (base == 16 && *q >= 'A' && *q <= 'F') d = *q - 'A' + 10;
    else break;
    if (d >= base) break;
    v = v * base + d;
    if (v > 0x100000000LL) v = 0x100000000LL;
    any = true;
  }
  if (!any) return false;
  value = ClampToInt(negative ? -v : v);
  p = q;
  return true;
}

// Matches a scanf-style pattern of four "%i" with literal text after each;
// a blank in the pattern matches any white space, including none.
static bool ScanFour(LPCWSTR p, const char* suffix, int values[4]) {
  for (int i = 0; i < 4; i++) {
    if (!ScanInt(p, values[i])) return false;
    if (i == 3) {
      // the last value is followed by the unit only
      for (const char* s = suffix; *s && *s != ','; s++) {
        if (*p != static_cast<WCHAR>(*s)) return false;
        p++;
      }
      return true;
    }
    for (const char* s = suffix; *s; s++) {
      if (*s == ' ') {
        while (IsSpaceChar(*p)) p++;
      } else {
        if (*p != static_cast<WCHAR>(*s)) return false;
        p++;
      }
    }
  }
  return true;
}

CTKMarkupObject* CTKMarkupThickness::ConvertFrom(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pValue) {
  return ConvertText(pBuilder, pValue);
}

CTKMarkupObject* CTKMarkupThickness::ConvertText(CTKMarkupBuilder*, CTKMarkupObject* pValue) {
  CTKMarkupString* pString = MarkupDynamicCast<CTKMarkupString>(pValue);
  if (!pString) return nullptr;
  LPCWSTR lpsz = pString->GetBuffer();
  int len = pString->GetLength();
  int unit = UnitOf(lpsz, len);
  bool comma = false;
  for (int i = 0; i < len; i++)
    if (lpsz[i] == ',') comma = true;
  if (comma) {
    static const char* const suffixes[] = {", ", "pt, ", "in, ", "cm, ", "mm, "};
    int v[4];
    if (!ScanFour(lpsz, suffixes[unit], v)) return nullptr;
    return new CTKMarkupThickness(ApplyUnit(v[0], unit), ApplyUnit(v[1], unit), ApplyUnit(v[2], unit),
                                  ApplyUnit(v[3], unit));
  }
  return new CTKMarkupThickness(ApplyUnit(MarkupReadInt(lpsz), unit));
}

RECT DeflateRectByThickness(int left, int top, int right, int bottom, const CTKMarkupThickness* t) {
  RECT rc = {left, top, right, bottom};
  if (!t) return rc;
  rc.left = MarkupAdd(left, t->left);
  rc.top = MarkupAdd(top, t->top);
  rc.right = (static_cast<long long>(right) - t->right - t->left - left < 0) ? rc.left : MarkupSub(right, t->right);
  rc.bottom = (static_cast<long long>(bottom) - t->bottom - t->top - top < 0) ? rc.top : MarkupSub(bottom, t->bottom);
  return rc;
}

// ---- system colours -------------------------------------------------------------------------

TK_DEFINE_MARKUPCLASS(CTKMarkupColorKey)
TK_DEFINE_MARKUPCLASS(CTKMarkupBrushKey)

namespace {
struct SysColorName {
  const char* name;
  int index;
};
const SysColorName kSysColors[] = {
    {"ActiveBorder", 10},
    {"ActiveCaption", 2},
    {"ActiveCaptionText", 9},
    {"AppWorkspace", 12},
    {"Control", 15},
    {"ControlDark", 16},
    {"ControlDarkDark", 21},
    {"ControlLight", 22},
    {"ControlLightLight", 20},
    {"InactiveCaption", 3},
    {"ControlText", 18},
    {"Desktop", 1},
    {"GradientActiveCaption", 27},
    {"GradientInactiveCaption", 28},
    {"GrayText", 17},
    {"Highlight", 13},
    {"HighlightText", 14},
    {"HotTrack", 26},
    {"InactiveBorder", 11},
    {"InactiveCaptionText", 19},
    {"Info", 24},
    {"InfoText", 23},
    {"Menu", 4},
    {"MenuBar", 30},
    {"MenuHighlight", 29},
    {"MenuText", 7},
    {"ScrollBar", 0},
    {"Window", 5},
    {"WindowFrame", 6},
    {"WindowText", 8},
};
}  // namespace

BOOL SystemColorIndexFromName(LPCWSTR lpszName, int nLength, int& nIndex) {
  for (const SysColorName& s : kSysColors) {
    int n = static_cast<int>(std::strlen(s.name));
    if (n != nLength) continue;
    bool same = true;
    for (int i = 0; i < n && same; i++) same = lpszName[i] == static_cast<WCHAR>(s.name[i]);
    if (same) {
      nIndex = s.index;
      return TRUE;
    }
  }
  return FALSE;
}

SystemColorCache::SystemColorCache() {
  for (int i = 0; i < 31; i++) {
    m_arrBrushes[i] = nullptr;
    m_arrColors[i] = nullptr;
    m_arrBrushKeys[i] = nullptr;
    m_arrColorKeys[i] = nullptr;
  }
}

SystemColorCache::~SystemColorCache() {
  for (int i = 0; i < 31; i++) {
    MarkupRelease(m_arrBrushes[i]);
    MarkupRelease(m_arrColors[i]);
    MarkupRelease(m_arrBrushKeys[i]);
    MarkupRelease(m_arrColorKeys[i]);
  }
}

CTKMarkupColor* SystemColorCache::GetSystemColor(int i) {
  if (i < 0 || i > 30) return nullptr;
  if (!m_arrColors[i]) m_arrColors[i] = new CTKMarkupColor(0xFF, MarkupGetHostServices()->GetSysColor(i));
  m_arrColors[i]->AddRef();
  return m_arrColors[i];
}

CTKMarkupSolidColorBrush* SystemColorCache::GetSystemBrush(int i) {
  if (i < 0 || i > 30) return nullptr;
  if (!m_arrBrushes[i])
    m_arrBrushes[i] = new CTKMarkupSolidColorBrush(
        CTKMarkupColor::FromARGB(0xFF000000u | (MarkupGetHostServices()->GetSysColor(i) & 0xFFFFFF)));
  m_arrBrushes[i]->AddRef();
  return m_arrBrushes[i];
}

CTKMarkupColorKey* SystemColorCache::GetColorKey(int i) {
  if (i < 0 || i > 30) return nullptr;
  if (!m_arrColorKeys[i]) m_arrColorKeys[i] = new CTKMarkupColorKey(i);
  m_arrColorKeys[i]->AddRef();
  return m_arrColorKeys[i];
}

CTKMarkupBrushKey* SystemColorCache::GetBrushKey(int i) {
  if (i < 0 || i > 30) return nullptr;
  if (!m_arrBrushKeys[i]) m_arrBrushKeys[i] = new CTKMarkupBrushKey(i);
  m_arrBrushKeys[i]->AddRef();
  return m_arrBrushKeys[i];
}

// "SystemColors." + name + suffix, case-sensitive; the index or -1.
static int StaticMemberIndex(LPCWSTR lpsz, const char* suffix) {
  static const char kPrefix[] = "SystemColors.";
  int len = MarkupStrLen(lpsz);
  int ns = static_cast<int>(std::strlen(suffix));
  if (len < 20 || len < 13 + ns) return -1;
  for (int i = 0; i < 13; i++)
    if (lpsz[i] != static_cast<WCHAR>(kPrefix[i])) return -1;
  for (int i = 0; i < ns; i++)
    if (lpsz[len - ns + i] != static_cast<WCHAR>(suffix[i])) return -1;
  int nIndex;
  if (!SystemColorIndexFromName(lpsz + 13, len - 13 - ns, nIndex)) return -1;
  return nIndex;
}

CTKMarkupObject* SystemColorCache::SystemColorFromName(LPCWSTR lpsz) {
  int i = StaticMemberIndex(lpsz, "Color");
  return i < 0 ? nullptr : GetSystemColor(i);
}
CTKMarkupObject* SystemColorCache::SystemBrushFromName(LPCWSTR lpsz) {
  int i = StaticMemberIndex(lpsz, "Brush");
  return i < 0 ? nullptr : GetSystemBrush(i);
}
CTKMarkupObject* SystemColorCache::SystemColorKeyFromName(LPCWSTR lpsz) {
  int i = StaticMemberIndex(lpsz, "ColorKey");
  return i < 0 ? nullptr : GetColorKey(i);
}
CTKMarkupObject* SystemColorCache::SystemBrushKeyFromName(LPCWSTR lpsz) {
  int i = StaticMemberIndex(lpsz, "BrushKey");
  return i < 0 ? nullptr : GetBrushKey(i);
}
