// The theme-image store and its images.
#include "toolkit/common/resourceimages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/framework/afxgdi.h"
#include "platform/gdi/wingdi.h"
#include "platform/system/modules.h"
#include "platform/system/resources.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/imagepixels.h"
#include "toolkit/common/lockguard.h"
#include "toolkit/common/notifyconnection.h"

namespace {

std::string Narrow(const CString& text) {
  std::string out;
  for (int i = 0; i < text.GetLength(); ++i) {
    char16_t ch = text[i];
    out.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
  }
  return out;
}

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\v' || ch == u'\f' || ch == u'\r' || ch == u'\n';
}

}  // namespace

// ---- CTKResourceImage -------------------------------------------------------------------------

CTKResourceImage::CTKResourceImage(CTKResourceImages* images) : m_pImages(images) {}

CTKResourceImage::~CTKResourceImage() = default;

BOOL CTKResourceImage::LoadFromModule(HMODULE module, LPCTSTR name) {
  m_arrBits.clear();
  m_bAlpha = m_bPremultiplied = FALSE;
  BOOL alpha = FALSE;
  HBITMAP bitmap = CTKImageManager::LoadBitmapFromModule(module, name, &alpha);
  if (!bitmap) return FALSE;
  BOOL ok = LoadFromHandle(bitmap, alpha);
  DeleteObject(bitmap);
  return ok;
}

BOOL CTKResourceImage::LoadFromHandle(HBITMAP bitmap, BOOL alpha) {
  m_arrBits.clear();
  m_bAlpha = m_bPremultiplied = FALSE;
  m_nWidth = m_nHeight = 0;
  BITMAP bm{};
  if (!bitmap || !::GetObject(bitmap, sizeof(bm), &bm)) return FALSE;
  m_nWidth = bm.bmWidth;
  m_nHeight = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  m_bAlpha = alpha;
  if (!ReadBits(bitmap)) {
    m_arrBits.clear();
    m_bAlpha = FALSE;
    m_nWidth = m_nHeight = 0;
    return FALSE;
  }
  return TRUE;
}

BOOL CTKResourceImage::ReadBits(HBITMAP bitmap) {
  if (m_nWidth <= 0 || m_nHeight <= 0) return FALSE;
  const size_t count = static_cast<size_t>(m_nWidth) * m_nHeight;
  m_arrBits.assign(count * 4, 0);
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), m_nWidth, m_nHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  if (m_bAlpha) {
    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!GetDIBits(nullptr, bitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS) || query.bmiHeader.biBitCount != 32)
      return FALSE;
    return GetDIBits(nullptr, bitmap, 0, m_nHeight, m_arrBits.data(), &bi, DIB_RGB_COLORS) == m_nHeight;
  }
  // An opaque image is drawn into a 32-bit DIB of its size.
  LPBYTE bits = nullptr;
  HBITMAP dib = CTKImageManager::CreateDIB32(nullptr, m_nWidth, m_nHeight, &bits);  // bottom-up
  if (!dib) return FALSE;
  {
    CTKScopedBitmapDC mem(dib);
    DrawState(mem, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, 0, 0, m_nWidth, m_nHeight, DST_BITMAP);
    GdiFlush();
  }
  std::memcpy(m_arrBits.data(), bits, count * 4);
  DeleteObject(dib);
  // Without an alpha channel every pixel is opaque (a decoded PNG leaves 0
  // in the unused byte).
  for (size_t i = 0; i < count; ++i) m_arrBits[i * 4 + 3] = 255;
  return TRUE;
}

CRect CTKResourceImage::GetStateRect(int state, int count) const {
  if (m_arrBits.empty() || count <= 0) return CRect(0, 0, 0, 0);
  int h = m_nHeight / count;
  return CRect(0, state * h, m_nWidth, (state + 1) * h);
}

