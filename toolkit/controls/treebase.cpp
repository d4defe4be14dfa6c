#include "toolkit/controls/treebase.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/base/wstr.h"
#include "toolkit/common/colormanager.h"
#include "toolkit/common/modulehandle.h"
#include "toolkit/common/osversioninfo.h"
#include "toolkit/common/scopeddc.h"

namespace {

constexpr UINT kSelected = TVIS_SELECTED;
constexpr UINT kCaret = TVIS_FOCUSED;
constexpr COLORREF kNoColor = static_cast<COLORREF>(-1);
// The native colours count from this common-controls version on.
constexpr DWORD kComCtlWithColors = 0x40047;

bool IsNavigationKey(UINT vk) {
  switch (vk) {
    case VK_BACK:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_MULTIPLY:
    case VK_ADD:
    case VK_SUBTRACT:
      return true;
    default:
      return false;
  }
}

bool IsWordChar(char16_t c) { return c == u'_' || IsCharAlpha(c); }

bool SameFont(const LOGFONTW& a, const LOGFONTW& b) {
  return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
         a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
         std::char_traits<WCHAR>::compare(a.lfFaceName, b.lfFaceName, LF_FACESIZE) == 0;
}

}  // namespace

CTKTreeBase::CTKTreeBase() = default;
CTKTreeBase::~CTKTreeBase() = default;

HWND CTKTreeBase::TreeHwnd() const { return m_pTree ? m_pTree->GetSafeHwnd() : nullptr; }
DWORD CTKTreeBase::TreeStyle() const {
  HWND h = TreeHwnd();
  return h ? static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)) : 0;
}
HTREEITEM CTKTreeBase::Caret() const { return m_pTree->GetSelectedItem(); }
BOOL CTKTreeBase::IsNativeSelected(HTREEITEM hItem) const {
  return hItem && (m_pTree->GetItemState(hItem, kSelected) & kSelected) != 0;
}
BOOL CTKTreeBase::SetNativeState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
  return m_pTree->CTreeCtrl::SetItemState(hItem, nState, nStateMask);
}
BOOL CTKTreeBase::IsWindowValid() const {
  HWND h = TreeHwnd();
  return h && ::IsWindow(h);
}
BOOL CTKTreeBase::IsEditLabels() const { return (TreeStyle() & TVS_EDITLABELS) != 0; }

// ---- walking ----

HTREEITEM CTKTreeBase::GetNextItem(HTREEITEM hItem, UINT nCode) const {
  return m_pTree->CTreeCtrl::GetNextItem(hItem, nCode);
}

HTREEITEM CTKTreeBase::GetNextItem(HTREEITEM hItem) const {
  if (!hItem) return nullptr;
  // A child count that promises children the item does not have moves on.
  if (m_pTree->ItemHasChildren(hItem))
    if (HTREEITEM child = m_pTree->GetChildItem(hItem)) return child;
  for (HTREEITEM h = hItem; h; h = m_pTree->GetParentItem(h))
    if (HTREEITEM next = m_pTree->GetNextSiblingItem(h)) return next;
  return nullptr;
}

HTREEITEM CTKTreeBase::GetPrevItem(HTREEITEM hItem) const {
  if (!hItem) return nullptr;
  if (HTREEITEM prev = m_pTree->GetPrevSiblingItem(hItem)) return GetLastItem(prev);
  return m_pTree->GetParentItem(hItem);
}

HTREEITEM CTKTreeBase::GetLastItem(HTREEITEM hItem) const {
  if (!hItem) {
    hItem = m_pTree->GetRootItem();
    if (!hItem) return nullptr;
    while (HTREEITEM next = m_pTree->GetNextSiblingItem(hItem)) hItem = next;
  }
  while (m_pTree->ItemHasChildren(hItem)) {
    HTREEITEM child = m_pTree->GetChildItem(hItem);
    if (!child) break;
    while (HTREEITEM next = m_pTree->GetNextSiblingItem(child)) child = next;
    hItem = child;
  }
  return hItem;
}

// ---- search ----

BOOL CTKTreeBase::MatchesText(HTREEITEM hItem, const CString& search, BOOL bCaseSensitive, BOOL bWholeWord) const {
  CString text = m_pTree->GetItemText(hItem);
  if (!bCaseSensitive) text.MakeLower();
  const int len = search.GetLength();
  for (int at = text.Find(search); at >= 0; at = text.Find(search, at + 1)) {
    if (!bWholeWord) return TRUE;
    bool before = at > 0 && IsWordChar(text[at - 1]);
    bool after = at + len < text.GetLength() && IsWordChar(text[at + len]);
    if (!before && !after) return TRUE;
  }
  return FALSE;
}

BOOL CTKTreeBase::IsFindValid(HTREEITEM) { return TRUE; }

HTREEITEM CTKTreeBase::FindItem(LPCTSTR lpszSearch, BOOL bCaseSensitive, BOOL bDownDir, BOOL bWholeWord,
                                HTREEITEM hStart) {
  if (!lpszSearch || !*lpszSearch) return nullptr;
  CString search(lpszSearch);
  if (!bCaseSensitive) search.MakeLower();
  HTREEITEM start = hStart ? hStart : Caret();
  if (!start) start = m_pTree->GetRootItem();
  if (!start) return nullptr;
  auto step = [&](HTREEITEM h) {
    HTREEITEM next = bDownDir ? GetNextItem(h) : GetPrevItem(h);
    if (!next) next = bDownDir ? m_pTree->GetRootItem() : GetLastItem(nullptr);
    return next;
  };
  // Every item once in walking order, from the start item itself.
  for (HTREEITEM h = start; h;) {
    if (MatchesText(h, search, bCaseSensitive, bWholeWord) && IsFindValid(h)) return h;
    h = step(h);
    if (h == start) return nullptr;
  }
  return nullptr;
}

