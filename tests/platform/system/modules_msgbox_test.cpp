#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/handletable.h"
#include "platform/base/threads.h"
#include "platform/system/modules.h"
#include "platform/system/msgbox.h"
#include "platform/system/sysutil.h"

namespace {

int Answer42() { return 42; }

// The names the callers try, with and without the ones we register: what
// nobody registered must fail cleanly so the caller's fallback runs.
TEST(Modules, LookupsFailCleanlyForWhatIsNotProvided) {
  HMODULE theme = pv::RegisterBuiltinModule(u"UxThemeTest");
  pv::AddModuleFunction(theme, "OpenThemeData", &Answer42);
  pv::AddModuleExport(theme, "ByOrdinal", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Answer42)), 7);
  HMODULE user = pv::RegisterBuiltinModule(u"User32Test", /*alwaysLoaded=*/true);

  struct Case {
    const char16_t* name;
    bool loads;
  };
  for (const auto& c : std::vector<Case>{{u"UXTHEMETEST.DLL", true},
                                         {u"uxthemetest", true},
                                         {u"C:\\Windows\\System32\\UxThemeTest.dll", true},
                                         {u"Styles/uxthemetest.dll", true},
                                         {u"dwmapi-not-here.dll", false},
                                         {u"RICHED-none.DLL", false},
                                         {u"uxthemetest.dl", false}}) {
    SCOPED_TRACE(pv::sys::ToUtf8(c.name));
    SetLastError(0);
    HMODULE m = LoadLibraryW(c.name);
    if (c.loads) {
      EXPECT_EQ(theme, m);
      EXPECT_TRUE(FreeLibrary(m));
    } else {
      EXPECT_EQ(nullptr, m);
      EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    }
  }

  // Not loaded yet: GetModuleHandle fails; an always-loaded module answers.
  EXPECT_EQ(nullptr, GetModuleHandleW(u"uxthemetest.dll"));
  EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
  EXPECT_EQ(user, GetModuleHandleW(u"USER32TEST"));
  EXPECT_EQ(pv::GetProgramModule(), GetModuleHandleW(nullptr));

  HMODULE loaded = LoadLibraryW(u"uxthemetest.dll");
  ASSERT_EQ(theme, loaded);
  EXPECT_EQ(theme, GetModuleHandleW(u"UxThemeTest"));
  FARPROC f = GetProcAddress(loaded, "OpenThemeData");
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(42, pv::ProcAs<int()>(f)());
  EXPECT_NE(nullptr, GetProcAddress(loaded, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(7))));
  SetLastError(0);
  EXPECT_EQ(nullptr, GetProcAddress(loaded, "DrawThemeTextEx"));
  EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
  EXPECT_EQ(nullptr, GetProcAddress(loaded, "openthemedata"));  // entry points are case-sensitive
  EXPECT_TRUE(FreeLibrary(loaded));
  // Freed: the handle no longer answers.
  EXPECT_EQ(nullptr, GetProcAddress(loaded, "OpenThemeData"));
  EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
  EXPECT_EQ(nullptr, GetModuleHandleW(u"uxthemetest"));
}

// A module is known by a generation-tagged handle, not an address: the same
// handle for as long as the process runs, and nothing else is taken for one.
TEST(Modules, OnlyAModulesOwnHandleReachesIt) {
  HMODULE module = pv::RegisterBuiltinModule(u"HandleCheckTest");
  pv::AddModuleFunction(module, "Answer", &Answer42);
  EXPECT_EQ(module, pv::RegisterBuiltinModule(u"handlechecktest.dll"));
  const uintptr_t v = reinterpret_cast<uintptr_t>(module);
  EXPECT_EQ(v >> pv::detail::kHandleTagShift, static_cast<uintptr_t>(pv::detail::HandleTag::Module));
  HMODULE loaded = LoadLibraryW(u"HandleCheckTest");
  ASSERT_EQ(module, loaded);
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  int notAModule = 0;
  const std::vector<HMODULE> foreign = {
      reinterpret_cast<HMODULE>(event),
      reinterpret_cast<HMODULE>(v + 1),
      reinterpret_cast<HMODULE>(v + (uintptr_t{1} << pv::detail::kHandleIndexBits)),  // another generation
      reinterpret_cast<HMODULE>(v & pv::detail::kHandleIndexMask),                    // the bare slot
      reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10)),
      reinterpret_cast<HMODULE>(&notAModule),
  };
  for (HMODULE h : foreign) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(h, "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    std::u16string name;
    EXPECT_FALSE(pv::GetBuiltinModuleName(h, &name));
    EXPECT_FALSE(pv::IsLoadedModule(h));
    pv::AddModuleFunction(h, "Other", &Answer42);
  }
  CloseHandle(event);
  // The module itself answered none of them and gained no entry point.
  std::u16string name;
  EXPECT_TRUE(pv::GetBuiltinModuleName(module, &name));
  EXPECT_EQ(name, u"HandleCheckTest");
  EXPECT_NE(GetProcAddress(module, "Answer"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "Other"), nullptr);
  EXPECT_TRUE(FreeLibrary(loaded));
  EXPECT_FALSE(pv::IsLoadedModule(module));
  EXPECT_TRUE(pv::IsLoadedModule(pv::GetProgramModule()));
}

