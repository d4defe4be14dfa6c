// The tree view. Items are linked nodes (parent, first/last child, next/
// previous sibling) so inserting at the end of a parent is constant time.
// The rows on screen come from a layout, made again once after any change
// to the visible shape: each shown item knows its row, and the layout keeps
// every 16th row's item, the rows between being found by walking on from it
// (RowAt). Painting walks only the rows that fit the client area.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/base/clock.h"
#include "platform/controls/ctl_internal.h"
#include "platform/gdi/imagelist.h"
#include "platform/gdi/textmeasure.h"

namespace pv::controls {
namespace {

// The labels of one tree, each in a slot of exactly its length inside
// chunks of the arena: no allocation (and no allocation header) per label.
// A label is found by a 32-bit reference (chunk << 16 | offset) and the
// length its item keeps. A slot freed (the item gone, its text changed to a
// longer one) is counted as waste; once the waste outgrows the live texts
// the tree moves its labels into a fresh arena (Compact).
class TextArena {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;

  std::uint32_t Store(std::u16string_view t) {
    if (t.empty()) return kNone;
    const std::size_t n = t.size();
    if (n > kChunkUnits) {  // a text of its own chunk
      AddChunk(n);
      used_ = kChunkUnits;  // the next text starts a new chunk
      std::copy(t.begin(), t.end(), chunks_.back().get());
      live_ += n;
      return Ref(chunks_.size() - 1, 0);
    }
    if (chunks_.empty() || capacity_.back() - used_ < n) {
      // Small trees keep small chunks; large ones 64 Ki units (128 KiB).
      const std::size_t next = chunks_.empty() ? 256 : std::min<std::size_t>(capacity_.back() * 2, kChunkUnits);
      AddChunk(std::max(next, n));
      used_ = 0;
    }
    const std::uint32_t ref = Ref(chunks_.size() - 1, used_);
    std::copy(t.begin(), t.end(), chunks_.back().get() + used_);
    used_ += n;
    live_ += n;
    return ref;
  }
  // Overwrites a stored text with one no longer than it, in place.
  void Overwrite(std::uint32_t ref, std::size_t oldLength, std::u16string_view t) {
    std::copy(t.begin(), t.end(), Data(ref));
    Release(oldLength - t.size());
  }
  // Frees `length` units of a slot (a whole text, or a shortened one's tail).
  void Release(std::size_t length) {
    live_ -= length;
    waste_ += length;
  }
  std::u16string_view View(std::uint32_t ref, std::size_t length) const {
    return ref == kNone ? std::u16string_view() : std::u16string_view(Data(ref), length);
  }
  bool WantsCompacting() const { return waste_ > kChunkUnits && waste_ > live_; }
  std::size_t LiveUnits() const { return live_; }

 private:
  static constexpr std::size_t kChunkUnits = 0x10000;
  static std::uint32_t Ref(std::size_t chunk, std::size_t offset) {
    if (chunk > 0xFFFF) throw std::bad_alloc();  // 8 GiB of labels
    return static_cast<std::uint32_t>(chunk << 16 | offset);
  }
  char16_t* Data(std::uint32_t ref) const { return chunks_[ref >> 16].get() + (ref & 0xFFFF); }
  void AddChunk(std::size_t units) {
    chunks_.push_back(std::make_unique_for_overwrite<char16_t[]>(units));
    capacity_.push_back(units);
  }

  std::vector<std::unique_ptr<char16_t[]>> chunks_;
  std::vector<std::size_t> capacity_;
  std::size_t used_ = 0;   // units used in the last chunk
  std::size_t live_ = 0;   // units of stored texts
  std::size_t waste_ = 0;  // units of freed slots
};

// An item: one cache line (a tree may hold 10^5, and a layout walks them
// all). What few items have (images, a child count) is kept beside the
// items (ItemExtra), the label in the tree's text arena. Siblings are linked
// both ways with the first child's `prev` pointing at the last child, so a
// parent reaches its last child without a pointer of its own.
struct alignas(64) Node {
  enum : std::uint8_t { kAlive = 1, kTextCallback = 2, kChildrenSet = 4, kExtra = 8 };
  Node* parent = nullptr;
  Node* first = nullptr;
  Node* next = nullptr;
  Node* prev = nullptr;  // the previous sibling; the last one for the first child
  LPARAM param = 0;
  std::uint32_t text = TextArena::kNone;  // the label's slot in the arena
  std::uint32_t textLength = 0;
  UINT state = 0;
  int row = -1;        // row in the layout numbered `layout`
  int textWidth = -1;  // measured label text, -1 until measured (or stale)
  std::int16_t level = 0;
  std::uint8_t flags = 0;
  std::uint8_t layout = 0;  // the number of the layout that gave the row; 0: none

  bool Has(std::uint8_t f) const { return (flags & f) != 0; }
  void Set(std::uint8_t f, bool on) { flags = on ? (flags | f) : (flags & ~f); }
  Node* Last() const { return first ? first->prev : nullptr; }
  Node* Previous() const { return parent && parent->first == this ? nullptr : prev; }
};
static_assert(sizeof(void*) != 8 || sizeof(Node) == 64);
constexpr int kMaxLevel = INT16_MAX;

// An item's images and child count, for the few items that have them.
struct ItemExtra {
  int image = 0, selImage = 0;
  int children = 0;  // cChildren as set; I_CHILDRENCALLBACK asks the parent
};

// The tree's items, held in blocks: one allocation per block rather than one
// per item, and all of them freed at once when the tree goes. A handle is
// an item's address; one the tree never gave out, or of a deleted item, is
// told apart by the blocks' address ranges and the slot's live mark. A
// deleted item's slot is reused by a later insert, as Windows reuses the
// memory of deleted items. Slots are numbered densely in the order the
// blocks were made (TreeItemSlot).
class NodePool {
 public:
  NodePool() = default;
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;
  ~NodePool() {
    for (Block& b : blocks_) ::operator delete (b.nodes, std::align_val_t{alignof(Node)});  // trivially destructible
  }

  Node* New() {
    Node* n;
    if (!free_.empty()) {
      n = free_.back();
      free_.pop_back();
    } else {
      if (!open_ || open_->used == open_->capacity) AddBlock();
      n = new (open_->nodes + open_->used) Node;
      ++open_->used;
    }
    n->flags = Node::kAlive;
    return n;
  }

  // Frees the slot for reuse; the caller has let go of the label.
  void Free(Node* n) {
    if (n->Has(Node::kExtra)) extras_.erase(n);
    *n = Node{};  // not alive
    free_.push_back(n);
  }

  // Whether `n` is a live item of this pool (null is not).
  bool Owns(const Node* n) const { return SlotOf(n) >= 0; }

  // The slot number of a live item, -1 for anything else.
  std::ptrdiff_t SlotOf(const Node* n) const {
    if (!n) return -1;
    const auto at = reinterpret_cast<std::uintptr_t>(n);
    // The last block starting at or below the address.
    auto it = std::upper_bound(byAddress_.begin(), byAddress_.end(), at, [](std::uintptr_t a, const Block* b) {
      return a < reinterpret_cast<std::uintptr_t>(b->nodes);
    });
    if (it == byAddress_.begin()) return -1;
    const Block* b = *(it - 1);
    const std::uintptr_t offset = at - reinterpret_cast<std::uintptr_t>(b->nodes);
    if (offset % sizeof(Node) != 0 || offset / sizeof(Node) >= b->used) return -1;
    if (!n->Has(Node::kAlive)) return -1;
    return static_cast<std::ptrdiff_t>(b->base + offset / sizeof(Node));
  }

  template <typename F>
  void ForEachLive(F&& f) {
    for (Block& b : blocks_)
      for (size_t i = 0; i < b.used; ++i)
        if (b.nodes[i].Has(Node::kAlive)) f(b.nodes[i]);
  }

  ItemExtra Extra(const Node* n) const {
    if (!n->Has(Node::kExtra)) return ItemExtra{};
    return extras_.find(n)->second;
  }
  ItemExtra& ExtraFor(Node* n) {
    n->Set(Node::kExtra, true);
    return extras_[n];
  }

 private:
  struct Block {
    Node* nodes;
    size_t used, capacity, base;
  };
  void AddBlock() {
    // Small trees stay small; large ones grow by blocks of a few thousand.
    const size_t capacity = std::min<size_t>(size_t{16} << std::min<size_t>(blocks_.size(), 8), 4096);
    const size_t base = blocks_.empty() ? 0 : blocks_.back().base + blocks_.back().capacity;
    blocks_.push_back(
        Block{static_cast<Node*>(::operator new (capacity * sizeof(Node), std::align_val_t{alignof(Node)})), 0,
              capacity, base});
    open_ = &blocks_.back();
    byAddress_.insert(std::upper_bound(byAddress_.begin(), byAddress_.end(), open_,
                                       [](const Block* a, const Block* b) {
                                         return reinterpret_cast<std::uintptr_t>(a->nodes) <
                                                reinterpret_cast<std::uintptr_t>(b->nodes);
                                       }),
                      open_);
  }