HTREEITEM CTKTreeBase::FindInChildren(LPCTSTR lpszSearch, BOOL bCaseSensitive, BOOL bWholeWord, HTREEITEM hParent) {
  if (!lpszSearch || !*lpszSearch) return nullptr;
  HTREEITEM child = hParent ? m_pTree->GetChildItem(hParent) : m_pTree->GetRootItem();
  if (!child) return nullptr;
  CString search(lpszSearch);
  if (!bCaseSensitive) search.MakeLower();
  for (; child; child = m_pTree->GetNextSiblingItem(child)) {
    if (HTREEITEM found = FindInChildren(lpszSearch, bCaseSensitive, bWholeWord, child)) return found;
    if (MatchesText(child, search, bCaseSensitive, bWholeWord) && IsFindValid(child)) return child;
  }
  return nullptr;
}

#ifndef NDEBUG
std::string CTKTreeBase::CheckInvariants() const {
  if (!m_pTree || !TreeHwnd()) return {};
  std::unordered_set<HTREEITEM> seen;
  const UINT count = m_pTree->GetCount();
  // Depth first over every item, expanded or not.
  std::vector<std::pair<HTREEITEM, HTREEITEM>> stack;  // (first child, parent)
  stack.emplace_back(m_pTree->GetRootItem(), nullptr);
  while (!stack.empty()) {
    auto [h, parent] = stack.back();
    stack.pop_back();
    HTREEITEM prev = nullptr;
    for (; h; prev = h, h = m_pTree->GetNextSiblingItem(h)) {
      if (!seen.insert(h).second) return "an item is reached twice";
      if (seen.size() > count) return "more items reached than the tree counts";
      if (!IsTreeItem(h)) return "a linked handle is no item";
      if (m_pTree->GetParentItem(h) != parent) return "a child does not name its parent";
      if (m_pTree->GetPrevSiblingItem(h) != prev) return "siblings do not link back";
      if (HTREEITEM child = m_pTree->GetChildItem(h)) stack.emplace_back(child, h);
    }
  }
  if (seen.size() != count) return "the tree counts items no walk reaches";
  for (HTREEITEM remembered : {m_hSelect, m_hHotItem, m_hEditItem})
    if (remembered && !seen.count(remembered)) return "a remembered item is gone";
  const HTREEITEM caret = Caret();
  if (caret && !seen.count(caret)) return "the caret is no item";
  if (!m_bMultiSelect)
    for (HTREEITEM h : seen)
      if (h != caret && IsNativeSelected(h)) return "an item other than the caret is selected";
  return {};
}
#endif

// ---- item styles ----

std::ptrdiff_t CTKTreeBase::ItemSlot(HTREEITEM hItem) const {
  return hItem ? pv::controls::TreeItemSlot(TreeHwnd(), hItem) : -1;
}

const CTKTreeItemStyle* CTKTreeBase::FindStyle(HTREEITEM hItem) const {
  const std::ptrdiff_t slot = ItemSlot(hItem);
  if (slot < 0 || static_cast<std::size_t>(slot) >= m_styleOfSlot.size()) return nullptr;
  const std::uint32_t ref = m_styleOfSlot[static_cast<std::size_t>(slot)];
  return ref ? &m_styles[ref - 1].style : nullptr;
}

std::uint32_t CTKTreeBase::InternStyle(const CTKTreeItemStyle& style) {
  if (style.color == kNoColor && style.colorBack == kNoColor && style.font < 0) return 0;
  const auto key = std::make_tuple(style.color, style.colorBack, style.font);
  auto it = m_styleIndex.find(key);
  if (it == m_styleIndex.end()) {
    std::uint32_t index;
    if (!m_freeStyles.empty()) {
      index = m_freeStyles.back();
      m_freeStyles.pop_back();
      m_styles[index] = StyleUse{style, 0};
    } else {
      index = static_cast<std::uint32_t>(m_styles.size());
      m_styles.push_back(StyleUse{style, 0});
    }
    it = m_styleIndex.emplace(key, index).first;
  }
  ++m_styles[it->second].uses;
  return it->second + 1;
}

void CTKTreeBase::ReleaseStyle(std::uint32_t ref) {
  if (!ref) return;
  StyleUse& use = m_styles[ref - 1];
  if (--use.uses) return;
  m_styleIndex.erase(std::make_tuple(use.style.color, use.style.colorBack, use.style.font));
  m_freeStyles.push_back(ref - 1);
}

template <typename Change>
void CTKTreeBase::ChangeStyle(HTREEITEM hItem, Change change) {
  const std::ptrdiff_t slot = ItemSlot(hItem);
  if (slot < 0) return;  // no item of this tree
  const auto at = static_cast<std::size_t>(slot);
  if (at >= m_styleOfSlot.size()) m_styleOfSlot.resize(std::max(at + 1, m_styleOfSlot.size() * 3 / 2), 0);
  std::uint32_t& ref = m_styleOfSlot[at];
  CTKTreeItemStyle style = ref ? m_styles[ref - 1].style : CTKTreeItemStyle{};
  change(style);
  const std::uint32_t now = InternStyle(style);
  ReleaseStyle(ref);
  ref = now;
}

void CTKTreeBase::InvalidateTree() {
  HWND h = TreeHwnd();
  if (!h || m_bWholeInvalid) return;
  ::InvalidateRect(h, nullptr, TRUE);
  m_bWholeInvalid = TRUE;
}

int CTKTreeBase::ItemFontIndex(const LOGFONTW& logfont) {
  for (std::size_t i = 0; i < m_itemFonts.size(); ++i)
    if (std::memcmp(&m_itemFonts[i], &logfont, sizeof logfont) == 0) return static_cast<int>(i);
  m_itemFonts.push_back(logfont);
  return static_cast<int>(m_itemFonts.size() - 1);
}

