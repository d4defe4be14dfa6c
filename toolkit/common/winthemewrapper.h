// Late-bound visual styles and desktop composition. Neither library is
// imported: each entry point is looked up by name on first use, and every
// call answers a fixed failure value when the library or the name is
// missing, or when the call throws.
#pragma once

#include "platform/base/wintypes.h"

using HTHEME = HANDLE;
using HPAINTBUFFER = HANDLE;

struct DTTOPTS;
struct BP_PAINTPARAMS;
struct MARGINS {
  int cxLeftWidth;
  int cxRightWidth;
  int cyTopHeight;
  int cyBottomHeight;
};
enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };
enum BP_BUFFERFORMAT { BPBF_COMPATIBLEBITMAP = 0, BPBF_DIB = 1, BPBF_TOPDOWNDIB = 2, BPBF_TOPDOWNMONODIB = 3 };
constexpr int TMT_BORDERCOLOR = 3801;

// The shared table of entry points (one per table choice).
struct TK_UXTHEME_FUNCTIONS {
  static constexpr int kSlotCount = 52;
  void* slots[kSlotCount] = {};
  HMODULE hModule = nullptr;
  DWORD dwComCtlVersion = 0;
};

class CTKWinThemeWrapper {
 public:
  // 0 chooses the first shared table, any other value the second (which
  // follows a visual-styles library loaded after the table was made).
  explicit CTKWinThemeWrapper(BOOL tableChoice = TRUE);
  virtual ~CTKWinThemeWrapper();
  CTKWinThemeWrapper(const CTKWinThemeWrapper&) = delete;
  CTKWinThemeWrapper& operator=(const CTKWinThemeWrapper&) = delete;

  HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList);
  void CloseThemeData();
  HRESULT DrawThemeBackground(HDC hdc, int part, int state, const RECT* rect, const RECT* clip);
  HRESULT DrawThemeTextEx(HDC hdc, int part, int state, LPCWSTR text, int length, DWORD flags, RECT* rect,
                          const DTTOPTS* options);
  HRESULT GetThemeColor(int part, int state, int property, COLORREF* color);
  HRESULT GetThemeInt(int part, int state, int property, int* value);
  HRESULT GetThemePartSize(HDC hdc, int part, int state, const RECT* rect, THEMESIZE kind, SIZE* size);
  BOOL GetThemeSysBool(int boolId);
  HRESULT GetCurrentThemeName(LPWSTR fileName, int fileNameSize, LPWSTR colorName, int colorNameSize, LPWSTR sizeName,
                              int sizeNameSize);
  // FALSE without an open theme handle.
  BOOL IsAppThemed();
  BOOL IsThemeActive();
  HPAINTBUFFER BeginBufferedPaint(HDC target, const RECT* rect, BP_BUFFERFORMAT format, BP_PAINTPARAMS* params,
                                  HDC* paintDC);
  void EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget);

  void CheckModule();
  HTHEME GetThemeHandle() const { return m_hTheme; }

  // Test support: forgets both shared tables, so that the next call loads
  // the library and resolves its entry points again.
  static void ResetSharedTables();

 protected:
  TK_UXTHEME_FUNCTIONS* GetFunctions();
  void* Resolve(int slot, const char* name);

  HTHEME m_hTheme = nullptr;
  BOOL m_bTableChoice;
};

struct TK_DWMAPI_FUNCTIONS {
  void* pfnDwmDefWindowProc = nullptr;
  void* pfnDwmIsCompositionEnabled = nullptr;
  void* pfnDwmExtendFrameIntoClientArea = nullptr;
  HMODULE hModule = nullptr;
};
TK_DWMAPI_FUNCTIONS* GetDwmApiFunctions();

class CTKDwmApiWrapper {
 public:
  BOOL DwmIsCompositionEnabled();
  HRESULT DwmDefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  HRESULT DwmExtendFrameIntoClientArea(HWND hwnd, int left, int right, int top, int bottom);
};
