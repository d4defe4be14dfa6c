// VARIANT: the Automation tagged value, with its conversions and comparison.
//
// Conversions follow the Automation rules under the LCID they are given
// (VariantChangeType: the user default), as Windows does: number text uses
// the locale's decimal and thousands separators ("1,5" is 1.5 under
// 0x0407), dates are read in the locale's order of day and month and with its
// names, and written with its short date and time pictures (see
// platform/base/localedata.h; an LCID we cannot serve reads as en-US).
// Numbers print with up to 15 significant digits (7 for VT_R4), booleans are
// -1/0 as numbers and "True"/"False" as text when asked for
// (VARIANT_ALPHABOOL / VARIANT_LOCALBOOL), text that is no number or date
// gives DISP_E_TYPEMISMATCH, values outside the target's range
// DISP_E_OVERFLOW, and fractions round to the nearest integer with halves
// going to the even neighbour.
#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "platform/base/bstr.h"
#include "platform/base/cstring.h"
#include "platform/base/com.h"
#include "platform/base/systime.h"
#include "platform/base/wintypes.h"

using VARTYPE = unsigned short;
using VARIANT_BOOL = short;
#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

enum VARENUM : unsigned short {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_RECORD = 36,
  VT_FILETIME = 64,
  VT_BLOB = 65,
  VT_CLSID = 72,
  VT_BSTR_BLOB = 0xfff,
  VT_VECTOR = 0x1000,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_RESERVED = 0x8000,
  VT_ILLEGAL = 0xffff,
  VT_ILLEGALMASKED = 0xfff,
  VT_TYPEMASK = 0xfff
};

// Currency: a 64-bit integer scaled by 10 000.
union CY {
  struct {
    ULONG Lo;
    LONG Hi;
  };
  LONGLONG int64;
};
using CURRENCY = CY;

// 96-bit integer scaled by a power of ten (0..28), with a sign.
struct DECIMAL {
  USHORT wReserved;
  BYTE scale;
  BYTE sign;  // DECIMAL_NEG when negative
  ULONG Hi32;
  ULONGLONG Lo64;
};
#define DECIMAL_NEG (static_cast<BYTE>(0x80))

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};
using LPSAFEARRAYBOUND = SAFEARRAYBOUND*;

// One-dimensional arrays only.
struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  PVOID pvData;
  SAFEARRAYBOUND rgsabound[1];
  VARTYPE vt;  // element type (SafeArrayGetVartype)
};
using LPSAFEARRAY = SAFEARRAY*;
#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_HAVEVARTYPE 0x0080

struct VARIANT {
  union {
    struct {
      VARTYPE vt;
      WORD wReserved1;
      WORD wReserved2;
      WORD wReserved3;
      union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        DECIMAL* pdecVal;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        ULONGLONG* pullVal;
        INT* pintVal;
        UINT* puintVal;
      };
    };
    DECIMAL decVal;  // overlays the whole value; vt sits in wReserved
  };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;
using LPVARIANTARG = VARIANT*;
using LPCVARIANT = const VARIANT*;
static_assert(sizeof(VARIANT) == 16, "VARIANT is 16 bytes");

struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  PVOID pvReserved;
  HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

// Accessors.
#define V_VT(X) ((X)->vt)
#define V_ISBYREF(X) (V_VT(X) & VT_BYREF)
#define V_ISARRAY(X) (V_VT(X) & VT_ARRAY)
#define V_UNION(X, Y) ((X)->Y)
#define V_I1(X) V_UNION(X, cVal)
#define V_UI1(X) V_UNION(X, bVal)
#define V_I2(X) V_UNION(X, iVal)
#define V_UI2(X) V_UNION(X, uiVal)
#define V_I4(X) V_UNION(X, lVal)
#define V_UI4(X) V_UNION(X, ulVal)
#define V_I8(X) V_UNION(X, llVal)
#define V_UI8(X) V_UNION(X, ullVal)
#define V_INT(X) V_UNION(X, intVal)
#define V_UINT(X) V_UNION(X, uintVal)
#define V_R4(X) V_UNION(X, fltVal)
#define V_R8(X) V_UNION(X, dblVal)
#define V_CY(X) V_UNION(X, cyVal)
#define V_DATE(X) V_UNION(X, date)
#define V_BSTR(X) V_UNION(X, bstrVal)
#define V_BOOL(X) V_UNION(X, boolVal)
#define V_ERROR(X) V_UNION(X, scode)
#define V_UNKNOWN(X) V_UNION(X, punkVal)
#define V_DISPATCH(X) V_UNION(X, pdispVal)
#define V_ARRAY(X) V_UNION(X, parray)
#define V_BYREF(X) V_UNION(X, byref)
#define V_VARIANTREF(X) V_UNION(X, pvarVal)
#define V_I4REF(X) V_UNION(X, plVal)
#define V_BSTRREF(X) V_UNION(X, pbstrVal)
#define V_DECIMAL(X) ((X)->decVal)