void CTKTreeBase::SetItemFont(HTREEITEM hItem, const LOGFONTW& logfont) {
  // An empty face name is no font of the item's own.
  const int font = logfont.lfFaceName[0] ? ItemFontIndex(logfont) : -1;
  ChangeStyle(hItem, [&](CTKTreeItemStyle& style) { style.font = font; });
}

BOOL CTKTreeBase::GetItemFont(HTREEITEM hItem, LOGFONTW* pLogFont) {
  const CTKTreeItemStyle* style = FindStyle(hItem);
  if (!style || style->font < 0) return FALSE;
  if (pLogFont) *pLogFont = m_itemFonts[static_cast<std::size_t>(style->font)];
  return TRUE;
}

void CTKTreeBase::SetItemBold(HTREEITEM hItem, BOOL bBold) {
  SetItemState(hItem, bBold ? TVIS_BOLD : 0, TVIS_BOLD);
  InvalidateTree();
}

BOOL CTKTreeBase::GetItemBold(HTREEITEM hItem) { return (GetItemState(hItem, TVIS_BOLD) & TVIS_BOLD) != 0; }

void CTKTreeBase::SetItemColor(HTREEITEM hItem, COLORREF color) {
  ChangeStyle(hItem, [&](CTKTreeItemStyle& style) { style.color = color; });
  InvalidateTree();
}

void CTKTreeBase::SetItemBackColor(HTREEITEM hItem, COLORREF color) {
  ChangeStyle(hItem, [&](CTKTreeItemStyle& style) { style.colorBack = color; });
  InvalidateTree();
}

COLORREF CTKTreeBase::GetItemColor(HTREEITEM hItem) {
  const CTKTreeItemStyle* style = FindStyle(hItem);
  return style ? style->color : kNoColor;
}

COLORREF CTKTreeBase::GetItemBackColor(HTREEITEM hItem) {
  const CTKTreeItemStyle* style = FindStyle(hItem);
  return style ? style->colorBack : kNoColor;
}

COLORREF CTKTreeBase::GetBackColor() const {
  HWND h = TreeHwnd();
  if (h && !::IsWindowEnabled(h)) return GetColorManager()->GetColor(COLOR_BTNFACE);
  if (h && GetComCtl32Version() >= kComCtlWithColors) {
    COLORREF native = m_pTree->GetBkColor();
    if (native != kNoColor) return native;
  }
  return GetColorManager()->GetColor(COLOR_WINDOW);
}

COLORREF CTKTreeBase::GetTextColor() const {
  HWND h = TreeHwnd();
  if (h && !::IsWindowEnabled(h)) return GetColorManager()->GetColor(COLOR_GRAYTEXT);
  if (h && GetComCtl32Version() >= kComCtlWithColors) {
    COLORREF native = m_pTree->CTreeCtrl::GetTextColor();
    if (native != kNoColor) return native;
  }
  return GetColorManager()->GetColor(COLOR_WINDOWTEXT);
}

COLORREF CTKTreeBase::GetStateBackColor(UINT nState, BOOL bFocus, DWORD dwStyle, COLORREF clrDefault) {
  if (!(nState & (kSelected | TVIS_DROPHILITED))) return clrDefault;
  HWND h = TreeHwnd();
  bool enabled = !h || ::IsWindowEnabled(h);
  if (bFocus || (nState & TVIS_DROPHILITED))
    return GetColorManager()->GetColor(enabled ? COLOR_HIGHLIGHT : COLOR_GRAYTEXT);
  if (dwStyle & TVS_SHOWSELALWAYS) return GetColorManager()->GetColor(enabled ? COLOR_BTNFACE : COLOR_GRAYTEXT);
  return clrDefault;
}

COLORREF CTKTreeBase::GetStateTextColor(UINT nState, BOOL bFocus, DWORD dwStyle, COLORREF clrDefault) {
  if (!(nState & (kSelected | TVIS_DROPHILITED))) return clrDefault;
  HWND h = TreeHwnd();
  bool enabled = !h || ::IsWindowEnabled(h);
  if (bFocus || (nState & TVIS_DROPHILITED))
    return GetColorManager()->GetColor(enabled ? COLOR_HIGHLIGHTTEXT : COLOR_BTNFACE);
  if (dwStyle & TVS_SHOWSELALWAYS) return GetColorManager()->GetColor(enabled ? COLOR_WINDOWTEXT : COLOR_BTNFACE);
  return clrDefault;
}

void CTKTreeBase::ForgetItem(HTREEITEM hItem) {
  if (!m_bForgettingAll) {
    // The slot goes to a later item: it must not inherit this one's style.
    const std::ptrdiff_t slot = ItemSlot(hItem);
    if (slot >= 0 && static_cast<std::size_t>(slot) < m_styleOfSlot.size()) {
      ReleaseStyle(m_styleOfSlot[static_cast<std::size_t>(slot)]);
      m_styleOfSlot[static_cast<std::size_t>(slot)] = 0;
    }
  }
  // Handles may be reused for later items: keep none of a deleted one.
  if (m_hSelect == hItem) m_hSelect = nullptr;
  if (m_hHotItem == hItem) m_hHotItem = nullptr;
  if (m_hEditItem == hItem) m_hEditItem = nullptr;
}

void CTKTreeBase::ForgetAllItems() {
  m_styleOfSlot = {};
  m_styles = {};
  m_freeStyles = {};
  m_styleIndex.clear();
  m_itemFonts.clear();
  m_bWholeInvalid = FALSE;
  m_hSelect = m_hHotItem = m_hEditItem = nullptr;
}

// ---- selection ----

UINT CTKTreeBase::GetItemState(HTREEITEM hItem, UINT nStateMask) const {
  UINT state = m_pTree->CTreeCtrl::GetItemState(hItem, nStateMask & ~kCaret);
  if ((nStateMask & kCaret) && hItem && hItem == Caret()) state |= kCaret;
  return state;
}

