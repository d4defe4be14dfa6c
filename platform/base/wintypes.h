// Basic types, constants and macros of the platform layer.
//
// The toolkit and the application are written against the Windows names
// (DWORD, RECT, HWND, COLORREF ...). They are defined here with the widths
// the stored formats assume: LONG and DWORD are 32 bits, WPARAM/LPARAM are
// pointer-sized and characters are UTF-16 code units (char16_t).
#pragma once

#include <cstddef>
#include <cstdint>

// ---- integers ---------------------------------------------------------------
using BOOL = int;
using BOOLEAN = unsigned char;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using UCHAR = unsigned char;
using FLOAT = float;
using DOUBLE = double;
using INT8 = std::int8_t;
using UINT8 = std::uint8_t;
using INT16 = std::int16_t;
using UINT16 = std::uint16_t;
using INT32 = std::int32_t;
using UINT32 = std::uint32_t;
using INT64 = std::int64_t;
using UINT64 = std::uint64_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORD64 = std::uint64_t;
using DWORDLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using SSIZE_T = std::ptrdiff_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using ATOM = WORD;
using COLORREF = DWORD;
using LCID = DWORD;
using LANGID = WORD;
using ACCESS_MASK = DWORD;
using REGSAM = ACCESS_MASK;

using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using PBYTE = BYTE*;
using LPDWORD = DWORD*;
using PDWORD = DWORD*;
using LPWORD = WORD*;
using LPLONG = LONG*;
using LPINT = int*;
using PUINT = UINT*;
using LPBOOL = BOOL*;
using LPCOLORREF = COLORREF*;

// ---- characters ---------------------------------------------------------------
// WCHAR and TCHAR are UTF-16 code units; the "ANSI" code page is UTF-8.
using WCHAR = char16_t;
using TCHAR = char16_t;
using OLECHAR = char16_t;
using LPSTR = char*;
using LPCSTR = const char*;
using PSTR = char*;
using PCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using PWSTR = WCHAR*;
using PCWSTR = const WCHAR*;
using LPTSTR = TCHAR*;
using LPCTSTR = const TCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// _T("text") and TEXT("text") make UTF-16 literals.
#define PV_UTF16_LITERAL(x) u##x
#define _T(x) PV_UTF16_LITERAL(x)
#define TEXT(x) PV_UTF16_LITERAL(x)
#define _TEXT(x) PV_UTF16_LITERAL(x)
#define OLESTR(x) PV_UTF16_LITERAL(x)

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define CALLBACK
#define WINAPI
#define APIENTRY
#define STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT
#define AFXAPI
#define AFX_CDECL
#define PASCAL
#define FAR
#define NEAR
#define CONST const
#define IN
#define OUT
#define OPTIONAL
#define UNREFERENCED_PARAMETER(p) ((void)(p))

// ---- handles --------------------------------------------------------------------
// Opaque handle types: each is a pointer to a distinct incomplete struct, so
// the compiler keeps them apart. The layer that owns a kind of handle defines
// what stands behind it.
#define DECLARE_HANDLE(name) \
  struct name##__;           \
  typedef struct name##__* name

using HANDLE = void*;
using HGDIOBJ = void*;
using HGLOBAL = void*;
using HLOCAL = void*;
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HPEN);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HRGN);
DECLARE_HANDLE(HPALETTE);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HACCEL);
DECLARE_HANDLE(HKEY);
DECLARE_HANDLE(HRSRC);
DECLARE_HANDLE(HMONITOR);
DECLARE_HANDLE(HHOOK);
DECLARE_HANDLE(HDWP);
DECLARE_HANDLE(HDROP);
DECLARE_HANDLE(HENHMETAFILE);
DECLARE_HANDLE(HWINEVENTHOOK);
DECLARE_HANDLE(HTHEME_);
using HCURSOR = HICON;
using HMODULE = HINSTANCE;
using HTHEME = HANDLE;
using HIMAGELIST = struct _IMAGELIST*;
using HTREEITEM = struct _TREEITEM*;
using POSITION = struct __POSITION*;
using HFILE = int;
using HGLRC = HANDLE;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