TEST(MessageBoxes, RecorderSeesEveryBoxAndScriptsAnswers) {
  pv::MessageBoxRecorder recorder;
  recorder.Answer(IDNO);
  EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Transparency in the 1-255", u"Illegal", MB_YESNO | MB_ICONEXCLAMATION));
  // Script exhausted: the default button answers.
  EXPECT_EQ(IDNO, MessageBoxExW(nullptr, u"second", u"Prompt", MB_YESNO | MB_DEFBUTTON2, 1033));
  EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"no caption", nullptr, MB_OK));
  pv::SetMessageBoxAppTitle(u"Pravenor");
  EXPECT_EQ(IDCANCEL, AfxMessageBox(u"framework", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, 77));

  ASSERT_EQ(4u, recorder.Shown().size());
  const auto& first = recorder.Shown()[0];
  EXPECT_EQ(u"Transparency in the 1-255", first.text);
  EXPECT_EQ(u"Illegal", first.caption);
  EXPECT_EQ(MB_YESNO, first.Buttons());
  EXPECT_EQ(MB_ICONEXCLAMATION, first.Icon());
  EXPECT_EQ(1033, recorder.Shown()[1].language);
  EXPECT_EQ(u"Error", recorder.Shown()[2].caption);
  EXPECT_EQ(u"Pravenor", recorder.Last().caption);
  EXPECT_EQ(77u, recorder.Last().helpId);
  EXPECT_TRUE(recorder.Last().fromFramework);
  pv::SetMessageBoxAppTitle(u"");
}

// An exception's ReportError reaches the same sink as every other box.
TEST(MessageBoxes, ExceptionReportsUseTheSink) {
  pv::MessageBoxRecorder recorder;
  CMemoryException e(FALSE);
  EXPECT_EQ(IDOK, e.ReportError(MB_ICONERROR));
  ASSERT_EQ(1u, recorder.Shown().size());
  EXPECT_FALSE(recorder.Last().text.empty());
  EXPECT_EQ(MB_ICONERROR, recorder.Last().Icon());
}

TEST(MessageBoxes, DefaultButtonsAndHeadlessSink) {
  struct Case {
    UINT type;
    std::vector<int> buttons;
    int answer;
  };
  for (const auto& c :
       std::vector<Case>{{MB_OK, {IDOK}, IDOK},
                         {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL},
                         {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
                         {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDYES},
                         {MB_YESNO | MB_DEFBUTTON4, {IDYES, IDNO}, IDYES},
                         {MB_RETRYCANCEL | MB_HELP, {IDRETRY, IDCANCEL, IDHELP}, IDRETRY},
                         {MB_OK | MB_HELP | MB_DEFBUTTON2, {IDOK, IDHELP}, IDOK},
                         {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, IDCONTINUE}}) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(c.buttons, pv::MessageBoxButtons(c.type));
    EXPECT_EQ(c.answer, pv::MessageBoxDefaultAnswer(c.type));
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Delete it?", u"Prompt", MB_YESNO | MB_DEFBUTTON2));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find("Prompt: Delete it?")) << err;
}

TEST(DebugOutput, GoesToTheSinkOrToADebuggerOnly) {
  std::u16string seen;
  auto old = pv::SetDebugOutputSink([&](std::u16string_view t) { seen += t; });
  OutputDebugStringW(u"app\u5de5\u4f5c");
  OutputDebugStringA("+narrow");
  EXPECT_EQ(u"app\u5de5\u4f5c+narrow", seen);
  pv::SetDebugOutputSink(old);
  // Without a sink the text reaches stderr only while a debugger listens.
  testing::internal::CaptureStderr();
  OutputDebugStringW(u"to stderr");
  EXPECT_EQ(pv::DebuggerAttached() ? "to stderr" : "", testing::internal::GetCapturedStderr());
}

}  // namespace
