// The toolkit's tree behaviour, kept apart from the window so it can sit
// beside the framework's tree control as a second base: labels painted by
// the toolkit (per-item font, colours and bold, hot tracking, selection
// colours that follow focus and enabled state), multiple selection emulated
// on the native selected bits (Ctrl and Shift clicks and keys, a rubber
// band, click-versus-drag detection), and tree walking and text search.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/geometry.h"
#include "platform/controls/afxcmn.h"

// Per-item font and colours. An empty face name means no font of its own;
// -1 means no colour of its own.
struct CLRFONT {
  LOGFONTW logfont{};
  COLORREF color = static_cast<COLORREF>(-1);
  COLORREF colorBack = static_cast<COLORREF>(-1);
};

// What an item has of its own, kept small (a tree may colour every item):
// colours as in CLRFONT, and its font as an index into the tree's list of
// item fonts, -1 for none.
struct CTKTreeItemStyle {
  COLORREF color = static_cast<COLORREF>(-1);
  COLORREF colorBack = static_cast<COLORREF>(-1);
  int font = -1;
};

using CTKTreeItemList = std::vector<HTREEITEM>;
using CTKTreeItemSet = std::unordered_set<HTREEITEM>;

class CTKTreeBase {
 public:
  CTKTreeBase();
  virtual ~CTKTreeBase();
  CTKTreeBase(const CTKTreeBase&) = delete;
  CTKTreeBase& operator=(const CTKTreeBase&) = delete;

  // ---- walking ----
  virtual HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const;
  // Pre-order successor whatever is expanded; null after the last item.
  virtual HTREEITEM GetNextItem(HTREEITEM hItem) const;
  virtual HTREEITEM GetPrevItem(HTREEITEM hItem) const;
  // The deepest last descendant of the item (of the last root item for null).
  virtual HTREEITEM GetLastItem(HTREEITEM hItem) const;

  // ---- search ----
  // Walks from hStart itself (else the caret, else the root) down or up,
  // wrapping once, until it is back at the start. Null for an empty text.
  virtual HTREEITEM FindItem(LPCTSTR lpszSearch, BOOL bCaseSensitive = FALSE, BOOL bDownDir = TRUE,
                             BOOL bWholeWord = FALSE, HTREEITEM hStart = nullptr);
  // Each child's subtree before the child itself.
  virtual HTREEITEM FindInChildren(LPCTSTR lpszSearch, BOOL bCaseSensitive = FALSE, BOOL bWholeWord = FALSE,
                                   HTREEITEM hParent = nullptr);

  // ---- item styles ----
  virtual void SetItemFont(HTREEITEM hItem, const LOGFONTW& logfont);
  virtual BOOL GetItemFont(HTREEITEM hItem, LOGFONTW* pLogFont);
  virtual void SetItemBold(HTREEITEM hItem, BOOL bBold = TRUE);
  virtual BOOL GetItemBold(HTREEITEM hItem);
  virtual void SetItemColor(HTREEITEM hItem, COLORREF color);
  virtual void SetItemBackColor(HTREEITEM hItem, COLORREF color);
  virtual COLORREF GetItemColor(HTREEITEM hItem);
  virtual COLORREF GetStateBackColor(UINT nState, BOOL bFocus, DWORD dwStyle, COLORREF clrDefault);
  virtual COLORREF GetItemBackColor(HTREEITEM hItem);

  // ---- selection ----
  // Returns the previous setting; switching off keeps only the caret
  // selected (if it was).
  virtual BOOL EnableMultiSelect(BOOL bMultiSelect = TRUE);
  virtual HTREEITEM GetPrevSelectedItem(HTREEITEM hItem) const;

  // ---- window ----
  // IsWindow of the control; also the hook run once the window exists.
  virtual BOOL IsWindowValid() const;
  // WM_NOTIFY to the owner, else the parent; 0 when there is neither.
  virtual LRESULT SendNotify(NMHDR* pNMHDR);
  virtual void SelectAllVisible(BOOL bSelect = TRUE, HTREEITEM hExcept = nullptr);

  // ---- mouse ----
  // Selection, drag detection or the rubber band for a press; TRUE unless a
  // press on an item ended without a click or a drag.
  virtual BOOL OnButtonDown(BOOL bLeft, UINT nFlags, CPoint point);
  virtual void SelectItemOnClick(HTREEITEM hItem, BOOL bLeft, UINT nFlags);
  // Captures the mouse until a release (a click), a move beyond the drag
  // distance (a drag) or the loss of the capture; answers the click
  // notification's result.
  virtual LRESULT TrackDragStart(HTREEITEM hItem, BOOL bLeft, UINT nFlags, CPoint point);
  virtual void TrackRubberBand(UINT nFlags, CPoint point);
  virtual void SelectItemsInRect(CRect rect, UINT nFlags, CTKTreeItemSet* pList);

  // A subclass may refuse matches of the search.
  virtual BOOL IsFindValid(HTREEITEM hItem);

  // ---- painting ----
  // The native tree into a buffer, then (bContent) the labels over it.
  virtual void DoPaint(CDC& dc, BOOL bContent = TRUE);
  virtual COLORREF GetBackColor() const;
  virtual COLORREF GetTextColor() const;
  virtual COLORREF GetStateTextColor(UINT nState, BOOL bFocus, DWORD dwStyle, COLORREF clrDefault);

  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

