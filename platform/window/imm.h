// The input method: composition messages and the composition string, for
// windows that show text being composed (Chinese through the desktop's
// input method) themselves. Windows that leave WM_IME_* to DefWindowProc
// get the committed text as WM_CHAR and a composition window at the caret.
#pragma once

#include "platform/window/winuser.h"

using HIMC = void*;

// WM_IME_COMPOSITION's lParam and ImmGetCompositionString's index.
#define GCS_COMPSTR 0x0008
#define GCS_CURSORPOS 0x0080
#define GCS_RESULTSTR 0x0800

// COMPOSITIONFORM styles.
#define CFS_DEFAULT 0x0000
#define CFS_RECT 0x0001
#define CFS_POINT 0x0002
#define CFS_FORCE_POSITION 0x0020

struct COMPOSITIONFORM {
  DWORD dwStyle;
  POINT ptCurrentPos;  // client coordinates of the window the context belongs to
  RECT rcArea;
};
using LPCOMPOSITIONFORM = COMPOSITIONFORM*;

// The thread's input context, for any window of it (null for a bad window).
HIMC ImmGetContext(HWND hwnd);
BOOL ImmReleaseContext(HWND hwnd, HIMC himc);
// Copies the composition (GCS_COMPSTR), the text last committed
// (GCS_RESULTSTR), both in bytes of UTF-16 without a terminator, or answers
// the cursor's place in the composition (GCS_CURSORPOS, in characters). With
// a zero length it answers the size needed; IMM_ERROR_GENERAL for an unknown
// index or a bad context.
LONG ImmGetCompositionStringW(HIMC himc, DWORD index, LPVOID buffer, DWORD bufferLength);
#define ImmGetCompositionString ImmGetCompositionStringW
#define IMM_ERROR_NODATA (-1)
#define IMM_ERROR_GENERAL (-2)
// Where the composition shows (and the desktop's candidate window opens):
// CFS_POINT/CFS_FORCE_POSITION at a client point; CFS_DEFAULT at the caret.
BOOL ImmSetCompositionWindow(HIMC himc, LPCOMPOSITIONFORM form);
BOOL ImmGetCompositionWindow(HIMC himc, LPCOMPOSITIONFORM form);
