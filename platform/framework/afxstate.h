// The framework's internal state (not for callers): per-thread handle maps,
// the creation hook, the message being handled, and helpers shared by the
// framework's sources.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/framework/afxwnd.h"

class CGdiObject;
class CDC;
class CMenu;
class CFrameWnd;

namespace pv::afx {

struct ThreadState : AFX_THREAD_STATE {
  ~ThreadState();
  std::unordered_map<HWND, CWnd*> permWnds;
  std::unordered_map<HWND, CWnd*> tempWnds;
  std::unordered_map<HGDIOBJ, CGdiObject*> permGdi, tempGdi;
  std::unordered_map<HDC, CDC*> permDC, tempDC;
  std::unordered_map<HMENU, CMenu*> permMenu, tempMenu;
  CWnd* pWndInit = nullptr;
  HHOOK createHook = nullptr;
  int hookDepth = 0;
  int waitDepth = 0;
  HCURSOR savedCursor = nullptr;
  // Every frame object of the thread, in construction order (idle updates
  // reach the visible ones).
  std::vector<CFrameWnd*> frames;
  // A control's notification or command that a control bar has already
  // reflected to the control and now passes to its owner: the owner does
  // not reflect it a second time (see CControlBar::WindowProc).
  struct Forwarded {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  } reflected;
  // The last WM_COMMAND or WM_NOTIFY reflected to its control.
  Forwarded lastReflected;
};
ThreadState& State();
// True once for the message a control bar passed on after reflecting it
// (the mark is used up, so the same message sent again reflects as usual).
bool TakeReflectedMark(UINT message, WPARAM wParam, LPARAM lParam);
// Frees the temporary drawing and menu objects of a thread's maps.
void DeleteGdiTemps(ThreadState& state);

struct ProcessStateData {
  std::mutex mutex;
  std::unordered_map<std::u16string, std::unique_ptr<std::u16string>> classNames;
};
ProcessStateData& ProcessState();

// Reaches CWnd's internals for the creation hook and WM_NCDESTROY.
struct CreateHookAccess {
  static void Subclass(CWnd* pWnd, HWND hWnd);
  static void FinishNcDestroy(CWnd* pWnd);
};

// The modal loop's pre-translation: the window's own chain, then the
// thread's (dialog keys, accelerators).
BOOL PreTranslateModal(CWnd* pWnd, MSG* pMsg);
// Dialog navigation over a window's children.
HWND NextTabItem(HWND dialog, HWND control, bool previous);
HWND NextGroupItem(HWND dialog, HWND control, bool previous);
// Sets a window's text only when it differs (no repaint, no notification otherwise).
void SetWindowTextIfChanged(HWND h, LPCTSTR text);
// The application's title for message boxes, and its main window.
CString AppTitle();
HWND MainWindowHandle();

// Where a scroll-bar request (SB_LINEUP ... SB_BOTTOM, SB_THUMBTRACK and
// SB_THUMBPOSITION at si.nTrackPos) takes the bar described by si, kept
// within its range; none for a request that moves nothing.
std::optional<int> ScrollRequestPosition(const SCROLLINFO& si, UINT nSBCode, int nLine);

}  // namespace pv::afx