  std::deque<Block> blocks_;  // stable addresses for byAddress_
  std::vector<const Block*> byAddress_;
  Block* open_ = nullptr;
  std::vector<Node*> free_;
  std::unordered_map<const Node*, ItemExtra> extras_;
};
static_assert(std::is_trivially_destructible_v<Node>);

constexpr UINT_PTR kEditTimer = 0x7E01;
constexpr int kRowMark = 16;  // a layout keeps every kRowMark-th row's item
constexpr UINT_PTR kTypeAheadMs = 1000;

struct TreeState {
  Node root;
  NodePool pool;
  TextArena texts;
  size_t count = 0;
  bool destroying = false;  // the window goes: items are reported, not freed one by one
  // Every kRowMark-th row's item in the last layout, and the number of
  // rows. A list of every row would be 8 bytes an item of memory new to the
  // program in a large tree's first layout (a page fault every 512 rows).
  std::vector<Node*> rowMarks;
  int rows = 0;
  // The last layout's number, 1 to 255: an item's row is its own while it
  // carries this number, so hiding items needs no pass to clear their rows.
  std::uint8_t layout = 0;
  std::vector<Node*> unmeasured;  // a layout's rows whose label the parent gives
  int rowsExtent = -1;            // widest row of the last layout past the label start at level 0; -1: no rows
  bool visibleDirty = true;
  bool invalidPending = false;
  Node* caret = nullptr;
  Node* dropHilite = nullptr;
  Node* hot = nullptr;
  int top = 0;           // first row shown
  int scrollX = 0;       // pixels scrolled to the left
  int contentWidth = 0;  // widest visible row, unscrolled
  int indent = 19;
  int itemHeight = -1;  // -1: from the font and images
  HFONT font = nullptr;
  HIMAGELIST images = nullptr, stateImages = nullptr;
  COLORREF bk = CLR_NONE, textColor = CLR_NONE, lineColor = CLR_DEFAULT;
  bool focused = false;
  // Mouse press on an item: where, and whether the item was already selected.
  bool pressing = false, pressWasSelected = false, rightPress = false;
  POINT pressAt{};
  Node* pressed = nullptr;
  // Label editing.
  HWND edit = nullptr;
  Node* editing = nullptr;
  WNDPROC editProc = nullptr;
  Node* pendingEdit = nullptr;
  // Type-ahead.
  std::u16string typed;
  DWORD typedAt = 0;
};

DWORD Style(HWND h) { return static_cast<DWORD>(::GetWindowLong(h, GWL_STYLE)); }
HTREEITEM H(Node* n) { return reinterpret_cast<HTREEITEM>(n); }
Node* Find(TreeState* s, HTREEITEM item) {
  auto* n = reinterpret_cast<Node*>(item);
  return s->pool.Owns(n) ? n : nullptr;
}

std::u16string_view Label(const TreeState* s, const Node* n) { return s->texts.View(n->text, n->textLength); }

// Moves every label into a fresh arena, leaving the freed slots behind.
void CompactTexts(TreeState* s) {
  TextArena fresh;
  s->pool.ForEachLive([&](Node& n) {
    if (n.text != TextArena::kNone) n.text = fresh.Store(s->texts.View(n.text, n.textLength));
  });
  s->texts = std::move(fresh);
}

void ReleaseLabel(TreeState* s, Node* n) {
  if (n->text != TextArena::kNone) s->texts.Release(n->textLength);
  n->text = TextArena::kNone;
  n->textLength = 0;
}

void SetLabel(TreeState* s, Node* n, std::u16string_view t) {
  if (!t.empty() && n->text != TextArena::kNone && t.size() <= n->textLength) {
    s->texts.Overwrite(n->text, n->textLength, t);
  } else {
    ReleaseLabel(s, n);
    n->text = s->texts.Store(t);
  }
  n->textLength = static_cast<std::uint32_t>(t.size());
  if (s->texts.WantsCompacting()) CompactTexts(s);
}

void Invalidate(HWND h, TreeState* s) {
  if (s->invalidPending) return;
  s->invalidPending = true;
  ::InvalidateRect(h, nullptr, TRUE);
}
void ShapeChanged(HWND h, TreeState* s) {
  s->visibleDirty = true;
  Invalidate(h, s);
}

// The row after `n` in a layout: its first child when it is expanded, else
// its next sibling or that of its nearest ancestor with one.
Node* NextRow(const TreeState* s, Node* n) {
  if ((n->state & TVIS_EXPANDED) && n->first) return n->first;
  while (n && !n->next) n = n->parent == &s->root ? nullptr : n->parent;
  return n ? n->next : nullptr;
}

// The row before `n` in a layout: the last shown descendant of its
// previous sibling, else its parent.
Node* PreviousRow(const TreeState* s, Node* n) {
  Node* p = n->Previous();
  if (!p) return n->parent == &s->root ? nullptr : n->parent;
  while ((p->state & TVIS_EXPANDED) && p->first) p = p->Last();
  return p;
}

// The item at a row of the last layout, null past its rows. Rows are read
// after a layout (callers lay the tree out first); the marks are live items
// (deleting an item with a row drops them), so a walk over a tree changed
// since stays among live items.
Node* RowAt(const TreeState* s, int row) {
  const auto mark = static_cast<std::size_t>(row / kRowMark);
  if (row < 0 || row >= s->rows || mark >= s->rowMarks.size()) return nullptr;
  Node* n = s->rowMarks[mark];
  for (int i = row % kRowMark; i > 0 && n; --i) n = NextRow(s, n);
  return n;
}

// The item's row in the last layout, -1 when it has none.
int RowOf(const TreeState* s, const Node* n) { return s->layout && n->layout == s->layout ? n->row : -1; }

int ItemHeight(HWND h, TreeState* s) {
  if (s->itemHeight > 0) return s->itemHeight;
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  TEXTMETRICW tm{};
  ::GetTextMetrics(dc, &tm);
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  int hgt = tm.tmHeight + 3;
  int cx = 0, cy = 0;
  if (s->images && ::ImageList_GetIconSize(s->images, &cx, &cy)) hgt = std::max(hgt, cy + 1);
  if (s->stateImages && ::ImageList_GetIconSize(s->stateImages, &cx, &cy)) hgt = std::max(hgt, cy + 1);
  s->itemHeight = hgt;
  return hgt;
}

int PageRows(HWND h, TreeState* s) {
  RECT rc;
  ::GetClientRect(h, &rc);
  return std::max(0, static_cast<int>(rc.bottom) / ItemHeight(h, s));
}

void UpdateScroll(HWND h, TreeState* s);

int MeasureCallbackRows(HWND h, TreeState* s, const std::vector<Node*>& rows);
void MeasureWhileWalking(HWND h, TreeState* s, bool widths, int* extent);

// Lays the visible rows out: one walk over the expanded items gives each
// its row and, unless the tree has no horizontal bar, the widest row, from
// the label widths already known and measuring the others as it goes;
// labels the parent gives are asked for after the walk.
void Layout(HWND h, TreeState* s) {
  if (!s->visibleDirty) return;
  s->rowMarks.clear();
  s->rows = 0;
  if (++s->layout == 0) {  // the numbers go round: no item keeps an old one
    s->pool.ForEachLive([](Node& n) { n.layout = 0; });
    s->layout = 1;
  }
  int extent = -1;
  MeasureWhileWalking(h, s, !(Style(h) & (TVS_NOSCROLL | TVS_NOHSCROLL)), &extent);
  s->visibleDirty = false;
  if (!s->unmeasured.empty()) {
    std::vector<Node*> rows;
    rows.swap(s->unmeasured);  // asking the parent may lay the tree out again
    extent = std::max(extent, MeasureCallbackRows(h, s, rows));
    rows.clear();
    if (s->unmeasured.empty()) s->unmeasured.swap(rows);  // keep the capacity
  }
  s->rowsExtent = extent;
  int maxTop = std::max(0, s->rows - PageRows(h, s));
  s->top = std::clamp(s->top, 0, maxTop);
  UpdateScroll(h, s);
}

LRESULT Notify(HWND h, UINT code, NMHDR* hdr) { return SendNotify(h, code, hdr); }

void FillItem(TVITEMW* it, const TreeState* s, Node* n, UINT mask) {
  const ItemExtra extra = n ? s->pool.Extra(n) : ItemExtra{};
  it->mask = mask;
  it->hItem = H(n);
  it->state = n ? n->state : 0;
  it->stateMask = 0xFFFF;
  it->pszText = nullptr;
  it->lParam = n ? n->param : 0;
  it->iImage = extra.image;
  it->iSelectedImage = extra.selImage;
  it->cChildren = extra.children;
}

LRESULT TreeNotify(HWND h, const TreeState* s, UINT code, UINT action, Node* oldItem, Node* newItem, POINT pt = {}) {
  NMTREEVIEWW nm{};
  nm.action = action;
  FillItem(&nm.itemOld, s, oldItem, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  FillItem(&nm.itemNew, s, newItem, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  nm.ptDrag = pt;
  return Notify(h, code, &nm.hdr);
}

// The text shown for an item (asks the parent for callback text).
std::u16string TextOf(HWND h, const TreeState* s, Node* n) {
  if (!n->Has(Node::kTextCallback)) return std::u16string(Label(s, n));
  WCHAR buf[260] = {};
  NMTVDISPINFOW di{};
  di.item.mask = TVIF_TEXT;
  di.item.hItem = H(n);
  di.item.state = n->state;
  di.item.lParam = n->param;
  di.item.pszText = buf;
  di.item.cchTextMax = 260;
  Notify(h, TVN_GETDISPINFO, &di.hdr);
  if (!di.item.pszText) return u"";
  std::u16string t;
  for (int i = 0; i < 259 && di.item.pszText[i]; ++i) t.push_back(di.item.pszText[i]);
  return t;
}
int ImageOf(HWND h, const TreeState* s, Node* n, bool selected) {
  const ItemExtra extra = s->pool.Extra(n);
  int v = selected ? extra.selImage : extra.image;
  if (v != I_IMAGECALLBACK) return v;
  NMTVDISPINFOW di{};
  di.item.mask = selected ? TVIF_SELECTEDIMAGE : TVIF_IMAGE;
  di.item.hItem = H(n);
  di.item.state = n->state;
  di.item.lParam = n->param;
  Notify(h, TVN_GETDISPINFO, &di.hdr);
  return selected ? di.item.iSelectedImage : di.item.iImage;
}
bool HasChildren(HWND h, const TreeState* s, Node* n) {
  if (!n->Has(Node::kChildrenSet)) return n->first != nullptr;
  const int children = s->pool.Extra(n).children;
  if (children != I_CHILDRENCALLBACK) return children > 0;
  NMTVDISPINFOW di{};
  di.item.mask = TVIF_CHILDREN;
  di.item.hItem = H(n);
  di.item.state = n->state;
  di.item.lParam = n->param;
  Notify(h, TVN_GETDISPINFO, &di.hdr);
  return di.item.cChildren > 0;
}

int RootOffset(HWND h) {
  DWORD st = Style(h);
  return ((st & TVS_LINESATROOT) && (st & (TVS_HASLINES | TVS_HASBUTTONS))) ? 1 : 0;
}
// The width of an item's label text in the tree's font; remembered unless
// the parent supplies the text.
int TextWidth(HWND h, TreeState* s, HDC dc, Node* n) {
  const bool callback = n->Has(Node::kTextCallback);
  if (!callback && n->textWidth >= 0) return n->textWidth;
  std::u16string t = TextOf(h, s, n);
  SIZE sz{};
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  if (!t.empty()) ::GetTextExtentPoint32(dc, t.c_str(), static_cast<int>(t.size()), &sz);
  ::SelectObject(dc, old);
  if (!callback) n->textWidth = sz.cx;
  return sz.cx;
}

// Measures stored labels a layout meets that have no width yet, a few
// hundred at a time while the walk goes on (the batch stays in the cache),
// with one DC and one lookup of the font for the whole layout. A label
// equal to the one met before it takes that one's width: a run of equal
// labels costs a comparison a row, and only the distinct texts go to the
// text layer.
class RowMeasurer {
 public:
  RowMeasurer(HWND h, TreeState* s) : h_(h), s_(s) {}
  RowMeasurer(const RowMeasurer&) = delete;
  RowMeasurer& operator=(const RowMeasurer&) = delete;
  ~RowMeasurer() {
    if (!dc_) return;
    ::SelectObject(dc_, old_);
    ::ReleaseDC(h_, dc_);
  }
  // Measures the row's label with the next batch.
  void Add(Node* n) {
    const std::u16string_view label = Label(s_, n);
    if (hasLast_ && label.size() == last_.size() &&
        (label.empty() || std::memcmp(label.data(), last_.data(), label.size() * sizeof(char16_t)) == 0)) {
      if (!distinct_) {  // measured with an earlier batch
        Take(n, lastWidth_);
        return;
      }
    } else {
      texts_[distinct_++] = n;
      last_ = label;
      hasLast_ = true;
    }
    pending_[count_] = n;
    textOf_[count_++] = static_cast<std::uint16_t>(distinct_ - 1);
    if (count_ == kBatch) Flush();
  }
  void Flush() {
    if (!count_) return;
    if (!dc_) {
      dc_ = ::GetDC(h_);
      old_ = ::SelectObject(dc_, FontOr(s_->font));
    }
    pv::gdi::MeasureTextWidths(
        dc_, distinct_,
        [](const void* context, std::size_t i) {
          const auto* m = static_cast<const RowMeasurer*>(context);
          return Label(m->s_, m->texts_[i]);
        },
        this, widths_);
    for (std::size_t i = 0; i < count_; ++i) Take(pending_[i], widths_[textOf_[i]]);
    lastWidth_ = widths_[distinct_ - 1];
    count_ = distinct_ = 0;
  }
  // The widest row measured past the label start at level 0; -1 for none.
  int Widest() const { return widest_; }

 private:
  static constexpr std::size_t kBatch = 256;
  void Take(Node* n, int width) {
    n->textWidth = width;
    widest_ = std::max(widest_, n->level * s_->indent + width);
  }

  HWND h_;
  TreeState* s_;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::size_t count_ = 0;     // rows waiting
  std::size_t distinct_ = 0;  // texts to measure for them
  int widest_ = -1;
  bool hasLast_ = false;
  std::u16string_view last_;  // the label met last (the arena does not change while a layout walks)
  int lastWidth_ = 0;         // its width, once measured
  Node* pending_[kBatch];
  std::uint16_t textOf_[kBatch];  // each waiting row's text in texts_
  Node* texts_[kBatch];           // a row for each distinct text
  int widths_[kBatch];
};

// Measures the rows whose labels the parent gives (asked for first: that
// sends notifications); answers the widest of them past the label start at
// level 0.
int MeasureCallbackRows(HWND h, TreeState* s, const std::vector<Node*>& rows) {
  std::vector<std::u16string> asked;
  asked.reserve(rows.size());
  for (Node* n : rows) asked.push_back(TextOf(h, s, n));
  // The parent may have deleted items while it was asked: lay out again.
  if (!std::all_of(rows.begin(), rows.end(), [&](Node* n) { return s->pool.Owns(n); })) {
    s->visibleDirty = true;
    return -1;
  }
  std::vector<int> widths(rows.size());
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
  pv::gdi::MeasureTextWidths(
      dc, asked.size(),
      [](const void* context, std::size_t i) {
        return std::u16string_view((*static_cast<const std::vector<std::u16string>*>(context))[i]);
      },
      &asked, widths.data());
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  int extent = -1;
  for (std::size_t i = 0; i < rows.size(); ++i) extent = std::max(extent, rows[i]->level * s->indent + widths[i]);
  return extent;
}

// The layout's walk: depth-first over expanded items, without recursion.
void MeasureWhileWalking(HWND h, TreeState* s, bool widths, int* extent) {
  std::vector<Node*>& asked = s->unmeasured;
  asked.clear();
  RowMeasurer measurer(h, s);
  const int indent = s->indent;
  int known = -1;
  int row = 0;
  Node* n = s->root.first;
  while (n) {
    if (row % kRowMark == 0) s->rowMarks.push_back(n);
    n->row = row++;
    n->layout = s->layout;
    if (widths) {
      if (n->Has(Node::kTextCallback)) asked.push_back(n);
      else if (n->textWidth >= 0) known = std::max(known, n->level * indent + n->textWidth);
      else measurer.Add(n);
    }
    if ((n->state & TVIS_EXPANDED) && n->first) {
      n = n->first;
      continue;
    }
    while (n && !n->next) n = n->parent == &s->root ? nullptr : n->parent;
    if (n) n = n->next;
  }
  s->rows = row;
  measurer.Flush();
  *extent = std::max(known, measurer.Widest());
}

// Horizontal layout of a row: where its state image, icon and label start.
struct RowGeom {
  int content;  // first pixel after the indentation
  int stateIcon, icon, label, labelEnd;
};
// Pixels from the end of a row's indentation to its label: the state image
// and the icon, the same for every row.
int LabelOffset(HWND h, const TreeState* s) {
  int x = 0, cx = 0, cy = 0;
  if ((Style(h) & TVS_CHECKBOXES) || s->stateImages) {
    if (s->stateImages && ::ImageList_GetIconSize(s->stateImages, &cx, &cy)) x += cx;
    else x += 16;
  }
  if (s->images && ::ImageList_GetIconSize(s->images, &cx, &cy)) x += cx + 3;
  return x;
}

RowGeom Geom(HWND h, TreeState* s, HDC dc, Node* n) {
  RowGeom g{};
  g.content = (n->level + RootOffset(h)) * s->indent - s->scrollX;
  int x = g.content;
  g.stateIcon = x;
  int cx = 0, cy = 0;
  if ((Style(h) & TVS_CHECKBOXES) || s->stateImages) {
    if (s->stateImages && ::ImageList_GetIconSize(s->stateImages, &cx, &cy)) x += cx;
    else x += 16;
  }
  g.icon = x;
  if (s->images && ::ImageList_GetIconSize(s->images, &cx, &cy)) x += cx + 3;
  g.label = x;
  g.labelEnd = x + TextWidth(h, s, dc, n) + 4;
  return g;
}

void UpdateVScroll(HWND h, TreeState* s) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = std::max(0, s->rows - 1);
  si.nPage = static_cast<UINT>(std::max(1, PageRows(h, s)));
  si.nPos = s->top;
  ::SetScrollInfo(h, SB_VERT, &si, FALSE);
}

// The horizontal bar covers the widest visible row; TVS_NOHSCROLL keeps the
// tree at its left edge with no bar.
void UpdateHScroll(HWND h, TreeState* s) {
  if (Style(h) & TVS_NOHSCROLL) {
    s->scrollX = 0;
    return;
  }
  // The label start at level 0 is the same for every row: the style and
  // the image sizes are asked once, the rows' part comes from the layout.
  int width = 0;
  if (s->rowsExtent >= 0 && s->rows > 0) width = RootOffset(h) * s->indent + LabelOffset(h, s) + s->rowsExtent + 4;
  s->contentWidth = width;
  RECT rc;
  ::GetClientRect(h, &rc);
  s->scrollX = std::clamp(s->scrollX, 0, std::max(0, width - static_cast<int>(rc.right)));
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = std::max(0, width - 1);
  si.nPage = static_cast<UINT>(std::max<LONG>(1, rc.right));
  si.nPos = s->scrollX;
  ::SetScrollInfo(h, SB_HORZ, &si, FALSE);
}

void UpdateScroll(HWND h, TreeState* s) {
  if (Style(h) & TVS_NOSCROLL) return;
  UpdateVScroll(h, s);
  bool hadH = (Style(h) & WS_HSCROLL) != 0;
  UpdateHScroll(h, s);
  // The horizontal bar coming or going changes how many rows fit.
  if (hadH != ((Style(h) & WS_HSCROLL) != 0)) {
    int maxTop = std::max(0, s->rows - PageRows(h, s));
    s->top = std::clamp(s->top, 0, maxTop);
    UpdateVScroll(h, s);
  }
}

void ScrollToX(HWND h, TreeState* s, int x) {
  Layout(h, s);
  RECT rc;
  ::GetClientRect(h, &rc);
  x = std::clamp(x, 0, std::max(0, s->contentWidth - static_cast<int>(rc.right)));
  if (x == s->scrollX) return;
  s->scrollX = x;
  ::SetScrollPos(h, SB_HORZ, x, FALSE);
  Invalidate(h, s);
}

Node* HitTest(HWND h, TreeState* s, POINT pt, UINT* flags) {
  Layout(h, s);
  RECT rc;
  ::GetClientRect(h, &rc);
  UINT f = 0;
  if (pt.y < 0) f |= TVHT_ABOVE;
  else if (pt.y >= rc.bottom) f |= TVHT_BELOW;
  if (pt.x < 0) f |= TVHT_TOLEFT;
  else if (pt.x >= rc.right) f |= TVHT_TORIGHT;
  if (f) {
    *flags = f;
    return nullptr;
  }
  Node* n = RowAt(s, s->top + pt.y / ItemHeight(h, s));
  if (!n) {
    *flags = TVHT_NOWHERE;
    return nullptr;
  }
  HDC dc = ::GetDC(h);
  RowGeom g = Geom(h, s, dc, n);
  ::ReleaseDC(h, dc);
  if (pt.x < g.content - s->indent) f = TVHT_ONITEMINDENT;
  else if (pt.x < g.content)
    f = ((Style(h) & TVS_HASBUTTONS) && HasChildren(h, s, n) && (n->level + RootOffset(h)) > 0) ? TVHT_ONITEMBUTTON
                                                                                                : TVHT_ONITEMINDENT;
  else if (pt.x < g.icon) f = TVHT_ONITEMSTATEICON;
  else if (pt.x < g.label) f = TVHT_ONITEMICON;
  else if (pt.x < g.labelEnd) f = TVHT_ONITEMLABEL;
  else f = TVHT_ONITEMRIGHT;
  *flags = f;
  return n;
}

void EnsureVisible(HWND h, TreeState* s, Node* n);
void DeleteNode(HWND h, TreeState* s, Node* n);

// Takes an item out of its parent's children.
void Unlink(Node* n) {
  Node* p = n->parent;
  Node* first = p->first;
  Node* last = first->prev;
  if (n == first) {
    p->first = n->next;
    if (p->first) p->first->prev = last;
  } else {
    n->prev->next = n->next;
    if (n->next) n->next->prev = n->prev;
    else first->prev = n->prev;  // n was the last child
  }
  n->next = n->prev = nullptr;
}

// Moves the caret; false when the parent refuses.
bool Select(HWND h, TreeState* s, Node* n, UINT action) {
  if (n == s->caret) {
    if (n) EnsureVisible(h, s, n);
    return true;
  }
  Node* old = s->caret;
  if (TreeNotify(h, s, TVN_SELCHANGING, action, old, n)) return false;
  if (s->pool.Owns(old)) old->state &= ~static_cast<UINT>(TVIS_SELECTED);
  else old = nullptr;
  if (n && !s->pool.Owns(n)) n = nullptr;
  s->caret = n;
  if (n) n->state |= TVIS_SELECTED;
  if (n) EnsureVisible(h, s, n);
  Invalidate(h, s);
  TreeNotify(h, s, TVN_SELCHANGED, action, old, n);
  return true;
}

bool IsAncestor(Node* a, Node* n) {
  for (Node* p = n ? n->parent : nullptr; p; p = p->parent)
    if (p == a) return true;
  return false;
}

// Expands or collapses; `notify` says whether the parent hears of it.
bool Expand(HWND h, TreeState* s, Node* n, UINT code, bool byUser) {
  UINT op = code & 0x3;
  bool expanded = (n->state & TVIS_EXPANDED) != 0;
  if (op == TVE_TOGGLE) op = expanded ? TVE_COLLAPSE : TVE_EXPAND;
  if (op == TVE_EXPAND) {
    if (expanded) return true;
    if (!HasChildren(h, s, n)) return false;
  } else if (op == TVE_COLLAPSE) {
    if (!expanded && !(code & TVE_COLLAPSERESET)) return true;
  } else {
    return false;
  }
  // A programmatic expand notifies only the first time (lazy filling).
  bool notify = byUser || op == TVE_COLLAPSE || !(n->state & TVIS_EXPANDEDONCE);
  UINT action = op;
  if (notify && TreeNotify(h, s, TVN_ITEMEXPANDING, action, nullptr, n)) return false;
  if (!s->pool.Owns(n)) return false;
  if (op == TVE_EXPAND) {
    n->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  } else {
    n->state &= ~static_cast<UINT>(TVIS_EXPANDED);
    if (code & TVE_COLLAPSERESET) {
      n->state &= ~static_cast<UINT>(TVIS_EXPANDEDONCE);
    }
  }
  ShapeChanged(h, s);
  if (notify) TreeNotify(h, s, TVN_ITEMEXPANDED, action, nullptr, n);
  if (op == TVE_COLLAPSE && s->pool.Owns(n) && s->caret && IsAncestor(n, s->caret)) Select(h, s, n, TVC_UNKNOWN);
  if ((code & TVE_COLLAPSERESET) && s->pool.Owns(n)) {
    // The children go; the item keeps its button only if cChildren says so.
    while (n->first) {
      DeleteNode(h, s, n->first);
    }
  }
  return true;
}

void EnsureVisible(HWND h, TreeState* s, Node* n) {
  for (Node* p = n->parent; p && p != &s->root; p = p->parent)
    if (!(p->state & TVIS_EXPANDED)) Expand(h, s, p, TVE_EXPAND, false);
  Layout(h, s);
  const int row = RowOf(s, n);
  if (row < 0) return;
  int page = std::max(1, PageRows(h, s));
  int old = s->top;
  if (row < s->top) s->top = row;
  else if (row >= s->top + page) s->top = row - page + 1;
  if (old != s->top) {
    UpdateScroll(h, s);
    Invalidate(h, s);
  }
}

Node* NextSelectableAfterDelete(TreeState* s, Node* n) {
  if (n->next) return n->next;
  if (Node* prev = n->Previous()) return prev;
  return n->parent == &s->root ? nullptr : n->parent;
}

// Unlinks and frees an item and its descendants, children first, with
// TVN_DELETEITEM for each.
void DeleteNode(HWND h, TreeState* s, Node* n) {
  if (s->caret && (s->caret == n || IsAncestor(n, s->caret))) {
    Node* to = NextSelectableAfterDelete(s, n);
    Node* old = s->caret;
    old->state &= ~static_cast<UINT>(TVIS_SELECTED);
    s->caret = nullptr;
    if (to) Select(h, s, to, TVC_UNKNOWN);
  }
  // Post-order walk without recursion.
  Node* cur = n;
  while (cur->first) cur = cur->first;
  for (;;) {
    Node* victim = cur;
    bool done = victim == n;
    if (!done) {
      if (victim->next) {
        cur = victim->next;
        while (cur->first) cur = cur->first;
      } else {
        cur = victim->parent;
      }
    }
    TreeNotify(h, s, TVN_DELETEITEM, 0, victim, nullptr);
    // An item with a row may be one of the layout's marks: the marks go with
    // it (the layout is made again before rows are read).
    if (RowOf(s, victim) >= 0) {
      s->visibleDirty = true;
      s->rowMarks.clear();
    }
    Unlink(victim);
    if (s->dropHilite == victim) s->dropHilite = nullptr;
    if (s->hot == victim) s->hot = nullptr;
    if (s->pressed == victim) s->pressed = nullptr;
    if (s->pendingEdit == victim) s->pendingEdit = nullptr;
    --s->count;
    if (s->destroying) {
      victim->flags = 0;  // no longer an item; the pool and the arena go with the window
    } else {
      ReleaseLabel(s, victim);
      s->pool.Free(victim);
      if (s->count == 0) s->texts = TextArena();
    }
    if (done) break;
  }
  ShapeChanged(h, s);
}

int CompareText(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = std::towlower(a[i]), y = std::towlower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

void Link(Node* parent, Node* after, Node* n) {
  // after == nullptr: first child.
  n->parent = parent;
  Node* first = parent->first;
  if (!first) {
    parent->first = n;
    n->prev = n;
    n->next = nullptr;
  } else if (!after) {
    n->next = first;
    n->prev = first->prev;  // the last child
    first->prev = n;
    parent->first = n;
  } else {
    n->next = after->next;
    n->prev = after;
    after->next = n;
    if (n->next) n->next->prev = n;
    else first->prev = n;  // the new last child
  }
}

void ApplyItem(HWND h, TreeState* s, Node* n, const TVITEMW& it) {
  if (it.mask & TVIF_TEXT) {
    const bool callback = it.pszText == LPSTR_TEXTCALLBACKW;
    n->Set(Node::kTextCallback, callback);
    SetLabel(s, n, (!callback && it.pszText) ? std::u16string_view(it.pszText) : std::u16string_view());
    n->textWidth = -1;
    s->visibleDirty = true;  // the widest row may have changed
  }
  if (it.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
    const ItemExtra now = s->pool.Extra(n);
    const int image = (it.mask & TVIF_IMAGE) ? it.iImage : now.image;
    const int selImage = (it.mask & TVIF_SELECTEDIMAGE) ? it.iSelectedImage : now.selImage;
    if (image != now.image || selImage != now.selImage) {
      ItemExtra& e = s->pool.ExtraFor(n);
      e.image = image;
      e.selImage = selImage;
    }
  }
  if (it.mask & TVIF_PARAM) n->param = it.lParam;
  if (it.mask & TVIF_CHILDREN) {
    if (it.cChildren != 0 || n->Has(Node::kExtra)) s->pool.ExtraFor(n).children = it.cChildren;
    n->Set(Node::kChildrenSet, true);
  }
  if (it.mask & TVIF_STATE) {
    UINT before = n->state;
    n->state = (n->state & ~it.stateMask) | (it.state & it.stateMask);
    if ((before ^ n->state) & TVIS_EXPANDED) s->visibleDirty = true;
  }
  (void)h;
}

HTREEITEM Insert(HWND h, TreeState* s, const TVINSERTSTRUCTW* is) {
  if (!is) return nullptr;
  Node* parent = &s->root;
  if (is->hParent && is->hParent != TVI_ROOT) {
    parent = Find(s, is->hParent);
    if (!parent) return nullptr;
  }
  if (parent != &s->root && parent->level >= kMaxLevel) return nullptr;  // deeper than any tree is drawn
  Node* n = s->pool.New();
  n->level = static_cast<std::int16_t>(parent == &s->root ? 0 : parent->level + 1);
  ApplyItem(h, s, n, is->item);
  n->state &= ~static_cast<UINT>(TVIS_SELECTED);
  HTREEITEM after = is->hInsertAfter;
  if (after == TVI_FIRST) {
    Link(parent, nullptr, n);
  } else if (after == TVI_SORT) {
    Node* pos = parent->Last();
    std::u16string t = TextOf(h, s, n);
    while (pos && CompareText(TextOf(h, s, pos), t) > 0) pos = pos->Previous();
    Link(parent, pos, n);
  } else if (after == TVI_LAST || after == nullptr || after == TVI_ROOT) {
    Link(parent, parent->Last(), n);
  } else {
    Node* a = Find(s, after);
    Link(parent, (a && a->parent == parent) ? a : parent->Last(), n);
  }
  ++s->count;
  // Only a change among shown rows needs a new layout.
  if (parent == &s->root || ((parent->state & TVIS_EXPANDED) && (s->visibleDirty || RowOf(s, parent) >= 0)))
    ShapeChanged(h, s);
  else if (!parent->first->next) Invalidate(h, s);  // the parent gains a button
  return H(n);
}

void SortChildren(HWND h, TreeState* s, Node* parent, bool recurse, PFNTVCOMPARE cmp, LPARAM data) {
  std::vector<Node*> kids;
  for (Node* c = parent->first; c; c = c->next) kids.push_back(c);
  if (cmp) {
    std::stable_sort(kids.begin(), kids.end(), [&](Node* a, Node* b) { return cmp(a->param, b->param, data) < 0; });
  } else {
    std::vector<std::pair<std::u16string, Node*>> keyed;
    for (Node* k : kids) keyed.emplace_back(TextOf(h, s, k), k);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return CompareText(a.first, b.first) < 0; });
    for (size_t i = 0; i < kids.size(); ++i) kids[i] = keyed[i].second;
  }
  parent->first = nullptr;
  for (Node* k : kids) {
    k->prev = k->next = nullptr;
    Link(parent, parent->Last(), k);
  }
  if (recurse)
    for (Node* k : kids) SortChildren(h, s, k, true, cmp, data);
  ShapeChanged(h, s);
}

// ---- label editing ----
void EndEdit(HWND h, TreeState* s, bool cancel);

LRESULT CALLBACK LabelEditProc(HWND e, UINT msg, WPARAM wp, LPARAM lp) {
  HWND tree = ::GetParent(e);
  auto* s = StateOf<TreeState>(tree);
  WNDPROC base = s ? s->editProc : EditProc;
  if (s && s->edit == e) {
    if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS | ::CallWindowProc(base, e, msg, wp, lp);
    if (msg == WM_KEYDOWN && (wp == VK_RETURN || wp == VK_ESCAPE)) {
      EndEdit(tree, s, wp == VK_ESCAPE);
      return 0;
    }
    if (msg == WM_CHAR && (wp == VK_RETURN || wp == VK_ESCAPE)) return 0;
    if (msg == WM_KILLFOCUS) {
      LRESULT r = ::CallWindowProc(base, e, msg, wp, lp);
      EndEdit(tree, s, false);
      return r;
    }
  }
  return ::CallWindowProc(base, e, msg, wp, lp);
}

HWND BeginEdit(HWND h, TreeState* s, Node* n) {
  if (s->edit) EndEdit(h, s, false);
  if (!n) return nullptr;
  EnsureVisible(h, s, n);
  NMTVDISPINFOW di{};
  FillItem(&di.item, s, n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_TEXT);
  std::u16string text = TextOf(h, s, n);
  di.item.pszText = text.data();
  di.item.cchTextMax = static_cast<int>(text.size()) + 1;
  if (Notify(h, TVN_BEGINLABELEDIT, &di.hdr)) return nullptr;
  if (!s->pool.Owns(n)) return nullptr;
  Layout(h, s);
  HDC dc = ::GetDC(h);
  RowGeom g = Geom(h, s, dc, n);
  ::ReleaseDC(h, dc);
  RECT rc;
  ::GetClientRect(h, &rc);
  int ih = ItemHeight(h, s);
  int y = (RowOf(s, n) - s->top) * ih;
  HWND e =
      ::CreateWindowEx(0, WC_EDIT, text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, g.label - 2, y,
                       std::max<int>(static_cast<int>(rc.right) - g.label + 2, 40), ih, h, nullptr, nullptr, nullptr);
  if (!e) return nullptr;
  ::SendMessage(e, WM_SETFONT, reinterpret_cast<WPARAM>(s->font), FALSE);
  s->edit = e;
  s->editing = n;
  s->editProc =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtr(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelEditProc)));
  ::SendMessage(e, EM_SETSEL, 0, -1);
  ::SetFocus(e);
  return e;
}