void CTKResourceImage::PremultiplyAlpha() {
  if (!m_bAlpha || m_bPremultiplied) return;
  for (size_t i = 0; i + 3 < m_arrBits.size(); i += 4) {
    int a = m_arrBits[i + 3];
    for (int c = 0; c < 3; ++c) m_arrBits[i + c] = static_cast<BYTE>(m_arrBits[i + c] * a / 255);
  }
  m_bPremultiplied = TRUE;
}

void CTKResourceImage::DrawPart(HDC hdc, HDC source, const CRect& dest, const CRect& src) {
  if (dest.Width() <= 0 || dest.Height() <= 0 || src.Width() <= 0 || src.Height() <= 0) return;
  if (!m_bAlpha) {
    if (dest.Width() == src.Width() && dest.Height() == src.Height())
      BitBlt(hdc, dest.left, dest.top, dest.Width(), dest.Height(), source, src.left, src.top, SRCCOPY);
    else
      StretchBlt(hdc, dest.left, dest.top, dest.Width(), dest.Height(), source, src.left, src.top, src.Width(),
                 src.Height(), SRCCOPY);
    return;
  }
  CTKImageManager::GetDefault()->AlphaBlend(hdc, dest, source, src);
}

void CTKResourceImage::DrawImage(CDC* pDC, const CRect& dest, const CRect& source, const CRect& margins) {
  if (!pDC || m_arrBits.empty() || !m_pImages) return;
  int l = margins.left, t = margins.top, r = margins.right, b = margins.bottom;
  CRect S = source;
  if (t + b > S.Height()) return;
  CTKLockGuard lock(m_pImages->m_cs);
  HDC hdc = pDC->GetSafeHdc();
  const CRect& D = dest;
  if (D.Width() == S.Width()) l = r = 0;
  if (D.Height() == S.Height()) t = b = 0;
  SetStretchBltMode(hdc, COLORONCOLOR);
  const int size = CTKResourceImages::kBufferSize;
  if (D.Width() <= 0 || D.Height() <= 0 || m_nWidth > size || m_nHeight > size || !m_pImages->m_pBufferBits) return;
  // The rows of S, at full image width, go to the top rows of the shared
  // DIB so that row S.top is its top row. Both run bottom-up: image row y
  // is memory row height - 1 - y; buffer row i is memory row size - 1 - i.
  GdiFlush();
  for (int i = 0; i < S.Height() && i < size; ++i) {
    int y = S.top + i;
    if (y < 0 || y >= m_nHeight) continue;
    std::memcpy(m_pImages->m_pBufferBits + static_cast<size_t>(size - 1 - i) * size * 4,
                m_arrBits.data() + static_cast<size_t>(m_nHeight - 1 - y) * m_nWidth * 4,
                static_cast<size_t>(m_nWidth) * 4);
  }
  S.OffsetRect(0, -S.top);
  m_pImages->m_dc.SetBitmap(m_pImages->m_hbmBuffer);
  HDC src = m_pImages->m_dc.GetSafeHdc();

  int L = l, T = t, R = r, B = b;
  if (t + b > 0 && (D.Height() <= t + b || S.Height() == t + b)) {
    T = MulDiv(D.Height(), t, t + b);
    B = D.Height() - T;
    if (B > 0 && (B % 2) != (b % 2)) ++B;
  }
  if (l + r > 0 && (D.Width() <= l + r || S.Width() == l + r)) {
    L = D.Width() * l / (l + r);
    R = D.Width() - L;
  }
  if (l == 0 && t == 0 && r == 0 && b == 0) {
    DrawPart(hdc, src, D, S);
  } else {
    // Destination columns; an alpha image on a right-to-left DC takes the
    // source's left column to the destination's right edge.
    int leftStart = D.left, leftEnd = D.left + L, midStart = D.left + L, midEnd = D.right - R, rightStart = D.right - R,
        rightEnd = D.right;
    if (m_bAlpha && TKIsContextRTL(hdc)) {
      leftStart = D.right - L;
      leftEnd = D.right;
      rightStart = D.left;
      rightEnd = D.left + R;
      midStart = D.left + R;
      midEnd = D.right - L;
    }
    const int dRows[4] = {D.top, D.top + T, D.bottom - B, D.bottom};
    const int sRows[4] = {S.top, S.top + t, S.bottom - b, S.bottom};
    const int dCols[3][2] = {{leftStart, leftEnd}, {midStart, midEnd}, {rightStart, rightEnd}};
    const int sCols[4] = {S.left, S.left + l, S.right - r, S.right};
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        DrawPart(hdc, src, CRect(dCols[col][0], dRows[row], dCols[col][1], dRows[row + 1]),
                 CRect(sCols[col], sRows[row], sCols[col + 1], sRows[row + 1]));
  }
  m_pImages->m_dc.SetBitmap(nullptr);
}

