#include "platform/system/msgbox.h"

#include <cstdio>
#include <mutex>

#include "platform/base/exceptions.h"
#include "platform/system/resources.h"
#include "platform/system/sysutil.h"

namespace {

std::mutex g_mutex;

int DefaultSink(const pv::MessageBoxRequest& r) {
  int answer = pv::MessageBoxDefaultAnswer(r.type);
  std::string line = "[message box] " + pv::sys::ToUtf8(r.caption) + ": " + pv::sys::ToUtf8(r.text) + " (answered " +
                     std::to_string(answer) + ")\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return answer;
}

pv::MessageBoxSink& Sink() {
  static auto* s = new pv::MessageBoxSink;
  return *s;
}

pv::DebugOutputSink& DebugSink() {
  static auto* s = new pv::DebugOutputSink;
  return *s;
}

std::u16string& AppTitle() {
  static auto* s = new std::u16string;
  return *s;
}

int Show(pv::MessageBoxRequest r) {
  if (r.caption.empty() && !r.fromFramework) r.caption = u"Error";
  pv::MessageBoxSink sink;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    sink = Sink();
  }
  return sink ? sink(r) : DefaultSink(r);
}

int ReportThroughSink(LPCTSTR text, UINT type) { return AfxMessageBox(text, type, 0); }

// Exceptions' ReportError shows its box through the same sink as every
// other box (the reporter is a constant-initialised atomic, so this may
// run before or after anything else).
[[maybe_unused]] const bool kReporterInstalled = (PvSetErrorReporter(&ReportThroughSink), true);

}  // namespace

int MessageBoxExW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type, WORD language) {
  pv::MessageBoxRequest r;
  r.owner = owner;
  r.text = std::u16string(pv::sys::View(text));
  r.caption = caption ? std::u16string(pv::sys::View(caption)) : std::u16string(u"Error");
  r.type = type;
  r.language = language;
  return Show(std::move(r));
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return MessageBoxExW(owner, text, caption, type, 0);
}

int MessageBoxIndirectW(const MSGBOXPARAMSW* p) {
  if (!p) return 0;
  pv::MessageBoxRequest r;
  r.owner = p->hwndOwner;
  if (p->lpszText && IS_INTRESOURCE(p->lpszText)) {
    pv::LoadStringFromModule(p->hInstance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(p->lpszText)), &r.text);
  } else {
    r.text = std::u16string(pv::sys::View(p->lpszText));
  }
  if (p->lpszCaption && IS_INTRESOURCE(p->lpszCaption)) {
    pv::LoadStringFromModule(p->hInstance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(p->lpszCaption)), &r.caption);
  } else {
    r.caption = p->lpszCaption ? std::u16string(pv::sys::View(p->lpszCaption)) : std::u16string(u"Error");
  }
  r.type = p->dwStyle;
  r.language = static_cast<WORD>(p->dwLanguageId);
  r.helpId = p->dwContextHelpId;
  return Show(std::move(r));
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT helpId) {
  pv::MessageBoxRequest r;
  r.text = std::u16string(pv::sys::View(text));
  {
    std::lock_guard<std::mutex> g(g_mutex);
    r.caption = AppTitle();
  }
  r.type = type;
  r.helpId = helpId;
  r.fromFramework = true;
  return Show(std::move(r));
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId) {
  std::u16string text;
  pv::LoadStringFromModule(nullptr, promptId, &text);
  // The framework's convention: help id -1 means "the prompt's id".
  return AfxMessageBox(text.c_str(), type, helpId == static_cast<UINT>(-1) ? promptId : helpId);
}

void OutputDebugStringW(LPCWSTR text) {
  std::u16string_view t = pv::sys::View(text);
  pv::DebugOutputSink sink;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    sink = DebugSink();
  }
  if (sink) {
    sink(t);
    return;
  }
  // As Windows does, debug output with no debugger listening goes nowhere: a
  // user running the program from a terminal sees none of it.
  if (!pv::DebuggerAttached()) return;
  std::string s = pv::sys::ToUtf8(t);
  std::fwrite(s.data(), 1, s.size(), stderr);
}

void OutputDebugStringA(LPCSTR text) {
  std::u16string w = pv::sys::FromUtf8(text ? text : "");
  OutputDebugStringW(w.c_str());
}

namespace pv {

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard<std::mutex> g(g_mutex);
  MessageBoxSink old = std::move(Sink());
  Sink() = std::move(sink);
  return old;
}

std::vector<int> MessageBoxButtons(UINT type) {
  std::vector<int> b;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      b = {IDOK, IDCANCEL};
      break;
    case MB_ABORTRETRYIGNORE:
      b = {IDABORT, IDRETRY, IDIGNORE};
      break;
    case MB_YESNOCANCEL:
      b = {IDYES, IDNO, IDCANCEL};
      break;
    case MB_YESNO:
      b = {IDYES, IDNO};
      break;
    case MB_RETRYCANCEL:
      b = {IDRETRY, IDCANCEL};
      break;
    case MB_CANCELTRYCONTINUE:
      b = {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
      break;
    default:
      b = {IDOK};
      break;
  }
  if (type & MB_HELP) b.push_back(IDHELP);
  return b;
}

int MessageBoxDefaultAnswer(UINT type) {
  std::vector<int> b = MessageBoxButtons(type);
  std::size_t index = (type & MB_DEFMASK) >> 8;
  if (index >= b.size() || b[index] == IDHELP) index = 0;
  return b[index];
}

void SetMessageBoxAppTitle(std::u16string_view title) {
  std::lock_guard<std::mutex> g(g_mutex);
  AppTitle() = std::u16string(title);
}

MessageBoxRecorder::MessageBoxRecorder() {
  previous_ = SetMessageBoxSink([this](const MessageBoxRequest& r) {
    shown_.push_back(r);
    if (next_ < answers_.size()) return answers_[next_++];
    return MessageBoxDefaultAnswer(r.type);
  });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxSink(std::move(previous_)); }

bool DebuggerAttached() {
  // A tracer (gdb, strace) shows in the process status as a non-zero TracerPid.
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return false;
  char line[256];
  long tracer = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "TracerPid: %ld", &tracer) == 1) break;
  }
  std::fclose(f);
  return tracer != 0;
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard<std::mutex> g(g_mutex);
  DebugOutputSink old = std::move(DebugSink());
  DebugSink() = std::move(sink);
  return old;
}

}  // namespace pv
