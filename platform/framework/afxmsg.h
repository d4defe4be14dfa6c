// Message maps: the macros a class's source uses to send messages,
// commands and notifications to its member functions.
//
//   // in the class:                      // in its source file:
//   class CMyView : public CView {        BEGIN_MESSAGE_MAP(CMyView, CView)
//     ...                                   ON_WM_PAINT()
//     void OnPaint();                       ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
//     void OnEditCopy();                    ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
//     void OnUpdateEditCopy(CCmdUI*);     END_MESSAGE_MAP()
//     DECLARE_MESSAGE_MAP()
//   };
//
// Handlers are named without the class (OnPaint, not &CMyView::OnPaint).
// Every entry compiles into a small function that unpacks the message and
// calls the member with its exact signature, so a handler with the wrong
// signature is a compile error, not a cast. Details: docs/framework.md.
#pragma once

#include "platform/framework/afxwnd.h"

// ---- the map itself ---------------------------------------------------------------------------------
#define DECLARE_MESSAGE_MAP()                       \
 protected:                                         \
  static const AFX_MSGMAP* GetThisMessageMap();     \
  const AFX_MSGMAP* GetMessageMap() const override; \
                                                    \
 private:

#define PV_BEGIN_MESSAGE_MAP_BODY(theClass, baseClass)                              \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = theClass;                                    \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define BEGIN_MESSAGE_MAP(theClass, baseClass) PV_BEGIN_MESSAGE_MAP_BODY(theClass, baseClass)
#define BEGIN_TEMPLATE_MESSAGE_MAP(theClass, type_name, baseClass) \
  template <typename type_name>                                    \
  PV_BEGIN_MESSAGE_MAP_BODY(theClass<type_name>, baseClass)

#define END_MESSAGE_MAP()                                                                       \
  { 0, 0, 0, 0, nullptr, nullptr }                                                              \
  }                                                                                             \
  ;                                                                                             \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                           \
  }

// One entry: message, code, id range, registered-message variable, and the
// body of the function that calls the handler (self is the object).
#define PV_MSG_ENTRY(msg, code, id, lastId, reg, ...)                       \
  {static_cast<UINT>(msg),                                                  \
   static_cast<UINT>(code),                                                 \
   static_cast<UINT>(id),                                                   \
   static_cast<UINT>(lastId),                                               \
   reg,                                                                     \
   [](CCmdTarget* pv_target, AFX_MSGCALL& pv_call) -> BOOL {                \
     [[maybe_unused]] ThisClass* self = static_cast<ThisClass*>(pv_target); \
     [[maybe_unused]] WPARAM wParam = pv_call.wParam;                       \
     [[maybe_unused]] LPARAM lParam = pv_call.lParam;                       \
     __VA_ARGS__                                                            \
   }},

#define PV_WM(msg, ...) PV_MSG_ENTRY(msg, 0, 0, 0, nullptr, __VA_ARGS__)
#define PV_PT (CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
#define PV_WND(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))

// ---- generic messages -----------------------------------------------------------------------------
// LRESULT fn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) PV_WM(message, pv_call.result = self->memberFxn(wParam, lParam); return TRUE;)
// LRESULT fn(WPARAM, LPARAM); the variable holds the registered number.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
  PV_MSG_ENTRY(0xC000, 0, 0, 0, &(nMessageVariable), pv_call.result = self->memberFxn(wParam, lParam); return TRUE;)
// void fn(): the message's parameters are not needed.
#define ON_MESSAGE_VOID(message, memberFxn) PV_WM(message, self->memberFxn(); return TRUE;)
// void fn(WPARAM, LPARAM) for a thread's messages.
#define ON_THREAD_MESSAGE(message, memberFxn) PV_WM(message, self->memberFxn(wParam, lParam); return TRUE;)
#define ON_REGISTERED_THREAD_MESSAGE(nMessageVariable, memberFxn) \
  PV_MSG_ENTRY(0xC000, 0, 0, 0, &(nMessageVariable), self->memberFxn(wParam, lParam); return TRUE;)

