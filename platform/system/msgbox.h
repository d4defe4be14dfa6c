// Message boxes and debugger output, each through one replaceable sink.
//
// Every MessageBox, MessageBoxEx, MessageBoxIndirect and AfxMessageBox ends
// in the current message-box sink. The default sink (headless) writes the
// box to stderr and answers its default button; the window layer installs
// a sink that shows a real modal box; tests install a MessageBoxRecorder
// that records each box and answers from a script.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

// Buttons.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_CANCELTRYCONTINUE = 0x6;
// Icons.
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_USERICON = 0x80;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x0;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFBUTTON4 = 0x300;
// Modality and the rest.
constexpr UINT MB_APPLMODAL = 0x0;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_HELP = 0x4000;
constexpr UINT MB_NOFOCUS = 0x8000;
constexpr UINT MB_SETFOREGROUND = 0x10000;
constexpr UINT MB_DEFAULT_DESKTOP_ONLY = 0x20000;
constexpr UINT MB_TOPMOST = 0x40000;
constexpr UINT MB_RIGHT = 0x80000;
constexpr UINT MB_RTLREADING = 0x100000;
constexpr UINT MB_SERVICE_NOTIFICATION = 0x200000;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFMASK = 0xF00;
constexpr UINT MB_MODEMASK = 0x3000;
constexpr UINT MB_MISCMASK = 0xC000;

// Answers (and the standard dialog command ids).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

struct MSGBOXPARAMSW {
  UINT cbSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpszText;
  LPCWSTR lpszCaption;
  DWORD dwStyle;
  LPCWSTR lpszIcon;
  DWORD_PTR dwContextHelpId;
  void* lpfnMsgBoxCallback;
  DWORD dwLanguageId;
};
using MSGBOXPARAMS = MSGBOXPARAMSW;

// A null caption shows "Error".
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
int MessageBoxExW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type, WORD language);
int MessageBoxIndirectW(const MSGBOXPARAMSW* params);
inline int MessageBox(HWND o, LPCWSTR t, LPCWSTR c, UINT ty) { return MessageBoxW(o, t, c, ty); }
inline int MessageBoxEx(HWND o, LPCWSTR t, LPCWSTR c, UINT ty, WORD l) { return MessageBoxExW(o, t, c, ty, l); }
inline int MessageBoxIndirect(const MSGBOXPARAMSW* p) { return MessageBoxIndirectW(p); }
// The framework's box: the caption is the application's title
// (pv::SetMessageBoxAppTitle). The id form loads the string resource;
// a missing string shows an empty text.
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));

// Debugger output: to stderr by default, or to the installed sink.
void OutputDebugStringW(LPCWSTR text);
void OutputDebugStringA(LPCSTR text);
inline void OutputDebugString(LPCWSTR t) { OutputDebugStringW(t); }

namespace pv {

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::u16string text;
  std::u16string caption;
  UINT type = 0;  // MB_* flags as given
  WORD language = 0;
  DWORD_PTR helpId = 0;
  bool fromFramework = false;  // AfxMessageBox

  UINT Buttons() const { return type & MB_TYPEMASK; }
  UINT Icon() const { return type & MB_ICONMASK; }
};

// Returns the answer (an ID* value).
using MessageBoxSink = std::function<int(const MessageBoxRequest&)>;
// Installs a sink; an empty function restores the default. Returns the old one.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);
// The buttons a box type shows, in order (MB_HELP adds IDHELP last).
std::vector<int> MessageBoxButtons(UINT type);
// The default button's answer (MB_DEFBUTTONn; the first when out of range).
int MessageBoxDefaultAnswer(UINT type);
// AfxMessageBox's caption.
void SetMessageBoxAppTitle(std::u16string_view title);

// Records boxes and answers them from a script while alive (tests).
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
  // Queues answers; once the queue is empty the default button answers.
  void Answer(int id) { answers_.push_back(id); }
  const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
  const MessageBoxRequest& Last() const { return shown_.back(); }
  void Clear() { shown_.clear(); }

 private:
  std::vector<MessageBoxRequest> shown_;
  std::vector<int> answers_;
  std::size_t next_ = 0;
  MessageBoxSink previous_;
};

using DebugOutputSink = std::function<void(std::u16string_view)>;
// Empty restores the default: stderr while a debugger is attached, nothing
// otherwise. Returns the old sink.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);
// True while a debugger (any ptrace tracer) is attached to the process.
bool DebuggerAttached();

}  // namespace pv
