#include "toolkit/common/printoptions.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/base/systime.h"
#include "platform/base/wstr.h"
#include "platform/framework/afxgdi.h"
#include "platform/framework/afxprint.h"
#include "platform/system/locale.h"
#include "toolkit/common/drawhelpers.h"
#include "toolkit/common/scopeddc.h"

IMPLEMENT_DYNAMIC(CTKPrintOptions, CCmdTarget)
IMPLEMENT_DYNAMIC(CTKPrintPageHeaderFooter, CCmdTarget)

namespace {

constexpr WCHAR kAmpersandStandIn = 0x0001;
constexpr int kDateTimeBufferSize = 200;
constexpr int kMeasureHeight = 32000;
constexpr int kBandGap = 3;
constexpr int kColumnStep = 15;

bool IsBlank(const CString& text) {
  CString trimmed = text;
  trimmed.TrimLeft();
  return trimmed.IsEmpty();
}

int CeilDiv(int value, int divisor) { return value / divisor + (value % divisor ? 1 : 0); }

// The height of a text wrapped in a column `width` wide, measured with the
// flags it is drawn with.
int MeasureHeight(CDC* pDC, const CString& text, int width, UINT align) {
  CRect rect(0, 0, width, kMeasureHeight);
  return pDC->DrawText(text, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | align);
}

}  // namespace

// ---- the page header and footer ------------------------------------------------------------------

CTKPrintPageHeaderFooter::CTKPrintPageHeaderFooter(CTKPrintOptions* owner, BOOL header)
    : m_bHeader(header), m_pOwner(owner) {
  Clear();
}

void CTKPrintPageHeaderFooter::Set(const CTKPrintPageHeaderFooter* other) {
  if (!other || other == this) return;
  m_lfFont = other->m_lfFont;
  m_clrText = other->m_clrText;
  m_strFormatString = other->m_strFormatString;
  m_strLeft = other->m_strLeft;
  m_strCenter = other->m_strCenter;
  m_strRight = other->m_strRight;
}

void CTKPrintPageHeaderFooter::Clear() {
  CTKDrawHelpers::GetIconLogFont(&m_lfFont);
  m_clrText = 0;
  m_strFormatString.Empty();
  m_strLeft.Empty();
  m_strCenter.Empty();
  m_strRight.Empty();
}

BOOL CTKPrintPageHeaderFooter::IsEmpty() const {
  return m_strLeft.IsEmpty() && m_strCenter.IsEmpty() && m_strRight.IsEmpty();
}

void CTKPrintPageHeaderFooter::FormatTexts(CPrintInfo* pInfo, LPCTSTR windowTitle, int virtualPageCount) {
  if (m_strFormatString.IsEmpty() || !pInfo) return;
  const LCID locale = m_pOwner ? m_pOwner->GetLocaleId() : LOCALE_USER_DEFAULT;
  const WCHAR standIn[2] = {kAmpersandStandIn, 0};

  CString format = m_strFormatString;
  format.Replace(u"&&", standIn);

  CString page;
  if (virtualPageCount > 0) page.Format(u"%d-%d", static_cast<int>(pInfo->m_nCurPage), virtualPageCount);
  else page.Format(u"%d", static_cast<int>(pInfo->m_nCurPage));
  format.Replace(u"&p", page);

  CString count(u"*");
  if (pInfo->GetMaxPage() != 0xFFFF) count.Format(u"%d", static_cast<int>(pInfo->GetMaxPage()));
  format.Replace(u"&P", count);

  format.Replace(u"\\n", u"\n");

  SplitFormat(format);
  CString* texts[3] = {&m_strLeft, &m_strCenter, &m_strRight};
  for (CString* text : texts) ExpandDateTime(*text, locale);
  if (windowTitle)
    for (CString* text : texts) text->Replace(u"&w", windowTitle);
  for (CString* text : texts) text->Replace(standIn, u"&");
}