// ---- commands ---------------------------------------------------------------------------------------
// void fn()
#define ON_COMMAND(id, memberFxn) PV_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, nullptr, self->memberFxn(); return TRUE;)
// BOOL fn(UINT id): FALSE lets routing go on.
#define ON_COMMAND_EX(id, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, nullptr, return self->memberFxn(pv_call.nID);)
// void fn(UINT id)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, nullptr, self->memberFxn(pv_call.nID); return TRUE;)
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, nullptr, return self->memberFxn(pv_call.nID);)
// void fn(CCmdUI*): ContinueRouting() passes the request on.
#define PV_UPDATE_BODY(memberFxn)                       \
  CCmdUI* pv_ui = static_cast<CCmdUI*>(pv_call.pExtra); \
  pv_ui->m_bContinueRouting = FALSE;                    \
  self->memberFxn(pv_ui);                               \
  return !pv_ui->m_bContinueRouting;
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, id, nullptr, PV_UPDATE_BODY(memberFxn))
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, idLast, nullptr, PV_UPDATE_BODY(memberFxn))

// ---- control notifications (WM_COMMAND from a control) -------------------------------------------
// void fn()
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, id, nullptr, self->memberFxn(); return TRUE;)
// void fn(UINT id)
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn) \
  PV_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, idLast, nullptr, self->memberFxn(pv_call.nID); return TRUE;)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_EN_HSCROLL(id, memberFxn) ON_CONTROL(EN_HSCROLL, id, memberFxn)
#define ON_EN_VSCROLL(id, memberFxn) ON_CONTROL(EN_VSCROLL, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCANCEL(id, memberFxn) ON_CONTROL(LBN_SELCANCEL, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn) ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn) ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELENDCANCEL(id, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)

// ---- WM_NOTIFY ------------------------------------------------------------------------------------
#define PV_NOTIFY_ARGS \
  static_cast<AFX_NOTIFY*>(pv_call.pExtra)->pNMHDR, static_cast<AFX_NOTIFY*>(pv_call.pExtra)->pResult
// void fn(NMHDR*, LRESULT*)
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
  PV_MSG_ENTRY(WM_NOTIFY, wNotifyCode, id, id, nullptr, self->memberFxn(PV_NOTIFY_ARGS); return TRUE;)
// void fn(UINT id, NMHDR*, LRESULT*)
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn) \
  PV_MSG_ENTRY(WM_NOTIFY, wNotifyCode, id, idLast, nullptr, self->memberFxn(pv_call.nID, PV_NOTIFY_ARGS); return TRUE;)
// BOOL fn(UINT id, NMHDR*, LRESULT*)
#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn) \
  PV_MSG_ENTRY(WM_NOTIFY, wNotifyCode, id, id, nullptr, return self->memberFxn(pv_call.nID, PV_NOTIFY_ARGS);)
#define ON_NOTIFY_EX_RANGE(wNotifyCode, id, idLast, memberFxn) \
  PV_MSG_ENTRY(WM_NOTIFY, wNotifyCode, id, idLast, nullptr, return self->memberFxn(pv_call.nID, PV_NOTIFY_ARGS);)

// ---- reflected to the control that sent them --------------------------------------------------------
// void fn(NMHDR*, LRESULT*)
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
  PV_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, wNotifyCode, 0, 0, nullptr, self->memberFxn(PV_NOTIFY_ARGS); return TRUE;)
// BOOL fn(NMHDR*, LRESULT*): FALSE lets the parent see it too.
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn) \
  PV_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, wNotifyCode, 0, 0, nullptr, return self->memberFxn(PV_NOTIFY_ARGS);)
// void fn(CCmdUI*): a control updating itself (UpdateDialogControls, bars).
#define ON_UPDATE_COMMAND_UI_REFLECT(memberFxn) \
  PV_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, 0xFFFF, 0, 0, nullptr, PV_UPDATE_BODY(memberFxn))
// void fn()
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
  PV_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, wNotifyCode, 0, 0, nullptr, self->memberFxn(); return TRUE;)
// BOOL fn()
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
  PV_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, wNotifyCode, 0, 0, nullptr, return self->memberFxn();)
#define ON_BN_CLICKED_REFLECT(memberFxn) ON_CONTROL_REFLECT(BN_CLICKED, memberFxn)
#define ON_EN_CHANGE_REFLECT(memberFxn) ON_CONTROL_REFLECT(EN_CHANGE, memberFxn)
// HBRUSH CtlColor(CDC*, UINT nCtlColor): a null brush lets the parent answer.
#define ON_WM_CTLCOLOR_REFLECT()                                                   \
  PV_WM(WM_REFLECT_BASE + WM_CTLCOLOR, {                                           \
    AFX_CTLCOLOR* pv_ctl = reinterpret_cast<AFX_CTLCOLOR*>(lParam);                \
    HBRUSH pv_br = self->CtlColor(CDC::FromHandle(pv_ctl->hDC), pv_ctl->nCtlType); \
    pv_call.result = reinterpret_cast<LRESULT>(pv_br);                             \
    return pv_br != nullptr;                                                       \
  })
