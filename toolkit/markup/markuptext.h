// Text elements (runs, spans, bold/italic/underline, hyperlinks, inline UI
// containers) and the text block that holds them: classes, properties,
// content rules, and the per-inline interface the text block lays text out
// through (its layout is in markuptextblock.cpp).
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/wingdi.h"
#include "toolkit/markup/markupelements.h"

class CTKMarkupFont;

// The largest font size text is drawn in, in pixels; a larger FontSize
// counts as this (text metrics of larger fonts leave the 32-bit range).
const int kMaxFontSize = 16384;

// The next position after pos where a text may be broken or cut: past a
// whole character (never inside a surrogate pair) and the marks joined to it.
// pos at or past the length answers the length.
int MarkupNextCharacterStop(const WCHAR* text, int length, int pos);

class CTKMarkupFrameworkContentElement : public CTKMarkupInputElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupFrameworkContentElement)
 public:
  static void RegisterMarkupDependencyProperties();
  void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                         CTKMarkupObject* pNewValue) override;
  // Without a host element (none while not in a tree) only triggers listen.
  bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const override {
    return CTKMarkupInputElement::ChangesGoUnseen(pProperty);
  }
  CTKMarkupInputElement* InputHitTest(int x, int y) override { return this; }
  CTKMarkupFrameworkElement* GetHostElement() const;
};

class CTKMarkupTextElement : public CTKMarkupFrameworkContentElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupTextElement)
 public:
  static void RegisterMarkupDependencyProperties();
  CTKMarkupObject* GetBackground() const { return GetValue(m_pBackgroundProperty); }
  CTKMarkupObject* GetForeground() const { return GetValue(m_pForegroundProperty); }
  void SetFontWeight(int n);
  void SetFontStyle(int n);
  void SetTextDecorations(int n);

  static CTKMarkupDependencyProperty* m_pBackgroundProperty;
  static CTKMarkupDependencyProperty* m_pForegroundProperty;
  static CTKMarkupDependencyProperty* m_pFontSizeProperty;
  static CTKMarkupDependencyProperty* m_pFontWeightProperty;
  static CTKMarkupDependencyProperty* m_pFontFamilyProperty;
  static CTKMarkupDependencyProperty* m_pFontStyleProperty;
  static CTKMarkupDependencyProperty* m_pTextDecorationsProperty;
  static CTKMarkupDependencyProperty* m_pFontQualityProperty;
  static CTKMarkupDependencyProperty* m_pFontCharsetProperty;
};

// A text position of an inline: an index into a run's text (its length is
// the end of the text, a valid range end), 0 and 1 around an inline
// container's child, and -1 past the end.
using TKMARKUPTEXTPOS = int;

class CTKMarkupInline : public CTKMarkupTextElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInline)
 public:
  static void RegisterMarkupDependencyProperties();
  // The text walk of the text block, leaf by leaf.
  virtual CTKMarkupInline* GetFirstInline() { return this; }
  virtual TKMARKUPTEXTPOS GetTextStart() const { return -1; }
  virtual void Advance(TKMARKUPTEXTPOS& pos) const { pos = 0; }
  virtual BOOL IsWordBreak(TKMARKUPTEXTPOS pos) const { return FALSE; }
  virtual BOOL IsLineBreak(TKMARKUPTEXTPOS pos) const { return FALSE; }
  virtual BOOL IsCarriageReturn(TKMARKUPTEXTPOS pos) const { return FALSE; }
  virtual BOOL IsBlank(TKMARKUPTEXTPOS pos) const { return FALSE; }
  virtual void ArrangeRange(const RECT& rc, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) {}
  virtual SIZE MeasureRange(CTKMarkupDrawingContext* pDC, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) {
    return SIZE{0, 0};
  }
  virtual void RenderRange(CTKMarkupDrawingContext* pDC, const RECT& rc, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) {}
  virtual void PrepareFont(CTKMarkupDrawingContext* pDC) {}
  virtual int GetDescent() const { return 0; }
  // The next leaf inline in document order, or null.
  CTKMarkupInline* GetNextInline();
  int m_nIndex = -1;
  static CTKMarkupDependencyProperty* m_pBaselineAlignmentProperty;
};