void EndEdit(HWND h, TreeState* s, bool cancel) {
  HWND e = s->edit;
  Node* n = s->editing;
  if (!e) return;
  s->edit = nullptr;  // re-entry (focus loss while ending) does nothing
  s->editing = nullptr;
  std::u16string text(static_cast<size_t>(::GetWindowTextLength(e)) + 1, u'\0');
  int len = ::GetWindowText(e, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(len));
  if (n && s->pool.Owns(n)) {
    NMTVDISPINFOW di{};
    FillItem(&di.item, s, n, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_TEXT);
    di.item.pszText = cancel ? nullptr : text.data();
    di.item.cchTextMax = static_cast<int>(text.size()) + 1;
    LRESULT accept = Notify(h, TVN_ENDLABELEDIT, &di.hdr);
    if (!cancel && accept && s->pool.Owns(n) && !n->Has(Node::kTextCallback)) {
      SetLabel(s, n, text);
      n->textWidth = -1;
      s->visibleDirty = true;
      Invalidate(h, s);
    }
  }
  bool hadFocus = ::GetFocus() == e;
  ::DestroyWindow(e);
  if (hadFocus) ::SetFocus(h);
}

// ---- painting ----
void DottedH(HDC dc, int x0, int x1, int y, HBRUSH br) {
  for (int x = x0; x < x1; x += 2) {
    RECT r{x, y, x + 1, y + 1};
    ::FillRect(dc, &r, br);
  }
}
void DottedV(HDC dc, int x, int y0, int y1, HBRUSH br) {
  for (int y = y0; y < y1; y += 2) {
    RECT r{x, y, x + 1, y + 1};
    ::FillRect(dc, &r, br);
  }
}