// Conversion flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10
#define VAR_TIMEVALUEONLY (static_cast<DWORD>(0x00000001))
#define VAR_DATEVALUEONLY (static_cast<DWORD>(0x00000002))
#define VAR_VALIDDATE (static_cast<DWORD>(0x00000004))
#define VAR_CALENDAR_HIJRI (static_cast<DWORD>(0x00000008))
#define VAR_LOCALBOOL (static_cast<DWORD>(0x00000010))
#define VAR_FORMAT_NOSUBSTITUTE (static_cast<DWORD>(0x00000020))
#define VAR_FOURDIGITYEARS (static_cast<DWORD>(0x00000040))

// Locale identifiers (LOCALE_USER_DEFAULT ...) and NORM_IGNORECASE come from
// the locale header of the system layer.
namespace pv {
constexpr LCID kUserDefaultLcid = 0x0400;
constexpr ULONG kNormIgnoreCase = 0x00000001;  // NORM_IGNORECASE
}  // namespace pv

// VarCmp results.
#define VARCMP_LT 0
#define VARCMP_EQ 1
#define VARCMP_GT 2
#define VARCMP_NULL 3

void VariantInit(VARIANTARG* v);
HRESULT VariantClear(VARIANTARG* v);
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
// Copies the value a by-reference variant points at (a plain copy otherwise).
HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src);
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid, USHORT flags, VARTYPE vt);
// VARCMP_LT/EQ/GT, VARCMP_NULL when either is null; strings compare as
// CompareString does under the LCID with the NORM_* flags given
// (platform/base/collate.h); a number is less than a string.
HRESULT VarCmp(LPVARIANT left, LPVARIANT right, LCID lcid, ULONG flags = 0);
HRESULT VarBstrCmp(BSTR left, BSTR right, LCID lcid, ULONG flags);