void CTKPrintPageHeaderFooter::SplitFormat(const CString& format) {
  m_strLeft.Empty();
  m_strCenter.Empty();
  m_strRight.Empty();
  CString rest = format;
  int separator = rest.Find(u"&b");
  if (separator < 0) {
    m_strLeft = rest;
    return;
  }
  if (separator > 0) m_strLeft = rest.Left(separator);
  rest = rest.Mid(separator + 2);
  separator = rest.Find(u"&b");
  if (separator < 0) {
    m_strCenter = rest;
    return;
  }
  if (separator > 0) m_strCenter = rest.Left(separator);
  m_strRight = rest.Mid(separator + 2);
}

void CTKPrintPageHeaderFooter::ExpandDateTime(CString& text, LCID locale) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  WCHAR buffer[kDateTimeBufferSize];
  struct Code {
    LPCWSTR code;
    bool date;
    DWORD flags;
  };
  const Code codes[] = {{u"&d", true, DATE_SHORTDATE},
                        {u"&D", true, DATE_LONGDATE},
                        {u"&t", false, 0},
                        {u"&T", false, TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT}};
  for (const Code& c : codes) {
    buffer[0] = 0;
    if (c.date) ::GetDateFormatW(locale, c.flags, &now, nullptr, buffer, kDateTimeBufferSize);
    else ::GetTimeFormatW(locale, c.flags, &now, nullptr, buffer, kDateTimeBufferSize);
    buffer[kDateTimeBufferSize - 1] = 0;
    text.Replace(c.code, buffer);
  }
}