class CTKMarkupRun : public CTKMarkupInline {
  TK_DECLARE_MARKUPCLASS(CTKMarkupRun)
 public:
  CTKMarkupRun() = default;
  ~CTKMarkupRun() override;
  static void RegisterMarkupDependencyProperties();
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return GetValue(m_pTextProperty) != nullptr; }
  void OnFinalRelease() override;
  void SetText(LPCWSTR lpszText);
  void SetText(CTKMarkupString* pText);  // takes over the reference
  LPCWSTR GetText() const;
  // The font of the run: the context's default with the text properties in force.
  void GetLogFont(LOGFONTW* pLogFont) const;

  TKMARKUPTEXTPOS GetTextStart() const override;
  void Advance(TKMARKUPTEXTPOS& pos) const override;
  BOOL IsWordBreak(TKMARKUPTEXTPOS pos) const override;
  BOOL IsLineBreak(TKMARKUPTEXTPOS pos) const override;
  BOOL IsCarriageReturn(TKMARKUPTEXTPOS pos) const override;
  BOOL IsBlank(TKMARKUPTEXTPOS pos) const override;
  SIZE MeasureRange(CTKMarkupDrawingContext* pDC, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) override;
  void RenderRange(CTKMarkupDrawingContext* pDC, const RECT& rc, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) override;
  void PrepareFont(CTKMarkupDrawingContext* pDC) override;
  int GetDescent() const override { return m_nDescent; }
  static CTKMarkupDependencyProperty* m_pTextProperty;

 protected:
  int m_nDescent = 0;
  CTKMarkupFont* m_pFont = nullptr;
};

class CTKMarkupLineBreak : public CTKMarkupRun {
  TK_DECLARE_MARKUPCLASS(CTKMarkupLineBreak)
 public:
  CTKMarkupLineBreak();
};

// The inlines of a text block or span. While a tree is built, each text is
// kept in its place as the text itself and becomes its run when the inlines
// are first needed (MakeRuns): a built tree need not make a run for every
// text before anything lays it out. The owner makes the runs before it
// hands out the collection or an inline, so every reader sees runs; the
// engine's own walks (GetWalkChild) skip the texts. Once made, the
// collection makes runs at once.
class CTKMarkupInlineCollection : public CTKMarkupCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInlineCollection)
 public:
  CTKMarkupInlineCollection();
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  void OnItemAdded(CTKMarkupObject* pItem, int nIndex) override;
  int GetLogicalChildrenCount() const override;
  CTKMarkupObject* GetLogicalChild(int nIndex) const override;
  // Nothing to walk while every item is a text kept for its run.
  int GetWalkChildrenCount() const override { return m_nNotMade == GetCount() ? 0 : GetCount(); }
  CTKMarkupObject* GetWalkChild(int nIndex) const override;
  // Drops every inline for one run of this text (null: a run without
  // text); takes over the reference.
  void SetText(CTKMarkupString* pText);
  // Makes the runs of the texts kept, through the owner's context.
  void MakeRuns() const {
    if (m_nNotMade > 0 || !m_bMade) MakeRunsNow();
  }
  // Whether the runs have been made (and every text since made at once).
  bool IsMade() const { return m_bMade; }
  // For the owner's OnApplyStyle in the style walk: when an implicit style
  // would reach runs not made yet, they are made and styled now, as the
  // walk would have styled them.
  void StyleRunsNotMade(CTKMarkupInputElement* pOwner);

 private:
  void MakeRunsNow() const;
  void AddRun(CTKMarkupString* pText);
  mutable int m_nNotMade = 0;  // texts kept in the items in place of their runs
  mutable bool m_bMade = false;
};

