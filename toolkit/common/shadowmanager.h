// Soft drop shadows along the right and bottom edges of popups: each shadow
// is a click-through popup window beside its owner, a 4-pixel alpha ramp
// where layered windows are available, else a solid 2-pixel strip. The
// shadows hook their owner so that they hide, show and go with it.
#pragma once

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/framework/afxmsg.h"
#include "platform/framework/afxwnd.h"
#include "toolkit/common/hookmanager.h"

class CTKShadowManager : public CCmdTarget {
 public:
  using PFNUPDATELAYEREDWINDOW = BOOL (*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

  enum { kShadowRight = 0, kShadowBottom = 1, kShadowCorner = 2 };

  class CShadowWnd : public CWnd, public CTKHookManagerHookAble {
   public:
    explicit CShadowWnd(CTKShadowManager* pManager);
    ~CShadowWnd() override;

    // Creates the window on first use, then places it beside the owner's
    // rectangle by type.
    BOOL Create(int nType, const CRect& rcOwner);
    // Moves this new shadow clear of an existing shadow of the other
    // orientation that it meets at the corner.
    void FitToShadows();
    // Cuts a screen rectangle out of the shadow's window region.
    void ExcludeRect(CRect rcExclude);
    int HandleHookedMessage(HWND hWnd, UINT nMessage, WPARAM& wParam, LPARAM& lParam, LRESULT& lResult) override;

    // The pixels of an alpha shadow of cx x cy, bottom-up rows of 32-bit
    // premultiplied pixels; `s` is 1 or 2. Pixels the ramp would put outside
    // the bitmap (a shadow shorter than its 4-pixel fade) are skipped.
    static void FillShadowPixels(DWORD* pBits, int cx, int cy, int nType, int s, COLORREF clrShadow);

    int m_nType = kShadowRight;
    BOOL m_bRegion = FALSE;
    CWnd* m_pOwner = nullptr;
    int m_nKey = 0;
    BOOL m_bControlShadow = FALSE;
    CTKShadowManager* m_pManager = nullptr;

   protected:
    BOOL OnEraseBkgnd(CDC* pDC);
    LRESULT OnNcHitTest(CPoint point);
    void OnPaint();
    void OnSize(UINT nType, int cx, int cy);
    DECLARE_MESSAGE_MAP()
  };

  class CShadowList : public CList<CShadowWnd*, CShadowWnd*> {
   public:
    CShadowList() : CList<CShadowWnd*, CShadowWnd*>(10) {}
  };

  CTKShadowManager();
  ~CTKShadowManager() override;
  CTKShadowManager(const CTKShadowManager&) = delete;
  CTKShadowManager& operator=(const CTKShadowManager&) = delete;

  // A bottom and a right shadow (and a corner pixel for a complex window
  // region). Without option bit 0 only when alpha shadows are on and the
  // system's drop-shadow setting is on.
  void AddWindowShadows(CWnd* pOwner, CRect rcExclude = CRect(0, 0, 0, 0), int nKey = 0);
  // Shadows of an open popup button; only with options bits 0 and 1.
  void AddControlShadows(int left, int top, int right, int bottom, CWnd* pPopupBar);
  void RemoveWindowShadows(CWnd* pOwner);
  // Moves and stretches the owner's shadows when the owner grows.
  void OffsetShadows(CWnd* pOwner, int dx, int dy);
  POSITION FindShadowPosition(CWnd* pOwner) const;
  CShadowWnd* GetNextShadow(POSITION& pos) const;
  void RemoveShadow(CShadowWnd* pShadow);

  BOOL IsAlphaShadowAvailable() const;
  // Drops what was worked out from the old display: alpha shadows are
  // decided again (a display of 8 bits or fewer has none) and the open
  // shadows repaint in the new look. The paint manager calls it from its
  // own metrics refresh.
  void RefreshMetrics();
  BOOL IsAlphaShadow() const { return m_bAlphaShadow; }
  const CShadowList& GetShadows() const { return m_lstShadow; }

  // Shadow windows use CS_SAVEBITS | CS_OWNDC when set.
  BOOL m_bUseClassStyles = TRUE;
  PFNUPDATELAYEREDWINDOW m_pfnUpdateLayeredWindow = nullptr;
  // Bit 0: shadows even without alpha or the system setting, half alpha;
  // bits 0 and 1: popup button shadows; bit 1: the exclusion rectangle is cut out.
  DWORD m_nOptions = 0;
  COLORREF m_clrShadow = 0;

 private:
  CShadowWnd* CreateShadow(int nType, const CRect& rcOwner, const CRect& rcExclude, CWnd* pOwner, BOOL bControlShadow,
                           int nKey);

  CShadowList m_lstShadow;
  BOOL m_bAlphaShadow = FALSE;

  friend class CShadowWnd;
};
