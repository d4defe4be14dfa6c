// Shared set-up of the framework tests: a fake clock, a clean desktop, a
// temporary settings folder, stand-in edit and button classes, and
// resources registered at run time.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/framework/afx.h"
#include "platform/system/resources.h"
#include "platform/window/test_input.h"
#include "tests/support/fixture_reset.h"
#include "tests/support/temp_home.h"

namespace fwtest {

// ---- stand-in controls ---------------------------------------------------------------------------
// The real controls live above this layer; these do what the framework's
// dialogs and data exchange need: text, typing, selection, check state, clicks.
constexpr UINT kBmGetCheck = 0x00F0, kBmSetCheck = 0x00F1, kBmClick = 0x00F5;
constexpr UINT kEmSetSel = 0x00B1;

inline std::map<HWND, int>& Checks() {
  static std::map<HWND, int> m;
  return m;
}
inline std::map<HWND, bool>& Selected() {
  static std::map<HWND, bool> m;
  return m;
}

inline LRESULT EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case kEmSetSel:
      Selected()[h] = (wp == 0 && lp == -1);
      return 0;
    case WM_CHAR: {
      if (wp < 0x20) return 0;
      CString text;
      CWnd::FromHandle(h)->GetWindowText(text);
      if (Selected()[h]) text.Empty();  // typing replaces a selected text
      Selected()[h] = false;
      text += static_cast<char16_t>(wp);
      ::SetWindowText(h, text);
      ::SendMessage(::GetParent(h), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(h), EN_CHANGE), reinterpret_cast<LPARAM>(h));
      return 0;
    }
    case WM_NCDESTROY:
      Selected().erase(h);
      break;
    default:
      break;
  }
  return ::DefWindowProc(h, msg, wp, lp);
}

inline LRESULT ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD type = static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)) & 0x0F;
  switch (msg) {
    case WM_GETDLGCODE:
      if (type == 0x01) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == 0x00) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (type == 0x09 || type == 0x04) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    case kBmGetCheck:
      return Checks()[h];
    case kBmSetCheck:
      Checks()[h] = static_cast<int>(wp);
      return 0;
    case kBmClick:
      if (type == 0x03) Checks()[h] = !Checks()[h];  // auto check box
      ::SendMessage(::GetParent(h), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
      return 0;
    case WM_NCDESTROY:
      Checks().erase(h);
      break;
    default:
      break;
  }
  return ::DefWindowProc(h, msg, wp, lp);
}

inline void RegisterStandIns() {
  for (auto [name, proc] :
       {std::pair<LPCTSTR, WNDPROC>{u"Edit", &EditProc}, {u"Button", &ButtonProc}, {u"Static", &::DefWindowProc}}) {
    WNDCLASSW wc{};
    if (::GetClassInfo(nullptr, name, &wc)) continue;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    ::RegisterClass(&wc);
  }
}

// ---- resources built at run time ------------------------------------------------------------------
struct Resources {
  std::vector<std::vector<BYTE>> blobs;
  std::vector<pv::ResourceEntry> entries;
  pv::ResourceSet set{};

  void Add(WORD type, WORD id, std::vector<BYTE> data) {
    blobs.push_back(std::move(data));
    (void)type;
    (void)id;
    pending.push_back({type, id});
  }
  // Strings go into their blocks of sixteen.
  void String(UINT id, std::u16string text) { strings[id] = std::move(text); }
  void Register() {
    std::map<WORD, std::vector<BYTE>> blocks;
    for (auto& [id, text] : strings) {
      WORD block = static_cast<WORD>(id / 16 + 1);
      if (!blocks.count(block)) blocks[block] = {};
    }
    for (auto& [block, data] : blocks) {
      for (UINT i = 0; i < 16; ++i) {
        UINT id = (block - 1u) * 16u + i;
        auto it = strings.find(id);
        std::u16string text = it == strings.end() ? std::u16string() : it->second;
        data.push_back(static_cast<BYTE>(text.size() & 0xFF));
        data.push_back(static_cast<BYTE>(text.size() >> 8));
        for (char16_t c : text) {
          data.push_back(static_cast<BYTE>(c & 0xFF));
          data.push_back(static_cast<BYTE>(c >> 8));
        }
      }
      Add(6, block, data);
    }
    for (size_t i = 0; i < blobs.size(); ++i) {
      entries.push_back(pv::ResourceEntry{nullptr, pending[i].first, nullptr, pending[i].second, 0x0409,
                                          blobs[i].data(), static_cast<DWORD>(blobs[i].size())});
    }
    set = pv::ResourceSet{nullptr, entries.data(), entries.size()};
    pv::RegisterResourceSet(&set);
  }
  ~Resources() {
    if (set.entries) pv::UnregisterResourceSet(&set);
  }

  std::vector<std::pair<WORD, WORD>> pending;
  std::map<UINT, std::u16string> strings;
};

inline std::vector<BYTE> Accelerators(std::vector<pv::AcceleratorEntry> list) {
  list.back().fVirt |= 0x80;
  std::vector<BYTE> out(list.size() * sizeof(pv::AcceleratorEntry));
  std::memcpy(out.data(), list.data(), out.size());
  return out;
}

// ---- the fixture ------------------------------------------------------------------------------------------
class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pvtest::ResetDesktop();
    settings_ = std::make_unique<pvtest::SettingsHome>("pv-framework-test");
    home_ = settings_->path();
    RegisterStandIns();
  }
  void TearDown() override {
    pvtest::ResetDesktop();
    AfxDeleteTempMaps();
    settings_.reset();
  }
  // The test's folder; settings go to its "config" folder.
  std::string home_;
  pv::FakeClockScope clock{2026, 3, 1, 9, 0, 0};

 private:
  std::unique_ptr<pvtest::SettingsHome> settings_;
};

// Pumps like the application's loop (pre-translation included) until the
// queue is empty.
inline void Pump() {
  MSG peek{};
  CWinThread* thread = AfxGetThread();
  for (int guard = 0; guard < 10000 && ::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE); ++guard) {
    if (thread) {
      if (!thread->PumpMessage()) break;
    } else {
      MSG msg{};
      if (!::GetMessage(&msg, nullptr, 0, 0)) break;
      if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
      }
    }
  }
}

inline CString TextOf(HWND h) {
  CString s;
  CWnd::FromHandle(h)->GetWindowText(s);
  return s;
}

}  // namespace fwtest