  // ---- selection (not virtual) ----
  // The native state; TVIS_FOCUSED in the mask adds that bit for the caret.
  UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const;
  BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask);
  BOOL SelectItem(HTREEITEM hItem);
  // Makes the item the caret without changing its selected bit; null takes
  // the caret away.
  BOOL SetFocusItem(HTREEITEM hItem);
  BOOL IsMultiSelect() const { return m_bMultiSelect; }
  UINT GetSelectedCount() const;
  HTREEITEM GetFirstSelectedItem() const;
  HTREEITEM GetNextSelectedItem(HTREEITEM hItem) const;
  // The selected visible items in order.
  void GetSelectedList(CTKTreeItemList& list) const;
  void SelectItems(BOOL bSelect, HTREEITEM hFrom = nullptr);
  // Inclusive, in visible order whichever of the two comes first.
  void SelectRange(HTREEITEM hFirst, HTREEITEM hLast, BOOL bOnly = TRUE);
  // TRUE when the caret was among the items visited.
  BOOL SelectChildren(HTREEITEM hParent, BOOL bSelect = TRUE, BOOL bRecurse = TRUE);
  BOOL IsEditLabels() const;

#ifndef NDEBUG
  // The first broken invariant of the tree (parent, child and sibling links
  // that agree both ways, every item reached once, the remembered anchor,
  // hot and editing items alive, only the caret selected without multiple
  // selection), empty when all hold. Debug builds only.
  std::string CheckInvariants() const;
#endif

  HTREEITEM GetHotItem() const { return m_hHotItem; }
  HTREEITEM GetAnchorItem() const { return m_hSelect; }

 protected:
  HWND TreeHwnd() const;
  DWORD TreeStyle() const;
  HTREEITEM Caret() const;
  BOOL IsNativeSelected(HTREEITEM hItem) const;
  BOOL SetNativeState(HTREEITEM hItem, UINT nState, UINT nStateMask);
  void FillNotify(NMTREEVIEWW& nm, UINT code, HTREEITEM hItem, BOOL bNew) const;
  BOOL MatchesText(HTREEITEM hItem, const CString& search, BOOL bCaseSensitive, BOOL bWholeWord) const;
  // The item's own style, null when it has none (or is no item).
  const CTKTreeItemStyle* FindStyle(HTREEITEM hItem) const;
  // Changes the item's style through `change`; a style back to the default
  // is no style.
  template <typename Change>
  void ChangeStyle(HTREEITEM hItem, Change change);
  // The item's slot in the tree (pv::controls::TreeItemSlot), -1 for none.
  std::ptrdiff_t ItemSlot(HTREEITEM hItem) const;
  // TRUE while the handle is an item of this tree.
  BOOL IsTreeItem(HTREEITEM hItem) const { return hItem && ItemSlot(hItem) >= 0; }
  // The visible item to visit after hItem changed its selection (which
  // notified the owner); hNextBefore is the one read before the change.
  HTREEITEM NextVisibleAfterChange(HTREEITEM hItem, HTREEITEM hNextBefore) const;
  std::uint32_t InternStyle(const CTKTreeItemStyle& style);
  void ReleaseStyle(std::uint32_t ref);
  // Marks the whole tree for repainting, once until it paints.
  void InvalidateTree();
  // The item font's index in m_itemFonts, added when new.
  int ItemFontIndex(const LOGFONTW& logfont);
  void PaintLabels(CDC& dc);
  // Forgets an item the tree deleted.
  void ForgetItem(HTREEITEM hItem);
  // Forgets every item (the tree has deleted them all).
  void ForgetAllItems();

  // Handlers the window's message map calls.
  void HandleKeyDown(UINT nChar);
  void HandleMouseMove(CPoint point);
  BOOL HandleHotTimer(UINT_PTR nIDEvent);
  void HandleNcMouseMove();
  void InvalidateSelectedLabels();
  void HandleCollapse(HTREEITEM hItem);

  BOOL m_bMultiSelect = FALSE;
  BOOL m_bBandLabel = TRUE;       // the band tests label rectangles, not rows
  HTREEITEM m_hSelect = nullptr;  // anchor of Shift ranges
  HTREEITEM m_hEditItem = nullptr;
  HTREEITEM m_hHotItem = nullptr;
  // Item styles: each distinct style is kept once and counted; an item
  // refers to its style by a number kept at the item's slot in the tree, 4
  // bytes an item (a tree may colour every one of 10^5 items with a few
  // colours).
  struct StyleUse {
    CTKTreeItemStyle style;
    std::uint32_t uses = 0;
  };
  std::vector<std::uint32_t> m_styleOfSlot;  // 0: none, else 1 + index into m_styles
  std::vector<StyleUse> m_styles;
  std::vector<std::uint32_t> m_freeStyles;                                    // indexes into m_styles no item uses
  std::map<std::tuple<COLORREF, COLORREF, int>, std::uint32_t> m_styleIndex;  // index by value
  std::vector<LOGFONTW> m_itemFonts;                                          // each distinct font given to items, once
  // Set once the whole tree was marked for repainting, until it paints:
  // colouring 10^5 items asks for one repaint, not 10^5.
  BOOL m_bWholeInvalid = FALSE;
  CTreeCtrl* m_pTree = nullptr;
  // Set while the tree deletes every item: ForgetAllItems follows.
  BOOL m_bForgettingAll = FALSE;
  BYTE m_bClickFinished = FALSE;
  BYTE m_bLastClickOnItem = TRUE;

  static constexpr UINT_PTR kBandTimer = 1;
  static constexpr UINT kBandTimerMs = 75;
  static constexpr UINT_PTR kHotTimer = 85;
  static constexpr UINT kHotTimerMs = 55;
};