void CTKResourceImage::DrawImageTransparent(CDC* pDC, const CRect& dest, const CRect& source, const CRect& margins,
                                            COLORREF key) {
  if (!pDC) return;
  if (key == static_cast<COLORREF>(-1) || m_bAlpha) {
    DrawImage(pDC, dest, source, margins);
    return;
  }
  int w = dest.Width(), h = dest.Height();
  if (w <= 0 || h <= 0) return;
  HDC hdc = pDC->GetSafeHdc();
  HBITMAP bitmap = CreateCompatibleBitmap(hdc, w, h);
  if (!bitmap) return;
  {
    CTKScopedBitmapDC mem(bitmap, hdc);
    {
      CRect all(0, 0, w, h);
      GdiFillSolidRect(mem, &all, key);
    }
    DrawImage(CDC::FromHandle(mem), CRect(0, 0, w, h), source, margins);
    CTKImageManager::GetDefault()->TransparentBlt(hdc, dest, mem, CRect(0, 0, w, h), key);
  }
  DeleteObject(bitmap);
}

void CTKResourceImage::DrawImageWithAlpha(CDC* pDC, const CRect& dest, const CRect& source, const CRect& margins,
                                          COLORREF key, UINT flags) {
  if (!pDC) return;
  if (!(flags & 1)) {
    DrawImageTransparent(pDC, dest, source, margins, key);
    return;
  }
  if (m_bAlpha) {
    DrawImage(pDC, dest, source, margins);
    return;
  }
  int w = dest.Width(), h = dest.Height();
  if (w <= 0 || h <= 0) return;
  LPBYTE bits = nullptr;
  HBITMAP dib = CTKImageManager::CreateDIB32(nullptr, w, -h, &bits);  // top-down
  if (!dib) return;
  {
    CTKScopedBitmapDC mem(dib);
    if (key != static_cast<COLORREF>(-1)) {
      CRect all(0, 0, w, h);
      GdiFillSolidRect(mem, &all, key);
    }
    DrawImage(CDC::FromHandle(mem), CRect(0, 0, w, h), source, margins);
    GdiFlush();
    const uint32_t keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    auto* pixels = reinterpret_cast<uint32_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
      bool isKey = key != static_cast<COLORREF>(-1) && (pixels[i] & 0x00FFFFFFu) == keyPixel;
      pixels[i] = isKey ? 0 : (pixels[i] | 0xFF000000u);
    }
    CTKImageManager::GetDefault()->AlphaBlend(pDC->GetSafeHdc(), dest, mem, CRect(0, 0, w, h));
  }
  DeleteObject(dib);
}

// ---- CTKResourceImages --------------------------------------------------------------------------

CTKResourceImages::CTKResourceImages() {
  SetModule(AfxGetInstanceHandle(), nullptr, FALSE);
  m_hbmBuffer = CTKImageManager::CreateDIB32(nullptr, kBufferSize, kBufferSize, &m_pBufferBits);  // bottom-up
}

