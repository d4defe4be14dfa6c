#include "toolkit/report/reportlocale.h"

#include "platform/base/exceptions.h"
#include "platform/system/locale.h"
#include "toolkit/common/resourcemanager.h"

BOOL CTKReportControlLocale::s_bUseResourceFileLocale = FALSE;
LCID CTKReportControlLocale::s_lcidCompare = LOCALE_USER_DEFAULT;

namespace {

constexpr TK_TIMESPEC kTimeSpecs[] = {
    {u"%a", u"ddd", FALSE}, {u"%A", u"dddd", FALSE}, {u"%b", u"MMM", FALSE},  {u"%B", u"MMMM", FALSE},
    {u"%d", u"dd", FALSE},  {u"%#d", u"d", FALSE},   {u"%m", u"MM", FALSE},   {u"%#m", u"M", FALSE},
    {u"%y", u"yy", FALSE},  {u"%#y", u"y", FALSE},   {u"%Y", u"yyyy", FALSE}, {u"%H", u"HH", TRUE},
    {u"%#H", u"H", TRUE},   {u"%I", u"hh", TRUE},    {u"%#I", u"h", TRUE},    {u"%M", u"mm", TRUE},
    {u"%#M", u"m", TRUE},   {u"%S", u"ss", TRUE},    {u"%#S", u"s", TRUE},    {u"%p", u"tt", TRUE},
};

// Left to the date's own strftime-style formatting.
constexpr LPCTSTR kRuntimeTokens[] = {u"%j", u"%#j", u"%w", u"%#w", u"%U", u"%#U", u"%W", u"%#W", u"%z", u"%Z"};

// Replaces every occurrence of the token by what `make` gives; a failed
// `make` leaves the token.
template <class Make>
void ReplaceToken(CString& text, LPCTSTR token, Make make) {
  if (text.Find(token) < 0) return;
  CString value;
  if (make(&value)) text.Replace(token, value);
}

bool DateText(LCID lcid, DWORD flags, const SYSTEMTIME& st, LPCTSTR picture, bool time, CString* out) {
  WCHAR buffer[96];
  int n = time ? GetTimeFormatW(lcid, flags, &st, picture, buffer, 96)
               : GetDateFormatW(lcid, flags, &st, picture, buffer, 96);
  if (n <= 0) return false;
  *out = buffer;
  return true;
}

CString FormatPiece(CString text, const COleDateTime& dt, const SYSTEMTIME& st, LCID lcid) {
  for (const TK_TIMESPEC& spec : kTimeSpecs) {
    ReplaceToken(text, spec.szToken,
                 [&](CString* out) { return DateText(lcid, 0, st, spec.szPicture, spec.bTime != FALSE, out); });
  }
  text.Replace(u"%#c", u"%#x %X");
  text.Replace(u"%c", u"%x %X");
  ReplaceToken(text, u"%#x", [&](CString* out) { return DateText(lcid, DATE_LONGDATE, st, nullptr, false, out); });
  ReplaceToken(text, u"%x", [&](CString* out) { return DateText(lcid, DATE_SHORTDATE, st, nullptr, false, out); });
  ReplaceToken(text, u"%X", [&](CString* out) { return DateText(lcid, 0, st, nullptr, true, out); });
  for (LPCTSTR token : kRuntimeTokens) {
    ReplaceToken(text, token, [&](CString* out) {
      *out = dt.Format(token);
      return true;
    });
  }
  return text;
}

}  // namespace

const TK_TIMESPEC* CTKReportControlLocale::GetTimeSpecs(int* pCount) {
  if (pCount) *pCount = static_cast<int>(sizeof kTimeSpecs / sizeof kTimeSpecs[0]);
  return kTimeSpecs;
}

LCID CTKReportControlLocale::GetActiveLCID() {
  if (!s_bUseResourceFileLocale) return LOCALE_USER_DEFAULT;
  return static_cast<LCID>(GetResourceManager()->GetResourcesLangID());
}

LCID CTKReportControlLocale::GetActiveCompareLCID() {
  return s_lcidCompare == LOCALE_USER_DEFAULT ? GetActiveLCID() : s_lcidCompare;
}

BOOL CTKReportControlLocale::ChangeVariantType(VARIANT* pVariant, VARTYPE vtNewType, BOOL bThrow) {
  if (!pVariant) return FALSE;
  if (pVariant->vt == vtNewType) return TRUE;
  HRESULT hr = VariantChangeTypeEx(pVariant, pVariant, GetActiveLCID(), 0, vtNewType);
  if (SUCCEEDED(hr)) return TRUE;
  if (bThrow) {
    if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
    AfxThrowOleException(hr);
  }
  return FALSE;
}

CString CTKReportControlLocale::FormatDateTime(const COleDateTime& dt, LPCTSTR lpcszFormatString) {
  return FormatDateTimeLCID(dt, lpcszFormatString, GetActiveLCID());
}

CString CTKReportControlLocale::FormatDateTimeLCID(const COleDateTime& dt, LPCTSTR lpcszFormatString, LCID lcid) {
  if (dt.GetStatus() != COleDateTime::valid) return CString();
  SYSTEMTIME st{};
  if (!dt.GetAsSystemTime(st)) return CString();
  // "%%" pairs are set aside: the pieces between them are formatted alone
  // and joined again with single "%" signs.
  CString format(lpcszFormatString ? lpcszFormatString : u"");
  CString result;
  int start = 0;
  for (;;) {
    int pair = format.Find(u"%%", start);
    if (pair < 0) {
      result += FormatPiece(format.Mid(start), dt, st, lcid);
      break;
    }
    result += FormatPiece(format.Mid(start, pair - start), dt, st, lcid);
    result += u'%';
    start = pair + 2;
  }
  return result;
}