LRESULT CustomDraw(HWND h, DWORD stage, HDC dc, const RECT& rc, Node* n, UINT itemState, NMTVCUSTOMDRAW* cd) {
  cd->nmcd.dwDrawStage = stage;
  cd->nmcd.hdc = dc;
  cd->nmcd.rc = rc;
  cd->nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(n);
  cd->nmcd.uItemState = itemState;
  cd->nmcd.lItemlParam = n ? n->param : 0;
  cd->iLevel = n ? n->level : 0;
  return Notify(h, NM_CUSTOMDRAW, &cd->nmcd.hdr);
}

// Paints into the DC given (WM_PRINTCLIENT, or WM_PAINT with a DC in
// wParam) or, without one, into the window through BeginPaint.
void Paint(HWND h, TreeState* s, HDC given) {
  Layout(h, s);
  PAINTSTRUCT ps{};
  HDC dc = given ? given : ::BeginPaint(h, &ps);
  // BeginPaint took in any invalidation the layout caused (a scroll bar that
  // came or went resizes the tree); lay out again for the size now. A DC
  // given by a subclass's own BeginPaint: the pending invalidation is over
  // once the window has nothing left to paint, else the next change would
  // never reach the screen.
  if (!given || !::GetUpdateRect(h, nullptr, FALSE)) s->invalidPending = false;
  Layout(h, s);
  RECT rc;
  ::GetClientRect(h, &rc);
  if (given) ps.rcPaint = rc;
  DWORD st = Style(h);
  COLORREF bk = s->bk == CLR_NONE ? ::GetSysColor(COLOR_WINDOW) : s->bk;
  COLORREF fg = s->textColor == CLR_NONE ? ::GetSysColor(COLOR_WINDOWTEXT) : s->textColor;
  COLORREF line = s->lineColor == CLR_DEFAULT ? ::GetSysColor(COLOR_GRAYTEXT) : s->lineColor;
  NMTVCUSTOMDRAW cd{};
  LRESULT pre = CustomDraw(h, CDDS_PREPAINT, dc, rc, nullptr, 0, &cd);
  HBRUSH bkBrush = ::CreateSolidBrush(bk);
  ::FillRect(dc, &rc, bkBrush);
  HBRUSH lineBrush = ::CreateSolidBrush(line);
  HGDIOBJ oldFont = ::SelectObject(dc, FontOr(s->font));
  int ih = ItemHeight(h, s);
  int first = s->top + std::max(0, static_cast<int>(ps.rcPaint.top) / ih);
  int last = std::min(s->rows, s->top + (static_cast<int>(ps.rcPaint.bottom) + ih - 1) / ih);
  int offset = RootOffset(h);
  Node* n = RowAt(s, first);
  for (int row = first; row < last && n; ++row, n = NextRow(s, n)) {
    int y = (row - s->top) * ih;
    RECT rowRc{0, y, rc.right, y + ih};
    bool selected =
        ((n->state & TVIS_SELECTED) && (n != s->caret || s->focused || (st & TVS_SHOWSELALWAYS))) || n == s->dropHilite;
    UINT itemState =
        (selected ? CDIS_SELECTED : 0) | (n == s->caret && s->focused ? CDIS_FOCUS : 0) | (n == s->hot ? CDIS_HOT : 0);
    COLORREF textC =
        selected ? ::GetSysColor(s->focused || n == s->dropHilite ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT) : fg;
    COLORREF textBk = selected ? ::GetSysColor(s->focused || n == s->dropHilite ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : bk;
    LRESULT itemRes = CDRF_DODEFAULT;
    HGDIOBJ customFont = nullptr;
    if (pre & CDRF_NOTIFYITEMDRAW) {
      cd.clrText = textC;
      cd.clrTextBk = textBk;
      itemRes = CustomDraw(h, CDDS_ITEMPREPAINT, dc, rowRc, n, itemState, &cd);
      if (!s->pool.Owns(n)) break;  // the parent changed the tree while drawing
      textC = cd.clrText;
      textBk = cd.clrTextBk;
      if (itemRes & CDRF_NEWFONT) customFont = ::GetCurrentObject(dc, OBJ_FONT);
    }
    if (!(itemRes & CDRF_SKIPDEFAULT)) {
      RowGeom g = Geom(h, s, dc, n);
      if (customFont) ::SelectObject(dc, customFont);
      int mid = y + ih / 2;
      int depth = n->level + offset;
      if (st & TVS_HASLINES) {
        // Our own connector, then the ancestors' continuing lines.
        if (depth > 0) {
          int cx = g.content - s->indent / 2 - 1;
          DottedH(dc, cx, g.content - 2, mid, lineBrush);
          bool rootAlone = n->parent == nullptr;
          (void)rootAlone;
          DottedV(dc, cx, (n->Previous() || n->parent) ? y : mid, n->next ? y + ih : mid + 1, lineBrush);
          if (n->level == 0 && !n->Previous()) DottedV(dc, cx, mid, n->next ? y + ih : mid + 1, lineBrush);
          int ax = cx;
          for (Node* a = n->parent; a && a->parent; a = a->parent) {
            ax -= s->indent;
            if (a->next && ax >= -s->indent) DottedV(dc, ax, y, y + ih, lineBrush);
          }
        }
      }
      if ((st & TVS_HASBUTTONS) && depth > 0 && HasChildren(h, s, n)) {
        int cx = g.content - s->indent / 2 - 1;
        RECT b{cx - 4, mid - 4, cx + 5, mid + 5};
        ::FillRect(dc, &b, bkBrush);
        ::FrameRect(dc, &b, lineBrush);
        HBRUSH tb = ::GetSysColorBrush(COLOR_WINDOWTEXT);
        RECT hz{cx - 2, mid, cx + 3, mid + 1};
        ::FillRect(dc, &hz, tb);
        if (!(n->state & TVIS_EXPANDED)) {
          RECT vt{cx, mid - 2, cx + 1, mid + 3};
          ::FillRect(dc, &vt, tb);
        }
      }
      if (s->stateImages) {
        int idx = static_cast<int>((n->state & TVIS_STATEIMAGEMASK) >> 12);
        if (idx > 0) ::ImageList_Draw(s->stateImages, idx, dc, g.stateIcon, y, ILD_NORMAL);
      } else if (st & TVS_CHECKBOXES) {
        RECT cb{g.stateIcon + 1, mid - 6, g.stateIcon + 14, mid + 7};
        UINT checked = ((n->state & TVIS_STATEIMAGEMASK) >> 12) == 2 ? DFCS_CHECKED : 0;
        ::DrawFrameControl(dc, &cb, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | checked);
      }
      if (s->images) {
        int img = ImageOf(h, s, n, n == s->caret);
        if (img >= 0) ::ImageList_Draw(s->images, img, dc, g.icon, y, (n->state & TVIS_CUT) ? ILD_BLEND50 : ILD_NORMAL);
      }
      std::u16string t = TextOf(h, s, n);
      RECT lr{g.label, y, g.labelEnd, y + ih};
      if (st & TVS_FULLROWSELECT) lr = RECT{g.label, y, rc.right, y + ih};
      if (textBk != bk && textBk != CLR_NONE) {
        HBRUSH sb = ::CreateSolidBrush(textBk);
        ::FillRect(dc, &lr, sb);
        ::DeleteObject(sb);
      }
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, textC);
      HFONT bold = nullptr;
      HGDIOBJ prevFont = nullptr;
      if ((n->state & TVIS_BOLD) && !customFont) {
        LOGFONTW lf{};
        ::GetObject(FontOr(s->font), sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        bold = ::CreateFontIndirect(&lf);
        prevFont = ::SelectObject(dc, bold);
      }
      ::TextOut(dc, g.label + 2, y + 1, t.c_str(), static_cast<int>(t.size()));
      if (bold) {
        ::SelectObject(dc, prevFont);
        ::DeleteObject(bold);
      }
      if (n == s->caret && s->focused) ::DrawFocusRect(dc, &lr);
      if (customFont) ::SelectObject(dc, FontOr(s->font));
    }
    if (itemRes & CDRF_NOTIFYPOSTPAINT) {
      CustomDraw(h, CDDS_ITEMPOSTPAINT, dc, rowRc, n, itemState, &cd);
      if (!s->pool.Owns(n)) break;
    }
  }
  if (pre & CDRF_NOTIFYPOSTPAINT) CustomDraw(h, CDDS_POSTPAINT, dc, rc, nullptr, 0, &cd);
  ::SelectObject(dc, oldFont);
  ::DeleteObject(bkBrush);
  ::DeleteObject(lineBrush);
  if (!given) ::EndPaint(h, &ps);
}

Node* VisibleAt(TreeState* s, int row) {
  if (!s->rows) return nullptr;
  return RowAt(s, std::clamp(row, 0, s->rows - 1));
}

void Key(HWND h, TreeState* s, UINT vk) {
  NMTVKEYDOWN kd{};
  kd.wVKey = static_cast<WORD>(vk);
  Notify(h, TVN_KEYDOWN, &kd.hdr);
  // With Ctrl the arrows and page keys scroll and leave the caret, as
  // Windows does.
  if (::GetKeyState(VK_CONTROL) < 0) {
    int bar = -1;
    switch (vk) {
      case VK_UP:
        bar = SB_LINEUP;
        break;
      case VK_DOWN:
        bar = SB_LINEDOWN;
        break;
      case VK_PRIOR:
        bar = SB_PAGEUP;
        break;
      case VK_NEXT:
        bar = SB_PAGEDOWN;
        break;
      default:
        break;
    }
    if (bar >= 0) {
      ::SendMessage(h, WM_VSCROLL, static_cast<WPARAM>(bar), 0);
      return;
    }
  }
  Layout(h, s);
  Node* c = s->caret;
  int row = c ? RowOf(s, c) : -1;
  int page = std::max(1, PageRows(h, s));
  Node* to = nullptr;
  switch (vk) {
    case VK_UP:
      to = c ? VisibleAt(s, row - 1) : VisibleAt(s, 0);
      break;
    case VK_DOWN:
      to = c ? VisibleAt(s, row + 1) : VisibleAt(s, 0);
      break;
    case VK_HOME:
      to = VisibleAt(s, 0);
      break;
    case VK_END:
      to = VisibleAt(s, s->rows - 1);
      break;
    case VK_PRIOR:
      to = VisibleAt(s, row - (page - 1));
      break;
    case VK_NEXT:
      to = VisibleAt(s, row + (page - 1));
      break;
    case VK_LEFT:
      if (!c) return;
      if (c->state & TVIS_EXPANDED) {
        Expand(h, s, c, TVE_COLLAPSE, true);
        return;
      }
      to = c->parent != &s->root ? c->parent : nullptr;
      break;
    case VK_RIGHT:
      if (!c) return;
      if (!(c->state & TVIS_EXPANDED)) {
        Expand(h, s, c, TVE_EXPAND, true);
        return;
      }
      to = c->first;
      break;
    case VK_ADD:
      if (c) Expand(h, s, c, TVE_EXPAND, true);
      return;
    case VK_SUBTRACT:
      if (c) Expand(h, s, c, TVE_COLLAPSE, true);
      return;
    case VK_RETURN: {
      NMHDR hdr{};
      Notify(h, NM_RETURN, &hdr);
      return;
    }
    case VK_F2:
      if ((Style(h) & TVS_EDITLABELS) && c) BeginEdit(h, s, c);
      return;
    default:
      return;
  }
  if (to) Select(h, s, to, TVC_BYKEYBOARD);
}

void TypeAhead(HWND h, TreeState* s, WCHAR ch) {
  if (ch < 0x20) return;
  DWORD now = static_cast<DWORD>(pv::Clock::TickCount64());
  if (now - s->typedAt > kTypeAheadMs) s->typed.clear();
  s->typedAt = now;
  s->typed.push_back(ch);
  Layout(h, s);
  if (!s->rows) return;
  size_t n = static_cast<size_t>(s->rows);
  // A repeated single letter steps through the items starting with it.
  bool same = s->typed.size() > 1 && std::all_of(s->typed.begin(), s->typed.end(), [&](char16_t c) {
                return std::towlower(c) == std::towlower(s->typed[0]);
              });
  std::u16string prefix = same ? s->typed.substr(0, 1) : s->typed;
  size_t start = s->caret ? static_cast<size_t>(RowOf(s, s->caret)) : 0;
  size_t from = (s->typed.size() == 1 || same) ? start + 1 : start;
  Node* cand = RowAt(s, static_cast<int>(from % n));
  for (size_t i = 0; i < n && cand; ++i) {
    std::u16string t = TextOf(h, s, cand);
    if (!s->pool.Owns(cand)) return;  // the parent deleted it while asked for its text
    if (t.size() >= prefix.size() && CompareText(t.substr(0, prefix.size()), prefix) == 0) {
      Select(h, s, cand, TVC_BYKEYBOARD);
      return;
    }
    Node* next = NextRow(s, cand);
    cand = next ? next : s->root.first;  // on from the first row after the last
  }
}

void Scroll(HWND h, TreeState* s, int newTop) {
  Layout(h, s);
  int maxTop = std::max(0, s->rows - PageRows(h, s));
  newTop = std::clamp(newTop, 0, maxTop);
  if (newTop == s->top) return;
  s->top = newTop;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

Node* GetNext(HWND h, TreeState* s, UINT code, Node* n) {
  // Only the visible-row codes need the rows laid out: a walk over siblings
  // that expands as it goes must not lay the whole tree out at every step.
  if (code == TVGN_FIRSTVISIBLE || code == TVGN_LASTVISIBLE || code == TVGN_NEXTVISIBLE || code == TVGN_PREVIOUSVISIBLE)
    Layout(h, s);
  switch (code) {
    case TVGN_ROOT:
      return s->root.first;
    case TVGN_CARET:
      return s->caret;
    case TVGN_DROPHILITE:
      return s->dropHilite;
    case TVGN_FIRSTVISIBLE:
      return VisibleAt(s, s->top);
    case TVGN_LASTVISIBLE:
      return RowAt(s, s->rows - 1);
    default:
      break;
  }
  if (!n) return code == TVGN_CHILD ? s->root.first : nullptr;
  switch (code) {
    case TVGN_NEXT:
      return n->next;
    case TVGN_PREVIOUS:
      return n->Previous();
    case TVGN_PARENT:
      return n->parent == &s->root ? nullptr : n->parent;
    case TVGN_CHILD:
      return n->first;
    case TVGN_NEXTVISIBLE: {
      const int row = RowOf(s, n);
      return row >= 0 && row + 1 < s->rows ? NextRow(s, n) : nullptr;
    }
    case TVGN_PREVIOUSVISIBLE:
      return RowOf(s, n) > 0 ? PreviousRow(s, n) : nullptr;
    default:
      return nullptr;
  }
}

void CopyText(const std::u16string& t, TVITEMW* it) {
  if (!it->pszText || it->cchTextMax <= 0 || it->pszText == LPSTR_TEXTCALLBACKW) return;
  size_t n = std::min(t.size(), static_cast<size_t>(it->cchTextMax - 1));
  std::copy_n(t.begin(), n, it->pszText);
  it->pszText[n] = 0;
}

}  // namespace

std::ptrdiff_t TreeItemSlot(HWND tree, HTREEITEM item) {
  if (!tree || ::GetClassLongPtr(tree, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&TreeProc)) return -1;
  const TreeState* s = StateOf<TreeState>(tree);
  return s ? s->pool.SlotOf(reinterpret_cast<const Node*>(item)) : -1;
}

LRESULT CALLBACK TreeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = StateOf<TreeState>(h);
  if (!s && msg != WM_NCCREATE) return ::DefWindowProc(h, msg, wp, lp);
  switch (msg) {
    case WM_NCCREATE:
      SetState(h, new TreeState);
      StateOf<TreeState>(h)->root.state = TVIS_EXPANDED;
      StateOf<TreeState>(h)->root.level = -1;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_DESTROY:
      if (s->edit) EndEdit(h, s, true);
      // The parent hears of every item going; their memory goes at once
      // with the tree's.
      s->destroying = true;
      while (s->root.first) DeleteNode(h, s, s->root.first);
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_NCDESTROY:
      SetState<TreeState>(h, nullptr);
      delete s;
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      s->itemHeight = -1;
      s->pool.ForEachLive([](Node& n) { n.textWidth = -1; });
      ShapeChanged(h, s);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
      s->visibleDirty = true;
      Invalidate(h, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      Paint(h, s, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETFOCUS: {
      s->focused = true;
      Invalidate(h, s);
      NMHDR hdr{};
      Notify(h, NM_SETFOCUS, &hdr);
      return 0;
    }
    case WM_KILLFOCUS: {
      s->focused = false;
      Invalidate(h, s);
      NMHDR hdr{};
      Notify(h, NM_KILLFOCUS, &hdr);
      return 0;
    }
    case WM_KEYDOWN:
      Key(h, s, static_cast<UINT>(wp));
      return 0;
    case WM_CHAR:
      TypeAhead(h, s, static_cast<WCHAR>(wp));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      if (s->edit) EndEdit(h, s, false);
      if (::GetFocus() != h) ::SetFocus(h);
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      UINT flags = 0;
      Node* n = HitTest(h, s, pt, &flags);
      s->pressing = true;
      s->rightPress = msg == WM_RBUTTONDOWN;
      s->pressAt = pt;
      s->pressed = nullptr;
      if (n && (flags & TVHT_ONITEMBUTTON) && !s->rightPress) {
        Expand(h, s, n, TVE_TOGGLE, true);
        s->pressing = false;
        return 0;
      }
      if (n && (flags & TVHT_ONITEMSTATEICON) && (Style(h) & TVS_CHECKBOXES) && !s->rightPress) {
        UINT img = (n->state & TVIS_STATEIMAGEMASK) >> 12;
        n->state = (n->state & ~static_cast<UINT>(TVIS_STATEIMAGEMASK)) | INDEXTOSTATEIMAGEMASK(img == 2 ? 1u : 2u);
        Invalidate(h, s);
      }
      bool onItem = n && ((flags & TVHT_ONITEM) || (Style(h) & TVS_FULLROWSELECT));
      if (onItem) {
        s->pressed = n;
        s->pressWasSelected = n == s->caret;
        if (!s->rightPress) Select(h, s, n, TVC_BYMOUSE);
        else {
          s->dropHilite = n;
          Invalidate(h, s);
        }
      }
      ::SetCapture(h);
      return 0;
    }
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (s->pressing && s->pressed && ::GetCapture() == h &&
          (std::abs(pt.x - s->pressAt.x) > ::GetSystemMetrics(SM_CXDRAG) ||
           std::abs(pt.y - s->pressAt.y) > ::GetSystemMetrics(SM_CYDRAG))) {
        Node* n = s->pressed;
        bool right = s->rightPress;
        s->pressing = false;
        s->pressed = nullptr;
        if (right) {
          s->dropHilite = nullptr;
          Invalidate(h, s);
        }
        ::ReleaseCapture();
        if (!(Style(h) & TVS_DISABLEDRAGDROP) && s->pool.Owns(n))
          TreeNotify(h, s, right ? TVN_BEGINRDRAG : TVN_BEGINDRAG, 0, nullptr, n, s->pressAt);
        return 0;
      }
      if (Style(h) & TVS_TRACKSELECT) {
        UINT flags = 0;
        Node* n = HitTest(h, s, pt, &flags);
        if (!(flags & TVHT_ONITEM)) n = nullptr;
        if (n != s->hot) {
          s->hot = n;
          Invalidate(h, s);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      bool was = s->pressing;
      Node* n = s->pressed;
      bool right = s->rightPress;
      s->pressing = false;
      s->pressed = nullptr;
      if (::GetCapture() == h) ::ReleaseCapture();
      if (!was) return 0;
      if (right) {
        s->dropHilite = nullptr;
        Invalidate(h, s);
      }
      NMHDR hdr{};
      if (Notify(h, right ? NM_RCLICK : NM_CLICK, &hdr)) return 0;
      if (right) {
        POINT sp{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ::ClientToScreen(h, &sp);
        ::SendMessage(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(sp.x, sp.y));
        return 0;
      }
      // A click on the label of the item that was already selected edits it
      // once the double-click time has passed without a second click.
      if (n && s->pool.Owns(n) && s->pressWasSelected && (Style(h) & TVS_EDITLABELS)) {
        UINT flags = 0;
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (HitTest(h, s, pt, &flags) == n && (flags & TVHT_ONITEMLABEL)) {
          s->pendingEdit = n;
          ::SetTimer(h, kEditTimer, ::GetDoubleClickTime(), nullptr);
        }
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->pressing && s->rightPress) {
        s->dropHilite = nullptr;
        Invalidate(h, s);
      }
      s->pressing = false;
      s->pressed = nullptr;
      return 0;
    case WM_TIMER:
      if (wp == kEditTimer) {
        ::KillTimer(h, kEditTimer);
        Node* n = s->pendingEdit;
        s->pendingEdit = nullptr;
        if (n && s->pool.Owns(n) && n == s->caret) BeginEdit(h, s, n);
        return 0;
      }
      return ::DefWindowProc(h, msg, wp, lp);
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
      ::KillTimer(h, kEditTimer);
      s->pendingEdit = nullptr;
      NMHDR hdr{};
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      UINT flags = 0;
      Node* n = HitTest(h, s, pt, &flags);
      if (n && (flags & TVHT_ONITEMBUTTON) && msg == WM_LBUTTONDBLCLK) {
        Expand(h, s, n, TVE_TOGGLE, true);
        return 0;
      }
      if (Notify(h, msg == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_RDBLCLK, &hdr)) return 0;
      if (msg == WM_LBUTTONDBLCLK && n && s->pool.Owns(n) && (flags & TVHT_ONITEM)) Expand(h, s, n, TVE_TOGGLE, true);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
      Scroll(h, s, s->top - notches * 3);
      return 0;
    }
    case WM_HSCROLL: {
      if (Style(h) & (TVS_NOHSCROLL | TVS_NOSCROLL)) return 0;
      Layout(h, s);
      RECT rc;
      ::GetClientRect(h, &rc);
      TEXTMETRICW tm{};
      HDC dc = ::GetDC(h);
      HGDIOBJ old = ::SelectObject(dc, FontOr(s->font));
      ::GetTextMetrics(dc, &tm);
      ::SelectObject(dc, old);
      ::ReleaseDC(h, dc);
      int line = std::max<int>(1, tm.tmAveCharWidth), page = std::max<int>(1, rc.right);
      int x = s->scrollX;
      switch (LOWORD(wp)) {
        case SB_LINELEFT:
          x -= line;
          break;
        case SB_LINERIGHT:
          x += line;
          break;
        case SB_PAGELEFT:
          x -= page;
          break;
        case SB_PAGERIGHT:
          x += page;
          break;
        case SB_LEFT:
          x = 0;
          break;
        case SB_RIGHT:
          x = s->contentWidth;
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          x = HIWORD(wp);
          break;
        default:
          break;
      }
      ScrollToX(h, s, x);
      return 0;
    }
    case WM_VSCROLL: {
      Layout(h, s);
      int page = std::max(1, PageRows(h, s));
      int top = s->top;
      switch (LOWORD(wp)) {
        case SB_LINEUP:
          --top;
          break;
        case SB_LINEDOWN:
          ++top;
          break;
        case SB_PAGEUP:
          top -= page;
          break;
        case SB_PAGEDOWN:
          top += page;
          break;
        case SB_TOP:
          top = 0;
          break;
        case SB_BOTTOM:
          top = s->rows;
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          top = HIWORD(wp);
          break;
        default:
          break;
      }
      Scroll(h, s, top);
      return 0;
    }

    // ---- the tree view's own messages ----
    case TVM_INSERTITEM:
      return reinterpret_cast<LRESULT>(Insert(h, s, reinterpret_cast<const TVINSERTSTRUCTW*>(lp)));
    case TVM_DELETEITEM: {
      auto item = reinterpret_cast<HTREEITEM>(lp);
      if (!item || item == TVI_ROOT) {
        while (s->root.first) DeleteNode(h, s, s->root.first);
        s->top = 0;
        return TRUE;
      }
      Node* n = Find(s, item);
      if (!n) return FALSE;
      if (s->editing && (s->editing == n || IsAncestor(n, s->editing))) EndEdit(h, s, true);
      if (s->pool.Owns(n)) DeleteNode(h, s, n);
      return TRUE;
    }
    case TVM_EXPAND: {
      Node* n = Find(s, reinterpret_cast<HTREEITEM>(lp));
      return n ? Expand(h, s, n, static_cast<UINT>(wp), false) : FALSE;
    }
    case TVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return FALSE;
      Node* n = Find(s, *reinterpret_cast<HTREEITEM*>(lp));
      if (!n) return FALSE;
      Layout(h, s);
      const int row = RowOf(s, n);
      if (row < 0) return FALSE;
      int ih = ItemHeight(h, s);
      RECT rc;
      ::GetClientRect(h, &rc);
      int y = (row - s->top) * ih;
      if (wp) {
        HDC dc = ::GetDC(h);
        RowGeom g = Geom(h, s, dc, n);
        ::ReleaseDC(h, dc);
        *r = RECT{g.label, y, g.labelEnd, y + ih};
      } else {
        *r = RECT{0, y, rc.right, y + ih};
      }
      return TRUE;
    }
    case TVM_GETCOUNT:
      return static_cast<LRESULT>(s->count);
    case TVM_GETINDENT:
      return s->indent;
    case TVM_SETINDENT:
      s->indent = std::max(static_cast<int>(wp), 5);
      ShapeChanged(h, s);  // the widest row moves with the indentation
      return 0;
    case TVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wp == TVSIL_STATE ? s->stateImages : s->images);
    case TVM_SETIMAGELIST: {
      HIMAGELIST& slot = wp == TVSIL_STATE ? s->stateImages : s->images;
      HIMAGELIST old = slot;
      slot = reinterpret_cast<HIMAGELIST>(lp);
      if (s->itemHeight > 0) s->itemHeight = -1;
      ShapeChanged(h, s);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETNEXTITEM: {
      Node* n = nullptr;
      if (lp && reinterpret_cast<HTREEITEM>(lp) != TVI_ROOT) {
        n = Find(s, reinterpret_cast<HTREEITEM>(lp));
        if (!n) return 0;
      }
      return reinterpret_cast<LRESULT>(GetNext(h, s, static_cast<UINT>(wp), n));
    }
    case TVM_SELECTITEM: {
      Node* n = lp ? Find(s, reinterpret_cast<HTREEITEM>(lp)) : nullptr;
      if (lp && !n) return FALSE;
      switch (wp & 0xFF) {
        case TVGN_CARET:
          return Select(h, s, n, TVC_UNKNOWN);
        case TVGN_DROPHILITE:
          s->dropHilite = n;
          Invalidate(h, s);
          return TRUE;
        case TVGN_FIRSTVISIBLE:
          if (!n) return FALSE;
          EnsureVisible(h, s, n);
          Scroll(h, s, RowOf(s, n));
          return TRUE;
        default:
          return FALSE;
      }
    }
    case TVM_GETITEM: {
      auto* it = reinterpret_cast<TVITEMW*>(lp);
      if (!it) return FALSE;
      Node* n = Find(s, it->hItem);
      if (!n) return FALSE;
      if (it->mask & TVIF_TEXT) CopyText(TextOf(h, s, n), it);
      const ItemExtra extra = s->pool.Extra(n);
      if (it->mask & TVIF_IMAGE) it->iImage = extra.image == I_IMAGECALLBACK ? ImageOf(h, s, n, false) : extra.image;
      if (it->mask & TVIF_SELECTEDIMAGE)
        it->iSelectedImage = extra.selImage == I_IMAGECALLBACK ? ImageOf(h, s, n, true) : extra.selImage;
      if (it->mask & TVIF_PARAM) it->lParam = n->param;
      if (it->mask & TVIF_STATE) it->state = n->state & it->stateMask;
      if (it->mask & TVIF_CHILDREN) it->cChildren = n->Has(Node::kChildrenSet) ? extra.children : (n->first ? 1 : 0);
      if (it->mask & TVIF_INTEGRAL) reinterpret_cast<TVITEMEXW*>(it)->iIntegral = 1;
      return TRUE;
    }
    case TVM_SETITEM: {
      auto* it = reinterpret_cast<const TVITEMW*>(lp);
      if (!it) return FALSE;
      Node* n = Find(s, it->hItem);
      if (!n) return FALSE;
      // The selected bit is set as asked, the caret's too (as Windows does):
      // trees that select several items keep their own caret unselected.
      ApplyItem(h, s, n, *it);
      Invalidate(h, s);
      if (s->visibleDirty) ShapeChanged(h, s);
      return TRUE;
    }
    case TVM_GETITEMSTATE: {
      Node* n = Find(s, reinterpret_cast<HTREEITEM>(wp));
      return n ? static_cast<LRESULT>(n->state & static_cast<UINT>(lp)) : 0;
    }
    case TVM_EDITLABEL:
      return reinterpret_cast<LRESULT>(BeginEdit(h, s, Find(s, reinterpret_cast<HTREEITEM>(lp))));
    case TVM_GETEDITCONTROL:
      return reinterpret_cast<LRESULT>(s->edit);
    case TVM_ENDEDITLABELNOW:
      if (!s->edit) return FALSE;
      EndEdit(h, s, wp != 0);
      return TRUE;
    case TVM_GETVISIBLECOUNT:
      return PageRows(h, s);
    case TVM_HITTEST: {
      auto* ht = reinterpret_cast<TVHITTESTINFO*>(lp);
      if (!ht) return 0;
      ht->hItem = H(HitTest(h, s, ht->pt, &ht->flags));
      return reinterpret_cast<LRESULT>(ht->hItem);
    }
    case TVM_ENSUREVISIBLE: {
      Node* n = Find(s, reinterpret_cast<HTREEITEM>(lp));
      if (!n) return FALSE;
      EnsureVisible(h, s, n);
      return TRUE;
    }
    case TVM_SORTCHILDREN: {
      Node* n =
          (!lp || reinterpret_cast<HTREEITEM>(lp) == TVI_ROOT) ? &s->root : Find(s, reinterpret_cast<HTREEITEM>(lp));
      if (!n) return FALSE;
      SortChildren(h, s, n, wp != 0, nullptr, 0);
      return TRUE;
    }
    case TVM_SORTCHILDRENCB: {
      auto* cb = reinterpret_cast<const TVSORTCB*>(lp);
      if (!cb || !cb->lpfnCompare) return FALSE;
      Node* n = (!cb->hParent || cb->hParent == TVI_ROOT) ? &s->root : Find(s, cb->hParent);
      if (!n) return FALSE;
      SortChildren(h, s, n, wp != 0, cb->lpfnCompare, cb->lParam);
      return TRUE;
    }
    case TVM_SETITEMHEIGHT: {
      int old = ItemHeight(h, s);
      int v = static_cast<int>(static_cast<short>(LOWORD(wp)));
      s->itemHeight = v <= 0 ? -1 : v;
      ShapeChanged(h, s);
      return old;
    }
    case TVM_GETITEMHEIGHT:
      return ItemHeight(h, s);
    case TVM_SETBKCOLOR: {
      COLORREF old = s->bk;
      s->bk = static_cast<COLORREF>(lp);
      Invalidate(h, s);
      return static_cast<LRESULT>(old == CLR_NONE ? static_cast<COLORREF>(-1) : old);
    }
    case TVM_GETBKCOLOR:
      return s->bk == CLR_NONE ? -1 : static_cast<LRESULT>(s->bk);
    case TVM_SETTEXTCOLOR: {
      COLORREF old = s->textColor;
      s->textColor = static_cast<COLORREF>(lp);
      Invalidate(h, s);
      return static_cast<LRESULT>(old == CLR_NONE ? static_cast<COLORREF>(-1) : old);
    }
    case TVM_GETTEXTCOLOR:
      return s->textColor == CLR_NONE ? -1 : static_cast<LRESULT>(s->textColor);
    case TVM_SETLINECOLOR: {
      COLORREF old = s->lineColor;
      s->lineColor = static_cast<COLORREF>(lp);
      Invalidate(h, s);
      return static_cast<LRESULT>(old);
    }
    case TVM_GETLINECOLOR:
      return static_cast<LRESULT>(s->lineColor);
    default:
      return ::DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace pv::controls
