// Windowless rich-text services: the host interface a caller implements and
// the services object "CreateTextServices" (in "RICHED20") returns. The
// engine is our own: plain text and the RTF its callers feed it, laid out
// with word wrap and drawn into a DC.
#pragma once

#include "platform/base/bstr.h"
#include "platform/base/com.h"
#include "platform/gdi/wingdi.h"
#include "platform/shell/richedit.h"

struct DVTARGETDEVICE;
using HIMC = void*;
using LPCRECTL = const RECTL*;

constexpr DWORD TXTBIT_RICHTEXT = 0x1;
constexpr DWORD TXTBIT_MULTILINE = 0x2;
constexpr DWORD TXTBIT_READONLY = 0x4;
constexpr DWORD TXTBIT_WORDWRAP = 0x400;
constexpr DWORD TXTNS_FITTOCONTENT = 1;
constexpr DWORD TXTBACK_TRANSPARENT = 0;
constexpr DWORD TXTBACK_OPAQUE = 1;
constexpr DWORD DVASPECT_CONTENT = 1;

struct ITextHost : IUnknown {
  virtual HDC TxGetDC() = 0;
  virtual INT TxReleaseDC(HDC hdc) = 0;
  virtual BOOL TxShowScrollBar(INT bar, BOOL show) = 0;
  virtual BOOL TxEnableScrollBar(INT bars, INT arrows) = 0;
  virtual BOOL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL redraw) = 0;
  virtual BOOL TxSetScrollPos(INT bar, INT pos, BOOL redraw) = 0;
  virtual void TxInvalidateRect(LPCRECT rc, BOOL mode) = 0;
  virtual void TxViewChange(BOOL update) = 0;
  virtual BOOL TxCreateCaret(HBITMAP bmp, INT width, INT height) = 0;
  virtual BOOL TxShowCaret(BOOL show) = 0;
  virtual BOOL TxSetCaretPos(INT x, INT y) = 0;
  virtual BOOL TxSetTimer(UINT id, UINT timeout) = 0;
  virtual void TxKillTimer(UINT id) = 0;
  virtual void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update, LPRECT updateRect,
                                UINT flags) = 0;
  virtual void TxSetCapture(BOOL capture) = 0;
  virtual void TxSetFocus() = 0;
  virtual void TxSetCursor(HCURSOR cursor, BOOL text) = 0;
  virtual BOOL TxScreenToClient(LPPOINT pt) = 0;
  virtual BOOL TxClientToScreen(LPPOINT pt) = 0;
  virtual HRESULT TxActivate(LONG* oldState) = 0;
  virtual HRESULT TxDeactivate(LONG newState) = 0;
  virtual HRESULT TxGetClientRect(LPRECT rc) = 0;
  virtual HRESULT TxGetViewInset(LPRECT rc) = 0;
  virtual HRESULT TxGetCharFormat(const CHARFORMATW** cf) = 0;
  virtual HRESULT TxGetParaFormat(const PARAFORMAT** pf) = 0;
  virtual COLORREF TxGetSysColor(int index) = 0;
  virtual HRESULT TxGetBackStyle(DWORD* style) = 0;
  virtual HRESULT TxGetMaxLength(DWORD* length) = 0;
  virtual HRESULT TxGetScrollBars(DWORD* bars) = 0;
  virtual HRESULT TxGetPasswordChar(WCHAR* ch) = 0;
  virtual HRESULT TxGetAcceleratorPos(LONG* pos) = 0;
  virtual HRESULT TxGetExtent(SIZEL* extent) = 0;
  virtual HRESULT OnTxCharFormatChange(const CHARFORMATW* cf) = 0;
  virtual HRESULT OnTxParaFormatChange(const PARAFORMAT* pf) = 0;
  virtual HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) = 0;
  virtual HRESULT TxNotify(DWORD code, void* data) = 0;
  virtual HIMC TxImmGetContext() = 0;
  virtual void TxImmReleaseContext(HIMC himc) = 0;
  virtual HRESULT TxGetSelectionBarWidth(LONG* width) = 0;

 protected:
  ~ITextHost() override = default;
};
PV_DECLARE_UUID(ITextHost, "c5bdd8d0-d26e-11ce-a89e-00aa006cadc5");
constexpr IID IID_ITextHost = __uuidof(ITextHost);

struct ITextServices : IUnknown {
  virtual HRESULT TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
  virtual HRESULT TxDraw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC hdcDraw, HDC hicTarget,
                         LPCRECTL bounds, LPCRECTL metafileBounds, LPRECT update, BOOL (*cont)(DWORD),
                         DWORD continueValue, LONG viewId) = 0;
  virtual HRESULT TxGetHScroll(LONG* minPos, LONG* maxPos, LONG* pos, LONG* page, BOOL* enabled) = 0;
  virtual HRESULT TxGetVScroll(LONG* minPos, LONG* maxPos, LONG* pos, LONG* page, BOOL* enabled) = 0;
  virtual HRESULT OnTxSetCursor(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC draw,
                                HDC hicTarget, LPCRECT client, INT x, INT y) = 0;
  virtual HRESULT TxQueryHitPoint(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC draw,
                                  HDC hicTarget, LPCRECT client, INT x, INT y, DWORD* hit) = 0;
  virtual HRESULT OnTxInPlaceActivate(LPCRECT client) = 0;
  virtual HRESULT OnTxInPlaceDeactivate() = 0;
  virtual HRESULT OnTxUIActivate() = 0;
  virtual HRESULT OnTxUIDeactivate() = 0;
  virtual HRESULT TxGetText(BSTR* text) = 0;
  virtual HRESULT TxSetText(LPCWSTR text) = 0;
  virtual HRESULT TxGetCurTargetX(LONG* x) = 0;
  virtual HRESULT TxGetBaseLinePos(LONG* pos) = 0;
  virtual HRESULT TxGetNaturalSize(DWORD aspect, HDC draw, HDC hicTarget, DVTARGETDEVICE* target, DWORD mode,
                                   const SIZEL* extent, LONG* width, LONG* height) = 0;
  virtual HRESULT TxGetDropTarget(void** target) = 0;
  virtual HRESULT OnTxPropertyBitsChange(DWORD mask, DWORD bits) = 0;
  virtual HRESULT TxGetCachedSize(DWORD* width, DWORD* height) = 0;

 protected:
  ~ITextServices() override = default;
};
PV_DECLARE_UUID(ITextServices, "8d33f740-cf58-11ce-a89d-00aa006cadc5");
constexpr IID IID_ITextServices = __uuidof(ITextServices);

// Creates text services for `host` (no aggregation: `outer` must be null).
HRESULT CreateTextServices(IUnknown* outer, ITextHost* host, IUnknown** services);

namespace pv::richtext {
// Registers "RICHED20" with "CreateTextServices" (see pv::shell::RegisterModules).
void RegisterModule();
}  // namespace pv::richtext