CTKResourceImages::~CTKResourceImages() {
  RemoveAll();
  m_dc.SetBitmap(nullptr);
  if (m_hbmBuffer) DeleteObject(m_hbmBuffer);
  if (m_bOwnsModule && m_hModule) FreeLibrary(m_hModule);
  if (m_pConnection) m_pConnection->InternalRelease();
}

BOOL CTKResourceImages::SetModule(HMODULE module, LPCTSTR iniName, BOOL ownsModule) {
  if (m_bOwnsModule && m_hModule && m_hModule != module) FreeLibrary(m_hModule);
  m_strIniName = iniName ? iniName : u"";
  m_strIniName.Replace(u'.', u'_');
  m_hModule = module;
  m_bOwnsModule = ownsModule;
  m_pIniStart = m_pIniEnd = nullptr;
  return LoadIni();
}

namespace {

struct FirstName {
  std::u16string name;
  WORD id = 0;
};

BOOL FindFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* first = reinterpret_cast<FirstName*>(param);
  if (IS_INTRESOURCE(name)) first->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  else first->name = name;
  return FALSE;  // the first name is enough
}

}  // namespace

BOOL CTKResourceImages::LoadIni() {
  RemoveAll();
  m_pIniStart = m_pIniEnd = nullptr;
  HRSRC res = nullptr;
  if (m_hModule) {
    if (!m_strIniName.IsEmpty()) {
      res = FindResource(m_hModule, m_strIniName, u"TEXTFILE");
    } else if ((res = FindResource(m_hModule, u"OFFICE2007BLUE_INI", u"TEXTFILE")) != nullptr) {
      m_strIniName = u"OFFICE2007BLUE_INI";
    } else {
      FirstName first;
      EnumResourceNames(m_hModule, u"TEXTFILE", FindFirstName, reinterpret_cast<LONG_PTR>(&first));
      if (!first.name.empty()) res = FindResource(m_hModule, first.name.c_str(), u"TEXTFILE");
      else if (first.id) res = FindResource(m_hModule, MAKEINTRESOURCE(first.id), u"TEXTFILE");
    }
  }
  if (res) {
    HGLOBAL data = LoadResource(m_hModule, res);
    const char* text = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (text) {
      m_pIniStart = text;
      m_pIniEnd = text + SizeofResource(m_hModule, res);
    }
  }
  m_bPremultiplyImages = GetIniInt(u"Global", u"PremultiplyImages", 0);
  if (m_pConnection) m_pConnection->BroadcastEvent(kEventImagesChanged, 0, 0);
  return m_pIniStart != nullptr;
}

BOOL CTKResourceImages::ReadIniLine(const char*& pos, CString& line) const {
  // Only within the text: a CR beyond its end does not count.
  const void* cr = pos < m_pIniEnd ? std::memchr(pos, '\r', static_cast<size_t>(m_pIniEnd - pos)) : nullptr;
  if (!cr) return FALSE;
  const char* end = static_cast<const char*>(cr);
  line = CString(pos, static_cast<int>(end - pos));
  pos = end + 1;
  if (pos < m_pIniEnd && *pos == '\n') ++pos;
  return TRUE;
}

CString CTKResourceImages::ReadIniValue(LPCTSTR section, LPCTSTR key) {
  if (!m_pIniStart || !section || !key) return CString();
  CString wantedSection(section), wantedKey(key);
  wantedSection.MakeUpper();
  wantedKey.MakeUpper();
  bool inSection = false;
  const char* pos = m_pIniStart;
  CString line;
  while (ReadIniLine(pos, line)) {
    line.TrimLeft();
    if (line.IsEmpty() || line[0] == u';') continue;
    int semicolon = line.Find(u';');
    if (semicolon >= 0) line = line.Left(semicolon);
    line.MakeUpper();
    if (line[0] == u'[') {
      if (inSection) return CString();
      CString name = line.GetLength() >= 2 ? line.Mid(1, line.GetLength() - 2) : CString();
      inSection = name == wantedSection;
      continue;
    }
    if (!inSection) continue;
    int equals = line.Find(u'=');
    if (equals < 1) continue;
    CString name = line.Left(equals);
    while (!name.IsEmpty() && IsBlank(name[name.GetLength() - 1])) name.Truncate(name.GetLength() - 1);
    if (name == wantedKey) {
      CString value = line.Mid(equals + 1);
      value.Trim();
      return value;
    }
  }
  return CString();
}