// void DrawItem(LPDRAWITEMSTRUCT) / void MeasureItem(LPMEASUREITEMSTRUCT)
#define ON_WM_DRAWITEM_REFLECT()                                                                   \
  PV_WM(WM_REFLECT_BASE + WM_DRAWITEM, self->DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); \
        pv_call.result = TRUE; return TRUE;)
#define ON_WM_MEASUREITEM_REFLECT()                                                                         \
  PV_WM(WM_REFLECT_BASE + WM_MEASUREITEM, self->MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); \
        pv_call.result = TRUE; return TRUE;)
// void HScroll(UINT nSBCode, UINT nPos) / VScroll
#define ON_WM_HSCROLL_REFLECT() \
  PV_WM(WM_REFLECT_BASE + WM_HSCROLL, self->HScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam))); return TRUE;)
#define ON_WM_VSCROLL_REFLECT() \
  PV_WM(WM_REFLECT_BASE + WM_VSCROLL, self->VScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam))); return TRUE;)
// void ParentNotify(UINT message, LPARAM lParam)
#define ON_WM_PARENTNOTIFY_REFLECT() \
  PV_WM(WM_REFLECT_BASE + WM_PARENTNOTIFY, self->ParentNotify(LOWORD(wParam), lParam); return TRUE;)

// ---- window messages ---------------------------------------------------------------------------------
#define PV_VOID(msg, call) PV_WM(msg, self->call; return TRUE;)
#define PV_RESULT(msg, call) PV_WM(msg, pv_call.result = static_cast<LRESULT>(self->call); return TRUE;)

#define ON_WM_CREATE() PV_RESULT(WM_CREATE, OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))
#define ON_WM_NCCREATE() PV_RESULT(WM_NCCREATE, OnNcCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))
#define ON_WM_DESTROY() PV_VOID(WM_DESTROY, OnDestroy())
#define ON_WM_NCDESTROY() PV_VOID(WM_NCDESTROY, OnNcDestroy())
#define ON_WM_PAINT() PV_VOID(WM_PAINT, OnPaint())
#define ON_WM_NCPAINT() PV_VOID(WM_NCPAINT, OnNcPaint())
#define ON_WM_ERASEBKGND() PV_RESULT(WM_ERASEBKGND, OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam))))
#define ON_WM_SIZE() PV_VOID(WM_SIZE, OnSize(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
#define ON_WM_SIZING() PV_VOID(WM_SIZING, OnSizing(static_cast<UINT>(wParam), reinterpret_cast<LPRECT>(lParam)))
#define ON_WM_MOVE() PV_VOID(WM_MOVE, OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
#define ON_WM_MOVING() PV_VOID(WM_MOVING, OnMoving(static_cast<UINT>(wParam), reinterpret_cast<LPRECT>(lParam)))
#define ON_WM_TIMER() PV_VOID(WM_TIMER, OnTimer(static_cast<UINT_PTR>(wParam)))
#define ON_WM_CLOSE() PV_VOID(WM_CLOSE, OnClose())
#define PV_MOUSE(msg, fn) PV_VOID(msg, fn(static_cast<UINT>(wParam), PV_PT))
#define ON_WM_MOUSEMOVE() PV_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() PV_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() PV_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() PV_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() PV_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() PV_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() PV_MOUSE(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() PV_MOUSE(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() PV_MOUSE(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MBUTTONDBLCLK() PV_MOUSE(WM_MBUTTONDBLCLK, OnMButtonDblClk)
#define ON_WM_XBUTTONDOWN() \
  PV_VOID(WM_XBUTTONDOWN, OnXButtonDown(GET_KEYSTATE_WPARAM(wParam), GET_XBUTTON_WPARAM(wParam), PV_PT))
#define ON_WM_XBUTTONUP() \
  PV_VOID(WM_XBUTTONUP, OnXButtonUp(GET_KEYSTATE_WPARAM(wParam), GET_XBUTTON_WPARAM(wParam), PV_PT))
#define ON_WM_MOUSEWHEEL() \
  PV_RESULT(WM_MOUSEWHEEL, OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), PV_PT))