// Typed conversions used by the callers and the wrappers.
HRESULT VarBstrFromDate(DATE date, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarDateFromStr(LPCOLESTR text, LCID lcid, ULONG flags, DATE* out);
HRESULT VarBstrFromR8(double value, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarR8FromStr(LPCOLESTR text, LCID lcid, ULONG flags, double* out);

// A date broken into fields with its day of the year.
struct UDATE {
  SYSTEMTIME st;      // wDayOfWeek: 0 = Sunday; wMilliseconds 0
  USHORT wDayOfYear;  // 1 = 1 January
};
// Fields read rounded to the nearest second; E_INVALIDARG outside years
// 100..9999 or for a null pointer. The flags are accepted and ignored.
HRESULT VarUdateFromDate(DATE date, ULONG flags, UDATE* out);

// Safe arrays (one dimension).
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
HRESULT SafeArrayLock(SAFEARRAY* array);
HRESULT SafeArrayUnlock(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
// Element copies: BSTRs, variants and interfaces are copied (AddRef) in and out.
HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** out);
HRESULT SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* bound);

namespace pv {
// Same type and value (strings by text, interfaces and references by address).
bool VariantEquals(const VARIANT& a, const VARIANT& b);
// Date text as the Automation conversions produce and read it under a
// locale: its short date and time pictures ("3/26/2013 2:05:00 PM" for
// en-US, "26.03.2013 14:05:00" for de-DE), date only when the time is
// midnight, time only on the zero day; VAR_DATEVALUEONLY / VAR_TIMEVALUEONLY
// keep one half. Formatting fails (false) for a date outside the valid range.
bool FormatVariantDate(DATE date, DWORD flags, LCID lcid, std::u16string* out);
// Reads the date forms users type: "2013-03-26", "2013/3/26", "3/26/2013"
// (day first where the locale writes the day first: "26.3.2013"; the other
// way when that is impossible), "3/26/13", "26 March 2013", "Mar 26, 2013",
// "2026年12月8日" (the number before 年/月/日 is the year/month/day), "14:05",
// "2:05:00 PM", "14时05分", "2013-03-26 14:05:00", "2013-03-26T14:05:00".
// Month and weekday names and AM/PM markers are the locale's or English; a
// weekday name is ignored. Two-digit years are 1930..2029. A missing year is
// the current one; a missing date is the zero day (30 December 1899).
bool ParseVariantDate(const char16_t* text, DWORD flags, LCID lcid, DATE* out);
}  // namespace pv

class COleDateTime;

// The framework's VARIANT wrapper. Conversions that fail raise the
// framework's OLE exception (COleException), or its memory exception when
// memory ran out.
class COleVariant : public VARIANT {
 public:
  COleVariant() noexcept { VariantInit(this); }
  COleVariant(const VARIANT& src);  // NOLINT
  COleVariant(LPCVARIANT src);      // NOLINT
  COleVariant(const COleVariant& src);
  COleVariant(COleVariant&& src) noexcept;
  COleVariant(LPCTSTR text);                      // NOLINT: VT_BSTR (null gives "")
  COleVariant(LPCTSTR text, VARTYPE vt);          // VT_BSTR
  COleVariant(const CString& text);               // NOLINT
  COleVariant(BYTE value);                        // NOLINT
  COleVariant(short value, VARTYPE vt = VT_I2);   // NOLINT: VT_I2 or VT_BOOL
  COleVariant(int value, VARTYPE vt = VT_I4);     // NOLINT: VT_I4, VT_ERROR or VT_BOOL
  COleVariant(long value, VARTYPE vt = VT_I4);    // NOLINT: 32-bit values
  COleVariant(long long value);                   // NOLINT: VT_I8
  COleVariant(unsigned long long value);          // NOLINT: VT_UI8
  COleVariant(float value);                       // NOLINT
  COleVariant(double value, VARTYPE vt = VT_R8);  // NOLINT: VT_R8 or VT_DATE
  COleVariant(const COleDateTime& value);         // NOLINT: VT_DATE (null gives VT_NULL, invalid VT_ERROR)
  ~COleVariant() { VariantClear(this); }

  COleVariant& operator=(const COleVariant& src);
  COleVariant& operator=(COleVariant&& src) noexcept;
  COleVariant& operator=(const VARIANT& src);
  COleVariant& operator=(LPCVARIANT src);
  template <class T,
            class = std::enable_if_t<!std::is_base_of_v<VARIANT, std::decay_t<T>> &&
                                     !std::is_same_v<std::decay_t<T>, LPCVARIANT> &&
                                     !std::is_same_v<std::decay_t<T>, LPVARIANT>>,
            class = decltype(COleVariant(std::declval<T>()))>
  COleVariant& operator=(T&& value) {
    COleVariant tmp(std::forward<T>(value));
    return *this = std::move(tmp);
  }

  bool operator==(const COleVariant& other) const { return *this == static_cast<const VARIANT&>(other); }
  bool operator!=(const COleVariant& other) const { return !(*this == other); }
  bool operator==(const VARIANT& other) const;
  bool operator==(LPCVARIANT other) const { return other && *this == *other; }
  bool operator!=(const VARIANT& other) const { return !(*this == other); }
  bool operator!=(LPCVARIANT other) const { return !(*this == other); }

  operator LPVARIANT() noexcept { return this; }         // NOLINT
  operator LPCVARIANT() const noexcept { return this; }  // NOLINT

  void Clear();
  // Converts in place, or converts `src` into this.
  void ChangeType(VARTYPE vt, LPVARIANT src = nullptr);
  void Attach(VARIANT& src);  // takes the value over; src becomes VT_EMPTY
  VARIANT Detach();
  void SetString(LPCTSTR text, VARTYPE vt);
};