CString CTKResourceImages::GetIniString(LPCTSTR section, LPCTSTR key) { return ReadIniValue(section, key); }

COLORREF CTKResourceImages::GetIniColor(LPCTSTR section, LPCTSTR key, COLORREF defaultColor) {
  CString value = ReadIniValue(section, key);
  if (value.IsEmpty()) return defaultColor;
  int red = 0, green = 0, blue = 0;
  std::sscanf(Narrow(value).c_str(), "%i %i %i", &red, &green, &blue);
  return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

BOOL CTKResourceImages::GetIniGradient(CTKPaintManagerColorGradient& gradient, LPCTSTR section, LPCTSTR keyLight,
                                       LPCTSTR keyDark, float factor) {
  const BOOL haveLight = !ReadIniValue(section, keyLight).IsEmpty();
  const BOOL haveDark = !ReadIniValue(section, keyDark).IsEmpty();
  const COLORREF light = GetIniColor(section, keyLight, gradient.clrLight.GetStandardColor());
  const COLORREF dark = GetIniColor(section, keyDark, gradient.clrDark.GetStandardColor());
  gradient.SetStandardColors(light, dark, factor);
  return haveLight && haveDark;
}

CRect CTKResourceImages::GetIniRect(LPCTSTR section, LPCTSTR key, const CRect& defaultRect) {
  CString value = ReadIniValue(section, key);
  if (value.IsEmpty()) return defaultRect;
  int left = 0, top = 0, right = 0, bottom = 0;
  std::sscanf(Narrow(value).c_str(), "%i %i %i %i", &left, &top, &right, &bottom);
  return CRect(left, top, right, bottom);
}

int CTKResourceImages::GetIniInt(LPCTSTR section, LPCTSTR key, int defaultValue) {
  CString value = ReadIniValue(section, key);
  if (value.IsEmpty()) return defaultValue;
  return static_cast<int>(std::strtol(Narrow(value).c_str(), nullptr, 10));
}

CString CTKResourceImages::MapImageName(LPCTSTR name) {
  CString result = ReadIniValue(u"Images", name);
  if (result.IsEmpty()) result = name;
  result.Replace(u'.', u'_');
  result.Replace(u'\\', u'_');
  return result;
}

CTKResourceImage* CTKResourceImages::LoadImage(LPCTSTR name) {
  CString resource = MapImageName(name);
  auto* image = new CTKResourceImage(this);
  if (!image->LoadFromModule(m_hModule, resource)) {
    image->InternalRelease();
    return nullptr;
  }
  return image;
}

CTKResourceImage* CTKResourceImages::GetImage(LPCTSTR name) {
  CTKLockGuard lock(m_cs);
  if (!m_hModule || !name) return nullptr;
  std::u16string key(name);
  auto it = m_mapImages.find(key);
  if (it != m_mapImages.end()) return it->second;
  CTKResourceImage* image = LoadImage(name);
  if (image && m_bPremultiplyImages) image->PremultiplyAlpha();
  m_mapImages[key] = image;
  return image;
}

void CTKResourceImages::RemoveAll() {
  for (auto& [name, image] : m_mapImages)
    if (image) image->InternalRelease();
  m_mapImages.clear();
}

CTKNotifyConnection* CTKResourceImages::GetConnection() {
  if (!m_pConnection) m_pConnection = new CTKNotifyConnection();
  return m_pConnection;
}

CTKResourceImages* GetResourceImages() {
  static CTKResourceImages images;
  return &images;
}