// ---- geometry --------------------------------------------------------------------
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using PRECT = RECT*;

struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct POINT {
  LONG x;
  LONG y;
};
using LPPOINT = POINT*;
using PPOINT = POINT*;
using POINTL = POINT;

struct POINTS {
  SHORT x;
  SHORT y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};
using LPSIZE = SIZE*;
using SIZEL = SIZE;

// ---- 64-bit values split in halves (QueryPerformanceCounter, file sizes) ----------------
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;
union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
using PULARGE_INTEGER = ULARGE_INTEGER*;

// ---- word and byte packing ---------------------------------------------------------
#define MAKEWORD(a, b) \
  (static_cast<WORD>((static_cast<BYTE>((a)&0xff)) | (static_cast<WORD>(static_cast<BYTE>((b)&0xff)) << 8)))
#define MAKELONG(a, b) \
  (static_cast<LONG>((static_cast<WORD>((a)&0xffff)) | (static_cast<DWORD>(static_cast<WORD>((b)&0xffff)) << 16)))
#define LOWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l)) & 0xffff))
#define HIWORD(l) (static_cast<WORD>(((static_cast<DWORD_PTR>(l)) >> 16) & 0xffff))
#define LOBYTE(w) (static_cast<BYTE>((static_cast<DWORD_PTR>(w)) & 0xff))
#define HIBYTE(w) (static_cast<BYTE>(((static_cast<DWORD_PTR>(w)) >> 8) & 0xff))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELRESULT(l, h) (static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(l, h))))
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))
#define MAKEINTRESOURCE(i) (reinterpret_cast<LPTSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCEW(i) MAKEINTRESOURCE(i)
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define MAKEINTATOM(i) MAKEINTRESOURCE(i)

// ---- colours ----------------------------------------------------------------------
#define RGB(r, g, b)                                                                               \
  (static_cast<COLORREF>((static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8)) | \
                         (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (LOBYTE(rgb))
#define GetGValue(rgb) (LOBYTE((static_cast<WORD>(rgb)) >> 8))
#define GetBValue(rgb) (LOBYTE((rgb) >> 16))
#define CLR_NONE 0xFFFFFFFFu
#define CLR_DEFAULT 0xFF000000u
#define CLR_INVALID 0xFFFFFFFFu

// ---- HRESULT ------------------------------------------------------------------------
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define MAKE_HRESULT(sev, fac, code) \
  static_cast<HRESULT>((static_cast<DWORD>(sev) << 31) | (static_cast<DWORD>(fac) << 16) | static_cast<DWORD>(code))
#define HRESULT_FROM_WIN32(x)    \
  (static_cast<HRESULT>(x) <= 0  \
       ? static_cast<HRESULT>(x) \
       : static_cast<HRESULT>((static_cast<DWORD>(x) & 0x0000FFFF) | (7u << 16) | 0x80000000u))
#define HRESULT_CODE(hr) ((hr)&0xFFFF)
#define HRESULT_FACILITY(hr) (((hr) >> 16) & 0x1fff)
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_DIVBYZERO = static_cast<HRESULT>(0x80020012u);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT OLE_E_BLANK = static_cast<HRESULT>(0x80040007u);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);

// ---- small helpers ------------------------------------------------------------------
// MulDiv: a*b/c with a 64-bit intermediate, rounded half away from zero;
// -1 when c is zero or the result overflows, as callers expect.
inline int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long product = static_cast<long long>(number) * numerator;
  bool negative = (product < 0) != (denominator < 0);
  unsigned long long p =
      product < 0 ? static_cast<unsigned long long>(-product) : static_cast<unsigned long long>(product);
  unsigned long long d = denominator < 0 ? static_cast<unsigned long long>(-static_cast<long long>(denominator))
                                         : static_cast<unsigned long long>(denominator);
  unsigned long long q = (p + d / 2) / d;
  if (q > 0x7FFFFFFFull + (negative ? 1 : 0)) return -1;
  return negative ? -static_cast<int>(q - 1) - 1 : static_cast<int>(q);
}

#define _countof(a) (sizeof(a) / sizeof((a)[0]))
#define ARRAYSIZE(a) _countof(a)
