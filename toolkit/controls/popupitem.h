// One item of a pop-up window: a caption, icon, icon button, hyperlink,
// rich text or markup text at a fixed rectangle of the window.
// Reference counted: AddItem takes the creator's reference, and the pop-up
// releases it; never delete an item directly.
#pragma once

#include "platform/framework/afx.h"

class CTKImageManagerIcon;
class CTKMarkupInputElement;
class CTKPopupControl;
class CTKRichRender;

class CTKPopupItem : public CCmdTarget {
  DECLARE_DYNCREATE(CTKPopupItem)
 public:
  // Colours of -1 draw no fill or frame.
  explicit CTKPopupItem(LPCRECT rcItem = nullptr, LPCTSTR lpszCaption = nullptr,
                        COLORREF clrBackground = static_cast<COLORREF>(-1),
                        COLORREF clrBorder = static_cast<COLORREF>(-1));
  ~CTKPopupItem() override;

  // ---- settings ----
  // -1: a click closes the pop-up instead of notifying the owner.
  void SetID(int nID) { m_nID = nID; }
  int GetID() const { return m_nID; }
  int GetIndex() const { return m_nIndex; }
  void SetIconIndex(int nIconIndex) { m_nIconIndex = nIconIndex; }
  // The image id in the owner's image manager (the index when not set).
  int GetIconIndex() const { return m_nIconIndex == -1 ? m_nIndex : m_nIconIndex; }
  void SetButton(BOOL bButton) { m_bButton = bButton; }
  BOOL IsButton() const { return m_bButton; }
  void SetHyperLink(BOOL bHyperLink) { m_bHyperLink = bHyperLink; }
  BOOL IsHyperLink() const { return m_bHyperLink; }
  void SetBold(BOOL bBold) { m_bBold = bBold; }
  BOOL IsBold() const { return m_bBold; }
  void SetUnderline(BOOL bUnderline) { m_bUnderline = bUnderline; }
  BOOL IsUnderline() const { return m_bUnderline; }
  void SetTextAlignment(UINT nFormat) { m_nFormat = nFormat; }
  void SetTextFormat(UINT nFormat) { m_nFormat = nFormat; }
  UINT GetTextFormat() const { return m_nFormat; }
  void SetTextColor(COLORREF clr) { m_clrText = clr; }
  COLORREF GetTextColor() const { return m_clrText; }
  void SetHoverColor(COLORREF clr) { m_clrHover = clr; }
  COLORREF GetHoverColor() const { return m_clrHover; }
  COLORREF GetBackgroundColor() const { return m_clrBackground; }
  COLORREF GetBorderColor() const { return m_clrBorder; }
  void SetIconOffset(CPoint pt) { m_ptIconOffset = pt; }
  CPoint GetIconOffset() const { return m_ptIconOffset; }
  // A font of the item's own (a copy of the given one).
  void SetTextFont(CFont* pFont);
  void SetRect(const RECT& rc) { m_rcItem = rc; }
  CRect GetRect() const { return m_rcItem; }
  CTKPopupControl* GetPopupControl() const { return m_pControl; }

  // ---- content ----
  void SetCaption(LPCTSTR lpszCaption);
  CString GetCaption() const { return m_strCaption; }
  // Markup text: needs the item to belong to a pop-up already.
  void SetMarkupText(LPCTSTR lpszMarkup);
  CTKMarkupInputElement* GetMarkupUIElement() const { return m_pUIElement; }
  void SetRTFText(LPCTSTR lpszText);
  // Resource of type "RTF": its bytes as an 8-bit text.
  void SetRTFTextFromResource(UINT nID);
  CTKRichRender* GetRichTextRender() const { return m_pRichRender; }
  // Icon resource into the owner's image manager: state 1 normal, 2 hot,
  // any other pressed.
  BOOL SetIcon(UINT nIDResource, int nState = 1);
  // A strip of images side by side for the states in the mask (1 normal,
  // 2 hot, 4 pressed), in that order.
  BOOL SetIcons(HBITMAP hBitmap, COLORREF clrTransparent, UINT nStates, BOOL bAlpha = FALSE);
  BOOL LoadIcons(UINT nIDBitmap, COLORREF clrTransparent, UINT nStates);
  CTKImageManagerIcon* GetImage() const;

  // ---- sizing to the content ----
  void CalculateSize();
  void CalculateWidth();
  void CalculateHeight();

  BOOL IsSelected() const;
  BOOL IsPressed() const;
  void RedrawControl();

  virtual void Draw(CDC* pDC);
  virtual CFont* GetTextFont();
  virtual void OnItemInserted() {}

 protected:
  // The font captions are measured in (bold and underline applied).
  void MeasureWith(CDC& dc, CRect& rc, UINT nFormat);

  int m_nID = 0;
  int m_nIndex = 0;
  int m_nIconIndex = -1;
  BOOL m_bButton = FALSE;
  BOOL m_bHyperLink = TRUE;
  BOOL m_bBold = FALSE;
  BOOL m_bUnderline = TRUE;
  UINT m_nFormat = 0;
  CFont m_fntText;
  CRect m_rcItem;
  CPoint m_ptIconOffset{0, 0};
  CString m_strCaption;
  COLORREF m_clrText = static_cast<COLORREF>(-1);
  COLORREF m_clrHover = static_cast<COLORREF>(-1);
  COLORREF m_clrBackground;
  COLORREF m_clrBorder;
  CTKPopupControl* m_pControl = nullptr;
  CTKRichRender* m_pRichRender = nullptr;
  CTKMarkupInputElement* m_pUIElement = nullptr;

  friend class CTKPopupControl;
};
