// Driving windows from tests: scripted input, pumping the queue until idle,
// the screen configuration, reading pixels back and the recorders.
//
// Input goes into the calling thread's queue exactly as the desktop back end
// puts real input there; it becomes window messages when the queue is read
// (so capture, hit testing, activation and hooks apply as for a real user).
// Coordinates are screen coordinates unless a function says otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/window/winuser.h"

namespace pv::test {

enum class Button { Left, Right, Middle, X1, X2 };

// ---- mouse ----
void MouseMove(int x, int y);
void MouseDown(Button b, int x, int y);
void MouseUp(Button b, int x, int y);
void Click(int x, int y, Button b = Button::Left);
void DoubleClick(int x, int y, Button b = Button::Left);
// One notch is WHEEL_DELTA (120); positive turns away from the user.
void Wheel(int delta, int x, int y, bool horizontal = false);
// The same in a window's client coordinates.
POINT ClientPoint(HWND hwnd, int x, int y);
void ClickClient(HWND hwnd, int x, int y, Button b = Button::Left);

// ---- keyboard ----
void KeyDown(UINT vk);
void KeyUp(UINT vk);
void KeyPress(UINT vk);  // down and up
// Presses Ctrl/Shift/Alt around a key (any combination of FCONTROL|FSHIFT|FALT).
void Chord(BYTE modifiers, UINT vk);
// A character straight to the focus (for text the keyboard layout lacks).
void Char(WCHAR ch);
// Types text: characters of the US layout as key presses (with Shift where
// needed), any other character as a WM_CHAR.
void TypeText(std::u16string_view text);

// ---- system events ----
// Another application takes the mouse: capture ends (WM_CAPTURECHANGED).
void CaptureLoss();
// The application loses activation to another application, and back.
void AppDeactivate();
// Another program puts text on the system clipboard (headless back end; the
// bytes as that program gave them: UTF-8 or a legacy 8-bit encoding).
void OtherProgramCopies(std::string_view bytes);
// The desktop's input method, as the back end reports it: the text being
// composed with the cursor's place in it (empty: cancelled), and the text
// committed. TextInputRect: where the headless back end was told to open
// the candidate window (screen).
void ImeEditing(std::u16string_view text, int cursor);
void ImeCommit(std::u16string_view text);
RECT TextInputRect();
// The desktop's window manager (headless back end): by default it iconifies
// minimised top-level windows, as a desktop with a task bar does; off, it is
// a bare display where they stay on the screen as their captions.
void SetDesktopIconifies(bool on);
// Whether the desktop shows a top-level window iconified.
bool DesktopShowsIconic(HWND hwnd);
// The user minimises or restores a window through the desktop (its task bar).
void DesktopMinimizes(HWND hwnd);
void DesktopRestores(HWND hwnd);
// Files dropped from the desktop at a screen point (as the back end does).
bool DropFiles(const std::vector<std::u16string>& files, int x, int y);

// ---- the loop ----
// Dispatches (with TranslateMessage) until nothing is left to do: posted
// messages, input, paint and due timers. A WM_QUIT met on the way is taken
// off the queue and remembered (TakeQuit). Returns the number of messages
// dispatched; stops after maxMessages.
int PumpUntilIdle(int maxMessages = 1000000);
// Moves the fake clock forward and pumps (timers due in between fire in order).
int AdvanceAndPump(unsigned ms);
bool TakeQuit(int* code = nullptr);
// How many times a modal loop ended because its queue ran dry.
int DryCancelCount();
void NoteDryCancel();
// -1: dry loops cancel when the display is headless (default); 0: never; 1: always.
void SetModalDryCancel(int mode);

// ---- screen ----
// One monitor of the given size; the work area leaves a task bar at the bottom.
void SetScreen(int cx, int cy, int taskBarHeight = 40);
void AddMonitor(const RECT& rect, const RECT& work);
void SetMetric(int index, int value);  // overrides GetSystemMetrics
void ClearMetrics();

// ---- pixels ----
// The colour (RGB) at a client point of a window, as last painted.
COLORREF WindowPixel(HWND hwnd, int x, int y);
// The colour at a point of the window rectangle (non-client included).
COLORREF WindowPixelNc(HWND hwnd, int x, int y);
// Saves the window (its whole rectangle) as a PNG file.
bool SaveWindowPng(HWND hwnd, const char* path);

// ---- recorders ----
std::vector<UINT> TakeBeeps();
struct WinEventRecord {
  DWORD event;
  HWND hwnd;
  LONG idObject;
  LONG idChild;
};
std::vector<WinEventRecord> TakeWinEvents();
void RecordWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild);

// ---- the desktop back end ----
// Switches to the SDL2 back end (false when no display can be opened) and
// back. Windows are created after switching.
bool UseDesktopBackend();
void UseHeadlessBackend();
// What the desktop shows at a point of a top-level window (its SDL surface).
COLORREF PresentedPixel(HWND hwnd, int x, int y);
// Puts a left click at a point of a top-level window into SDL's event queue.
bool SdlClick(HWND hwnd, int x, int y);
// The same for the pointer leaving a top-level window (onto the desktop) and
// for the desktop's focus going to another program.
bool SdlPointerLeave(HWND hwnd);
bool SdlFocusLost(HWND hwnd);
// The top-level window that has the display's keyboard focus, once the
// display has answered everything asked of it (null: none of ours).
HWND SdlKeyboardFocus();
// Files dropped from the desktop onto a top-level window (SDL drop events);
// they land where the pointer is.
bool SdlDropFiles(HWND hwnd, const std::vector<std::string>& files);
// Puts the input method's events into SDL's queue: the composition so far
// (UTF-8, the cursor in it) and the committed text.
bool SdlTextEditing(const char* utf8, int start);
bool SdlTextInput(const char* utf8);
// Puts bytes on the system clipboard behind the window manager's back, as
// another program copying would.
bool SdlSetSystemClipboard(const char* bytes);
// Whether the desktop window shows a pixel of a top-level window (1) or has
// it cut out of its shape (0); -1 when the window is not shaped.
int PresentedShape(HWND hwnd, int x, int y);
// The alpha of what the desktop shows at a point of a top-level window
// created with the visual with alpha; -1 for a window without alpha.
int PresentedAlpha(HWND hwnd, int x, int y);
// Makes the desktop back end act as if a compositor ran: layered windows
// take the visual with alpha on a display without one.
void SdlAssumeCompositor(bool on);
// The premultiplied ARGB image (rows of *width pixels) a layered top-level
// window shows through a visual with alpha; empty without a backing bitmap.
std::vector<uint32_t> LayeredArgbImage(HWND hwnd, int* width, int* height);

// ---- isolation ----
// Destroys every window of the calling thread and clears queues, timers,
// hooks, input state, capture, focus, the clipboard and the screen set-up,
// so that each test starts from a clean desktop.
void ResetWindowManager();

}  // namespace pv::test
