#include "toolkit/common/winthemewrapper.h"

#include "platform/system/modules.h"
#include "toolkit/common/modulehandle.h"

namespace {

enum Slot {
  kOpenThemeData,
  kCloseThemeData,
  kDrawThemeBackground,
  kDrawThemeTextEx,
  kGetThemeColor,
  kGetThemeInt,
  kGetThemePartSize,
  kGetThemeSysBool,
  kGetCurrentThemeName,
  kIsAppThemed,
  kIsThemeActive,
  kBeginBufferedPaint,
  kEndBufferedPaint,
};

// Made on the UI thread on first use and kept for the life of the process.
TK_UXTHEME_FUNCTIONS* g_tables[2] = {nullptr, nullptr};

TK_UXTHEME_FUNCTIONS* MakeTable() {
  auto* table = new TK_UXTHEME_FUNCTIONS;
  table->hModule = ::LoadLibraryW(u"UXTHEME.DLL");  // kept for the life of the process
  table->dwComCtlVersion = GetComCtl32Version();
  return table;
}

template <class F>
F* As(void* p) {
  return reinterpret_cast<F*>(p);
}

}  // namespace

CTKWinThemeWrapper::CTKWinThemeWrapper(BOOL tableChoice) : m_bTableChoice(tableChoice) {}

CTKWinThemeWrapper::~CTKWinThemeWrapper() { CloseThemeData(); }

void CTKWinThemeWrapper::ResetSharedTables() {
  for (TK_UXTHEME_FUNCTIONS*& table : g_tables) {
    delete table;
    table = nullptr;
  }
}

TK_UXTHEME_FUNCTIONS* CTKWinThemeWrapper::GetFunctions() {
  TK_UXTHEME_FUNCTIONS*& table = g_tables[m_bTableChoice ? 1 : 0];
  if (!table) table = MakeTable();
  return table;
}

void* CTKWinThemeWrapper::Resolve(int slot, const char* name) {
  TK_UXTHEME_FUNCTIONS* table = GetFunctions();
  if (!table->slots[slot] && table->hModule)
    table->slots[slot] = reinterpret_cast<void*>(::GetProcAddress(table->hModule, name));
  return table->slots[slot];
}

void CTKWinThemeWrapper::CheckModule() {
  if (!m_bTableChoice) return;
  TK_UXTHEME_FUNCTIONS* table = GetFunctions();
  HMODULE loaded = ::GetModuleHandleW(u"UXTHEME.DLL");
  if (loaded != table->hModule) {
    table->hModule = loaded;
    for (void*& slot : table->slots) slot = nullptr;
  }
}

// Each call is guarded: an exception inside the library counts as "unavailable".
#define TK_THEME_CALL(failure, expr) \
  try {                              \
    expr;                            \
  } catch (...) {}                   \
  return failure

HTHEME CTKWinThemeWrapper::OpenThemeData(HWND hwnd, LPCWSTR classList) {
  CheckModule();
  CloseThemeData();
  using F = HTHEME(HWND, LPCWSTR);
  TK_THEME_CALL(
      nullptr, if (auto* f = As<F>(Resolve(kOpenThemeData, "OpenThemeData"))) {
        m_hTheme = f(hwnd, classList);
        return m_hTheme;
      });
}

void CTKWinThemeWrapper::CloseThemeData() {
  HTHEME theme = m_hTheme;
  m_hTheme = nullptr;
  if (!theme) return;
  using F = HRESULT(HTHEME);
  try {
    if (auto* f = As<F>(Resolve(kCloseThemeData, "CloseThemeData"))) f(theme);
  } catch (...) {}
}

HRESULT CTKWinThemeWrapper::DrawThemeBackground(HDC hdc, int part, int state, const RECT* rect, const RECT* clip) {
  using F = HRESULT(HTHEME, HDC, int, int, const RECT*, const RECT*);
  TK_THEME_CALL(E_FAIL, if (auto* f = As<F>(Resolve(kDrawThemeBackground, "DrawThemeBackground"))) return f(
                            m_hTheme, hdc, part, state, rect, clip));
}

HRESULT CTKWinThemeWrapper::DrawThemeTextEx(HDC hdc, int part, int state, LPCWSTR text, int length, DWORD flags,
                                            RECT* rect, const DTTOPTS* options) {
  using F = HRESULT(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, RECT*, const DTTOPTS*);
  TK_THEME_CALL(E_FAIL, if (auto* f = As<F>(Resolve(kDrawThemeTextEx, "DrawThemeTextEx"))) return f(
                            m_hTheme, hdc, part, state, text, length, flags, rect, options));
}

HRESULT CTKWinThemeWrapper::GetThemeColor(int part, int state, int property, COLORREF* color) {
  using F = HRESULT(HTHEME, int, int, int, COLORREF*);
  TK_THEME_CALL(E_FAIL, if (auto* f = As<F>(Resolve(kGetThemeColor, "GetThemeColor"))) return f(m_hTheme, part, state,
                                                                                                property, color));
}