class CTKMarkupSpan : public CTKMarkupInline {
  TK_DECLARE_MARKUPCLASS(CTKMarkupSpan)
 public:
  CTKMarkupSpan();
  ~CTKMarkupSpan() override;
  // The inlines are one logical child, made when first asked for.
  int GetLogicalChildrenCount() const override { return 1; }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override { return nIndex == 0 ? GetInlines() : nullptr; }
  int GetWalkChildrenCount() const override { return m_pInlines ? 1 : 0; }
  CTKMarkupObject* GetWalkChild(int nIndex) const override { return nIndex == 0 ? m_pInlines : nullptr; }
  // While it holds no inlines, no child inherits the span's values.
  bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const override;
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return m_pText || (m_pInlines && m_pInlines->HasContent()); }
  BOOL AllowWhiteSpaceContent() const override { return TRUE; }
  void OnApplyStyle() override;
  CTKMarkupInline* GetFirstInline() override;
  CTKMarkupInlineCollection* GetInlines() const {
    CTKMarkupInlineCollection* p = GetInlinesAsBuilt();
    p->MakeRuns();
    return p;
  }
  // The collection as it stands, texts not made into runs included: for
  // the engine's own use.
  CTKMarkupInlineCollection* GetInlinesAsBuilt() const { return m_pInlines ? m_pInlines : MakeInlines(); }
  // Whether the runs of the inlines have been made.
  bool AreRunsMade() const { return m_pInlines && m_pInlines->IsMade(); }

 protected:
  // A span that holds one text only (the usual <Bold>text</Bold>) keeps it
  // here and makes its collection when it is first needed; the collection
  // then keeps the text in its run's place, as it would have from the
  // start.
  CTKMarkupInlineCollection* MakeInlines() const;
  mutable CTKMarkupInlineCollection* m_pInlines = nullptr;
  mutable CTKMarkupString* m_pText = nullptr;
};

class CTKMarkupBold : public CTKMarkupSpan {
  TK_DECLARE_MARKUPCLASS(CTKMarkupBold)
 public:
  CTKMarkupBold();
};

class CTKMarkupItalic : public CTKMarkupSpan {
  TK_DECLARE_MARKUPCLASS(CTKMarkupItalic)
 public:
  CTKMarkupItalic();
};

class CTKMarkupUnderline : public CTKMarkupSpan {
  TK_DECLARE_MARKUPCLASS(CTKMarkupUnderline)
 public:
  CTKMarkupUnderline();
};

class CTKMarkupHyperlink : public CTKMarkupSpan {
  TK_DECLARE_MARKUPCLASS(CTKMarkupHyperlink)
 public:
  static void RegisterMarkupDependencyProperties();
  virtual void OnClick();
  void OnMouseLeftButtonDown(CTKMarkupMouseButtonEventArgs* e) override;
  void OnMouseLeftButtonUp(CTKMarkupMouseButtonEventArgs* e) override;
  static CTKMarkupRoutedEvent* m_pClickEvent;

 protected:
  BOOL m_bPressed = FALSE;
};

class CTKMarkupInlineUIContainer : public CTKMarkupInline {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInlineUIContainer)
 public:
  CTKMarkupInlineUIContainer() : m_pChild(nullptr) {}
  ~CTKMarkupInlineUIContainer() override { SetChild(nullptr); }
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  BOOL HasContent() const override { return m_pChild != nullptr; }
  int GetLogicalChildrenCount() const override { return m_pChild ? 1 : 0; }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override;
  CTKMarkupInputElement* InputHitTest(int x, int y) override;
  void SetChild(CTKMarkupUIElement* pChild);
  CTKMarkupUIElement* GetChild() const { return m_pChild; }
  TKMARKUPTEXTPOS GetTextStart() const override { return m_pChild ? 0 : -1; }
  void Advance(TKMARKUPTEXTPOS& pos) const override { pos = pos == 0 ? 1 : -1; }
  BOOL IsWordBreak(TKMARKUPTEXTPOS pos) const override { return pos == 0 || pos == 1; }
  void ArrangeRange(const RECT& rc, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) override;
  SIZE MeasureRange(CTKMarkupDrawingContext* pDC, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) override;
  void RenderRange(CTKMarkupDrawingContext* pDC, const RECT& rc, TKMARKUPTEXTPOS start, TKMARKUPTEXTPOS end) override;

 private:
  CTKMarkupUIElement* m_pChild;
};