void CTKTreeBase::FillNotify(NMTREEVIEWW& nm, UINT code, HTREEITEM hItem, BOOL bNew) const {
  nm = NMTREEVIEWW{};
  nm.hdr.hwndFrom = TreeHwnd();
  nm.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(TreeHwnd()));
  nm.hdr.code = code;
  TVITEMW& item = bNew ? nm.itemNew : nm.itemOld;
  item.mask = TVIF_HANDLE | TVIF_PARAM;
  item.hItem = hItem;
  item.lParam = hItem ? static_cast<LPARAM>(m_pTree->GetItemData(hItem)) : 0;
}

BOOL CTKTreeBase::SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
  if (!hItem) return FALSE;
  if (!m_bMultiSelect) return SetNativeState(hItem, nState, nStateMask);

  const HTREEITEM caret = Caret();
  const bool isCaret = hItem == caret;
  const bool caretSelected = IsNativeSelected(caret);
  const bool itemSelected = IsNativeSelected(hItem);
  UINT newState = nState & ~kCaret;
  UINT newMask = nStateMask & ~kCaret;

  bool madeCaret = false;
  if ((nStateMask & kCaret) && (nState & kCaret)) {
    // The native control selects whatever becomes its caret and deselects
    // the caret it leaves: put the old caret's bit back afterwards.
    const bool moving = caret && !isCaret;
    if (moving) {
      m_pTree->CTreeCtrl::SelectItem(nullptr);
      SetNativeState(caret, kSelected, kSelected);
    }
    if (!m_pTree->CTreeCtrl::SelectItem(hItem)) return FALSE;
    madeCaret = !isCaret;
    if (moving) SetNativeState(caret, caretSelected ? kSelected : 0, kSelected);
    if (!(nStateMask & kSelected) && !itemSelected) {
      // Keep the item's unselected look (announced like any deselection).
      newMask |= kSelected;
      newState &= ~kSelected;
    }
  } else if ((nStateMask & kCaret) && isCaret) {
    m_pTree->CTreeCtrl::SelectItem(nullptr);
    if (itemSelected) SetNativeState(hItem, kSelected, kSelected);
    if ((nStateMask & kSelected) && (nState & kSelected) && itemSelected) {
      newState &= ~kSelected;
      newMask &= ~kSelected;
    }
  }

  if (newMask & kSelected) {
    const BOOL select = (newState & kSelected) != 0;
    NMTREEVIEWW nm;
    FillNotify(nm, TVN_SELCHANGING, hItem, select);
    TVITEMW& item = select ? nm.itemNew : nm.itemOld;
    item.state = newState;
    item.stateMask = newMask;
    if (SendNotify(&nm.hdr)) {
      // The native control selected its new caret: a refusal undoes that.
      if (madeCaret && IsWindowValid()) SetNativeState(hItem, itemSelected ? kSelected : 0, kSelected);
      return FALSE;
    }
    SetNativeState(hItem, newState & kSelected, kSelected);
    nm.hdr.code = TVN_SELCHANGED;
    SendNotify(&nm.hdr);
    newState &= ~kSelected;
    newMask &= ~kSelected;
  }
  if (newMask) return SetNativeState(hItem, newState, newMask);
  return TRUE;
}

BOOL CTKTreeBase::SelectItem(HTREEITEM hItem) {
  if (m_bMultiSelect) return SetItemState(hItem, kSelected | kCaret, kSelected | kCaret);
  return m_pTree->CTreeCtrl::SelectItem(hItem);
}

BOOL CTKTreeBase::SetFocusItem(HTREEITEM hItem) {
  if (hItem) return SetItemState(hItem, kCaret, kCaret);
  HTREEITEM caret = Caret();
  return caret ? SetItemState(caret, 0, kCaret) : TRUE;
}

BOOL CTKTreeBase::EnableMultiSelect(BOOL bMultiSelect) {
  BOOL previous = m_bMultiSelect;
  if (previous && !bMultiSelect && IsWindowValid()) {
    HTREEITEM caret = Caret();
    bool keep = IsNativeSelected(caret);
    SelectAllVisible(FALSE, caret);
    m_bMultiSelect = FALSE;
    if (keep) SelectItem(caret);
  }
  m_bMultiSelect = bMultiSelect;
  return previous;
}

UINT CTKTreeBase::GetSelectedCount() const {
  UINT count = 0;
  for (HTREEITEM h = m_pTree->GetRootItem(); h; h = m_pTree->GetNextVisibleItem(h))
    if (IsNativeSelected(h)) ++count;
  return count;
}

HTREEITEM CTKTreeBase::GetFirstSelectedItem() const {
  for (HTREEITEM h = m_pTree->GetRootItem(); h; h = m_pTree->GetNextVisibleItem(h))
    if (IsNativeSelected(h)) return h;
  return nullptr;
}

HTREEITEM CTKTreeBase::GetNextSelectedItem(HTREEITEM hItem) const {
  if (!hItem) return nullptr;
  for (HTREEITEM h = m_pTree->GetNextVisibleItem(hItem); h; h = m_pTree->GetNextVisibleItem(h))
    if (IsNativeSelected(h)) return h;
  return nullptr;
}

HTREEITEM CTKTreeBase::GetPrevSelectedItem(HTREEITEM hItem) const {
  if (!hItem) return nullptr;
  for (HTREEITEM h = m_pTree->GetPrevVisibleItem(hItem); h; h = m_pTree->GetPrevVisibleItem(h))
    if (IsNativeSelected(h)) return h;
  return nullptr;
}

void CTKTreeBase::GetSelectedList(CTKTreeItemList& list) const {
  list.clear();
  for (HTREEITEM h = m_pTree->GetRootItem(); h; h = m_pTree->GetNextVisibleItem(h))
    if (IsNativeSelected(h)) list.push_back(h);
}

