// The report grid's locale services: which locale the grid uses, variant
// conversion under it, and dates formatted from strftime-style formats
// whose tokens come from the locale service's date and time formatting.
// Process-wide settings and functions; no object is made.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/oledatetime.h"
#include "platform/base/variant.h"

struct TK_TIMESPEC {
  LPCTSTR szToken;    // the strftime-style token
  LPCTSTR szPicture;  // the picture for the date or time formatter
  BOOL bTime;         // TRUE: the time formatter
};

class CTKReportControlLocale {
 public:
  // 0x400 (the user default) unless the resource locale is in use; then
  // the resource manager's language.
  static LCID GetActiveLCID();
  // TRUE when the value has the type afterwards. With bThrow a failure
  // raises the framework's memory exception (E_OUTOFMEMORY) or its OLE
  // exception; otherwise it answers FALSE.
  static BOOL ChangeVariantType(VARIANT* pVariant, VARTYPE vtNewType, BOOL bThrow = FALSE);
  static CString FormatDateTime(const COleDateTime& dt, LPCTSTR lpcszFormatString);
  // An invalid or null date gives an empty text; "%%" gives "%".
  static CString FormatDateTimeLCID(const COleDateTime& dt, LPCTSTR lpcszFormatString, LCID lcid);

  static BOOL IsUseResourceFileLocale() { return s_bUseResourceFileLocale; }
  static LCID GetCompareLCID() { return s_lcidCompare; }
  // The comparison locale with 0x400 standing for the active one.
  static LCID GetActiveCompareLCID();

  // The token table, in replacement order.
  static const TK_TIMESPEC* GetTimeSpecs(int* pCount);

  static BOOL s_bUseResourceFileLocale;  // no operation changes it
  static LCID s_lcidCompare;             // no operation changes it
};
