// Driving the built-in common dialogs with queued input: besides typed text
// and keys, a script may hold F12 (look at the dialog as it is at that
// moment) and F11 (run a test's action, e.g. change the disk under the
// dialog). A keyboard hook takes both keys before the dialog sees them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/threads.h"
#include "platform/framework/afxdlg.h"
#include "tests/platform/controls/ctl_fixture.h"

namespace dlgtest {

// The dialog as the user sees it at an F12.
struct Look {
  std::u16string title;
  HWND dialog = nullptr;
  std::vector<std::u16string> texts;  // per control id asked for by the test
};

inline std::vector<int>& LookIds() {
  static std::vector<int> ids;
  return ids;
}
inline std::function<void(HWND dialog, Look*)>& LookExtra() {
  static std::function<void(HWND, Look*)> f;
  return f;
}
inline std::vector<Look>& Looks() {
  static std::vector<Look> v;
  return v;
}
inline std::function<void()>& Action() {
  static std::function<void()> f;
  return f;
}

inline std::u16string TextOf(HWND h) {
  if (!h) return u"<none>";
  std::u16string t(static_cast<size_t>(::GetWindowTextLength(h)) + 1, u'\0');
  int n = ::GetWindowText(h, t.data(), static_cast<int>(t.size()));
  t.resize(static_cast<size_t>(n));
  return t;
}

inline std::vector<std::u16string> ListRows(HWND list) {
  std::vector<std::u16string> rows;
  int n = static_cast<int>(::SendMessage(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::u16string t(static_cast<size_t>(::SendMessage(list, LB_GETTEXTLEN, i, 0)) + 1, u'\0');
    ::SendMessage(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(t.data()));
    t.pop_back();
    rows.push_back(t);
  }
  return rows;
}

inline LRESULT CALLBACK ScriptHook(int code, WPARAM vk, LPARAM lp) {
  if (code == HC_ACTION && (vk == VK_F12 || vk == VK_F11)) {
    bool down = (static_cast<DWORD>(lp) & 0x80000000u) == 0;
    if (down && vk == VK_F11 && Action()) Action()();
    if (down && vk == VK_F12) {
      HWND top = ::GetFocus();
      while (top && (::GetWindowLong(top, GWL_STYLE) & WS_CHILD)) top = ::GetParent(top);
      Look look;
      look.dialog = top;
      look.title = TextOf(top);
      for (int id : LookIds()) look.texts.push_back(TextOf(::GetDlgItem(top, id)));
      if (LookExtra()) LookExtra()(top, &look);
      Looks().push_back(look);
    }
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, vk, lp);
}

// One scripted step: text typed, a key pressed, or a key with modifiers.
struct Step {
  std::u16string text;
  UINT key = 0;
  BYTE modifiers = 0;
};
inline void Queue(const std::vector<Step>& script) {
  for (const Step& s : script) {
    if (!s.text.empty()) pv::test::TypeText(s.text);
    if (s.key && s.modifiers) pv::test::Chord(s.modifiers, s.key);
    else if (s.key) pv::test::KeyPress(s.key);
  }
}
inline Step Type(std::u16string t) { return Step{std::move(t)}; }
inline Step Key(UINT vk, BYTE modifiers = 0) { return Step{u"", vk, modifiers}; }
inline Step LookNow() { return Key(VK_F12); }
inline Step Act() { return Key(VK_F11); }

class CommonDialogTest : public ctltest::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    Looks().clear();
    LookIds().clear();
    LookExtra() = nullptr;
    Action() = nullptr;
    hook_ = ::SetWindowsHookEx(WH_KEYBOARD, ScriptHook, nullptr, ::GetCurrentThreadId());
  }
  void TearDown() override {
    ::UnhookWindowsHookEx(hook_);
    LookExtra() = nullptr;
    Action() = nullptr;
    ControlTest::TearDown();
  }
  HHOOK hook_ = nullptr;
};

}  // namespace dlgtest