HTREEITEM CTKTreeBase::NextVisibleAfterChange(HTREEITEM hItem, HTREEITEM hNextBefore) const {
  // The notification's handler may have changed the tree: the next item is
  // read now. When the item itself went, the one read before goes on if it
  // is still there; else the walk starts over (every walk skips items
  // already as wanted).
  if (IsTreeItem(hItem)) return m_pTree->GetNextVisibleItem(hItem);
  if (IsTreeItem(hNextBefore)) return hNextBefore;
  return m_pTree->GetRootItem();
}

void CTKTreeBase::SelectAllVisible(BOOL bSelect, HTREEITEM hExcept) {
  for (HTREEITEM h = m_pTree->GetRootItem(); h;) {
    HTREEITEM next = m_pTree->GetNextVisibleItem(h);
    if (h != hExcept && IsNativeSelected(h) != bool(bSelect)) {
      SetItemState(h, bSelect ? kSelected : 0, kSelected);
      next = NextVisibleAfterChange(h, next);
    }
    h = next;
  }
}

void CTKTreeBase::SelectItems(BOOL bSelect, HTREEITEM hFrom) {
  const HTREEITEM from = hFrom ? hFrom : m_pTree->GetRootItem();
  for (HTREEITEM h = from; h;) {
    HTREEITEM next = m_pTree->GetNextVisibleItem(h);
    if (IsNativeSelected(h) != bool(bSelect)) {
      SetItemState(h, bSelect ? kSelected : 0, kSelected);
      next = NextVisibleAfterChange(h, next);
      // Starting over begins at the first item again only when that is gone.
      if (next == m_pTree->GetRootItem() && IsTreeItem(from) && !IsTreeItem(h)) next = from;
    }
    h = next;
  }
}

void CTKTreeBase::SelectRange(HTREEITEM hFirst, HTREEITEM hLast, BOOL bOnly) {
  bool inside = false, done = false;
  for (HTREEITEM h = m_pTree->GetRootItem(); h;) {
    HTREEITEM next = m_pTree->GetNextVisibleItem(h);
    bool edge = h == hFirst || h == hLast;
    bool closes = inside && edge;
    if (!inside && !done && edge) {
      inside = true;
      if (hFirst == hLast) closes = true;
    }
    bool changed = false;
    if (inside) {
      if (!IsNativeSelected(h)) {
        SetItemState(h, kSelected, kSelected);
        changed = true;
      }
    } else if (bOnly && IsNativeSelected(h)) {
      SetItemState(h, 0, kSelected);
      changed = true;
    }
    if (closes) {
      inside = false;
      done = true;
    }
    if (changed) {
      next = NextVisibleAfterChange(h, next);
      if (!IsTreeItem(h) && next == m_pTree->GetRootItem()) inside = done = false;  // starting over
    }
    if (done && !bOnly) break;
    h = next;
  }
}

BOOL CTKTreeBase::SelectChildren(HTREEITEM hParent, BOOL bSelect, BOOL bRecurse) {
  BOOL caretSeen = FALSE;
  const HTREEITEM caret = Caret();
  // After a handler deleted the item: the sibling read before when it is
  // still there, else the children from the first again.
  auto resume = [&](HTREEITEM nextBefore) {
    if (IsTreeItem(nextBefore)) return nextBefore;
    return IsTreeItem(hParent) ? m_pTree->GetChildItem(hParent) : nullptr;
  };
  for (HTREEITEM h = m_pTree->GetChildItem(hParent); h;) {
    const HTREEITEM next = m_pTree->GetNextSiblingItem(h);
    if (IsNativeSelected(h) != bool(bSelect)) SetItemState(h, bSelect ? kSelected : 0, kSelected);
    if (!IsTreeItem(h)) {
      h = resume(next);
      continue;
    }
    if (h == caret) caretSeen = TRUE;
    if (bRecurse && (m_pTree->CTreeCtrl::GetItemState(h, TVIS_EXPANDED) & TVIS_EXPANDED))
      caretSeen |= SelectChildren(h, bSelect, TRUE);
    h = IsTreeItem(h) ? m_pTree->GetNextSiblingItem(h) : resume(next);
  }
  return caretSeen;
}

void CTKTreeBase::HandleCollapse(HTREEITEM hItem) {
  if (!m_bMultiSelect || !hItem) return;
  if (SelectChildren(hItem, FALSE, TRUE) && !IsNativeSelected(hItem)) SetFocusItem(hItem);
}

// ---- notification ----

LRESULT CTKTreeBase::SendNotify(NMHDR* pNMHDR) {
  HWND tree = TreeHwnd();
  if (!tree) return 0;
  CWnd* owner = m_pTree->GetOwner();
  HWND target = owner ? owner->GetSafeHwnd() : ::GetParent(tree);
  if (!target) return 0;
  return ::SendMessage(target, WM_NOTIFY, pNMHDR->idFrom, reinterpret_cast<LPARAM>(pNMHDR));
}