#define ON_WM_MOUSEHWHEEL() \
  PV_VOID(WM_MOUSEHWHEEL, OnMouseHWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), PV_PT))
#define ON_WM_MOUSELEAVE() PV_VOID(WM_MOUSELEAVE, OnMouseLeave())
#define ON_WM_MOUSEHOVER() PV_MOUSE(WM_MOUSEHOVER, OnMouseHover)
#define ON_WM_NCMOUSELEAVE() PV_VOID(WM_NCMOUSELEAVE, OnNcMouseLeave())
#define ON_WM_NCMOUSEHOVER() PV_MOUSE(WM_NCMOUSEHOVER, OnNcMouseHover)
#define ON_WM_NCMOUSEMOVE() PV_MOUSE(WM_NCMOUSEMOVE, OnNcMouseMove)
#define ON_WM_NCLBUTTONDOWN() PV_MOUSE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
#define ON_WM_NCLBUTTONUP() PV_MOUSE(WM_NCLBUTTONUP, OnNcLButtonUp)
#define ON_WM_NCLBUTTONDBLCLK() PV_MOUSE(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
#define ON_WM_NCRBUTTONDOWN() PV_MOUSE(WM_NCRBUTTONDOWN, OnNcRButtonDown)
#define ON_WM_NCRBUTTONUP() PV_MOUSE(WM_NCRBUTTONUP, OnNcRButtonUp)
#define ON_WM_NCRBUTTONDBLCLK() PV_MOUSE(WM_NCRBUTTONDBLCLK, OnNcRButtonDblClk)
#define ON_WM_NCMBUTTONDBLCLK() PV_MOUSE(WM_NCMBUTTONDBLCLK, OnNcMButtonDblClk)
#define ON_WM_NCMBUTTONDOWN() PV_MOUSE(WM_NCMBUTTONDOWN, OnNcMButtonDown)
#define ON_WM_NCMBUTTONUP() PV_MOUSE(WM_NCMBUTTONUP, OnNcMButtonUp)
#define ON_WM_NCHITTEST() PV_RESULT(WM_NCHITTEST, OnNcHitTest(PV_PT))
#define ON_WM_NCCALCSIZE() \
  PV_VOID(WM_NCCALCSIZE, OnNcCalcSize(static_cast<BOOL>(wParam), reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)))
#define ON_WM_NCACTIVATE() PV_RESULT(WM_NCACTIVATE, OnNcActivate(static_cast<BOOL>(wParam)))
#define PV_KEY(msg, fn) PV_VOID(msg, fn(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)))
#define ON_WM_KEYDOWN() PV_KEY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() PV_KEY(WM_KEYUP, OnKeyUp)
#define ON_WM_SYSKEYDOWN() PV_KEY(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSKEYUP() PV_KEY(WM_SYSKEYUP, OnSysKeyUp)
#define ON_WM_CHAR() PV_KEY(WM_CHAR, OnChar)
#define ON_WM_SYSCHAR() PV_KEY(WM_SYSCHAR, OnSysChar)
#define ON_WM_SETFOCUS() PV_VOID(WM_SETFOCUS, OnSetFocus(PV_WND(wParam)))
#define ON_WM_KILLFOCUS() PV_VOID(WM_KILLFOCUS, OnKillFocus(PV_WND(wParam)))
#define ON_WM_SETCURSOR() PV_RESULT(WM_SETCURSOR, OnSetCursor(PV_WND(wParam), LOWORD(lParam), HIWORD(lParam)))
#define ON_WM_MOUSEACTIVATE() \
  PV_RESULT(WM_MOUSEACTIVATE, OnMouseActivate(PV_WND(wParam), LOWORD(lParam), HIWORD(lParam)))
#define ON_WM_ACTIVATE() PV_VOID(WM_ACTIVATE, OnActivate(LOWORD(wParam), PV_WND(lParam), HIWORD(wParam) != 0))
#define ON_WM_ACTIVATEAPP() \
  PV_VOID(WM_ACTIVATEAPP, OnActivateApp(static_cast<BOOL>(wParam), static_cast<DWORD>(lParam)))
#define ON_WM_CANCELMODE() PV_VOID(WM_CANCELMODE, OnCancelMode())
#define ON_WM_CAPTURECHANGED() PV_VOID(WM_CAPTURECHANGED, OnCaptureChanged(PV_WND(lParam)))
#define ON_WM_CONTEXTMENU() PV_VOID(WM_CONTEXTMENU, OnContextMenu(PV_WND(wParam), PV_PT))
#define ON_WM_GETMINMAXINFO() PV_VOID(WM_GETMINMAXINFO, OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)))
#define ON_WM_WINDOWPOSCHANGING() \
  PV_VOID(WM_WINDOWPOSCHANGING, OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam)))
