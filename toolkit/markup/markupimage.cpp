// The image element: loads its picture from a file, a resource or the
// context's image manager at every measure, and sizes it by Stretch.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/framework/afxgdi.h"
#include "platform/system/resources.h"
#include "toolkit/common/imagemanager.h"
#include "toolkit/common/resourcemanager.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupconverters.h"
#include "toolkit/markup/markupdrawingcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markuplayoutmath.h"

TK_DEFINE_MARKUPCLASS(CTKMarkupImage)

CTKMarkupDependencyProperty* CTKMarkupImage::m_pSourceProperty = nullptr;
CTKMarkupDependencyProperty* CTKMarkupImage::m_pStretchProperty = nullptr;

namespace {

// A decimal integer after optional white space and sign, up to the first
// other character (0 when there is none).
long ReadInteger(const std::u16string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n')) i++;
  bool bNegative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) bNegative = text[i++] == u'-';
  long long n = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
    n = std::min<long long>(n * 10 + (text[i++] - u'0'), 0x7FFFFFFF);
  return static_cast<long>(bNegative ? -n : n);
}

bool EndsWithIco(const std::u16string& path) {
  if (path.size() < 3) return false;
  std::u16string tail = path.substr(path.size() - 3);
  for (char16_t& c : tail)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return tail == u"ico";
}

// Green is the transparent colour of pictures without alpha.
constexpr COLORREF kMaskColor = 0x00FF00;

}  // namespace

void CTKMarkupImage::RegisterMarkupDependencyProperties() {
  CTKMarkupType* pOwner = GetMarkupClass();
  m_pSourceProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Source", CTKMarkupString::GetMarkupClass(), pOwner, new CTKMarkupPropertyMetadata(nullptr, MPF_AFFECTSMEASURE));
  m_pStretchProperty = CTKMarkupDependencyProperty::RegisterProperty(
      u"Stretch", CTKMarkupEnum::GetMarkupClass(), pOwner,
      new CTKMarkupPropertyMetadata(CTKMarkupEnum::CreateEnum(0), &ConvertStretch, MPF_AFFECTSMEASURE));
}

CTKMarkupImage::~CTKMarkupImage() { ReleasePicture(); }

void CTKMarkupImage::ReleasePicture() {
  if (m_pIcon) m_pIcon->InternalRelease();
  m_pIcon = nullptr;
  if (m_pImageManager) m_pImageManager->InternalRelease();
  m_pImageManager = nullptr;
}

void CTKMarkupImage::LoadSource(int nWidth) {
  const auto* pSource = MarkupDynamicCast<CTKMarkupString>(GetValue(m_pSourceProperty));
  if (!pSource) return;
  ReleasePicture();
  const std::u16string text(pSource->GetBuffer(), pSource->GetLength());
  UINT nId = 0;
  if (text.rfind(u"file://", 0) == 0) {
    const std::u16string path = text.substr(7);
    m_pImageManager = new CTKImageManager();
    m_pImageManager->SetMaskColor(kMaskColor);
    if (EndsWithIco(path)) {
      m_pImageManager->SetIconsFromIcoFile(path.c_str(), 0, CSize(0, 0), tkImageNormal);
    } else {
      BOOL bAlpha = FALSE;
      if (HBITMAP hBitmap = CTKImageManager::LoadBitmapFromFile(path.c_str(), &bAlpha)) {
        m_pImageManager->SetIconsFromBitmap(hBitmap, nullptr, 1, 0, 0, tkImageNormal, bAlpha);
        ::DeleteObject(hBitmap);
      }
    }
  } else if (text.rfind(u"res://", 0) == 0) {
    const std::u16string name = text.substr(6);
    // "#12" names resource 12.
    LPCWSTR lpszName = name.c_str();
    if (!name.empty() && name[0] == u'#') lpszName = MAKEINTRESOURCEW(static_cast<WORD>(ReadInteger(name.substr(1))));
    m_pImageManager = new CTKImageManager();
    m_pImageManager->SetMaskColor(kMaskColor);
    BOOL bAlpha = FALSE;
    HBITMAP hBitmap = CTKImageManager::LoadBitmapFromModule(TKGetResourceModule(), lpszName, &bAlpha);
    if (!hBitmap) hBitmap = CTKImageManager::LoadBitmapResource(lpszName, &bAlpha);
    if (hBitmap) {
      m_pImageManager->SetIconsFromBitmap(hBitmap, nullptr, 1, 0, 0, tkImageNormal, bAlpha);
      ::DeleteObject(hBitmap);
    } else {
      m_pImageManager->SetIconFromResource(name.c_str(), 0, 0, 0, tkImageNormal);
    }
  } else {
    const long n = ReadInteger(text);
    if (n <= 0) return;
    m_pImageManager = m_pMarkupContext ? m_pMarkupContext->GetImageManager() : CTKImageManager::GetDefault();
    if (!m_pImageManager) return;
    m_pImageManager->InternalAddRef();
    nId = static_cast<UINT>(n);
  }
  m_pIcon = m_pImageManager->LookupIcon(nId, nWidth);
  if (m_pIcon) m_pIcon->InternalAddRef();
}

SIZE CTKMarkupImage::GetImageSize(int cx, int cy) const {
  if (!m_pIcon) return SIZE{0, 0};
  const int w = m_pIcon->GetWidth(), h = m_pIcon->GetHeight();
  if (w == 0 || h == 0) return SIZE{w, h};
  const int nStretch = MarkupEnumValue(GetValue(m_pStretchProperty), 0);
  if (nStretch == 0 || (cx > 32000 && cy > 32000)) return SIZE{w, h};
  double sx = static_cast<double>(cx) / w, sy = static_cast<double>(cy) / h;
  if (cx > 32000) {
    sx = sy;
  } else if (cy > 32000) {
    sy = sx;
  } else if (nStretch == 2) {
    sx = sy = std::min(sx, sy);
  } else if (nStretch == 3) {
    sx = sy = std::max(sx, sy);
  }
  return SIZE{MarkupTruncate(w * sx), MarkupTruncate(h * sy)};
}

SIZE CTKMarkupImage::MeasureOverride(CTKMarkupDrawingContext*, int cx, int cy) {
  LoadSource(cx);
  return GetImageSize(cx, cy);
}

void CTKMarkupImage::OnRender(CTKMarkupDrawingContext* pDC) {
  if (!m_pIcon) return;
  HDC hDC = pDC->GetDC();
  m_pIcon->DrawNormal(CDC::FromHandle(hDC), CPoint(0, 0), CSize(m_szRenderSize.cx, m_szRenderSize.cy));
  pDC->ReleaseDC(hDC);
}