int CTKPrintPageHeaderFooter::CalcSingleColumnSize(CDC* pDC, int width, const CString& left, const CString& center,
                                                   const CString& right, CSize* sizes) {
  const CString* texts[3] = {&left, &center, &right};
  int only = -1;
  for (int i = 0; i < 3; ++i) {
    if (IsBlank(*texts[i])) continue;
    if (only >= 0) return -1;
    only = i;
  }
  if (only < 0) return -1;
  static const UINT kAlign[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
  for (int i = 0; i < 3; ++i) sizes[i] = CSize(0, 0);
  const int height = MeasureHeight(pDC, *texts[only], width, kAlign[only]);
  sizes[only] = CSize(width, height);
  return height;
}

int CTKPrintPageHeaderFooter::CalcColumnSizes(CDC* pDC, int width, const CString& left, const CString& center,
                                              const CString& right, CSize* sizes) {
  for (int i = 0; i < 3; ++i) sizes[i] = CSize(0, 0);
  // A band without width (an empty or inverted rectangle) holds no text.
  if (!pDC || !pDC->GetSafeHdc() || width <= 0) return 0;

  const int single = CalcSingleColumnSize(pDC, width, left, center, right, sizes);
  if (single >= 0) return single;

  const int wl = pDC->GetTextExtent(left).cx;
  const int wc = pDC->GetTextExtent(center).cx;
  const int wr = pDC->GetTextExtent(right).cx;
  if (wl == 0 && wc == 0 && wr == 0) return 0;
  const int extentLeft = std::max(wl, 1), extentCenter = std::max(wc, 1), extentRight = std::max(wr, 1);

  // Column widths in steps of 15 from a ninth of the band, the fewest lines
  // first, then the columns closest to thirds. Below nine units a ninth is
  // nothing, so every column keeps at least one unit.
  const int minimum = std::max(width / 9, 1);
  const int third = width / 3;
  int best = INT_MAX, bestDeviation = INT_MAX;
  int xlBest = 1, xcBest = 1, xrBest = 1;
  int step = 0;
  for (int xl = minimum; xl <= width / 2 - minimum; xl += kColumnStep, ++step) {
    for (int xc = minimum; xc <= width - 2 * minimum - kColumnStep * step; xc += kColumnStep) {
      const int xr = width - xl - xc;
      const int linesCenter = CeilDiv(extentCenter, xc);
      if (linesCenter > best) continue;
      const int linesRight = CeilDiv(extentRight, xr);
      if (linesRight > best) break;
      const int lines = std::max({CeilDiv(extentLeft, xl), linesCenter, linesRight});
      const int deviation = std::abs(third - xr) + std::abs(third - xc) + std::abs(third - xl);
      if (lines < best || (lines == best && deviation < bestDeviation)) {
        best = lines;
        bestDeviation = deviation;
        xlBest = xl;
        xcBest = xc;
        xrBest = xr;
      }
    }
  }

  sizes[0] = CSize(xlBest, MeasureHeight(pDC, left, xlBest, DT_LEFT));
  sizes[1] = CSize(xcBest, MeasureHeight(pDC, center, xcBest, DT_CENTER));
  sizes[2] = CSize(xrBest, MeasureHeight(pDC, right, xrBest, DT_RIGHT));
  return std::max({sizes[0].cy, sizes[1].cy, sizes[2].cy});
}

void CTKPrintPageHeaderFooter::Draw(CDC* pDC, CRect& rect, BOOL measureOnly) {
  if (!pDC || !pDC->GetSafeHdc()) return;
  CFont font;
  font.CreateFontIndirect(&m_lfFont);
  CTKFontDC fontDC(pDC, &font, m_clrText);

  CSize sizes[3];
  const int height = CalcColumnSizes(pDC, rect.Width(), m_strLeft, m_strCenter, m_strRight, sizes);
  const int band = height > 0 ? height + kBandGap : 0;
  if (m_bHeader) rect.bottom = rect.top + band;
  else rect.top = rect.bottom - band;
  if (measureOnly) return;

  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  const UINT flags = DT_WORDBREAK | DT_NOPREFIX;
  CRect column(rect.left, rect.top, rect.left + sizes[0].cx, rect.bottom);
  pDC->DrawText(m_strLeft, &column, flags | DT_LEFT);
  column = CRect(rect.left + sizes[0].cx, rect.top, rect.left + sizes[0].cx + sizes[1].cx, rect.bottom);
  pDC->DrawText(m_strCenter, &column, flags | DT_CENTER);
  column = CRect(rect.right - sizes[2].cx, rect.top, rect.right, rect.bottom);
  pDC->DrawText(m_strRight, &column, flags | DT_RIGHT);
  pDC->SetBkMode(oldMode);
}

// ---- the options ---------------------------------------------------------------------------------

CTKPrintOptions::CTKPrintOptions() {
  const int margin = UsesInchMeasure() ? 500 : 1000;
  m_rcMargins.SetRect(margin, margin, margin, margin);
  m_pPageHeader = new CTKPrintPageHeaderFooter(this, TRUE);
  m_pPageFooter = new CTKPrintPageHeaderFooter(this, FALSE);
}

CTKPrintOptions::~CTKPrintOptions() {
  m_pPageHeader->InternalRelease();
  m_pPageFooter->InternalRelease();
}

BOOL CTKPrintOptions::UsesInchMeasure() {
  WCHAR value[8] = {};
  if (!::GetLocaleInfoW(GetLocaleId(), LOCALE_IMEASURE, value, 8)) return FALSE;
  return _wtoi(value) != 0;
}

CRect CTKPrintOptions::GetMarginsHundredthsMm() {
  CRect margins = m_rcMargins;
  if (UsesInchMeasure()) {
    margins.left = margins.left * 254 / 100;
    margins.top = margins.top * 254 / 100;
    margins.right = margins.right * 254 / 100;
    margins.bottom = margins.bottom * 254 / 100;
  }
  return margins;
}

CRect CTKPrintOptions::GetMarginsDeviceUnits(CDC* pDC) {
  if (!pDC || !pDC->GetSafeHdc()) return CRect(0, 0, 0, 0);
  const CRect margins = GetMarginsHundredthsMm();
  CSize topLeft(margins.left, margins.top), bottomRight(margins.right, margins.bottom);
  pDC->HIMETRICtoLP(&topLeft);
  pDC->HIMETRICtoLP(&bottomRight);
  return CRect(topLeft.cx, topLeft.cy, bottomRight.cx, bottomRight.cy);
}

LCID CTKPrintOptions::GetLocaleId() { return LOCALE_USER_DEFAULT; }

void CTKPrintOptions::CopyFrom(const CTKPrintOptions* other) {
  if (!other || other == this) return;
  m_rcMargins = other->m_rcMargins;
  m_bFirstSwitch = other->m_bFirstSwitch;
  m_bSecondSwitch = other->m_bSecondSwitch;
  m_pPageHeader->Set(other->m_pPageHeader);
  m_pPageFooter->Set(other->m_pPageFooter);
}