#define ON_WM_WINDOWPOSCHANGED() PV_VOID(WM_WINDOWPOSCHANGED, OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam)))
#define ON_WM_STYLECHANGING() \
  PV_VOID(WM_STYLECHANGING, OnStyleChanging(static_cast<int>(wParam), reinterpret_cast<LPSTYLESTRUCT>(lParam)))
#define ON_WM_STYLECHANGED() \
  PV_VOID(WM_STYLECHANGED, OnStyleChanged(static_cast<int>(wParam), reinterpret_cast<LPSTYLESTRUCT>(lParam)))
#define ON_WM_SYSCOMMAND() PV_VOID(WM_SYSCOMMAND, OnSysCommand(static_cast<UINT>(wParam), lParam))
#define ON_WM_HSCROLL()                                                             \
  PV_VOID(WM_HSCROLL, OnHScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), \
                                reinterpret_cast<CScrollBar*>(PV_WND(lParam))))
#define ON_WM_VSCROLL()                                                             \
  PV_VOID(WM_VSCROLL, OnVScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), \
                                reinterpret_cast<CScrollBar*>(PV_WND(lParam))))
// HBRUSH OnCtlColor(CDC*, CWnd*, UINT nCtlColor), for every WM_CTLCOLOR* message.
#define PV_CTLCOLOR(msg, type)                                                                            \
  PV_WM(msg, pv_call.result = reinterpret_cast<LRESULT>(                                                  \
                 self->OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)), PV_WND(lParam), type)); \
        return TRUE;)
#define ON_WM_CTLCOLOR()                                \
  PV_CTLCOLOR(WM_CTLCOLORMSGBOX, CTLCOLOR_MSGBOX)       \
  PV_CTLCOLOR(WM_CTLCOLOREDIT, CTLCOLOR_EDIT)           \
  PV_CTLCOLOR(WM_CTLCOLORLISTBOX, CTLCOLOR_LISTBOX)     \
  PV_CTLCOLOR(WM_CTLCOLORBTN, CTLCOLOR_BTN)             \
  PV_CTLCOLOR(WM_CTLCOLORDLG, CTLCOLOR_DLG)             \
  PV_CTLCOLOR(WM_CTLCOLORSCROLLBAR, CTLCOLOR_SCROLLBAR) \
  PV_CTLCOLOR(WM_CTLCOLORSTATIC, CTLCOLOR_STATIC)
#define ON_WM_DRAWITEM()                                                                                     \
  PV_WM(WM_DRAWITEM, self->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); \
        pv_call.result = TRUE; return TRUE;)
#define ON_WM_MEASUREITEM()                                                                                           \
  PV_WM(WM_MEASUREITEM, self->OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); \
        pv_call.result = TRUE; return TRUE;)
#define ON_WM_COMPAREITEM() \
  PV_RESULT(WM_COMPAREITEM, OnCompareItem(static_cast<int>(wParam), reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam)))
#define ON_WM_DELETEITEM()                                                                                         \
  PV_WM(WM_DELETEITEM, self->OnDeleteItem(static_cast<int>(wParam), reinterpret_cast<LPDELETEITEMSTRUCT>(lParam)); \
        pv_call.result = TRUE; return TRUE;)
#define ON_WM_PARENTNOTIFY() PV_VOID(WM_PARENTNOTIFY, OnParentNotify(LOWORD(wParam), lParam))
#define ON_WM_SHOWWINDOW() PV_VOID(WM_SHOWWINDOW, OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)))
#define ON_WM_ENABLE() PV_VOID(WM_ENABLE, OnEnable(static_cast<BOOL>(wParam)))
#define ON_WM_SETTINGCHANGE() \
  PV_VOID(WM_SETTINGCHANGE, OnSettingChange(static_cast<UINT>(wParam), reinterpret_cast<LPCTSTR>(lParam)))
#define ON_WM_WININICHANGE() ON_WM_SETTINGCHANGE()
#define ON_WM_SYSCOLORCHANGE() PV_VOID(WM_SYSCOLORCHANGE, OnSysColorChange())
#define ON_WM_TIMECHANGE() PV_VOID(WM_TIMECHANGE, OnTimeChange())
#define ON_WM_DISPLAYCHANGE() \
  PV_VOID(WM_DISPLAYCHANGE, OnDisplayChange(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)))
