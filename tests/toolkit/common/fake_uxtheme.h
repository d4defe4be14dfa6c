// A test-only visual-styles module: registered under the system library's
// name, answering from a state the test sets. Remove() takes every entry
// point away again (the module then behaves as one without any of them).
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/system/modules.h"
#include "toolkit/common/winthemewrapper.h"

namespace tk_test {

struct FakeUxThemeState {
  bool active = true;
  bool appThemed = true;
  std::u16string fileName;
  std::u16string colorName;
  std::vector<std::u16string> classes{u"TREEVIEW", u"SCROLLBAR", u"BUTTON"};
  COLORREF borderColor = RGB(1, 2, 3);
  std::vector<std::u16string> opened;
  int closed = 0;
  std::vector<HTHEME> handles;  // handles given out, in order
};

inline FakeUxThemeState& FakeState() {
  static FakeUxThemeState state;
  return state;
}

inline HTHEME FakeOpenThemeData(HWND, LPCWSTR classList) {
  auto& s = FakeState();
  std::u16string name = classList ? classList : u"";
  s.opened.push_back(name);
  for (const auto& c : s.classes) {
    if (c == name) {
      auto handle = reinterpret_cast<HTHEME>(static_cast<INT_PTR>(0x1000 + s.opened.size()));
      s.handles.push_back(handle);
      return handle;
    }
  }
  return nullptr;
}
inline HRESULT FakeCloseThemeData(HTHEME) {
  ++FakeState().closed;
  return S_OK;
}
inline HRESULT FakeDrawThemeBackground(HTHEME theme, HDC, int, int, const RECT*, const RECT*) {
  return theme ? S_OK : E_INVALIDARG;
}
inline HRESULT FakeDrawThemeTextEx(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, RECT*, const DTTOPTS*) { return S_OK; }
inline HRESULT FakeGetThemeColor(HTHEME theme, int, int, int property, COLORREF* color) {
  if (!theme || property != TMT_BORDERCOLOR) return E_FAIL;
  *color = FakeState().borderColor;
  return S_OK;
}
inline HRESULT FakeGetThemeInt(HTHEME, int, int, int, int* value) {
  *value = 7;
  return S_OK;
}
inline HRESULT FakeGetThemePartSize(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE* size) {
  *size = SIZE{13, 17};
  return S_OK;
}
inline BOOL FakeGetThemeSysBool(HTHEME, int) { return TRUE; }
inline HRESULT FakeGetCurrentThemeName(LPWSTR file, int fileSize, LPWSTR color, int colorSize, LPWSTR, int) {
  auto& s = FakeState();
  if (s.fileName.empty()) return E_FAIL;
  auto copy = [](LPWSTR out, int size, const std::u16string& text) {
    int n = std::min<int>(size - 1, static_cast<int>(text.size()));
    std::memcpy(out, text.data(), sizeof(char16_t) * static_cast<size_t>(n));
    out[n] = 0;
  };
  copy(file, fileSize, s.fileName);
  copy(color, colorSize, s.colorName);
  return S_OK;
}
inline BOOL FakeIsAppThemed() { return FakeState().appThemed; }
inline BOOL FakeIsThemeActive() { return FakeState().active; }
inline HPAINTBUFFER FakeBeginBufferedPaint(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, HDC* dc) {
  if (dc) *dc = nullptr;
  return reinterpret_cast<HPAINTBUFFER>(static_cast<INT_PTR>(0x77));
}
inline HRESULT FakeEndBufferedPaint(HPAINTBUFFER, BOOL) { return S_OK; }

struct FakeUxTheme {
  // Registers (once) and loads the module, offers every entry point and
  // resets the state and the wrapper's shared tables.
  static void Install(const FakeUxThemeState& state = FakeUxThemeState()) {
    FakeState() = state;
    HMODULE m = Module();
    pv::AddModuleFunction(m, "OpenThemeData", &FakeOpenThemeData);
    pv::AddModuleFunction(m, "CloseThemeData", &FakeCloseThemeData);
    pv::AddModuleFunction(m, "DrawThemeBackground", &FakeDrawThemeBackground);
    pv::AddModuleFunction(m, "DrawThemeTextEx", &FakeDrawThemeTextEx);
    pv::AddModuleFunction(m, "GetThemeColor", &FakeGetThemeColor);
    pv::AddModuleFunction(m, "GetThemeInt", &FakeGetThemeInt);
    pv::AddModuleFunction(m, "GetThemePartSize", &FakeGetThemePartSize);
    pv::AddModuleFunction(m, "GetThemeSysBool", &FakeGetThemeSysBool);
    pv::AddModuleFunction(m, "GetCurrentThemeName", &FakeGetCurrentThemeName);
    pv::AddModuleFunction(m, "IsAppThemed", &FakeIsAppThemed);
    pv::AddModuleFunction(m, "IsThemeActive", &FakeIsThemeActive);
    pv::AddModuleFunction(m, "BeginBufferedPaint", &FakeBeginBufferedPaint);
    pv::AddModuleFunction(m, "EndBufferedPaint", &FakeEndBufferedPaint);
    CTKWinThemeWrapper::ResetSharedTables();
  }
  // Takes every entry point away (when the module was ever registered).
  static void Remove() {
    if (registered()) {
      HMODULE m = Module();
      for (const char* name :
           {"OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeTextEx", "GetThemeColor", "GetThemeInt",
            "GetThemePartSize", "GetThemeSysBool", "GetCurrentThemeName", "IsAppThemed", "IsThemeActive",
            "BeginBufferedPaint", "EndBufferedPaint"})
        pv::AddModuleExport(m, name, nullptr);
    }
    CTKWinThemeWrapper::ResetSharedTables();
  }

 private:
  static bool& registered() {
    static bool value = false;
    return value;
  }
  static HMODULE Module() {
    static HMODULE module = [] {
      HMODULE m = pv::RegisterBuiltinModule(u"uxtheme");
      ::LoadLibraryW(u"uxtheme.dll");  // loaded for the rest of the run, as the system keeps it
      return m;
    }();
    registered() = true;
    return module;
  }
};

}  // namespace tk_test