BOOL CTKTreeBase::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message != WM_KEYDOWN || !IsWindowValid()) return FALSE;
  if (IsEditLabels() && m_pTree->SendMessage(TVM_GETEDITCONTROL)) {
    // Enter and Escape belong to the label editor, not to a dialog.
    ::TranslateMessage(pMsg);
    ::DispatchMessage(pMsg);
    return TRUE;
  }
  if (pMsg->wParam == VK_RETURN) {
    if (HTREEITEM caret = Caret()) {
      m_pTree->Expand(caret, TVE_TOGGLE);
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CTKTreeBase::OnNotify(WPARAM, LPARAM lParam, LRESULT*) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (hdr && hdr->code == TTN_SHOW && hdr->hwndFrom)
    ::SetWindowPos(hdr->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return FALSE;
}

// ---- mouse ----

BOOL CTKTreeBase::OnButtonDown(BOOL bLeft, UINT nFlags, CPoint point) {
  if (!m_bMultiSelect) return TRUE;
  UINT hit = 0;
  HTREEITEM hItem = m_pTree->HitTest(point, &hit);
  if (hItem && ((hit & TVHT_ONITEMBUTTON) || (bLeft && (TreeStyle() & TVS_CHECKBOXES) && (hit & TVHT_ONITEMSTATEICON))))
    return TRUE;
  if (hItem && (hit & TVHT_ONITEM)) {
    SelectItemOnClick(hItem, bLeft, nFlags);
    TrackDragStart(hItem, bLeft, nFlags, point);
    return m_bClickFinished;
  }
  TrackRubberBand(nFlags, point);
  return TRUE;
}

void CTKTreeBase::SelectItemOnClick(HTREEITEM hItem, BOOL bLeft, UINT nFlags) {
  const bool shift = (nFlags & MK_SHIFT) != 0, ctrl = (nFlags & MK_CONTROL) != 0;
  if (bLeft) {
    if (shift) {
      if (!m_hSelect) m_hSelect = Caret();
      SetItemState(hItem, kCaret, kCaret);
      SelectRange(m_hSelect, hItem, !ctrl);
    } else if (ctrl) {
      m_hSelect = nullptr;  // the toggle comes with the release
    } else {
      if (!IsNativeSelected(hItem)) SelectAllVisible(FALSE, hItem);
      SetItemState(hItem, kSelected | kCaret, kSelected | kCaret);
      m_hSelect = nullptr;
    }
    return;
  }
  if (ctrl && !shift) {
    m_hSelect = hItem;
  } else if (!ctrl && !shift) {
    if (!IsNativeSelected(hItem)) SelectAllVisible(FALSE, hItem);
    SetItemState(hItem, kSelected | kCaret, kSelected | kCaret);
  }
}

LRESULT CTKTreeBase::TrackDragStart(HTREEITEM hItem, BOOL bLeft, UINT nFlags, CPoint point) {
  m_bClickFinished = FALSE;
  HWND tree = TreeHwnd();
  ::SetCapture(tree);
  const int cx = ::GetSystemMetrics(SM_CXDRAG), cy = ::GetSystemMetrics(SM_CYDRAG);
  enum class Outcome { None, Click, Drag } outcome = Outcome::None;
  MSG msg{};
  while (outcome == Outcome::None && ::GetCapture() == tree) {
    if (!::GetMessage(&msg, nullptr, 0, 0)) {
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == tree) {
      CPoint pt(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
      if (std::abs(pt.x - point.x) > cx || std::abs(pt.y - point.y) > cy) {
        outcome = Outcome::Drag;
        break;
      }
    }
    if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) {
      outcome = Outcome::Click;
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
  }
  if (::GetCapture() == tree) ::ReleaseCapture();
  if (outcome == Outcome::None || !::IsWindow(tree)) return 0;

  if (outcome == Outcome::Click) {
    if (bLeft && !(nFlags & MK_SHIFT)) {
      if (nFlags & MK_CONTROL) {
        SetItemState(hItem, (IsNativeSelected(hItem) ? 0 : kSelected) | kCaret, kSelected | kCaret);
      } else {
        SelectAllVisible(FALSE, hItem);
        SetItemState(hItem, kSelected | kCaret, kSelected | kCaret);
      }
    }
    if (::GetFocus() != tree) ::SetFocus(tree);
    NMTREEVIEWW nm;
    FillNotify(nm, bLeft ? static_cast<UINT>(NM_CLICK) : static_cast<UINT>(NM_RCLICK), hItem, TRUE);
    m_bClickFinished = TRUE;
    return SendNotify(&nm.hdr);
  }

  SetItemState(hItem, kSelected | kCaret, kSelected | kCaret);
  if (!(TreeStyle() & TVS_DISABLEDRAGDROP)) {
    NMTREEVIEWW nm;
    FillNotify(nm, bLeft ? TVN_BEGINDRAG : TVN_BEGINRDRAG, hItem, TRUE);
    nm.ptDrag = point;
    SendNotify(&nm.hdr);
  }
  m_bClickFinished = TRUE;
  return 0;
}

void CTKTreeBase::TrackRubberBand(UINT nFlags, CPoint point) {
  HWND tree = TreeHwnd();
  const bool shift = (nFlags & MK_SHIFT) != 0, ctrl = (nFlags & MK_CONTROL) != 0;
  ::SetFocus(tree);
  ::SetCapture(tree);
  CTKTreeItemSet earlier;
  if (shift || ctrl) {
    CTKTreeItemList list;
    GetSelectedList(list);
    earlier.insert(list.begin(), list.end());
  }
  CClientDC dc(m_pTree);
  CRect client;
  ::GetClientRect(tree, &client);
  const int cx = ::GetSystemMetrics(SM_CXDRAG), cy = ::GetSystemMetrics(SM_CYDRAG);
  ::SetTimer(tree, kBandTimer, kBandTimerMs, nullptr);
  int rowHeight = 0;
  if (HTREEITEM root = m_pTree->GetRootItem()) {
    CRect row;
    if (m_pTree->GetItemRect(root, &row, FALSE)) rowHeight = row.Height();
  }
  // The start is kept in scroll-independent coordinates so the band grows
  // from the same item while the tree scrolls under it.
  auto scrollOrigin = [&]() {
    int x = ::GetScrollPos(tree, SB_HORZ), y = ::GetScrollPos(tree, SB_VERT);
    return CPoint(x, rowHeight ? y * rowHeight : y);
  };
  const CPoint start = point + scrollOrigin();
  auto onScreen = [&](CPoint at) {
    CPoint origin = scrollOrigin();
    return CPoint(at.x - origin.x, at.y - origin.y);
  };
  const CSize frame(1, 1);
  bool started = false;
  CRect band;

  auto track = [&](CPoint pt) {
    if (!started) {
      if (std::abs(pt.x - point.x) <= cx && std::abs(pt.y - point.y) <= cy) return;
      started = true;
      if (!shift && !ctrl) SelectAllVisible(FALSE);
      ::UpdateWindow(tree);
      CPoint at = onScreen(start);
      band = CRect(at, at);
      dc.DrawDragRect(&band, frame, nullptr, frame);
    }
    dc.DrawDragRect(&band, frame, nullptr, frame);  // erases the last band
    if (pt.y < 0) ::SendMessage(tree, WM_VSCROLL, SB_LINEUP, 0);
    else if (pt.y >= client.bottom) ::SendMessage(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    if (pt.x < 0) ::SendMessage(tree, WM_HSCROLL, SB_LINELEFT, 0);
    else if (pt.x >= client.right) ::SendMessage(tree, WM_HSCROLL, SB_LINERIGHT, 0);
    band = CRect(onScreen(start), pt);
    band.NormalizeRect();
    SelectItemsInRect(band, nFlags, &earlier);
    dc.DrawDragRect(&band, frame, nullptr, frame);
  };

  MSG msg{};
  while (::GetCapture() == tree) {
    if (!::GetMessage(&msg, nullptr, 0, 0)) {
      if (msg.lParam != PV_DRY_CANCEL) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      SelectAllVisible(FALSE);
      break;
    }
    if (msg.message == WM_TIMER) {
      if (msg.hwnd != tree || msg.wParam != kBandTimer) continue;
      CPoint pt = msg.pt;
      ::ScreenToClient(tree, &pt);
      if (client.PtInRect(pt)) ::DispatchMessage(&msg);
      else track(pt);  // keeps scrolling while the mouse is held outside
      continue;
    }
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == tree) {
      track(CPoint(static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))));
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
  }
  if (!::IsWindow(tree)) return;
  ::KillTimer(tree, kBandTimer);
  if (::GetCapture() == tree) ::ReleaseCapture();
  if (started) dc.DrawDragRect(&band, frame, nullptr, frame);
  else if (!shift && !ctrl) SelectAllVisible(FALSE);  // a plain click on empty space
}

void CTKTreeBase::SelectItemsInRect(CRect rect, UINT nFlags, CTKTreeItemSet* pList) {
  const bool shift = (nFlags & MK_SHIFT) != 0, ctrl = (nFlags & MK_CONTROL) != 0;
  for (HTREEITEM h = m_pTree->GetRootItem(); h;) {
    HTREEITEM next = m_pTree->GetNextVisibleItem(h);
    CRect r, common;
    m_pTree->GetItemRect(h, &r, m_bBandLabel);
    const bool inside = common.IntersectRect(&r, &rect) != FALSE;
    const bool selected = IsNativeSelected(h);
    const bool listed = pList && pList->count(h);
    bool changed = true;
    if (inside) {
      if (!selected && !listed) SetItemState(h, kSelected, kSelected);
      else if (ctrl && listed && selected) SetItemState(h, 0, kSelected);  // Ctrl inverts the earlier selection
      else {
        changed = false;
        if (!ctrl && shift && listed) pList->erase(h);  // stays selected for good
      }
    } else if (listed && !selected) {
      SetItemState(h, kSelected, kSelected);
    } else if (!listed && selected) {
      SetItemState(h, 0, kSelected);
    } else {
      changed = false;
    }
    if (changed) {
      if (pList && !IsTreeItem(h)) pList->erase(h);
      next = NextVisibleAfterChange(h, next);
    }
    h = next;
  }
  if (HWND tree = TreeHwnd()) ::UpdateWindow(tree);
}

// ---- keyboard ----

void CTKTreeBase::HandleKeyDown(UINT nChar) {
  const bool shift = ::GetKeyState(VK_SHIFT) < 0, ctrl = ::GetKeyState(VK_CONTROL) < 0;
  if (!shift && !ctrl && IsNavigationKey(nChar)) {
    UINT count = GetSelectedCount();
    if (count > 1 || (count == 1 && !IsNativeSelected(Caret()))) SelectAllVisible(FALSE);
  }
  HTREEITEM remembered = nullptr;
  const bool page = nChar == VK_PRIOR || nChar == VK_NEXT;
  if (page || nChar == VK_UP || nChar == VK_DOWN) {
    remembered = Caret();
    if (!m_hSelect) m_hSelect = remembered;
    if (!shift && !ctrl) m_hSelect = nullptr;
  }
  m_pTree->Default();
  if ((shift || ctrl) && remembered && IsWindowValid()) {
    HTREEITEM target = nullptr;
    if (page) target = Caret();
    else target = nChar == VK_UP ? m_pTree->GetPrevVisibleItem(remembered) : m_pTree->GetNextVisibleItem(remembered);
    if (!target) target = remembered;
    if (shift) SelectRange(m_hSelect, target, TRUE);
    else SetItemState(target, kCaret, kCaret);
  }
}

// ---- hot tracking ----

void CTKTreeBase::HandleMouseMove(CPoint point) {
  if (!(TreeStyle() & TVS_TRACKSELECT)) return;
  UINT hit = 0;
  HTREEITEM hItem = m_pTree->HitTest(point, &hit);
  if (!(hit & TVHT_ONITEM)) hItem = nullptr;
  if (hItem == m_hHotItem) return;
  m_hHotItem = hItem;
  HWND tree = TreeHwnd();
  if (hItem) ::SetTimer(tree, kHotTimer, kHotTimerMs, nullptr);
  ::InvalidateRect(tree, nullptr, FALSE);
}

BOOL CTKTreeBase::HandleHotTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kHotTimer || !(TreeStyle() & TVS_TRACKSELECT)) return FALSE;
  HWND tree = TreeHwnd();
  if (!m_hHotItem) {
    ::KillTimer(tree, kHotTimer);
    return TRUE;
  }
  DWORD pos = ::GetMessagePos();
  POINT pt{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
  RECT window;
  ::GetWindowRect(tree, &window);
  if (::PtInRect(&window, pt)) return TRUE;
  ::KillTimer(tree, kHotTimer);
  m_hHotItem = nullptr;
  ::InvalidateRect(tree, nullptr, FALSE);
  return TRUE;
}

void CTKTreeBase::HandleNcMouseMove() {
  if (!m_hHotItem) return;
  m_hHotItem = nullptr;
  ::InvalidateRect(TreeHwnd(), nullptr, FALSE);
}

void CTKTreeBase::InvalidateSelectedLabels() {
  HWND tree = TreeHwnd();
  for (HTREEITEM h = m_pTree->GetRootItem(); h; h = m_pTree->GetNextVisibleItem(h)) {
    if (!IsNativeSelected(h)) continue;
    CRect r;
    if (m_pTree->GetItemRect(h, &r, TRUE)) ::InvalidateRect(tree, &r, FALSE);
  }
}

// ---- painting ----

void CTKTreeBase::DoPaint(CDC& dc, BOOL bContent) {
  HWND tree = TreeHwnd();
  CRect client;
  ::GetClientRect(tree, &client);
  CTKBufferDC buffer(dc.GetSafeHdc(), client);
  buffer.FillSolidRect(&client, GetBackColor());
  m_pTree->DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(buffer.GetSafeHdc()), 0);
  if (bContent) PaintLabels(buffer);
}