HRESULT CTKWinThemeWrapper::GetThemeInt(int part, int state, int property, int* value) {
  using F = HRESULT(HTHEME, int, int, int, int*);
  TK_THEME_CALL(E_FAIL, if (auto* f = As<F>(Resolve(kGetThemeInt, "GetThemeInt"))) return f(m_hTheme, part, state,
                                                                                            property, value));
}

HRESULT CTKWinThemeWrapper::GetThemePartSize(HDC hdc, int part, int state, const RECT* rect, THEMESIZE kind,
                                             SIZE* size) {
  using F = HRESULT(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*);
  TK_THEME_CALL(E_FAIL, if (auto* f = As<F>(Resolve(kGetThemePartSize, "GetThemePartSize"))) return f(
                            m_hTheme, hdc, part, state, rect, kind, size));
}

BOOL CTKWinThemeWrapper::GetThemeSysBool(int boolId) {
  using F = BOOL(HTHEME, int);
  TK_THEME_CALL(FALSE, if (auto* f = As<F>(Resolve(kGetThemeSysBool, "GetThemeSysBool"))) return f(m_hTheme, boolId));
}

HRESULT CTKWinThemeWrapper::GetCurrentThemeName(LPWSTR fileName, int fileNameSize, LPWSTR colorName, int colorNameSize,
                                                LPWSTR sizeName, int sizeNameSize) {
  CheckModule();
  using F = HRESULT(LPWSTR, int, LPWSTR, int, LPWSTR, int);
  TK_THEME_CALL(E_FAIL, if (auto* f = As<F>(Resolve(kGetCurrentThemeName, "GetCurrentThemeName"))) return f(
                            fileName, fileNameSize, colorName, colorNameSize, sizeName, sizeNameSize));
}

BOOL CTKWinThemeWrapper::IsAppThemed() {
  if (!m_hTheme) return FALSE;
  using F = BOOL();
  TK_THEME_CALL(FALSE, if (auto* f = As<F>(Resolve(kIsAppThemed, "IsAppThemed"))) return f());
}

BOOL CTKWinThemeWrapper::IsThemeActive() {
  if (!m_hTheme) CheckModule();
  using F = BOOL();
  TK_THEME_CALL(FALSE, if (auto* f = As<F>(Resolve(kIsThemeActive, "IsThemeActive"))) return f());
}

HPAINTBUFFER CTKWinThemeWrapper::BeginBufferedPaint(HDC target, const RECT* rect, BP_BUFFERFORMAT format,
                                                    BP_PAINTPARAMS* params, HDC* paintDC) {
  using F = HPAINTBUFFER(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, HDC*);
  TK_THEME_CALL(nullptr, if (auto* f = As<F>(Resolve(kBeginBufferedPaint, "BeginBufferedPaint"))) return f(
                             target, rect, format, params, paintDC));
}

void CTKWinThemeWrapper::EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget) {
  using F = HRESULT(HPAINTBUFFER, BOOL);
  try {
    if (auto* f = As<F>(Resolve(kEndBufferedPaint, "EndBufferedPaint"))) f(buffer, updateTarget);
  } catch (...) {}
}

#undef TK_THEME_CALL

// ---- desktop composition ---------------------------------------------------------------------

TK_DWMAPI_FUNCTIONS* GetDwmApiFunctions() {
  static TK_DWMAPI_FUNCTIONS* functions = [] {
    auto* f = new TK_DWMAPI_FUNCTIONS;  // lives for the process, as the library it holds
    f->hModule = ::LoadLibraryW(u"dwmapi.dll");
    return f;
  }();
  return functions;
}

namespace {
void* ResolveDwm(void*& slot, const char* name) {
  TK_DWMAPI_FUNCTIONS* f = GetDwmApiFunctions();
  if (!slot && f->hModule) slot = reinterpret_cast<void*>(::GetProcAddress(f->hModule, name));
  return slot;
}
}  // namespace

BOOL CTKDwmApiWrapper::DwmIsCompositionEnabled() {
  using F = HRESULT(BOOL*);
  try {
    if (auto* f = As<F>(ResolveDwm(GetDwmApiFunctions()->pfnDwmIsCompositionEnabled, "DwmIsCompositionEnabled"))) {
      BOOL enabled = FALSE;
      if (SUCCEEDED(f(&enabled))) return enabled;
    }
  } catch (...) {}
  return FALSE;
}

HRESULT CTKDwmApiWrapper::DwmDefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  using F = BOOL(HWND, UINT, WPARAM, LPARAM, LRESULT*);
  try {
    if (auto* f = As<F>(ResolveDwm(GetDwmApiFunctions()->pfnDwmDefWindowProc, "DwmDefWindowProc")))
      return f(hwnd, message, wParam, lParam, result);
  } catch (...) {}
  return E_FAIL;
}

HRESULT CTKDwmApiWrapper::DwmExtendFrameIntoClientArea(HWND hwnd, int left, int right, int top, int bottom) {
  using F = HRESULT(HWND, const MARGINS*);
  try {
    if (auto* f =
            As<F>(ResolveDwm(GetDwmApiFunctions()->pfnDwmExtendFrameIntoClientArea, "DwmExtendFrameIntoClientArea"))) {
      MARGINS margins{left, right, top, bottom};
      return f(hwnd, &margins);
    }
  } catch (...) {}
  return E_FAIL;
}