#define ON_WM_FONTCHANGE() PV_VOID(WM_FONTCHANGE, OnFontChange())
#define ON_WM_GETDLGCODE() PV_RESULT(WM_GETDLGCODE, OnGetDlgCode())
#define ON_WM_DROPFILES() PV_VOID(WM_DROPFILES, OnDropFiles(reinterpret_cast<HDROP>(wParam)))
#define ON_WM_HELPINFO() PV_RESULT(WM_HELP, OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam)))
#define ON_WM_INITMENU() PV_VOID(WM_INITMENU, OnInitMenu(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam))))
#define ON_WM_INITMENUPOPUP() \
  PV_VOID(WM_INITMENUPOPUP,   \
          OnInitMenuPopup(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)), LOWORD(lParam), HIWORD(lParam) != 0))
#define ON_WM_MENUSELECT() \
  PV_VOID(WM_MENUSELECT, OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam)))
#define ON_WM_MENUCHAR() \
  PV_RESULT(WM_MENUCHAR, OnMenuChar(LOWORD(wParam), HIWORD(wParam), CMenu::FromHandle(reinterpret_cast<HMENU>(lParam))))
#define ON_WM_ENTERIDLE() PV_VOID(WM_ENTERIDLE, OnEnterIdle(static_cast<UINT>(wParam), PV_WND(lParam)))
#define ON_WM_ENTERMENULOOP() PV_VOID(WM_ENTERMENULOOP, OnEnterMenuLoop(static_cast<BOOL>(wParam)))
#define ON_WM_EXITMENULOOP() PV_VOID(WM_EXITMENULOOP, OnExitMenuLoop(static_cast<BOOL>(wParam)))
#define ON_WM_DWMCOMPOSITIONCHANGED() PV_VOID(WM_DWMCOMPOSITIONCHANGED, OnCompositionChanged())
#define ON_WM_PRINTCLIENT() \
  PV_RESULT(WM_PRINTCLIENT, OnPrintClient(CDC::FromHandle(reinterpret_cast<HDC>(wParam)), static_cast<UINT>(lParam)))
#define ON_WM_THEMECHANGED() PV_RESULT(WM_THEMECHANGED, OnThemeChanged())
#define ON_WM_CHILDACTIVATE() PV_VOID(WM_CHILDACTIVATE, OnChildActivate())
#define ON_WM_MDIACTIVATE() \
  PV_VOID(WM_MDIACTIVATE, OnMDIActivate(reinterpret_cast<HWND>(lParam) == self->m_hWnd, PV_WND(lParam), PV_WND(wParam)))
#define ON_WM_QUERYENDSESSION() PV_RESULT(WM_QUERYENDSESSION, OnQueryEndSession())
#define ON_WM_ENDSESSION() PV_VOID(WM_ENDSESSION, OnEndSession(static_cast<BOOL>(wParam)))
#define ON_WM_COPYDATA() PV_RESULT(WM_COPYDATA, OnCopyData(PV_WND(wParam), reinterpret_cast<COPYDATASTRUCT*>(lParam)))
#define ON_WM_ENTERSIZEMOVE() PV_VOID(WM_ENTERSIZEMOVE, OnEnterSizeMove())
#define ON_WM_EXITSIZEMOVE() PV_VOID(WM_EXITSIZEMOVE, OnExitSizeMove())
#define ON_WM_QUERYNEWPALETTE() PV_RESULT(WM_QUERYNEWPALETTE, OnQueryNewPalette())
#define ON_WM_PALETTECHANGED() PV_VOID(WM_PALETTECHANGED, OnPaletteChanged(PV_WND(wParam)))
#define ON_WM_DEVMODECHANGE() PV_VOID(WM_DEVMODECHANGE, OnDevModeChange(reinterpret_cast<LPTSTR>(lParam)))
#define ON_WM_CHARTOITEM() \
  PV_RESULT(WM_CHARTOITEM, OnCharToItem(LOWORD(wParam), reinterpret_cast<CListBox*>(PV_WND(lParam)), HIWORD(wParam)))
#define ON_WM_VKEYTOITEM() \
  PV_RESULT(WM_VKEYTOITEM, OnVKeyToItem(LOWORD(wParam), reinterpret_cast<CListBox*>(PV_WND(lParam)), HIWORD(wParam)))
