// The ordered controls of one command bar (or a free-standing list of the
// command bars). It holds one reference per control and keeps every
// control's index, collection and parent up to date; it makes controls by
// type and from menus, copies and compares whole lists, keeps an optional
// snapshot of the original controls for customisation, and answers its
// bar's navigation and hit-test questions.
#pragma once

#include <string>

#include "platform/base/cmdtarget.h"
#include "platform/base/collections.h"
#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "toolkit/commandbars/commandbarsdefs.h"

class CDC;
class CMenu;
class CWnd;
class CTKCommandBars;
class CTKControl;
class CTKPropExchange;

// The layout modes of CalcDynamicSize: the framework's LM_ bits
// (platform/framework/afxframe.h) and the toolkit's own two.
// Controls that do not fit are hidden behind the chevron (hide flag
// kTKHideWrap) instead of wrapped.
constexpr DWORD kTKLayoutHideWrap = 0x80;
// Every control that begins a group starts a new row, and the preferred
// width is the wrap length.
constexpr DWORD kTKLayoutGroups = 0x100;

class CTKControls : public CCmdTarget {
  DECLARE_DYNCREATE(CTKControls)

 public:
  CTKControls();
  ~CTKControls() override;
  CTKControls(const CTKControls&) = delete;
  CTKControls& operator=(const CTKControls&) = delete;

  int GetCount() const { return static_cast<int>(m_arrControls.GetSize()); }
  // Null out of range.
  CTKControl* GetAt(int nIndex) const;
  CTKCommandBar* GetParent() const { return m_pParent; }
  void SetParent(CTKCommandBar* pParent);
  // The parent bar's command bars, else the ones set for a free-standing list.
  CTKCommandBars* GetCommandBars() const;
  void SetCommandBars(CTKCommandBars* pCommandBars) { m_pCommandBars = pCommandBars; }

  // Takes over the caller's reference; an index out of range appends.
  CTKControl* InsertAt(CTKControl* pControl, int nIndex = -1);
  CTKControl* Append(CTKControl* pControl) { return InsertAt(pControl, -1); }
  // Gives the control its parameter and temporary flag, links it to the
  // command bars' action for the id (made when actions are on and the id is
  // not reserved) or else gives it the id, and inserts it.
  CTKControl* Add(CTKControl* pControl, int nId, const CString& strParameter = CString(), int nBefore = -1,
                  BOOL bTemporary = FALSE);
  // A new control of the type (1-11); null for other types.
  CTKControl* AddByType(TKControlType type, int nId, const CString& strParameter = CString(), int nBefore = -1,
                        BOOL bTemporary = FALSE);
  // A new control of the source's class with the source copied into it.
  CTKControl* AddClone(CTKControl* pSource, int nBefore = -1, BOOL bRecursive = FALSE);
  // One control for the menu item at the position; null for an item it
  // skips.
  CTKControl* AddMenuItem(CMenu* pMenu, int nIndex);
  // A control for every item of the menu; separators start groups.
  BOOL LoadMenu(CMenu* pMenu);

  virtual void Remove(CTKControl* pControl);
  void RemoveAt(int nIndex);
  void RemoveAll();

  // The first control of the type (Plain: any) and id (-1: any), visible
  // when asked; recursive searches the controls' own bars too.
  CTKControl* FindControl(TKControlType type, int nId, BOOL bVisible, BOOL bRecursive) const;
  CTKControl* FindControl(int nId) const;
  // The first visible control whose rectangle holds the client point.
  CTKControl* HitTest(CPoint point) const;
  // The next control from the index in the direction (+1, -1) that can be
  // navigated to; -1 when none. See the .cpp for the walk.
  int GetNext(int nIndex, int nDirection = +1, BOOL bSkipFocus = TRUE, BOOL bSkipTemporary = FALSE,
              BOOL bStrict = TRUE) const;
  int GetVisibleCount(BOOL bStrict = TRUE) const;
  CTKControl* GetVisibleAt(int nIndex, BOOL bStrict = TRUE) const;

  // Between popup kinds only the type changes; otherwise a new control of
  // the type takes the old one's place and settings.
  CTKControl* ChangeControlType(CTKControl* pControl, TKControlType type);
  CTKControl* ChangeControlTypeAt(int nIndex, TKControlType type);

  // ---- copies and the original controls ----
  virtual void Copy(CTKControls* pSource, BOOL bRecursive = FALSE);
  CTKControls* Duplicate(BOOL bRecursive = FALSE);
  void CreateOriginalControls();
  CTKControls* GetOriginalControls() const { return m_pOriginalControls; }
  // Releases the old snapshot and takes over the caller's reference.
  void SetOriginalControls(CTKControls* pControls);
  BOOL IsEqual(CTKControls* pOther) const;
  BOOL IsChanged() const;
  BOOL IsOriginalControls() const { return m_bOriginalControls; }

  // ---- layout (controlslayout.cpp) ----
  // Places the controls of a popup in columns from top to bottom, a new
  // column where a control carries kTKControlFlagWrapRow or would pass the
  // maximum height (0: none); a fixed width of 1-29999 sets the last
  // column's width. Writes every control's rectangle and answers the
  // popup's size with the borders (widths in a rectangle).
  CSize CalcPopupSize(CDC* pDC, int nMaxHeight, int nFixedWidth, const CRect& rcBorder);
  // Places the controls of a tool bar, docked or floating, for the length
  // and the mode (LM_ bits and kTKLayout...), wrapping or hiding what does
  // not fit; under LM_COMMIT writes every control's rectangle, row, wrap
  // and overflow flag. Answers the bar's size with the borders; a minimum
  // thickness above 0 keeps the bar at least that thick.
  CSize CalcDynamicSize(CDC* pDC, int nLength, DWORD dwMode, const CRect& rcBorder, int nMinThickness = 0);

  // Stores the controls ShouldSerializeControl accepts and the original
  // controls, or loads them: every stored control is made and read first,
  // and only when all of them are whole and valid do they replace the
  // current ones (a bad store raises an archive exception and changes
  // nothing).
  virtual void DoPropExchange(CTKPropExchange* pPX);
  virtual BOOL ShouldSerializeControl(CTKControl* pControl) const;
  virtual BOOL IsPermanentControl(CTKControl* /*pControl*/) const { return FALSE; }

#ifndef NDEBUG
  // Every control knows its index, this collection and the parent bar.
  std::string CheckInvariants() const;
#endif

 protected:
  virtual void OnControlAdded(CTKControl* pControl);
  virtual void OnControlRemoved(CTKControl* pControl);
  virtual void RefreshIndexes();
  // Leaves the array and the collection's reference goes.
  void DetachAt(int nIndex);
  // The window told of menu controls: the site, else the bar's owner.
  CWnd* GetNotifyWindow() const;

  CTKCommandBar* m_pParent = nullptr;
  CArray<CTKControl*, CTKControl*> m_arrControls;
  CTKCommandBars* m_pCommandBars = nullptr;
  CTKControls* m_pOriginalControls = nullptr;
  BOOL m_bOriginalControls = FALSE;

 private:
  // One tool-bar layout (controlslayout.cpp).
  class CDynamicLayout;
  // The smart layout chooses styles without marking the bar's layout dirty.
  static void SetLayoutStyle(CTKControl* pControl, TKButtonStyle style);
};

// A snapshot of a bar's first-built controls.
class CTKOriginalControls : public CTKControls {
  DECLARE_DYNCREATE(CTKOriginalControls)

 public:
  CTKOriginalControls() { m_bOriginalControls = TRUE; }
};
