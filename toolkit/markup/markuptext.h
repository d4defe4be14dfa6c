// Text elements (runs, spans, bold/italic/underline, hyperlinks, inline UI
// containers) and the text block that holds them: classes, properties and
// content rules. Text layout and drawing come with the drawing layer.
#pragma once

#include "toolkit/markup/markupelements.h"

class CTKMarkupFont;

class CTKMarkupFrameworkContentElement : public CTKMarkupInputElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupFrameworkContentElement)
 public:
  static void RegisterMarkupDependencyProperties();
  void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue, CTKMarkupObject* pNewValue) override;
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

class CTKMarkupInline : public CTKMarkupTextElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInline)
 public:
  static void RegisterMarkupDependencyProperties();
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

class CTKMarkupInlineCollection : public CTKMarkupCollection {
  TK_DECLARE_MARKUPCLASS(CTKMarkupInlineCollection)
 public:
  CTKMarkupInlineCollection();
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override;
  void OnItemAdded(CTKMarkupObject* pItem, int nIndex) override;
};

class CTKMarkupSpan : public CTKMarkupInline {
  TK_DECLARE_MARKUPCLASS(CTKMarkupSpan)
 public:
  CTKMarkupSpan();
  ~CTKMarkupSpan() override;
  int GetLogicalChildrenCount() const override { return m_pInlines ? 1 : 0; }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override { return nIndex == 0 ? m_pInlines : nullptr; }
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override { m_pInlines->SetContentObject(pBuilder, pContent); }
  BOOL HasContent() const override { return m_pInlines->HasContent(); }
  BOOL AllowWhiteSpaceContent() const override { return TRUE; }
  CTKMarkupInlineCollection* GetInlines() const { return m_pInlines; }

 protected:
  CTKMarkupInlineCollection* m_pInlines;
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

 private:
  CTKMarkupUIElement* m_pChild;
};

class CTKMarkupTextBlock : public CTKMarkupFrameworkElement {
  TK_DECLARE_MARKUPCLASS(CTKMarkupTextBlock)
 public:
  CTKMarkupTextBlock();
  ~CTKMarkupTextBlock() override;
  static void RegisterMarkupDependencyProperties();
  void OnPropertyChanged(CTKMarkupDependencyProperty* pProperty, CTKMarkupObject* pOldValue, CTKMarkupObject* pNewValue) override;
  int GetLogicalChildrenCount() const override { return 1; }
  CTKMarkupObject* GetLogicalChild(int nIndex) const override { return nIndex == 0 ? m_pInlines : nullptr; }
  void SetContentObject(CTKMarkupBuilder* pBuilder, CTKMarkupObject* pContent) override { m_pInlines->SetContentObject(pBuilder, pContent); }
  BOOL HasContent() const override { return m_pInlines->GetCount() > 0; }
  BOOL AllowWhiteSpaceContent() const override { return TRUE; }
  int GetVisualChildrenCount() const override { return 0; }
  CTKMarkupVisual* GetVisualChild(int) const override { return nullptr; }
  CTKMarkupInlineCollection* GetInlines() const { return m_pInlines; }
  static CTKMarkupDependencyProperty* m_pTextWrappingProperty;
  static CTKMarkupDependencyProperty* m_pTextTrimmingProperty;
  static CTKMarkupDependencyProperty* m_pTextAlignmentProperty;
  static CTKMarkupDependencyProperty* m_pPaddingProperty;
  static CTKMarkupDependencyProperty* m_pTextProperty;

 private:
  CTKMarkupInlineCollection* m_pInlines;
};