class CTKMarkupTextBlock : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupTextBlock)
 public:
  CTKMarkupTextBlock();
  ~CTKMarkupTextBlock() override;
  static void RegisterMarkupDependencyProperties();
  void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue,
                         CTKMarkupObject* pNewValue) override;
  // The text makes the runs whoever listens.
  bool ChangesGoUnseen(CTKMarkupDependencyProperty* pProperty) const override {
    return pProperty != m_pTextProperty && CTKMarkupFrameworkElement::ChangesGoUnseen(pProperty);
  }
  int GetLogicalChildrenCount() const override { return 1; }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override { return nIndex == 0 ? GetInlines() : nullptr; }
  int GetWalkChildrenCount() const override { return 1; }
  CTKMarkupObject* GetWalkChild(int nIndex) const override { return nIndex == 0 ? m_pInlines : nullptr; }
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override {
    m_pInlines->SetContentObject(pBuilder, pContent);
  }
  BOOL HasContent() const override { return m_pInlines->GetCount() > 0; }
  void OnApplyStyle() override;
  BOOL AllowWhiteSpaceContent() const override { return TRUE; }
  int GetVisualChildrenCount() const override { return 0; }
  CTKMarkupVisual* GetVisualChild(int) const override { return nullptr; }
  void OnRender(CTKMarkupDrawingContext* pDC) override;
  CTKMarkupInputElement* HitTestCore(int x, int y) override;
  void InvalidateMeasureCore(CTKMarkupDrawingContext* pDC) override;
  SIZE MeasureOverride(CTKMarkupDrawingContext* pDC, int cx, int cy) override;
  SIZE ArrangeOverride(int cx, int cy) override;
  CTKMarkupInline* GetFirstInline() const;
  CTKMarkupInlineCollection* GetInlines() const {
    m_pInlines->MakeRuns();
    return m_pInlines;
  }
  // The built lines, for hosts and tests: pieces with their arranged rectangles.
  struct Piece;
  struct Line;
  const std::vector<Line>& GetLines() const;
  SIZE GetContentSize() const { return SIZE{m_nContentWidth, m_nContentHeight}; }
  static CTKMarkupDependencyProperty* m_pTextWrappingProperty;
  static CTKMarkupDependencyProperty* m_pTextTrimmingProperty;
  static CTKMarkupDependencyProperty* m_pTextAlignmentProperty;
  static CTKMarkupDependencyProperty* m_pPaddingProperty;
  static CTKMarkupDependencyProperty* m_pTextProperty;

 private:
  class LineBuilder;
  CTKMarkupInlineCollection* m_pInlines;
  std::unique_ptr<std::vector<Line>> m_pLines;
  int m_nRememberedWidth = -1;
  int m_nContentWidth = 0;
  int m_nContentHeight = 0;
};

// One range of one inline on one line; holds a reference to its inline.
struct CTKMarkupTextBlock::Piece {
  Piece() = default;
  Piece(CTKMarkupInline* p, TKMARKUPTEXTPOS nStart, TKMARKUPTEXTPOS nEnd, BOOL bParagraph);
  Piece(const Piece& other);
  Piece& operator=(const Piece& other);
  ~Piece();
  RECT GetArrangedRect() const {
    const int left = MarkupAdd(x, xOffset), top = MarkupAdd(y, yOffset);
    return RECT{left, top, MarkupAdd(left, width), MarkupAdd(top, height)};
  }
  CTKMarkupInline* pInline = nullptr;
  TKMARKUPTEXTPOS start = -1, end = -1;
  int x = 0, y = 0, xOffset = 0, yOffset = 0;
  int width = 0, height = 0, descent = 0;
  BOOL bParagraphStart = FALSE;
};

struct CTKMarkupTextBlock::Line {
  std::vector<Piece> pieces;
  int width = 0, height = 0, descent = 0;
  BOOL bWrapped = FALSE;
};