void CTKTreeBase::PaintLabels(CDC& dc) {
  HWND tree = TreeHwnd();
  const bool editing = m_pTree->SendMessage(TVM_GETEDITCONTROL) != 0;
  if (!editing) m_hEditItem = nullptr;
  const DWORD style = TreeStyle();
  const bool enabled = ::IsWindowEnabled(tree) != FALSE;
  const BOOL focus = ::GetFocus() == tree;
  const COLORREF back = GetBackColor(), text = GetTextColor();
  const HTREEITEM drop = m_pTree->GetDropHilightItem();
  const bool hotTracking = (style & TVS_TRACKSELECT) != 0;
  const CTKOSVersionInfo* os = GetOSVersionInfo();
  const int hotIndex = (os->IsWin95() || os->IsWinNT4()) ? COLOR_HIGHLIGHT : COLOR_HOTLIGHT;

  HFONT baseFont = reinterpret_cast<HFONT>(m_pTree->SendMessage(WM_GETFONT));
  if (!baseFont) baseFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW baseLf{};
  ::GetObject(baseFont, sizeof baseLf, &baseLf);

  HDC hdc = dc.GetSafeHdc();
  CRect client;
  ::GetClientRect(tree, &client);
  HGDIOBJ oldFont = ::SelectObject(hdc, baseFont);
  const int oldMode = ::SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldText = ::GetTextColor(hdc);

  UINT budget = m_pTree->GetVisibleCount() + 1;
  for (HTREEITEM h = m_pTree->GetFirstVisibleItem(); h && budget > 0; h = m_pTree->GetNextVisibleItem(h), --budget) {
    CRect label;
    if (!m_pTree->GetItemRect(h, &label, TRUE)) continue;
    CRect row(label.left, label.top, client.right, label.bottom);
    ::GdiFillSolidRect(hdc, &row, back);

    UINT state = GetItemState(h, kSelected | kCaret | TVIS_BOLD);
    if (h == drop) state |= TVIS_DROPHILITED;
    else if (drop) state &= ~kSelected;  // only the drop target shows selected
    COLORREF clrBack = GetStateBackColor(state, focus, style, back);
    COLORREF clrText = GetStateTextColor(state, focus, style, text);
    if (h == m_hEditItem) clrBack = clrText = back;  // its text hides under the edit box

    LOGFONTW lf = baseLf;
    const CTKTreeItemStyle* own = FindStyle(h);
    if (own && !(state & (kSelected | TVIS_DROPHILITED)) && enabled) {
      if (own->color != kNoColor) clrText = own->color;
      if (own->colorBack != kNoColor) clrBack = own->colorBack;
      if (own->font >= 0) lf = m_itemFonts[static_cast<std::size_t>(own->font)];
    }
    if (state & TVIS_BOLD) lf.lfWeight = FW_BOLD;
    if (hotTracking && h == m_hHotItem) {
      lf.lfUnderline = TRUE;
      if (!(state & kSelected)) clrText = GetColorManager()->GetColor(hotIndex);
    }
    HFONT itemFont = SameFont(lf, baseLf) ? nullptr : ::CreateFontIndirect(&lf);
    if (itemFont) ::SelectObject(hdc, itemFont);

    CString itemText = m_pTree->GetItemText(h);
    SIZE extent{};
    ::GetTextExtentPoint32(hdc, itemText, itemText.GetLength(), &extent);
    if (extent.cx + 2 > label.Width()) label.right = label.left + extent.cx + 2;
    if ((state & (kSelected | TVIS_DROPHILITED)) || clrBack != back) ::GdiFillSolidRect(hdc, &label, clrBack);
    ::SetTextColor(hdc, clrText);
    CRect textRect = label;
    textRect.left += 3;
    ::DrawText(hdc, itemText, itemText.GetLength(), &textRect, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (itemFont) {
      ::SelectObject(hdc, baseFont);
      ::DeleteObject(itemFont);
    }
    if ((state & kCaret) && !editing && enabled && focus) {
      ::SetTextColor(hdc, text);
      ::DrawFocusRect(hdc, &label);
    }
  }
  ::SetTextColor(hdc, oldText);
  ::SetBkMode(hdc, oldMode);
  ::SelectObject(hdc, oldFont);
}
